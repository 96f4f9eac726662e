// The voices' sample-rate converter beside libsoxr's high-quality recipe, for the rate pairs a
// player meets most: CPU per output frame, the level of tones across the pass band, and the
// loudest image or alias that a tone up to 20 kHz (or up to 90 % of the lower Nyquist frequency)
// leaves anywhere else in the output. This is the measurement the converter's filter was chosen
// by.

#include "decode/PolyphaseResampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <numbers>
#include <vector>

using namespace korvale;

namespace {

constexpr std::size_t kChunkFrames = 4096;
constexpr double kCostSeconds = 60.0;
constexpr double kToneSeconds = 0.5;
constexpr double kToneAmplitude = 0.5;
constexpr double kHighestTone = 20000.0;
constexpr double kSweepStep = 487.0; // Hz between the tones whose images are sought
constexpr int kCostRuns = 3;

struct RatePair {
    int input;
    int output;
};

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// One converter behind the streaming calls the voices' worker makes.
class Converter {
public:
    virtual ~Converter() = default;
    virtual std::size_t process(const float* in, std::size_t frames, std::size_t& used, float* out,
                                std::size_t capacity) = 0;
    virtual std::size_t flush(float* out, std::size_t capacity) = 0;

    // Converts all of `input` (interleaved stereo) in chunks, as the worker does; returns the
    // output, or only counts its frames (as many zeros) when `keep` is false.
    std::vector<float> convert(const std::vector<float>& input, bool keep = true) {
        std::vector<float> output;
        std::vector<float> block(2 * kChunkFrames);
        std::size_t counted = 0;
        auto take = [&](std::size_t got) {
            counted += got;
            if (keep) {
                output.insert(output.end(), block.begin(), block.begin() + 2 * got);
            }
        };
        const std::size_t frames = input.size() / 2;
        for (std::size_t done = 0; done < frames;) {
            std::size_t used = 0;
            const std::size_t chunk = std::min(kChunkFrames, frames - done);
            const std::size_t got =
                process(input.data() + 2 * done, chunk, used, block.data(), kChunkFrames);
            take(got);
            done += used;
        }
        for (std::size_t got = 0; (got = flush(block.data(), kChunkFrames)) > 0;) {
            take(got);
        }
        if (!keep) {
            output.resize(2 * counted);
        }
        return output;
    }
};

class Polyphase final : public Converter {
public:
    Polyphase(int in, int out, bool portable)
        : m_converter(PolyphaseResampler::Create(in, out, portable)) {}
    std::size_t process(const float* in, std::size_t frames, std::size_t& used, float* out,
                        std::size_t capacity) override {
        return m_converter->process(in, frames, used, out, capacity);
    }
    std::size_t flush(float* out, std::size_t capacity) override {
        return m_converter->flush(out, capacity);
    }

private:
    std::unique_ptr<PolyphaseResampler> m_converter;
};

// libsoxr as the engine used it: split channels, the high-quality recipe, one thread.
class Soxr final : public Converter {
public:
    Soxr(int in, int out) : m_in(in), m_out(out) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        m_soxr = soxr_create(in, out, 2, nullptr, &io, &quality, &runtime);
    }
    ~Soxr() override { soxr_delete(m_soxr); }
    Soxr(const Soxr&) = delete;
    Soxr& operator=(const Soxr&) = delete;

    std::size_t process(const float* in, std::size_t frames, std::size_t& used, float* out,
                        std::size_t capacity) override {
        const std::size_t needed = (capacity * static_cast<std::size_t>(m_in) + m_out - 1) / m_out;
        const std::size_t take = std::min(frames, needed);
        for (std::size_t i = 0; i < take; ++i) {
            m_inLeft[i] = in[2 * i];
            m_inRight[i] = in[2 * i + 1];
        }
        const float* const ins[2] = {m_inLeft.data(), m_inRight.data()};
        size_t done = 0;
        size_t made = 0;
        float* outs[2] = {m_outLeft.data(), m_outRight.data()};
        soxr_process(m_soxr, ins, take, &done, outs, capacity, &made);
        used = done;
        return interleave(made, out);
    }
    std::size_t flush(float* out, std::size_t capacity) override {
        float* outs[2] = {m_outLeft.data(), m_outRight.data()};
        size_t made = 0;
        soxr_process(m_soxr, nullptr, 0, nullptr, outs, capacity, &made);
        return interleave(made, out);
    }

private:
    std::size_t interleave(std::size_t frames, float* out) const {
        for (std::size_t i = 0; i < frames; ++i) {
            out[2 * i] = m_outLeft[i];
            out[2 * i + 1] = m_outRight[i];
        }
        return frames;
    }
    int m_in;
    int m_out;
    soxr_t m_soxr = nullptr;
    std::vector<float> m_inLeft = std::vector<float>(4 * kChunkFrames);
    std::vector<float> m_inRight = std::vector<float>(4 * kChunkFrames);
    std::vector<float> m_outLeft = std::vector<float>(kChunkFrames);
    std::vector<float> m_outRight = std::vector<float>(kChunkFrames);
};

// The converters compared: the polyphase one with the kernel this processor runs fastest, the
// same with its portable kernel (cost only: the response is the same), and libsoxr.
enum class Kind { Polyphase, PortablePolyphase, Soxr };

std::unique_ptr<Converter> Make(Kind kind, const RatePair& rates) {
    if (kind != Kind::Soxr) {
        return std::make_unique<Polyphase>(rates.input, rates.output,
                                           kind == Kind::PortablePolyphase);
    }
    return std::make_unique<Soxr>(rates.input, rates.output);
}

