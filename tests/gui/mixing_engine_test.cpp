// The cross-fade engine driven as the user drives it: clicks on "M I X", "LOAD NEXT" and
// "MIX NEXT", fader and slider moves, and the timer handler, over fake players.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/FaderUnits.h"
#include "decks/MixDirection.h"
#include "support/WindowFixture.h"
#include "ui/ClickLabel.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

constexpr double kClipSeconds = 100.0;
constexpr int kStepLimit = 1000;
// "DEF" from the load position 8500: the incoming fader reaches full level and the
// outgoing fader first moves on step 21; the cross-fade ends on step 115.
constexpr int kDefIncomingAtFullStep = 21;
constexpr int kDefFirstOutgoingStep = 21;
constexpr int kDefEndStep = 115;

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
    for (const std::string& c : calls) {
        if (c == call) {
            return true;
        }
    }
    return false;
}

class Mixing : public ::testing::Test {
protected:
    CKORVALEDlg& w() { return f.w(); }
    KorvaleState& state() { return f.w().State(); }

    // Puts clips into the play list as a gathered folder would.
    void Gather(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            f.deck1.AddClip(path, kClipSeconds);
            f.deck2.AddClip(path, kClipSeconds);
        }
        w().PlayListBox->AppendMany(paths);
    }
    // The user clicks entry `row` of the play list (which loads it).
    void UserSelects(int row) {
        PlayListView* view = w().PlayListBox;
        view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect);
    }
    void Press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    bool Fading() { return state().g_mixPhase == kMixPhaseFading; }
    std::string Label(QLabel* label) { return label->text().toStdString(); }

    // Loads "a" on deck 1, raised to full level and playing, and "b" on deck 2 at the
    // load position, not playing.
    void Deck1PlayingDeck2Loaded() {
        Gather({"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"});
        UserSelects(0);
        UserSelects(1);
        w().FaderA->setValue(kFaderFullLevel);
        Press(w().PlayAButton);
        ASSERT_EQ(f.deck2.path(), "/music/b.mp3");
        ASSERT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    }

    // Ticks until the cross-fade ends; returns the number of ticks (each one fade step).
    int TickUntilIdle() {
        int steps = 0;
        while (Fading() && steps < kStepLimit) {
            w().OnTimer(kTickTimerId);
            ++steps;
        }
        return steps;
    }

    WindowFixture f;
};

TEST_F(Mixing, MixWithOnlyDeck1FadesItInAndClosesTheEmptyDeck) {
    Gather({"/music/a.mp3"});
    UserSelects(0);
    ASSERT_TRUE(f.deck1.isOpen());
    const std::string labelB = Label(w().FaderBLabel);
    const int volumeB = f.deck2.Volume();

    Press(w().MixButton);

    // FaderB drops at once, without touching deck 2's volume or label.
    EXPECT_EQ(w().FaderB->Position(), kFaderBottom);
    EXPECT_EQ(Label(w().FaderBLabel), labelB);
    EXPECT_EQ(f.deck2.Volume(), volumeB);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    EXPECT_TRUE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_EQ(state().g_mixDirection, 1);

    int steps = 0;
    while (Fading() && steps < kStepLimit) {
        w().OnTimer(kTickTimerId);
        ++steps;
        const int a = w().FaderA->Position();
        EXPECT_EQ(f.deck1.Volume(), -a);
        EXPECT_EQ(Label(w().FaderALabel), FaderLabelText(a));
        if (Fading()) {
            EXPECT_EQ(w().StatusText(), "MIX 1 -->");
        }
    }
    // FaderB already rests at the bottom: the end comes when FaderA reaches full level.
    EXPECT_EQ(steps, kDefIncomingAtFullStep);
    EXPECT_EQ(w().StatusText(), "");
    EXPECT_FALSE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_TRUE(Contains(f.deck2.Calls(), "close"));
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    // The tick that ended the cross-fade still applied the faders.
    EXPECT_EQ(Label(w().FaderALabel), "-0 db");
    EXPECT_EQ(Label(w().FaderBLabel), "-90 db");
    EXPECT_EQ(f.deck1.Volume(), 0);
    EXPECT_EQ(f.deck2.Volume(), -kFaderBottom);
    EXPECT_EQ(state().g_mixDirection, 0);
    EXPECT_EQ(state().g_directionChosen, 0);
    EXPECT_EQ(state().g_fadeInStep, 10);
    EXPECT_EQ(state().g_fadeOutStep, 1);
}

