// The password file where no secret service runs, and the writable-folder probe.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FileSecretStore.h"
#include "platform/WritableFolderProbe.h"
#include "support/TempDir.h"

namespace korvale {
namespace {

TEST(FileSecretStore, KeepsTheSecretWholeInAFileOnlyItsOwnerReads) {
    testing::TempDir dir;
    const std::string path = dir.file("config/stream-password");
    FileSecretStore store(path);
    EXPECT_EQ(store.read(), "");
    std::string why;
    ASSERT_TRUE(store.write("first secret", &why)) << why;
    EXPECT_EQ(FileSecretStore(path).read(), "first secret");
    ASSERT_TRUE(store.write("2nd", &why)) << why;
    EXPECT_EQ(FileSecretStore(path).read(), "2nd");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777U, 0600U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("config")), {}), 1);
    EXPECT_EQ(store.where(), "the file " + path + ", readable by you alone");
}

TEST(FileSecretStore, SaysWhyWhenTheFolderCannotBeMade) {
    testing::TempDir dir;
    std::ofstream(dir.file("plain")) << "x";
    FileSecretStore store(dir.file("plain/stream-password"));
    std::string why;
    EXPECT_FALSE(store.write("secret", &why));
    EXPECT_NE(why.find("cannot create"), std::string::npos) << why;
}

TEST(WritableFolderProbe, AcceptsAFolderThatIsOrCanBeMade) {
    testing::TempDir dir;
    std::ofstream(dir.file("plain")) << "x";
    struct Row {
        std::string folder;
        bool writable;
    };
    const WritableFolderProbe probe;
    for (const Row& row : {Row{dir.path(), true}, Row{dir.file("new/deeper"), true},
                           Row{dir.file("plain/below"), false}, Row{"relative", false}}) {
        SCOPED_TRACE(row.folder);
        std::string why;
        EXPECT_EQ(probe.CanWrite(row.folder, &why), row.writable);
        EXPECT_EQ(why.empty(), row.writable);
    }
}

} // namespace
} // namespace korvale
