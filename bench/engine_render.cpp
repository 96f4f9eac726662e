// Offline render of a cross-fade between two 5-minute 44.1 kHz MP3s into 48 kHz (both voices
// resampled, gains ramped, mixed), against the decode floor: the same files decoded by
// libmpg123 alone, through the engine's own decoder (same float output, same scan at open,
// every frame of both files). Prints CPU seconds and their ratio (goal: at most 1.8).
//
// When ffmpeg is installed, it mixes the same two files to 48 kHz beside the engine, on one
// thread, in two ways: the inputs mixed first and the mix resampled once (amix, then
// aresample), and each input resampled with libsoxr before the mix. Its CPU seconds are the
// whole process's (user and system); the engine should be at least 1.3 times faster than the
// first way.
//
// The clips hold music-like material (drums, bass, chords and a melody, in stereo) rather
// than a pure tone: a tone leaves almost every spectral line empty, which makes MPEG
// decoding unusually cheap and the floor unrealistically low. Both measurements run
// several times, alternating, and the median of each is reported, so that a burst of load
// from another process on a shared machine does not decide the figure. The whole benchmark,
// ffmpeg included, runs on the one CPU it starts on: where CPUs share a core (hyper-threads, or
// virtual CPUs placed on them), threads that run at once slow each other down and their CPU
// seconds grow with it, which would charge the engine's and ffmpeg's threads for sharing a
// core while the single-threaded floor runs alone.

#include "decode/DecoderFactory.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"

#include <lame/lame.h>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

using namespace korvale;

namespace {

constexpr double kClipSeconds = 300.0;
constexpr int kSourceRate = 44100;
constexpr int kOutputRate = 48000;
constexpr std::size_t kBuffer = 480;
constexpr std::size_t kFadeStepFrames = 1920; // a fade step every 40 ms
constexpr int kSilent = -9000;
constexpr int kRuns = 7;
constexpr double kFloorGoal = 1.8;  // engine / decode floor, at most
constexpr double kFfmpegGoal = 1.3; // ffmpeg's one-resampler mix / engine, at least
constexpr std::size_t kFloorReadFrames = 4096;

// ---- music-like clip material ------------------------------------------------------------

constexpr std::size_t kEncodeBlock = 4096;
constexpr int kLameQuality = 5;
constexpr int kCbrKbps = 128;
constexpr int kVbrQuality = 4;
constexpr std::size_t kTableSize = 4096;
constexpr int kHarmonics = 12;
constexpr double kBeatsPerMinute = 120.0;
constexpr int kBeatsPerChord = 4;
constexpr int kChordNotes = 4;
constexpr double kMasterGain = 0.55;

// Deterministic noise, the same on every machine and library version.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_state(seed | 1U) {}
    // Uniform in [-1, 1).
    float next() { return static_cast<float>(step()) / 2147483648.0f - 1.0f; }
    // Uniform in 0 .. n-1.
    std::uint32_t below(std::uint32_t n) { return step() % n; }

private:
    std::uint32_t step() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    std::uint32_t m_state;
};

// One period of a bright, saw-like tone (harmonics falling as 1/k).
std::vector<float> MakeWaveTable() {
    std::vector<float> table(kTableSize);
    for (std::size_t i = 0; i < kTableSize; ++i) {
        double value = 0.0;
        for (int k = 1; k <= kHarmonics; ++k) {
            value += std::sin(2.0 * std::numbers::pi * k * static_cast<double>(i) / kTableSize) / k;
        }
        table[i] = static_cast<float>(value * 0.5);
    }
    return table;
}

