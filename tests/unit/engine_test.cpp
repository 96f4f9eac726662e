// The engine rendered offline: decoders, gain ramps, positions, seeks and media commands.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <numbers>
#include <unistd.h>
#include <vector>

#include "audio/AudioEngine.h"
#include "audio/MediaCommandInterpreter.h"
#include "audio/NullOutput.h"
#include "decode/DecoderFactory.h"
#include "decode/PolyphaseResampler.h"
#include "decode/Resampler.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace korvale::testing {
namespace {

// The rate converter against the tone sampled at the output rate: no delay, a flat pass band,
// no images or aliases, the whole length, the same frames in any pieces and after a reset.
TEST(Resampler, ConvertsAToneExactlyInTimeAndLevelInAnyPieces) {
    struct Row {
        int in;
        int out;
        double hz;
    };
    const Row rows[] = {
        {44100, 48000, 15000.0}, {48000, 44100, 15000.0},
        {22050, 48000, 7000.0},  {96000, 48000, 15000.0},
        {8000, 44100, 3000.0},   {44056, 48000, 15000.0}}; // the last through libsoxr
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.in) + " -> " + std::to_string(row.out) + " Hz, tone " +
                     std::to_string(row.hz));
        const std::size_t inFrames = static_cast<std::size_t>(row.in) / 4;
        std::vector<float> input(2 * inFrames);
        for (std::size_t i = 0; i < inFrames; ++i) {
            input[2 * i] = static_cast<float>(
                0.5 * std::sin(2.0 * std::numbers::pi * row.hz * double(i) / row.in));
            input[2 * i + 1] = -input[2 * i];
        }
        constexpr std::size_t kFlushRoom = 4096; // more than the input had: a ring drained since
        auto convert = [&](auto& converter, std::size_t piece, std::size_t room) {
            std::vector<float> output;
            std::vector<float> block(2 * kFlushRoom);
            for (std::size_t done = 0; done < inFrames;) {
                std::size_t used = 0;
                const std::size_t got =
                    converter.process(input.data() + 2 * done, std::min(piece, inFrames - done),
                                      used, block.data(), room);
                output.insert(output.end(), block.begin(), block.begin() + 2 * long(got));
                done += used;
            }
            for (std::size_t got = 1; got > 0;) {
                got = converter.flush(block.data(), kFlushRoom);
                output.insert(output.end(), block.begin(), block.begin() + 2 * long(got));
            }
            converter.reset();
            return output;
        };
        Resampler resampler(row.in, row.out);
        const std::vector<float> whole = convert(resampler, 4096, 4096);
        const std::size_t outFrames = whole.size() / 2;
        EXPECT_NEAR(double(outFrames), double(inFrames) * row.out / row.in, 1.0);
        // Compared past the tone's abrupt start and end.
        double error = 0.0;
        for (std::size_t n = row.out / 40; n + row.out / 40 < outFrames; ++n) {
            const double expected =
                0.5 * std::sin(2.0 * std::numbers::pi * row.hz * double(n) / row.out);
            error = std::max({error, std::fabs(whole[2 * n] - expected),
                              std::fabs(whole[2 * n + 1] + expected)});
        }
        EXPECT_LT(error, 3e-5);
        EXPECT_EQ(convert(resampler, 333, 7), whole);
        // The portable kernel, where a faster one ran above, differs in the last bits only.
        if (const auto portable = PolyphaseResampler::Create(row.in, row.out, true)) {
            const std::vector<float> same = convert(*portable, 4096, 4096);
            ASSERT_EQ(same.size(), whole.size());
            for (std::size_t i = 0; i < same.size(); ++i) {
                ASSERT_NEAR(same[i], whole[i], 1e-6) << i;
            }
        }
    }
}

constexpr int kOut = 48000;
constexpr std::size_t kBuffer = 480;

class Clips : public ::testing::Test {
protected:
    std::string mp3(const std::string& name, double seconds) {
        EXPECT_TRUE(WriteSineMp3(dir.file(name), seconds, 1000.0, 44100, Mp3Mode::Vbr));
        return dir.file(name);
    }
    std::string wav(const std::string& name, double seconds) {
        EXPECT_TRUE(WriteSineWav(dir.file(name), seconds, 1000.0, 48000, 0.5));
        return dir.file(name);
    }
    std::string bytes(const std::string& name, const std::string& content) {
        WriteBytes(dir.file(name), content);
        return dir.file(name);
    }
    TempDir dir;
    OfflineEngine offline;
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
};

