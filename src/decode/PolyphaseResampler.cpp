#include "decode/PolyphaseResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>

namespace korvale {

namespace {

// The filter: taps at the lower of the two rates, cut-off as a share of the lower Nyquist
// frequency, Kaiser window shape. Chosen by measurement (bench/resampler_quality).
constexpr double kFilterTaps = 48.0;
constexpr double kCutoff = 0.96;
constexpr double kKaiserBeta = 10.0;
// Outputs computed together from one input window; also the vector width in floats.
constexpr std::size_t kLanes = 4;
// Largest coefficient table built (floats, 1 MB).
constexpr std::uint64_t kMaxTableFloats = std::uint64_t{1} << 18;
// Input frames buffered beyond one window.
constexpr std::size_t kBlockFrames = 4096;
constexpr double kBesselTolerance = 1e-12;

using Vec4 = float __attribute__((vector_size(kLanes * sizeof(float))));

Vec4 Load(const float* p) {
    Vec4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// {sum of a, sum of b, sum of c, sum of d}, each summed as (x0 + x2) + (x1 + x3).
Vec4 SumLanes(Vec4 a, Vec4 b, Vec4 c, Vec4 d) {
    const Vec4 ab =
        __builtin_shufflevector(a, b, 0, 4, 1, 5) + __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const Vec4 cd =
        __builtin_shufflevector(c, d, 0, 4, 1, 5) + __builtin_shufflevector(c, d, 2, 6, 3, 7);
    return __builtin_shufflevector(ab, cd, 0, 1, 4, 5) +
           __builtin_shufflevector(ab, cd, 2, 3, 6, 7);
}

std::size_t RoundUpToLanes(std::uint64_t n) {
    return static_cast<std::size_t>((n + kLanes - 1) / kLanes * kLanes);
}

// The modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x) {
    const double half = x / 2.0;
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; term > kBesselTolerance * sum; ++k) {
        term *= (half / k) * (half / k);
        sum += term;
    }
    return sum;
}

// The windowed-sinc low-pass at `tau` input frames from its centre, `cutoff` a share of the
// input's Nyquist frequency, `halfLength` input frames on either side.
double Kernel(double tau, double cutoff, double halfLength) {
    const double x = tau / halfLength;
    const double window =
        BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - x * x))) / BesselI0(kKaiserBeta);
    const double arg = std::numbers::pi * cutoff * tau;
    const double sinc = tau == 0.0 ? 1.0 : std::sin(arg) / arg;
    return cutoff * sinc * window;
}

} // namespace

