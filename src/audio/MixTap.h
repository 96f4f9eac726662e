#pragma once

#include "audio/SpscRing.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace korvale {

// One outlet of the mix (the stream, the recording): a preallocated lock-free ring of
// interleaved stereo float frames between the audio output thread and the outlet's worker.
//
// Threads:
//  - open(), close(): the user-interface thread (one owner at a time); the owner's worker
//    may close() too, when its outlet ends by itself (a failed write).
//  - write(): the audio output thread only; never locks, allocates or waits.
//  - read() on the reading side: the outlet's worker thread (or whoever
//    reads while no worker runs: the hand-over must be a join or another happens-before).
//  - isOpen(), framesOffered(), droppedBlocks(): any thread, non-blocking.
//
// Sessions: only an open tap takes writes. open() starts a fresh session: the first block
// the mix offers after it starts the session's frame clock at 0 and marks where its frames
// begin in the ring, so the reader skips whatever an earlier session left behind.
//
// Drops: a block that does not fit whole is dropped and counted; the frame clock still
// advances by its length. The reader gets the dropped frames back as silence at the point
// where they were dropped, so what is read keeps the time of what was played, frame for
// frame. A drop that no later block follows (at close) is not read back: a reader that must
// keep the whole length pads up to framesOffered() after close().
class MixTap {
public:
    static constexpr int kChannels = 2;
    // Gaps (runs of dropped blocks) that the reader can be told about at once; beyond that
    // the blocks that would start a new gap are dropped into the pending one.
    static constexpr std::size_t kMaxGaps = 1024;

    // Preallocates room for `capacityFrames` frames (rounded up to a power of two).
    // `onOpen` (may be empty) is called by open() on the calling thread, after the tap is
    // open: the engine uses it to get its output running.
    explicit MixTap(std::size_t capacityFrames, std::function<void()> onOpen = {});
    MixTap(const MixTap&) = delete;
    MixTap& operator=(const MixTap&) = delete;

    // User-interface thread, non-blocking: starts a fresh session (see above). Opening an
    // open tap starts a fresh session too.
    void open();
    // User-interface thread, non-blocking: the mix stops writing from its next block on (the
    // block the audio thread may be writing at that moment still arrives).
    void close();
    bool isOpen() const;

    // Audio output thread: offers `frames` frames (interleaved stereo) of the mix.
    void write(const float* frames, std::size_t count) noexcept;

    // Reading side, non-blocking: copies up to `maxFrames` frames of the present session
    // into `out` (interleaved stereo), dropped frames as silence; returns how many.
    std::size_t read(float* out, std::size_t maxFrames);

    // Any thread: frames the mix has offered since the present session began, written or
    // dropped (0 until the first block after open()). Frames at the output's rate.
    std::uint64_t framesOffered() const;
    // Any thread: blocks dropped in the present session because the ring was full.
    std::uint64_t droppedBlocks() const;
    std::size_t capacityFrames() const { return m_ring.capacity() / kChannels; }

private:
    struct Gap {
        std::uint64_t generation; // session the gap belongs to
        std::uint64_t at;         // ring index (in samples) the gap precedes
        std::uint64_t frames;
    };

    bool startSessionIfNew(std::uint64_t generation) noexcept;
    bool sessionCurrent(std::uint64_t* generation) const;

    SpscRing<float> m_ring;
    SpscRing<Gap> m_gaps;
    std::function<void()> m_onOpen;

    // Generation * 2 + 1 while open; set by open() and close().
    std::atomic<std::uint64_t> m_state{0};
    // Published by the audio thread when it starts a session: its generation (stored last,
    // with release), where its samples begin in the ring, its clock and its drops.
    std::atomic<std::uint64_t> m_sessionGeneration{0};
    std::atomic<std::uint64_t> m_sessionStart{0};
    std::atomic<std::uint64_t> m_offered{0};
    std::atomic<std::uint64_t> m_dropped{0};

    // Audio thread only.
    std::uint64_t m_writerGeneration = 0;
    std::uint64_t m_writerOffered = 0;
    std::uint64_t m_writerDropped = 0;
    std::uint64_t m_pendingGapFrames = 0;

    // Reading side only: frames of the head gap already handed out as silence.
    std::uint64_t m_gapFramesRead = 0;
};

} // namespace korvale
