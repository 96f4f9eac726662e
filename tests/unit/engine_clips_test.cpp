// Decoders and the clips a voice meets: exact MP3 lengths with and without the encoder's
// info frame, seeks, formats, the choice by content, and broken files (duration 0, nothing
// heard).
#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

namespace korvale::testing {
namespace {

std::vector<float> DecodeAll(Decoder& decoder) {
    std::vector<float> all, chunk(2 * 1000);
    for (std::size_t n; (n = decoder.read(chunk.data(), 1000)) > 0;) {
        all.insert(all.end(), chunk.begin(), chunk.begin() + long(2 * n));
    }
    return all;
}

TEST(Mp3Decoder, LengthIsExactWithTheInfoFrameAndWholeFramesWithoutAndSeeksLand) {
    struct Case { Mp3Mode mode; int rate; double seconds; };
    for (const Case c : {Case{Mp3Mode::Cbr, 44100, 2.0}, {Mp3Mode::Vbr, 44100, 2.5}, {Mp3Mode::CbrNoTag, 44100, 2.0},
                         {Mp3Mode::VbrNoTag, 44100, 2.7}, {Mp3Mode::Vbr, 48000, 1.234}, {Mp3Mode::Cbr, 32000, 2.5}}) {
        SCOPED_TRACE(int(c.mode) * 100000 + c.rate);
        TempDir dir;
        ASSERT_TRUE(WriteSineMp3(dir.file("a.mp3"), c.seconds, 1000.0, c.rate, c.mode));
        DecoderOpenResult opened = OpenDecoder(dir.file("a.mp3"));
        ASSERT_EQ(opened.status, DecoderOpenStatus::Ok);
        Decoder& decoder = *opened.decoder;
        EXPECT_EQ(decoder.sampleRate(), c.rate);
        const long long source = SourceFrames(c.seconds, c.rate);
        if (c.mode == Mp3Mode::Cbr || c.mode == Mp3Mode::Vbr) {
            EXPECT_EQ(decoder.lengthFrames(), source);
        } else { // the encoder's delay and padding stay in
            EXPECT_GE(decoder.lengthFrames(), source);
            EXPECT_LE(decoder.lengthFrames(), source + 3 * 1152);
        }
        const auto all = DecodeAll(decoder);
        EXPECT_EQ(static_cast<long long>(all.size() / 2), decoder.lengthFrames());
        EXPECT_NEAR(EstimateFrequencyHz(Channel(all, 0, all.size() / 8, all.size() / 4), c.rate),
                    1000.0, 1.0);
        for (const long long target : {0LL, 1LL, 1151LL, 44100LL, 50001LL}) {
            ASSERT_TRUE(decoder.seek(target));
            std::vector<float> chunk(2 * 512);
            ASSERT_EQ(decoder.read(chunk.data(), 512), 512u);
            for (std::size_t i = 0; i < chunk.size(); ++i) {
                ASSERT_NEAR(chunk[i], all[std::size_t(2 * target) + i], 1e-3) << target;
            }
        }
    }
}

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
    std::string mono(WavFormat format) { // at 32 kHz
        const std::string path = dir.file("mono" + std::to_string(int(format)) + ".wav");
        EXPECT_TRUE(WriteSineWav(path, 0.5, 1000.0, 32000, 0.5, 1, format));
        return path;
    }
    std::string bytes(const std::string& name, const std::string& content) {
        WriteBytes(dir.file(name), content);
        return dir.file(name);
    }
    TempDir dir;
    OfflineEngine offline;
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
};

TEST_F(Clips, BrokenFilesOpenWithTheDurationThatDecodesAndPlayToTheirEnd) {
    std::string id3("ID3\x04\0\0", 6); // a tag of 8 MB (sync-safe size) before the audio
    id3 += std::string{0x04, 0, 0, 0} + std::string(8 << 20, '\0') + ReadBytes(mp3("m.mp3", 1.0));
    std::string claims = ReadBytes(wav("c.wav", 1.0)); // sizes that claim 2 GB
    claims.replace(4, 4, "\xff\xff\xff\x7f")
        .replace(claims.find("data") + 4, 4, "\xff\xff\xff\x7f");
    std::filesystem::create_directory(dir.file("folder.mp3"));
    ::mkfifo(dir.file("pipe.mp3").c_str(), 0600);
    const std::pair<std::string, double> cases[] = {
        {dir.file("missing.mp3"), 0.0}, {bytes("empty.mp3", ""), 0.0}, {bytes("noise.mp3", RandomBytes(100000, 7)), 0.0},
        {dir.file("folder.mp3"), 0.0}, {dir.file("pipe.mp3"), 0.0},
        {bytes("header.wav", ReadBytes(wav("h.wav", 1.0)).substr(0, 44)), 0.0},
        {bytes("cut.wav", ReadBytes(wav("w.wav", 2.0)).substr(0, 44 + 4 * 48000)), 1.0},
        {bytes("cut.mp3", ReadBytes(mp3("c.mp3", 2.0)).substr(0, 12000)), -1.0}, {bytes("id3.mp3", id3), 1.0},
        {bytes("claims.wav", claims), 1.0}, {bytes("wav.mp3", ReadBytes(wav("x.wav", 1.0))), 1.0},
        {mono(WavFormat::Pcm16), 0.5}, {bytes("mp3.wav", ReadBytes(mp3("y.mp3", 1.0))), 1.0},
        {mono(WavFormat::Pcm24), 0.5}, {mono(WavFormat::Float32), 0.5}};
    for (const auto& [path, duration] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(voice.open(path), duration != 0.0);
        EXPECT_EQ(voice.path(), path);
        EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
        EXPECT_GE(voice.durationSeconds(), duration < 0.0 ? 0.3 : duration - 1e-3);
        EXPECT_LE(voice.durationSeconds(), duration < 0.0 ? 2.0 : duration + 1e-3);
        voice.play();
        const auto out = offline.renderSeconds(voice.durationSeconds() + 0.5);
        EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
        EXPECT_DOUBLE_EQ(voice.positionSeconds(), voice.durationSeconds());
        EXPECT_EQ(Peak(Channel(out, 0, out.size() / 2 - 9600)), 0.0);
        EXPECT_EQ(Peak(Channel(out, 0)) > 0.45 && Peak(Channel(out, 1)) > 0.45, duration != 0.0);
    }
    for (const char* name : {"folder.mp3", "pipe.mp3"}) {
        EXPECT_EQ(OpenDecoder(dir.file(name)).status, DecoderOpenStatus::NotARegularFile);
    }
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

} // namespace
} // namespace korvale::testing
