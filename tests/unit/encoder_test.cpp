// The stream encoders: each gives back its tones, per channel and length, across a break.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "encode/Encoder.h"
#include "support/IcecastListener.h"
#include "support/SignalAnalysis.h"

namespace korvale {
namespace {

constexpr int kEncodeRate = 48000;
constexpr double kToneHz = 440.0;      // the left channel's tone
constexpr double kRightToneHz = 660.0; // the right channel's, so that a mix-up shows
constexpr double kAmplitude = 0.5;
constexpr std::size_t kBlockFrames = 480;                // as the mix reaches a tap: 10 ms blocks
constexpr std::size_t kHalfFrames = kEncodeRate * 3 / 2; // more than one Opus library call
constexpr double kLengthToleranceSeconds = 0.005;
constexpr double kFrequencyToleranceHz = 2.0;
constexpr double kClickBend = 0.01; // a clean tone here bends by 0.002

struct FormatRow {
    const char* name;
    StreamFormat format;
    const char* contentType;
    bool carriesTitle;
    // MP3 adds the encoder's delay and the last frame's padding to each stream (no info
    // frame says so in a live stream); Opus and Vorbis trim theirs.
    double extraSeconds;
};

const FormatRow kFormats[] = {
    {"mp3", StreamFormat::Mp3, "audio/mpeg", false, 0.07},
    {"vorbis", StreamFormat::OggVorbis, "audio/ogg", true, 0.0},
    {"opus", StreamFormat::OggOpus, "audio/ogg", true, 0.0},
};

// Encodes `frames` of the tone from frame `from` in blocks of `blockFrames`.
void EncodeTone(Encoder& encoder, std::size_t from, std::size_t frames,
                std::vector<unsigned char>& out, std::size_t blockFrames = kBlockFrames) {
    std::vector<float> block(blockFrames * Encoder::kChannels);
    for (std::size_t done = 0; done < frames; done += blockFrames) {
        for (std::size_t i = 0; i < blockFrames; ++i) {
            const double t = double(from + done + i) / kEncodeRate;
            const double phase = 2.0 * std::numbers::pi * t;
            block[2 * i] = float(kAmplitude * std::sin(phase * kToneHz));
            block[2 * i + 1] = float(kAmplitude * std::sin(phase * kRightToneHz));
        }
        ASSERT_TRUE(encoder.encode(block.data(), blockFrames, out));
    }
}

class EncoderRoundTrip : public ::testing::TestWithParam<FormatRow> {};

TEST_P(EncoderRoundTrip, TheToneComesBackWholeAcrossAStreamBreak) {
    const FormatRow& row = GetParam();
    std::string why;
    std::unique_ptr<Encoder> encoder =
        MakeEncoder({.format = row.format, .sampleRate = kEncodeRate, .mp3Kbps = 320}, &why);
    ASSERT_NE(encoder, nullptr) << why;
    EXPECT_EQ(encoder->contentType(), row.contentType);

    std::vector<unsigned char> bytes;
    EncodeTone(*encoder, 0, kHalfFrames, bytes);
    // Ogg: a new link whose comments carry the title; MP3: the stream ends and starts again.
    EXPECT_EQ(encoder->setTitle("Second Artist - Second Title"), row.carriesTitle);
    if (!row.carriesTitle) {
        ASSERT_TRUE(encoder->finish(bytes));
    }
    EncodeTone(*encoder, kHalfFrames, kHalfFrames, bytes, kHalfFrames); // one large block
    ASSERT_TRUE(encoder->finish(bytes));
    const std::string text(bytes.begin(), bytes.end());

    // The decoders read an Ogg chain's first link only; the last is decoded as a listener who
    // joins there gets it.
    const testing::HeardStream first = testing::DecodeFirstLink(text);
    const testing::HeardStream last = testing::Decode(text);
    ASSERT_EQ(first.rate, kEncodeRate);
    ASSERT_EQ(last.rate, kEncodeRate);
    std::vector<float> decoded = first.stereo;
    if (row.carriesTitle) {
        decoded.insert(decoded.end(), last.stereo.begin(), last.stereo.end());
    }
    const double seconds = double(decoded.size() / Decoder::kChannels) / kEncodeRate;
    EXPECT_GE(seconds, 2.0 * kHalfFrames / kEncodeRate - kLengthToleranceSeconds);
    EXPECT_LE(seconds,
              2.0 * kHalfFrames / kEncodeRate + row.extraSeconds + kLengthToleranceSeconds);

    const std::size_t quarter = kHalfFrames / 2;
    for (const std::size_t from : {quarter, kHalfFrames + quarter}) {
        SCOPED_TRACE(from);
        const std::vector<float> left = testing::Channel(decoded, 0, from, from + quarter);
        const std::vector<float> right = testing::Channel(decoded, 1, from, from + quarter);
        EXPECT_NEAR(testing::EstimateFrequencyHz(left, kEncodeRate), kToneHz,
                    kFrequencyToleranceHz);
        EXPECT_NEAR(testing::EstimateFrequencyHz(right, kEncodeRate), kRightToneHz,
                    kFrequencyToleranceHz);
        EXPECT_NEAR(testing::ToneAmplitude(left, kToneHz, kEncodeRate), kAmplitude, 0.1);
        EXPECT_LT(testing::LargestBend(left), kClickBend); // no block heard twice
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EncoderRoundTrip, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

struct EdgeRow {
    const char* name;
    EncoderSettings settings;
    bool accepted;
};

TEST(EncoderSettingsEdges, EachRangeTakesItsEndsAndRefusesBeyondThemSayingWhy) {
    const EdgeRow rows[] = {
        {"mp3 at 95 kbit/s", {.format = StreamFormat::Mp3, .mp3Kbps = 95}, false},
        {"mp3 at 96 kbit/s", {.format = StreamFormat::Mp3, .mp3Kbps = 96}, true},
        {"mp3 at 321 kbit/s", {.format = StreamFormat::Mp3, .mp3Kbps = 321}, false},
        {"vorbis quality 0", {.format = StreamFormat::OggVorbis, .vorbisQuality = 0}, true},
        {"vorbis quality 10", {.format = StreamFormat::OggVorbis, .vorbisQuality = 10}, true},
        {"vorbis quality 11", {.format = StreamFormat::OggVorbis, .vorbisQuality = 11}, false},
        {"opus at 6 kbit/s", {.format = StreamFormat::OggOpus, .opusKbps = 6}, true},
        {"opus at 510 kbit/s", {.format = StreamFormat::OggOpus, .opusKbps = 510}, true},
        {"opus at 511 kbit/s", {.format = StreamFormat::OggOpus, .opusKbps = 511}, false},
        {"vorbis at 0 Hz", {.format = StreamFormat::OggVorbis, .sampleRate = 0}, false},
    };
    for (const EdgeRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string why;
        EXPECT_EQ(MakeEncoder(row.settings, &why) != nullptr, row.accepted);
        EXPECT_EQ(why.empty(), row.accepted) << why;
    }
}

} // namespace
} // namespace korvale
