// The core's start-up state, the mix styles and fade sliders, the output levels, the help
// page and the exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Ints = std::vector<int>;
using Opt = std::optional<std::string>;
using std::tuple;

namespace {

constexpr FadeSlider kSliders[] = {FadeSlider::SkipLast, FadeSlider::FadeInThreshold, FadeSlider::InSpeed,
                                   FadeSlider::OutSpeed};

// The four settings the cross-fade reads, in kSliders order.
Ints Settings(const Korvale& core) {
    const MixStyleSettings& s = core.Settings();
    return {s.SkipLastSeconds(), s.FadeInThreshold(), s.InSpeed(), s.OutSpeed()};
}
// Each slider's position and label ("?" before one was written), in kSliders order.
std::string Shown(const Korvale& core) {
    std::string shown;
    for (const FadeSlider s : kSliders)
        shown += std::to_string(core.Settings().Position(s)) + " " + core.Settings().Label(s).value_or("?") + "|";
    return shown;
}
void MoveAll(CoreFixture& f, const Ints& positions) {
    for (std::size_t i = 0; i < 4; ++i) f.core.Settings().SliderMovedByUser(kSliders[i], positions[i]);
    f.core.OnHScroll();
}

} // namespace

TEST(CoreStart, SlidersShowTheStartSpeedsThenTheFirstStyleIsApplied) {
    CoreFixture f(false);
    f.core.Settings().SetUpSliders();
    EXPECT_EQ(Shown(f.core), "5 ?|5 ?|40 In Speed 40|2 Out Speed 2|");
    for (const bool tick : {false, true}) {
        CoreFixture g(false);
        g.core.Start("/start/folder", tick);
        EXPECT_EQ(tuple(g.core.Settings().MixStyleIndex(), Settings(g.core)), tuple(0, Ints{4, 400, 40, 2}));
        EXPECT_EQ(Shown(g.core), "4 Skip the last 4 seconds|400 -4 db|40 In Speed 40|2 Out Speed 2|");
        EXPECT_TRUE(g.core.Settings().WaitBoxChecked() && g.core.Settings().WaitForFadeIn());
        EXPECT_EQ(tuple(g.core.Decks().FaderPosition(Deck::A), g.core.Decks().FaderPosition(Deck::B),
                        g.core.AppDirectory(), g.dialogs.messages.size(), g.core.Cue().SliderMaximum()),
                  tuple(9000, 9000, "/start/folder/", 0u, 1000));
        EXPECT_EQ(g.host.timers, (tick ? std::map<TimerId, int>{{TimerId::Tick, 10}} : std::map<TimerId, int>{}));
    }
    CoreFixture g(false);
    g.devices.mixerOpens = false; g.core.Start("/start/folder", false);
    EXPECT_EQ(tuple(g.dialogs.messages.at(0).text, g.dialogs.messages[0].caption), tuple("Mixer Not Opened", "Error!"));
}

TEST(CoreMixStyles, PresetsSetEverythingCustomAndNoSelectionKeepHandSetValues) {
    const Ints hand{12, 2550, 123, 7};
    for (int index = -1; index <= 8; ++index) {
        CoreFixture f;
        MoveAll(f, hand); f.core.Settings().WaitBoxToggledByUser(false);
        f.core.Settings().StyleChosenByUser(index);
        const Ints settings = Settings(f.core);
        const bool preset = index >= 0 && index < 7;
        auto n = [&](std::size_t i) { return std::to_string(settings[i]); };
        EXPECT_EQ(settings != hand, preset);
        EXPECT_EQ(Shown(f.core), n(0) + " Skip the last " + n(0) + " seconds|" + n(1) + " -" + std::to_string(settings[1] / 100) +
                                     " db|" + n(2) + " In Speed " + n(2) + "|" + n(3) + " Out Speed " + n(3) + "|");
        const MixStyleSettings& s = f.core.Settings();
        EXPECT_EQ(tuple(s.WaitBoxChecked(), s.ThresholdEnabled(), s.WaitForFadeIn()), tuple(preset, preset, preset));
    }
    CoreFixture f;
    f.core.Settings().StyleChosenByUser(1);
    EXPECT_EQ(Settings(f.core), (Ints{2, 200, 500, 90}));
}

