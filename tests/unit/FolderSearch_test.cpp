#include "core/FolderSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace korvale {
namespace {

namespace fs = std::filesystem;

class FolderSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "korvale-search-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern + "/";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Touch(const std::string& name) const { std::ofstream(m_dir + name) << ""; }

    // The folder's names in listing order, as a second, independent pass sees them.
    std::vector<std::string> ListingOrder() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(m_dir.c_str());
        while (const dirent* entry = ::readdir(dir)) {
            names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        return names;
    }

    std::string m_dir;
};

TEST_F(FolderSearchTest, MatchesIgnoreCaseKeepListingOrderAndDoNotDescend) {
    for (const char* name :
         {"b.mp3", "A.MP3", "c.wav", "d.mp3.txt", ".hidden.mp3", "Mixed.Mp3", "noext", "x.mp"}) {
        Touch(name);
    }
    fs::create_directory(m_dir + "sub.mp3");
    fs::create_directory(m_dir + "deeper");
    Touch("deeper/inner.mp3");

    const FolderSearchResult result = SearchFolder(m_dir, "*.mp3");
    EXPECT_FALSE(result.listingError);
    EXPECT_EQ(result.refusedTooLong, 0u);

    std::vector<std::string> expected;
    for (const std::string& name : ListingOrder()) {
        if (name == "b.mp3" || name == "A.MP3" || name == ".hidden.mp3" || name == "Mixed.Mp3" ||
            name == "sub.mp3") {
            expected.push_back(m_dir + name);
        }
    }
    EXPECT_EQ(result.paths, expected);
    EXPECT_EQ(SearchFolder(m_dir, "*.WAV").paths, std::vector<std::string>{m_dir + "c.wav"});
}

TEST_F(FolderSearchTest, FolderWithoutTrailingSlashAndNeverDotEntries) {
    Touch("one.mp3");
    const std::string bare = m_dir.substr(0, m_dir.size() - 1);
    EXPECT_EQ(SearchFolder(bare, "*.mp3").paths, std::vector<std::string>{m_dir + "one.mp3"});
    const FolderSearchResult all = SearchFolder(m_dir, "*");
    EXPECT_EQ(all.paths, std::vector<std::string>{m_dir + "one.mp3"});
}

TEST_F(FolderSearchTest, NoMatchIsNoError) {
    Touch("song.ogg");
    const FolderSearchResult result = SearchFolder(m_dir, "*.mp3");
    EXPECT_TRUE(result.paths.empty());
    EXPECT_FALSE(result.listingError);
    EXPECT_TRUE(result.errorText.empty());
}

TEST_F(FolderSearchTest, PathsOver255BytesAreRefusedAndCounted) {
    const std::size_t room = 255 - m_dir.size();
    const std::string fits = std::string(room - 4, 'f') + ".mp3";
    const std::string tooLong = std::string(room - 3, 'g') + ".mp3";
    Touch(fits);
    Touch(tooLong);
    const FolderSearchResult result = SearchFolder(m_dir, "*.mp3");
    EXPECT_EQ(result.paths, std::vector<std::string>{m_dir + fits});
    EXPECT_EQ(result.paths[0].size(), 255u);
    EXPECT_EQ(result.refusedTooLong, 1u);
    EXPECT_FALSE(result.listingError);
}

TEST_F(FolderSearchTest, MissingOrUnlistableFolderGivesAnErrorAndNothing) {
    for (const std::string& folder : {m_dir + "missing/", std::string()}) {
        const FolderSearchResult result = SearchFolder(folder, "*.mp3");
        EXPECT_TRUE(result.listingError) << folder;
        EXPECT_FALSE(result.errorText.empty());
        EXPECT_TRUE(result.paths.empty());
    }
    Touch("file.mp3");
    EXPECT_TRUE(SearchFolder(m_dir + "file.mp3/", "*.mp3").listingError);
}

} // namespace
} // namespace korvale
