// What the stream's encoding costs and how late the mix reaches the server.
// 1. CPU of the encoding thread against the audio's length, for each format, on a music-like
//    signal; MP3 at 128 kbit/s beside the `lame` command encoding the same PCM.
// 2. With a server (run under scripts/with-icecast.sh): the delay from a block's write into
//    the stream's tap to the send that hands its encoded bytes to the connection (median and
//    largest), for each format, while the tap is fed at the pace of a real output.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <numbers>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <vector>

#include "audio/IcecastBroadcaster.h"
#include "encode/Encoder.h"
#include "platform/ShoutConnection.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using namespace korvale;

constexpr int kRate = 48000;
constexpr double kSeconds = 30.0;
constexpr std::size_t kBlockFrames = 480; // 10 ms, as the mix reaches a tap
constexpr auto kDelaySpan = 10s;
constexpr int kMp3Kbps = 128;
constexpr double kLameDelayFrames = 1105;  // LAME's encoder delay plus the decoder's
constexpr double kOpusPreSkipFrames = 312; // libopusenc's pre-skip at 48 kHz
constexpr double kGoalRatio = 1.2;
// The last half second is left out of the delays: the encoder holds its end until stop().
constexpr std::size_t kTailBlocks = 50;

struct FormatRow {
    const char* name;
    StreamFormat format;
};
constexpr FormatRow kFormats[] = {
    {"MP3 128 kbit/s", StreamFormat::Mp3},
    {"Ogg Vorbis q4", StreamFormat::OggVorbis},
    {"Ogg Opus 96 kbit/s", StreamFormat::OggOpus},
};

// Chords that change every half second, a beat of noise bursts and a slow level swell.
std::vector<float> MusicLike(double seconds) {
    const std::size_t frames = std::size_t(seconds * kRate);
    std::vector<float> out(frames * 2);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const double roots[] = {220.0, 246.9, 261.6, 293.7, 329.6, 196.0};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double root = roots[std::size_t(t * 2.0) % std::size(roots)];
        double v = 0.0;
        for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
            v += 0.12 * std::sin(2.0 * std::numbers::pi * root * ratio * t);
        }
        const double beat = std::fmod(t, 0.5) < 0.05 ? 0.3 : 0.02;
        const double swell = 0.7 + 0.3 * std::sin(2.0 * std::numbers::pi * 0.1 * t);
        out[2 * i] = float(swell * (v + beat * noise(random)));
        out[2 * i + 1] = float(swell * (v * 0.9 + beat * noise(random)));
    }
    return out;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// CPU seconds of this thread to encode `pcm` in mix-sized blocks.
double EncodeCpu(StreamFormat format, const std::vector<float>& pcm) {
    std::string why;
    std::unique_ptr<Encoder> encoder = MakeEncoder({.format = format, .sampleRate = kRate}, &why);
    std::vector<unsigned char> bytes;
    bytes.reserve(1 << 20);
    const double start = ThreadCpuSeconds();
    for (std::size_t at = 0; at < pcm.size(); at += kBlockFrames * 2) {
        bytes.clear();
        encoder->encode(pcm.data() + at, kBlockFrames, bytes);
    }
    encoder->finish(bytes);
    return ThreadCpuSeconds() - start;
}

// CPU seconds of the `lame` command encoding the same PCM (as 16-bit raw) at 128 kbit/s.
double LameCommandCpu(const std::vector<float>& pcm) {
    testing::TempDir dir;
    std::vector<short> raw(pcm.size());
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        raw[i] = short(std::lround(std::clamp(pcm[i], -1.0f, 1.0f) * 32767.0f));
    }
    std::ofstream(dir.file("in.raw"), std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size() * 2));
    const std::string command = "lame --quiet -r -s 48 --bitwidth 16 --signed --little-endian "
                                "-m j -b 128 --cbr " +
                                dir.file("in.raw") + " " + dir.file("out.mp3") + " 2>/dev/null";
    const double before = ChildrenCpuSeconds();
    if (std::system(command.c_str()) != 0) {
        return -1.0;
    }
    return ChildrenCpuSeconds() - before;
}

// Frames of the mix that the bytes handed over so far cover.
struct Coverage {
    StreamFormat format;
    std::uint64_t bytes = 0;
    double frames = 0.0;

    void add(const unsigned char* data, std::size_t count) {
        bytes += count;
        if (format == StreamFormat::Mp3) {
            frames = double(bytes) * 8.0 / (kMp3Kbps * 1000.0) * kRate - kLameDelayFrames;
            return;
        }
        // Ogg: the pages' granule positions (whole pages per send).
        for (std::size_t at = 0; at + 27 <= count; ++at) {
            if (std::equal(data + at, data + at + 4, "OggS")) {
                std::int64_t granule = 0;
                for (int b = 7; b >= 0; --b) {
                    granule = (granule << 8) | data[at + 6 + std::size_t(b)];
                }
                const double skip = format == StreamFormat::OggOpus ? kOpusPreSkipFrames : 0.0;
                frames = std::max(frames, double(granule) - skip);
            }
        }
    }
};

