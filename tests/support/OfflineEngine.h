#pragma once

#include "audio/AudioEngine.h"
#include "audio/OfflineOutput.h"

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace korvale::testing {

// An AudioEngine on an OfflineOutput, rendered by hand. It never stops for idleness unless
// `idleStop` says so: a restart runs on the supervisor thread, which rendering cannot wait for.
class OfflineEngine {
public:
    static constexpr int kDefaultRate = 48000;
    static constexpr std::size_t kDefaultBuffer = 480; // 10 ms at 48 kHz

    explicit OfflineEngine(int sampleRate = kDefaultRate,
                           std::size_t framesPerBuffer = kDefaultBuffer,
                           std::chrono::milliseconds idleStop = AudioEngine::kNeverIdleStop)
        : m_sampleRate(sampleRate) {
        auto output = std::make_unique<OfflineOutput>(sampleRate, framesPerBuffer);
        m_output = output.get();
        m_engine = std::make_unique<AudioEngine>(std::move(output), idleStop);
    }

    AudioEngine& engine() { return *m_engine; }
    EngineVoice& voice(VoiceId id) { return m_engine->voice(id); }
    OfflineOutput& output() { return *m_output; }
    int sampleRate() const { return m_sampleRate; }
    // Renders `frames` frames (interleaved stereo).
    std::vector<float> render(std::size_t frames) { return m_output->pull(frames); }
    // Renders `seconds` of audio, rounded to whole frames.
    std::vector<float> renderSeconds(double seconds) {
        return render(static_cast<std::size_t>(std::llround(seconds * m_sampleRate)));
    }

private:
    int m_sampleRate;
    OfflineOutput* m_output; // owned by the engine
    std::unique_ptr<AudioEngine> m_engine;
};

} // namespace korvale::testing
