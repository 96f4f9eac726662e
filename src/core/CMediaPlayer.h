#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "interfaces/ClipAnalysis.h"
#include "interfaces/MediaVoice.h"

namespace korvale {

// A deck's player: the eleven operations the deck, mixing and cue code call, over one
// voice of the audio engine (or a fake voice in tests). Called on the user-interface
// thread; only SetFileName blocks (while the clip's exact length is read).
class CMediaPlayer {
public:
    // Whether the player holds a clip.
    enum class OpenState { Closed, Open };

    // `voice` is not owned and must outlive the player; nullptr gives a player that never
    // holds a clip.
    explicit CMediaPlayer(MediaVoice* voice);

    // Seconds into the loaded clip; exactly kNoClipPosition when no clip is loaded.
    double GetCurrentPosition() const;
    // Length of the loaded clip in seconds, exact as soon as SetFileName returns; 0 when
    // none is loaded or it cannot be decoded.
    double GetDuration() const;
    // Full path of the loaded clip; empty when none.
    std::string GetFileName() const;
    // A path opens that clip (blocking until its length is known); empty text unloads.
    void SetFileName(const std::string& path);
    // When true, SetFileName starts playback at once. The program always sends false.
    void SetAutoStart(bool autoStart);
    // Seconds; the next Play starts there.
    void SetStartPosition(double seconds);
    // Hundredths of a dB: 0 full level, negative attenuation.
    void SetVolume(std::int32_t hundredthsOfDb);
    OpenState GetOpenState() const;
    // The voice's play state; Closed for a player without a voice.
    VoicePlayState GetPlayState() const;
    void Play();
    // Asks the engine to measure the loaded clip (once per load). Non-blocking.
    void Measure();
    // The loaded clip's measurement once the engine has made it after Measure(); nullopt before,
    // with no clip, or for one that does not decode. Non-blocking.
    std::optional<ClipAnalysis> GetAnalysis() const;
    // Hundredths of a dB applied before the volume (positive boosts); ramped by the engine.
    void SetMatchGain(std::int32_t hundredthsOfDb);
    // Halts playback; the clip stays loaded. Play afterwards continues where it halted.
    void Stop();

private:
    MediaVoice* m_voice;
    bool m_autoStart = false;
};

} // namespace korvale
