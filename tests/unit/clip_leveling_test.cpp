// Level matching and silent edges on the real engine offline, and the compressed formats.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "decode/DecoderFactory.h"
#include "decode/LoudnessMeter.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

namespace korvale::testing {
namespace {

constexpr int kRate = 44100;

// A 1 kHz tone of `amp` from `lead` to `lead + seconds`, silence around it to `total`;
// every 2 s a 5 ms burst of `burst`.
std::vector<float> Tone(double total, double lead, double seconds, double amp, double burst = 0) {
    std::vector<float> out(std::size_t(total * kRate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double a = std::fmod(t, 2.0) < 0.005 ? burst : amp;
        if (t >= lead && t < lead + seconds)
            out[i] = float(a * std::sin(2 * std::numbers::pi * 1000 * t));
    }
    return out;
}

// Runs `clips` unattended; hands back what was heard of each clip while it played alone at
// full level (left, right interleaved), and the longest silence that sound followed.
struct Heard {
    std::vector<std::vector<float>> solo;
    double longestGapSeconds = 0;
};
Heard RunUnattended(const std::vector<std::vector<float>>& clips, bool match, bool skipEdges) {
    TempDir dir;
    UnattendedRun run;
    std::vector<std::string> paths;
    for (const auto& clip : clips) {
        paths.push_back(dir.file("clip" + std::to_string(paths.size()) + ".wav"));
        EXPECT_TRUE(WriteMonoClip(paths.back(), SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, clip));
    }
    run.core.Leveling().SetMatchLoudness(match);
    run.core.Leveling().SetSkipSilentEdges(skipEdges);
    run.waitForAnalyses = true;
    run.core.Store().List().AppendMany(paths);
    run.Start();
    Heard heard{std::vector<std::vector<float>>(clips.size())};
    int silent = -1; // slices of silence since sound was last heard; -1 before any sound
    while (run.started.size() <= clips.size() && run.nowMs < 120000) { // until it starts over
        run.Step();
        const std::size_t playing = run.started.size() - 1;
        if (run.core.Fade().Phase() == MixPhase::Idle && playing < clips.size() && run.Playing())
            heard.solo[playing].insert(heard.solo[playing].end(), run.slice.begin(),
                                       run.slice.end());
        const bool quiet = RmsDbfs(Channel(run.slice, 0)) < LoudnessMeter::kAudibleThresholdDbfs;
        if (!quiet && silent > 0)
            heard.longestGapSeconds = std::max(heard.longestGapSeconds, silent * 0.01);
        silent = quiet ? (silent < 0 ? -1 : silent + 1) : 0;
    }
    EXPECT_EQ(std::vector(run.started.begin(), run.started.begin() + long(paths.size())), paths);
    return heard;
}

TEST(ClipLeveling, MatchedClipsSoundWithinOneLuAndAPeakIsHeldUnderTheCeiling) {
    const auto at = [](double lufs) { return std::pow(10.0, lufs / 20); };
    const std::vector<std::vector<float>> clips{
        Tone(9, 0, 9, at(-30)), Tone(9, 0, 9, at(-18)), Tone(9, 0, 9, at(-8)),
        Tone(9, 0, 9, at(-30), 0.5)}; // peaks at -6 dBFS: +12 dB would pass the ceiling
    const Heard heard = RunUnattended(clips, true, false);
    std::vector<double> lufs;
    for (std::size_t i = 0; i < 3; ++i) {
        LoudnessMeter meter(UnattendedRun::kRate);
        meter.add(heard.solo[i].data(), heard.solo[i].size() / 2);
        lufs.push_back(meter.result().integratedLufs);
    }
    const auto [low, high] = std::minmax_element(lufs.begin(), lufs.end());
    EXPECT_LE(*high - *low, 1.0) << lufs[0] << " " << lufs[1] << " " << lufs[2];
    EXPECT_NEAR(*low, -18.0, 1.0);
    const double peak = Peak(Channel(heard.solo[3], 0));
    EXPECT_LE(peak, std::pow(10.0, -1.0 / 20)) << "over -1 dBTP";
    EXPECT_GT(peak, 0.7) << "the peaky clip was not raised to its ceiling";
    LoudnessMeter silence(UnattendedRun::kRate); // no sound: it all plays, as it has no edges
    const std::vector<float> quiet(2 * UnattendedRun::kRate);
    silence.add(quiet.data(), UnattendedRun::kRate);
    EXPECT_EQ(silence.result().lastAudibleSeconds, 1.0);
}

TEST(ClipLeveling, SilentEdgesCloseTheGapsThatSilentTailsLeaveAtEveryHandOver) {
    const std::vector<std::vector<float>> clips(4, Tone(13, 1, 6, 0.3)); // 1 s in, 6 s out
    for (const auto& [skip, gapAtMost, gapAtLeast] :
         {std::tuple{true, 0.5, 0.0}, std::tuple{false, 99.0, 1.5}}) {
        SCOPED_TRACE(skip ? "silent edges skipped" : "silent edges played");
        const Heard heard = RunUnattended(clips, false, skip);
        EXPECT_LE(heard.longestGapSeconds, gapAtMost);
        EXPECT_GE(heard.longestGapSeconds, gapAtLeast);
    }
}

TEST(ClipLeveling, AMatchGainThatComesLateRampsInOverAtLeast100MsWithoutAClick) {
    TempDir dir;
    OfflineEngine offline;
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(WriteSineWav(dir.file("t.wav"), 3.0, 440, 48000, 0.25, 2, WavFormat::Float32));
    ASSERT_TRUE(voice.open(dir.file("t.wav")));
    voice.setVolume(0);
    voice.play();
    offline.render(4800);
    voice.setMatchGain(600); // +6 dB: about twice the amplitude
    const std::vector<float> out = Channel(offline.render(48000), 0);
    const auto level = [&](double s) {
        return ToneAmplitude({out.begin() + long(s * 48000), out.begin() + long(s * 48000) + 960},
                             440, 48000);
    };
    EXPECT_LT(level(0.09), 0.25 * 1.9) << "reached in under 100 ms";
    EXPECT_GT(level(0.05), 0.25 * 1.1) << "not rising";
    EXPECT_NEAR(level(0.5), 0.25 * std::pow(10.0, 0.3), 0.02);
    EXPECT_LT(LargestBend(out), 0.01)
        << "a click"; // the tone alone bends by 0.5 * (2 pi 440 / 48000)^2
}

TEST(ClipLeveling, AListLoadStartsWhereItsSoundBeginsOnceMeasuredAndTheGainFollowsTheOptions) {
    const ClipAnalysis measured{-20.0, -3.0, 2.5, 90.0, std::nullopt};
    struct Row {
        const char* name;
        bool skip, match, fromList, playsFirst, tagged, late;
        double start;
        int gain;
    };
    const Row rows[] = {
        {"skip, loaded from the list", true, false, true, false, false, false, 2.5, 0},
        {"skip, loaded otherwise", true, false, false, false, false, false, 0, 0},
        {"skip and match, playing first", true, true, true, true, false, false, 0, 200},
        {"match, the tag preferred", false, true, true, false, true, false, 0, -400},
        {"match turned on once loaded", false, true, true, false, false, true, 0, 200},
        {"skip turned on once loaded", true, false, true, false, false, true, 2.5, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        testing::CoreFixture f;
        f.AddClip("/c.mp3", 100);
        const auto options = [&] {
            f.core.Leveling().SetSkipSilentEdges(r.skip);
            f.core.Leveling().SetMatchLoudness(r.match);
        };
        if (!r.late)
            options();
        const LoadOrigin origin = r.fromList ? LoadOrigin::PlayListSelection : LoadOrigin::Other;
        f.core.Decks().LoadClipOnDeck("/c.mp3", DeckChoice::Deck1, 0.0, origin);
        if (r.late)
            options();
        if (r.playsFirst)
            f.core.Decks().PlayDeck(Deck::A);
        ClipAnalysis tagged = measured;
        tagged.replayGainTrackDb =
            r.tagged ? std::optional(-4.0) : std::nullopt; // preferred, peak allows +2
        f.deck1.SetAnalysis(tagged);
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.deck1.positionSeconds(), r.start);
        EXPECT_EQ(f.deck1.MatchGain(), r.gain);
    }
}

TEST(ClipFormats,
     FlacOggOpusAndMp3OpenWithExactLengthsSeekSampleExactlyBrokenOnesDoNotPlayAndMp3TagsAreRead) {
    TempDir dir;
    ASSERT_TRUE(WriteSineMp3(dir.file("a.mp3"), 2.0, 440, 44100, Mp3Mode::Cbr));
    const std::string audio = ReadBytes(dir.file("a.mp3"));
    std::setlocale(LC_ALL, "tr_TR.UTF-8"); // a decimal comma, and tolower('I') == 'I'
    for (const auto& [key, gain, db] :
         {std::tuple{"REPLAYGAIN_TRACK_GAIN", "-6.50 dB", std::optional(-6.5)},
          {"replaygain_track_gain", "+2.25 dB", std::optional(2.25)},
          {"REPLAYGAIN_TRACK_GAIN", "loud dB", std::nullopt}}) {
        const std::string text = std::string(1, '\0') + key + '\0' + gain;
        const std::string frame = "TXXX" + std::string{0, 0, 0, char(text.size()), 0, 0} + text;
        WriteBytes(dir.file("a.mp3"),
                   std::string("ID3\3\0\0\0\0\0", 9) + char(frame.size()) + frame + audio);
        EXPECT_EQ(OpenDecoder(dir.file("a.mp3")).decoder->replayGainTrackDb(), db) << gain;
    }
    std::setlocale(LC_ALL, "C");
    // FLAC is read back in the recorder's tests.
    struct Row {
        const char* name;
        int format;
        int rate;
    };
    const Row rows[] = {{"a.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
                        {"a.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
                        {"b.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 32000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int rate = row.rate;
        const std::string path = dir.file(row.name);
        const std::vector<float> tone = Tone(4.0, 0, 4.0, 0.5);
        const std::vector<float> samples(tone.begin(), tone.begin() + 3 * rate - 77);
        ASSERT_TRUE(WriteMonoClip(path, row.format, rate, samples));
        DecoderOpenResult opened = OpenDecoder(path);
        ASSERT_TRUE(opened.decoder);
        EXPECT_EQ(opened.decoder->lengthFrames(), std::int64_t(samples.size()));
        std::vector<float> all(samples.size() * 2), part(2000);
        EXPECT_EQ(opened.decoder->read(all.data(), samples.size()), samples.size());
        ASSERT_TRUE(opened.decoder->seek(rate));
        ASSERT_EQ(opened.decoder->read(part.data(), 1000), 1000u);
        for (std::size_t i = 0; i < part.size(); ++i)
            ASSERT_NEAR(part[i], all[2 * rate + i], 0.02) << i;
        WriteBytes(dir.file("cut"), ReadBytes(path).substr(0, 300));
        const DecoderOpenResult cut = OpenDecoder(dir.file("cut"));
        EXPECT_TRUE(!cut.decoder || cut.decoder->lengthFrames() <= rate) << "would play";
    }
}

} // namespace
} // namespace korvale::testing
