// The core on fakes: start-up, styles, levels, the play list, decks, cross-fade and cue player.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/PlayListCodec.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

using namespace korvale;
using Commands = std::vector<std::string>;
using Entries = std::vector<std::string>;
using Ints = std::vector<int>;
using Opt = std::optional<std::string>;
using korvale::testing::CoreFixture;
using korvale::testing::WriteBytes;
using std::tuple;

namespace {

constexpr FadeSlider kSliders[] = {FadeSlider::SkipLast, FadeSlider::FadeInThreshold,
                                   FadeSlider::InSpeed, FadeSlider::OutSpeed};

// The four settings the cross-fade reads, in kSliders order.
Ints Settings(const Korvale& core) {
    const MixStyleSettings& s = core.Settings();
    return {s.SkipLastSeconds(), s.FadeInThreshold(), s.InSpeed(), s.OutSpeed()};
}
// Each slider's position and label ("?" before one was written), in kSliders order.
std::string Shown(const Korvale& core) {
    std::string shown;
    for (const FadeSlider s : kSliders)
        shown += std::to_string(core.Settings().Position(s)) + " " +
                 core.Settings().Label(s).value_or("?") + "|";
    return shown;
}
Entries Sorted(Entries entries) {
    std::sort(entries.begin(), entries.end());
    return entries;
}

constexpr char kSong[] = "/music/Song One.mp3", kOther[] = "/music/Other.mp3";

struct Decks : CoreFixture {
    Decks() {
        AddClip(kSong, 200.0);
        AddClip(kOther, 100.0);
    }
    // Puts `path` (none when empty) on `deck`, playing or not.
    void Put(Deck deck, const char* path, bool playing = false) {
        if (*path == '\0')
            return;
        core.Decks().LoadClipOnDeck(path, deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2,
                                    0.0);
        if (playing)
            core.Decks().PlayDeck(deck);
    }
};

struct Mixing : CoreFixture {
    // "a" on deck 1 at full level and playing, "b" on deck 2 at the load position.
    Mixing() {
        Gather({"/a.mp3", "/b.mp3", "/c.mp3"});
        Select(0);
        Select(1);
        core.Decks().FaderMovedByUser(Deck::A, 0);
        core.OnVScroll();
        core.Decks().PlayDeck(Deck::A);
    }
    bool Fading() const { return core.Fade().Phase() == MixPhase::Fading; }
    // Fade steps until the cross-fade ends (at most `limit`); returns how many ran.
    int Steps(int limit = 1000) {
        int steps = 0;
        for (; Fading() && steps < limit; ++steps)
            core.OnTimer(TimerId::Fade);
        return steps;
    }
    tuple<int, int> Faders() const {
        return {core.Decks().FaderPosition(Deck::A), core.Decks().FaderPosition(Deck::B)};
    }
};

constexpr char kClip[] = "/music/Cue Me.mp3";
const Commands kClose{"pause movie", "stop movie", "close movie", "close all"};

struct Cue : CoreFixture {
    // kClip on deck 1, stopped, cued; the device says it is 5 s long.
    explicit Cue(double clipSeconds = 5.0) {
        Gather({kClip}, clipSeconds);
        Select(0);
        mci.replies["status movie length"] = "5000";
        mci.commands.clear();
        core.Cue().CueFromDeck(Deck::A);
    }
};

} // namespace

TEST(CoreStart, SlidersShowTheStartSpeedsThenTheFirstStyleIsApplied) {
    CoreFixture f(false);
    f.core.Settings().SetUpSliders();
    EXPECT_EQ(Shown(f.core), "5 ?|5 ?|40 In Speed 40|2 Out Speed 2|");
    CoreFixture started(false);
    started.core.Start("/start/folder", true);
    EXPECT_EQ(Settings(started.core), (Ints{4, 400, 40, 2}));
    EXPECT_EQ(Shown(started.core),
              "4 Skip the last 4 seconds|400 -4 db|40 In Speed 40|2 Out Speed 2|");
    EXPECT_EQ(started.core.Decks().FaderPosition(Deck::A), 9000);
    EXPECT_EQ(started.core.AppDirectory(), "/start/folder/");
    EXPECT_EQ(started.dialogs.messages.size(), 0u);
    EXPECT_EQ(started.host.timers, (std::map<TimerId, int>{})) << "nothing loaded: the tick rests";
    CoreFixture noMixer(false);
    noMixer.devices.mixerOpens = false;
    noMixer.core.Start("/start/folder", false);
    EXPECT_EQ(noMixer.dialogs.messages.at(0).text, "Mixer Not Opened");
    EXPECT_EQ(noMixer.dialogs.messages[0].caption, "Error!");
}