class EngineRender : public Clips {
protected:
    std::string sine(double seconds, double freq, int rate) {
        const std::string path = dir.file("tone" + std::to_string(++made) + ".wav");
        EXPECT_TRUE(WriteSineWav(path, seconds, freq, rate, 0.5, 2, WavFormat::Float32));
        return path;
    }
    // Renders `frames` and checks them against such a file's samples from `start` under `gain(i)`.
    template <typename Gain>
    void expectSource(std::size_t frames, long long start, double freq, Gain gain) {
        const auto out = offline.render(frames);
        for (std::size_t i = 0; i < frames; ++i)
            ASSERT_NEAR(
                out[2 * i + 1],
                0.5 * std::sin(2.0 * std::numbers::pi * freq / kOut * double(start + long(i))) *
                    gain(i),
                1e-5)
                << i;
    }
    int made = 0;
};

TEST_F(EngineRender, VolumeIsHundredthsOfADbAndAStepRampsWithoutAClick) {
    ASSERT_TRUE(voice.open(sine(4.0, 1000.0, 44100)));
    voice.setVolume(-8500);
    voice.play();
    auto out = offline.render(kBuffer * 10 + 123); // the step lands inside a buffer
    voice.setVolume(0);
    const auto after = offline.render(kBuffer * 20);
    EXPECT_LT(Peak(Channel(out, 0)), 0.001);
    EXPECT_NEAR(Peak(Channel(after, 0, kBuffer * 2)), 0.5, 0.01);
    out.insert(out.end(), after.begin(), after.end());
    EXPECT_LE(LargestStep(Channel(out, 0)), LargestStep(Channel(after, 0, kBuffer * 2)) * 1.001);
    const double full = RmsDbfs(Channel(after, 0, kBuffer * 2));
    voice.setVolume(-600);
    offline.render(kBuffer); // the ramp
    EXPECT_NEAR(RmsDbfs(Channel(offline.renderSeconds(0.3), 0)) - full, -6.0, 0.1);
    std::vector<float> swing; // a level that changes in every buffer, across the ring's wraps
    for (int b = 0; b < 250; ++b) {
        voice.setVolume(b % 2 == 0 ? 0 : -2000);
        const auto block = offline.render(kBuffer + 7);
        swing.insert(swing.end(), block.begin(), block.end());
    }
    EXPECT_LE(LargestStep(Channel(swing, 0)), LargestStep(Channel(after, 0, kBuffer * 2)) * 1.05);
}

TEST_F(EngineRender, StopPauseCloseAndReopenRampOutInOneBufferAndPlayResumesExactly) {
    struct Row {
        const char* name;
        std::function<void()> end;
        VoicePlayState state;
        double position;
        bool resumes;
    };
    const Row rows[] = {
        {"stop", [&] { voice.stop(); }, VoicePlayState::Stopped, 0.31, true},
        {"pause", [&] { voice.pause(); }, VoicePlayState::Paused, 0.31, true},
        {"close", [&] { voice.close(); }, VoicePlayState::Closed, -1.0, false},
        {"reopen", [&] { voice.open(sine(1.0, 900.0, 22050)); }, VoicePlayState::Stopped, 0.0,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        voice.stop(); // the clip before ramps out
        offline.render(kBuffer);
        ASSERT_TRUE(voice.open(sine(2.0, 440.0, kOut)));
        voice.play();
        offline.renderSeconds(0.3);
        row.end();
        expectSource(kBuffer, 14400, 440.0,
                     [](std::size_t i) { return 1.0 - double(i + 1) / kBuffer; });
        EXPECT_EQ(Peak(offline.render(kBuffer * 4)), 0.0);
        EXPECT_EQ(voice.playState(), row.state);
        EXPECT_EQ(voice.positionSeconds(), row.position);
        if (row.resumes) {
            voice.play();
            expectSource(kBuffer * 2, 14880, 440.0,
                         [](std::size_t i) { return std::min(1.0, double(i + 1) / kBuffer); });
        }
    }
    voice.play(); // the clip opened last
    EXPECT_NEAR(EstimateFrequencyHz(Channel(offline.renderSeconds(0.5), 0, 4800), kOut), 900.0,
                0.5);
}

TEST_F(EngineRender, PositionFollowsRenderedFramesSeeksAndTheStartPosition) {
    ASSERT_TRUE(voice.open(sine(2.0, 441.0, kOut)));
    voice.seek(0.123456);
    voice.play();
    const long long start = std::llround(0.123456 * kOut);
    expectSource(kBuffer * 2, start, 441.0,
                 [](std::size_t i) { return std::min(1.0, double(i + 1) / kBuffer); });
    voice.seek(1.5); // at once, before any frame; the old position ramps out for a buffer
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.5);
    offline.renderSeconds(0.2);
    EXPECT_NEAR(voice.positionSeconds(), 1.69, 1e-9);
    offline.renderSeconds(0.5);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_EQ(voice.positionSeconds(), 2.0);
    voice.play(); // at the end: again from the start position last sought
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
    EXPECT_EQ(voice.positionSeconds(), 1.5);
}

