// Decoders: exact MP3 lengths with and without the LAME tag, seeks, choice by content.

#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace korvale {
namespace {

using testing::Mp3Mode;
using testing::TempDir;

constexpr int kMp3FrameSamples = 1152;

std::vector<float> DecodeAll(Decoder& decoder) {
    std::vector<float> all;
    std::vector<float> chunk(2 * 1000);
    for (;;) {
        const std::size_t n = decoder.read(chunk.data(), 1000);
        if (n == 0) {
            break;
        }
        all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<long>(2 * n));
    }
    return all;
}

struct Mp3Case {
    Mp3Mode mode;
    int rate;
    double seconds;
};

class Mp3Length : public ::testing::TestWithParam<Mp3Case> {};

TEST_P(Mp3Length, IsExactAndMatchesWhatDecodes) {
    const Mp3Case c = GetParam();
    TempDir dir;
    const std::string path = dir.file("clip.mp3");
    ASSERT_TRUE(testing::WriteSineMp3(path, c.seconds, 1000.0, c.rate, c.mode));
    DecoderOpenResult result = OpenDecoder(path);
    ASSERT_EQ(result.status, DecoderOpenStatus::Ok);
    Decoder& decoder = *result.decoder;
    EXPECT_EQ(decoder.sampleRate(), c.rate);
    const long long source = testing::SourceFrames(c.seconds, c.rate);
    const double seconds = static_cast<double>(decoder.lengthFrames()) / c.rate;
    if (c.mode == Mp3Mode::Cbr || c.mode == Mp3Mode::Vbr) {
        // The LAME tag gives delay and padding: the exact source length.
        EXPECT_NEAR(seconds, c.seconds, 0.001);
        EXPECT_EQ(decoder.lengthFrames(), source);
    } else {
        // Without it, the encoder's delay and padding stay in: whole MPEG frames.
        EXPECT_GE(decoder.lengthFrames(), source);
        EXPECT_LE(decoder.lengthFrames(), source + 3 * kMp3FrameSamples);
    }
    const auto all = DecodeAll(decoder);
    EXPECT_EQ(static_cast<long long>(all.size() / 2), decoder.lengthFrames());
    const auto middle = testing::Channel(all, 0, all.size() / 8, all.size() / 2 - all.size() / 8);
    EXPECT_NEAR(testing::EstimateFrequencyHz(middle, c.rate), 1000.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Modes, Mp3Length,
                         ::testing::Values(Mp3Case{Mp3Mode::Cbr, 44100, 2.0},
                                           Mp3Case{Mp3Mode::Vbr, 44100, 2.5},
                                           Mp3Case{Mp3Mode::CbrNoTag, 44100, 2.0},
                                           Mp3Case{Mp3Mode::VbrNoTag, 44100, 1.7},
                                           Mp3Case{Mp3Mode::Vbr, 48000, 1.234},
                                           Mp3Case{Mp3Mode::Cbr, 32000, 1.5}));

TEST(Mp3Seek, LandsOnTheFrameAskedFor) {
    TempDir dir;
    for (const Mp3Mode mode : {Mp3Mode::Cbr, Mp3Mode::Vbr, Mp3Mode::VbrNoTag}) {
        const std::string path = dir.file("clip.mp3");
        ASSERT_TRUE(testing::WriteSineMp3(path, 3.0, 440.0, 44100, mode));
        DecoderOpenResult result = OpenDecoder(path);
        ASSERT_EQ(result.status, DecoderOpenStatus::Ok);
        const auto all = DecodeAll(*result.decoder);
        for (const long long target : {0LL, 1LL, 1151LL, 44100LL, 100000LL, 123457LL}) {
            ASSERT_TRUE(result.decoder->seek(target));
            std::vector<float> chunk(2 * 512);
            ASSERT_EQ(result.decoder->read(chunk.data(), 512), 512U);
            double worst = 0.0;
            for (std::size_t i = 0; i < chunk.size(); ++i) {
                worst =
                    std::max(worst, static_cast<double>(std::fabs(
                                        chunk[i] - all[static_cast<std::size_t>(2 * target) + i])));
            }
            EXPECT_LT(worst, 1e-3) << "seek to " << target;
        }
    }
}

TEST(DecoderChoice, GoesByContentNotByName) {
    TempDir dir;
    const std::string wavAsMp3 = dir.file("really-a-wav.mp3");
    ASSERT_TRUE(testing::WriteSineWav(wavAsMp3, 1.0, 1000.0, 22050, 0.5));
    DecoderOpenResult wav = OpenDecoder(wavAsMp3);
    ASSERT_EQ(wav.status, DecoderOpenStatus::Ok);
    EXPECT_EQ(wav.decoder->lengthFrames(), 22050);

    const std::string mp3AsWav = dir.file("really-an-mp3.wav");
    ASSERT_TRUE(testing::WriteSineMp3(mp3AsWav, 1.0, 1000.0, 44100, Mp3Mode::Cbr));
    DecoderOpenResult mp3 = OpenDecoder(mp3AsWav);
    ASSERT_EQ(mp3.status, DecoderOpenStatus::Ok);
    EXPECT_EQ(mp3.decoder->lengthFrames(), 44100);
}

TEST(DecoderChoice, BadInputsGiveATypedResult) {
    TempDir dir;
    EXPECT_EQ(OpenDecoder(dir.file("missing.mp3")).status, DecoderOpenStatus::Missing);
    EXPECT_EQ(OpenDecoder("").status, DecoderOpenStatus::Missing);
    EXPECT_EQ(OpenDecoder(dir.path()).status, DecoderOpenStatus::NotARegularFile);
    ASSERT_TRUE(testing::WriteBytes(dir.file("empty.mp3"), ""));
    EXPECT_EQ(OpenDecoder(dir.file("empty.mp3")).status, DecoderOpenStatus::NoAudio);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        ASSERT_TRUE(testing::WriteBytes(dir.file("noise.mp3"), testing::RandomBytes(200000, seed)));
        EXPECT_EQ(OpenDecoder(dir.file("noise.mp3")).status, DecoderOpenStatus::UnknownFormat)
            << "seed " << seed;
    }
    ASSERT_TRUE(testing::WriteBytes(dir.file("header.wav"), std::string("RIFF\x24\0\0\0WAVE", 12)));
    EXPECT_NE(OpenDecoder(dir.file("header.wav")).status, DecoderOpenStatus::Ok);
}

} // namespace
} // namespace korvale