TEST(CoreStart, TheTickRunsOnlyWhileItCouldAct) {
    struct Row {
        const char* name;
        std::function<void(CoreFixture&)> wake;
        std::function<void(CoreFixture&)> rest;
    };
    const Row rows[] = {
        {"a deck holds a clip",
         [](CoreFixture& f) { f.core.Decks().LoadClipOnDeck(kSong, DeckChoice::Deck2, 0.0); },
         [](CoreFixture& f) { f.core.Decks().CloseDeck(Deck::B); }},
        {"MIX NEXT down", [](CoreFixture& f) { f.core.SetMixNext(true); },
         [](CoreFixture& f) { f.core.SetMixNext(false); }},
        {"the cue player open", [](CoreFixture& f) { f.core.Cue().LoadCueClip(kSong); },
         [](CoreFixture& f) { f.core.Cue().CloseCuePlayer(); }},
        {"a cross-fade runs with its decks closed",
         [](CoreFixture& f) {
             f.core.Decks().LoadClipOnDeck(kSong, DeckChoice::Deck1, 0.0);
             f.core.Fade().Mix();
             f.core.Decks().CloseDeck(Deck::A);
         },
         [](CoreFixture& f) { f.core.Fade().Mix(); }},
    };
    const std::map<TimerId, int> resting;
    const std::map<TimerId, int> ticking{{TimerId::Tick, Korvale::kTickPeriodMs}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoreFixture f(false);
        f.AddClip(kSong, 100.0);
        f.mci.replies["status movie length"] = "100000";
        f.core.Start("/start/folder", true);
        row.wake(f);
        f.host.timers.erase(TimerId::Fade);
        EXPECT_EQ(f.host.timers, ticking);
        f.core.OnTimer(TimerId::Tick); // a tick changes nothing that lets it rest
        f.host.timers.erase(TimerId::Fade);
        EXPECT_EQ(f.host.timers, ticking);
        row.rest(f);
        EXPECT_EQ(f.host.timers, resting);
    }
}

TEST(CoreMixStyles, PresetsSetEverythingCustomAndNoSelectionKeepHandSetValues) {
    const Ints hand{12, 2550, 123, 7};
    for (int index = -1; index <= 8; ++index) {
        SCOPED_TRACE("style " + std::to_string(index));
        CoreFixture f;
        for (std::size_t i = 0; i < 4; ++i)
            f.core.Settings().SliderMovedByUser(kSliders[i], hand[i]);
        f.core.OnHScroll();
        f.core.Settings().WaitBoxToggledByUser(false);
        f.core.Settings().StyleChosenByUser(index);
        const Ints settings = Settings(f.core);
        const bool preset = index >= 0 && index < 7;
        auto n = [&](std::size_t i) { return std::to_string(settings[i]); };
        EXPECT_EQ(settings != hand, preset);
        EXPECT_EQ(Shown(f.core), n(0) + " Skip the last " + n(0) + " seconds|" + n(1) + " -" +
                                     std::to_string(settings[1] / 100) + " db|" + n(2) +
                                     " In Speed " + n(2) + "|" + n(3) + " Out Speed " + n(3) + "|");
        const MixStyleSettings& s = f.core.Settings();
        EXPECT_EQ(s.WaitBoxChecked(), preset);
        EXPECT_EQ(s.ThresholdEnabled(), preset);
        EXPECT_EQ(s.WaitForFadeIn(), preset);
    }
    CoreFixture f;
    f.core.Settings().StyleChosenByUser(1);
    EXPECT_EQ(Settings(f.core), (Ints{2, 200, 500, 90}));
}

TEST(CoreMixStyles, TheWaitBoxCheckedAgainWaitsAndTheEndOfAMixTakesTheThreshold) {
    CoreFixture f;
    f.core.Settings().WaitBoxToggledByUser(false);
    f.core.Settings().WaitBoxToggledByUser(true);
    EXPECT_TRUE(f.core.Settings().ThresholdEnabled());
    EXPECT_TRUE(f.core.Settings().WaitForFadeIn());
    f.core.Settings().SliderMovedByUser(FadeSlider::FadeInThreshold, 1500);
    f.core.Fade().EndOfMix();
    EXPECT_EQ(f.core.Settings().FadeInThreshold(), 1500);
}

TEST(CoreStart, EachChangeIsToldToTheFrontEnd) {
    struct Row {
        const char* name;
        CorePart part;
        std::function<void(CoreFixture&)> change;
    };
    const Row rows[] = {
        {"a fader set", CorePart::Decks,
         [](CoreFixture& f) { f.core.Decks().SetFaderPosition(Deck::B, 1234); }},
        {"a deck played", CorePart::OnAir,
         [](CoreFixture& f) { f.core.Decks().PlayDeck(Deck::A); }},
        {"a deck stopped", CorePart::OnAir,
         [](CoreFixture& f) { f.core.Decks().StopDeck(Deck::B); }},
        {"a deck closed", CorePart::OnAir,
         [](CoreFixture& f) { f.core.Decks().CloseDeck(Deck::A); }},
        {"LOAD NEXT", CorePart::Toggles, [](CoreFixture& f) { f.core.SetLoadNext(true); }},
        {"MIX NEXT", CorePart::Toggles, [](CoreFixture& f) { f.core.SetMixNext(true); }},
        {"the status", CorePart::Status, [](CoreFixture& f) { f.core.SetStatus("x"); }}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoreFixture f;
        f.host.changes.clear();
        row.change(f);
        EXPECT_EQ(std::count(f.host.changes.begin(), f.host.changes.end(), row.part), 1);
    }
}

