#include "platform/Resampler.h"

#include <soxr.h>

#include <algorithm>

namespace korvale {

namespace {

constexpr unsigned kChannels = 2;

} // namespace

void Resampler::SoxrDeleter::operator()(soxr* handle) const {
    soxr_delete(handle);
}

Resampler::Resampler(int inputRate, int outputRate)
    : m_inputRate(inputRate), m_outputRate(outputRate) {
    if (inputRate != outputRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        // The high-quality recipe: the medium one runs on the same single-precision engine
        // and costs about as much at music rates, for 4 bits less precision and a droop
        // above 15 kHz, so it buys nothing here.
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        m_soxr.reset(
            soxr_create(inputRate, outputRate, kChannels, &error, &io, &quality, &runtime));
    }
}

Resampler::~Resampler() = default;

std::size_t Resampler::process(const float* input, std::size_t inputFrames, std::size_t& inputUsed,
                               float* output, std::size_t outputCapacity) {
    inputUsed = 0;
    if (m_inputRate == m_outputRate) {
        const std::size_t frames = std::min(inputFrames, outputCapacity);
        std::copy_n(input, frames * kChannels, output);
        inputUsed = frames;
        return frames;
    }
    if (!m_soxr || inputFrames == 0 || outputCapacity == 0) {
        // Without a converter (it could not be created) the input is consumed unheard.
        inputUsed = m_soxr ? 0 : inputFrames;
        return 0;
    }
    // Given room for `outputCapacity` frames, soxr takes only the input those need
    // (at least one frame) and keeps what it has not converted yet.
    size_t inDone = 0;
    size_t outDone = 0;
    const soxr_error_t error =
        soxr_process(m_soxr.get(), input, inputFrames, &inDone, output, outputCapacity, &outDone);
    // A converter that fails or stalls drops the input rather than hold its caller forever.
    inputUsed = (error != nullptr || (inDone == 0 && outDone == 0)) ? inputFrames : inDone;
    return outDone;
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
