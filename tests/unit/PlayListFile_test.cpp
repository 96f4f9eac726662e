#include "core/WholeFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvale {
namespace {

namespace fs = std::filesystem;

class PlayListFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "korvale-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Names in the folder, so a test sees any temporary file left behind.
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

TEST_F(PlayListFileTest, ReadsWholeFilesWithAnyBytes) {
    const std::string bytes = std::string("a\0b\r\r\n\xff", 7) + std::string(200000, 'x');
    Put(PathOf("list.ztl"), bytes);
    const ReadFileResult result = ReadWholeFile(PathOf("list.ztl"));
    ASSERT_TRUE(result.Ok()) << result.errorText;
    EXPECT_EQ(result.bytes, bytes);
    EXPECT_TRUE(result.errorText.empty());
}

TEST_F(PlayListFileTest, ReadFailuresAreTyped) {
    EXPECT_EQ(ReadWholeFile(PathOf("missing.m3u")).error, ReadFileError::Missing);
    EXPECT_EQ(ReadWholeFile(PathOf("no/such/folder.m3u")).error, ReadFileError::Missing);
    EXPECT_EQ(ReadWholeFile(m_dir.string()).error, ReadFileError::IsDirectory);
    Put(PathOf("empty.m3u"), "");
    EXPECT_EQ(ReadWholeFile(PathOf("empty.m3u")).error, ReadFileError::Empty);
    // A read error on an open file (reading this address space at offset 0 fails).
    const ReadFileResult unreadable = ReadWholeFile("/proc/self/mem");
    EXPECT_EQ(unreadable.error, ReadFileError::Unreadable);
    EXPECT_FALSE(unreadable.errorText.empty());
}

TEST_F(PlayListFileTest, PipesAreRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(PathOf("pipe.m3u").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(PathOf("pipe.m3u")).error, ReadFileError::Unreadable);
    EXPECT_EQ(ReadWholeFile("/dev/zero").error, ReadFileError::Unreadable);
}

TEST_F(PlayListFileTest, OversizedFilesAreRefusedBeforeReading) {
    Put(PathOf("small.ztl"), std::string(100, 'x'));
    EXPECT_TRUE(ReadWholeFile(PathOf("small.ztl"), 100).Ok());
    EXPECT_EQ(ReadWholeFile(PathOf("small.ztl"), 99).error, ReadFileError::TooLarge);
    // A sparse file past the default limit costs no disc space and must not be loaded.
    ASSERT_EQ(::truncate(PathOf("small.ztl").c_str(), kPlayListFileMaxBytes + 1), 0);
    EXPECT_EQ(ReadWholeFile(PathOf("small.ztl")).error, ReadFileError::TooLarge);
}

TEST_F(PlayListFileTest, WriteCreatesAndReplacesLeavingNoTemporary) {
    const std::string path = PathOf("list.ztl");
    WriteFileResult result = WriteFileReplacing(path, "first");
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(Get(path), "first");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    result = WriteFileReplacing(path, std::string("second\0!", 8));
    ASSERT_TRUE(result.ok) << result.errorText;
    EXPECT_EQ(Get(path), std::string("second\0!", 8));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(), 1u);
    // An empty list writes an empty file.
    ASSERT_TRUE(WriteFileReplacing(path, "").ok);
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(PlayListFileTest, WriteThroughALinkKeepsTheLink) {
    Put(PathOf("real.m3u"), "old");
    fs::create_symlink(PathOf("real.m3u"), PathOf("link.m3u"));
    ASSERT_TRUE(WriteFileReplacing(PathOf("link.m3u"), "new").ok);
    EXPECT_TRUE(fs::is_symlink(PathOf("link.m3u")));
    EXPECT_EQ(Get(PathOf("real.m3u")), "new");
}

TEST_F(PlayListFileTest, UnwritablePlacesFailAndCreateNothing) {
    Put(PathOf("plain"), "x");
    const WriteFileResult underFile = WriteFileReplacing(PathOf("plain/list.ztl"), "data");
    EXPECT_FALSE(underFile.ok);
    EXPECT_EQ(underFile.errorNumber, ENOTDIR);
    EXPECT_FALSE(underFile.errorText.empty());

    const WriteFileResult inProc = WriteFileReplacing("/proc/korvale-list.ztl", "data");
    EXPECT_FALSE(inProc.ok);
    EXPECT_FALSE(inProc.errorText.empty());
    EXPECT_FALSE(fs::exists("/proc/korvale-list.ztl"));

    // A folder standing where the file should go stays, and no temporary is left.
    fs::create_directory(PathOf("taken.ztl"));
    EXPECT_FALSE(WriteFileReplacing(PathOf("taken.ztl"), "data").ok);
    EXPECT_TRUE(fs::is_directory(PathOf("taken.ztl")));
    EXPECT_EQ(EntryCount(), 2u);

    EXPECT_FALSE(WriteFileReplacing("", "data").ok);
    EXPECT_FALSE(WriteFileReplacing(m_dir.string() + "/", "data").ok);
}

TEST_F(PlayListFileTest, RunningOutOfRoomKeepsTheOldFile) {
    const std::string path = PathOf("list.ztl");
    Put(path, "old contents");
    // The file-size limit is set in a child so that the test process keeps its own.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const WriteFileResult result = WriteFileReplacing(path, std::string(100000, 'n'));
        ::_exit(!result.ok && result.errorNumber == EFBIG && !result.errorText.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Get(path), "old contents");
    EXPECT_EQ(EntryCount(), 1u);
}

} // namespace
} // namespace korvale