TEST(CoreLevels, StartReadsDevicesMixerNamesAndLevelsWhereTheDevicesAllowIt) {
    struct Row {
        const char* name;
        int waveOuts;
        int auxes;
        std::vector<std::string> mixers;
        std::optional<bool> waveCaps;
        std::optional<bool> auxCaps;
        bool master;
        bool cue;
        Opt masterName;
        Opt cueName;
        int level;
        int mic;
    };
    const Row rows[] = {
        {"no output device", 0, 2, {}, true, true, false, false, {}, {}, 30536, 64536},
        {"levels not settable", 1, 2, {"Only"}, false, std::nullopt, true, false, "Only", {}, 1, 1},
        {"no aux device", 1, 0, {"Only"}, false, true, true, false, "Only", {}, 1, 1},
        {"two mixers", 2, 2, {"Main", "Phones"}, {}, false, true, true, "Main", "Phones", 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoreFixture f(false);
        f.devices.waveOuts = row.waveOuts;
        f.devices.auxes = row.auxes;
        f.devices.mixerNames = row.mixers;
        f.devices.waveOutCaps = row.waveCaps;
        f.devices.waveOutLevel = ChannelVolumes{40000, 30000};
        f.devices.auxLevels[0] = ChannelVolumes{1000, 1000};
        f.devices.auxCaps[0] = row.auxCaps;
        f.core.Start("/start", false);
        const OutputLevels& levels = f.core.Levels();
        EXPECT_EQ(levels.MasterCaptionEnabled(), row.master);
        EXPECT_EQ(levels.CueCaptionEnabled(), row.cue);
        if (row.master) {
            EXPECT_EQ(f.dialogs.messages.size(), 0u);
        } else {
            ASSERT_EQ(f.dialogs.messages.size(), 1u);
            EXPECT_EQ(f.dialogs.messages[0].text,
                      "KORVALE needs one or more audio devices to work with");
            EXPECT_EQ(f.dialogs.messages[0].caption, "Audio Device(s) Not found");
        }
        EXPECT_EQ(levels.MasterCaption(), row.masterName);
        EXPECT_EQ(levels.CueCaption(), row.cueName);
        EXPECT_EQ(levels.MasterPosition(), row.level);
        EXPECT_EQ(levels.MasterLabel(), row.level > 1 ? Opt("-41 db") : Opt());
        EXPECT_EQ(levels.MicPosition(), row.mic);
        EXPECT_EQ(levels.MicButtonEnabled(), row.mic > 1);
    }
}

TEST(CoreLevels, MovesWriteBothChannelsAndTheMicOnlyWhileItsPanelIsShown) {
    CoreFixture f;
    OutputLevels& levels = f.core.Levels();
    levels.MasterMovedByUser(7281);
    levels.MicMovedByUser(65000);
    f.core.OnVScroll();
    EXPECT_EQ(f.devices.waveOutWrites.size(), 1u);
    EXPECT_EQ(f.devices.auxWrites.size(), 0u);
    EXPECT_EQ(levels.MasterLabel(), "-10 db");
    EXPECT_EQ(f.devices.waveOutWrites.at(0).left, 58255);
    EXPECT_EQ(f.devices.waveOutWrites[0].right, 58255);
    // The panel shown: the mic level is read, and written to the other device on a move.
    levels.TalkOverToggledByUser(true);
    f.devices.auxLevels[0] = ChannelVolumes{65535, 65535};
    levels.MicButtonToggledByUser(true);
    EXPECT_EQ(levels.MicButtonCaption(), "MIC ON");
    EXPECT_FALSE(levels.TalkOverChecked());
    EXPECT_EQ(levels.MicPosition(), 1);
    levels.MicMovedByUser(1457);
    f.core.OnVScroll();
    EXPECT_EQ(f.devices.auxWrites.size(), 1u);
    EXPECT_EQ(f.devices.auxWrites.at(0).first, 1);
    EXPECT_EQ(levels.MicLabel(), "-2 db");
    EXPECT_EQ(f.devices.auxWrites[0].second.left, 64079);
    EXPECT_EQ(f.devices.auxWrites[0].second.right, 64079);
}

TEST(CorePlayList, GatherFollowsTheFilterAsksBeforeClearingAndCancelChangesNothing) {
    korvale::testing::TempDir dir;
    for (const char* name : {"a.mp3", "B.MP3", "c.wav", "d.flac", "e.Ogg", "f.opus"})
        WriteBytes(dir.file(name), "");
    std::filesystem::create_directory(dir.file("sub"));
    WriteBytes(dir.file("sub/z.mp3"), ""); // a subfolder is not searched
    WriteBytes(dir.file("l.ztl"), EncodeZtl({"/x.mp3", "/y.mp3"}));
    WriteBytes(dir.file("l.m3u"), EncodePlainList({"/x.mp3", "/y.mp3"}));
    const Entries mp3{dir.file("B.MP3"), dir.file("a.mp3")}, lists{"/x.mp3", "/y.mp3"},
        wav{dir.file("c.wav")},
        clips{dir.file("B.MP3"), dir.file("a.mp3"), dir.file("d.flac"), dir.file("e.Ogg"),
              dir.file("f.opus")};
    struct Row {
        const char* file;
        int filter;
        Entries found;
        MessageAnswer answer;
        const char* status;
    };
    const Row rows[] = {
        {"c.wav", 1, mp3, MessageAnswer::Yes, "2 new audio file(s) loaded - Total 2. "},
        {"a.mp3", 2, wav, MessageAnswer::No, "1 new audio file(s) loaded - Total 2. "},
        {"c.wav", 5, clips, MessageAnswer::No, "5 new audio file(s) loaded - Total 6. "},
        {"l.ztl", 3, lists, MessageAnswer::Yes, "New Clips Loaded: 2, Total: 2"},
        {"l.m3u", 4, lists, MessageAnswer::No, "New Clips Loaded: 2, Total: 3"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        CoreFixture f;
        f.core.Store().List().Append("/o1.mp3"); // one is enough to ask
        f.dialogs.answers.push_back(row.answer);
        f.dialogs.openChoices.push_back({dir.file(row.file), row.filter});
        f.core.Store().GatherClips();
        EXPECT_EQ(f.dialogs.messages.at(0).text, "Clear 1 clips and empty the Play List?");
        EXPECT_EQ(f.dialogs.messages[0].buttons, MessageButtons::YesNo);
        const bool kept = row.answer == MessageAnswer::No;
        const Entries all = f.core.List().Entries();
        EXPECT_EQ(Sorted(Entries(all.begin() + (kept ? 1 : 0), all.end())), row.found);
        const int total = static_cast<int>(row.found.size()) + (kept ? 1 : 0);
        EXPECT_EQ(f.core.StatusText(), row.status);
        std::string shownWhileOpen;
        f.dialogs.whileOpen = [&] { shownWhileOpen = f.core.StatusText(); };
        f.core.Store().GatherClips(); // cancelled: no question, nothing gathered, no status
        EXPECT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.core.List().Count(), total);
        EXPECT_EQ(f.core.StatusText(), "");
        // The dialog opened on the file chosen last, over the searching text.
        EXPECT_EQ(f.dialogs.openRequests.back().initialFile, dir.file(row.file));
        EXPECT_EQ(shownWhileOpen, "Searching for valid audio files...");
    }
}

TEST(CorePlayList, GatherCountsRefusedLongPathsAndReportsListingErrors) {
    korvale::testing::TempDir dir;
    const std::string folder = dir.file(std::string(220 - dir.path().size(), 'd'));
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "/a.mp3", "");
    WriteBytes(folder + "/" + std::string(60, 'n') + ".mp3", "");
    CoreFixture f;
    f.dialogs.openChoices.push_back({folder + "/a.mp3", 1});
    f.core.Store().GatherClips();
    EXPECT_EQ(f.core.List().Entries(), Entries{folder + "/a.mp3"});
    EXPECT_EQ(f.core.StatusText(),
              "1 new audio file(s) loaded - Total 1. 1 skipped: path longer than 255 characters. ");
    f.dialogs.openChoices.push_back({dir.file("gone/a.mp3"), 1});
    f.dialogs.answers.push_back(MessageAnswer::No);
    f.core.Store().GatherClips();
    EXPECT_EQ(f.core.StatusText().rfind("Folder listing failed: No such file", 0), 0u);
    EXPECT_EQ(f.core.List().Count(), 1);
}