std::vector<float> Tone(double hz, int rate, double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> out(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = kToneAmplitude * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        out[2 * i] = static_cast<float>(v);
        out[2 * i + 1] = static_cast<float>(-v);
    }
    return out;
}

// A least-squares fit of a tone at `hz` to the left channel's middle half: the tone's
// amplitude, and the RMS of what is left once it is taken out (everything the converter added).
struct Fit {
    double amplitude = 0.0;
    double residualRms = 0.0;
};

Fit FitTone(const std::vector<float>& stereo, double hz, int rate) {
    const std::size_t frames = stereo.size() / 2;
    const std::size_t from = frames / 4;
    const std::size_t to = 3 * frames / 4;
    double ss = 0.0;
    double cc = 0.0;
    double sc = 0.0;
    double ys = 0.0;
    double yc = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        const double s = std::sin(phase);
        const double c = std::cos(phase);
        ss += s * s;
        cc += c * c;
        sc += s * c;
        ys += stereo[2 * i] * s;
        yc += stereo[2 * i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;
    const double b = (yc * ss - ys * sc) / det;
    double residual = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        const double e = stereo[2 * i] - a * std::sin(phase) - b * std::cos(phase);
        residual += e * e;
    }
    return {std::hypot(a, b), std::sqrt(residual / static_cast<double>(to - from))};
}

double Db(double ratio) {
    return 20.0 * std::log10(std::max(ratio, 1e-12));
}

// The RMS of the left channel's middle half.
double MiddleRms(const std::vector<float>& stereo) {
    const std::size_t frames = stereo.size() / 2;
    double sum = 0.0;
    for (std::size_t i = frames / 4; i < 3 * frames / 4; ++i) {
        sum += static_cast<double>(stereo[2 * i]) * stereo[2 * i];
    }
    return std::sqrt(sum / static_cast<double>(3 * frames / 4 - frames / 4));
}

// The loudest images and aliases, as the RMS of all the output beside the tone against the
// tone's RMS: over tones up to `top` (they should pass), and, converting down, over the tones
// above the output's Nyquist frequency that would alias below `top` (they should vanish).
struct Spurious {
    double passing = -240.0;
    double stopped = -240.0;
};

Spurious WorstSpurious(Kind kind, const RatePair& rates, double top) {
    Spurious worst;
    const double toneRms = kToneAmplitude / std::sqrt(2.0);
    for (double hz = 100.0; hz <= top; hz += kSweepStep) {
        const auto out = Make(kind, rates)->convert(Tone(hz, rates.input, kToneSeconds));
        worst.passing =
            std::max(worst.passing, Db(FitTone(out, hz, rates.output).residualRms / toneRms));
    }
    for (double hz = std::max(rates.output - top, rates.output / 2.0); hz < rates.input / 2.0;
         hz += kSweepStep) {
        const auto out = Make(kind, rates)->convert(Tone(hz, rates.input, kToneSeconds));
        worst.stopped = std::max(worst.stopped, Db(MiddleRms(out) / toneRms));
    }
    return worst;
}

double NsPerFrame(Kind kind, const RatePair& rates) {
    std::vector<float> input = Tone(997.0, rates.input, kCostSeconds);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] += 0.1f * static_cast<float>(std::sin(0.37 * static_cast<double>(i * i % 10007)));
    }
    std::vector<double> runs;
    std::size_t frames = 0;
    for (int run = 0; run < kCostRuns; ++run) {
        auto converter = Make(kind, rates);
        const double start = CpuSeconds();
        frames = converter->convert(input, false).size() / 2;
        runs.push_back(CpuSeconds() - start);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2] / static_cast<double>(frames) * 1e9;
}

} // namespace

int main() {
    const RatePair pairs[] = {{44100, 48000}, {48000, 44100}, {22050, 48000}, {96000, 48000}};
    const double probes[] = {1000.0, 10000.0, 16000.0, 18000.0, 19000.0, 20000.0};
    for (const RatePair& rates : pairs) {
        const double lowerNyquist = std::min(rates.input, rates.output) / 2.0;
        const double top = std::min(kHighestTone, 0.9 * lowerNyquist);
        std::printf("%d -> %d Hz\n", rates.input, rates.output);
        std::printf("  polyphase, portable kernel: %.1f ns per output frame\n",
                    NsPerFrame(Kind::PortablePolyphase, rates));
        for (const Kind kind : {Kind::Polyphase, Kind::Soxr}) {
            std::printf("  %-10s %5.1f ns per output frame; level at",
                        kind == Kind::Polyphase ? "polyphase" : "soxr HQ", NsPerFrame(kind, rates));
            for (const double hz : probes) {
                if (hz < lowerNyquist * 0.95) {
                    const auto out =
                        Make(kind, rates)->convert(Tone(hz, rates.input, kToneSeconds));
                    std::printf(" %.0fk %+.3f", hz / 1000.0,
                                Db(FitTone(out, hz, rates.output).amplitude / kToneAmplitude));
                }
            }
            const Spurious spurious = WorstSpurious(kind, rates, top);
            std::printf(" dB\n             beside tones up to %.1f kHz at most %.1f dB",
                        top / 1000.0, spurious.passing);
            if (rates.input > rates.output && rates.output - top < rates.input / 2.0) {
                std::printf("; tones from %.1f kHz (aliases under %.1f kHz) leave at most %.1f dB",
                            (rates.output - top) / 1000.0, top / 1000.0, spurious.stopped);
            }
            std::printf("\n");
        }
    }
    return 0;
}