double NoteHz(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A table oscillator with its own phase.
struct Oscillator {
    double phase = 0.0;
    double increment = 0.0;
    void setHz(double hz) { increment = hz * kTableSize / kSourceRate; }
    float next(const std::vector<float>& table) {
        const float value = table[static_cast<std::size_t>(phase)];
        phase += increment;
        if (phase >= kTableSize) {
            phase -= kTableSize;
        }
        return value;
    }
};

// Drums, bass, a four-note chord pad and a melody in stereo, rendered block by block.
class Song {
public:
    Song(std::uint32_t seed, int keyNote)
        : m_noise(seed), m_key(keyNote), m_table(MakeWaveTable()) {}

    void render(float* left, float* right, std::size_t frames) {
        constexpr double kBeatFrames = 60.0 * kSourceRate / kBeatsPerMinute;
        constexpr std::array<int, 4> kProgression = {0, 7, 9, 5}; // I V vi IV
        constexpr std::array<int, 4> kChordShape = {0, 4, 7, 12}; // major with octave
        constexpr std::array<int, 5> kPentatonic = {0, 2, 4, 7, 9};
        const double decayKick = std::exp(-1.0 / (0.15 * kSourceRate));
        const double decaySnare = std::exp(-1.0 / (0.12 * kSourceRate));
        const double decayHat = std::exp(-1.0 / (0.03 * kSourceRate));
        const double decayNote = std::exp(-1.0 / (0.25 * kSourceRate));
        for (std::size_t i = 0; i < frames; ++i, ++m_frame) {
            const double beatPos = static_cast<double>(m_frame) / kBeatFrames;
            const auto eighth = static_cast<long long>(beatPos * 2.0);
            if (eighth != m_lastEighth) {
                m_lastEighth = eighth;
                const long long beat = eighth / 2;
                if (eighth % 2 == 0) {
                    m_kickEnv = 1.0;
                    m_kickHz = 120.0;
                    if (beat % 2 == 1) {
                        m_snareEnv = 1.0;
                    }
                    if (beat % kBeatsPerChord == 0) {
                        const int root = m_key + kProgression[(beat / kBeatsPerChord) % 4];
                        for (int n = 0; n < kChordNotes; ++n) {
                            m_pad[n].setHz(NoteHz(root + kChordShape[n]) * (1.0 + 0.002 * n));
                        }
                        m_bass.setHz(NoteHz(root - 24));
                        m_root = root;
                    }
                }
                m_hatEnv = 1.0;
                if (m_noise.below(4) != 0) {
                    const int degree = kPentatonic[m_noise.below(kPentatonic.size())];
                    m_lead.setHz(
                        NoteHz(m_root + 12 + degree + 12 * static_cast<int>(m_noise.below(2))));
                    m_leadEnv = 1.0;
                }
            }
            const double kick = std::sin(m_kickPhase) * m_kickEnv;
            m_kickPhase += 2.0 * std::numbers::pi * m_kickHz / kSourceRate;
            m_kickHz = 45.0 + (m_kickHz - 45.0) * 0.9995;
            m_kickEnv *= decayKick;
            const float white = m_noise.next();
            const float snare = static_cast<float>(white * m_snareEnv);
            m_snareEnv *= decaySnare;
            const float hat = static_cast<float>((white - m_lastWhite) * m_hatEnv);
            m_lastWhite = white;
            m_hatEnv *= decayHat;
            float padLeft = 0.0f;
            float padRight = 0.0f;
            for (int n = 0; n < kChordNotes; ++n) {
                const float v = m_pad[n].next(m_table);
                padLeft += v * (n % 2 == 0 ? 0.7f : 0.3f);
                padRight += v * (n % 2 == 0 ? 0.3f : 0.7f);
            }
            const float bass = m_bass.next(m_table);
            const auto lead = static_cast<float>(m_lead.next(m_table) * m_leadEnv);
            m_leadEnv *= decayNote;
            const auto common = static_cast<float>(0.5 * kick + 0.25 * bass);
            left[i] = Limit(kMasterGain * (common + 0.22f * snare + 0.06f * hat + 0.12f * padLeft +
                                           0.16f * lead));
            right[i] = Limit(kMasterGain * (common + 0.18f * snare + 0.08f * hat +
                                            0.12f * padRight + 0.10f * lead));
        }
    }

private:
    static float Limit(double v) { return static_cast<float>(std::clamp(v, -0.99, 0.99)); }

    Noise m_noise;
    int m_key;
    std::vector<float> m_table;
    long long m_frame = 0;
    long long m_lastEighth = -1;
    double m_kickEnv = 0.0;
    double m_kickHz = 120.0;
    double m_kickPhase = 0.0;
    double m_snareEnv = 0.0;
    double m_hatEnv = 0.0;
    double m_leadEnv = 0.0;
    float m_lastWhite = 0.0f;
    int m_root = 0;
    std::array<Oscillator, kChordNotes> m_pad{};
    Oscillator m_bass;
    Oscillator m_lead;
};

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Encodes `seconds` of the song as a stereo MP3 with a LAME info tag (CBR or VBR).
bool WriteSongMp3(const std::string& path, Song& song, double seconds, bool vbr) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        return false;
    }
    lame_global_flags* gf = lame.get();
    lame_set_in_samplerate(gf, kSourceRate);
    lame_set_out_samplerate(gf, kSourceRate);
    lame_set_num_channels(gf, 2);
    lame_set_quality(gf, kLameQuality);
    if (vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, kVbrQuality);
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, kCbrKbps);
    }
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0) {
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w+b"));
    if (!file) {
        return false;
    }
    std::vector<float> left(kEncodeBlock);
    std::vector<float> right(kEncodeBlock);
    std::vector<unsigned char> mp3(kEncodeBlock * 5 / 4 + 7200);
    const auto total = static_cast<long long>(std::llround(seconds * kSourceRate));
    auto put = [&](int bytes) {
        return bytes >= 0 && std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes),
                                         file.get()) == static_cast<std::size_t>(bytes);
    };
    for (long long done = 0; done < total;) {
        const auto n = static_cast<std::size_t>(std::min<long long>(kEncodeBlock, total - done));
        song.render(left.data(), right.data(), n);
        if (!put(lame_encode_buffer_ieee_float(gf, left.data(), right.data(), static_cast<int>(n),
                                               mp3.data(), static_cast<int>(mp3.size())))) {
            return false;
        }
        done += static_cast<long long>(n);
    }
    if (!put(lame_encode_flush(gf, mp3.data(), static_cast<int>(mp3.size())))) {
        return false;
    }
    lame_mp3_tags_fid(gf, file.get());
    return std::fflush(file.get()) == 0;
}