TEST_F(Mixing, MixWithDeck1PlayingFadesDeck2InAndDeck1OutOnTheWorkedSchedule) {
    Deck1PlayingDeck2Loaded();
    Press(w().MixButton);
    EXPECT_EQ(state().g_mixDirection, 21);
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);

    int steps = 0;
    while (Fading() && steps < kStepLimit) {
        w().OnTimer(kTickTimerId);
        ++steps;
        if (steps < kDefFirstOutgoingStep) {
            EXPECT_EQ(w().FaderA->Position(), kFaderFullLevel) << "step " << steps;
        } else if (steps == kDefFirstOutgoingStep) {
            EXPECT_EQ(w().FaderB->Position(), kFaderFullLevel);
            EXPECT_EQ(w().FaderA->Position(), 1);
        }
        if (Fading()) {
            EXPECT_EQ(w().StatusText(), "MIX 2 -->");
        }
    }
    EXPECT_EQ(steps, kDefEndStep);
    EXPECT_FALSE(f.deck1.isOpen());
    EXPECT_TRUE(f.deck2.isOpen());
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
    EXPECT_EQ(w().ElapsedA->text().toStdString(), "00:00:00:00");
    EXPECT_EQ(w().StatusText(), "");
}

TEST_F(Mixing, BothDecksPlayingFadesIntoDeck2) {
    Deck1PlayingDeck2Loaded();
    Press(w().PlayBButton);
    Press(w().MixButton);
    EXPECT_EQ(state().g_mixDirection, 21);
    EXPECT_EQ(TickUntilIdle(), kDefEndStep);
    EXPECT_FALSE(f.deck1.isOpen());
    EXPECT_TRUE(f.deck2.isOpen());
}

TEST_F(Mixing, DirectionFollowsWhichDeckHoldsAndPlays) {
    // Deck 2 plays, deck 1 does not: into deck 1 (12), deck 2 closed at the end.
    Gather({"/music/a.mp3", "/music/b.mp3"});
    UserSelects(0);
    UserSelects(1);
    Press(w().PlayBButton);
    Press(w().MixButton);
    EXPECT_EQ(state().g_mixDirection, 12);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    w().OnTimer(kTickTimerId);
    EXPECT_EQ(w().StatusText(), "MIX 1 -->");
    TickUntilIdle();
    EXPECT_TRUE(f.deck1.isOpen());
    EXPECT_FALSE(f.deck2.isOpen());

    // Only deck 2 holds a clip now... after loading one there and closing deck 1.
    UserSelects(0); // deck 2 is free: "a" goes there
    ASSERT_EQ(f.deck2.path(), "/music/a.mp3");
    Press(w().CloseAButton);
    Press(w().MixButton);
    EXPECT_EQ(state().g_mixDirection, 2);
    EXPECT_EQ(w().FaderA->Position(), kFaderBottom);
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
    TickUntilIdle();

    // Both hold a clip and neither plays: into deck 1 (1).
    UserSelects(1); // deck 1 is free
    Press(w().StopBButton);
    Press(w().MixButton);
    EXPECT_EQ(state().g_mixDirection, 1);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
}

