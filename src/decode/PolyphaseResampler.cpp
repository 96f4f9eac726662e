#include "decode/PolyphaseResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace korvale {

namespace {

// The filter: taps at the lower of the two rates, cut-off as a share of the lower Nyquist
// frequency, Kaiser window shape. Chosen by measurement (bench/resampler_quality).
constexpr double kFilterTaps = 48.0;
constexpr double kCutoff = 0.96;
constexpr double kKaiserBeta = 10.0;
// Outputs computed together from one input window.
constexpr std::size_t kGroup = 4;
// Taps per block of the coefficient table: one block holds these taps for each output of a group.
constexpr std::size_t kBlock = 8;
// Largest coefficient table built (floats, 1 MB).
constexpr std::uint64_t kMaxTableFloats = std::uint64_t{1} << 18;
// Input frames buffered beyond one window.
constexpr std::size_t kBlockFrames = 4096;
constexpr double kBesselTolerance = 1e-12;

constexpr std::size_t kVecFloats = 4;
using Vec4 = float __attribute__((vector_size(kVecFloats * sizeof(float))));

Vec4 Load(const float* p) {
    Vec4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// {sum of a, sum of b, sum of c, sum of d}.
Vec4 SumLanes(Vec4 a, Vec4 b, Vec4 c, Vec4 d) {
    const Vec4 ab =
        __builtin_shufflevector(a, b, 0, 4, 1, 5) + __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const Vec4 cd =
        __builtin_shufflevector(c, d, 0, 4, 1, 5) + __builtin_shufflevector(c, d, 2, 6, 3, 7);
    return __builtin_shufflevector(ab, cd, 0, 1, 4, 5) +
           __builtin_shufflevector(ab, cd, 2, 3, 6, 7);
}

// One group of outputs, interleaved into `output` (2 x kGroup floats): each output's taps times
// the `window` input frames from `left` and `right`. Portable vectors of four floats.
void ConvertGroupPortable(const float* c, const float* left, const float* right, std::size_t window,
                          float* output) {
    Vec4 l0{}, l1{}, l2{}, l3{}, r0{}, r1{}, r2{}, r3{};
    for (std::size_t k = 0; k < window; k += kBlock, c += kGroup * kBlock) {
        for (std::size_t half = 0; half < kBlock; half += kVecFloats) {
            const Vec4 x = Load(left + k + half);
            const Vec4 y = Load(right + k + half);
            const Vec4 c0 = Load(c + half);
            const Vec4 c1 = Load(c + kBlock + half);
            const Vec4 c2 = Load(c + 2 * kBlock + half);
            const Vec4 c3 = Load(c + 3 * kBlock + half);
            l0 += c0 * x;
            l1 += c1 * x;
            l2 += c2 * x;
            l3 += c3 * x;
            r0 += c0 * y;
            r1 += c1 * y;
            r2 += c2 * y;
            r3 += c3 * y;
        }
    }
    const Vec4 l = SumLanes(l0, l1, l2, l3);
    const Vec4 r = SumLanes(r0, r1, r2, r3);
    const Vec4 first = __builtin_shufflevector(l, r, 0, 4, 1, 5);
    const Vec4 second = __builtin_shufflevector(l, r, 2, 6, 3, 7);
    std::memcpy(output, &first, sizeof first);
    std::memcpy(output + kVecFloats, &second, sizeof second);
}

#if defined(__x86_64__)
// The sums of the two halves of `v`.
__attribute__((target("avx2,fma"))) __m128 Fold(__m256 v) {
    return _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
}

// The same with eight-float vectors and fused multiply-adds, on processors that have them.
__attribute__((target("avx2,fma"))) void ConvertGroupAvx2(const float* c, const float* left,
                                                          const float* right, std::size_t window,
                                                          float* output) {
    __m256 l0 = _mm256_setzero_ps();
    __m256 l1 = l0;
    __m256 l2 = l0;
    __m256 l3 = l0;
    __m256 r0 = l0;
    __m256 r1 = l0;
    __m256 r2 = l0;
    __m256 r3 = l0;
    for (std::size_t k = 0; k < window; k += kBlock, c += kGroup * kBlock) {
        const __m256 x = _mm256_loadu_ps(left + k);
        const __m256 y = _mm256_loadu_ps(right + k);
        const __m256 c0 = _mm256_loadu_ps(c);
        const __m256 c1 = _mm256_loadu_ps(c + kBlock);
        const __m256 c2 = _mm256_loadu_ps(c + 2 * kBlock);
        const __m256 c3 = _mm256_loadu_ps(c + 3 * kBlock);
        l0 = _mm256_fmadd_ps(c0, x, l0);
        l1 = _mm256_fmadd_ps(c1, x, l1);
        l2 = _mm256_fmadd_ps(c2, x, l2);
        l3 = _mm256_fmadd_ps(c3, x, l3);
        r0 = _mm256_fmadd_ps(c0, y, r0);
        r1 = _mm256_fmadd_ps(c1, y, r1);
        r2 = _mm256_fmadd_ps(c2, y, r2);
        r3 = _mm256_fmadd_ps(c3, y, r3);
    }
    const __m128 l = _mm_hadd_ps(_mm_hadd_ps(Fold(l0), Fold(l1)), _mm_hadd_ps(Fold(l2), Fold(l3)));
    const __m128 r = _mm_hadd_ps(_mm_hadd_ps(Fold(r0), Fold(r1)), _mm_hadd_ps(Fold(r2), Fold(r3)));
    _mm_storeu_ps(output, _mm_unpacklo_ps(l, r));
    _mm_storeu_ps(output + kVecFloats, _mm_unpackhi_ps(l, r));
}
#endif

PolyphaseResampler::GroupKernel ChooseKernel(bool portable) {
#if defined(__x86_64__)
    if (!portable && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        return &ConvertGroupAvx2;
    }
#endif
    return &ConvertGroupPortable;
}

std::size_t RoundUp(std::uint64_t n, std::size_t multiple) {
    return static_cast<std::size_t>((n + multiple - 1) / multiple * multiple);
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

std::unique_ptr<PolyphaseResampler> PolyphaseResampler::Create(int inputRate, int outputRate,
                                                               bool portableKernel) {
    if (inputRate <= 0 || outputRate <= 0) {
        return nullptr;
    }
    const auto common = static_cast<std::uint64_t>(std::gcd(inputRate, outputRate));
    const std::uint64_t phases = static_cast<std::uint64_t>(outputRate) / common;
    const std::uint64_t step = static_cast<std::uint64_t>(inputRate) / common;
    // Downsampling lowers the cut-off and lengthens the filter by the same factor.
    const double ratio = std::min(1.0, static_cast<double>(outputRate) / inputRate);
    const std::size_t taps =
        RoundUp(static_cast<std::uint64_t>(std::ceil(kFilterTaps / ratio)), kVecFloats);
    // The phases repeat every `phases` outputs; groups of four repeat every `period` outputs.
    const std::uint64_t period = std::lcm(phases, std::uint64_t{kGroup});
    if (period > kMaxTableFloats || taps > kMaxTableFloats || period * taps > kMaxTableFloats) {
        return nullptr;
    }
    auto base = [&](std::uint64_t output) { return output * step / phases; };
    const std::uint64_t groups = period / kGroup;
    std::uint64_t spread = 0;
    for (std::uint64_t g = 0; g < groups; ++g) {
        spread = std::max(spread, base(g * kGroup + kGroup - 1) - base(g * kGroup));
    }
    const std::size_t window = RoundUp(taps + spread, kBlock);
    if (period * window > kMaxTableFloats) {
        return nullptr;
    }

    std::vector<float> coefficients(static_cast<std::size_t>(period) * window, 0.0f);
    std::vector<std::uint32_t> advances(static_cast<std::size_t>(groups));
    const double cutoff = ratio * kCutoff;
    const double halfLength = static_cast<double>(taps) / 2.0;
    std::vector<double> kernel(taps);
    for (std::uint64_t g = 0; g < groups; ++g) {
        const std::uint64_t first = g * kGroup;
        advances[g] = static_cast<std::uint32_t>(base(first + kGroup) - base(first));
        float* groupTable = coefficients.data() + g * window * kGroup;
        for (std::size_t lane = 0; lane < kGroup; ++lane) {
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
                groupTable[at / kBlock * kGroup * kBlock + lane * kBlock + at % kBlock] =
                    static_cast<float>(kernel[k] / sum);
            }
        }
    }
    return std::unique_ptr<PolyphaseResampler>(
        new PolyphaseResampler(ChooseKernel(portableKernel), phases, step, taps, window,
                               std::move(coefficients), std::move(advances)));
}

PolyphaseResampler::PolyphaseResampler(GroupKernel kernel, std::uint64_t phases, std::uint64_t step,
                                       std::size_t taps, std::size_t window,
                                       std::vector<float> coefficients,
                                       std::vector<std::uint32_t> advances)
    : m_phases(phases), m_step(step), m_taps(taps), m_window(window),
      m_coefficients(std::move(coefficients)), m_advances(std::move(advances)), m_kernel(kernel),
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
    while (written < capacity && m_start + m_window <= m_filled && beforeEnd(0)) {
        if (m_lane == 0 && capacity - written >= kGroup && beforeEnd(kGroup - 1)) {
            convertGroup(output + 2 * written);
            written += kGroup;
            m_outputFrames += kGroup;
            nextGroup();
            continue;
        }
        // Fewer outputs than a group: the group goes to the side, and its outputs out one
        // by one, now and in the calls that follow.
        if (m_lane == 0) {
            convertGroup(m_staged.data());
        }
        output[2 * written] = m_staged[2 * m_lane];
        output[2 * written + 1] = m_staged[2 * m_lane + 1];
        ++written;
        ++m_outputFrames;
        if (++m_lane == kGroup) {
            nextGroup();
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
    m_kernel(m_coefficients.data() + m_group * m_window * kGroup, m_left.data() + m_start,
             m_right.data() + m_start, m_window, output);
}

} // namespace korvale