std::unique_ptr<PolyphaseResampler> PolyphaseResampler::Create(int inputRate, int outputRate) {
    if (inputRate <= 0 || outputRate <= 0) {
        return nullptr;
    }
    const auto common = static_cast<std::uint64_t>(std::gcd(inputRate, outputRate));
    const std::uint64_t phases = static_cast<std::uint64_t>(outputRate) / common;
    const std::uint64_t step = static_cast<std::uint64_t>(inputRate) / common;
    // Downsampling lowers the cut-off and lengthens the filter by the same factor.
    const double ratio = std::min(1.0, static_cast<double>(outputRate) / inputRate);
    const std::size_t taps =
        RoundUpToLanes(static_cast<std::uint64_t>(std::ceil(kFilterTaps / ratio)));
    // The phases repeat every `phases` outputs; groups of four repeat every `period` outputs.
    const std::uint64_t period = std::lcm(phases, std::uint64_t{kLanes});
    if (period * taps > kMaxTableFloats) {
        return nullptr;
    }
    auto base = [&](std::uint64_t output) { return output * step / phases; };
    const std::uint64_t groups = period / kLanes;
    std::uint64_t spread = 0;
    for (std::uint64_t g = 0; g < groups; ++g) {
        spread = std::max(spread, base(g * kLanes + kLanes - 1) - base(g * kLanes));
    }
    const std::size_t window = RoundUpToLanes(taps + spread);
    if (period * window > kMaxTableFloats) {
        return nullptr;
    }

    std::vector<float> coefficients(static_cast<std::size_t>(period) * window, 0.0f);
    std::vector<std::uint32_t> advances(static_cast<std::size_t>(groups));
    const double cutoff = ratio * kCutoff;
    const double halfLength = static_cast<double>(taps) / 2.0;
    std::vector<double> kernel(taps);
    for (std::uint64_t g = 0; g < groups; ++g) {
        const std::uint64_t first = g * kLanes;
        advances[g] = static_cast<std::uint32_t>(base(first + kLanes) - base(first));
        float* groupTable = coefficients.data() + g * window * kLanes;
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            const std::uint64_t output = first + lane;
            const double fraction =
                static_cast<double>(output * step % phases) / static_cast<double>(phases);
            const auto offset = static_cast<std::size_t>(base(output) - base(first));
            // Tap k weighs input frame (base - taps/2 + 1 + k); normalised so that every phase
            // passes a constant level unchanged.
            double sum = 0.0;
            for (std::size_t k = 0; k < taps; ++k) {
                kernel[k] = Kernel(fraction + halfLength - 1.0 - static_cast<double>(k), cutoff,
                                   halfLength);
                sum += kernel[k];
            }
            for (std::size_t k = 0; k < taps; ++k) {
                const std::size_t at = k + offset;
                groupTable[at / kLanes * kLanes * kLanes + lane * kLanes + at % kLanes] =
                    static_cast<float>(kernel[k] / sum);
            }
        }
    }
    return std::unique_ptr<PolyphaseResampler>(new PolyphaseResampler(
        phases, step, taps, window, std::move(coefficients), std::move(advances)));
}

PolyphaseResampler::PolyphaseResampler(std::uint64_t phases, std::uint64_t step, std::size_t taps,
                                       std::size_t window, std::vector<float> coefficients,
                                       std::vector<std::uint32_t> advances)
    : m_phases(phases), m_step(step), m_taps(taps), m_window(window),
      m_coefficients(std::move(coefficients)), m_advances(std::move(advances)),
      m_left(kBlockFrames + window, 0.0f), m_right(kBlockFrames + window, 0.0f) {
    reset();
}

void PolyphaseResampler::reset() {
    // The filter's history: silence before the first input frame, so that output frame 0 is
    // centred on input frame 0.
    const std::size_t history = m_taps / 2 - 1;
    std::fill_n(m_left.begin(), history, 0.0f);
    std::fill_n(m_right.begin(), history, 0.0f);
    m_filled = history;
    m_start = 0;
    m_group = 0;
    m_lane = 0;
    m_inputFrames = 0;
    m_outputFrames = 0;
    m_ending = false;
    m_paddingLeft = 0;
}

std::size_t PolyphaseResampler::process(const float* input, std::size_t inputFrames,
                                        std::size_t& inputUsed, float* output,
                                        std::size_t outputCapacity) {
    inputUsed = 0;
    if (m_ending) {
        return 0;
    }
    compact();
    const std::size_t take = std::min(inputFrames, m_left.size() - m_filled);
    for (std::size_t i = 0; i < take; ++i) {
        m_left[m_filled + i] = input[2 * i];
        m_right[m_filled + i] = input[2 * i + 1];
    }
    m_filled += take;
    m_inputFrames += take;
    inputUsed = take;
    return produce(output, outputCapacity);
}

std::size_t PolyphaseResampler::flush(float* output, std::size_t capacity) {
    if (!m_ending) {
        m_ending = true;
        // Silence after the last frame, enough for the window of the last output.
        m_paddingLeft = m_window;
    }
    std::size_t written = 0;
    while (written < capacity) {
        compact();
        const std::size_t silence = std::min(m_paddingLeft, m_left.size() - m_filled);
        std::fill_n(m_left.begin() + static_cast<std::ptrdiff_t>(m_filled), silence, 0.0f);
        std::fill_n(m_right.begin() + static_cast<std::ptrdiff_t>(m_filled), silence, 0.0f);
        m_filled += silence;
        m_paddingLeft -= silence;
        const std::size_t produced = produce(output + 2 * written, capacity - written);
        if (produced == 0) {
            break;
        }
        written += produced;
    }
    return written;
}

