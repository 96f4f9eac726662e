// The core's start-up state, the mix styles and fade sliders, the help page and the exit.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Ints = std::vector<int>;

namespace {

constexpr FadeSlider kSliders[] = {FadeSlider::SkipLast, FadeSlider::FadeInThreshold, FadeSlider::InSpeed,
                                   FadeSlider::OutSpeed};

// The four settings the cross-fade reads, the slider positions and the labels, in kSliders order.
Ints Settings(const Korvale& core) {
    const MixStyleSettings& s = core.Settings();
    return {s.SkipLastSeconds(), s.FadeInThreshold(), s.InSpeed(), s.OutSpeed()};
}
Ints Positions(const Korvale& core) {
    Ints positions;
    for (const FadeSlider slider : kSliders) positions.push_back(core.Settings().Position(slider));
    return positions;
}
std::string Labels(const Korvale& core) {
    std::string labels;
    for (const FadeSlider slider : kSliders) labels += core.Settings().Label(slider).value_or("?") + "|";
    return labels;
}
void MoveAll(CoreFixture& f, const Ints& positions) {
    for (std::size_t i = 0; i < 4; ++i) f.core.Settings().SliderMovedByUser(kSliders[i], positions[i]);
    f.core.OnHScroll();
}

} // namespace

TEST(CoreStart, SlidersShowTheStartSpeedsThenTheFirstStyleIsApplied) {
    CoreFixture f(false);
    f.core.Settings().SetUpSliders();
    EXPECT_EQ(Positions(f.core), (Ints{5, 5, 40, 2}));
    EXPECT_EQ(Labels(f.core), "?|?|In Speed 40|Out Speed 2|");
    for (const bool tick : {false, true}) {
        CoreFixture g(false);
        g.core.Start("/start/folder", tick);
        EXPECT_EQ(g.core.Settings().MixStyleIndex(), 0);
        EXPECT_EQ(Settings(g.core), (Ints{4, 400, 40, 2}));
        EXPECT_EQ(Positions(g.core), Settings(g.core));
        EXPECT_EQ(Labels(g.core), "Skip the last 4 seconds|-4 db|In Speed 40|Out Speed 2|");
        EXPECT_TRUE(g.core.Settings().WaitBoxChecked() && g.core.Settings().WaitForFadeIn());
        EXPECT_EQ(g.core.Decks().FaderPosition(Deck::A) + g.core.Decks().FaderPosition(Deck::B), 18000);
        EXPECT_EQ(g.core.AppDirectory(), "/start/folder/");
        EXPECT_EQ(g.host.timers, (tick ? std::map<TimerId, int>{{TimerId::Tick, 10}} : std::map<TimerId, int>{}));
        EXPECT_TRUE(g.dialogs.messages.empty());
    }
    CoreFixture g(false);
    g.devices.mixerOpens = false;
    g.core.Start("/start/folder", false);
    ASSERT_FALSE(g.dialogs.messages.empty());
    EXPECT_EQ(g.dialogs.messages[0].text + "/" + g.dialogs.messages[0].caption, "Mixer Not Opened/Error!");
}

TEST(CoreMixStyles, PresetsSetEverythingCustomAndNoSelectionKeepHandSetValues) {
    const Ints hand{12, 2550, 123, 7};
    for (int index = -1; index <= 8; ++index) {
        SCOPED_TRACE(index);
        CoreFixture f;
        MoveAll(f, hand);
        f.core.Settings().WaitBoxToggledByUser(false);
        f.core.Settings().StyleChosenByUser(index);
        const Ints settings = Settings(f.core);
        const bool preset = index >= 0 && index < 7;
        EXPECT_EQ(settings != hand, preset);
        EXPECT_EQ(Positions(f.core), settings);
        EXPECT_EQ(Labels(f.core), "Skip the last " + std::to_string(settings[0]) + " seconds|-" +
                                      std::to_string(settings[1] / 100) + " db|In Speed " + std::to_string(settings[2]) +
                                      "|Out Speed " + std::to_string(settings[3]) + "|");
        EXPECT_EQ(f.core.Settings().WaitBoxChecked(), preset);
        EXPECT_EQ(f.core.Settings().ThresholdEnabled(), preset);
        EXPECT_EQ(f.core.Settings().WaitForFadeIn(), preset);
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
        f.core.Settings().SliderMovedByUser(moved, 1);
        f.core.OnHScroll();
        EXPECT_EQ(Settings(f.core), expected);
        for (const bool checked : {false, true, false}) {
            f.core.Settings().WaitBoxToggledByUser(checked);
            EXPECT_EQ(f.core.Settings().ThresholdEnabled(), checked);
            EXPECT_EQ(f.core.Settings().WaitForFadeIn(), checked);
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
        f.core.Start(row.folder, false);
        f.shell.canOpen = row.canOpen;
        f.core.OpenHelpPage();
        EXPECT_EQ(f.shell.opened, row.opened);
        ASSERT_EQ(f.dialogs.messages.size(), row.told ? 1u : 0u);
        if (row.told) {
            EXPECT_EQ(f.dialogs.messages[0].text, "No program to show the help page was found. The page is " + page);
            EXPECT_EQ(f.dialogs.messages[0].caption, "Help");
        }
    }
}

TEST(CoreStart, StopAndExitCloseEverything) {
    for (const bool exit : {false, true}) {
        CoreFixture f;
        f.Gather({"/a.mp3", "/b.mp3"});
        f.Select(0);
        f.Select(1);
        f.core.Decks().PlayDeck(Deck::A);
        f.core.SetLoadNext(true);
        f.core.SetMixNext(true);
        exit ? f.core.ExitSequence() : f.core.StopEverything();
        EXPECT_FALSE(f.core.LoadNext() || f.core.MixNext());
        EXPECT_EQ(f.Holds(Deck::A) + f.Holds(Deck::B), "");
        const std::vector<std::string> tail(f.mci.commands.end() - 3, f.mci.commands.end());
        EXPECT_EQ(tail, (exit ? std::vector<std::string>{"close all", "stop movie", "close movie"}
                              : std::vector<std::string>{"stop movie", "close movie", "close all"}));
    }
    CoreFixture f;
    f.core.ShowAboutBox();
    EXPECT_EQ(f.dialogs.aboutShown, 1);
}
