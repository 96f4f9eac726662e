#include "audio/NullOutput.h"

#include "audio/AudioRenderer.h"

#include <algorithm>
#include <chrono>

namespace korvale {

namespace {

// When the thread falls this far behind (a suspended machine), it stops catching up.
constexpr auto kMaxLag = std::chrono::milliseconds(500);

} // namespace

NullOutput::NullOutput(int sampleRate, std::size_t framesPerBuffer)
    : m_sampleRate(sampleRate), m_framesPerBuffer(std::max<std::size_t>(framesPerBuffer, 1)),
      m_buffer(m_framesPerBuffer * 2) {}

NullOutput::~NullOutput() {
    stop();
}

bool NullOutput::start(AudioRenderer& renderer) {
    stop();
    m_running = true;
    m_thread = std::thread([this, &renderer] { run(renderer); });
    return true;
}

void NullOutput::stop() {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void NullOutput::run(AudioRenderer& renderer) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_framesPerBuffer) / m_sampleRate));
    auto next = Clock::now();
    while (m_running.load(std::memory_order_relaxed)) {
        renderer.render(m_buffer.data(), m_framesPerBuffer);
        next += period;
        const auto now = Clock::now();
        if (now - next > kMaxLag) {
            next = now;
        }
        std::this_thread::sleep_until(next);
    }
}

} // namespace korvale
