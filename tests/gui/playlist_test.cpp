#include <QItemSelectionModel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/WindowFixture.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

constexpr char kSearching[] = "Searching for valid audio files...";

// A real folder of (empty) files for gathering.
class ClipFolder {
public:
    ClipFolder() : m_path(m_dir.path().toStdString() + "/") {}
    explicit ClipFolder(const std::string& subfolder) : ClipFolder() {
        m_path += subfolder + "/";
        std::filesystem::create_directories(m_path);
    }
    std::string Add(const std::string& name) {
        std::ofstream(m_path + name) << "not audio";
        return m_path + name;
    }
    std::string AddFolder(const std::string& name) {
        std::filesystem::create_directory(m_path + name);
        return m_path + name;
    }
    const std::string& Path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

struct ListWindow : WindowFixture {
    // The user picks `path` in the open dialog with filter `filter`, then presses "L".
    void Gather(const std::string& path, int filter) {
        dialogs.openChoices.push_back({path, filter});
        QTest::mouseClick(w().LoadButton, Qt::LeftButton);
    }
    PlayListView* List() { return w().PlayListBox; }
    std::vector<std::string> Sorted() {
        std::vector<std::string> entries = List()->Entries();
        std::sort(entries.begin(), entries.end());
        return entries;
    }
};

void UserSelects(PlayListView* list, int index) {
    list->selectionModel()->setCurrentIndex(list->Model()->index(index),
                                            QItemSelectionModel::ClearAndSelect);
}

} // namespace

TEST(Gathering, FolderMp3FilesWithoutQuestionIntoAnEmptyList) {
    ListWindow f;
    ClipFolder folder;
    const std::string a = folder.Add("a.mp3");
    const std::string b = folder.Add("B.MP3");
    folder.Add("c.wav");
    folder.Add("notes.txt");
    const std::string dir = folder.AddFolder("d.mp3"); // a matching sub-folder is listed too
    folder.AddFolder("deeper");
    std::ofstream(folder.Path() + "deeper/e.mp3") << "x";

    f.Gather(folder.Path() + "c.wav", 1);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.Sorted(), (std::vector<std::string>{b, a, dir})); // sorted by byte
    EXPECT_EQ(f.w().StatusText(), "3 new audio file(s) loaded - Total 3. ");
    EXPECT_EQ(f.List()->SelectedIndex(), -1);
    EXPECT_TRUE(f.w().PlayerA.GetFileName().empty()); // gathering loads nothing

    // The dialog as it was asked for.
    ASSERT_EQ(f.dialogs.openRequests.size(), 1u);
    const OpenFileRequest& request = f.dialogs.openRequests[0];
    EXPECT_EQ(request.title, "Please select a clip");
    ASSERT_EQ(request.filters.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"MPEG 1 LAYER III Audio Files (*.mp3)", "*.mp3"},
        {"PCM Audio Files (*.wav)", "*.wav"},
        {"KORVALE-Zantor Play Lists (*.ztl)", "*.ztl"},
        {"Media Playlist (*.m3u)", "*.m3u"},
        {"All Files (*.*)", "*.*"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(request.filters[i].description, expected[i].first);
        EXPECT_EQ(request.filters[i].pattern, expected[i].second);
    }
    EXPECT_EQ(request.initialFile, "");
}