TEST(CorePlayList, SavedFilesReadBackAppendingAndRefusedEntriesSaveNothing) {
    korvale::testing::TempDir dir;
    struct Row {
        int filter;
        const char* bad;
        const char* reason;
    };
    const Row rows[] = {{1, "/say \"hi\".mp3", "Entry 2 holds a double quote"},
                        {2, "/two\nlines.mp3", "Entry 2 holds a line break, "},
                        {3, "/two\rlines.mp3", "Entry 2 holds a line break, "}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        CoreFixture f;
        const std::string path = dir.file("saved" + std::to_string(row.filter));
        auto read = [&] {
            return row.filter == 1 ? f.core.Files().ReadZtlFile(path)
                                   : f.core.Files().ReadM3uFile(path);
        };
        f.Gather({"/a b.mp3", "/c.mp3"});
        f.dialogs.saveChoices.push_back({path, row.filter});
        f.core.Files().SavePlayList();
        EXPECT_EQ(f.core.StatusText(), "Play List Saved");
        EXPECT_EQ(read(), PlayListFiles::kRead);
        EXPECT_EQ(f.core.List().Entries(), (Entries{"/a b.mp3", "/c.mp3", "/a b.mp3", "/c.mp3"}));
        EXPECT_EQ(f.core.StatusText(), "New Clips Loaded: 2, Total: 4");
        // An entry the format cannot hold: told, and the earlier file stays as it was.
        f.core.Store().List().ReplaceAll({"/a.mp3", row.bad});
        EXPECT_EQ(f.core.Files().WritePlayListFile(path, row.filter), PlayListFiles::kNotWritten);
        EXPECT_EQ(f.dialogs.messages.at(0).caption, "KORVALE couldn't save the play list");
        EXPECT_EQ(f.dialogs.messages[0].text.substr(0, 28), row.reason);
        f.core.Store().List().Clear();
        EXPECT_EQ(read(), PlayListFiles::kRead);
        EXPECT_EQ(f.core.List().Entries(), (Entries{"/a b.mp3", "/c.mp3"}));
    }
    CoreFixture f; // a cut-off play list: its unclosed last entry is skipped and counted
    WriteBytes(dir.file("cut.ztl"), EncodeZtl({"/ok.mp3"}) + "\"/cut.mp3");
    const int got = f.core.Files().ReadZtlFile(dir.file("cut.ztl"));
    EXPECT_EQ(got, 0);
    EXPECT_EQ(f.core.List().Entries(), Entries{"/ok.mp3"});
    EXPECT_EQ(f.core.StatusText(),
              "New Clips Loaded: 1, Total: 1. Last entry skipped: no closing quote");
    EXPECT_EQ(f.core.Files().WritePlayListFile("/" + std::string(300, 'x') + ".ztl", 1),
              PlayListFiles::kNotWritten);
    EXPECT_EQ(f.dialogs.messages.at(0).caption,
              "KORVALE couldn't create out file"); // a name too long is told
}

