#include "decode/Resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cstdint>

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
        m_polyphase = PolyphaseResampler::Create(inputRate, outputRate);
    }
    if (inputRate != outputRate && !m_polyphase) {
        // Channels travel split: soxr's own (de)interleaving costs more than the plain
        // loops here.
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_S, SOXR_FLOAT32_S);
        // The high-quality recipe: the medium one runs on the same single-precision engine
        // and costs about as much at music rates, for 4 bits less precision and a droop
        // above 15 kHz, so it buys nothing here.
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        m_soxr.reset(
            soxr_create(inputRate, outputRate, kChannels, &error, &io, &quality, &runtime));
        for (auto* channel : {&m_inLeft, &m_inRight, &m_outLeft, &m_outRight}) {
            channel->assign(kBlockFrames, 0.0f);
        }
    }
}

Resampler::~Resampler() = default;

std::size_t Resampler::process(const float* input, std::size_t inputFrames, std::size_t& inputUsed,
                               float* output, std::size_t outputCapacity) {
    if (m_inputRate == m_outputRate) {
        const std::size_t frames = std::min(inputFrames, outputCapacity);
        std::copy_n(input, frames * kChannels, output);
        inputUsed = frames;
        return frames;
    }
    if (m_polyphase) {
        return m_polyphase->process(input, inputFrames, inputUsed, output, outputCapacity);
    }
    if (!m_soxr || inputFrames == 0 || outputCapacity == 0) {
        // Without a converter (it could not be created) the input is consumed unheard.
        inputUsed = m_soxr ? 0 : inputFrames;
        return 0;
    }
    // Given room for `outputFrames` frames, soxr takes just the input those need (at least
    // one frame, ceil(outputFrames * inputRate / outputRate)) and keeps what it has not
    // converted yet; only that input is split into channels.
    const std::size_t outputFrames = std::min(outputCapacity, kBlockFrames);
    const auto needed = static_cast<std::size_t>(
        (static_cast<std::uint64_t>(outputFrames) * static_cast<std::uint64_t>(m_inputRate) +
         static_cast<std::uint64_t>(m_outputRate) - 1) /
        static_cast<std::uint64_t>(m_outputRate));
    const std::size_t frames = std::min({inputFrames, kBlockFrames, needed});
    for (std::size_t i = 0; i < frames; ++i) {
        m_inLeft[i] = input[kChannels * i];
        m_inRight[i] = input[kChannels * i + 1];
    }
    const float* const in[kChannels] = {m_inLeft.data(), m_inRight.data()};
    float* out[kChannels] = {m_outLeft.data(), m_outRight.data()};
    size_t inDone = 0;
    size_t outDone = 0;
    const soxr_error_t error =
        soxr_process(m_soxr.get(), in, frames, &inDone, out, outputFrames, &outDone);
    // A converter that fails or stalls drops the input rather than hold its caller forever.
    inputUsed = (error != nullptr || (inDone == 0 && outDone == 0)) ? inputFrames : inDone;
    return interleave(outDone, output);
}

std::size_t Resampler::flush(float* output, std::size_t capacity) {
    if (m_polyphase) {
        return m_polyphase->flush(output, capacity);
    }
    if (!m_soxr) {
        return 0;
    }
    float* out[kChannels] = {m_outLeft.data(), m_outRight.data()};
    size_t outDone = 0;
    soxr_process(m_soxr.get(), nullptr, 0, nullptr, out, std::min(capacity, kBlockFrames),
                 &outDone);
    return interleave(outDone, output);
}

std::size_t Resampler::interleave(std::size_t frames, float* output) const {
    for (std::size_t i = 0; i < frames; ++i) {
        output[kChannels * i] = m_outLeft[i];
        output[kChannels * i + 1] = m_outRight[i];
    }
    return frames;
}

void Resampler::reset() {
    if (m_polyphase) {
        m_polyphase->reset();
    }
    if (m_soxr) {
        soxr_clear(m_soxr.get());
    }
}

} // namespace korvale
