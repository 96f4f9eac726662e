#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvale {

// Lock-free single-producer single-consumer ring of trivially copyable items, allocated
// once at construction. One thread writes (write(), writeIndex()), one thread reads
// (read(), available(), skipTo()). Indices count items since construction and never wrap
// in practice (64 bits), so a position in the stream can be named by its index.
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