TEST(CorePlayList, ShuffleReleasesTogglesSelectsNothingAndTells) {
    for (const Entries& entries : {Entries{}, Entries{"/0.mp3", "/1.mp3", "/2.mp3"}}) {
        SCOPED_TRACE(std::to_string(entries.size()) + " entries");
        CoreFixture f;
        f.Gather(entries);
        f.core.Store().List().Select(static_cast<int>(entries.size()) - 1);
        f.core.SetLoadNext(true);
        f.core.SetMixNext(true);
        f.core.Shuffler().ShufflePlayList();
        EXPECT_EQ(Sorted(f.core.List().Entries()), entries);
        EXPECT_EQ(f.core.List().SelectedIndex(), -1);
        EXPECT_FALSE(f.core.LoadNext());
        EXPECT_FALSE(f.core.MixNext());
        EXPECT_EQ(f.core.StatusText(), "Ready");
        EXPECT_EQ(f.host.busy, 0);
        EXPECT_EQ(f.dialogs.messages.size(), entries.empty() ? 0u : 1u);
        if (!entries.empty())
            EXPECT_EQ(f.dialogs.messages.at(0).caption + ": " + f.dialogs.messages[0].text,
                      "Shuffled OK: Load Next & Mix Next are ubchecked\n"
                      "Please select the next theme\n[ 3 themes suffled ]");
    }
}

TEST(CorePlayList, DeleteDropsTheSelectedEntryAndLoadsTheNextOrDoesNothing) {
    CoreFixture f;
    f.Gather({"/0.mp3", "/1.mp3"});
    f.core.SetStatus("x");
    f.core.Store().RemoveSelectedClip(); // nothing selected: nothing changes
    EXPECT_EQ(f.core.List().Count(), 2);
    EXPECT_EQ(f.core.StatusText(), "x");
    f.core.Store().List().Select(0);
    f.core.Store().RemoveSelectedClip();
    EXPECT_EQ(f.core.List().Entries(), Entries{"/1.mp3"});
    EXPECT_EQ(f.Holds(Deck::A), "/1.mp3");
}

TEST(CorePlayList, AdvanceSelectsTheNextEntryWrappingAndLoadsIt) {
    struct Row {
        const char* name;
        Entries entries;
        int selected;
        int next;
        const char* loaded;
    };
    const Entries three{"/0.mp3", "/1.mp3", "/2.mp3"};
    const Row rows[] = {{"the first of three", three, 0, 1, "/1.mp3"},
                        {"the last of three", three, 2, 0, "/0.mp3"},
                        {"the only one", {"/0.mp3"}, 0, 0, "/0.mp3"},
                        {"none selected", three, -1, -1, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoreFixture f;
        f.Gather(row.entries);
        f.core.Store().List().Select(row.selected);
        f.core.Shuffler().AdvancePlayList();
        EXPECT_EQ(f.core.List().SelectedIndex(), row.next);
        EXPECT_EQ(f.Holds(Deck::A), row.loaded);
    }
}

TEST(CoreDecks, ChoiceCodesAndTheTakeOverOfAStoppedDeck) {
    struct Row {
        const char* name;
        const char* a;
        bool aPlays;
        const char* b;
        bool bPlays;
        DeckChoice choice;
        const char* aAfter;
        const char* bAfter;
    };
    const Row rows[] = {
        {"both empty", "", false, "", false, DeckChoice::BothEmpty, "", ""},
        {"2 loaded", "", false, kOther, false, DeckChoice::Deck1, "", kOther},
        {"1 playing", kSong, true, "", false, DeckChoice::Deck2, kSong, ""},
        {"both stopped", kSong, false, kOther, false, DeckChoice::Deck1, "", kOther},
        {"1 playing, 2 stopped", kSong, true, kOther, false, DeckChoice::Deck2, kSong, ""},
        {"1 stopped, 2 playing", kSong, false, kOther, true, DeckChoice::Deck1, "", kOther},
        {"both playing", kSong, true, kOther, true, DeckChoice::BothPlaying, kSong, kOther}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Decks f;
        f.Put(Deck::A, row.a, row.aPlays);
        f.Put(Deck::B, row.b, row.bPlays);
        EXPECT_EQ(f.core.Decks().ChooseDeck(), row.choice);
        EXPECT_EQ(f.Holds(Deck::A), row.aAfter);
        EXPECT_EQ(f.Holds(Deck::B), row.bAfter);
        f.core.Store().List().Append(kSong);
        f.Select(0); // nothing loads while both play
        if (row.choice == DeckChoice::BothPlaying)
            EXPECT_EQ(f.core.StatusText(), "Both players are playing - clip not loaded");
    }
}

TEST(CoreDecks, LoadIsQuietStoppedAndStartsAtItsOwnStartPoint) {
    Decks f;
    f.core.Decks().SetFaderPosition(Deck::B, 1234);
    f.Gather({kOther, kSong});
    f.Select(1);
    EXPECT_EQ(f.Holds(Deck::A), kSong);
    EXPECT_EQ(f.core.Decks().FaderPosition(Deck::A), 8500);
    EXPECT_EQ(f.core.Decks().FaderLabel(Deck::A), "-85db");
    EXPECT_EQ(f.deck1.Volume(), -8500);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Stopped);
    EXPECT_EQ(f.core.Decks().FaderPosition(Deck::B), 1234);
    // A cue point as start, then a plain load on the same deck: each load sets its start.
    struct Row {
        const char* path;
        double start;
        const char* seek;
    };
    for (const Row row : {Row{kOther, 42.5, "seek 42.500000"}, Row{kSong, 0.0, "seek 0.000000"}}) {
        SCOPED_TRACE(row.path);
        f.core.Decks().LoadClipOnDeck(row.path, DeckChoice::Deck2, row.start);
        const Entries& calls = f.deck2.Calls();
        EXPECT_EQ(Entries(calls.end() - 2, calls.end()),
                  (Entries{std::string("open ") + row.path, row.seek}));
        EXPECT_EQ(f.core.Decks().Player(Deck::B).GetCurrentPosition(), row.start);
    }
}

