#pragma once

#include <optional>
#include <string>

#include "interfaces/ClipAnalysis.h"

namespace korvale {

// Play states as the deck and cue callers read them.
enum class VoicePlayState : int {
    Stopped = 0, // clip open, not playing (also after reaching its end)
    Paused = 1,  // clip open, halted by a pause command
    Playing = 2,
    Closed = 6, // no clip open
};

// The position a voice (and a deck's player) reports while no clip is open, in seconds.
inline constexpr double kNoClipPosition = -1.0;
// A voice's volume range, hundredths of a dB: full level, and the quietest (-100 dB, a gain
// of 1/100000). A volume outside the range is taken as its nearest end.
inline constexpr int kVoiceVolumeFull = 0;
inline constexpr int kVoiceVolumeQuietest = -10000;

// One player voice of the audio engine: a clip, its position, its gain.
//
// Every method is called from the user-interface thread only. None of them blocks on the
// audio output; open() blocks while it reads the file far enough to know its exact length.
// Positions and durations are seconds of the clip's own time line.
class MediaVoice {
public:
    virtual ~MediaVoice() = default;

    // Opens the clip at `path` (a file-system path as bytes), replacing any open clip.
    // Blocks until the duration is exact. A file that cannot be decoded still counts as
    // open, with duration 0, and plays nothing. Returns false in that case.
    virtual bool open(const std::string& path) = 0;
    // Unloads the clip (ramped to silence first). Non-blocking.
    virtual void close() = 0;

    // The path given to the last successful-or-not open(); empty when closed.
    virtual std::string path() const = 0;
    virtual bool isOpen() const = 0;
    // Exact length in seconds; 0 when closed or undecodable.
    virtual double durationSeconds() const = 0;
    // Source time of the last frame handed to the output, in seconds; exactly kNoClipPosition
    // when closed.
    virtual double positionSeconds() const = 0;
    virtual VoicePlayState playState() const = 0;

    // Moves the play position (seconds, clamped to 0..duration). Non-blocking: the next
    // frames handed to the output start there.
    virtual void seek(double seconds) = 0;
    // Starts or resumes playing from the current position. At the end of the clip the
    // voice stops by itself (state Stopped, position = duration); play() then starts again
    // from the start position last given by seek().
    virtual void play() = 0;
    // Halts, keeping the position; state Stopped.
    virtual void stop() = 0;
    // Halts, keeping the position; state Paused.
    virtual void pause() = 0;
    // Gain in hundredths of a dB, from kVoiceVolumeFull down to kVoiceVolumeQuietest (-100
    // dB; nothing is quieter, lower values are taken as it), ramped over one buffer.
    virtual void setVolume(int hundredthsOfDb) = 0;

    // Starts measuring the open clip away from the audio output unless that is done or under
    // way; a clip is measured only once this is asked after its open(). Non-blocking.
    virtual void measure() = 0;
    // The open clip's measurement once measure() has made it; nullopt before, while it is
    // under way, when closed, or when the clip does not decode. Non-blocking.
    virtual std::optional<ClipAnalysis> analysis() const = 0;
    // A gain in hundredths of a dB (positive boosts) applied before the volume. While the
    // voice is heard, a change moves over at least 100 ms; while it is silent it takes
    // effect at once. Back to 0 at every open(). Non-blocking.
    virtual void setMatchGain(int hundredthsOfDb) = 0;
};

} // namespace korvale