TEST(NullOutputEngine, VoicesAdvanceInRealTimeWithoutADeviceAndTheEngineEndsCleanly) {
    TempDir dir;
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(WriteSineWav(path, 2.0, 440.0, 48000, 0.5, 2, WavFormat::Float32));
    AudioEngine engine(std::make_unique<NullOutput>(48000, 480), AudioEngine::kNeverIdleStop);
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(path));
    voice.play();
    EXPECT_TRUE(WaitUntil([&] { return voice.positionSeconds() > 0.05; }));
}

TEST_F(Clips, BrokenFilesOpenWithTheDurationThatDecodesAndPlayToTheirEnd) {
    std::string id3("ID3\x04\0\0", 6); // a tag of 8 MB (sync-safe size) before the audio
    id3 += std::string{0x04, 0, 0, 0} + std::string(8 << 20, '\0') + ReadBytes(mp3("m.mp3", 1.0));
    std::string claims = ReadBytes(wav("c.wav", 1.0)); // sizes that claim 2 GB
    claims.replace(4, 4, "\xff\xff\xff\x7f")
        .replace(claims.find("data") + 4, 4, "\xff\xff\xff\x7f");
    ::mkfifo(dir.file("pipe.mp3").c_str(), 0600);
    ASSERT_TRUE(WriteSineWav(dir.file("mono.wav"), 0.5, 100.0, 1000, 0.5, 1)); // lowest rate
    struct Row {
        std::string path;
        double duration; // 0: refused; -1: what decodes of a cut MP3
    };
    const Row rows[] = {
        {dir.file("missing.mp3"), 0.0},
        {bytes("noise.mp3", RandomBytes(100000, 7)), 0.0},
        {dir.file("pipe.mp3"), 0.0},
        {bytes("header.wav", ReadBytes(wav("h.wav", 1.0)).substr(0, 44)), 0.0},
        {bytes("cut.wav", ReadBytes(wav("w.wav", 2.0)).substr(0, 44 + 4 * 48000)), 1.0},
        {bytes("cut.mp3", ReadBytes(mp3("c.mp3", 2.0)).substr(0, 12000)), -1.0},
        {bytes("id3.mp3", id3), 1.0},
        {bytes("claims.wav", claims), 1.0},
        {dir.file("mono.wav"), 0.5}};
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto filesBefore = openFiles();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const bool opened = voice.open(row.path);
        EXPECT_EQ(opened, row.duration != 0.0);
        EXPECT_EQ(voice.path(), row.path);
        EXPECT_EQ(voice.positionSeconds(), 0.0); // also where the row before played out
        EXPECT_GE(voice.durationSeconds(), row.duration < 0.0 ? 0.3 : row.duration - 1e-3);
        EXPECT_LE(voice.durationSeconds(), row.duration < 0.0 ? 2.0 : row.duration + 1e-3);
        voice.play();
        const auto out = offline.renderSeconds(voice.durationSeconds() + 0.5);
        EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
        EXPECT_EQ(voice.positionSeconds(), voice.durationSeconds());
        EXPECT_EQ(Peak(Channel(out, 0, out.size() / 2 - 9600)), 0.0);
        // The right channel: a mono clip is heard on both.
        EXPECT_EQ(Peak(Channel(out, 1)) > 0.45, row.duration != 0.0);
    }
    // Each clip's file is closed with it: a run of days opens thousands.
    voice.close();
    EXPECT_TRUE(WaitUntil([&] { return openFiles() == filesBefore; }));
}

TEST_F(Clips, AFileCutOrDeletedWhilePlayingEndsCleanly) {
    const std::string cut = mp3("cut.mp3", 4.0);
    ASSERT_TRUE(voice.open(cut));
    voice.play();
    offline.renderSeconds(0.2);
    ASSERT_EQ(::truncate(cut.c_str(), 2000), 0);
    offline.renderSeconds(5.0);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), voice.durationSeconds());
    const std::string gone = wav("gone.wav", 1.0);
    ASSERT_TRUE(voice.open(gone));
    voice.play();
    offline.renderSeconds(0.2);
    ::unlink(gone.c_str());
    EXPECT_GT(Peak(Channel(offline.renderSeconds(1.0), 0, 0, 24000)), 0.4); // still open
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
}