TEST(CoreDecks, UserFaderMovesSetLabelVolumeAndCloseNearTheBottom) {
    struct Row {
        int position;
        const char* label;
        bool closes;
    };
    for (const Row row :
         {Row{0, "-0 db", false}, Row{4321, "-43 db", false}, Row{8749, "-87 db", false},
          Row{8750, "-87 db", true}, Row{9000, "-90 db", true}}) {
        SCOPED_TRACE("fader at " + std::to_string(row.position));
        Decks f;
        f.Put(Deck::A, kSong, true);
        f.Put(Deck::B, kOther);
        f.core.Decks().FaderMovedByUser(Deck::A, row.position);
        f.core.Decks().FaderMovedByUser(Deck::B, 100);
        f.deck1.SetPosition(65.0);
        f.core.OnTimer(TimerId::Tick);
        const DeckTimes& times = f.core.Decks().Times(Deck::A);
        EXPECT_EQ(times.elapsed, "00:01:05:00");
        EXPECT_EQ(times.time, "00:03:20:00");
        EXPECT_EQ(times.remain, "00:02:15:00");
        f.core.OnVScroll();
        EXPECT_EQ(f.core.Decks().FaderLabel(Deck::A), row.label);
        EXPECT_EQ(f.deck1.Volume(), -row.position);
        EXPECT_EQ(f.deck2.Volume(), -100);
        EXPECT_EQ(f.Holds(Deck::A), row.closes ? "" : kSong);
        EXPECT_EQ(f.Holds(Deck::B), kOther);
        EXPECT_EQ(times.elapsed, row.closes ? "00:00:00:00" : "00:01:05:00");
        f.core.Decks().ShowDeckClipName(Deck::A);
        EXPECT_EQ(f.core.StatusText(), row.closes ? "" : "Player 1: Song One");
        f.deck1.close(); // closed under the deck: the next tick shows no times
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(times.elapsed, "00:00:00:00");
    }
}

TEST(CoreCrossFade, DirectionFollowsOpenAndPlayStates) {
    struct Row {
        const char* name;
        int a; // 0 empty, 1 loaded, 2 playing
        int b;
        MixDirection direction;
        int faderA;
        int faderB;
        const char* status;
    };
    const Row rows[] = {
        {"both empty", 0, 0, MixDirection::None, 9000, 9000, ""},
        {"1 loaded", 1, 0, MixDirection::Into1, 8500, 9000, "MIX 1 -->"},
        {"2 loaded", 0, 1, MixDirection::Into2, 9000, 8500, "MIX 2 -->"},
        {"1 playing, 2 loaded", 2, 1, MixDirection::Into2From1Playing, 8500, 8500, "MIX 2 -->"},
        {"1 loaded, 2 playing", 1, 2, MixDirection::Into1From2Playing, 8500, 8500, "MIX 1 -->"},
        {"both loaded", 1, 1, MixDirection::Into1, 8500, 8500, "MIX 1 -->"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Mixing f;
        f.core.StopEverything();
        for (const auto& [deck, state] : {std::pair(Deck::A, row.a), std::pair(Deck::B, row.b)}) {
            f.core.Decks().SetFaderPosition(deck, 8500);
            if (state > 0)
                f.core.Decks().LoadClipOnDeck("/a.mp3", DeckChoice(DeckNumber(deck)), 0.0);
            if (state > 1)
                f.core.Decks().PlayDeck(deck);
        }
        EXPECT_EQ(f.core.Fade().ChooseMixDirection(), row.direction);
        EXPECT_EQ(f.core.Decks().FaderPosition(Deck::A), row.faderA);
        EXPECT_EQ(f.core.Decks().FaderPosition(Deck::B), row.faderB);
        f.core.Fade().Mix();
        EXPECT_EQ(f.Fading(), row.direction != MixDirection::None);
        EXPECT_EQ(f.host.IsTimerRunning(TimerId::Fade), f.Fading());
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.core.StatusText(), row.status);
    }
}

