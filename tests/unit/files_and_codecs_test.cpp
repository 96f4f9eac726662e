// Play-list codecs and whole-file reads and writes.
#include "core/PlayListCodec.h"
#include "core/WholeFile.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace korvale {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;
using Entries = std::vector<std::string>;

const std::string kZtlHead =
    "\"Zantor Play List\"\r\r\n\"Date: \"\r\r\n\"Owner: \"\r\r\n\"Clips: 2\"\r\r\n"
    "\"Duration: \"\r\r\n\"Style: \"\r\r\n\"Description: \"\r\r\n"
    "\"Date to play: \"\r\r\n\"Time to play: \"\r\r\n";

TEST(PlayListCodec, DecodesEncodesAndRefusesAsWorkedOut) {
    EXPECT_EQ(EncodeZtl({"/m/a.mp3", "/m/b c.wav"}),
              kZtlHead + "\"/m/a.mp3\"\r\r\n\"/m/b c.wav\"\r\r\n");
    EXPECT_NE(EncodeZtl(Entries(1234, "x")).find("\"Clips: 1234\"\r\r\n"), std::string::npos);
    EXPECT_EQ(EncodePlainList({"/m/a.mp3", "", "/m/b.wav"}), "/m/a.mp3\r\n\r\n/m/b.wav\r\n");
    const std::string l(256, 'z'), f(255, 'f');
    struct Case { bool ztl; std::string bytes; Entries entries; std::size_t tooLong, unclosed; };
    const Case cases[] = {
        {true, "\"Other\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"junk \"/a\" \"\"", {"/a", ""}, 0, 0},
        {true, kZtlHead + "\"a\r\nb\"", {"a\r\nb"}, 0, 0}, {true, kZtlHead, {}, 0, 0},
        {true, "/m/a.mp3\r\n/m/b.mp3\r\n", {}, 0, 0}, {true, "", {}, 0, 0},
        {true, kZtlHead + "\"/a\"\r\r\n\"/b/cut of", {"/a"}, 0, 1}, {true, "\"Zantor", {}, 0, 0},
        {true, kZtlHead + "\"", {}, 0, 1}, {true, kZtlHead + "\"" + l + "\"\"" + f + "\"\"" + l + "\"", {f}, 2, 0},
        {false, l + "\r\n" + f + "\r\n" + l, {f}, 2, 0}, {false, f + "\r\n", {f}, 0, 0},
        {false, "#EXTM3U\r\n#EXTINF:1,A - T\r\n/m/T.mp3\r\n", {"#EXTM3U", "#EXTINF:1,A - T", "/m/T.mp3"}, 0, 0},
        {false, "/m/a.mp3\n/m/b.mp3\n", {"/m/a.mp3", "/m/b.mp3"}, 0, 0},
        {false, "a\r\n\r\n\nb\n", {"a", "", "", "b"}, 0, 0}, {false, "\n", {""}, 0, 0},
        {false, "a\r\nbc", {"a", "bc"}, 0, 0}, {false, "a\r\nb", {"a"}, 0, 0}, {false, "b", {}, 0, 0},
        {false, "a\r\nb\r", {"a", "b"}, 0, 0}, {false, "a\r\n\r", {"a"}, 0, 0}, {false, "", {}, 0, 0},
        {false, "\"Z\"\r\r\n", {"\"Z\"\r"}, 0, 0}, {false, "a\rb\n", {"a\rb"}, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const DecodedPlayList d = c.ztl ? DecodeZtl(c.bytes) : DecodeM3u(c.bytes);
        EXPECT_EQ(d.entries, c.entries) << "case " << i;
        EXPECT_EQ(std::pair(d.refusedTooLong, d.refusedUnclosed), std::pair(c.tooLong, c.unclosed)) << i;
    }
    const Entries all{"/m/a.mp3", "", "/m/#odd.wav", f, "é/ü"};
    EXPECT_EQ(DecodeZtl(EncodeZtl(all)).entries, all);
    EXPECT_EQ(DecodeM3u(EncodePlainList(all)).entries, all);
    EXPECT_EQ(FirstEntryWithQuote({"a", "b\"x", "c\""}), 1u);
    EXPECT_EQ(FirstEntryWithQuote({"a"}), std::nullopt);
    EXPECT_EQ(FirstEntryWithLineBreak({"a", "b", "c\rd"}), 2u);
    EXPECT_EQ(FirstEntryWithLineBreak({"a", "b"}), std::nullopt);
}

TEST(WholeFile, ReadsAnyBytesAndTypesEveryFailureWithoutBlocking) {
    testing::TempDir dir;
    const std::string bytes = std::string("a\0b\r\r\n\xff", 7) + std::string(200000, 'x');
    WriteBytes(dir.file("list"), bytes);
    EXPECT_EQ(ReadWholeFile(dir.file("list")).bytes, bytes);
    EXPECT_EQ(ReadWholeFile(dir.file("list"), bytes.size()).error, ReadFileError::None);
    EXPECT_EQ(ReadWholeFile(dir.file("list"), bytes.size() - 1).error, ReadFileError::TooLarge);
    ::truncate(dir.file("list").c_str(), kPlayListFileMaxBytes + 1); // sparse: never loaded
    WriteBytes(dir.file("empty"), "");
    ::mkfifo(dir.file("pipe").c_str(), 0600);
    const std::pair<std::string, ReadFileError> cases[] = {
        {dir.file("list"), ReadFileError::TooLarge}, {dir.file("missing"), ReadFileError::Missing},
        {dir.file("no/such"), ReadFileError::Missing}, {dir.path(), ReadFileError::IsDirectory},
        {dir.file("empty"), ReadFileError::Empty}, {dir.file("pipe"), ReadFileError::Unreadable},
        {"/dev/zero", ReadFileError::Unreadable}, {"/proc/self/mem", ReadFileError::Unreadable}};
    for (const auto& [path, error] : cases) {
        const ReadFileResult result = ReadWholeFile(path);
        EXPECT_EQ(std::pair(result.error, result.errorText.empty()), std::pair(error, false)) << path;
    }
}

TEST(WholeFile, WriteReplacesThroughLinksKeepsModesAndLeavesNoTemporary) {
    testing::TempDir dir;
    const std::string path = dir.file("list.ztl");
    ASSERT_TRUE(WriteFileReplacing(path, "first").ok);
    ::chmod(path.c_str(), 0640);
    fs::create_symlink(path, dir.file("link"));
    ASSERT_TRUE(WriteFileReplacing(dir.file("link"), std::string("second\0!", 8)).ok);
    EXPECT_EQ(ReadBytes(path), std::string("second\0!", 8));
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
    ASSERT_TRUE(WriteFileReplacing(path, "").ok);
    EXPECT_EQ(fs::file_size(path), 0u);
    fs::create_directory(dir.file("taken"));
    for (const std::string& bad : {path + "/x", dir.file("taken"), std::string("/proc/korvale.ztl"),
                                   std::string(), dir.path() + "/"}) {
        const WriteFileResult result = WriteFileReplacing(bad, "data");
        EXPECT_FALSE(result.ok || result.errorText.empty()) << bad;
    }
    EXPECT_EQ(WriteFileReplacing(path + "/x", "data").errorNumber, ENOTDIR);
    EXPECT_TRUE(fs::is_directory(dir.file("taken")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

// A save that runs out of room (the file-size limit, in a child so that it stays there) or
// cannot create its file is told as such, and the old file stays as it was.
TEST(PlayListSave, RunningOutOfRoomOrNoPlaceToCreateIsToldAndKeepsTheOldFile) {
    testing::TempDir dir;
    const std::string path = dir.file("list.ztl");
    WriteBytes(path, "old contents");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        test::CoreFixture f;
        f.core.Store().List().AppendMany(Entries(1000, "/music/" + std::string(90, 'n') + ".mp3"));
        bool told = true;
        for (const auto& [target, caption] : {std::pair{path, "KORVALE couldn't write out file"},
                                              {dir.file("gone/list.ztl"), "KORVALE couldn't create out file"}}) {
            f.dialogs.messages.clear();
            told = told && f.core.Files().WritePlayListFile(target, 1) == PlayListFiles::kNotWritten &&
                   f.dialogs.messages.size() == 1 && f.dialogs.messages[0].caption == caption;
        }
        ::_exit(told ? 0 : 1);
    }
    int status = 1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace korvale
