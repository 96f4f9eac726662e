#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/WindowFixture.h"
#include "ui/ClickLabel.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::FakeDialogs;
using korvale::test::FakeMediaVoice;
using korvale::test::WindowFixture;

namespace {

constexpr char kSong[] = "/music/Song One.mp3";
constexpr char kOther[] = "/music/Other.mp3";
constexpr char kBad[] = "/music/Broken.mp3";

std::string Text(QLabel* label) {
    return label->text().toStdString();
}

// Selects entry `index` the way a click in the list does.
void UserSelects(PlayListView* list, int index) {
    list->selectionModel()->setCurrentIndex(list->Model()->index(index),
                                            QItemSelectionModel::ClearAndSelect);
}

bool Called(const FakeMediaVoice& voice, const std::string& call) {
    const auto& calls = voice.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

struct DeckWindow : WindowFixture {
    DeckWindow() {
        for (FakeMediaVoice* voice : {&deck1, &deck2}) {
            voice->AddClip(kSong, 200.0);
            voice->AddClip(kOther, 100.0);
            voice->AddClip(kBad, 1.0); // exactly 1 s still counts as unplayable
        }
    }
    void Load(int deck, const std::string& path) { w().LoadClipOnDeck(path, deck, 0.0); }
};

} // namespace

TEST(DeckChoice, EachCodeAndTheTakeOverOfAStoppedDeck) {
    DeckWindow f;
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceBothEmpty);

    f.Load(2, kSong);
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck1);
    f.w().CloseDeck(2);

    f.Load(1, kSong);
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck2);

    // Both loaded, deck 1 merely stopped: it is emptied without asking.
    f.Load(2, kOther);
    f.deck1.ClearCalls();
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck1);
    EXPECT_EQ(f.deck1.Calls(), (std::vector<std::string>{"stop", "close"}));
    EXPECT_TRUE(f.w().PlayerA.GetFileName().empty());
    EXPECT_TRUE(f.dialogs.messages.empty());

    // Deck 1 playing, deck 2 stopped: deck 2 is taken over.
    f.Load(1, kSong);
    f.w().PlayDeck(1);
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck2);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kSong);
    EXPECT_TRUE(f.w().PlayerB.GetFileName().empty());

    // Both playing: nobody is touched.
    f.Load(2, kOther);
    f.w().PlayDeck(2);
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceBothPlaying);
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStatePlaying);
    EXPECT_EQ(f.w().PlayerB.GetPlayState(), CMediaPlayer::kPlayStatePlaying);
}

TEST(DeckChoice, SelectingWhileBothPlayLoadsNothingAndSaysSo) {
    DeckWindow f;
    f.Load(1, kSong);
    f.Load(2, kOther);
    f.w().PlayDeck(1);
    f.w().PlayDeck(2);
    f.w().PlayListBox->Append(kBad);
    UserSelects(f.w().PlayListBox, 0);
    EXPECT_EQ(f.w().StatusText(), "Both players are playing - clip not loaded");
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kSong);
    EXPECT_EQ(f.w().PlayerB.GetFileName(), kOther);
    EXPECT_EQ(f.w().PlayListBox->Count(), 1); // nothing loaded, so nothing dropped
}

TEST(DeckLoading, LoadsQuietlyWithoutStarting) {
    DeckWindow f;
    f.w().FaderB->SetPositionSilently(1234);
    f.w().PlayListBox->AppendMany({kOther, kSong});
    UserSelects(f.w().PlayListBox, 1);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kSong);
    EXPECT_EQ(f.w().FaderA->Position(), 8500);
    EXPECT_EQ(Text(f.w().FaderALabel), "-85db");
    EXPECT_EQ(f.deck1.Volume(), -8500);
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStateStopped);
    EXPECT_TRUE(Called(f.deck1, "seek 0.000000"));
    EXPECT_EQ(f.w().StatusText(), "Song One - Loaded on Player 1");
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), 1);
    // The program's fader move raised no scroll: deck 2's fader was not re-applied.
    EXPECT_EQ(f.w().FaderB->Position(), 1234);
    EXPECT_EQ(Text(f.w().FaderBLabel), "-90db");

    // A cue point as start position, on deck 2.
    f.w().LoadClipOnDeck(kOther, kDeckChoiceDeck2, 42.5);
    EXPECT_EQ(f.w().PlayerB.GetCurrentPosition(), 42.5);
    EXPECT_EQ(f.w().StatusText(), "Other - Loaded on Player 2");
}