// ---- measurements -----------------------------------------------------------------------

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Measurement {
    double seconds = 0.0;
    long long frames = 0; // source frames decoded (floor) or output frames rendered (engine)
};

Measurement DecodeFloor(const std::vector<std::string>& paths) {
    Measurement m;
    const double start = CpuSeconds();
    std::vector<float> buffer(2 * kFloorReadFrames);
    for (const auto& path : paths) {
        DecoderOpenResult result = OpenDecoder(path);
        std::size_t got = 0;
        while (result.decoder &&
               (got = result.decoder->read(buffer.data(), kFloorReadFrames)) > 0) {
            m.frames += static_cast<long long>(got);
        }
    }
    m.seconds = CpuSeconds() - start;
    return m;
}

Measurement RenderCrossFade(const std::string& a, const std::string& b) {
    Measurement m;
    const double start = CpuSeconds();
    testing::OfflineEngine offline(kOutputRate, kBuffer);
    EngineVoice& out = offline.voice(VoiceId::Deck1);
    EngineVoice& in = offline.voice(VoiceId::Deck2);
    out.open(a);
    in.open(b);
    in.setVolume(kSilent);
    out.play();
    in.play();
    const auto total = static_cast<std::size_t>(kClipSeconds * kOutputRate);
    std::vector<float> block(2 * kFadeStepFrames);
    for (std::size_t done = 0; done < total; done += kFadeStepFrames) {
        // A linear cross-fade in hundredths of a dB across the whole clip.
        const double t = static_cast<double>(done) / static_cast<double>(total);
        in.setVolume(static_cast<int>(kSilent * (1.0 - t)));
        out.setVolume(static_cast<int>(kSilent * t));
        offline.output().pullInto(block.data(), kFadeStepFrames);
        m.frames += static_cast<long long>(kFadeStepFrames);
    }
    m.seconds = CpuSeconds() - start;
    return m;
}

double Seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6;
}

