// "S" (shuffle) and the advance to the next entry, driven through the window.
#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/ClassicRand.h"
#include "support/WindowFixture.h"
#include "ui/PlayListView.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

constexpr char kShuffledCaption[] = "Shuffled OK";

std::string ShuffledText(int count) {
    return "Load Next & Mix Next are ubchecked\nPlease select the next theme\n[ " +
           std::to_string(count) + " themes suffled ]";
}

// The scratch-list algorithm done directly: draw until r < m, take entry r, erase it. The
// scratch list holds indices so that erasing stays cheap for long lists.
std::vector<std::string> ScratchListShuffle(const std::vector<std::string>& entries,
                                            ClassicRand& rand) {
    std::vector<int> scratch(entries.size());
    for (std::size_t i = 0; i < scratch.size(); ++i) {
        scratch[i] = static_cast<int>(i);
    }
    std::vector<std::string> result;
    while (!scratch.empty()) {
        const int m = static_cast<int>(scratch.size());
        int r = rand.Next();
        while (r >= m) {
            r = rand.Next();
        }
        result.push_back(entries[static_cast<std::size_t>(scratch[static_cast<std::size_t>(r)])]);
        scratch.erase(scratch.begin() + r);
    }
    return result;
}

std::vector<std::string> Paths(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back("/music/clip" + std::to_string(i) + ".mp3");
    }
    return paths;
}

void PressBothToggles(CKORVALEDlg& w) {
    QTest::mouseClick(w.LoadNextCheck, Qt::LeftButton);
    QTest::mouseClick(w.MixNextCheck, Qt::LeftButton);
    ASSERT_TRUE(w.LoadNextCheck->isChecked());
    ASSERT_TRUE(w.MixNextCheck->isChecked());
}

void UserSelects(PlayListView* view, int row) {
    view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect);
}

TEST(Shuffle, EmptyListShowsNoMessageButReleasesTogglesAndSaysReady) {
    WindowFixture f;
    PressBothToggles(f.w());
    QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_FALSE(f.w().MixNextCheck->isChecked());
    EXPECT_EQ(f.w().StatusText(), "Ready");
    EXPECT_EQ(f.w().PlayListBox->Count(), 0);
}

TEST(Shuffle, OneEntryStaysAndIsCounted) {
    WindowFixture f;
    f.w().PlayListBox->Append("/music/only.mp3");
    QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);
    ASSERT_EQ(f.w().PlayListBox->Count(), 1);
    EXPECT_EQ(f.w().PlayListBox->Text(0), "/music/only.mp3");
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, ShuffledText(1));
    EXPECT_EQ(f.dialogs.messages[0].caption, kShuffledCaption);
    EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(f.dialogs.messages[0].buttons, MessageButtons::Ok);
}

TEST(Shuffle, KeepsEveryEntryWithDuplicatesSelectsNothingAndLeavesTheDecksAlone) {
    WindowFixture f;
    f.deck1.AddClip("/music/a.mp3", 100.0);
    f.w().PlayListBox->AppendMany(
        {"/music/a.mp3", "/music/b.mp3", "/music/a.mp3", "/music/c.mp3", "/music/b.mp3"});
    UserSelects(f.w().PlayListBox, 0);
    QTest::mouseClick(f.w().PlayAButton, Qt::LeftButton);
    ASSERT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    PressBothToggles(f.w());
    f.deck1.ClearCalls();

    // While the message shows, the list is back and the cursor restored.
    bool listShown = false;
    bool cursorRestored = false;
    f.dialogs.whileOpen = [&] {
        listShown = !f.w().PlayListBox->isHidden();
        cursorRestored = QApplication::overrideCursor() == nullptr;
    };
    QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);

    std::vector<std::string> after = f.w().PlayListBox->Entries();
    std::vector<std::string> expected{"/music/a.mp3", "/music/a.mp3", "/music/b.mp3",
                                      "/music/b.mp3", "/music/c.mp3"};
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), -1);
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_FALSE(f.w().MixNextCheck->isChecked());
    EXPECT_EQ(f.w().ShuffleScratchList->Count(), 0);
    EXPECT_EQ(f.w().StatusText(), "Ready");
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, ShuffledText(5));
    EXPECT_TRUE(listShown);
    EXPECT_TRUE(cursorRestored);
    EXPECT_TRUE(f.deck1.Calls().empty());
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
}

TEST(Shuffle, OrderIsTheScratchListOrderOfTheWindowsOwnStream) {
    // Each window draws from its own stream that starts where every run starts.
    const std::vector<std::string> paths = Paths(300);
    ClassicRand reference;
    const std::vector<std::string> first = ScratchListShuffle(paths, reference);
    const std::vector<std::string> second = ScratchListShuffle(first, reference);
    ASSERT_NE(first, paths);

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        WindowFixture f;
        f.w().PlayListBox->AppendMany(paths);
        QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);
        EXPECT_EQ(f.w().PlayListBox->Entries(), first);
        // The stream goes on: a second shuffle continues it.
        QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);
        EXPECT_EQ(f.w().PlayListBox->Entries(), second);
    }
}

TEST(Shuffle, ListsLongerThanTheGeneratorsRangeKeepTheScratchListOrder) {
    const std::vector<std::string> paths = Paths(33000);
    ClassicRand reference;
    const std::vector<std::string> expected = ScratchListShuffle(paths, reference);
    WindowFixture f;
    f.w().PlayListBox->AppendMany(paths);
    QTest::mouseClick(f.w().ShuffleButton, Qt::LeftButton);
    EXPECT_EQ(f.w().PlayListBox->Entries(), expected);
    EXPECT_EQ(f.dialogs.messages.at(0).text, ShuffledText(33000));
}

class Advance : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* path : {"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"}) {
            f.deck1.AddClip(path, 100.0);
            f.deck2.AddClip(path, 100.0);
        }
    }
    WindowFixture f;
};

TEST_F(Advance, FromTheLastEntryWrapsToTheFirstAndLoadsIt) {
    f.w().PlayListBox->AppendMany({"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"});
    UserSelects(f.w().PlayListBox, 2); // "c" on deck 1
    f.w().AdvancePlayList();
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), 0);
    EXPECT_EQ(f.deck2.path(), "/music/a.mp3");
    EXPECT_EQ(f.w().StatusText(), "a - Loaded on Player 2");

    f.w().AdvancePlayList();
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), 1);
}

TEST_F(Advance, WithoutSelectionChangesNothing) {
    f.w().PlayListBox->AppendMany({"/music/a.mp3", "/music/b.mp3"});
    f.w().SetStatus("before");
    f.w().AdvancePlayList();
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), -1);
    EXPECT_TRUE(f.deck1.Calls().empty());
    EXPECT_TRUE(f.deck2.Calls().empty());
    EXPECT_EQ(f.w().StatusText(), "before");
}

TEST_F(Advance, OneEntryLoadsThatEntryAgain) {
    f.w().PlayListBox->Append("/music/b.mp3");
    UserSelects(f.w().PlayListBox, 0);
    ASSERT_EQ(f.deck1.path(), "/music/b.mp3");
    f.w().AdvancePlayList();
    EXPECT_EQ(f.w().PlayListBox->SelectedIndex(), 0);
    EXPECT_EQ(f.deck2.path(), "/music/b.mp3");
}

TEST_F(Advance, EmptyListDoesNothing) {
    f.w().AdvancePlayList();
    EXPECT_TRUE(f.deck1.Calls().empty());
    EXPECT_EQ(f.w().PlayListBox->Count(), 0);
}

} // namespace
