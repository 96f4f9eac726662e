// The start-up pieces of the program: the command line and the activation file.
#include "app/ActivationFile.h"
#include "app/CommandLine.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace korvale {
namespace {

namespace fs = std::filesystem;

TEST(CommandLine, SwitchesAfterDashOrSlashMakeAnAutomatedStartAndAreCutOnce) {
    const char* argv[] = {"/usr/bin/korvale", "-Embedding", "two words", "x"};
    EXPECT_EQ(CommandLine::Join(4, argv), "-Embedding two words x");
    EXPECT_EQ(CommandLine::Join(1, argv), "");
    EXPECT_EQ(CommandLine::Join(0, nullptr), "");
    struct Case { const char* line; bool automated; const char* remaining; };
    for (const Case& c : {Case{"/Automation", true, ""}, {"-Automation", true, ""}, {"/Embedding", true, ""},
                          {"-Embedding", true, ""}, {"alpha -Embedding beta", true, "alpha  beta"},
                          {"-EmbeddingXYZ tail", true, "XYZ tail"}, {"/Automation -Embedding", true, "/Automation "},
                          {"-Automation /Automation", true, " /Automation"}, {"Embedding x/Embedding", true, "Embedding x"},
                          {"/automation", false, "/automation"}, {"-embedding", false, "-embedding"},
                          {"/EMBEDDING", false, "/EMBEDDING"}, {"Embedding", false, "Embedding"}, {"", false, ""},
                          {"clip.mp3", false, "clip.mp3"}, {"+Embedding", false, "+Embedding"},
                          {"\\Automation", false, "\\Automation"}}) {
        const StartRequest request = CommandLine::Parse(c.line);
        EXPECT_EQ(std::pair(request.automated, request.remaining), std::pair(c.automated, std::string(c.remaining))) << c.line;
    }
}

TEST(ActivationFile, FolderAndContentsForEveryProgramPathTheBusCanStart) {
    EXPECT_EQ(ActivationFile::ServicesFolder("/data", "/home/u"),
              fs::path("/data/dbus-1/services"));
    for (const char* dataHome : {(const char*)nullptr, "", "relative/data"}) {
        EXPECT_EQ(ActivationFile::ServicesFolder(dataHome, "/home/u"),
                  fs::path("/home/u/.local/share/dbus-1/services"));
    }
    EXPECT_FALSE(ActivationFile::ServicesFolder(nullptr, nullptr) ||
                 ActivationFile::ServicesFolder("r", "r"));
    const std::string head = "[D-BUS Service]\nName=KORVALE.Application\nExec=";
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/korvale/bin/korvale", "/opt/korvale/bin/korvale"}, {"/my apps/it's/k", "'/my apps/it'\\''s/k'"},
        {"/a/$HOME\\x", "'/a/$HOME\\x'"}, {"/bin/k\xc3\xb6rvale", "'/bin/k\xc3\xb6rvale'"},
        {"/bin/k\xe2\x82\xacrvale", "'/bin/k\xe2\x82\xacrvale'"}, {"/bin/\xf0\x9f\x8e\xb5", "'/bin/\xf0\x9f\x8e\xb5'"},
        {"", ""}, {"korvale", ""}, {"/bin/kor\nvale", ""}, {"/bin/kor\x7fvale", ""}, {"/bin/\xff\xfe", ""},
        {"/bin/\xc3", ""}, {"/bin/\xe2\x82", ""}, {"/bin/\xc0\xaf", ""}, {"/bin/\xed\xa0\x80", ""}};
    for (const auto& [program, exec] : cases) {
        const auto contents = ActivationFile::Contents(program);
        EXPECT_EQ(contents.value_or(""), exec.empty() ? "" : head + exec + " -Embedding\n")
            << program;
    }
}

TEST(ActivationFile, IsWrittenRepairedOrLeftAloneAndFailsQuietly) {
    testing::TempDir dir;
    const fs::path folder = dir.file("deep/dbus-1/services"),
                   file = folder / "KORVALE.Application.service";
    const std::string program = "/usr/bin/k\xe2\x82\xacrvale"; // a three-byte letter
    EXPECT_EQ(ActivationFile::WriteOrRepair(folder, program), ActivationFileOutcome::Written);
    EXPECT_EQ(testing::ReadBytes(file), ActivationFile::Contents(program));
    struct stat before{}, after{};
    ::stat(file.c_str(), &before);
    EXPECT_EQ(ActivationFile::WriteOrRepair(folder, program), ActivationFileOutcome::Unchanged);
    ::stat(file.c_str(), &after);
    EXPECT_EQ(std::pair(before.st_ino, before.st_mtim.tv_nsec),
              std::pair(after.st_ino, after.st_mtim.tv_nsec));
    for (const std::string damaged : {std::string("garbage\0\xff", 9), std::string(),
                                      *ActivationFile::Contents("/old/korvale")}) {
        testing::WriteBytes(file, damaged);
        EXPECT_EQ(ActivationFile::WriteOrRepair(folder, "/new/korvale"),
                  ActivationFileOutcome::Written);
        EXPECT_EQ(testing::ReadBytes(file), ActivationFile::Contents("/new/korvale"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1); // no temporary
    fs::create_directories(dir.file("dir/KORVALE.Application.service"));
    EXPECT_EQ(ActivationFile::WriteOrRepair(file / "services", program),
              ActivationFileOutcome::Failed);
    EXPECT_EQ(ActivationFile::WriteOrRepair(dir.file("dir"), program),
              ActivationFileOutcome::Failed);
    EXPECT_EQ(ActivationFile::WriteOrRepair(dir.file("new"), "relative/korvale"),
              ActivationFileOutcome::Failed);
    EXPECT_FALSE(fs::exists(dir.file("new/KORVALE.Application.service")));
}

} // namespace
} // namespace korvale
