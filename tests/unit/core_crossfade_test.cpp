// The cross-fade and the cue player through the core: direction, fade steps, the end of a
// mix, MIX NEXT; the cue commands, play/pause, Mark In, GoTo Cue, Set Cue, refused clips.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Commands = std::vector<std::string>;
using std::tuple;

namespace {

struct Mixing : CoreFixture {
    // "a" on deck 1 at full level and playing, "b" on deck 2 at the load position.
    Mixing() {
        Gather({"/a.mp3", "/b.mp3", "/c.mp3"});
        Select(0); Select(1);
        core.Decks().FaderMovedByUser(Deck::A, 0); core.OnVScroll();
        core.Decks().PlayDeck(Deck::A);
    }
    bool Fading() const { return core.Fade().Phase() == MixPhase::Fading; }
    // Fade steps until the cross-fade ends (at most `limit`); returns how many ran.
    int Steps(int limit = 1000) {
        int steps = 0;
        for (; Fading() && steps < limit; ++steps) core.OnTimer(TimerId::Fade);
        return steps;
    }
    tuple<int, int> Faders() const { return {core.Decks().FaderPosition(Deck::A), core.Decks().FaderPosition(Deck::B)}; }
};

constexpr char kClip[] = "/music/Cue Me.mp3";
const Commands kClose{"pause movie", "stop movie", "close movie", "close all"};

struct Cue : CoreFixture {
    // kClip on deck 1, stopped, cued; the device says it is 5 s long.
    explicit Cue(double clipSeconds = 5.0) {
        Gather({kClip}, clipSeconds);
        Select(0); mci.replies["status movie length"] = "5000";
        mci.commands.clear(); core.Cue().CueFromDeck(Deck::A);
    }
    Commands Last(std::size_t n) const { return Commands(mci.commands.end() - n, mci.commands.end()); }
};

} // namespace

TEST(CoreCrossFade, DirectionFollowsOpenAndPlayStates) {
    struct Row { int a, b; MixDirection direction; int faderA, faderB; const char* status; }; // a, b: empty, loaded, playing
    const Row rows[] = {{0, 0, MixDirection::None, 9000, 9000, ""}, {1, 0, MixDirection::Into1, 8500, 9000, "MIX 1 -->"},
                        {0, 1, MixDirection::Into2, 9000, 8500, "MIX 2 -->"},
                        {2, 1, MixDirection::Into2From1Playing, 8500, 8500, "MIX 2 -->"},
                        {1, 2, MixDirection::Into1From2Playing, 8500, 8500, "MIX 1 -->"},
                        {1, 1, MixDirection::Into1, 8500, 8500, "MIX 1 -->"}};
    for (const Row& row : rows) {
        Mixing f;
        f.core.StopEverything();
        for (const auto& [deck, state] : {std::pair(Deck::A, row.a), std::pair(Deck::B, row.b)}) {
            f.core.Decks().SetFaderPosition(deck, 8500);
            if (state > 0) f.core.Decks().LoadClipOnDeck("/a.mp3", DeckChoice(DeckNumber(deck)), 0.0);
            if (state > 1) f.core.Decks().PlayDeck(deck);
        }
        const MixDirection direction = f.core.Fade().ChooseMixDirection();
        EXPECT_EQ(tuple(direction, f.Faders()), tuple(row.direction, tuple(row.faderA, row.faderB)));
        f.core.Fade().Mix();
        EXPECT_EQ(tuple(f.Fading(), f.host.IsTimerRunning(TimerId::Fade)), tuple(row.direction != MixDirection::None, f.Fading()));
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.core.StatusText(), row.status);
    }
}

