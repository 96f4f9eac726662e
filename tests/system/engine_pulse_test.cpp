// The engine on a real sound server (the private PulseAudio daemon of
// scripts/with-pulseaudio.sh): what it plays is recorded from the null sink's monitor.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "SystemSupport.h"
#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
constexpr int kRecordRate = 48000;

// The left channel's longest stretch without a gap of silence (a starved server can leave
// gaps in what it records).
std::vector<float> LongestAudibleRun(const std::string& rawStereo) {
    std::vector<float> stereo(rawStereo.size() / sizeof(float));
    std::memcpy(stereo.data(), rawStereo.data(), stereo.size() * sizeof(float));
    std::vector<float> best, run;
    std::size_t quiet = 0;
    for (std::size_t i = 0; i + 1 < stereo.size(); i += 2) {
        quiet = std::fabs(stereo[i]) <= 1e-3f ? quiet + 1 : 0;
        if (quiet >= 32) {
            best = run.size() > best.size() ? run : best;
            run.clear();
        } else {
            run.push_back(stereo[i]);
        }
    }
    return run.size() > best.size() ? run : best;
}

TEST(EnginePulse, PlaysThroughTheSoundServer) {
    if (!sys::PulseRunning()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    testing::TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 10.0, 1000.0, 44100, 0.5));
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(clip));
    voice.setVolume(-600);

    const std::string recording = dir.file("monitor.raw");
    sys::Child recorder({"parec", "--device=korvale_null.monitor", "--format=float32le",
                         "--channels=2", "--rate=48000", "--raw", "--latency-msec=20"},
                        {}, recording, /*stderrToo=*/false);
    // The null sink runs without pause: the monitor records (silence) once parec is connected.
    std::error_code ignored;
    ASSERT_TRUE(sys::WaitFor([&] { return std::filesystem::file_size(recording, ignored) > 0; }, 8s));
    voice.play();
    // The clock is the sound server's: on a busy machine it may run behind real time.
    EXPECT_TRUE(sys::WaitFor([&] { return voice.positionSeconds() > 1.5; }, 8s));
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
    EXPECT_EQ(engine.outputName(), "portaudio");
    ::kill(recorder.pid(), SIGINT);
    recorder.WaitExit(8s);

    auto left = LongestAudibleRun(testing::ReadBytes(recording));
    ASSERT_GT(left.size(), static_cast<std::size_t>(kRecordRate / 10)) << "nothing audible";
    left.erase(left.begin(), left.begin() + static_cast<long>(left.size() / 10)); // the ramp
    EXPECT_NEAR(testing::EstimateFrequencyHz(left, kRecordRate), 1000.0, 1.0);
    EXPECT_NEAR(testing::RmsDbfs(left), -15.05, 0.3); // 0.5 amplitude (-9.03 dBFS) at -6 dB
}

// An output stopped for idleness is not a dead server: each play after such a stop plays
// through the server again, never through the null output.
TEST(EnginePulse, IdleStopsAreNotTakenForADeadServer) {
    if (!sys::PulseRunning()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    constexpr int kStops = 2;
    testing::TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 20.0, 440.0, 48000, 0.5));
    AudioEngine engine(MakeBestAudioOutput(), 300ms);
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(clip));
    for (int stop = 1; stop <= kStops; ++stop) {
        ASSERT_TRUE(sys::WaitFor([&] { return !engine.outputRunning(); }, 8s));
        const double from = voice.positionSeconds();
        voice.play();
        // Long enough for the failover's monitor to have judged the restarted stream.
        ASSERT_TRUE(sys::WaitFor([&] { return voice.positionSeconds() > from + 0.5; }, 8s));
        EXPECT_EQ(engine.outputName(), "portaudio") << "after idle stop " << stop;
        EXPECT_EQ(engine.outputStarts(), static_cast<std::uint64_t>(stop + 1));
        voice.stop();
    }
}

TEST(EnginePulse, KeepsRunningWhenTheServerDies) {
    if (!sys::Isolated()) {
        if (!sys::PulseRunning()) {
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        }
        const auto [status, log] = sys::RunIsolated("EnginePulse.KeepsRunningWhenTheServerDies");
        EXPECT_EQ(status, 0) << log;
        return;
    }
    testing::TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 20.0, 440.0, 48000, 0.5));
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck2);
    ASSERT_TRUE(voice.open(clip));
    voice.play();
    ASSERT_TRUE(sys::WaitFor([&] { return voice.positionSeconds() > 0.2; }, 8s));
    const double before = voice.positionSeconds();
    ASSERT_EQ(::kill(std::atoi(std::getenv("KORVALE_PULSE_PID")), SIGKILL), 0);
    ASSERT_TRUE(sys::WaitFor([&] { return engine.outputName() == "null"; }, 8s));
    // The clip plays on from where it stood, and at real time, not faster.
    const auto switched = std::chrono::steady_clock::now();
    const double later = voice.positionSeconds();
    EXPECT_TRUE(sys::WaitFor([&] { return voice.positionSeconds() > later + 0.5; }, 8s));
    EXPECT_GT(std::chrono::duration<double>(std::chrono::steady_clock::now() - switched).count(), 0.4)
        << "the null output runs faster than real time";
    EXPECT_GE(later, before);
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
}

} // namespace
} // namespace korvale
