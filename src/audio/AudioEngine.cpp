#include "audio/AudioEngine.h"

#include <algorithm>

namespace korvale {

namespace {

// The largest block a voice mixes in one go; longer render() calls are cut into blocks
// of this size (each with its own gain ramp).
constexpr std::size_t kMaxBlockFrames = 4096;

} // namespace

AudioEngine::AudioEngine(std::unique_ptr<AudioOutput> output)
    : m_output(std::move(output)), m_sampleRate(m_output->sampleRate()),
      m_blockFrames(std::clamp<std::size_t>(m_output->framesPerBuffer(), 1, kMaxBlockFrames)) {
    for (auto& voice : m_voices) {
        voice = std::make_unique<EngineVoice>(m_sampleRate, kMaxBlockFrames);
    }
    m_started = m_output->start(*this);
}

AudioEngine::~AudioEngine() {
    m_output->stop();
    for (auto& voice : m_voices) {
        voice->close();
    }
}

void AudioEngine::render(float* out, std::size_t frames) noexcept {
    std::fill_n(out, frames * 2, 0.0f);
    while (frames > 0) {
        const std::size_t block = std::min(frames, kMaxBlockFrames);
        for (auto& voice : m_voices) {
            voice->mixInto(out, block);
        }
        out += block * 2;
        frames -= block;
    }
}

void AudioEngine::waitUntilReady(std::size_t frames) {
    for (auto& voice : m_voices) {
        voice->waitUntilReady(frames);
    }
}

} // namespace korvale