TEST(CoreMixStyles, AnyHorizontalMoveReReadsAllFourAndTheWaitBoxDrivesTheThreshold) {
    for (const FadeSlider moved : kSliders) {
        CoreFixture f;
        for (std::size_t i = 0; i < 4; ++i) f.core.Settings().SliderMovedByUser(kSliders[i], 9 + static_cast<int>(i));
        Ints expected{9, 10, 11, 12};
        expected[static_cast<std::size_t>(moved)] = 1;
        f.core.Settings().SliderMovedByUser(moved, 1); f.core.OnHScroll();
        EXPECT_EQ(Settings(f.core), expected);
        for (const bool checked : {false, true, false}) {
            f.core.Settings().WaitBoxToggledByUser(checked);
            EXPECT_EQ(tuple(f.core.Settings().ThresholdEnabled(), f.core.Settings().WaitForFadeIn()), tuple(checked, checked));
        }
        f.core.Settings().SliderMovedByUser(FadeSlider::FadeInThreshold, 1500);
        f.core.Fade().EndOfMix(); // the end of a mix takes the threshold from its slider
        EXPECT_EQ(f.core.Settings().FadeInThreshold(), 1500);
    }
}

TEST(CoreStart, HelpPageOpensFromTheStartFolderOrTellsWhyNot) {
    const std::string page = "/start/folder/korvale_1_1_help.htm";
    struct Row { std::string folder; bool canOpen; std::vector<std::string> opened; bool told; };
    const Row rows[] = {{"/start/folder", true, {page}, false}, {"/start/folder", false, {page}, true},
                        {"/" + std::string(300, 'x'), true, {}, false}, {"/" + std::string(240, 'x'), true, {}, false}};
    for (const Row& row : rows) {
        CoreFixture f(false);
        f.core.Start(row.folder, false); f.shell.canOpen = row.canOpen;
        f.core.OpenHelpPage();
        EXPECT_EQ(tuple(f.shell.opened, f.dialogs.messages.size()), tuple(row.opened, row.told ? 1u : 0u));
        if (row.told) EXPECT_EQ(tuple(f.dialogs.messages[0].text, f.dialogs.messages[0].caption),
                                tuple("No program to show the help page was found. The page is " + page, "Help"));
    }
}

TEST(CoreStart, EachChangeIsToldToTheFrontEnd) {
    const std::pair<CorePart, std::function<void(CoreFixture&)>> rows[] = {
        {CorePart::Decks, [](CoreFixture& f) { f.core.Decks().SetFaderPosition(Deck::B, 1234); }},
        {CorePart::OnAir, [](CoreFixture& f) { f.core.Decks().PlayDeck(Deck::A); }},
        {CorePart::OnAir, [](CoreFixture& f) { f.core.Decks().StopDeck(Deck::B); }},
        {CorePart::OnAir, [](CoreFixture& f) { f.core.Decks().CloseDeck(Deck::A); }},
        {CorePart::Toggles, [](CoreFixture& f) { f.core.SetLoadNext(true); }},
        {CorePart::Toggles, [](CoreFixture& f) { f.core.SetMixNext(true); }},
        {CorePart::Status, [](CoreFixture& f) { f.core.SetStatus("x"); }}};
    for (const auto& [part, change] : rows) {
        CoreFixture f;
        f.host.changes.clear(), change(f);
        EXPECT_EQ(std::count(f.host.changes.begin(), f.host.changes.end(), part), 1) << int(part);
    }
}

TEST(CoreStart, StopAndExitCloseEverything) {
    for (const bool exit : {false, true}) {
        CoreFixture f;
        f.Gather({"/a.mp3", "/b.mp3"});
        f.Select(0), f.Select(1); f.core.Decks().PlayDeck(Deck::A);
        f.core.SetLoadNext(true), f.core.SetMixNext(true), f.host.changes.clear();
        exit ? f.core.ExitSequence() : f.core.StopEverything();
        const bool shown = std::count(f.host.changes.begin(), f.host.changes.end(), CorePart::Toggles) > 0;
        EXPECT_EQ(tuple(f.core.LoadNext(), f.core.MixNext(), shown, f.Holds(Deck::A) + f.Holds(Deck::B)),
                  tuple(false, false, true, ""));
        EXPECT_EQ(f.mci.commands.at(f.mci.commands.size() - 2) + ", " + f.mci.commands.back(),
                  exit ? "stop movie, close movie" : "close movie, close all");
    }
}