TEST(DeckLoading, UnplayableClipIsDroppedAndTheNextLoadsOnTheOtherDeck) {
    DeckWindow f;
    PlayListView* list = f.w().PlayListBox;
    list->AppendMany({kSong, kBad, kOther, kSong});
    UserSelects(list, 1);
    EXPECT_EQ(list->Entries(), (std::vector<std::string>{kSong, kOther, kSong}));
    EXPECT_EQ(list->SelectedIndex(), 1);
    // Deck 1 keeps the unplayable clip; the following entry went to deck 2.
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kBad);
    EXPECT_EQ(f.w().PlayerB.GetFileName(), kOther);
    EXPECT_EQ(f.w().FaderB->Position(), 8500);
    // The status names the first clip and its deck.
    EXPECT_EQ(f.w().StatusText(), "Broken - Loaded on Player 1");
}

TEST(DeckLoading, UnplayableLastEntryLeavesNothingSelected) {
    DeckWindow f;
    PlayListView* list = f.w().PlayListBox;
    list->AppendMany({kSong, kBad});
    UserSelects(list, 1);
    EXPECT_EQ(list->Entries(), std::vector<std::string>{kSong});
    EXPECT_EQ(list->SelectedIndex(), -1);
    EXPECT_TRUE(f.w().PlayerB.GetFileName().empty());
    EXPECT_EQ(f.w().StatusText(), "Broken - Loaded on Player 1");
}

TEST(DeckLoading, CueLoadOfAnUnplayableClipWithoutSelectionRemovesNothing) {
    DeckWindow f;
    f.w().PlayListBox->AppendMany({kSong, kOther});
    f.w().LoadClipOnDeck(kBad, kDeckChoiceDeck2, 3.0);
    EXPECT_EQ(f.w().PlayListBox->Count(), 2);
    EXPECT_EQ(f.w().StatusText(), "Broken - Loaded on Player 2");
}

namespace {

// A player voice that notes how deep in the stack each open happens.
class StackProbeVoice : public FakeMediaVoice {
public:
    bool open(const std::string& path) override {
        volatile char marker = 0;
        const auto address = reinterpret_cast<std::uintptr_t>(&marker);
        lowest = std::min(lowest, address);
        highest = std::max(highest, address);
        return FakeMediaVoice::open(path);
    }
    std::uintptr_t lowest = UINTPTR_MAX;
    std::uintptr_t highest = 0;
};

} // namespace

TEST(DeckLoading, TenThousandUnplayableEntriesAreWorkedThroughInConstantStack) {
    constexpr int kBadEntries = 10000;
    constexpr std::uintptr_t kAllowedSpread = 4096;
    StackProbeVoice deck1;
    StackProbeVoice deck2;
    FakeDialogs dialogs;
    WindowServices services;
    services.deck1 = &deck1;
    services.deck2 = &deck2;
    services.dialogs = &dialogs;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    CKORVALEDlg window(services);
    window.OnInitDialog();
    std::vector<std::string> entries;
    for (int i = 0; i < kBadEntries; ++i) {
        const std::string path = "/bad/clip" + std::to_string(i) + ".mp3";
        deck1.AddClip(path, 0.5);
        deck2.AddClip(path, 0.5);
        entries.push_back(path);
    }
    deck1.AddClip(kSong, 200.0);
    deck2.AddClip(kSong, 200.0);
    entries.emplace_back(kSong);
    window.PlayListBox->AppendMany(entries);

    UserSelects(window.PlayListBox, 0);

    EXPECT_EQ(window.PlayListBox->Entries(), std::vector<std::string>{kSong});
    EXPECT_EQ(window.PlayListBox->SelectedIndex(), 0);
    EXPECT_EQ(window.StatusText(), "clip0 - Loaded on Player 1");
    // Deck 2 keeps the second clip; deck 1, stopped, is taken over for every later one.
    EXPECT_EQ(window.PlayerA.GetFileName(), kSong);
    EXPECT_EQ(window.PlayerB.GetFileName(), "/bad/clip1.mp3");
    EXPECT_LT(deck1.highest - deck1.lowest, kAllowedSpread);
    EXPECT_LT(deck2.highest - deck2.lowest, kAllowedSpread);
}

