// Saving the play list ("S") and reading play-list files through "L", on real files.
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/WindowFixture.h"
#include "ui/PlayListView.h"

using namespace korvale;
using korvale::test::WindowFixture;
using korvale::testing::ReadBytes;
using korvale::testing::WriteBytes;

namespace {

constexpr char kSaved[] = "Play List Saved";
constexpr char kSearching[] = "Searching for valid audio files...";
constexpr int kZtlFilter = 1;
constexpr int kM3uFilter = 2;
constexpr int kAllFilesFilter = 3;
constexpr int kOpenZtlFilter = 3;
constexpr int kOpenM3uFilter = 4;

const std::vector<std::string> kTwo{"/music/One.mp3", "/music/Two Words.wav"};

const std::string kTwoAsZtl = "\"Zantor Play List\"\r\r\n"
                              "\"Date: \"\r\r\n"
                              "\"Owner: \"\r\r\n"
                              "\"Clips: 2\"\r\r\n"
                              "\"Duration: \"\r\r\n"
                              "\"Style: \"\r\r\n"
                              "\"Description: \"\r\r\n"
                              "\"Date to play: \"\r\r\n"
                              "\"Time to play: \"\r\r\n"
                              "\"/music/One.mp3\"\r\r\n"
                              "\"/music/Two Words.wav\"\r\r\n";

class PlayListFilesTest : public ::testing::Test {
protected:
    CKORVALEDlg& w() { return f.w(); }
    PlayListView& list() { return *f.w().PlayListBox; }

    void Save(const std::string& path, int filter) {
        f.dialogs.saveChoices.push_back({path, filter});
        QTest::mouseClick(w().SaveListButton, Qt::LeftButton);
    }
    // "L" on a play-list file, keeping what the list holds.
    void Load(const std::string& path, int filter) {
        f.dialogs.openChoices.push_back({path, filter});
        f.dialogs.answers.push_back(MessageAnswer::No);
        QTest::mouseClick(w().LoadButton, Qt::LeftButton);
    }

    WindowFixture f;
    korvale::testing::TempDir dir;
};

TEST_F(PlayListFilesTest, ZtlIsWrittenByteForByte) {
    list().AppendMany(kTwo);
    const std::string path = dir.file("list.ztl");
    Save(path, kZtlFilter);

    ASSERT_EQ(f.dialogs.saveRequests.size(), 1u);
    const SaveFileRequest& request = f.dialogs.saveRequests[0];
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[0].description, "KORVALE Play Lists {*.ztl}");
    EXPECT_EQ(request.filters[0].pattern, "*.ztl");
    EXPECT_EQ(request.filters[1].description, "Media Playlists {*.m3u}");
    EXPECT_EQ(request.filters[1].pattern, "*.m3u");
    EXPECT_EQ(request.filters[2].description, "All Files {*.*}");
    EXPECT_EQ(request.filters[2].pattern, "*.*");
    EXPECT_EQ(request.defaultSuffix, "ztl");