TEST(CoreCrossFade, WorkedScheduleEndsByClosingTheOutgoingDeckAndLoadNextAdvances) {
    for (const bool loadNext : {false, true}) {
        SCOPED_TRACE(loadNext ? "LOAD NEXT down" : "LOAD NEXT up");
        Mixing f;
        f.core.SetLoadNext(loadNext);
        f.core.Fade().Mix();
        EXPECT_EQ(f.core.Fade().Direction(), MixDirection::Into2From1Playing);
        EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
        f.Steps(1);
        EXPECT_EQ(f.Faders(), tuple(0, 8490));
        EXPECT_EQ(f.deck2.Volume(), -8490);
        EXPECT_EQ(f.core.Decks().FaderLabel(Deck::B), "-84 db");
        f.Steps(19);
        EXPECT_EQ(f.Faders(), tuple(0, 700)); // deck 1 waits for deck 2 to reach -4 db
        f.Steps(1);
        EXPECT_EQ(f.Faders(), tuple(1, 0));
        EXPECT_EQ(f.Steps(), 115 - 21); // 115 steps in all
        EXPECT_EQ(f.core.StatusText() == "", !loadNext);
        EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Fade));
        EXPECT_EQ(f.deck1.Calls().back(), loadNext ? "seek 0.000000" : "stop");
        EXPECT_EQ(f.core.Fade().Direction(), MixDirection::None);
        EXPECT_EQ(f.core.Fade().FadeInStep(), 10);
        EXPECT_EQ(f.core.Fade().FadeOutStep(), 1);
        EXPECT_EQ(f.Faders(), tuple(loadNext ? 8500 : 9000, 0));
        EXPECT_EQ(f.core.List().SelectedIndex(), loadNext ? 2 : 1);
        EXPECT_EQ(f.Holds(Deck::A), loadNext ? "/c.mp3" : "");
        EXPECT_EQ(f.Holds(Deck::B), "/b.mp3");
        if (loadNext)
            EXPECT_EQ(f.core.StatusText(), "c - Loaded on Player 1");
    }
}

TEST(CoreCrossFade, MixWhileFadingEndsItWhereItStandsAndTheWaitBoxShapesTheFade) {
    Mixing f;
    f.core.Fade().Mix();
    f.Steps(5);
    const tuple<int, int> faders = f.Faders();
    f.core.Fade().Mix();
    EXPECT_FALSE(f.Fading());
    EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Fade));
    EXPECT_EQ(f.Faders(), faders);
    EXPECT_EQ(f.Holds(Deck::A), "/a.mp3");
    EXPECT_EQ(f.Holds(Deck::B), "/b.mp3");
    f.core.Settings().WaitBoxToggledByUser(false);
    f.core.Fade().Mix(); // both play: deck 2 comes in again, and deck 1 steps out at once
    f.Steps(2);
    // Steps of 1, then 1 + Out Speed 2.
    EXPECT_EQ(f.core.Decks().FaderPosition(Deck::A), 4);
    EXPECT_EQ(f.deck1.Volume(), -4);
}

TEST(CoreCrossFade, MixNextStartsAtDurationLessSkipLessOneSecond) {
    struct Row {
        const char* name;
        bool mixNext;
        int skip;
        double position;
        bool starts;
    };
    const Row rows[] = {{"skip 4, just before", true, 4, 94.99, false},
                        {"skip 4, at the point", true, 4, 95.0, true},
                        {"MIX NEXT up", false, 4, 99.0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Mixing f;
        f.core.Settings().SliderMovedByUser(FadeSlider::SkipLast, row.skip);
        f.core.OnHScroll();
        f.core.SetMixNext(row.mixNext);
        f.deck1.SetPosition(row.position);
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.Fading(), row.starts);
        EXPECT_EQ(f.deck2.playState(),
                  row.starts ? VoicePlayState::Playing : VoicePlayState::Stopped);
    }
}