TEST(Gathering, QuestionThenYesReplacesAndNoAppends) {
    ListWindow f;
    ClipFolder folder;
    for (int i = 0; i < 12; ++i) {
        folder.Add("clip" + std::to_string(i) + ".mp3");
    }
    f.List()->AppendMany({"/x/1.mp3", "/x/2.mp3", "/x/3.mp3"});
    f.List()->Select(1);
    f.dialogs.answers.push_back(MessageAnswer::Yes);
    f.Gather(folder.Path() + "clip3.mp3", 1);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Clear 3 clips and empty the Play List?");
    EXPECT_EQ(f.dialogs.messages[0].caption, "VANTREL'S MP3 REAL TIME MIXER");
    EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(f.dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(f.List()->Count(), 12);
    EXPECT_EQ(f.List()->SelectedIndex(), -1);
    EXPECT_EQ(f.w().StatusText(), "12 new audio file(s) loaded - Total 12. ");

    // The second opening starts on the file chosen before.
    f.dialogs.answers.push_back(MessageAnswer::No);
    f.Gather(folder.Path() + "clip5.mp3", 5);
    EXPECT_EQ(f.dialogs.openRequests[1].initialFile, folder.Path() + "clip3.mp3");
    EXPECT_EQ(f.dialogs.messages[1].text, "Clear 12 clips and empty the Play List?");
    EXPECT_EQ(f.List()->Count(), 24); // every clip twice
    EXPECT_EQ(f.w().StatusText(), "12 new audio file(s) loaded - Total 24. ");
    const std::vector<std::string> entries = f.List()->Entries();
    EXPECT_TRUE(std::equal(entries.begin(), entries.begin() + 12, entries.begin() + 12));

    // Into a list of 5 after No: 12 and 17.
    f.List()->ReplaceAll({"1", "2", "3", "4", "5"});
    f.List()->Select(2);
    f.dialogs.answers.push_back(MessageAnswer::No);
    f.Gather(folder.Path() + "clip0.mp3", 1);
    EXPECT_EQ(f.w().StatusText(), "12 new audio file(s) loaded - Total 17. ");
    EXPECT_EQ(f.List()->Text(0), "1");
    EXPECT_EQ(f.List()->SelectedIndex(), 2); // appending keeps the selection
}

TEST(Gathering, FilterDecidesThePattern) {
    ListWindow f;
    ClipFolder folder;
    const std::string mp3 = folder.Add("song.mp3");
    const std::string wav = folder.Add("take.WAV");
    f.Gather(wav, 5); // "All Files" with a WAV chosen: the MP3 files
    EXPECT_EQ(f.List()->Entries(), std::vector<std::string>{mp3});
    f.List()->Clear();
    f.Gather(mp3, 2);
    EXPECT_EQ(f.List()->Entries(), std::vector<std::string>{wav});
    EXPECT_EQ(f.w().StatusText(), "1 new audio file(s) loaded - Total 1. ");
    // A play-list file is read, not searched around: the folder's MP3 is not gathered.
    f.List()->Clear();
    const std::string list = folder.Add("empty.ztl");
    std::ofstream(list, std::ios::trunc).close();
    f.Gather(list, 3);
    EXPECT_TRUE(std::find(f.List()->Entries().begin(), f.List()->Entries().end(), mp3) ==
                f.List()->Entries().end());
}

TEST(Gathering, EmptyFolderCancelAndVanishedFolder) {
    ListWindow f;
    ClipFolder folder;
    const std::string chosen = folder.Add("only.wav");
    f.Gather(chosen, 1);
    EXPECT_EQ(f.List()->Count(), 0);
    EXPECT_EQ(f.w().StatusText(), kSearching);

    // Cancel: the status empties, nothing is asked or changed.
    f.List()->Append("/keep/me.mp3");
    QTest::mouseClick(f.w().LoadButton, Qt::LeftButton);
    EXPECT_EQ(f.w().StatusText(), "");
    EXPECT_EQ(f.List()->Count(), 1);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.w().State().g_chosenPath, chosen); // kept from the last confirmed choice

    // The folder disappeared between choosing and listing: the user is told.
    f.dialogs.answers.push_back(MessageAnswer::No);
    f.Gather("/no/such/folder/x.mp3", 1);
    EXPECT_EQ(f.List()->Count(), 1);
    EXPECT_EQ(f.w().StatusText(), "Folder listing failed: No such file or directory");
}

TEST(Gathering, PathsLongerThan255CharactersAreRefusedNotCut) {
    ListWindow f;
    // A folder path of about 200 characters in two-byte letters, then one name that fits
    // and one that does not.
    std::string cyrillic;
    for (int i = 0; i < 80; ++i) {
        cyrillic += "\xd0\x96"; // U+0416
    }
    ClipFolder folder(cyrillic + "/" + std::string(60, 'g'));
    const std::size_t room = 255 - (folder.Path().size() - 80);
    ASSERT_GT(room, 10u);
    const std::string fits = folder.Add(std::string(room - 4, 'a') + ".mp3");
    folder.Add(std::string(room - 3, 'b') + ".mp3");
    f.Gather(fits, 1);
    ASSERT_EQ(f.List()->Entries(), std::vector<std::string>{fits});
    EXPECT_EQ(fits.size(), 255u + 80u);
    EXPECT_EQ(f.w().StatusText(), "1 new audio file(s) loaded - Total 1. "
                                  "1 skipped: path longer than 255 characters. ");
}