TEST_F(Mixing, MixWithBothDecksEmptyEndsTwiceAndAdvancesTwiceWithLoadNext) {
    Gather({"/music/a.mp3", "/music/b.mp3", "/music/c.mp3", "/music/d.mp3"});
    UserSelects(0);
    Press(w().CloseAButton);
    ASSERT_FALSE(f.deck1.isOpen());
    Press(w().LoadNextCheck);
    ASSERT_TRUE(w().LoadNextCheck->isChecked());

    Press(w().MixButton);

    EXPECT_FALSE(Fading());
    EXPECT_FALSE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 2);
    EXPECT_EQ(f.deck1.path(), "/music/b.mp3");
    EXPECT_EQ(f.deck2.path(), "/music/c.mp3");
    EXPECT_NE(f.deck1.playState(), VoicePlayState::Playing);
    EXPECT_NE(f.deck2.playState(), VoicePlayState::Playing);
    EXPECT_EQ(w().StatusText(), "c - Loaded on Player 2");
}

TEST_F(Mixing, MixWithBothDecksEmptyDropsBothFadersAndStartsNothing) {
    Gather({"/music/a.mp3"});
    UserSelects(0);
    Press(w().CloseAButton);
    w().FaderB->setValue(2000);
    w().FaderA->SetPositionSilently(3000);
    const std::string labelA = Label(w().FaderALabel);

    Press(w().MixButton);

    EXPECT_EQ(w().FaderA->Position(), kFaderBottom);
    EXPECT_EQ(w().FaderB->Position(), kFaderBottom);
    EXPECT_EQ(Label(w().FaderALabel), labelA);
    EXPECT_FALSE(Fading());
    EXPECT_FALSE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_EQ(w().StatusText(), "");
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 0);
    EXPECT_FALSE(f.deck1.isOpen());
    EXPECT_FALSE(f.deck2.isOpen());
}

TEST_F(Mixing, MixDuringACrossFadeEndsItWhereItStands) {
    Deck1PlayingDeck2Loaded();
    Press(w().LoadNextCheck);
    Press(w().MixButton);
    for (int i = 0; i < 30; ++i) {
        w().OnTimer(kTickTimerId);
    }
    const int a = w().FaderA->Position();
    const int b = w().FaderB->Position();
    ASSERT_GT(a, kFaderFullLevel);
    ASSERT_LT(a, kFaderBottom);

    Press(w().MixButton);

    EXPECT_FALSE(Fading());
    EXPECT_FALSE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_EQ(w().FaderA->Position(), a);
    EXPECT_EQ(w().FaderB->Position(), b);
    EXPECT_EQ(f.deck1.Volume(), -a);
    EXPECT_EQ(f.deck2.Volume(), -b);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
    // LOAD NEXT advanced to "c", which has no free deck while both play.
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 2);
    EXPECT_EQ(w().StatusText(), "Both players are playing - clip not loaded");
    EXPECT_EQ(state().g_fadeInStep, 10);

    w().OnTimer(kTickTimerId);
    EXPECT_EQ(w().FaderA->Position(), a);
    EXPECT_EQ(w().FaderB->Position(), b);
}

TEST_F(Mixing, EveryTimerRunsAFadeStep) {
    Gather({"/music/a.mp3"});
    UserSelects(0);
    Press(w().MixButton);
    w().OnTimer(kTickTimerId);
    w().OnTimer(kFadeTimerId);
    w().OnTimer(kCueTimerId);
    EXPECT_EQ(w().FaderA->Position(), kFaderLoadPosition - (10 + 50 + 90));
    EXPECT_EQ(state().g_fadeInStep, 10 + 3 * 40);
    EXPECT_EQ(f.deck1.Volume(), -w().FaderA->Position());
}