TEST(CoreCue, CueingAStoppedDeckClosesThenOpensTheClipAndMixOrLoadCloseIt) {
    Cue f;
    Commands expected = kClose;
    expected.insert(expected.end(),
                    {"open \"/music/Cue Me.mp3\" alias movie ",
                     "set movie time format milliseconds wait", "status movie length"});
    EXPECT_EQ(f.mci.commands, expected);
    const CuePlayer& cue = f.core.Cue();
    EXPECT_EQ(cue.ClipName(), kClip);
    EXPECT_EQ(cue.DurationText(), "00:00:05:00");
    EXPECT_EQ(cue.SliderMinimum(), 0);
    EXPECT_EQ(cue.SliderMaximum(), 5000);
    EXPECT_TRUE(cue.ControlsEnabled());
    EXPECT_EQ(f.core.StatusText(), "Selecting 'Play' the Cue clip will play on the master output");
    EXPECT_EQ(f.host.busy, 0);
    struct Closer {
        const char* name;
        void (*close)(Korvale&);
    };
    const Closer closers[] = {{"M I X", [](Korvale& c) { c.Fade().Mix(); }},
                              {"a load", [](Korvale& c) { c.Store().LoadSelectedClip(); }}};
    for (const Closer& closer : closers) {
        SCOPED_TRACE(closer.name);
        f.core.Cue().ToggleCuePlay();
        f.mci.replies["status movie position"] = "2500";
        f.core.Cue().MarkCueIn();
        f.mci.commands.clear();
        closer.close(f.core);
        EXPECT_EQ(f.mci.commands, kClose);
        EXPECT_EQ(f.core.Cue().CuePointText(), "00:00:00:00");
        EXPECT_EQ(f.core.Cue().PlayCaption(), "Play");
        EXPECT_FALSE(f.core.Cue().Playing());
        EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Cue));
        EXPECT_FALSE(f.core.Cue().ControlsEnabled());
    }
    f.core.Decks().CloseDeck(Deck::B);
    for (const Deck deck : {Deck::A, Deck::B}) { // a playing deck or an empty one is not cued
        SCOPED_TRACE(deck == Deck::A ? "deck 1 playing" : "deck 2 empty");
        f.mci.commands.clear();
        f.core.Cue().CueFromDeck(deck);
        EXPECT_TRUE(f.mci.commands.empty());
    }
}

TEST(CoreCue, MarkInGoToCueAndSetCueReloadTheDeckAtTheCuePoint) {
    Cue f(0.5); // a short clip: dropped when selected, and not dropped when Set Cue reloads it
    f.core.Cue().ToggleCuePlay();
    f.mci.replies["status movie position"] = "3000";
    f.core.OnTimer(TimerId::Cue); // the tick shows where the playing cue stands
    EXPECT_EQ(f.core.Cue().PlayTimeText(), "00:00:03:00");
    f.core.Cue().MarkCueIn();
    EXPECT_EQ(f.core.Cue().CuePointText(), "00:00:03:00");
    f.core.Cue().GoToCuePoint();
    EXPECT_EQ(Commands(f.mci.commands.end() - 2, f.mci.commands.end()),
              (Commands{"seek movie to 3000", "pause movie"}));
    EXPECT_EQ(f.core.Cue().SliderPosition(), 3000);
    EXPECT_EQ(f.host.cueFocus, 1);
    f.core.Store().List().ReplaceAll({kClip}); // the selected entry again
    f.core.Store().List().Select(0);
    f.deck1.ClearCalls();
    f.core.Cue().SetCueOnDecks();
    const Commands reload{std::string("open ") + kClip, "seek 3.000000"};
    EXPECT_EQ(f.deck1.Calls(), reload);
    EXPECT_EQ(f.deck2.Calls().size(), 0u);
    EXPECT_EQ(f.core.List().Count(), 1);
    EXPECT_FALSE(f.core.Cue().ControlsEnabled());
    EXPECT_EQ(f.core.Cue().ClipName(), "");
    f.core.Decks().LoadClipOnDeck(kClip, DeckChoice::Deck2, 0.0); // both decks hold it: both reload
    f.core.Cue().CueFromDeck(Deck::B);
    f.core.Cue().MarkCueIn();
    f.deck1.ClearCalls();
    f.deck2.ClearCalls();
    f.core.Cue().SetCueOnDecks();
    EXPECT_EQ(f.deck1.Calls(), reload);
    EXPECT_EQ(f.deck2.Calls(), reload);
}

TEST(CoreCue, RefusedClipsAreToldAndLeaveTheCuePlayerClosed) {
    const std::string clip = kClip;
    const std::string longPath = "/" + std::string(300, 'l') + ".mp3";
    const std::string noShort = "' name can not converted to short filename";
    const std::string noSize = "Can't read the size of '";
    struct Row {
        const char* name;
        std::string path;
        bool noShortForm;
        const char* length;
        const char* caption;
        std::string text;
    };
    const Row rows[] = {
        {"no short form", clip, true, "5000", "Selected clip will not load",
         "Clip's '" + clip + noShort},
        {"a path too long", longPath, false, "5000", "Selected clip will not load",
         "Clip's '" + longPath + noShort},
        {"length 0", clip, false, "0", "Selected movie not loaded", noSize + clip + "' "}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoreFixture f;
        if (row.noShortForm)
            f.mci.pathsWithoutShortForm.push_back(row.path);
        f.mci.replies["status movie length"] = row.length;
        f.core.Cue().LoadCueClip(row.path);
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.dialogs.messages[0].caption, row.caption);
        EXPECT_EQ(f.dialogs.messages[0].text, row.text);
        EXPECT_FALSE(f.core.Cue().ControlsEnabled());
        EXPECT_EQ(f.core.Cue().DurationText(), "00:00:00:00");
        EXPECT_EQ(f.mci.commands.back(), "close all");
        EXPECT_EQ(f.host.busy, 0);
    }
}