TEST(CoreLevels, StartReadsDevicesMixerNamesAndLevelsWhereTheDevicesAllowIt) {
    struct Row { int waveOuts, auxes; std::vector<std::string> mixers; std::optional<bool> waveCaps, auxCaps;
                 bool master, cue; Opt masterName, cueName; int level, mic; };
    const Row rows[] = {{0, 2, {}, true, true, false, false, {}, {}, 30536, 64536},
                        {1, 2, {"Only"}, false, std::nullopt, true, false, "Only", {}, 1, 1},
                        {1, 0, {"Only"}, false, true, true, false, "Only", {}, 1, 1},
                        {2, 2, {"Main", "Phones", "Third"}, std::nullopt, false, true, true, "Main", "Phones", 1, 1}};
    for (const Row& row : rows) {
        CoreFixture f(false);
        f.devices.waveOuts = row.waveOuts, f.devices.auxes = row.auxes, f.devices.mixerNames = row.mixers, f.devices.waveOutCaps = row.waveCaps;
        f.devices.waveOutLevel = ChannelVolumes{40000, 30000}, f.devices.auxLevels[0] = ChannelVolumes{1000, 1000};
        f.devices.auxCaps[0] = row.auxCaps; f.core.Start("/start", false);
        const OutputLevels& levels = f.core.Levels();
        EXPECT_EQ(tuple(levels.MasterCaptionEnabled(), levels.CueCaptionEnabled(), f.dialogs.messages.size()),
                  tuple(row.master, row.cue, row.master ? 0u : 1u));
        if (!row.master) EXPECT_EQ(f.dialogs.messages[0].text + "/" + f.dialogs.messages[0].caption,
                                   "KORVALE needs one or more audio devices to work with/Audio Device(s) Not found");
        EXPECT_EQ(tuple(levels.MasterCaption(), levels.CueCaption(), levels.MasterPosition(), levels.MasterLabel()),
                  tuple(row.masterName, row.cueName, row.level, row.level > 1 ? Opt("-41 db") : Opt()));
        EXPECT_EQ(tuple(levels.MicPosition(), levels.MicButtonEnabled()), tuple(row.mic, row.mic > 1));
        EXPECT_TRUE(levels.MicButtonCaption() == "MIC" && levels.MixerOpened());
    }
}

TEST(CoreLevels, MovesWriteBothChannelsAndTheMicOnlyWhileItsPanelIsShown) {
    CoreFixture f;
    OutputLevels& levels = f.core.Levels();
    auto both = [](ChannelVolumes v, int channel) { return v.left == channel && v.right == channel; };
    levels.MasterMovedByUser(7281), levels.MicMovedByUser(65000);
    f.core.OnVScroll();
    EXPECT_EQ(tuple(f.devices.waveOutWrites.size(), f.devices.auxWrites.size(), levels.MasterLabel()), tuple(1u, 0u, "-10 db"));
    EXPECT_TRUE(both(f.devices.waveOutWrites.at(0), 58255));
    // The panel shown: the mic level is read, and written to the other device on a move.
    levels.TalkOverToggledByUser(true);
    f.devices.auxLevels[0] = ChannelVolumes{65535, 65535};
    levels.MicButtonToggledByUser(true);
    EXPECT_EQ(tuple(levels.MicButtonCaption(), levels.TalkOverChecked(), levels.MicPosition()), tuple("MIC ON", false, 1));
    levels.MicMovedByUser(1457); f.core.OnVScroll();
    EXPECT_EQ(tuple(f.devices.auxWrites.size(), f.devices.auxWrites.at(0).first, levels.MicLabel()), tuple(1u, 1, "-2 db"));
    EXPECT_TRUE(both(f.devices.auxWrites[0].second, 64079));
}