// Runs `args` (output to /dev/null) and returns its CPU seconds, user and system; nothing when
// it cannot start or fails.
std::optional<double> ChildCpuSeconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return std::nullopt;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// ffmpeg mixing both clips to 48 kHz on one thread, into nothing.
std::optional<double> FfmpegMix(const std::string& a, const std::string& b, bool soxrEach) {
    const std::string graph =
        soxrEach ? "[0:a]aresample=48000:resampler=soxr[x];[1:a]aresample=48000:resampler=soxr[y];"
                   "[x][y]amix=inputs=2:duration=longest"
                 : "[0:a][1:a]amix=inputs=2:duration=longest,aresample=48000";
    return ChildCpuSeconds({"ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-filter_threads",
                            "1", "-filter_complex_threads", "1", "-i", a, "-i", b,
                            "-filter_complex", graph, "-f", "null", "-"});
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) {
        std::printf("cannot keep to one CPU; the figures may count threads slowing each other\n");
    }
    testing::TempDir dir;
    const std::string a = dir.file("a.mp3");
    const std::string b = dir.file("b.mp3");
    std::printf("making two %.0f s music-like MP3 clips (%d kbit/s CBR, VBR q%d)...\n",
                kClipSeconds, kCbrKbps, kVbrQuality);
    Song songA(0x2545F491U, 57);
    Song songB(0x9E3779B9U, 62);
    if (!WriteSongMp3(a, songA, kClipSeconds, false) ||
        !WriteSongMp3(b, songB, kClipSeconds, true)) {
        std::printf("cannot write the clips\n");
        return 1;
    }
    std::vector<double> floors;
    std::vector<double> engines;
    std::vector<double> ratios;
    std::vector<double> ffmpegs;
    std::vector<double> ffmpegSoxrs;
    std::vector<double> leads;
    for (int run = 0; run < kRuns; ++run) {
        const Measurement floor = DecodeFloor({a, b});
        const Measurement engine = RenderCrossFade(a, b);
        std::printf("run %d: floor %.3f s (%lld source frames), engine %.3f s (%lld output "
                    "frames), ratio %.2f",
                    run + 1, floor.seconds, floor.frames, engine.seconds, engine.frames,
                    engine.seconds / floor.seconds);
        floors.push_back(floor.seconds);
        engines.push_back(engine.seconds);
        ratios.push_back(engine.seconds / floor.seconds);
        const std::optional<double> ffmpeg = FfmpegMix(a, b, false);
        const std::optional<double> ffmpegSoxr = FfmpegMix(a, b, true);
        if (ffmpeg && ffmpegSoxr) {
            std::printf(", ffmpeg %.3f s, ffmpeg with soxr %.3f s", *ffmpeg, *ffmpegSoxr);
            ffmpegs.push_back(*ffmpeg);
            ffmpegSoxrs.push_back(*ffmpegSoxr);
            leads.push_back(*ffmpeg / engine.seconds);
        }
        std::printf("\n");
    }
    const double floor = Median(floors);
    const double engine = Median(engines);
    const double ratio = Median(ratios);
    std::printf("decode floor (libmpg123 only): %.3f s CPU (median of %d)\n", floor, kRuns);
    std::printf("engine cross-fade render:      %.3f s CPU (median of %d)\n", engine, kRuns);
    std::printf("ratio engine / floor:          %.2f (median of %d; goal <= %.1f: %s)\n", ratio,
                kRuns, kFloorGoal, ratio <= kFloorGoal ? "met" : "NOT met");
    if (leads.empty()) {
        std::printf("ffmpeg: not installed or failed; no comparison\n");
    } else {
        const double lead = Median(leads);
        std::printf("ffmpeg amix, then aresample:   %.3f s CPU, %.2fx the floor\n", Median(ffmpegs),
                    Median(ffmpegs) / floor);
        std::printf("ffmpeg soxr each, then amix:   %.3f s CPU, %.2fx the floor\n",
                    Median(ffmpegSoxrs), Median(ffmpegSoxrs) / floor);
        std::printf(
            "engine lead over ffmpeg amix:  %.2fx faster (median of %zu; goal >= %.1f: %s)\n", lead,
            leads.size(), kFfmpegGoal, lead >= kFfmpegGoal ? "met" : "NOT met");
    }
    std::printf("audio rendered: %.0f s, %.0fx real time per CPU second\n", kClipSeconds,
                kClipSeconds / engine);
    return 0;
}
