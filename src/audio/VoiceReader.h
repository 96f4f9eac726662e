#pragma once

#include "audio/SpscRing.h"
#include "decode/Decoder.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace korvale {

// The read-ahead worker of one engine voice. Its thread decodes the clip of the newest
// request from the request's start frame, resamples it to the output rate and writes the
// frames into a ring allocated once at construction, staying up to a ring's length (about
// half a second) ahead of the output.
//
// Three threads use it:
// - the user-interface thread submits requests (submit());
// - the worker thread, started and joined here, is the ring's only producer;
// - the output thread is the ring's only consumer (readable(), commitRead(), available(),
//   skipTo()) and reads the published generations. These calls never lock, allocate or
//   block: they are real-time safe.
//
// Each request carries a generation number. When the worker takes up a request it publishes
// the ring index where that request's frames start (segmentStartIndex()), then the
// generation itself (segmentGeneration()); once the last frame of the request's clip is in
// the ring it publishes the generation as ended (eofGeneration()).
class VoiceReader {
public:
    // One stereo frame at the output rate; the ring holds them interleaved, left first.
    struct Frame {
        float left;
        float right;
    };

    // No generation: the value of a generation atomic before anything happened.
    static constexpr std::uint32_t kNoGeneration = std::numeric_limits<std::uint32_t>::max();

    // `outputRate` in frames per second; `maxBlockFrames` is the largest number of frames the
    // output reads per block. Starts the worker thread.
    VoiceReader(int outputRate, std::size_t maxBlockFrames);
    // Stops the worker; blocks until it has finished the decoding step it is in.
    ~VoiceReader();
    VoiceReader(const VoiceReader&) = delete;
    VoiceReader& operator=(const VoiceReader&) = delete;

    // User-interface thread; blocks only on the short lock it shares with the worker.
    // Makes `generation` the newest request: the worker moves to `startFrame` (source frames)
    // of `decoder` when `replaceDecoder` is set, else of the decoder it has. A null
    // replacement decoder stands for no clip: the request ends at once, without frames.
    // A replacement the worker has not taken up yet is kept when a later request does not
    // replace the decoder, and is destroyed here when it does.
    void submit(std::uint32_t generation, bool replaceDecoder, std::unique_ptr<Decoder> decoder,
                std::int64_t startFrame);

    // Offline outputs, on the ring's consumer thread: blocks (at most kMaxReadyWait, two seconds)
    // until the worker has served the newest request and holds `frames` frames ahead or has reached
    // the end of the clip. Before every check `catchUp` runs on this thread, under the reader's
    // lock (it must not call submit() or waitUntilReady()): it drops older frames as the consumer's
    // next block would, and returns the generation the consumer reads now.
    void waitUntilReady(std::size_t frames, const std::function<std::uint32_t()>& catchUp);

    // Output thread (the ring's consumer), real-time safe: the ready frames that follow
    // the read position without wrapping; release a used prefix with commitRead().
    std::span<const Frame> readable() const { return m_ring.readableSpan(); }
    void commitRead(std::size_t frames) { m_ring.commitRead(frames); }
    // Output thread, real-time safe: frames ready to read.
    std::size_t available() const { return m_ring.available(); }
    // Output thread, real-time safe: drops every frame before ring index `index`.
    void skipTo(std::uint64_t index) { m_ring.skipTo(index); }

    // Any thread, lock-free: the generation of the newest request the worker took up.
    std::uint32_t segmentGeneration(std::memory_order order = std::memory_order_acquire) const {
        return m_segmentGeneration.load(order);
    }
    // Any thread, lock-free: the ring index of the first frame of segmentGeneration().
    // Published before the generation: read it after segmentGeneration() and read the
    // generation again to know both belong together.
    std::uint64_t segmentStartIndex() const {
        return m_segmentStartIndex.load(std::memory_order_acquire);
    }
    // Any thread, lock-free: the newest generation whose frames are all in the ring.
    std::uint32_t eofGeneration() const { return m_eofGeneration.load(std::memory_order_acquire); }

private:
    // A request from the user-interface thread to the worker.
    struct Request {
        std::uint32_t generation = 0;
        bool replaceDecoder = false;
        std::unique_ptr<Decoder> decoder;
        std::int64_t startFrame = 0;
    };

    void workerLoop();
    bool segmentReady(std::size_t frames, const std::function<std::uint32_t()>& catchUp);

    const int m_outputRate;

    // User-interface and output threads <-> worker.
    std::mutex m_mutex;
    std::condition_variable m_wake;     // new request, quit, or an offline output waits
    std::condition_variable m_progress; // worker produced or served a request
    Request m_request;
    bool m_quit = false;

    SpscRing<Frame> m_ring;

    // Worker -> output. The output thread may only touch atomics that never fall back to a
    // lock.
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
    std::atomic<std::uint32_t> m_segmentGeneration{0};
    std::atomic<std::uint64_t> m_segmentStartIndex{0};
    std::atomic<std::uint32_t> m_eofGeneration{0};

    std::thread m_worker; // last: starts after every member above exists
};

} // namespace korvale
