// Where the mix leaves the engine: the taps' rings, the clips' tags and the recording.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <sndfile.h>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "audio/MixRecorder.h"
#include "audio/MixTap.h"
#include "decode/ClipTags.h"
#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace korvale::testing {
namespace {

constexpr std::size_t kBlock = 256;

std::vector<float> Block(float value) {
    return std::vector<float>(kBlock * MixTap::kChannels, value);
}

std::vector<float> Drain(MixTap& tap) {
    std::vector<float> all;
    std::vector<float> out(kBlock * MixTap::kChannels);
    while (const std::size_t got = tap.read(out.data(), kBlock)) {
        all.insert(all.end(), out.begin(), out.begin() + long(got * MixTap::kChannels));
    }
    return all;
}

TEST(MixTap, AFreshSessionSkipsTheLastOneAndBlocksAcrossTheRingsEndReadBackWhole) {
    MixTap tap(8 * kBlock);
    tap.open();
    for (int block = 0; block < 9; ++block) // the last one dropped: a gap
        tap.write(Block(1.0f).data(), kBlock);
    Drain(tap);
    tap.write(Block(2.0f).data(), kBlock); // after the gap; both left unread
    tap.close();
    tap.write(Block(3.0f).data(), kBlock);
    EXPECT_EQ(tap.framesOffered(), 10 * kBlock);
    tap.open();
    EXPECT_EQ(tap.framesOffered(), 0u);
    tap.write(Block(4.0f).data(), kBlock);
    EXPECT_EQ(tap.droppedBlocks(), 0u);
    EXPECT_EQ(Drain(tap), Block(4.0f));
    // Three blocks and a half at a time: the second lies across the end of the ring's storage.
    std::vector<float> ramp(7 * kBlock / 2 * MixTap::kChannels);
    std::iota(ramp.begin(), ramp.end(), 0.0f);
    for (int pass = 0; pass < 2; ++pass) {
        tap.write(ramp.data(), ramp.size() / MixTap::kChannels);
        EXPECT_EQ(Drain(tap), ramp) << "pass " << pass;
    }
}

constexpr int kMixRate = OfflineEngine::kDefaultRate;
constexpr double kDeckHz = 440.0;
constexpr double kCueHz = 1500.0;
constexpr double kRightHz = 660.0; // the right channel of the tone offered to a tap
constexpr double kToneAmplitude = 0.5;

class EngineTaps : public ::testing::Test {
protected:
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
    bool made = WriteSineWav(deckTone, 8.0, kDeckHz, kMixRate, kToneAmplitude) &&
                WriteSineWav(cueTone, 8.0, kCueHz, kMixRate, kToneAmplitude);
};

TEST_F(EngineTaps, ATapHoldsTheDecksAtTheirFaderGainNeverTheCueAndLeavesTheSpeakersAlone) {
    ASSERT_TRUE(made);
    OfflineEngine tapped;
    OfflineEngine plain;
    MixTap& tap = tapped.engine().tap(TapId::Recording);
    tap.open();
    play(tapped);
    play(plain);
    const std::vector<float> out = tapped.renderSeconds(1.0);
    EXPECT_EQ(out, plain.renderSeconds(1.0));
    const std::vector<float> mix = Drain(tap);
    ASSERT_EQ(mix.size(), out.size());
    const std::vector<float> left = Channel(mix, 0, kMixRate / 10);
    EXPECT_NEAR(ToneAmplitude(left, kDeckHz, kMixRate), kToneAmplitude * 0.501, 0.01);
    EXPECT_LT(ToneAmplitude(left, kCueHz, kMixRate), 0.001);
    EXPECT_NEAR(ToneAmplitude(Channel(out, 0, kMixRate / 10), kCueHz, kMixRate), kToneAmplitude,
                0.01);
    // Left unread, the tap drops blocks, and the speakers still get the same mix.
    EXPECT_EQ(tapped.renderSeconds(6.0), plain.renderSeconds(6.0));
    EXPECT_GT(tap.droppedBlocks(), 0u);
    EXPECT_EQ(tap.framesOffered(), std::uint64_t(7 * kMixRate));
}

TEST(EngineTapIdle, OpeningATapStartsAnIdleOutputAndKeepsItRunning) {
    OfflineEngine offline(kMixRate, OfflineEngine::kDefaultBuffer, std::chrono::milliseconds(100));
    offline.renderSeconds(0.2);
    ASSERT_TRUE(WaitUntil([&] { return !offline.engine().outputRunning(); }));
    MixTap& tap = offline.engine().tap(TapId::Stream);
    tap.open();
    ASSERT_TRUE(WaitUntil([&] { return offline.engine().outputRunning(); }));
    offline.renderSeconds(0.5);
    EXPECT_EQ(tap.framesOffered(), std::uint64_t(0.5 * kMixRate));
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

bool WriteTaggedWav(const std::string& path, const char* artist, const char* title) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    sf_set_string(file, SF_STR_ARTIST, artist);
    sf_set_string(file, SF_STR_TITLE, title);
    const std::vector<float> silence(100);
    sf_writef_float(file, silence.data(), 100);
    return sf_close(file) == 0;
}

// A WAV file's tags and a missing file are read by the recorder's test below.
TEST(ClipTags, ReadFromId3TagsAndBrokenFilesGiveNone) {
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
        {"id3v1 only", audio + Id3v1("Solo Title", "Cy"), {"Cy", "Solo Title"}},
        {"untagged", audio, {}},
        {"cut tag", Id3v2({{"TIT2", "Cut"}}).substr(0, 14), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.file(std::string(row.name) + ".mp3");
        ASSERT_TRUE(WriteBytes(path, row.bytes));
        const ClipTags tags = ReadClipTags(path);
        EXPECT_EQ(tags.artist, row.tags.artist);
        EXPECT_EQ(tags.title, row.tags.title);
    }
}

TEST(ClipTags, TheTitleSentIsArtistAndTitleOnlyWhenBothAreKnown) {
    EXPECT_EQ(OnAirTitle({"", "Song"}, "file"), "file");
    EXPECT_EQ(OnAirTitle({"Ann", "Two\nlines"}, "file"), "Ann - Two lines");
}

// Offers `seconds` of the tones (the deck's left, one of its own right) to `tap` from `from`.
void OfferTone(MixTap& tap, double seconds, std::size_t from) {
    const auto frames = std::size_t(seconds * kMixRate);
    std::vector<float> block(OfflineEngine::kDefaultBuffer * MixTap::kChannels);
    for (std::size_t done = 0; done < frames; done += OfflineEngine::kDefaultBuffer) {
        for (std::size_t i = 0; i < OfflineEngine::kDefaultBuffer; ++i) {
            const double t = double(from + done + i) / kMixRate;
            block[2 * i] = float(kToneAmplitude * std::sin(2.0 * M_PI * kDeckHz * t));
            block[2 * i + 1] = float(kToneAmplitude * std::sin(2.0 * M_PI * kRightHz * t));
        }
        tap.write(block.data(), OfflineEngine::kDefaultBuffer);
    }
}

class Recorder : public ::testing::Test {
protected:
    static std::chrono::system_clock::time_point Noon() {
        std::tm t{};
        ::strptime("2026-12-08 09:15:02", "%Y-%m-%d %H:%M:%S", &t);
        t.tm_isdst = -1;
        return std::chrono::system_clock::from_time_t(std::mktime(&t));
    }
    RecordingSettings settings(RecordingFormat format) {
        RecordingSettings s;
        s.folder = dir.path();
        s.format = format;
        s.nowPlayingFile = dir.file("now playing.txt");
        return s;
    }
    TempDir dir;
    MixTap tap{std::size_t(4 * kMixRate)};
    MixRecorder recorder{tap, kMixRate, &Noon};
};

TEST_F(Recorder, EachFormatHoldsTheMixWithACueSheetAtTheHandOvers) {
    struct Row {
        RecordingFormat format;
        const char* name;
        const char* cueFileType;
        std::int64_t lengthSlack; // frames an encoder adds before and after
        double amplitudeSlack;
    };
    const Row rows[] = {
        // One folder: a FLAC not ours holds the first name, and each cue sheet holds its own.
        {RecordingFormat::Flac, "KORVALE 2026-12-08 09-15-02 (2).flac", "WAVE", 0, 0.01},
        {RecordingFormat::Wav, "KORVALE 2026-12-08 09-15-02.wav", "WAVE", 0, 0.01},
        {RecordingFormat::Mp3, "KORVALE 2026-12-08 09-15-02 (3).mp3", "MP3", 3 * 1152, 0.05},
    };
    ASSERT_TRUE(WriteBytes(dir.file("KORVALE 2026-12-08 09-15-02.flac"), "not ours"));
    const std::string tagged = dir.file("tagged.wav");
    ASSERT_TRUE(WriteTaggedWav(tagged, "Ann", "Song"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string why;
        ASSERT_TRUE(recorder.start(settings(row.format), &why)) << why;
        EXPECT_EQ(recorder.status().path, dir.file(row.name));
        recorder.announce({dir.file("untagged.mp3"), "One \"quoted\""});
        OfferTone(tap, 1.0, 0);
        recorder.announce({tagged, "tagged"});
        OfferTone(tap, 1.0, kMixRate);
        recorder.stop();
        EXPECT_EQ(recorder.status().state, RecordingState::Off); // the settings page shows "off"

        const std::string sheet = ReadBytes(recorder.cueSheetPath());
        EXPECT_NE(sheet.find(std::string("FILE \"") + row.name + "\" " + row.cueFileType + "\n"),
                  std::string::npos);
        EXPECT_NE(sheet.find("TITLE \"One 'quoted'\"\n    INDEX 01 00:00:00\n"), std::string::npos)
            << sheet;
        EXPECT_NE(sheet.find("  TRACK 02 AUDIO\n    TITLE \"Song\"\n    PERFORMER \"Ann\"\n"
                             "    INDEX 01 00:01:00\n"),
                  std::string::npos);
        EXPECT_EQ(ReadBytes(dir.file("now playing.txt")), "Ann - Song\n");

        DecoderOpenResult file = OpenDecoder(recorder.status().path);
        ASSERT_TRUE(file.decoder);
        EXPECT_NEAR(file.decoder->lengthFrames(), 2 * kMixRate, row.lengthSlack);
        std::vector<float> audio(std::size_t(kMixRate) * 2);
        file.decoder->seek(kMixRate / 2);
        audio.resize(file.decoder->read(audio.data(), kMixRate) * 2);
        EXPECT_NEAR(ToneAmplitude(Channel(audio, 0), kDeckHz, kMixRate), kToneAmplitude,
                    row.amplitudeSlack);
        EXPECT_NEAR(ToneAmplitude(Channel(audio, 1), kRightHz, kMixRate), kToneAmplitude,
                    row.amplitudeSlack);
    }
    EXPECT_EQ(ReadBytes(dir.file("KORVALE 2026-12-08 09-15-02.flac")), "not ours");
    // A folder gone since the settings were checked.
    std::string why;
    EXPECT_FALSE(recorder.start(RecordingSettings{dir.file("gone")}, &why));
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
}

TEST_F(Recorder, BlocksTheTapDroppedKeepTheirTimeAsSilence) {
    ASSERT_TRUE(recorder.start(settings(RecordingFormat::Wav), nullptr));
    const std::vector<float> tooLong(std::size_t(6 * kMixRate) * MixTap::kChannels, 0.5f);
    OfferTone(tap, 1.0, 0);
    tap.write(tooLong.data(), 6 * kMixRate);
    tap.write(tooLong.data(), 6 * kMixRate); // two drops in a row make one gap
    OfferTone(tap, 1.0, 13 * kMixRate);
    tap.write(tooLong.data(), 6 * kMixRate); // the last block of all: no block follows it
    recorder.stop();
    EXPECT_EQ(recorder.status().droppedBlocks, 3u);
    DecoderOpenResult file = OpenDecoder(recorder.status().path);
    ASSERT_TRUE(file.decoder);
    EXPECT_EQ(file.decoder->lengthFrames(), 20 * kMixRate);
    std::vector<float> audio(std::size_t(kMixRate) * 2);
    file.decoder->seek(12 * kMixRate); // the gap's last second
    file.decoder->read(audio.data(), kMixRate);
    EXPECT_EQ(Peak(audio), 0.0);
    file.decoder->seek(13 * kMixRate);
    file.decoder->read(audio.data(), kMixRate);
    EXPECT_NEAR(ToneAmplitude(Channel(audio, 0), kDeckHz, kMixRate), kToneAmplitude, 0.01);
}

TEST_F(Recorder, AFailedWriteEndsTheRecordingWithAValidFileAndSaysWhy) {
    for (const RecordingFormat format :
         {RecordingFormat::Wav, RecordingFormat::Flac, RecordingFormat::Mp3}) {
        SCOPED_TRACE(int(format));
        int changes = 0;
        recorder.setChangeHandler([&] { ++changes; });
        ASSERT_TRUE(recorder.start(settings(format), nullptr));
        // Writes beyond 16 KiB fail with EFBIG, as on a full disk they fail with ENOSPC.
        rlimit oldLimit{};
        getrlimit(RLIMIT_FSIZE, &oldLimit);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit low{16 * 1024, oldLimit.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
        OfferTone(tap, 3.0, 0);
        const bool failed =
            WaitUntil([&] { return recorder.status().state == RecordingState::Failed; });
        recorder.stop();
        setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_TRUE(failed);
        EXPECT_EQ(recorder.status().reason, std::strerror(EFBIG));
        EXPECT_EQ(changes, 1);
        EXPECT_FALSE(tap.isOpen());

        DecoderOpenResult file = OpenDecoder(recorder.status().path);
        ASSERT_TRUE(file.decoder);
        std::vector<float> audio(std::size_t(3 * kMixRate) * 2);
        audio.resize(file.decoder->read(audio.data(), 3 * kMixRate) * 2);
        EXPECT_GT(audio.size(), std::size_t(kMixRate / 20));
        EXPECT_NEAR(ToneAmplitude(Channel(audio, 1), kRightHz, kMixRate), kToneAmplitude, 0.03);
    }
}

} // namespace
} // namespace korvale::testing