TEST_F(Mixing, WaitOffMovesBothFadersFromTheFirstStepAndFollowsTheWorkedExample) {
    Deck1PlayingDeck2Loaded();
    w().WaitFadeInCheck->click();
    ASSERT_EQ(state().g_waitForFadeIn, 0);
    EXPECT_FALSE(w().FadeInThresholdSlider->isEnabled());
    EXPECT_FALSE(w().FadeInThresholdLabel->isEnabled());
    w().FaderB->SetPositionSilently(kFaderBottom);

    Press(w().MixButton);
    int incomingAtZeroStep = 0;
    int steps = 0;
    while (Fading() && steps < kStepLimit) {
        w().OnTimer(kTickTimerId);
        ++steps;
        if (steps == 1) {
            EXPECT_EQ(w().FaderB->Position(), kFaderBottom - 10);
            EXPECT_EQ(w().FaderA->Position(), 1);
        }
        if (incomingAtZeroStep == 0 && w().FaderB->Position() == kFaderFullLevel) {
            incomingAtZeroStep = steps;
        }
        if (steps == 30) {
            // Resting at full level (clamped) while its step keeps growing.
            EXPECT_EQ(w().FaderB->Position(), kFaderFullLevel);
            EXPECT_EQ(state().g_fadeInStep, 10 + 30 * 40);
            EXPECT_EQ(w().FaderA->Position(), 30 * 30);
        }
    }
    EXPECT_EQ(incomingAtZeroStep, 22);
    EXPECT_EQ(steps, 95);
    // The end of mix follows the box: the wait stays off.
    EXPECT_EQ(state().g_waitForFadeIn, 0);
}

// With the wait on, the outgoing fader first moves on the step on which the incoming one
// reaches the threshold: from 8500, the incoming fader stands at 700 after step 20 and at 0
// after step 21.
class MixThreshold : public Mixing, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(MixThreshold, OutgoingFaderWaitsForTheIncomingOne) {
    const auto [threshold, firstOutgoingStep] = GetParam();
    Deck1PlayingDeck2Loaded();
    w().FadeInThresholdSlider->setValue(threshold);
    ASSERT_EQ(state().g_fadeInThreshold, threshold);
    Press(w().MixButton);
    ASSERT_EQ(state().g_mixDirection, 21);
    int firstMove = 0;
    for (int step = 1; step <= 25 && firstMove == 0; ++step) {
        w().OnTimer(kTickTimerId);
        if (w().FaderA->Position() != kFaderFullLevel) {
            firstMove = step;
            EXPECT_LE(w().FaderB->Position(), threshold);
        }
    }
    EXPECT_EQ(firstMove, firstOutgoingStep);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, MixThreshold,
                         ::testing::Values(std::pair{0, 21}, std::pair{800, 20}, std::pair{400, 21},
                                           std::pair{9000, 1}));

TEST_F(Mixing, MixNextStartsAMixForAnEmptyDeckOnTheNextTick) {
    Gather({"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"});
    UserSelects(0);
    Press(w().LoadNextCheck);
    Press(w().MixNextCheck);
    f.deck1.ClearCalls();

    w().OnTimer(kTickTimerId);

    EXPECT_TRUE(Fading());
    EXPECT_EQ(state().g_mixDirection, 1);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    EXPECT_EQ(w().FaderB->Position(), kFaderBottom);

    TickUntilIdle();
    EXPECT_TRUE(Contains(f.deck2.Calls(), "close"));
    EXPECT_EQ(f.deck2.path(), "/music/b.mp3");
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 1);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);

    // Both decks hold clips far from their ends: nothing starts.
    w().OnTimer(kTickTimerId);
    EXPECT_FALSE(Fading());
}

