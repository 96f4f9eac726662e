#pragma once

#include "audio/AudioOutput.h"
#include "audio/AudioRenderer.h"
#include "audio/EngineVoice.h"

#include <array>
#include <memory>
#include <vector>

namespace korvale {

// The engine's voices, in mixing order.
enum class VoiceId { Deck1 = 0, Deck2 = 1, Cue = 2 };

// One output mixing three voices (deck 1, deck 2, cue). Owns the output: the constructor
// starts it, the destructor stops it before any voice goes away.
//
// Constructed, used and destroyed on the user-interface thread; render() runs on the
// output's thread.
class AudioEngine final : public AudioRenderer {
public:
    static constexpr std::size_t kVoiceCount = 3;

    // Starts `output` at once. When it cannot start, the engine still works (voices open,
    // keep their states) but nothing pulls frames; outputStarted() tells.
    explicit AudioEngine(std::unique_ptr<AudioOutput> output);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    EngineVoice& voice(VoiceId id) { return *m_voices[static_cast<std::size_t>(id)]; }
    int sampleRate() const { return m_sampleRate; }
    bool outputStarted() const { return m_started; }
    // Name of the sink that is pulling frames now.
    std::string outputName() const { return m_output->activeName(); }

    // AudioRenderer (output thread)
    void render(float* out, std::size_t frames) noexcept override;
    void waitUntilReady(std::size_t frames) override;

private:
    std::unique_ptr<AudioOutput> m_output;
    int m_sampleRate;
    std::size_t m_blockFrames;
    std::array<std::unique_ptr<EngineVoice>, kVoiceCount> m_voices;
    bool m_started = false;
};

} // namespace korvale