TEST(CoreCrossFade, WorkedScheduleEndsByClosingTheOutgoingDeckAndLoadNextAdvances) {
    for (const bool loadNext : {false, true}) {
        Mixing f;
        f.core.SetLoadNext(loadNext); f.core.Fade().Mix();
        EXPECT_EQ(tuple(f.core.Fade().Direction(), f.deck2.playState()),
                  tuple(MixDirection::Into2From1Playing, VoicePlayState::Playing));
        f.Steps(1);
        EXPECT_EQ(tuple(f.Faders(), f.deck2.Volume(), f.core.Decks().FaderLabel(Deck::B)),
                  tuple(tuple(0, 8490), -8490, "-84 db"));
        f.Steps(19);
        EXPECT_EQ(f.Faders(), tuple(0, 700)); // deck 1 waits for deck 2 to reach -4 db
        f.Steps(1);
        EXPECT_EQ(f.Faders(), tuple(1, 0));
        EXPECT_EQ(21 + f.Steps(), 115);
        EXPECT_EQ(tuple(f.core.StatusText() == "", f.host.IsTimerRunning(TimerId::Fade), f.deck1.Calls().back()),
                  tuple(!loadNext, false, loadNext ? "seek 0.000000" : "stop"));
        EXPECT_EQ(tuple(f.core.Fade().Direction(), f.core.Fade().FadeInStep(), f.core.Fade().FadeOutStep()),
                  tuple(MixDirection::None, 10, 1));
        EXPECT_EQ(f.Faders(), tuple(loadNext ? 8500 : 9000, 0));
        EXPECT_EQ(tuple(f.core.List().SelectedIndex(), f.Holds(Deck::A), f.Holds(Deck::B)),
                  tuple(loadNext ? 2 : 1, loadNext ? "/c.mp3" : "", "/b.mp3"));
        if (loadNext) EXPECT_EQ(f.core.StatusText(), "c - Loaded on Player 1");
    }
}

TEST(CoreCrossFade, MixWhileFadingEndsItWhereItStandsAndTheWaitBoxShapesTheFade) {
    Mixing f;
    f.core.Fade().Mix(); f.Steps(5);
    const tuple<int, int> faders = f.Faders();
    f.core.Fade().Mix();
    EXPECT_FALSE(f.Fading() || f.host.IsTimerRunning(TimerId::Fade));
    EXPECT_EQ(tuple(f.Faders(), f.Holds(Deck::A), f.Holds(Deck::B)), tuple(faders, "/a.mp3", "/b.mp3"));
    f.core.Settings().WaitBoxToggledByUser(false);
    f.core.Fade().Mix(); // both play: deck 2 comes in again, and deck 1 steps out at once
    f.Steps(2);
    EXPECT_EQ(tuple(std::get<0>(f.Faders()), f.deck1.Volume()), tuple(1 + 3, -4)); // steps of 1, then 1 + Out Speed 2
}

TEST(CoreCrossFade, MixNextStartsAtDurationLessSkipLessOneSecond) {
    struct Row { bool mixNext; int skip; double position; bool starts; };
    for (const Row& row : {Row{true, 4, 94.99, false}, Row{true, 4, 95.0, true}, Row{true, 0, 98.99, false},
                           Row{true, 0, 99.0, true}, Row{false, 4, 99.0, false}}) {
        Mixing f;
        f.core.Settings().SliderMovedByUser(FadeSlider::SkipLast, row.skip);
        f.core.OnHScroll(); f.core.SetMixNext(row.mixNext);
        f.deck1.SetPosition(row.position); f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(tuple(f.Fading(), f.deck2.playState()), tuple(row.starts, row.starts ? VoicePlayState::Playing : VoicePlayState::Stopped));
    }
}


TEST(CoreCue, CueingAStoppedDeckClosesThenOpensTheClipAndMixOrLoadCloseIt) {
    Cue f;
    Commands expected = kClose;
    expected.insert(expected.end(), {"open \"/music/Cue Me.mp3\" alias movie ",
                                     "set movie time format milliseconds wait", "status movie length"});
    EXPECT_EQ(f.mci.commands, expected);
    const CuePlayer& cue = f.core.Cue();
    EXPECT_EQ(tuple(cue.ClipName(), cue.DurationText(), cue.SliderMinimum(), cue.SliderMaximum(), cue.ControlsEnabled()),
              tuple(kClip, "00:00:05:00", 0, 5000, true));
    EXPECT_EQ(tuple(f.core.StatusText(), f.host.busy), tuple("Selecting 'Play' the Cue clip will play on the master output", 0));
    for (const auto close : {+[](Korvale& c) { c.Fade().Mix(); }, +[](Korvale& c) { c.Store().LoadSelectedClip(); }}) {
        f.core.Cue().ToggleCuePlay(); f.mci.replies["status movie position"] = "2500";
        f.core.Cue().MarkCueIn(), f.mci.commands.clear();
        close(f.core);
        EXPECT_EQ(tuple(f.mci.commands, f.core.Cue().CuePointText()), tuple(kClose, "00:00:00:00"));
        EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Cue) || f.core.Cue().ControlsEnabled());
    }
    f.core.Decks().CloseDeck(Deck::B);
    for (const Deck deck : {Deck::A, Deck::B}) { // a playing deck or an empty one is not cued
        f.mci.commands.clear(); f.core.Cue().CueFromDeck(deck);
        EXPECT_TRUE(f.mci.commands.empty());
    }
}

