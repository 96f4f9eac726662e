// Where the mix leaves the engine: the taps' rings, the clips' tags and the recording.

#include <gtest/gtest.h>

#include <cstdint>
#include <sndfile.h>
#include <string>
#include <vector>

#include "audio/MixTap.h"
#include "decode/ClipTags.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace korvale::testing {
namespace {

constexpr std::size_t kBlock = 256;

// A block whose every sample is `value`.
std::vector<float> Block(float value) {
    return std::vector<float>(kBlock * MixTap::kChannels, value);
}

// The left channel of what the tap hands out, one value per block.
std::vector<float> ReadBlockValues(MixTap& tap) {
    std::vector<float> out(kBlock * MixTap::kChannels);
    std::vector<float> values;
    while (tap.read(out.data(), kBlock) == kBlock) {
        values.push_back(out[0]);
    }
    return values;
}

TEST(MixTap, AFullRingDropsWholeBlocksAndTheReaderGetsThemBackAsSilenceInPlace) {
    MixTap tap(4 * kBlock);
    tap.write(Block(9.0f).data(), kBlock); // closed: not taken
    tap.open();
    for (int i = 1; i <= 6; ++i) {
        tap.write(Block(float(i)).data(), kBlock); // 5 and 6 do not fit
    }
    std::vector<float> out(kBlock * MixTap::kChannels);
    ASSERT_EQ(tap.read(out.data(), kBlock), kBlock);
    tap.write(Block(7.0f).data(), kBlock);
    EXPECT_EQ(tap.droppedBlocks(), 2u);
    EXPECT_EQ(tap.framesOffered(), 7 * kBlock);
    const std::vector<float> expected = {2.0f, 3.0f, 4.0f, 0.0f, 0.0f, 7.0f};
    EXPECT_EQ(ReadBlockValues(tap), expected);
}

TEST(MixTap, OpeningAgainStartsAFreshClockAndSkipsWhatTheLastSessionLeft) {
    MixTap tap(8 * kBlock);
    tap.open();
    tap.write(Block(1.0f).data(), kBlock);
    tap.write(Block(2.0f).data(), kBlock);
    tap.close();
    tap.write(Block(3.0f).data(), kBlock);
    EXPECT_EQ(tap.framesOffered(), 2 * kBlock);
    tap.open();
    EXPECT_EQ(tap.framesOffered(), 0u);
    tap.write(Block(4.0f).data(), kBlock);
    EXPECT_EQ(tap.framesOffered(), kBlock);
    const std::vector<float> expected = {4.0f};
    EXPECT_EQ(ReadBlockValues(tap), expected);
}

constexpr int kRate = OfflineEngine::kDefaultRate;
constexpr double kDeckHz = 440.0;
constexpr double kCueHz = 1500.0;
constexpr double kToneAmplitude = 0.5;

// All the tap holds, interleaved stereo.
std::vector<float> Drain(MixTap& tap) {
    std::vector<float> all;
    std::vector<float> out(kBlock * MixTap::kChannels);
    while (const std::size_t got = tap.read(out.data(), kBlock)) {
        all.insert(all.end(), out.begin(), out.begin() + long(got * MixTap::kChannels));
    }
    return all;
}

class EngineTaps : public ::testing::Test {
protected:
    // Deck 1 plays the deck tone 6 dB down, the cue player its own tone.
    void play(OfflineEngine& offline) {
        ASSERT_TRUE(offline.voice(VoiceId::Deck1).open(deckTone));
        ASSERT_TRUE(offline.voice(VoiceId::Cue).open(cueTone));
        offline.voice(VoiceId::Deck1).setVolume(-600);
        offline.voice(VoiceId::Deck1).play();
        offline.voice(VoiceId::Cue).play();
    }
    TempDir dir;
    std::string deckTone = dir.file("deck.wav");
    std::string cueTone = dir.file("cue.wav");
    bool made = WriteSineWav(deckTone, 8.0, kDeckHz, kRate, kToneAmplitude) &&
                WriteSineWav(cueTone, 8.0, kCueHz, kRate, kToneAmplitude);
};

TEST_F(EngineTaps, ATapHoldsTheDecksAtTheirFaderGainAndNeverTheCue) {
    ASSERT_TRUE(made);
    OfflineEngine offline;
    MixTap& tap = offline.engine().tap(TapId::Recording);
    tap.open();
    play(offline);
    const std::vector<float> out = offline.renderSeconds(1.0);
    const std::vector<float> mix = Drain(tap);
    ASSERT_EQ(mix.size(), out.size());
    const std::vector<float> left = Channel(mix, 0, kRate / 10);
    EXPECT_NEAR(ToneAmplitude(left, kDeckHz, kRate), kToneAmplitude * 0.501, 0.01);
    EXPECT_LT(ToneAmplitude(left, kCueHz, kRate), 0.001);
    EXPECT_NEAR(ToneAmplitude(Channel(out, 0, kRate / 10), kCueHz, kRate), kToneAmplitude, 0.01);
}

TEST_F(EngineTaps, ATapNobodyReadsDropsBlocksAndTheSpeakersGetTheSameMix) {
    ASSERT_TRUE(made);
    OfflineEngine tapped;
    OfflineEngine plain;
    MixTap& tap = tapped.engine().tap(TapId::Stream);
    tap.open();
    play(tapped);
    play(plain);
    const double seconds = 6.0;
    EXPECT_EQ(tapped.renderSeconds(seconds), plain.renderSeconds(seconds));
    EXPECT_GT(tap.droppedBlocks(), 0u);
    EXPECT_EQ(tap.framesOffered(), std::uint64_t(seconds * kRate));
}

TEST(EngineTapIdle, OpeningATapStartsAnIdleOutputAndKeepsItRunning) {
    OfflineEngine offline(kRate, OfflineEngine::kDefaultBuffer, std::chrono::milliseconds(100));
    offline.renderSeconds(0.2);
    ASSERT_TRUE(WaitUntil([&] { return !offline.engine().outputRunning(); }));
    MixTap& tap = offline.engine().tap(TapId::Stream);
    tap.open();
    ASSERT_TRUE(WaitUntil([&] { return offline.engine().outputRunning(); }));
    offline.renderSeconds(0.5);
    EXPECT_EQ(tap.framesOffered(), std::uint64_t(0.5 * kRate));
}

// An ID3 version 2.3 tag holding the given text frames (ISO 8859-1).
std::string Id3v2(const std::vector<std::pair<std::string, std::string>>& frames) {
    std::string body;
    for (const auto& [id, text] : frames) {
        const std::size_t size = text.size() + 1;
        body += id;
        body += std::string{0, 0, char(size >> 8), char(size & 0xff), 0, 0, 0};
        body += text;
    }
    const std::size_t n = body.size();
    const std::string header = {'I', 'D', '3', 3, 0, 0, 0, 0, char(n >> 7), char(n & 0x7f)};
    return header + body;
}

// An ID3 version 1 tag (the last 128 bytes of a file).
std::string Id3v1(const std::string& title, const std::string& artist) {
    std::string tag = "TAG" + title;
    tag.resize(33, '\0');
    tag += artist;
    tag.resize(128, '\0');
    return tag;
}

TEST(ClipTags, ReadFromId3AndSndfileTagsAndBrokenFilesGiveNone) {
    TempDir dir;
    const std::string mp3 = dir.file("tone.mp3");
    ASSERT_TRUE(WriteSineMp3(mp3, 0.5, 440.0, 44100, Mp3Mode::Cbr));
    const std::string audio = ReadBytes(mp3);
    struct Row {
        const char* name;
        std::string bytes;
        ClipTags tags;
    };
    const Row rows[] = {
        {"id3v2",
         Id3v2({{"TPE1", "Ann Artist"}, {"TIT2", "First Song"}}) + audio,
         {"Ann Artist", "First Song"}},
        {"id3v2 title, v1 artist",
         Id3v2({{"TIT2", "Two"}}) + audio + Id3v1("One", "Bo  "),
         {"Bo", "Two"}},
        {"untagged", audio, {}},
        {"cut tag", Id3v2({{"TIT2", "Cut"}}).substr(0, 14), {}},
        {"noise", RandomBytes(5000, 7), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file(std::string(row.name) + ".mp3");
        ASSERT_TRUE(WriteBytes(path, row.bytes));
        const ClipTags tags = ReadClipTags(path);
        EXPECT_EQ(tags.artist, row.tags.artist);
        EXPECT_EQ(tags.title, row.tags.title);
    }
    EXPECT_EQ(ReadClipTags(dir.file("missing.wav")).title, "");

    const std::string wav = dir.file("tagged.wav");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_set_string(file, SF_STR_ARTIST, "Wav Artist");
    sf_set_string(file, SF_STR_TITLE, "Wav Title");
    const std::vector<float> silence(100);
    sf_writef_float(file, silence.data(), 100);
    sf_close(file);
    EXPECT_EQ(ReadClipTags(wav).artist, "Wav Artist");
    EXPECT_EQ(ReadClipTags(wav).title, "Wav Title");
}

TEST(ClipTags, TheTitleSentIsArtistAndTitleOnlyWhenBothAreKnown) {
    EXPECT_EQ(OnAirTitle({"Ann", "Song"}, "file"), "Ann - Song");
    EXPECT_EQ(OnAirTitle({"", "Song"}, "file"), "file");
    EXPECT_EQ(OnAirTitle({"Ann", "Two\nlines"}, "file"), "Ann - Two lines");
}

} // namespace
} // namespace korvale::testing
