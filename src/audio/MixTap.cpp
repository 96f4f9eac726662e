#include "audio/MixTap.h"

#include <algorithm>

namespace korvale {

namespace {

// m_state: the generation in the upper bits, "open" in bit 0.
constexpr std::uint64_t kOpenBit = 1;
constexpr int kGenerationShift = 1;

} // namespace

MixTap::MixTap(std::size_t capacityFrames, std::function<void()> onOpen)
    : m_ring(std::max<std::size_t>(capacityFrames, 1) * kChannels), m_gaps(kMaxGaps),
      m_onOpen(std::move(onOpen)) {}

void MixTap::open() {
    const std::uint64_t generation =
        (m_state.load(std::memory_order_relaxed) >> kGenerationShift) + 1;
    m_state.store((generation << kGenerationShift) | kOpenBit, std::memory_order_release);
    if (m_onOpen) {
        m_onOpen();
    }
}

void MixTap::close() {
    m_state.fetch_and(~kOpenBit, std::memory_order_acq_rel);
}

bool MixTap::isOpen() const {
    return (m_state.load(std::memory_order_acquire) & kOpenBit) != 0;
}

bool MixTap::startSessionIfNew(std::uint64_t generation) noexcept {
    if (generation == m_writerGeneration) {
        return false;
    }
    m_writerGeneration = generation;
    m_writerOffered = 0;
    m_writerDropped = 0;
    m_pendingGapFrames = 0;
    m_offered.store(0, std::memory_order_relaxed);
    m_dropped.store(0, std::memory_order_relaxed);
    m_sessionStart.store(m_ring.writeIndex(), std::memory_order_relaxed);
    m_sessionGeneration.store(generation, std::memory_order_release);
    return true;
}

void MixTap::write(const float* frames, std::size_t count) noexcept {
    const std::uint64_t state = m_state.load(std::memory_order_acquire);
    if ((state & kOpenBit) == 0 || count == 0) {
        return;
    }
    const std::uint64_t generation = state >> kGenerationShift;
    startSessionIfNew(generation);
    m_writerOffered += count;
    const std::size_t samples = count * kChannels;
    bool fits = m_ring.freeSpace() >= samples;
    if (fits && m_pendingGapFrames > 0) {
        // The gap is published before the block that follows it: a reader that sees the
        // block sees the gap.
        if (m_gaps.freeSpace() == 0) {
            fits = false;
        } else {
            const Gap gap{generation, m_ring.writeIndex(), m_pendingGapFrames};
            m_gaps.write(&gap, 1);
            m_pendingGapFrames = 0;
        }
    }
    if (fits) {
        m_ring.write(frames, samples);
    } else {
        m_pendingGapFrames += count;
        ++m_writerDropped;
        m_dropped.store(m_writerDropped, std::memory_order_relaxed);
    }
    m_offered.store(m_writerOffered, std::memory_order_release);
}

bool MixTap::sessionCurrent(std::uint64_t* generation) const {
    *generation = m_state.load(std::memory_order_acquire) >> kGenerationShift;
    return m_sessionGeneration.load(std::memory_order_acquire) == *generation;
}

std::size_t MixTap::read(float* out, std::size_t maxFrames) {
    std::uint64_t generation = 0;
    if (!sessionCurrent(&generation)) {
        return 0; // the mix has not offered a block since open()
    }
    m_ring.skipTo(m_sessionStart.load(std::memory_order_relaxed));
    std::size_t done = 0;
    while (done < maxFrames) {
        // The write index first: every gap before it has been published already.
        const std::uint64_t written = m_ring.writeIndex();
        const std::uint64_t readAt = m_ring.readIndex();
        auto gaps = m_gaps.readableSpan();
        while (!gaps.empty() && gaps.front().generation != generation) {
            m_gaps.commitRead(1); // left by an earlier session
            m_gapFramesRead = 0;
            gaps = m_gaps.readableSpan();
        }
        if (!gaps.empty() && gaps.front().at <= readAt) {
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(maxFrames - done, gaps.front().frames - m_gapFramesRead));
            std::fill_n(out + done * kChannels, n * kChannels, 0.0f);
            done += n;
            m_gapFramesRead += n;
            if (m_gapFramesRead == gaps.front().frames) {
                m_gaps.commitRead(1);
                m_gapFramesRead = 0;
            }
            continue;
        }
        std::uint64_t limit = (written - readAt) / kChannels;
        if (!gaps.empty()) {
            limit = std::min<std::uint64_t>(limit, (gaps.front().at - readAt) / kChannels);
        }
        limit = std::min<std::uint64_t>(limit, maxFrames - done);
        if (limit == 0) {
            break;
        }
        const std::size_t got =
            m_ring.read(out + done * kChannels, static_cast<std::size_t>(limit) * kChannels);
        done += got / kChannels;
    }
    return done;
}

std::uint64_t MixTap::framesOffered() const {
    std::uint64_t generation = 0;
    if (!sessionCurrent(&generation)) {
        return 0;
    }
    return m_offered.load(std::memory_order_acquire);
}

std::uint64_t MixTap::droppedBlocks() const {
    std::uint64_t generation = 0;
    if (!sessionCurrent(&generation)) {
        return 0;
    }
    return m_dropped.load(std::memory_order_acquire);
}

} // namespace korvale
