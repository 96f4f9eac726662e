// The real program resuming an unattended run on the run's PulseAudio null sink: killed
// mid-clip, killed during a cross-fade and stopped with SIGTERM. Each clip is a rising tone,
// so what the sink heard names the clip and the second. (That "X" ends the run for good is
// the run keeper's own test, on the real window.)

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>

#include "SystemSupport.h"
#include "core/RunStateCodec.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using sys::Child;
using sys::kSinkRate;
using sys::WaitFor;

constexpr int kClipRate = 44100;
constexpr double kClipSeconds = 7.0;
constexpr double kRiseHzPerSecond = 40.0; // each clip's tone rises so: its pitch is its time
constexpr double kClipBaseHz[] = {300.0, 800.0, 1300.0, 1800.0};
constexpr std::size_t kWindowFrames = kSinkRate / 20;
constexpr double kFullRms = 0.25; // the clips' 0.5 at full level; a fade's tones sum lower
constexpr auto kHeardAgainLimit = 3s;
constexpr double kResumeTolerance = 2.0; // s between where it stopped and where it came back
constexpr double kKillAtSeconds = 2.5;   // well into the first clip, before its fade begins
constexpr std::size_t kQuietFrames = kSinkRate / 4;
constexpr double kQuietDbfs = -60.0;

// What the sink heard in one window: which clip alone at full level, and how far into it.
struct Heard {
    int clip; // -1: none alone at full level
    double seconds;
};

// Each window the sink played from frame `from` on.
std::vector<Heard> Listen(const sys::SinkRecording& sink, std::size_t from) {
    const std::vector<float> stereo = sink.Samples(from);
    std::vector<Heard> heard;
    for (std::size_t at = 0; (at + kWindowFrames) * 2 <= stereo.size(); at += kWindowFrames) {
        const std::vector<float> left = testing::Channel(stereo, 0, at, at + kWindowFrames);
        Heard seen{-1, 0.0};
        const double rms = std::pow(10.0, testing::RmsDbfs(left) / 20.0);
        const double pitch = testing::EstimateFrequencyHz(left, kSinkRate);
        for (int clip = 0; clip < 4 && rms > kFullRms; ++clip) {
            const double seconds = (pitch - kClipBaseHz[clip]) / kRiseHzPerSecond;
            if (seconds >= 0.0 && seconds <= kClipSeconds)
                seen = Heard{clip, seconds};
        }
        heard.push_back(seen);
    }
    return heard;
}

