#include "audio/OfflineOutput.h"

#include "audio/AudioRenderer.h"

#include <algorithm>

namespace korvale {

OfflineOutput::OfflineOutput(int sampleRate, std::size_t framesPerBuffer)
    : m_sampleRate(sampleRate), m_framesPerBuffer(std::max<std::size_t>(framesPerBuffer, 1)) {}

bool OfflineOutput::start(AudioRenderer& renderer) {
    m_renderer.store(&renderer, std::memory_order_release);
    return true;
}

void OfflineOutput::stop() {
    m_renderer.store(nullptr, std::memory_order_release);
}

std::vector<float> OfflineOutput::pull(std::size_t frames) {
    std::vector<float> out(frames * 2, 0.0f);
    pullInto(out.data(), frames);
    return out;
}

void OfflineOutput::pullInto(float* out, std::size_t frames) {
    AudioRenderer* renderer = m_renderer.load(std::memory_order_acquire);
    if (renderer == nullptr) {
        std::fill_n(out, frames * 2, 0.0f);
        return;
    }
    while (frames > 0) {
        const std::size_t block = std::min(frames, m_framesPerBuffer);
        renderer->waitUntilReady(block);
        renderer->render(out, block);
        out += block * 2;
        frames -= block;
        m_framesRendered += block;
    }
}

} // namespace korvale
