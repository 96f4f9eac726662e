// The cue player's media commands over an engine voice, rendered offline.

#include "audio/MediaCommandInterpreter.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace korvale {
namespace {

using testing::Channel;
using testing::OfflineEngine;
using testing::TempDir;

class Commands : public ::testing::Test {
public:
    std::string wav(const std::string& name, double seconds) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testing::WriteSineWav(path, seconds, 1000.0, 44100, 0.5));
        return path;
    }
    // Opens `path` the way the cue player does; returns the length reply.
    std::string load(const std::string& path) {
        const auto shortPath = mci.shortPath(path);
        EXPECT_TRUE(shortPath.has_value()) << path;
        EXPECT_EQ(mci.sendString("open " + shortPath.value_or("") + " alias movie "), "");
        EXPECT_EQ(mci.sendString("set movie time format milliseconds wait"), "");
        return mci.sendString("status movie length");
    }
    std::string send(const std::string& command) { return mci.sendString(command); }

    TempDir dir;
    OfflineEngine offline;
    EngineVoice& cue = offline.voice(VoiceId::Cue);
    MediaCommandInterpreter mci{cue};
};

TEST_F(Commands, FullCueSessionWithEveryCommand) {
    EXPECT_EQ(load(wav("clip.wav", 2.5)), "2500");
    EXPECT_EQ(send("status movie position"), "0");
    EXPECT_EQ(send("play movie"), "");
    EXPECT_EQ(cue.playState(), VoicePlayState::Playing);
    const auto heard = offline.renderSeconds(0.25);
    EXPECT_GT(testing::Peak(Channel(heard, 0, 4800)), 0.4);
    EXPECT_EQ(send("status movie position"), "250");
    EXPECT_EQ(send("pause movie"), "");
    EXPECT_EQ(cue.playState(), VoicePlayState::Paused);
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("status movie position"), "260"); // one buffer of ramp-out
    EXPECT_EQ(send("seek movie to 1234"), "");
    EXPECT_EQ(send("status movie position"), "1234");
    EXPECT_EQ(send("play movie"), "");
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("status movie position"), "1334");
    offline.renderSeconds(2.0); // past the end: the device stops by itself
    EXPECT_EQ(send("status movie position"), "2500");
    EXPECT_EQ(cue.playState(), VoicePlayState::Stopped);
    // "play" plays on from where the device stands: at the end there is nothing left.
    EXPECT_EQ(send("play movie"), "");
    EXPECT_EQ(testing::Peak(offline.renderSeconds(0.1)), 0.0);
    EXPECT_EQ(send("status movie position"), "2500");
    EXPECT_EQ(cue.playState(), VoicePlayState::Stopped);
    EXPECT_EQ(send("stop movie"), "");
    EXPECT_EQ(send("close movie"), "");
    EXPECT_FALSE(cue.isOpen());
    EXPECT_EQ(send("status movie length"), "");
    EXPECT_EQ(send("status movie position"), "");
    EXPECT_EQ(send("close all"), "");
}

TEST_F(Commands, WithNoClipEverythingFailsEmptyAndHarmless) {
    for (const char* command : {"set movie time format milliseconds wait", "status movie length",
                                "status movie position", "play movie", "pause movie",
                                "seek movie to 100", "stop movie", "close movie", "close all"}) {
        EXPECT_EQ(send(command), "") << command;
    }
    EXPECT_FALSE(cue.isOpen());
}

TEST_F(Commands, UnknownCommandsAndAliasesFailWithoutEffect) {
    ASSERT_EQ(load(wav("clip.wav", 1.0)), "1000");
    for (const char* command :
         {"play", "play video", "play movie from 0", "status movie", "status movie mode",
          "status other length", "seek movie 500", "seek movie to", "seek movie to 12abc",
          "seek movie to 0x10", "open \"/tmp\" alias movie", "close", "pause movie now",
          "set movie time format frames", "delete movie", "", "   ", "\"play movie\"",
          "play \"movie\""}) {
        EXPECT_EQ(send(command), "") << command;
        EXPECT_EQ(cue.playState(), VoicePlayState::Stopped) << command;
        EXPECT_EQ(send("status movie position"), "0") << command;
        EXPECT_TRUE(cue.isOpen()) << command;
    }
    // Keywords are not case-sensitive and blanks may repeat.
    EXPECT_EQ(send("  PLAY   Movie "), "");
    EXPECT_EQ(cue.playState(), VoicePlayState::Playing);
    EXPECT_EQ(send("Status MOVIE Length"), "1000");
}

TEST_F(Commands, SeekClampsToTheClip) {
    ASSERT_EQ(load(wav("clip.wav", 1.0)), "1000");
    send("seek movie to 99999");
    EXPECT_EQ(send("status movie position"), "1000");
    send("seek movie to -5");
    EXPECT_EQ(send("status movie position"), "0");
}

