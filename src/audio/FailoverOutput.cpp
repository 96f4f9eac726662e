#include "audio/FailoverOutput.h"

#include "audio/NullOutput.h"
#include "audio/PortAudioOutput.h"

#include <chrono>

namespace korvale {

namespace {

constexpr auto kCheckPeriod = std::chrono::milliseconds(50);
// A stream whose callback has not run for this long is taken as dead. Generous: a sound
// server starved of CPU can hold the stream back for a good part of a second.
constexpr auto kStallLimit = std::chrono::milliseconds(2000);

} // namespace

FailoverOutput::FailoverOutput(std::unique_ptr<PortAudioOutput> primary)
    : m_primary(std::move(primary)), m_fallback(std::make_unique<NullOutput>(
                                         m_primary->sampleRate(), m_primary->framesPerBuffer())) {}

FailoverOutput::~FailoverOutput() {
    stop();
}

int FailoverOutput::sampleRate() const {
    return m_primary->sampleRate();
}

std::size_t FailoverOutput::framesPerBuffer() const {
    return m_primary->framesPerBuffer();
}

bool FailoverOutput::start(AudioRenderer& renderer) {
    if (m_onFallback.load()) {
        // The primary stream was abandoned; it is not tried again.
        return m_fallback->start(renderer);
    }
    if (!m_primary->start(renderer)) {
        m_onFallback = true;
        return m_fallback->start(renderer);
    }
    m_stopping = false;
    m_monitor = std::thread([this, &renderer] { monitor(renderer); });
    return true;
}

void FailoverOutput::stop() {
    // The monitor goes first, so the stream that stops here is never taken for a dead one.
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_monitor.joinable()) {
        m_monitor.join();
    }
    m_fallback->stop();
    m_primary->stop();
}

std::string FailoverOutput::activeName() const {
    return m_onFallback.load() ? m_fallback->activeName() : m_primary->activeName();
}

void FailoverOutput::monitor(AudioRenderer& renderer) {
    using Clock = std::chrono::steady_clock;
    std::uint64_t lastCount = m_primary->callbackCount();
    auto lastProgress = Clock::now();
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, kCheckPeriod);
        if (m_stopping) {
            break;
        }
        const std::uint64_t count = m_primary->callbackCount();
        const auto now = Clock::now();
        if (count != lastCount) {
            lastCount = count;
            lastProgress = now;
        }
        if (m_primary->streamActive() && now - lastProgress < kStallLimit) {
            continue;
        }
        // The stream is gone: make sure its callback renders no more, then keep the clocks
        // running on the null output.
        m_primary->detach();
        m_fallback->start(renderer);
        m_onFallback = true;
        break;
    }
}

} // namespace korvale
