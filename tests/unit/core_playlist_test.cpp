// The play list through the core: gathering, removing, clearing, files, shuffle, advance.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "core/PlayListCodec.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Entries = std::vector<std::string>;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

Entries Sorted(Entries entries) {
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

TEST(CorePlayList, GatherFollowsTheFilterAsksBeforeClearingAndCancelChangesNothing) {
    korvale::testing::TempDir dir;
    for (const char* name : {"a.mp3", "B.MP3", "c.wav"}) WriteFile(dir.file(name), "");
    WriteFile(dir.file("l.ztl"), EncodeZtl({"/x.mp3", "/y.mp3"}));
    WriteFile(dir.file("l.m3u"), EncodePlainList({"/x.mp3", "/y.mp3"}));
    const Entries mp3{dir.file("B.MP3"), dir.file("a.mp3")}, lists{"/x.mp3", "/y.mp3"};
    struct Row { const char* file; int filter; Entries found; MessageAnswer answer; };
    const Row rows[] = {{"c.wav", 1, mp3, MessageAnswer::Yes}, {"a.mp3", 2, {dir.file("c.wav")}, MessageAnswer::No},
                        {"c.wav", 5, mp3, MessageAnswer::No},  {"l.ztl", 3, lists, MessageAnswer::Yes},
                        {"l.m3u", 4, lists, MessageAnswer::No}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.filter);
        CoreFixture f;
        f.Gather({"/o1.mp3", "/o2.mp3", "/o3.mp3"});
        f.dialogs.answers.push_back(row.answer);
        f.dialogs.openChoices.push_back({dir.file(row.file), row.filter});
        f.core.Store().GatherClips();
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(std::tuple(f.dialogs.messages[0].text, f.dialogs.messages[0].buttons),
                  std::tuple("Clear 3 clips and empty the Play List?", MessageButtons::YesNo));
        const bool kept = row.answer == MessageAnswer::No;
        const Entries all = f.core.List().Entries();
        EXPECT_EQ(Sorted(Entries(all.begin() + (kept ? 3 : 0), all.end())), row.found);
        const int n = static_cast<int>(row.found.size()), total = n + (kept ? 3 : 0);
        EXPECT_EQ(f.core.StatusText(), row.filter == 3 || row.filter == 4
            ? "New Clips Loaded: " + std::to_string(n) + ", Total: " + std::to_string(total)
            : std::to_string(n) + " new audio file(s) loaded - Total " + std::to_string(total) + ". ");
        f.core.Store().GatherClips(); // cancelled: no question, nothing gathered, no status
        EXPECT_EQ(std::tuple(f.dialogs.messages.size(), f.core.List().Count(), f.core.StatusText()),
                  std::tuple(1u, total, ""));
        EXPECT_EQ(f.dialogs.openRequests.back().initialFile, dir.file(row.file));
    }
}

TEST(CorePlayList, GatherCountsRefusedLongPathsAndReportsListingErrors) {
    korvale::testing::TempDir dir;
    const std::string folder = dir.file(std::string(220 - dir.path().size(), 'd'));
    std::filesystem::create_directory(folder);
    WriteFile(folder + "/a.mp3", "");
    WriteFile(folder + "/" + std::string(60, 'n') + ".mp3", "");
    CoreFixture f;
    f.dialogs.openChoices.push_back({folder + "/a.mp3", 1});
    f.core.Store().GatherClips();
    EXPECT_EQ(f.core.List().Entries(), Entries{folder + "/a.mp3"});
    EXPECT_EQ(f.core.StatusText(), "1 new audio file(s) loaded - Total 1. "
                                   "1 skipped: path longer than 255 characters. ");
    f.dialogs.openChoices.push_back({dir.file("gone/a.mp3"), 1});
    f.dialogs.answers.push_back(MessageAnswer::No);
    f.core.Store().GatherClips();
    EXPECT_EQ(f.core.StatusText().rfind("Folder listing failed: No such file", 0), 0u);
    EXPECT_EQ(f.core.List().Count(), 1);
}

TEST(CorePlayList, RemoveLoadsTheEntryThatTookItsPlaceAndClearReleasesToggles) {
    struct Row { Entries entries; int selected; Entries left; int after; const char* status; const char* deck1; };
    const Row rows[] = {{{"/a.mp3", "/b.mp3", "/c.mp3"}, 1, {"/a.mp3", "/c.mp3"}, 1, "c - Loaded on Player 1", "/c.mp3"},
                        {{"/a.mp3", "/b.mp3"}, 1, {"/a.mp3"}, -1, "Ready", ""},
                        {{"/a.mp3", "/b.mp3"}, -1, {"/a.mp3", "/b.mp3"}, -1, "", ""},
                        {{"/a.mp3"}, 0, {}, -1, "Play List is empty", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.selected);
        CoreFixture f;
        f.Gather(row.entries);
        f.core.Store().List().Select(row.selected);
        f.core.Store().RemoveSelectedClip();
        EXPECT_EQ(f.core.List().Entries(), row.left);
        EXPECT_EQ(std::tuple(f.core.List().SelectedIndex(), f.core.StatusText(), f.Holds(Deck::A)),
                  std::tuple(row.after, row.status, row.deck1));
        f.core.SetLoadNext(true), f.core.SetMixNext(true);
        f.core.Store().ClearPlayList();
        EXPECT_EQ(std::tuple(f.core.List().Count(), f.core.List().SelectedIndex(), f.core.LoadNext(),
                             f.core.MixNext(), f.core.StatusText()), std::tuple(0, -1, false, false, "Ready"));
    }
}