TEST_F(Commands, ShortPathIsTheQuotedAbsolutePathOrNothing) {
    const std::string path = wav("clip.wav", 0.5);
    EXPECT_EQ(mci.shortPath(path), "\"" + path + "\"");
    EXPECT_EQ(mci.shortPath(dir.file("missing.wav")), std::nullopt);
    EXPECT_EQ(mci.shortPath(""), std::nullopt);

    // Relative paths become absolute.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(mci.shortPath("clip.wav"), "\"" + path + "\"");
    std::filesystem::current_path(cwd);

    const std::string quoted = wav("say \"hi\".wav", 0.5);
    EXPECT_EQ(mci.shortPath(quoted), std::nullopt);
    const std::string control = wav("tab\there.wav", 0.5);
    EXPECT_EQ(mci.shortPath(control), std::nullopt);

    // 255 characters is the limit, counted on the absolute path.
    std::string longName = dir.path() + "/";
    longName += std::string(255 - longName.size() - 4, 'x') + ".wav";
    ASSERT_EQ(longName.size(), 255U);
    testing::WriteSineWav(longName, 0.5, 1000.0, 8000, 0.5);
    EXPECT_TRUE(mci.shortPath(longName).has_value());
    const std::string tooLong = longName.substr(0, longName.size() - 4) + "y.wav";
    testing::WriteSineWav(tooLong, 0.5, 1000.0, 8000, 0.5);
    EXPECT_EQ(mci.shortPath(tooLong), std::nullopt);
}

TEST_F(Commands, HostileFileNamesCannotChangeTheCommand) {
    for (const char* name :
         {"x alias other .wav", "wait.wav", "a close all b.wav", "alias movie.wav", "open.wav",
          "seek movie to 5.wav", "  lead and trail  .wav", "ünïcødé ☃.wav"}) {
        SCOPED_TRACE(name);
        const std::string path = wav(name, 0.75);
        EXPECT_EQ(load(path), "750");
        EXPECT_EQ(cue.path(), path);
        send("close movie");
        EXPECT_FALSE(cue.isOpen());
    }
    // An unquoted path with blanks is several words: refused.
    const std::string spaced = wav("two words.wav", 0.5);
    EXPECT_EQ(send("open " + spaced + " alias movie "), "");
    EXPECT_FALSE(cue.isOpen());
    // An unquoted one-word path is accepted.
    const std::string plain = wav("plain.wav", 0.5);
    send("open " + plain + " alias movie");
    EXPECT_EQ(send("status movie length"), "500");
    send("close all");
    // Text after the closing quote, a second quote, or an unterminated quote: refused.
    EXPECT_EQ(send("open \"" + plain + "\"x alias movie"), "");
    EXPECT_EQ(send("open \"" + plain + " alias movie"), "");
    EXPECT_EQ(send("open \"" + plain + "\" alias movie wait"), "");
    EXPECT_FALSE(cue.isOpen());
}

TEST_F(Commands, OpenWhileOpenFailsAndKeepsTheClip) {
    const std::string first = wav("first.wav", 1.0);
    const std::string second = wav("second.wav", 2.0);
    ASSERT_EQ(load(first), "1000");
    EXPECT_EQ(send("open \"" + second + "\" alias movie "), "");
    EXPECT_EQ(send("status movie length"), "1000");
    send("close all");
    EXPECT_EQ(load(second), "2000");
}

struct BadClip {
    const char* name;
    std::string bytes;
};

TEST_F(Commands, BadClipsLeaveTheAliasClosed) {
    const std::string good = testing::ReadBytes(wav("good.wav", 1.0));
    const std::vector<BadClip> clips = {
        {"empty.mp3", ""},
        {"noise.mp3", testing::RandomBytes(50000, 3)},
        {"header-only.wav", good.substr(0, 44)},
    };
    for (const auto& clip : clips) {
        SCOPED_TRACE(clip.name);
        const std::string path = dir.file(clip.name);
        testing::WriteBytes(path, clip.bytes);
        const auto shortPath = mci.shortPath(path);
        ASSERT_TRUE(shortPath.has_value());
        EXPECT_EQ(send("open " + *shortPath + " alias movie "), "");
        EXPECT_EQ(send("set movie time format milliseconds wait"), "");
        EXPECT_EQ(send("status movie length"), "");
        EXPECT_EQ(send("play movie"), "");
        offline.renderSeconds(0.05);
        EXPECT_EQ(send("status movie position"), "");
        EXPECT_FALSE(cue.isOpen());
    }
    std::filesystem::create_directory(dir.file("folder.mp3"));
    EXPECT_EQ(send("open " + mci.shortPath(dir.file("folder.mp3")).value_or("") + " alias movie "),
              "");
    EXPECT_EQ(send("status movie length"), "");
    EXPECT_EQ(mci.shortPath(dir.file("missing.mp3")), std::nullopt);

    // A truncated clip opens with what decodes and plays to its end.
    const std::string cut = dir.file("cut.wav");
    testing::WriteBytes(cut, good.substr(0, good.size() / 2));
    EXPECT_EQ(load(cut), "500");
    send("play movie");
    offline.renderSeconds(1.0);
    EXPECT_EQ(send("status movie position"), "500");
}

} // namespace
} // namespace korvale