// Passes everything to the real connection and notes when each send's bytes were handed on.
class TimedConnection final : public StreamConnection {
public:
    TimedConnection(std::unique_ptr<StreamConnection> real, StreamFormat format,
                    std::vector<std::pair<Clock::time_point, double>>& sends, std::mutex& mutex)
        : m_real(std::move(real)), m_coverage{format}, m_sends(sends), m_mutex(mutex) {}
    StreamResult open(std::chrono::milliseconds limit,
                      const std::function<bool()>& cancelled) override {
        return m_real->open(limit, cancelled);
    }
    StreamResult send(const unsigned char* bytes, std::size_t count) override {
        m_coverage.add(bytes, count);
        const Clock::time_point now = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            m_sends.emplace_back(now, m_coverage.frames);
        }
        return m_real->send(bytes, count);
    }
    StreamResult setTitle(const std::string& title) override { return m_real->setTitle(title); }
    void close() override { m_real->close(); }

private:
    std::unique_ptr<StreamConnection> m_real;
    Coverage m_coverage;
    std::vector<std::pair<Clock::time_point, double>>& m_sends;
    std::mutex& m_mutex;
};

void MeasureDelay(const FormatRow& row, const std::vector<float>& pcm, int port,
                  const std::string& password) {
    std::vector<std::pair<Clock::time_point, double>> sends;
    std::mutex mutex;
    MixTap tap(4 * kRate);
    IcecastBroadcaster broadcaster(tap, kRate, [&](const auto& settings, const auto& secret) {
        return std::make_unique<TimedConnection>(ShoutConnection::Make(settings, secret),
                                                 row.format, sends, mutex);
    });
    BroadcastSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.mount = "/bench";
    settings.format = row.format;
    broadcaster.start(settings, password);
    const Clock::time_point limit = Clock::now() + 10s;
    while (broadcaster.status().state != BroadcastState::Connected && Clock::now() < limit) {
        std::this_thread::sleep_for(1ms);
    }
    if (broadcaster.status().state != BroadcastState::Connected) {
        std::printf("  %-20s no connection: %s\n", row.name, broadcaster.status().reason.c_str());
        return;
    }
    // The worker empties the tap once connected; the mix's first frame follows that.
    std::this_thread::sleep_for(200ms);
    std::vector<Clock::time_point> written;
    Clock::time_point next = Clock::now();
    const std::size_t blocks = std::size_t(kDelaySpan / 10ms);
    for (std::size_t b = 0; b < blocks; ++b) {
        tap.write(pcm.data() + (b * kBlockFrames * 2) % pcm.size(), kBlockFrames);
        written.push_back(Clock::now());
        next += 10ms;
        std::this_thread::sleep_until(next);
    }
    std::this_thread::sleep_for(1s);
    broadcaster.stop();
    std::vector<double> delays;
    std::lock_guard lock(mutex);
    const std::size_t measured = written.size() - kTailBlocks;
    for (std::size_t b = 0; b < measured; ++b) {
        const double end = double((b + 1) * kBlockFrames);
        const auto sent = std::find_if(sends.begin(), sends.end(), [&](const auto& send) {
            return send.second >= end && send.first >= written[b];
        });
        if (sent != sends.end()) {
            delays.push_back(
                std::chrono::duration<double, std::milli>(sent->first - written[b]).count());
        }
    }
    if (delays.size() < measured / 2) {
        std::printf("  %-20s too few blocks reached the server (%zu of %zu)\n", row.name,
                    delays.size(), measured);
        return;
    }
    std::sort(delays.begin(), delays.end());
    std::printf("  %-20s median %6.1f ms   largest %6.1f ms   (%zu blocks)\n", row.name,
                delays[delays.size() / 2], delays.back(), delays.size());
}

} // namespace

int main() {
    const std::vector<float> pcm = MusicLike(kSeconds);
    std::printf("Encoding thread's CPU against real time (%.0f s of a music-like signal, %d Hz "
                "stereo):\n",
                kSeconds, kRate);
    double mp3Cpu = 0.0;
    for (const FormatRow& row : kFormats) {
        const double cpu = EncodeCpu(row.format, pcm);
        mp3Cpu = row.format == StreamFormat::Mp3 ? cpu : mp3Cpu;
        std::printf("  %-20s %6.3f s CPU = %5.2f %% of real time (%.0fx faster)\n", row.name, cpu,
                    100.0 * cpu / kSeconds, kSeconds / cpu);
    }
    const double lame = LameCommandCpu(pcm);
    if (lame > 0.0) {
        std::printf("MP3 128 kbit/s beside `lame -b 128 --cbr` on the same PCM: %.3f s against "
                    "%.3f s = %.2fx (goal: at most %.1fx)\n",
                    mp3Cpu, lame, mp3Cpu / lame, kGoalRatio);
    } else {
        std::printf("the `lame` command did not run: no comparison\n");
    }

    const char* port = std::getenv("KORVALE_ICECAST_PORT");
    const char* password = std::getenv("KORVALE_ICECAST_SOURCE_PASSWORD");
    if (port == nullptr || password == nullptr) {
        std::printf("No server (run under scripts/with-icecast.sh): no delay figures\n");
        return 0;
    }
    std::printf("Delay from the mix's tap to the server's socket (blocks of 10 ms, %lld s):\n",
                static_cast<long long>(kDelaySpan.count()));
    for (const FormatRow& row : kFormats) {
        MeasureDelay(row, pcm, std::atoi(port), password);
    }
    return 0;
}