TEST(DeckFaders, CloseThresholdAndLabels) {
    DeckWindow f;
    f.Load(1, kSong);
    f.deck2.AddClip(kOther, 100.0);
    f.Load(2, kOther);
    f.w().FaderB->SetPositionSilently(0);

    f.w().FaderA->setValue(8749); // a user move
    EXPECT_EQ(Text(f.w().FaderALabel), "-87 db");
    EXPECT_EQ(f.deck1.Volume(), -8749);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kSong);
    EXPECT_EQ(Text(f.w().FaderBLabel), "-0 db");
    EXPECT_EQ(f.deck2.Volume(), 0);

    f.deck1.SetPosition(12.0);
    f.w().OnTimer(kTickTimerId);
    f.w().FaderA->setValue(8750);
    EXPECT_EQ(Text(f.w().FaderALabel), "-87 db");
    EXPECT_TRUE(f.w().PlayerA.GetFileName().empty());
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStateClosed);
    EXPECT_EQ(Text(f.w().ElapsedA), "00:00:00:00");
    EXPECT_EQ(Text(f.w().TimeA), "00:00:00:00");
    EXPECT_EQ(Text(f.w().RemainA), "00:00:00:00");
    EXPECT_EQ(f.w().PlayerB.GetFileName(), kOther);
}

TEST(DeckFaders, LevelSliderMoveReappliesBothFaders) {
    DeckWindow f;
    f.Load(1, kSong);
    f.Load(2, kOther);
    f.w().FaderA->SetPositionSilently(2000);
    f.w().FaderB->SetPositionSilently(9000);
    const int level = f.w().MasterLevel->value();
    f.w().MasterLevel->setValue(level == f.w().MasterLevel->maximum() ? level - 728 : level + 728);
    EXPECT_EQ(Text(f.w().FaderALabel), "-20 db");
    EXPECT_EQ(f.deck1.Volume(), -2000);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), kSong);
    // Deck 2's fader stood at the bottom: the same move closes it.
    EXPECT_EQ(Text(f.w().FaderBLabel), "-90 db");
    EXPECT_TRUE(f.w().PlayerB.GetFileName().empty());
}

TEST(DeckDisplays, TimerShowsElapsedTimeAndRemainingOrResets) {
    DeckWindow f;
    f.Load(2, kSong);
    f.deck2.SetPosition(10.5);
    f.w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(f.w().ElapsedB), "00:00:10:12");
    EXPECT_EQ(Text(f.w().TimeB), "00:03:20:00");
    EXPECT_EQ(Text(f.w().RemainB), "00:03:09:12");
    EXPECT_EQ(Text(f.w().ElapsedA), "00:00:00:00");

    // Past the end the remaining time reads negative, as the player reports it.
    f.deck2.SetPosition(200.5);
    f.w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(f.w().RemainB), "00:00:00:-12");

    // A deck taken over by the deck choice keeps its displays until the next refresh.
    f.Load(1, kOther);
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck1);
    EXPECT_EQ(Text(f.w().TimeA), "00:00:00:00"); // never refreshed while loaded
    f.Load(1, kOther);
    f.w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(f.w().TimeA), "00:01:40:00");
    EXPECT_EQ(f.w().ChooseDeck(), kDeckChoiceDeck1);
    EXPECT_EQ(Text(f.w().TimeA), "00:01:40:00");
    f.w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(f.w().TimeA), "00:00:00:00");

    f.w().ResetTimeDisplays(3); // no such deck: nothing happens
    EXPECT_EQ(Text(f.w().TimeB), "00:03:20:00");
}