TEST(CorePlayList, SavedFilesReadBackAppendingAndRefusedEntriesSaveNothing) {
    korvale::testing::TempDir dir;
    struct Row { int filter; const char* bad; const char* reason; };
    const Row rows[] = {{1, "/say \"hi\".mp3", "Entry 2 holds a double quote"},
                        {2, "/two\nlines.mp3", "Entry 2 holds a line break, "},
                        {3, "/two\rlines.mp3", "Entry 2 holds a line break, "}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.filter);
        CoreFixture f;
        const std::string path = dir.file("saved" + std::to_string(row.filter));
        auto read = [&] { return row.filter == 1 ? f.core.Files().ReadZtlFile(path) : f.core.Files().ReadM3uFile(path); };
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
        ASSERT_EQ(f.dialogs.messages.size(), 1u);
        EXPECT_EQ(f.dialogs.messages[0].caption + ": " + f.dialogs.messages[0].text.substr(0, 28),
                  std::string("KORVALE couldn't save the play list: ") + row.reason);
        f.core.Store().List().Clear();
        read();
        EXPECT_EQ(f.core.List().Entries(), (Entries{"/a b.mp3", "/c.mp3"}));
    }
    CoreFixture f;
    f.core.Files().SavePlayList();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text + std::to_string(f.dialogs.saveRequests.size()), "Play List is Empty0");
    WriteFile(dir.file("long.ztl"), EncodeZtl({std::string(300, 'x'), "/ok.mp3"}));
    EXPECT_EQ(f.core.Files().ReadZtlFile(dir.file("long.ztl")), PlayListFiles::kRead);
    EXPECT_EQ(f.core.List().Entries(), Entries{"/ok.mp3"});
    EXPECT_EQ(f.core.StatusText(), "New Clips Loaded: 1, Total: 1. 1 skipped: longer than 255 characters");
    EXPECT_EQ(f.core.Files().ReadZtlFile(dir.file("none.ztl")), PlayListFiles::kNotRead);
}

TEST(CorePlayList, ShuffleReleasesTogglesSelectsNothingAndTells) {
    for (const Entries& entries : {Entries{}, Entries{"/0.mp3", "/1.mp3", "/2.mp3"}}) {
        CoreFixture f;
        f.Gather(entries);
        f.core.Store().List().Select(static_cast<int>(entries.size()) - 1);
        f.core.SetLoadNext(true), f.core.SetMixNext(true);
        f.core.Shuffler().ShufflePlayList();
        EXPECT_EQ(Sorted(f.core.List().Entries()), entries);
        EXPECT_EQ(std::tuple(f.core.List().SelectedIndex(), f.core.LoadNext(), f.core.MixNext(),
                             f.core.StatusText(), f.host.busy), std::tuple(-1, false, false, "Ready", 0));
        ASSERT_EQ(f.dialogs.messages.size(), entries.empty() ? 0u : 1u);
        if (!entries.empty()) EXPECT_EQ(f.dialogs.messages[0].caption + ": " + f.dialogs.messages[0].text,
                                        "Shuffled OK: Load Next & Mix Next are ubchecked\n"
                                        "Please select the next theme\n[ 3 themes suffled ]");
    }
}

TEST(CorePlayList, AdvanceSelectsTheNextEntryWrappingAndLoadsIt) {
    struct Row { int count; int selected; int next; };
    for (const Row row : {Row{3, 0, 1}, Row{3, 1, 2}, Row{3, 2, 0}, Row{1, 0, 0}, Row{3, -1, -1}}) {
        SCOPED_TRACE(row.selected);
        CoreFixture f;
        f.Gather(row.count == 1 ? Entries{"/0.mp3"} : Entries{"/0.mp3", "/1.mp3", "/2.mp3"});
        f.core.Store().List().Select(row.selected);
        f.core.Shuffler().AdvancePlayList();
        EXPECT_EQ(f.core.List().SelectedIndex(), row.next);
        EXPECT_EQ(f.Holds(Deck::A), row.next < 0 ? "" : "/" + std::to_string(row.next) + ".mp3");
    }
}
