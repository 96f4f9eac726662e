#include "platform/Resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace korvale {

namespace {

constexpr unsigned kChannels = 2;
// Output frames soxr may hold back beyond the exact ratio (filter tails, rounding).
constexpr std::size_t kOutputSlack = 64;

} // namespace

void Resampler::SoxrDeleter::operator()(soxr* handle) const {
    soxr_delete(handle);
}

Resampler::Resampler(int inputRate, int outputRate)
    : m_inputRate(inputRate), m_outputRate(outputRate) {
    if (inputRate != outputRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        m_soxr.reset(
            soxr_create(inputRate, outputRate, kChannels, &error, &io, &quality, &runtime));
    }
}

Resampler::~Resampler() = default;

std::size_t Resampler::maxOutputFrames(std::size_t inputFrames) const {
    const double ratio = static_cast<double>(m_outputRate) / static_cast<double>(m_inputRate);
    return static_cast<std::size_t>(std::ceil(static_cast<double>(inputFrames) * ratio)) +
           kOutputSlack;
}

std::size_t Resampler::process(const float* input, std::size_t inputFrames, float* output) {
    if (m_inputRate == m_outputRate) {
        std::copy_n(input, inputFrames * kChannels, output);
        return inputFrames;
    }
    if (!m_soxr) {
        return 0;
    }
    std::size_t produced = 0;
    std::size_t consumed = 0;
    const std::size_t capacity = maxOutputFrames(inputFrames);
    while (consumed < inputFrames && produced < capacity) {
        size_t inDone = 0;
        size_t outDone = 0;
        soxr_process(m_soxr.get(), input + consumed * kChannels, inputFrames - consumed, &inDone,
                     output + produced * kChannels, capacity - produced, &outDone);
        consumed += inDone;
        produced += outDone;
        if (inDone == 0 && outDone == 0) {
            break;
        }
    }
    return produced;
}

std::size_t Resampler::flush(float* output, std::size_t capacity) {
    if (!m_soxr) {
        return 0;
    }
    size_t outDone = 0;
    soxr_process(m_soxr.get(), nullptr, 0, nullptr, output, capacity, &outDone);
    return outDone;
}

void Resampler::reset() {
    if (m_soxr) {
        soxr_clear(m_soxr.get());
    }
}

} // namespace korvale