TEST_F(Mixing, MixNextCallsMixTwiceInOneTickThenCrossFadesIntoTheReloadedDeck) {
    Gather({"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"});
    UserSelects(0);
    w().FaderA->setValue(kFaderFullLevel);
    Press(w().PlayAButton);
    // "DEF" skips the last 4 seconds: 100 - 4 - 1 <= 95.5.
    f.deck1.SetPosition(95.5);
    Press(w().LoadNextCheck);
    Press(w().MixNextCheck);

    w().OnTimer(kTickTimerId);

    // Deck 1's test started a cross-fade into deck 1; deck 2's test (empty) ended it at
    // once, and LOAD NEXT loaded the next entry onto the free deck 2.
    EXPECT_FALSE(Fading());
    EXPECT_FALSE(w().IsTimerRunning(kFadeTimerId));
    EXPECT_EQ(f.deck2.path(), "/music/b.mp3");
    EXPECT_EQ(w().FaderB->Position(), kFaderLoadPosition);
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 1);
    EXPECT_EQ(w().StatusText(), "b - Loaded on Player 2");

    w().OnTimer(kTickTimerId);
    EXPECT_TRUE(Fading());
    EXPECT_EQ(state().g_mixDirection, 21);
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);

    EXPECT_EQ(TickUntilIdle(), kDefEndStep);
    EXPECT_EQ(f.deck1.path(), "/music/c.mp3");
    EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
    EXPECT_EQ(w().FaderB->Position(), kFaderFullLevel);
    EXPECT_EQ(w().PlayListBox->SelectedIndex(), 2);
}

TEST_F(Mixing, NoAutomaticStartWhileACrossFadeRuns) {
    Gather({"/music/a.mp3"});
    UserSelects(0);
    Press(w().MixButton);
    Press(w().MixNextCheck);
    f.deck1.SetPosition(99.0); // deck 1 and the empty deck 2 both meet the condition
    for (int i = 0; i < 5; ++i) {
        w().OnTimer(kTickTimerId);
    }
    EXPECT_TRUE(Fading());
    EXPECT_EQ(state().g_fadeInStep, 10 + 5 * 40);
}

TEST_F(Mixing, MixNextOffNeverStartsAMix) {
    Gather({"/music/a.mp3"});
    UserSelects(0);
    f.deck1.SetPosition(99.0);
    w().OnTimer(kTickTimerId);
    EXPECT_FALSE(Fading());
    EXPECT_NE(f.deck1.playState(), VoicePlayState::Playing);
}

} // namespace

namespace {

constexpr char kCuePositionQuery[] = "status movie position";
constexpr char kCueClose[] = "close movie";

TEST_F(Mixing, EveryMixClosesTheCuePlayer) {
    Gather({"/music/a.mp3", "/music/b.mp3"});
    UserSelects(0);
    f.mci.commands.clear();
    Press(w().MixButton); // a cross-fade starts
    EXPECT_TRUE(Contains(f.mci.commands, kCueClose));

    TickUntilIdle();
    Press(w().CloseAButton);
    f.mci.commands.clear();
    Press(w().MixButton); // both decks empty: nothing starts
    EXPECT_TRUE(Contains(f.mci.commands, kCueClose));

    // Ending a running cross-fade leaves the cue player alone.
    UserSelects(1);
    Press(w().MixButton);
    ASSERT_TRUE(Fading());
    f.mci.commands.clear();
    Press(w().MixButton);
    EXPECT_FALSE(Fading());
    EXPECT_FALSE(Contains(f.mci.commands, kCueClose));
}

TEST_F(Mixing, CuePositionIsRefreshedOnlyWhileNoCrossFadeRuns) {
    f.mci.replies[kCuePositionQuery] = "2000";
    state().g_cueTimer = kCueTimerId; // the cue player plays
    w().OnTimer(kCueTimerId);
    EXPECT_TRUE(Contains(f.mci.commands, kCuePositionQuery));
    EXPECT_EQ(w().CuePlayTime->text().toStdString(), "00:00:02:00");

    Gather({"/music/a.mp3"});
    UserSelects(0);
    Press(w().MixButton);
    state().g_cueTimer = kCueTimerId;
    f.mci.commands.clear();
    w().OnTimer(kTickTimerId);
    w().OnTimer(kCueTimerId);
    EXPECT_FALSE(Contains(f.mci.commands, kCuePositionQuery));

    // Not playing: no query either.
    Press(w().MixButton);
    state().g_cueTimer = -1;
    f.mci.commands.clear();
    w().OnTimer(kTickTimerId);
    EXPECT_FALSE(Contains(f.mci.commands, kCuePositionQuery));
}

} // namespace
