// Pure units and files: texts, paths, shuffle, play lists, whole files, switches, ALSA's noise.

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>
#include <thread>
#include <unistd.h>

#include "app/ActivationFile.h"
#include "app/CommandLine.h"
#include "app/ProgramSwitches.h"
#include "core/ClipDisplayName.h"
#include "core/PlayListCodec.h"
#include "core/PlayListFiles.h"
#include "core/ShuffleOrder.h"
#include "core/TimeText.h"
#include "interfaces/PathLength.h"
#include "platform/QuietSoundProbe.h"
#include "platform/WholeFile.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

namespace korvale {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
std::string N(long long value) {
    return std::to_string(value);
}

TEST(TextsAndUnits, ComputedTextsAgainstWorkedExamples) {
    struct Row {
        std::string computed;
        std::string expected;
    };
    const Row rows[] = {
        {FormatTimeText(3723.5), "01:02:03:12"},
        {FormatTimeText(0.039), "00:00:00:00"},
        {FormatTimeText(215999.99), "59:59:59:24"},
        {FormatTimeText(216000.0), "00:00:00:00"},
        {FormatTimeText(-3723.5), "-1:-2:-3:-12"},
        {FormatTimeText(1e300), "40:55:45:22"},
        {FormatTimeText(-kInf), "-40:-55:-45:-23"},
        {FormatTimeText(std::nan("")), "00:00:00:00"},
        {N(ParseTimeText("01:02:03:12")), "3723480"},
        {N(ParseTimeText("01x02y03z12")), "3723480"},
        {N(ParseTimeText(" 1:02:03:12")), "3723480"},
        {N(ParseTimeText("+1:02:03:12")), "3723480"},
        {N(ParseTimeText("-1:00:00:00")), "-3600000"},
        {N(ParseTimeText("ab:1x:-x:  ")), "60000"},
        {N(ParseTimeText("01:0")), "3600000"},
        {N(ParseTimeText("1234567890")), "45978000"}, // two digits a field, wherever they stand
        {ClipDisplayName("/home/dj/Song One.mp3"), "Song One"},
        {ClipDisplayName("Song.mp3"), "Song"},
        {ClipDisplayName(""), "ERR"},
        {ClipDisplayName("/m/"), "ERR"},
        {ClipDisplayName("/m/v1.2.ogg.x"), "v1.2.ogg"},
        {ClipDisplayName("/m/.mp3"), ".mp3"},
        {ClipDisplayName("/m/.hidden"), ".hidden"},
        {ClipDisplayName("/x.lib/Intro"), "Intro"},
        {N(PathCharacterCount("/\xd0\x96\xd0\x96.mp3")), "7"},
        {N(PathCharacterCount("/\xe2\x82\xac")), "2"},
        {N(PathCharacterCount("/\xf0\x9f\x8e\xb5")), "2"},
        {N(PathCharacterCount("/\xd0")), "2"},
        {N(PathCharacterCount("/\xc0\xaf")), "3"},
        {N(PathCharacterCount("/\xe0\x80\x80")), "4"}, // overlong: three stray bytes
        {N(PathCharacterCount("/\xed\xa0\x80")), "4"},
        {N(PathCharacterCount("/\xff\xd0\x96")), "4"},
        {N(PathCharacterCount("ab\xed\x9f\xbf\xc2\x80")), "4"},        // U+D7FF, U+0080: the edges
        {N(PathCharacterCount("/\xe0\xa0\x80\xf1\x80\x80\x80")), "3"}, // U+0800, U+40000
        {N(IsValidUtf8("/\x80")) + N(IsValidUtf8("/\xf4\x8f\xbf\xbf")) + N(IsValidUtf8("/\xd0/")),
         "010"},
        {FirstPathCharacters("a\u0416b", 2), "a\u0416"},
        {FirstPathCharacters("ab\xff", 2), "ab"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(rows[i].computed, rows[i].expected);
    }
    std::string cyrillic;
    for (int i = 0; i < 130; ++i)
        cyrillic += "\xd0\x96";
    EXPECT_TRUE(FitsPathLimit(cyrillic));
    EXPECT_TRUE(FitsPathLimit(std::string(255, 'a')));
    EXPECT_FALSE(FitsPathLimit(std::string(256, 'a')));
    for (int frames = 0; frames < 60 * 90000; frames += 997) {
        ASSERT_EQ(ParseTimeText(FormatTimeText(frames / 25.0 + 0.001)), frames * 40) << frames;
    }
}

TEST(ShuffleOrder, EqualsTheScratchListAlgorithmOnTheClassicGenerator) {
    ClassicRand fastRand, slowRand, raw;
    for (const int expected : {41, 18467, 6334})
        EXPECT_EQ(raw.Next(), expected);
    for (const std::size_t n : {0, 1, 2, 3, 7, 16, 17, 255, 4097, 32767, 32768, 32769, 40000}) {
        // The plain algorithm: a list of the remaining entries, erased one by one.
        std::vector<std::size_t> scratch(n), order;
        std::iota(scratch.begin(), scratch.end(), 0u);
        while (!scratch.empty()) {
            auto r = static_cast<std::size_t>(slowRand.Next());
            while (r >= scratch.size())
                r = static_cast<std::size_t>(slowRand.Next());
            order.push_back(scratch[r]);
            scratch.erase(scratch.begin() + static_cast<std::ptrdiff_t>(r));
        }
        ASSERT_EQ(ShuffleOrder(n, fastRand), order) << n;
    }
    EXPECT_EQ(fastRand.Next(), slowRand.Next()); // the two streams stayed in step
}

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
    EXPECT_EQ(EncodePlainList({"/m/a.mp3", "", "/m/b.wav"}), "/m/a.mp3\r\n\r\n/m/b.wav\r\n");
    const std::string l(256, 'z'), f(255, 'f');
    struct Case {
        bool ztl;
        std::string bytes;
        Entries entries;
        std::size_t tooLong, unclosed;
    };
    const Case cases[] = {
        {true, "\"Other\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"junk \"/a\" \"\"", {"/a", ""}, 0, 0},
        {true, kZtlHead + "\"a\r\nb\"", {"a\r\nb"}, 0, 0},
        {true, "/m/a.mp3\r\n/m/b.mp3\r\n", {}, 0, 0},
        {true, kZtlHead + "\"/a\"\r\r\n\"/b/cut of", {"/a"}, 0, 1},
        {true, "\"Zantor", {}, 0, 0},
        {true, kZtlHead + "\"" + l + "\"\"" + f + "\"\"" + l + "\"", {f}, 2, 0},
        {false, l + "\r\n" + f + "\r\n" + l, {f}, 2, 0},
        {false, "a\r\n\r\n\nb\n", {"a", "", "", "b"}, 0, 0},
        {false, "a\r\nbc", {"a", "bc"}, 0, 0},
        {false, "a\r\nb", {"a"}, 0, 0},
        {false, "a\r\nb\r", {"a", "b"}, 0, 0},
        {false, "\"Z\"\r\r\n", {"\"Z\"\r"}, 0, 0},
        {false, "a\rb\n", {"a\rb"}, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const DecodedPlayList d = c.ztl ? DecodeZtl(c.bytes) : DecodeM3u(c.bytes);
        EXPECT_EQ(d.entries, c.entries) << "case " << i;
        EXPECT_EQ(d.refusedTooLong, c.tooLong) << i;
        EXPECT_EQ(d.refusedUnclosed, c.unclosed) << i;
    }
    const Entries all{"/m/a.mp3", "", "/m/#odd.wav", f, "é/ü"};
    EXPECT_EQ(DecodeZtl(EncodeZtl(all)).entries, all);
    EXPECT_EQ(DecodeM3u(EncodePlainList(all)).entries, all);
}

TEST(WholeFile, ReadsAnyBytesAndTypesEveryFailureWithoutBlocking) {
    testing::TempDir dir;
    const std::string bytes = std::string("a\0b\r\r\n\xff", 7) + std::string(200000, 'x');
    WriteBytes(dir.file("list"), bytes);
    EXPECT_EQ(ReadWholeFile(dir.file("list"), kPlayListFileMaxBytes).bytes, bytes);
    EXPECT_EQ(ReadWholeFile(dir.file("list"), bytes.size()).error, ReadFileError::None);
    EXPECT_EQ(ReadWholeFile(dir.file("list"), bytes.size() - 1).error, ReadFileError::TooLarge);
    ::truncate(dir.file("list").c_str(), kPlayListFileMaxBytes + 1); // sparse: never loaded
    WriteBytes(dir.file("empty"), "");
    ::mkfifo(dir.file("pipe").c_str(), 0600);
    struct Row {
        std::string path;
        ReadFileError error;
    };
    const Row rows[] = {{dir.file("list"), ReadFileError::TooLarge},
                        {dir.file("missing"), ReadFileError::Missing},
                        {dir.path(), ReadFileError::IsDirectory},
                        {dir.file("empty"), ReadFileError::Empty},
                        {dir.file("pipe"), ReadFileError::Unreadable},
                        {"/proc/self/mem", ReadFileError::Unreadable}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const ReadFileResult result = ReadWholeFile(row.path, kPlayListFileMaxBytes);
        EXPECT_EQ(result.error, row.error);
        EXPECT_FALSE(result.errorText.empty());
    }
}

TEST(WholeFile, WriteReplacesThroughLinksKeepsModesAndLeavesNoTemporary) {
    testing::TempDir dir;
    const std::string path = dir.file("list.ztl");
    const mode_t umask = ::umask(027);
    ASSERT_TRUE(WriteFileReplacing(path, "first").ok);
    ::umask(umask);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms(0640)); // a new file follows the umask
    fs::create_symlink(path, dir.file("link"));
    ASSERT_TRUE(WriteFileReplacing(dir.file("link"), std::string("second\0!", 8)).ok);
    EXPECT_EQ(ReadBytes(path), std::string("second\0!", 8));
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
    ASSERT_TRUE(WriteFileReplacing(path, "!").ok);
    EXPECT_EQ(fs::file_size(path), 1u);
    fs::create_directory(dir.file("taken"));
    for (const std::string& bad : {path + "/x", dir.file("taken"), std::string("/proc/korvale.ztl"),
                                   std::string(), dir.path() + "/"}) {
        SCOPED_TRACE(bad);
        const WriteFileResult result = WriteFileReplacing(bad, "data");
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.errorText.empty());
    }
    EXPECT_EQ(WriteFileReplacing(path + "/x", "data").errorNumber, ENOTDIR);
    EXPECT_EQ(WriteFileReplacing(dir.path() + "/", "").errorNumber, EISDIR);
    EXPECT_TRUE(fs::is_directory(dir.file("taken")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(PlayListSave, RunningOutOfRoomOrNoPlaceToCreateIsToldAndKeepsTheOldFile) {
    testing::TempDir dir;
    const std::string path = dir.file("list.ztl");
    WriteBytes(path, "old contents");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        testing::CoreFixture f;
        f.core.Store().List().AppendMany(Entries(1000, "/music/" + std::string(90, 'n') + ".mp3"));
        bool told = true;
        for (const auto& [target, caption] :
             {std::pair{path, "KORVALE couldn't write out file"},
              {dir.file("gone/list.ztl"), "KORVALE couldn't create out file"}}) {
            f.dialogs.messages.clear();
            told = told &&
                   f.core.Files().WritePlayListFile(target, 1) == PlayListFiles::kNotWritten &&
                   f.dialogs.messages.size() == 1 && f.dialogs.messages[0].caption == caption;
        }
        ::_exit(told ? 0 : 1);
    }
    int status = 1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(CommandLine, SwitchesAfterDashOrSlashMakeAnAutomatedStartAndAreCutOnce) {
    const char* argv[] = {"/usr/bin/korvale", "-Embedding", "two words", "x"};
    EXPECT_EQ(CommandLine::Join(4, argv), "-Embedding two words x");
    EXPECT_EQ(CommandLine::Join(1, argv), "");
    EXPECT_EQ(CommandLine::Join(0, nullptr), "");
    struct Case {
        const char* line;
        bool automated;
        const char* remaining;
    };
    for (const Case& c : {Case{"/Automation", true, ""},
                          {"-Embedding", true, ""},
                          {"alpha -Embedding beta", true, "alpha  beta"},
                          {"-EmbeddingXYZ tail", true, "XYZ tail"},
                          {"/Automation -Embedding", true, "/Automation "},
                          {"-Automation /Automation", true, " /Automation"},
                          {"Embedding x/Embedding", true, "Embedding x"},
                          {"/automation", false, "/automation"},
                          {"/EMBEDDING", false, "/EMBEDDING"},
                          {"Embedding", false, "Embedding"},
                          {"\\Automation", false, "\\Automation"}}) {
        SCOPED_TRACE(c.line);
        const StartRequest request = CommandLine::Parse(c.line);
        EXPECT_EQ(request.automated, c.automated);
        EXPECT_EQ(request.remaining, std::string(c.remaining));
    }
}

TEST(ProgramSwitches, HelpAndVersionAreAnsweredBeforeTheApplicationObjectIsMade) {
    const char* help[] = {"/usr/bin/korvale", "--help"};
    const std::string text = ProgramSwitches(2, help).Answer().value_or("");
    EXPECT_EQ(text.rfind("Usage: korvale [options]", 0), 0u) << text;
    EXPECT_NE(text.find("--resume"), std::string::npos);
    const char* version[] = {"korvale", "-v"};
    EXPECT_EQ(ProgramSwitches(2, version).Answer(), "KORVALE 1.1\n");
}

TEST(QuietSoundProbe, DropsOnlyWhatTheProbingThreadCausesWhileItProbes) {
    // What ALSA prints when the calling thread opens a device that is not there.
    const auto openMissingDevice = [] {
        ::testing::internal::CaptureStderr();
        snd_ctl_t* ctl = nullptr;
        EXPECT_LT(snd_ctl_open(&ctl, "korvale_no_such_device", 0), 0);
        return ::testing::internal::GetCapturedStderr();
    };
    struct Row {
        const char* name;
        bool probing;
        bool otherThread;
        bool reported;
    };
    for (const Row& row : {Row{"inside a probe", true, false, false},
                           Row{"another thread's, during a probe", true, true, true},
                           Row{"after a probe", false, false, true}}) {
        SCOPED_TRACE(row.name);
        std::optional<QuietSoundProbe> probe;
        if (row.probing) {
            probe.emplace();
        }
        std::string printed;
        if (row.otherThread) {
            std::thread([&] { printed = openMissingDevice(); }).join();
        } else {
            printed = openMissingDevice();
        }
        EXPECT_EQ(printed.find("ALSA lib") != std::string::npos, row.reported);
    }
}

TEST(ActivationFile, FolderAndContentsForEveryProgramPathTheBusCanStart) {
    EXPECT_EQ(ActivationFile::ServicesFolder("/data", "/home/u"),
              fs::path("/data/dbus-1/services"));
    for (const char* dataHome : {(const char*)nullptr, "", "relative/data"}) {
        EXPECT_EQ(ActivationFile::ServicesFolder(dataHome, "/home/u"),
                  fs::path("/home/u/.local/share/dbus-1/services"));
    }
    EXPECT_FALSE(ActivationFile::ServicesFolder(nullptr, nullptr));
    EXPECT_FALSE(ActivationFile::ServicesFolder("r", "r"));
    const std::string head = "[D-BUS Service]\nName=KORVALE.Application\nExec=";
    struct Row {
        std::string program;
        std::string exec; // empty: no file for such a path
    };
    const Row rows[] = {{"/opt/Az_Za/k-0.9+a,z@x:y=1/k", "/opt/Az_Za/k-0.9+a,z@x:y=1/k"},
                        {"/my apps/it's/k", "'/my apps/it'\\''s/k'"},
                        {"/bin/k\xc3\xb6rvale", "'/bin/k\xc3\xb6rvale'"},
                        {"", ""},
                        {"korvale", ""},
                        {"/bin/kor\nvale", ""},
                        {"/bin/kor\x7fvale", ""},
                        {"/bin/\xff\xfe", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.program);
        const auto contents = ActivationFile::Contents(row.program);
        EXPECT_EQ(contents.value_or(""), row.exec.empty() ? "" : head + row.exec + " -Embedding\n");
    }
    // Written where it is missing, left alone while right, repaired when damaged.
    testing::TempDir dir;
    const fs::path folder = dir.file("data/dbus-1/services");
    const fs::path file = folder / ActivationFile::kFileName;
    struct Step {
        const char* name;
        const char* damage; // written over the file first; none when null
        ActivationFileOutcome outcome;
    };
    const Step steps[] = {
        {"missing", nullptr, ActivationFileOutcome::Written},
        {"right", nullptr, ActivationFileOutcome::Unchanged},
        {"damaged", "[D-BUS Service]\nName=Other\n", ActivationFileOutcome::Written}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.damage != nullptr)
            testing::WriteBytes(file, step.damage);
        EXPECT_EQ(ActivationFile::WriteOrRepair(folder, "/bin/korvale"), step.outcome);
        EXPECT_EQ(testing::ReadBytes(file), head + "/bin/korvale -Embedding\n");
    }
    EXPECT_EQ(ActivationFile::WriteOrRepair(file / "under a file", "/bin/korvale"),
              ActivationFileOutcome::Failed);
    EXPECT_EQ(ActivationFile::WriteOrRepair(folder, "korvale"), ActivationFileOutcome::Failed);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

} // namespace
} // namespace korvale