void PolyphaseResampler::compact() {
    if (m_start == 0) {
        return;
    }
    const auto from = static_cast<std::ptrdiff_t>(m_start);
    const auto to = static_cast<std::ptrdiff_t>(m_filled);
    std::copy(m_left.begin() + from, m_left.begin() + to, m_left.begin());
    std::copy(m_right.begin() + from, m_right.begin() + to, m_right.begin());
    m_filled -= m_start;
    m_start = 0;
}

bool PolyphaseResampler::beforeEnd(std::uint64_t ahead) const {
    return (m_outputFrames + ahead) * m_step < m_inputFrames * m_phases;
}

std::size_t PolyphaseResampler::produce(float* output, std::size_t capacity) {
    std::size_t written = 0;
    while (written < capacity && m_start + m_window <= m_filled) {
        if (m_lane == 0 && capacity - written >= kLanes && beforeEnd(kLanes - 1)) {
            convertGroup(output + 2 * written);
            written += kLanes;
            m_outputFrames += kLanes;
            nextGroup();
        } else if (beforeEnd(0)) {
            convertLane(output + 2 * written);
            ++written;
            ++m_outputFrames;
            if (++m_lane == kLanes) {
                nextGroup();
            }
        } else {
            break;
        }
    }
    return written;
}

void PolyphaseResampler::nextGroup() {
    m_start += m_advances[m_group];
    if (++m_group == m_advances.size()) {
        m_group = 0;
    }
    m_lane = 0;
}

void PolyphaseResampler::convertGroup(float* output) const {
    const float* c = m_coefficients.data() + m_group * m_window * kLanes;
    const float* left = m_left.data() + m_start;
    const float* right = m_right.data() + m_start;
    Vec4 l0{}, l1{}, l2{}, l3{}, r0{}, r1{}, r2{}, r3{};
    for (std::size_t k = 0; k < m_window; k += kLanes, c += kLanes * kLanes) {
        const Vec4 x = Load(left + k);
        const Vec4 y = Load(right + k);
        const Vec4 c0 = Load(c);
        const Vec4 c1 = Load(c + kLanes);
        const Vec4 c2 = Load(c + 2 * kLanes);
        const Vec4 c3 = Load(c + 3 * kLanes);
        l0 += c0 * x;
        l1 += c1 * x;
        l2 += c2 * x;
        l3 += c3 * x;
        r0 += c0 * y;
        r1 += c1 * y;
        r2 += c2 * y;
        r3 += c3 * y;
    }
    const Vec4 l = SumLanes(l0, l1, l2, l3);
    const Vec4 r = SumLanes(r0, r1, r2, r3);
    const Vec4 first = __builtin_shufflevector(l, r, 0, 4, 1, 5);
    const Vec4 second = __builtin_shufflevector(l, r, 2, 6, 3, 7);
    std::memcpy(output, &first, sizeof first);
    std::memcpy(output + kLanes, &second, sizeof second);
}

void PolyphaseResampler::convertLane(float* output) const {
    const float* c = m_coefficients.data() + m_group * m_window * kLanes + m_lane * kLanes;
    const float* left = m_left.data() + m_start;
    const float* right = m_right.data() + m_start;
    Vec4 l{};
    Vec4 r{};
    for (std::size_t k = 0; k < m_window; k += kLanes, c += kLanes * kLanes) {
        const Vec4 taps = Load(c);
        l += taps * Load(left + k);
        r += taps * Load(right + k);
    }
    output[0] = (l[0] + l[2]) + (l[1] + l[3]);
    output[1] = (r[0] + r[2]) + (r[1] + r[3]);
}

} // namespace korvale