    EXPECT_EQ(ReadBytes(path), kTwoAsZtl);
    EXPECT_EQ(w().StatusText(), kSaved);
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST_F(PlayListFilesTest, PlainListFormatFollowsTheFilterNotTheName) {
    list().AppendMany(kTwo);
    const std::string m3u = dir.file("list.m3u");
    const std::string named = dir.file("named.ztl");
    Save(m3u, kM3uFilter);
    Save(named, kAllFilesFilter);
    const std::string plain = "/music/One.mp3\r\n/music/Two Words.wav\r\n";
    EXPECT_EQ(ReadBytes(m3u), plain);
    EXPECT_EQ(ReadBytes(named), plain);
}

TEST_F(PlayListFilesTest, EmptyListOrCancelledDialogWritesNothing) {
    w().SetStatus("before");
    QTest::mouseClick(w().SaveListButton, Qt::LeftButton);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Play List is Empty");
    EXPECT_EQ(f.dialogs.messages[0].caption, "KORVALE");
    EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(f.dialogs.saveRequests.empty());

    list().AppendMany(kTwo);
    QTest::mouseClick(w().SaveListButton, Qt::LeftButton); // the dialog is cancelled
    EXPECT_EQ(f.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(w().StatusText(), "before");
}

TEST_F(PlayListFilesTest, BothFormatsReadBackThroughLoad) {
    list().AppendMany(kTwo);
    Save(dir.file("a.ztl"), kZtlFilter);
    Save(dir.file("a.m3u"), kM3uFilter);
    list().Clear();

    Load(dir.file("a.ztl"), kOpenZtlFilter);
    EXPECT_EQ(list().Entries(), kTwo);
    EXPECT_EQ(w().StatusText(), "New Clips Loaded: 2, Total: 2");

    Load(dir.file("a.m3u"), kOpenM3uFilter);
    EXPECT_EQ(w().StatusText(), "New Clips Loaded: 2, Total: 4");
    EXPECT_EQ(list().Entries(), (std::vector<std::string>{kTwo[0], kTwo[1], kTwo[0], kTwo[1]}));
}

TEST_F(PlayListFilesTest, ZtlHeaderIsSkippedWhateverItSaysAndEmptyFieldsCount) {
    const std::string path = dir.file("other.ztl");
    ASSERT_TRUE(WriteBytes(path, "\"Some Other List\"\n\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\n"
                                 "\"/a.mp3\" junk \"\"\n\"/b\nc.mp3\"\r\n"));
    list().Append("kept");
    EXPECT_EQ(w().ReadZtlFile(path), 0);
    EXPECT_EQ(list().Entries(), (std::vector<std::string>{"kept", "/a.mp3", "", "/b\nc.mp3"}));
    EXPECT_EQ(w().StatusText(), "New Clips Loaded: 3, Total: 4");
}

TEST_F(PlayListFilesTest, ExtendedMediaPlayListKeepsItsNumberSignLines) {
    const std::string path = dir.file("ext.m3u");
    ASSERT_TRUE(WriteBytes(path, "#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n/music/Song.mp3\r\n"));
    EXPECT_EQ(w().ReadM3uFile(path), 0);
    EXPECT_EQ(list().Entries(), (std::vector<std::string>{"#EXTM3U", "#EXTINF:215,Artist - Title",
                                                          "/music/Song.mp3"}));
    EXPECT_EQ(w().StatusText(), "New Clips Loaded: 3, Total: 3");
}

TEST_F(PlayListFilesTest, LfOnlyMediaPlayListKeepsEveryCharacter) {
    const std::string path = dir.file("lf.m3u");
    ASSERT_TRUE(WriteBytes(path, "/music/a.mp3\n\n/music/b.mp3\n/music/last.mp3"));
    EXPECT_EQ(w().ReadM3uFile(path), 0);
    EXPECT_EQ(list().Entries(),
              (std::vector<std::string>{"/music/a.mp3", "", "/music/b.mp3", "/music/last.mp3"}));
}

TEST_F(PlayListFilesTest, OverlongOrCutOffEntriesAreLeftOutAndCounted) {
    const std::string path = dir.file("long.ztl");
    std::string bytes;
    for (int i = 0; i < 9; ++i) {
        bytes += "\"h\"\r\r\n";
    }
    bytes += "\"/" + std::string(300, 'x') + "\"\r\r\n\"/ok.mp3\"\r\r\n\"/cut off";
    ASSERT_TRUE(WriteBytes(path, bytes));
    EXPECT_EQ(w().ReadZtlFile(path), 0);
    EXPECT_EQ(list().Entries(), std::vector<std::string>{"/ok.mp3"});
    EXPECT_EQ(w().StatusText(), "New Clips Loaded: 1, Total: 1. 1 skipped: longer than 255 "
                                "characters. Last entry skipped: no closing quote");
}

TEST_F(PlayListFilesTest, UnreadableOrEmptyFilesAppendNothingAndKeepTheStatus) {
    const std::string empty = dir.file("empty.m3u");
    ASSERT_TRUE(WriteBytes(empty, ""));
    list().Append("kept");
    for (const std::string& path : {empty, dir.file("missing.ztl"), dir.path()}) {
        SCOPED_TRACE(path);
        Load(path, kOpenZtlFilter);
        EXPECT_EQ(w().StatusText(), kSearching);
        Load(path, kOpenM3uFilter);
        EXPECT_EQ(w().StatusText(), kSearching);
        EXPECT_EQ(w().ReadZtlFile(path), -6);
        EXPECT_EQ(w().ReadM3uFile(path), -6);
    }
    EXPECT_EQ(list().Entries(), std::vector<std::string>{"kept"});
}

TEST_F(PlayListFilesTest, EntryWithAQuoteCannotBeSavedAsZtl) {
    list().AppendMany({"/music/ok.mp3", "/music/12\" Mix.mp3"});
    const std::string path = dir.file("quote.ztl");
    ASSERT_TRUE(WriteBytes(path, "old"));
    w().SetStatus("before");
    Save(path, kZtlFilter);

    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].text.find("Entry 2 "), std::string::npos);
    EXPECT_NE(f.dialogs.messages[0].text.find("/music/12\" Mix.mp3"), std::string::npos);
    EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(w().StatusText(), "before");