// A damaged MPEG stream whose frame index sends a seek to the middle past the clip's end: the
// frames left to read came out negative, read as a huge count, and the library wrote past the
// caller's buffer. A guard zone behind the frames asked for must stay as it was.
TEST(FuzzRegression, Mp3SeekPastTheIndexedEndReadsNothingAndStaysInBounds) {
    auto opened =
        OpenDecoder(KORVALE_SOURCE_DIR "/tests/fuzz/regressions/mp3-seek-lands-past-length.mp3");
    ASSERT_EQ(opened.status, DecoderOpenStatus::Ok);
    Decoder& decoder = *opened.decoder;
    const std::int64_t length = decoder.lengthFrames();
    ASSERT_GT(length, 0);
    constexpr std::size_t kFrames = 1024, kGuard = 4096;
    std::vector<float> buffer;
    const auto read = [&] {
        buffer.assign(kFrames * Decoder::kChannels + kGuard, 12345.0f);
        return decoder.read(buffer.data(), kFrames);
    };
    for (const std::int64_t target : {length / 2, std::int64_t{0}, length, length + 1}) {
        decoder.seek(target);
        EXPECT_LE(read(), kFrames) << target;
        EXPECT_EQ(std::count(buffer.end() - kGuard, buffer.end(), 12345.0f), long(kGuard))
            << target;
    }
    decoder.seek(0); // whatever the index said, the clip still plays from the start
    EXPECT_GT(read(), 0u);
}

class Commands : public Clips {
protected:
    // Opens `path` as the cue player does; the length reply.
    std::string load(const std::string& path) {
        EXPECT_EQ(send("open " + mci.shortPath(path).value_or("?") + " alias movie "), "");
        EXPECT_EQ(send("set movie time format milliseconds wait"), "");
        return send("status movie length");
    }
    std::string send(const std::string& command) { return mci.sendString(command); }

    EngineVoice& cue = offline.voice(VoiceId::Cue);
    MediaCommandInterpreter mci{cue};
};

TEST_F(Commands, ACueSessionWithEveryCommand) {
    EXPECT_EQ(load(wav("clip.wav", 2.5)), "2500");
    EXPECT_EQ(send("play movie"), "");
    EXPECT_GT(Peak(Channel(offline.renderSeconds(0.25), 0, 4800)), 0.4);
    EXPECT_EQ(send("status movie position"), "250");
    EXPECT_EQ(send("pause movie"), "");
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("status movie position"), "260"); // one buffer of ramp-out
    for (const auto& [to, at] : {std::pair{"99999", "2500"}, {"-5", "0"}, {"1234", "1234"}}) {
        SCOPED_TRACE(to);
        EXPECT_EQ(send(std::string("seek movie to ") + to), "");
        EXPECT_EQ(send("status movie position"), at);
    }
    EXPECT_EQ(send("  PLAY   Movie "), ""); // keywords in any case, blanks may repeat
    offline.renderSeconds(0.1);
    EXPECT_EQ(send("Status MOVIE Position"), "1334");
    offline.renderSeconds(2.0); // past the end: the device stops by itself
    EXPECT_EQ(send("status movie position"), "2500");
    EXPECT_EQ(send("play movie"), ""); // nothing left to play at the end
    EXPECT_EQ(Peak(offline.renderSeconds(0.1)), 0.0);
    EXPECT_EQ(send("stop movie"), "");
    EXPECT_EQ(send("close movie"), "");
    EXPECT_FALSE(cue.isOpen());
}

TEST_F(Commands, HostileFileNamesCannotChangeTheCommand) {
    for (const char* name : {"a close all b.wav", "  lead and trail  .wav", "ünïcødé ☃.wav"}) {
        EXPECT_EQ(load(wav(name, 0.75)), "750") << name;
        EXPECT_EQ(cue.path(), dir.file(name));
        EXPECT_EQ(send("close movie"), "");
    }
    const std::string plain = wav("plain.wav", 0.5), spaced = wav("two words.wav", 0.5);
    for (const std::string& refused :
         {"open " + spaced + " alias movie ", "open \"" + plain + "\"x alias movie",
          "open \"" + plain + " alias movie", "open \"" + plain + "\" alias other",
          "open \"" + plain + "\" aliases movie", std::string()}) {
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

} // namespace
} // namespace korvale::testing
