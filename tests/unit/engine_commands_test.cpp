// The cue player's media commands over an engine voice, rendered offline.
#include "audio/MediaCommandInterpreter.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace korvale::testing {
namespace {

class Commands : public ::testing::Test {
protected:
    std::string wav(const std::string& name, double seconds) {
        EXPECT_TRUE(WriteSineWav(dir.file(name), seconds, 1000.0, 44100, 0.5));
        return dir.file(name);
    }
    // Opens `path` as the cue player does; the length reply.
    std::string load(const std::string& path) {
        EXPECT_EQ(send("open " + mci.shortPath(path).value_or("?") + " alias movie "), "");
        EXPECT_EQ(send("set movie time format milliseconds wait"), "");
        return send("status movie length");
    }
    std::string send(const std::string& command) { return mci.sendString(command); }

    TempDir dir;
    OfflineEngine offline;
    EngineVoice& cue = offline.voice(VoiceId::Cue);
    MediaCommandInterpreter mci{cue};
};

TEST_F(Commands, ACueSessionWithEveryCommand) {
    EXPECT_EQ(load(wav("clip.wav", 2.5)), "2500");
    EXPECT_EQ(send("status movie position"), "0");
    EXPECT_EQ(send("play movie"), "");
    EXPECT_GT(Peak(Channel(offline.renderSeconds(0.25), 0, 4800)), 0.4);
    EXPECT_EQ(send("status movie position"), "250");
    EXPECT_EQ(send("pause movie"), "");
    EXPECT_EQ(cue.playState(), VoicePlayState::Paused);
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("status movie position"), "260"); // one buffer of ramp-out
    for (const auto& [to, at] : {std::pair{"99999", "2500"}, {"-5", "0"}, {"1234", "1234"}}) {
        EXPECT_EQ(send(std::string("seek movie to ") + to), "");
        EXPECT_EQ(send("status movie position"), at);
    }
    EXPECT_EQ(send("  PLAY   Movie "), ""); // keywords in any case, blanks may repeat
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("Status MOVIE Position"), "1334");
    offline.renderSeconds(2.0); // past the end: the device stops by itself
    EXPECT_EQ(send("status movie position"), "2500");
    EXPECT_EQ(cue.playState(), VoicePlayState::Stopped);
    EXPECT_EQ(send("play movie"), ""); // nothing left to play at the end
    EXPECT_EQ(Peak(offline.renderSeconds(0.1)), 0.0);
    EXPECT_EQ(send("stop movie"), "");
    EXPECT_EQ(send("close movie"), "");
    EXPECT_FALSE(cue.isOpen());
}

TEST_F(Commands, UnknownCommandsFailEmptyWithoutEffectWithOrWithoutAClip) {
    const char* commands[] = {"play", "play video", "play movie from 0", "status movie", "status movie mode",
                              "status other length", "seek movie 500", "seek movie to", "seek movie to 12abc",
                              "seek movie to 0x10", "open \"/tmp\" alias movie", "close", "pause movie now",
                              "set movie time format frames", "delete movie", "", "   ", "\"play movie\"",
                              "play \"movie\""};
    for (const bool open : {false, true}) {
        if (open) {
            ASSERT_EQ(load(wav("clip.wav", 1.0)), "1000");
        }
        for (const char* command : commands) {
            EXPECT_EQ(send(command), "") << command;
            EXPECT_EQ(cue.playState(), open ? VoicePlayState::Stopped : VoicePlayState::Closed);
            EXPECT_EQ(send("status movie position"), open ? "0" : "") << command;
        }
    }
}

TEST_F(Commands, ShortPathIsTheQuotedAbsolutePathOfAFileThatCanTravelAsOneWord) {
    const std::string path = wav("clip.wav", 0.5);
    std::string longest = dir.path() + "/";
    longest += std::string(255 - longest.size() - 4, 'x') + ".wav";
    const std::string tooLong = longest.substr(0, 251) + "y.wav";
    for (const std::string& file : {longest, tooLong, dir.file("say \"hi\".wav"), dir.file("tab\t.wav")}) {
        WriteSineWav(file, 0.1, 1000.0, 8000, 0.5);
    }
    EXPECT_EQ(mci.shortPath(path), "\"" + path + "\"");
    EXPECT_EQ(mci.shortPath(longest), "\"" + longest + "\"");
    for (const std::string& refused : {tooLong, dir.file("missing.wav"), std::string(),
                                       dir.file("say \"hi\".wav"), dir.file("tab\t.wav")}) {
        EXPECT_EQ(mci.shortPath(refused), std::nullopt) << refused;
    }
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(mci.shortPath("clip.wav"), "\"" + path + "\""); // relative becomes absolute
    std::filesystem::current_path(cwd);
}

TEST_F(Commands, HostileFileNamesCannotChangeTheCommand) {
    for (const char* name : {"x alias other .wav", "wait.wav", "a close all b.wav", "alias movie.wav",
                             "seek movie to 5.wav", "  lead and trail  .wav", "ünïcødé ☃.wav"}) {
        EXPECT_EQ(load(wav(name, 0.75)), "750") << name;
        EXPECT_EQ(cue.path(), dir.file(name));
        EXPECT_EQ(send("close movie"), "");
    }
    const std::string plain = wav("plain.wav", 0.5), spaced = wav("two words.wav", 0.5);
    for (const std::string& refused : {"open " + spaced + " alias movie ", "open \"" + plain + "\"x alias movie",
          "open \"" + plain + " alias movie", "open \"" + plain + "\" alias movie wait",
          "open \"" + plain + "\" alias other", "open \"" + plain + "\" aliases movie"}) {
        EXPECT_EQ(send(refused), "") << refused;
        EXPECT_FALSE(cue.isOpen()) << refused;
    }
    EXPECT_EQ(send("open " + plain + " alias movie"), ""); // one unquoted word is a path
    EXPECT_EQ(send("status movie length"), "500");
    EXPECT_EQ(send("open \"" + spaced + "\" alias movie "), ""); // open while open: kept
    EXPECT_EQ(send("status movie length"), "500");
    EXPECT_EQ(send("close all"), "");
    EXPECT_FALSE(cue.isOpen());
}

TEST_F(Commands, BadClipsLeaveTheAliasClosedAndACutOnePlaysWhatIsThere) {
    const std::string good = ReadBytes(wav("good.wav", 1.0));
    std::filesystem::create_directory(dir.file("folder.mp3"));
    for (const auto& [name, bytes] : {std::pair{"empty.mp3", std::string()}, {"noise.mp3", RandomBytes(50000, 3)},
                                      {"header.wav", good.substr(0, 44)}, {"folder.mp3", "-"}}) {
        SCOPED_TRACE(name);
        if (std::string(bytes) != "-") {
            WriteBytes(dir.file(name), bytes);
        }
        EXPECT_EQ(load(dir.file(name)), "");
        EXPECT_EQ(send("play movie"), "");
        EXPECT_EQ(send("status movie position"), "");
        EXPECT_FALSE(cue.isOpen());
    }
    WriteBytes(dir.file("cut.wav"), good.substr(0, good.size() / 2));
    EXPECT_EQ(load(dir.file("cut.wav")), "500");
    send("play movie");
    offline.renderSeconds(1.0);
    EXPECT_EQ(send("status movie position"), "500");
}

} // namespace
} // namespace korvale::testing
