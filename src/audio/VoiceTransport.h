#pragma once

#include "audio/VoiceReader.h"
#include "decode/Decoder.h"
#include "interfaces/MediaVoice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace korvale {

// The transport of one engine voice as the user-interface thread sees it: which clip is
// open, where it was sought, whether it plays, and how far the output has played it.
//
// Every request that moves the decoder (open, close, seek) gets a new generation number,
// which goes to the reader with the request. The transport publishes to the output which
// generation to play and whether to play it (control()); the output reports back how far it
// played and which generation ran out (reportPlayed(), reportEnded()). Reading the state on
// the user-interface thread folds in an end that the output reported since.
//
// Positions and durations are seconds of the clip's own time line.
class VoiceTransport {
public:
    // What the output is asked to play: the frames of `generation`, audible or not.
    struct Control {
        std::uint32_t generation;
        bool playing;
    };

    // `outputRate` in frames per second. `reader` gets the requests and must outlive the
    // transport. `needsOutput` (may be empty) runs on the user-interface thread after each
    // request that the output has to act on (open, seek, play), once the request is
    // published; it must not block.
    VoiceTransport(int outputRate, VoiceReader& reader, std::function<void()> needsOutput);

    // User-interface thread, non-blocking: asks the output to ramp the current clip out,
    // leaving the play state alone. open() calls for it before the new clip is scanned.
    void silence();
    // User-interface thread, non-blocking: makes the clip at `path`, as OpenDecoder() found
    // it, the open clip, stopped at its start. Returns whether it decodes.
    bool open(const std::string& path, DecoderOpenResult opened);
    // User-interface thread, non-blocking: unloads the clip; the output ramps it out.
    void close();

    // User-interface thread, non-blocking.
    const std::string& path() const { return m_path; }
    bool isOpen() const { return m_open; }
    bool isDecodable() const { return m_decodable; }
    DecoderOpenStatus lastOpenStatus() const { return m_openStatus; }
    // Seconds; 0 when closed or undecodable.
    double durationSeconds() const { return m_open ? m_durationSeconds : 0.0; }
    // Seconds of the last frame handed to the output; exactly -1 when closed.
    double positionSeconds() const;
    VoicePlayState playState() const;

    // User-interface thread, non-blocking. `seconds` is clamped to the clip.
    void seek(double seconds);
    void play();
    void stop();
    void pause();

    // Output thread, lock-free: what the user-interface thread last asked to play.
    Control control() const noexcept;
    // Output thread, lock-free: `frames` frames (output rate) of `generation` played so far.
    void reportPlayed(std::uint32_t generation, std::uint64_t frames) noexcept;
    // Output thread, lock-free: the frames of `generation` ran out.
    void reportEnded(std::uint32_t generation) noexcept;

private:
    void refresh() const;            // folds an end reached by the output into the state
    void halt(VoicePlayState state); // stop() and pause(): keeps the position
    void publishControl(bool playing);
    void notifyOutput() const;

    const int m_outputRate;
    VoiceReader& m_reader;
    const std::function<void()> m_needsOutput;

    // User-interface thread only. Mutable: reading the state folds in what the output has
    // reported since (end of clip).
    std::string m_path;
    bool m_open = false;
    bool m_decodable = false;
    DecoderOpenStatus m_openStatus = DecoderOpenStatus::Missing;
    double m_durationSeconds = 0.0;
    int m_sourceRate = 0;
    double m_startSeconds = 0.0; // last seek target: play() restarts here after the end
    double m_segmentStart = 0.0; // source time where the newest generation starts
    std::uint32_t m_generation = 0;
    mutable VoicePlayState m_state = VoicePlayState::Closed;
    mutable bool m_atEnd = false;

    // The output thread may only touch atomics that never fall back to a lock.
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    // User-interface thread -> output.
    std::atomic<std::uint64_t> m_control{0}; // generation << 1 | playing
    // Output -> user-interface thread.
    std::atomic<std::uint64_t> m_played{0}; // generation (24 bits) << 40 | frames played
    std::atomic<std::uint32_t> m_endedGeneration{VoiceReader::kNoGeneration};
};

} // namespace korvale
