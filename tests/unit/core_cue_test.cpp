// The cue player through the core: its commands, play/pause, Mark In, GoTo Cue, Set Cue and
// the clips it refuses.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Commands = std::vector<std::string>;

namespace {

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
    Commands Last(std::size_t n) const { return Commands(mci.commands.end() - n, mci.commands.end()); }
};

} // namespace

TEST(CoreCue, CueingAStoppedDeckClosesThenOpensTheClip) {
    Cue f;
    Commands expected = kClose;
    expected.insert(expected.end(), {"open \"/music/Cue Me.mp3\" alias movie ",
                                     "set movie time format milliseconds wait", "status movie length"});
    EXPECT_EQ(f.mci.commands, expected);
    const CuePlayer& cue = f.core.Cue();
    EXPECT_EQ(cue.ClipName(), kClip);
    EXPECT_EQ(cue.DurationText(), "00:00:05:00");
    EXPECT_EQ(std::make_pair(cue.SliderMinimum(), cue.SliderMaximum()), std::make_pair(0, 5000));
    EXPECT_TRUE(cue.ControlsEnabled());
    EXPECT_EQ(f.core.StatusText(), "Selecting 'Play' the Cue clip will play on the master output");
    EXPECT_EQ(f.host.busy, 0);
    for (const Deck deck : {Deck::A, Deck::B}) { // a playing deck or an empty one is not cued
        f.core.Decks().PlayDeck(Deck::A);
        f.mci.commands.clear();
        f.core.Cue().CueFromDeck(deck);
        EXPECT_TRUE(f.mci.commands.empty());
    }
}

TEST(CoreCue, PlayPauseTogglesTheCueTimerAndTheTickFollowsThePosition) {
    Cue f;
    f.core.Cue().ToggleCuePlay();
    EXPECT_EQ(f.mci.commands.back(), "play movie");
    EXPECT_EQ(f.host.timers.at(TimerId::Cue), 39);
    EXPECT_EQ(f.core.Cue().PlayCaption(), "Stop");
    f.mci.replies["status movie position"] = "2500";
    f.core.OnTimer(TimerId::Cue);
    EXPECT_EQ(f.core.Cue().SliderPosition(), 2500);
    EXPECT_EQ(f.core.Cue().PlayTimeText(), "00:00:02:12");
    f.core.Cue().ToggleCuePlay();
    EXPECT_EQ(f.mci.commands.back(), "pause movie");
    EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Cue) || f.core.Cue().TimerRunning());
    EXPECT_EQ(f.core.Cue().PlayCaption(), "Play");
    f.core.Cue().ToggleCuePlay(); // a slider move seeks there and pauses a playing clip
    f.core.Cue().SliderMovedByUser(1234);
    f.core.OnHScroll();
    EXPECT_EQ(f.Last(3), (Commands{"seek movie to 1234", "status movie position", "pause movie"}));
    EXPECT_FALSE(f.core.Cue().Playing());
}

TEST(CoreCue, MarkInGoToCueAndSetCueReloadTheDeckAtTheCuePoint) {
    for (const double clipSeconds : {200.0, 0.5}) {
        SCOPED_TRACE(clipSeconds);
        Cue f(clipSeconds);
        f.core.Cue().ToggleCuePlay();
        f.mci.replies["status movie position"] = "3000";
        f.core.Cue().MarkCueIn();
        EXPECT_EQ(f.core.Cue().CuePointText(), "00:00:03:00");
        f.core.Cue().GoToCuePoint();
        EXPECT_EQ(f.Last(2), (Commands{"seek movie to 3000", "pause movie"}));
        EXPECT_EQ(f.core.Cue().SliderPosition(), 3000);
        EXPECT_EQ(f.host.cueFocus, 1);
        // The clip is the selected entry (a short one was dropped when first selected).
        f.core.Store().List().ReplaceAll({kClip});
        f.core.Store().List().Select(0);
        f.deck1.ClearCalls();
        f.core.Cue().SetCueOnDecks();
        EXPECT_EQ(f.deck1.Calls(), (Commands{std::string("open ") + kClip, "seek 3.000000"}));
        EXPECT_TRUE(f.deck2.Calls().empty());
        EXPECT_EQ(f.core.List().Count(), 1);
        EXPECT_FALSE(f.core.Cue().ControlsEnabled());
        EXPECT_EQ(f.core.Cue().ClipName(), "");
    }
}

TEST(CoreCue, RefusedClipsAreToldAndLeaveTheCuePlayerClosed) {
    const std::string clip = kClip, longPath = "/" + std::string(300, 'l') + ".mp3";
    const std::string noShort = "' name can not converted to short filename";
    struct Row { std::string path; bool noShortForm; const char* length; const char* caption; std::string text; };
    const Row rows[] = {{clip, true, "5000", "Selected clip will not load", "Clip's '" + clip + noShort},
                        {longPath, false, "5000", "Selected clip will not load", "Clip's '" + longPath + noShort},
                        {clip, false, "", "Selected movie not loaded", "Can't read the size of '" + clip + "' "},
                        {clip, false, "0", "Selected movie not loaded", "Can't read the size of '" + clip + "' "}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CoreFixture f;
        if (row.noShortForm) f.mci.pathsWithoutShortForm.push_back(row.path);
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

TEST(CoreCue, MixAndLoadsCloseTheCuePlayer) {
    Cue f;
    f.core.Cue().ToggleCuePlay();
    f.mci.commands.clear();
    f.core.Fade().Mix();
    EXPECT_EQ(f.mci.commands, kClose);
    EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Cue));
    f.mci.commands.clear();
    f.core.Store().LoadSelectedClip();
    EXPECT_EQ(f.mci.commands, kClose);
}
