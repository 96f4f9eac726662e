// The folders depend one way only: app -> ui -> core -> interfaces; audio, decode, encode and
// platform -> interfaces (audio also on decode, encode and platform; decode also on platform).
// The core and the interfaces include no Qt and no operating-system header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::set<std::string>> kAllowed = {
    {"interfaces", {"interfaces"}},
    {"core", {"core", "interfaces"}},
    {"decode", {"decode", "platform", "interfaces"}},
    {"encode", {"encode", "interfaces"}},
    {"platform", {"platform", "interfaces"}},
    {"audio", {"audio", "decode", "encode", "platform", "interfaces"}},
    {"ui", {"ui", "core", "interfaces"}},
};

TEST(Layering, EveryIncludeRunsTheAllowedWay) {
    const std::regex project(R"(^\s*#\s*include\s+"([a-z]+)/)");
    const std::regex qt(R"(^\s*#\s*include\s+<Q)");
    const std::regex system(
        R"(^\s*#\s*include\s+<(unistd\.h|fcntl\.h|dirent\.h|fnmatch\.h|csignal|signal\.h|sys/))");
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(KORVALE_SOURCE_DIR "/src")) {
        const std::string folder = entry.path().parent_path().filename().string();
        if (!entry.is_regular_file() || folder == "app")
            continue;
        ASSERT_TRUE(kAllowed.count(folder)) << "a folder without rules: " << folder;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (std::regex_search(line, match, project)) {
                EXPECT_TRUE(kAllowed.at(folder).count(match[1].str()))
                    << entry.path() << ": " << line;
            }
            if (folder == "core" || folder == "interfaces") {
                EXPECT_FALSE(std::regex_search(line, qt)) << entry.path() << ": " << line;
                EXPECT_FALSE(std::regex_search(line, system)) << entry.path() << ": " << line;
            }
        }
    }
    EXPECT_GT(files, 50);
}

} // namespace