TEST(Removing, DeleteInTheMiddleLoadsTheFollowingEntry) {
    ListWindow f;
    const std::vector<std::string> paths{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3",
                                         "/m/e.mp3"};
    for (const std::string& path : paths) {
        f.deck1.AddClip(path, 60.0);
        f.deck2.AddClip(path, 60.0);
    }
    f.List()->AppendMany(paths);

    // "D" with nothing selected changes nothing.
    QTest::mouseClick(f.w().DeleteButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Count(), 5);
    EXPECT_EQ(f.w().StatusText(), "Ready");

    f.List()->Select(1);
    QTest::mouseClick(f.w().DeleteButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Entries(),
              (std::vector<std::string>{"/m/a.mp3", "/m/c.mp3", "/m/d.mp3", "/m/e.mp3"}));
    EXPECT_EQ(f.List()->SelectedIndex(), 1);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), "/m/c.mp3");
    EXPECT_EQ(f.w().StatusText(), "c - Loaded on Player 1");

    // The last of several: nothing is left selected or loaded.
    f.List()->Select(3);
    QTest::mouseClick(f.w().DeleteButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Count(), 3);
    EXPECT_EQ(f.List()->SelectedIndex(), -1);
    EXPECT_TRUE(f.w().PlayerB.GetFileName().empty());
    EXPECT_EQ(f.w().StatusText(), "Ready");
}

TEST(Removing, DeleteTheOnlyEntry) {
    ListWindow f;
    f.List()->Append("/m/solo.mp3");
    f.List()->Select(0);
    QTest::mouseClick(f.w().DeleteButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Count(), 0);
    EXPECT_EQ(f.w().StatusText(), "Play List is empty");
    EXPECT_TRUE(f.w().PlayerA.GetFileName().empty());
}

TEST(Removing, ClearEmptiesWithoutAskingAndReleasesTheToggles) {
    ListWindow f;
    f.deck1.AddClip("/m/a.mp3", 60.0);
    f.List()->AppendMany({"/m/a.mp3", "/m/b.mp3"});
    UserSelects(f.List(), 0);
    f.w().LoadNextCheck->setChecked(true);
    f.w().MixNextCheck->setChecked(true);
    QTest::mouseClick(f.w().ClearButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Count(), 0);
    EXPECT_EQ(f.List()->SelectedIndex(), -1);
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_FALSE(f.w().MixNextCheck->isChecked());
    EXPECT_EQ(f.w().StatusText(), "Ready");
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.w().PlayerA.GetFileName(), "/m/a.mp3"); // the decks are not touched
}

TEST(Selecting, OnlyTheUsersSelectionLoads) {
    ListWindow f;
    for (const char* path : {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}) {
        f.deck1.AddClip(path, 60.0);
        f.deck2.AddClip(path, 60.0);
    }
    f.List()->AppendMany({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    f.List()->Select(2);
    EXPECT_TRUE(f.w().PlayerA.GetFileName().empty());
    EXPECT_TRUE(f.deck1.Calls().empty());

    // The arrow keys load each entry passed over.
    f.w().show();
    f.List()->setFocus();
    UserSelects(f.List(), 0);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), "/m/a.mp3");
    QTest::keyClick(f.List(), Qt::Key_Down);
    EXPECT_EQ(f.List()->SelectedIndex(), 1);
    EXPECT_EQ(f.w().PlayerB.GetFileName(), "/m/b.mp3");
    QTest::keyClick(f.List(), Qt::Key_Down);
    EXPECT_EQ(f.w().PlayerA.GetFileName(), "/m/c.mp3"); // deck 1 was stopped: taken over
    EXPECT_EQ(f.w().StatusText(), "c - Loaded on Player 1");
}

TEST(Selecting, NoClickOrKeyOfTheUserEmptiesTheSelection) {
    ListWindow f;
    for (const char* path : {"/m/a.mp3", "/m/b.mp3"}) {
        f.deck1.AddClip(path, 60.0);
        f.deck2.AddClip(path, 60.0);
    }
    f.List()->AppendMany({"/m/a.mp3", "/m/b.mp3"});
    f.w().show();
    QWidget* area = f.List()->viewport();
    QTest::mouseClick(area, Qt::LeftButton, {},
                      f.List()->visualRect(f.List()->Model()->index(1)).center());
    ASSERT_EQ(f.List()->SelectedIndex(), 1);
    const QPoint below(area->width() / 2, area->height() - 2);
    ASSERT_FALSE(f.List()->indexAt(below).isValid());

    QTest::mouseClick(area, Qt::LeftButton, {}, below);
    EXPECT_EQ(f.List()->SelectedIndex(), 1) << "click below the entries";
    QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier,
                      f.List()->visualRect(f.List()->Model()->index(1)).center());
    EXPECT_EQ(f.List()->SelectedIndex(), 1) << "Ctrl+click on the selected entry";
    f.List()->setFocus();
    QTest::keyClick(f.List(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(f.List()->SelectedIndex(), 1) << "Ctrl+Space";

    // The selection still drives "D".
    QTest::mouseClick(f.w().DeleteButton, Qt::LeftButton);
    EXPECT_EQ(f.List()->Entries(), std::vector<std::string>{"/m/a.mp3"});
}
