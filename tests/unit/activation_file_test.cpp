#include "app/ActivationFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korvale {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ActivationFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvale-activation-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(m_root, error);
    }
    fs::path m_root;
};

TEST(ActivationFileFolder, PrefersAnAbsoluteXdgDataHomeElseHome) {
    EXPECT_EQ(ActivationFile::ServicesFolder("/data", "/home/u"),
              fs::path("/data/dbus-1/services"));
    EXPECT_EQ(ActivationFile::ServicesFolder(nullptr, "/home/u"),
              fs::path("/home/u/.local/share/dbus-1/services"));
    EXPECT_EQ(ActivationFile::ServicesFolder("", "/home/u"),
              fs::path("/home/u/.local/share/dbus-1/services"));
    EXPECT_EQ(ActivationFile::ServicesFolder("relative/data", "/home/u"),
              fs::path("/home/u/.local/share/dbus-1/services"));
    EXPECT_FALSE(ActivationFile::ServicesFolder(nullptr, nullptr).has_value());
    EXPECT_FALSE(ActivationFile::ServicesFolder("rel", "also-rel").has_value());
}

TEST(ActivationFileContents, NamesTheBusNameAndStartsThisProgramEmbedded) {
    EXPECT_EQ(ActivationFile::Contents("/opt/korvale/bin/korvale"),
              "[D-BUS Service]\nName=KORVALE.Application\n"
              "Exec=/opt/korvale/bin/korvale -Embedding\n");
}

TEST(ActivationFileContents, QuotesPathsThatTheBusWouldSplit) {
    EXPECT_EQ(ActivationFile::Contents("/my apps/it's/korvale"),
              "[D-BUS Service]\nName=KORVALE.Application\n"
              "Exec='/my apps/it'\\''s/korvale' -Embedding\n");
    EXPECT_EQ(*ActivationFile::Contents("/a/$HOME\\x"), "[D-BUS Service]\nName=KORVALE."
                                                        "Application\nExec='/a/$HOME\\x' "
                                                        "-Embedding\n");
}

TEST(ActivationFileContents, RefusesPathsAServiceFileCannotHold) {
    EXPECT_FALSE(ActivationFile::Contents("").has_value());
    EXPECT_FALSE(ActivationFile::Contents("korvale").has_value());
    EXPECT_FALSE(ActivationFile::Contents("/bin/kor\nvale").has_value());
    EXPECT_FALSE(ActivationFile::Contents("/bin/kor\x7fvale").has_value());
    EXPECT_FALSE(ActivationFile::Contents("/bin/\xff\xfe").has_value());
    EXPECT_FALSE(ActivationFile::Contents("/bin/\xc3").has_value());
    EXPECT_TRUE(ActivationFile::Contents("/bin/k\xc3\xb6rvale").has_value());
}

TEST_F(ActivationFileTest, CreatesMissingFoldersAndWritesTheFile) {
    const auto folder = m_root / "deep" / "dbus-1" / "services";
    EXPECT_EQ(ActivationFile::WriteOrRepair(folder, "/usr/bin/korvale"),
              ActivationFileOutcome::Written);
    EXPECT_EQ(ReadAll(folder / "KORVALE.Application.service"),
              *ActivationFile::Contents("/usr/bin/korvale"));
    // Nothing else is left in the folder (no temporary file).
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(ActivationFileTest, LeavesAnIdenticalFileUntouched) {
    ASSERT_EQ(ActivationFile::WriteOrRepair(m_root, "/usr/bin/korvale"),
              ActivationFileOutcome::Written);
    const auto file = m_root / "KORVALE.Application.service";
    const auto before = fs::last_write_time(file);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    const auto inodeBefore = info.st_ino;

    EXPECT_EQ(ActivationFile::WriteOrRepair(m_root, "/usr/bin/korvale"),
              ActivationFileOutcome::Unchanged);
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_ino, inodeBefore);
    EXPECT_EQ(fs::last_write_time(file), before);
}

TEST_F(ActivationFileTest, RepairsADamagedOrStaleFile) {
    const auto file = m_root / "KORVALE.Application.service";
    for (const std::string damaged : {std::string("garbage\0\xff", 9),
                                      std::string("[D-BUS Service]\nName=KORVALE.Application\n"
                                                  "Exec=/old/place/korvale -Embedding\n"),
                                      std::string()}) {
        std::ofstream(file, std::ios::binary) << damaged;
        EXPECT_EQ(ActivationFile::WriteOrRepair(m_root, "/new/korvale"),
                  ActivationFileOutcome::Written);
        EXPECT_EQ(ReadAll(file), *ActivationFile::Contents("/new/korvale"));
    }
}

TEST_F(ActivationFileTest, FailsQuietlyWhereItCannotWrite) {
    // A plain file where the folder should be.
    std::ofstream(m_root / "blocker") << "x";
    EXPECT_EQ(ActivationFile::WriteOrRepair(m_root / "blocker" / "services", "/usr/bin/korvale"),
              ActivationFileOutcome::Failed);
    // A folder where the file should be.
    fs::create_directories(m_root / "dir" / "KORVALE.Application.service");
    EXPECT_EQ(ActivationFile::WriteOrRepair(m_root / "dir", "/usr/bin/korvale"),
              ActivationFileOutcome::Failed);
    EXPECT_TRUE(fs::is_directory(m_root / "dir" / "KORVALE.Application.service"));
    // A path the bus could not start.
    EXPECT_EQ(ActivationFile::WriteOrRepair(m_root, "relative/korvale"),
              ActivationFileOutcome::Failed);
    EXPECT_FALSE(fs::exists(m_root / "KORVALE.Application.service"));
    // A read-only folder (root ignores permissions, so only checked for other users).
    if (::geteuid() != 0) {
        fs::create_directories(m_root / "ro");
        fs::permissions(m_root / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(ActivationFile::WriteOrRepair(m_root / "ro", "/usr/bin/korvale"),
                  ActivationFileOutcome::Failed);
        fs::permissions(m_root / "ro", fs::perms::owner_all);
    }
}

} // namespace
} // namespace korvale