    // A plain list holds it as it is.
    Save(dir.file("quote.m3u"), kM3uFilter);
    EXPECT_EQ(ReadBytes(dir.file("quote.m3u")), "/music/ok.mp3\r\n/music/12\" Mix.mp3\r\n");
    EXPECT_EQ(w().StatusText(), kSaved);
}

TEST_F(PlayListFilesTest, SaveWhereNoFileCanBeCreatedShowsThePath) {
    const std::string regular = dir.file("not a folder");
    ASSERT_TRUE(WriteBytes(regular, "x"));
    const std::string tooLong = dir.path() + "/" + std::string(260, 'l') + ".ztl";
    list().AppendMany(kTwo);
    w().SetStatus("before");
    for (const std::string& path :
         {regular + "/list.ztl", dir.file("no/such/folder.ztl"), dir.path(), tooLong}) {
        SCOPED_TRACE(path);
        f.dialogs.messages.clear();
        Save(path, kZtlFilter);
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.dialogs.messages[0].text, path);
        EXPECT_EQ(f.dialogs.messages[0].caption, "KORVALE couldn't create out file");
        EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(w().WritePlayListFile(path, kZtlFilter), 1);
        EXPECT_EQ(w().StatusText(), "before");
    }
    EXPECT_EQ(ReadBytes(regular), "x");
    struct stat st {};
    EXPECT_TRUE(stat(dir.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

// Lowers the file-size limit for its lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

TEST_F(PlayListFilesTest, SaveThatRunsOutOfRoomKeepsTheOldFile) {
    const std::string path = dir.file("full.ztl");
    list().AppendMany(kTwo);
    Save(path, kZtlFilter);
    ASSERT_EQ(ReadBytes(path), kTwoAsZtl);

    std::vector<std::string> many;
    for (int i = 0; i < 200; ++i) {
        many.push_back("/music/clip number " + std::to_string(i) + ".mp3");
    }
    list().ReplaceAll(many);
    w().SetStatus("before");
    {
        const FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        Save(path, kZtlFilter);
    }
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].caption, "KORVALE couldn't write out file");
    EXPECT_EQ(f.dialogs.messages[0].text.rfind(path + "\n", 0), 0u);
    EXPECT_GT(f.dialogs.messages[0].text.size(), path.size() + 2);
    EXPECT_EQ(ReadBytes(path), kTwoAsZtl);
    EXPECT_EQ(w().StatusText(), "before");

    // No temporary file is left behind; with room again the save goes through.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"full.ztl"});
    Save(path, kZtlFilter);
    EXPECT_EQ(w().StatusText(), kSaved);
    EXPECT_NE(ReadBytes(path).find("\"Clips: 200\"\r\r\n"), std::string::npos);
}

} // namespace
