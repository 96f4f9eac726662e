#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace korvale {

// Lock-free single-producer single-consumer ring of trivially copyable items, allocated
// once at construction. One thread writes (write(), writableSpan()/commitWrite(),
// writeIndex()), one thread reads (read(), readableSpan()/commitRead(), available(),
// skipTo()). The span pairs let either side work on the ring's storage in place. Indices count
// items since construction and never wrap in practice (64 bits), so a position in the stream can be
// named by its index.
template <typename T> class SpscRing {
public:
    // Capacity is rounded up to a power of two.
    explicit SpscRing(std::size_t minCapacity)
        : m_capacity(RoundUp(minCapacity)), m_mask(m_capacity - 1),
          m_items(std::make_unique<T[]>(m_capacity)) {}

    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    std::size_t capacity() const { return m_capacity; }

    // Producer: items that can be written now.
    std::size_t freeSpace() const {
        const std::uint64_t w = m_write.load(std::memory_order_relaxed);
        const std::uint64_t r = m_read.load(std::memory_order_acquire);
        return m_capacity - static_cast<std::size_t>(w - r);
    }
    // Any thread: index of the next item to read (a snapshot).
    std::uint64_t readIndex() const { return m_read.load(std::memory_order_acquire); }
    // Producer (or, as a snapshot, any thread): index one past the last item written.
    std::uint64_t writeIndex() const { return m_write.load(std::memory_order_acquire); }

    // Producer: writes up to `count` items; returns how many were written.
    std::size_t write(const T* items, std::size_t count) {
        const std::uint64_t w = m_write.load(std::memory_order_relaxed);
        const std::uint64_t r = m_read.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, m_capacity - static_cast<std::size_t>(w - r));
        const std::size_t start = static_cast<std::size_t>(w & m_mask);
        const std::size_t first = std::min(n, m_capacity - start);
        std::copy_n(items, first, m_items.get() + start);
        std::copy_n(items + first, n - first, m_items.get());
        m_write.store(w + n, std::memory_order_release);
        return n;
    }

    // Producer: the free items that follow the write position without wrapping (empty when
    // the ring is full). Fill a prefix of it, then publish that prefix with commitWrite().
    std::span<T> writableSpan() {
        const std::uint64_t w = m_write.load(std::memory_order_relaxed);
        const std::uint64_t r = m_read.load(std::memory_order_acquire);
        const std::size_t start = static_cast<std::size_t>(w & m_mask);
        const std::size_t n =
            std::min(m_capacity - static_cast<std::size_t>(w - r), m_capacity - start);
        return {m_items.get() + start, n};
    }
    // Producer: publishes the first `count` items of the last writableSpan().
    void commitWrite(std::size_t count) {
        m_write.store(m_write.load(std::memory_order_relaxed) + count, std::memory_order_release);
    }

    // Consumer: the ready items that follow the read position without wrapping (empty when
    // nothing is ready). Use a prefix of it, then release that prefix with commitRead().
    std::span<const T> readableSpan() const {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::uint64_t w = m_write.load(std::memory_order_acquire);
        const std::size_t start = static_cast<std::size_t>(r & m_mask);
        return {m_items.get() + start,
                std::min(static_cast<std::size_t>(w - r), m_capacity - start)};
    }
    // Consumer: releases the first `count` items of the last readableSpan() to the producer.
    void commitRead(std::size_t count) {
        m_read.store(m_read.load(std::memory_order_relaxed) + count, std::memory_order_release);
    }

    // Consumer: items ready to read.
    std::size_t available() const {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        return static_cast<std::size_t>(m_write.load(std::memory_order_acquire) - r);
    }

    // Consumer: reads up to `count` items; returns how many were read.
    std::size_t read(T* items, std::size_t count) {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::uint64_t w = m_write.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, static_cast<std::size_t>(w - r));
        const std::size_t start = static_cast<std::size_t>(r & m_mask);
        const std::size_t first = std::min(n, m_capacity - start);
        std::copy_n(m_items.get() + start, first, items);
        std::copy_n(m_items.get(), n - first, items + first);
        m_read.store(r + n, std::memory_order_release);
        return n;
    }

    // Consumer: drops every item before `index` (no effect when already past it; never
    // skips beyond what has been written).
    void skipTo(std::uint64_t index) {
        const std::uint64_t r = m_read.load(std::memory_order_relaxed);
        const std::uint64_t w = m_write.load(std::memory_order_acquire);
        const std::uint64_t target = std::min(index, w);
        if (target > r) {
            m_read.store(target, std::memory_order_release);
        }
    }

private:
    static std::size_t RoundUp(std::size_t n) {
        std::size_t c = 1;
        while (c < n) {
            c <<= 1;
        }
        return c;
    }

    const std::size_t m_capacity;
    const std::size_t m_mask;
    std::unique_ptr<T[]> m_items;
    alignas(64) std::atomic<std::uint64_t> m_write{0};
    alignas(64) std::atomic<std::uint64_t> m_read{0};
};

} // namespace korvale
