#include "audio/VoiceReader.h"

#include "decode/Resampler.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace korvale {

namespace {

// About half a second of audio decoded ahead at 48 kHz.
constexpr std::size_t kRingSecondsDivisor = 2;
// Source frames decoded per read (a little under 4 MPEG frames).
constexpr std::size_t kDecodeChunk = 4096;
// The worker refills once this share of the ring is free, then fills it up again: a few
// wake-ups per second instead of one per decoded chunk.
constexpr std::size_t kRefillDivisor = 4;
// A fill ends when less room than this is left (no tiny conversions at its end).
constexpr std::size_t kMinWriteFrames = 256;
// Re-check interval while the output still has to drop frames of an older request.
constexpr auto kIdlePoll = std::chrono::milliseconds(2);
constexpr auto kMaxReadyWait = std::chrono::seconds(2);

} // namespace

VoiceReader::VoiceReader(int outputRate, std::size_t maxBlockFrames)
    : m_outputRate(outputRate),
      m_ring(std::max<std::size_t>(static_cast<std::size_t>(outputRate) / kRingSecondsDivisor,
                                   maxBlockFrames * 4)),
      m_worker([this] { workerLoop(); }) {}

VoiceReader::~VoiceReader() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

// ---- user-interface thread -------------------------------------------------------------

void VoiceReader::submit(std::uint32_t generation, bool replaceDecoder,
                         std::unique_ptr<Decoder> decoder, std::int64_t startFrame) {
    std::unique_ptr<Decoder> unserved;
    {
        std::lock_guard lock(m_mutex);
        if (m_request.replaceDecoder) {
            // A replacement that the worker has not picked up yet is dropped here.
            unserved = std::move(m_request.decoder);
        }
        m_request.generation = generation;
        m_request.replaceDecoder = m_request.replaceDecoder || replaceDecoder;
        if (replaceDecoder) {
            m_request.decoder = std::move(decoder);
        } else if (unserved) {
            m_request.decoder = std::move(unserved);
        }
        m_request.startFrame = startFrame;
    }
    m_wake.notify_all();
}

// ---- offline output thread -------------------------------------------------------------

bool VoiceReader::segmentReady(std::size_t frames, const std::function<std::uint32_t()>& catchUp) {
    // Runs on the output thread (offline outputs wait and render on one thread), so it may
    // drop older frames as the next render would, letting the worker fill the room.
    const std::uint32_t outGeneration = catchUp();
    const std::uint32_t generation = m_segmentGeneration.load(std::memory_order_acquire);
    if (generation != m_request.generation) {
        return false;
    }
    if (outGeneration != generation) {
        return true; // still ramping out older frames: they are in the ring already
    }
    return m_eofGeneration.load(std::memory_order_acquire) == generation ||
           m_ring.available() >= frames;
}

void VoiceReader::waitUntilReady(std::size_t frames,
                                 const std::function<std::uint32_t()>& catchUp) {
    frames = std::min(frames, m_ring.capacity() / 2);
    std::unique_lock lock(m_mutex);
    if (segmentReady(frames, catchUp)) {
        return;
    }
    // Once it has to wait, it waits for half a ring: one hand-over per many decoded chunks
    // rather than one per chunk. The worker reports when its ring is full or the clip done.
    const std::size_t plenty = std::max(frames, m_ring.capacity() / 2);
    m_wake.notify_all();
    m_progress.wait_for(lock, kMaxReadyWait, [&] { return segmentReady(plenty, catchUp); });
}

// ---- worker ----------------------------------------------------------------------------

void VoiceReader::workerLoop() {
    std::unique_ptr<Decoder> decoder;
    std::unique_ptr<Resampler> resampler;
    std::vector<float> decoded(kDecodeChunk * Decoder::kChannels);
    std::size_t pendingOffset = 0; // decoded frames not yet taken by the resampler
    std::size_t pendingFrames = 0;
    std::uint32_t generation = kNoGeneration;
    bool inputDone = true;
    bool flushed = true;
    bool filling = false;
    const std::size_t refillRoom = m_ring.capacity() / kRefillDivisor;

    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_request.generation != generation) {
            generation = m_request.generation;
            std::unique_ptr<Decoder> retired;
            if (m_request.replaceDecoder) {
                retired = std::move(decoder);
                decoder = std::move(m_request.decoder);
                m_request.replaceDecoder = false;
            }
            const std::int64_t startFrame = m_request.startFrame;
            lock.unlock();
            retired.reset();
            inputDone = true;
            flushed = true;
            pendingFrames = 0;
            if (decoder) {
                const int inputRate = decoder->sampleRate();
                if (!resampler || resampler->inputRate() != inputRate) {
                    resampler = std::make_unique<Resampler>(inputRate, m_outputRate);
                } else {
                    resampler->reset();
                }
                inputDone = !decoder->seek(startFrame);
                flushed = inputDone;
            }
            m_segmentStartIndex.store(m_ring.writeIndex(), std::memory_order_release);
            m_segmentGeneration.store(generation, std::memory_order_release);
            if (inputDone && flushed) {
                m_eofGeneration.store(generation, std::memory_order_release);
            }
            filling = true;
            lock.lock();
            m_progress.notify_all();
            continue;
        }
        const bool finished = inputDone && flushed;
        const std::size_t room = m_ring.freeSpace();
        if (!finished && room >= (filling ? kMinWriteFrames : refillRoom)) {
            filling = true;
            lock.unlock();
            if (pendingFrames == 0 && !inputDone) {
                pendingOffset = 0;
                pendingFrames = decoder->read(decoded.data(), kDecodeChunk);
                inputDone = pendingFrames == 0;
            }
            // Converted frames go straight into the ring's free space.
            const std::span<Frame> free = m_ring.writableSpan();
            auto* out = reinterpret_cast<float*>(free.data());
            std::size_t produced = 0;
            if (pendingFrames > 0) {
                std::size_t used = 0;
                produced = resampler->process(decoded.data() + pendingOffset * Decoder::kChannels,
                                              pendingFrames, used, out, free.size());
                pendingOffset += used;
                pendingFrames -= used;
            } else if (inputDone) {
                produced = resampler->flush(out, free.size());
                flushed = produced == 0;
            }
            m_ring.commitWrite(produced);
            if (inputDone && flushed) {
                m_eofGeneration.store(generation, std::memory_order_release);
            }
            lock.lock();
            continue;
        }
        // The ring is full or the clip done: tell a waiting offline output, then sleep until
        // a request comes or, while the output plays, until a refill's worth is free.
        filling = false;
        m_progress.notify_all();
        if (finished) {
            m_wake.wait(lock);
        } else if (m_ring.readIndex() < m_segmentStartIndex.load(std::memory_order_acquire)) {
            // The output is about to drop the older frames that fill the ring.
            m_wake.wait_for(lock, kIdlePoll);
        } else {
            const auto missing = static_cast<double>(refillRoom - room);
            const auto drain = std::chrono::duration<double>(missing / m_outputRate);
            m_wake.wait_for(lock, std::max<std::chrono::duration<double>>(drain, kIdlePoll));
        }
    }
}

} // namespace korvale