TEST(CoreCue, PlayPauseTogglesTheCueTimerAndTheTickFollowsThePosition) {
    Cue f;
    f.core.Cue().ToggleCuePlay();
    EXPECT_EQ(tuple(f.mci.commands.back(), f.host.timers.at(TimerId::Cue), f.core.Cue().PlayCaption()),
              tuple("play movie", 39, "Stop"));
    f.mci.replies["status movie position"] = "2500"; f.core.OnTimer(TimerId::Cue);
    EXPECT_EQ(tuple(f.core.Cue().SliderPosition(), f.core.Cue().PlayTimeText()), tuple(2500, "00:00:02:12"));
    for (const auto pause : {+[](Korvale& c) { c.Cue().ToggleCuePlay(); }, // the slider moved while playing pauses
                             +[](Korvale& c) { c.Cue().SliderMovedByUser(1000), c.OnHScroll(); }}) {
        if (!f.core.Cue().Playing()) f.core.Cue().ToggleCuePlay();
        pause(f.core);
        EXPECT_EQ(tuple(f.mci.commands.back(), f.core.Cue().PlayCaption()), tuple("pause movie", "Play"));
        EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Cue) || f.core.Cue().TimerRunning());
    }
}

TEST(CoreCue, MarkInGoToCueAndSetCueReloadTheDeckAtTheCuePoint) {
    Cue f(0.5); // a short clip: dropped when selected, and not dropped when Set Cue reloads it
    f.core.Cue().ToggleCuePlay(); f.mci.replies["status movie position"] = "3000";
    f.core.Cue().MarkCueIn();
    EXPECT_EQ(f.core.Cue().CuePointText(), "00:00:03:00");
    f.core.Cue().GoToCuePoint();
    EXPECT_EQ(f.Last(2), (Commands{"seek movie to 3000", "pause movie"}));
    EXPECT_EQ(tuple(f.core.Cue().SliderPosition(), f.host.cueFocus), tuple(3000, 1));
    f.core.Store().List().ReplaceAll({kClip}); // the selected entry again
    f.core.Store().List().Select(0); f.deck1.ClearCalls();
    f.core.Cue().SetCueOnDecks();
    EXPECT_EQ(f.deck1.Calls(), (Commands{std::string("open ") + kClip, "seek 3.000000"}));
    EXPECT_EQ(tuple(f.deck2.Calls().size(), f.core.List().Count(), f.core.Cue().ControlsEnabled(), f.core.Cue().ClipName()),
              tuple(0u, 1, false, ""));
}

TEST(CoreCue, RefusedClipsAreToldAndLeaveTheCuePlayerClosed) {
    const std::string clip = kClip, longPath = "/" + std::string(300, 'l') + ".mp3";
    const std::string noShort = "' name can not converted to short filename", noSize = "Can't read the size of '";
    struct Row { std::string path; bool noShortForm; const char* length; const char* caption; std::string text; };
    const Row rows[] = {{clip, true, "5000", "Selected clip will not load", "Clip's '" + clip + noShort},
                        {longPath, false, "5000", "Selected clip will not load", "Clip's '" + longPath + noShort},
                        {clip, false, "", "Selected movie not loaded", noSize + clip + "' "},
                        {clip, false, "0", "Selected movie not loaded", noSize + clip + "' "}};
    for (const Row& row : rows) {
        CoreFixture f;
        if (row.noShortForm) f.mci.pathsWithoutShortForm.push_back(row.path);
        f.mci.replies["status movie length"] = row.length; f.core.Cue().LoadCueClip(row.path);
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(tuple(f.dialogs.messages[0].caption, f.dialogs.messages[0].text), tuple(row.caption, row.text));
        EXPECT_EQ(tuple(f.core.Cue().ControlsEnabled(), f.core.Cue().DurationText(), f.mci.commands.back(), f.host.busy),
                  tuple(false, "00:00:00:00", "close all", 0));
    }
}