bool WriteRisingTone(const std::string& path, double baseHz) {
    std::vector<float> samples(static_cast<std::size_t>(kClipSeconds * kClipRate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / kClipRate;
        samples[i] = static_cast<float>(
            0.5 * std::sin(2.0 * std::numbers::pi * (baseHz * t + kRiseHzPerSecond * t * t / 2)));
    }
    return testing::WriteMonoClip(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kClipRate, samples);
}

class ResumeProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("KORVALE_PULSE_PID") == nullptr)
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        for (int i = 0; i < 4; ++i) {
            m_clips.push_back(m_dir.file(std::string(1, char('a' + i)) + ".wav"));
            ASSERT_TRUE(WriteRisingTone(m_clips.back(), kClipBaseHz[i]));
        }
        std::filesystem::create_directories(m_dir.file("state/korvale"));
        m_sink.emplace(m_dir.file("sink.raw"));
        ASSERT_TRUE(WaitFor([this] { return Frames() > 0; }, 10s));
    }

    std::size_t Frames() const { return m_sink->Frames(); }
    std::string StatePath() const { return m_dir.file("state/korvale/run-state"); }
    std::optional<RunState> State() const {
        return DecodeRunState(testing::ReadBytes(StatePath())).state;
    }
    std::unique_ptr<Child> Start(std::vector<std::string> args) {
        const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                              "XDG_STATE_HOME=" + m_dir.file("state"),
                                              "XDG_CONFIG_HOME=" + m_dir.file("config")};
        args.insert(args.begin(), KORVALE_BINARY);
        m_launched = Frames();
        return std::make_unique<Child>(args, env,
                                       m_dir.file("korvale" + std::to_string(++m_runs) + ".log"));
    }
    // The first window after the last start in which `clip` alone is heard at full level.
    std::optional<Heard> HeardAfterStart(int clip, std::chrono::milliseconds limit) {
        std::optional<Heard> first;
        WaitFor(
            [&] {
                for (const Heard& h : Listen(*m_sink, m_launched)) {
                    if (h.clip == clip) {
                        first = h;
                        return true;
                    }
                }
                return false;
            },
            limit);
        return first;
    }
    // Ends a program with `signal`; returns its exit code once the sink has gone quiet, so that
    // what it played is all recorded (the recording can lag) before anything is measured.
    std::optional<int> End(Child& program, int signal) {
        ::kill(program.pid(), signal);
        const std::optional<int> code = program.WaitExit(10s);
        EXPECT_TRUE(WaitFor([this] { return SinkQuiet(); }, 10s)) << "the sink did not go quiet";
        return code;
    }
    bool SinkQuiet() const {
        const std::size_t recorded = Frames();
        const std::vector<float> last =
            m_sink->Samples(recorded - std::min(recorded, kQuietFrames));
        return last.size() >= 2 * kQuietFrames && testing::RmsDbfs(last) < kQuietDbfs;
    }
    // Where `clip` was last heard.
    double LastHeard(int clip) {
        double seconds = -1.0;
        for (const Heard& h : Listen(*m_sink, 0)) {
            if (h.clip == clip)
                seconds = h.seconds;
        }
        return seconds;
    }

    testing::TempDir m_dir;
    std::vector<std::string> m_clips;
    std::optional<sys::SinkRecording> m_sink;
    std::size_t m_launched = 0;
    int m_runs = 0;
};

TEST_F(ResumeProgram, KilledAndStoppedRunsResumeWhereTheyStood) {
    const RunState begun = sys::UnattendedStart(m_clips, 0.0);
    ASSERT_TRUE(testing::WriteBytes(StatePath(), EncodeRunState(begun)));

    { // Killed mid-clip, a comes back where it stopped and the run goes on into b.
        auto first = Start({"--resume"});
        ASSERT_TRUE(WaitFor([&] { return LastHeard(0) >= kKillAtSeconds; }, 10s))
            << testing::ReadBytes(m_dir.file("korvale1.log"));
        End(*first, SIGKILL);
        const double stopped = LastHeard(0);
        auto second = Start({"--resume"});
        const std::optional<Heard> again = HeardAfterStart(0, kHeardAgainLimit);
        ASSERT_TRUE(again.has_value()) << "the killed run did not come back";
        EXPECT_NEAR(again->seconds, stopped, kResumeTolerance);
        EXPECT_TRUE(HeardAfterStart(1, 15s).has_value()) << "no hand-over after the resume";

        // Killed during the next cross-fade (into c): c goes on.
        ASSERT_TRUE(WaitFor(
            [&] {
                const auto s = State();
                return s && s->fadingInto != 0 && s->decks[s->fadingInto - 1].clip == m_clips[2];
            },
            15s));
        End(*second, SIGKILL);
    }
    auto third = Start({"--resume"});
    const std::optional<Heard> incoming = HeardAfterStart(2, kHeardAgainLimit);
    ASSERT_TRUE(incoming.has_value()) << "the incoming clip did not go on";

    // SIGTERM writes the run and ends the program; the kept option resumes it without a switch.
    EXPECT_EQ(End(*third, SIGTERM), 0);
    const double stopped = LastHeard(2);
    ASSERT_TRUE(sys::WriteSettings(m_dir.file("config"), "[options]\nresumeInterruptedRun=true\n"));
    auto fourth = Start({});
    const std::optional<Heard> resumed = HeardAfterStart(2, kHeardAgainLimit);
    ASSERT_TRUE(resumed.has_value()) << "a run stopped with SIGTERM did not resume";
    EXPECT_NEAR(resumed->seconds, stopped, kResumeTolerance);
}

} // namespace
} // namespace korvale