TEST(DeckButtons, PlayStopCloseAndTheClipNameClick) {
    DeckWindow f;
    f.w().show();
    // Clicking the label of a closed deck empties the status line.
    QTest::mouseClick(f.w().FaderBLabel, Qt::LeftButton);
    EXPECT_EQ(f.w().StatusText(), "");
    // Buttons on an empty deck do nothing harmful.
    QTest::mouseClick(f.w().PlayBButton, Qt::LeftButton);
    QTest::mouseClick(f.w().CloseBButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerB.GetPlayState(), CMediaPlayer::kPlayStateClosed);

    f.Load(2, kSong);
    QTest::mouseClick(f.w().PlayBButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerB.GetPlayState(), CMediaPlayer::kPlayStatePlaying);
    QTest::mouseClick(f.w().FaderBLabel, Qt::LeftButton);
    EXPECT_EQ(f.w().StatusText(), "Player 2: Song One");
    QTest::mouseClick(f.w().StopBButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerB.GetPlayState(), CMediaPlayer::kPlayStateStopped);
    EXPECT_EQ(f.w().PlayerB.GetFileName(), kSong);
    f.deck2.SetPosition(3.0);
    f.w().OnTimer(kTickTimerId);
    QTest::mouseClick(f.w().CloseBButton, Qt::LeftButton);
    EXPECT_TRUE(f.w().PlayerB.GetFileName().empty());
    EXPECT_EQ(Text(f.w().ElapsedB), "00:00:00:00");
    EXPECT_EQ(Text(f.w().RemainB), "00:00:00:00");

    f.Load(1, kOther);
    QTest::mouseClick(f.w().PlayAButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStatePlaying);
    QTest::mouseClick(f.w().FaderALabel, Qt::LeftButton);
    EXPECT_EQ(f.w().StatusText(), "Player 1: Other");
    QTest::mouseClick(f.w().StopAButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStateStopped);
    QTest::mouseClick(f.w().CloseAButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayerA.GetPlayState(), CMediaPlayer::kPlayStateClosed);
}

TEST(DeckOperations, RunWithoutAnyDevice) {
    WindowServices services;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    CKORVALEDlg window(services);
    window.OnInitDialog();
    window.PlayListBox->AppendMany({kSong, kOther});
    UserSelects(window.PlayListBox, 0);
    // A player without a device never holds a clip: every entry reads as unplayable.
    EXPECT_EQ(window.PlayListBox->Count(), 0);
    EXPECT_EQ(window.StatusText(), "Song One - Loaded on Player 1");
    window.OnTimer(kTickTimerId);
    window.FaderA->setValue(100);
    window.PlayDeck(1);
    window.StopDeck(2);
    window.ShowDeckClipName(1);
    EXPECT_EQ(window.StatusText(), "");
    window.GatherClips();
    EXPECT_EQ(window.StatusText(), "");
}

TEST(DeckLoading, LongClipNameIsShownWhole) {
    DeckWindow f;
    const std::string name(245, 'n');
    const std::string path = "/m/" + name + ".mp3";
    f.deck1.AddClip(path, 30.0);
    f.w().LoadClipOnDeck(path, kDeckChoiceBothEmpty, 0.0);
    EXPECT_EQ(f.w().StatusText(), name + " - Loaded on Player 1");
    QTest::mouseClick(f.w().FaderALabel, Qt::LeftButton);
    EXPECT_EQ(f.w().StatusText(), "Player 1: " + name);
}
