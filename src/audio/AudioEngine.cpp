#include "audio/AudioEngine.h"

#include <algorithm>

namespace korvale {

namespace {

// The largest block a voice mixes in one go; longer render() calls are cut into blocks
// of this size (each with its own gain ramp).
constexpr std::size_t kMaxBlockFrames = 4096;

// The mix gate's bits (see AudioEngine::m_gate).
constexpr std::uint64_t kParked = 1;
constexpr std::uint64_t kStopping = 2;
constexpr std::uint64_t kRequestStep = 4;

// The supervisor looks again at most this often while the output runs towards idleness
// more slowly than the wall clock (or not at all: an output whose callbacks stalled).
constexpr auto kMinIdleCheck = std::chrono::milliseconds(20);

} // namespace

AudioEngine::AudioEngine(std::unique_ptr<AudioOutput> output, std::chrono::milliseconds idleStop)
    : m_output(std::move(output)), m_sampleRate(m_output->sampleRate()),
      m_blockFrames(std::clamp<std::size_t>(m_output->framesPerBuffer(), 1, kMaxBlockFrames)),
      m_idleStopFrames(idleStop.count() > 0 ? static_cast<std::uint64_t>(idleStop.count()) *
                                                  static_cast<std::uint64_t>(m_sampleRate) / 1000
                                            : 0) {
    for (std::size_t i = 0; i < kVoiceCount; ++i) {
        // The cue player's clips are only pre-listened to: they are not measured.
        ClipAnalyser* analyser =
            i == static_cast<std::size_t>(VoiceId::Cue) ? nullptr : &m_analyser;
        m_voices[i] = std::make_unique<EngineVoice>(
            m_sampleRate, kMaxBlockFrames, [this] { voiceNeedsOutput(); }, analyser);
    }
    const auto tapFrames =
        static_cast<std::size_t>(kTapCapacity.count()) * static_cast<std::size_t>(m_sampleRate);
    for (auto& tap : m_taps) {
        tap = std::make_unique<MixTap>(tapFrames, [this] { voiceNeedsOutput(); });
    }
    const bool started = m_output->start(*this);
    m_outputRunning.store(started, std::memory_order_release);
    m_outputStarts.store(started ? 1 : 0, std::memory_order_release);
    m_supervisor = std::thread([this] { superviseOutput(); });
}

AudioEngine::~AudioEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_supervisor.join();
    m_output->stop();
    for (auto& voice : m_voices) {
        voice->close();
    }
}

void AudioEngine::render(float* out, std::size_t frames) noexcept {
    std::fill_n(out, frames * 2, 0.0f);
    const std::uint64_t gate = m_gate.load(std::memory_order_acquire);
    if ((gate & (kParked | kStopping)) != 0) {
        return; // idle: the voices are silent and keep their state for the next start
    }
    bool busy = false;
    for (const auto& tap : m_taps) {
        busy = tap->isOpen() || busy; // an outlet needs the clock to run on, silent or not
    }
    const std::size_t total = frames;
    while (frames > 0) {
        const std::size_t block = std::min(frames, kMaxBlockFrames);
        busy = voice(VoiceId::Deck1).mixInto(out, block) || busy;
        busy = voice(VoiceId::Deck2).mixInto(out, block) || busy;
        for (auto& tap : m_taps) {
            tap->write(out, block);
        }
        busy = voice(VoiceId::Cue).mixInto(out, block) || busy;
        out += block * 2;
        frames -= block;
    }
    m_quietFrames = busy ? 0 : m_quietFrames + total;
    if (m_idleStopFrames != 0 && m_quietFrames >= m_idleStopFrames) {
        // Parks only when no voice request came since `gate` was read: a request bumps the
        // gate after publishing itself, so either this mix saw it or the exchange fails.
        std::uint64_t expected = gate;
        if (m_gate.compare_exchange_strong(expected, gate | kParked, std::memory_order_acq_rel)) {
            m_quietFrames = 0;
        }
    }
    m_quietFramesSeen.store(m_quietFrames, std::memory_order_relaxed);
}

void AudioEngine::waitUntilReady(std::size_t frames) {
    for (auto& voice : m_voices) {
        voice->waitUntilReady(frames);
    }
}

void AudioEngine::voiceNeedsOutput() {
    std::uint64_t old = m_gate.load(std::memory_order_relaxed);
    while (!m_gate.compare_exchange_weak(old, (old + kRequestStep) & ~kParked,
                                         std::memory_order_acq_rel)) {
    }
    if ((old & (kParked | kStopping)) == 0 && m_outputRunning.load(std::memory_order_acquire)) {
        return; // the output runs and mixes: it takes the request up by itself
    }
    {
        std::lock_guard lock(m_mutex);
        m_startRequested = true;
    }
    m_wake.notify_all();
}

std::chrono::nanoseconds AudioEngine::untilIdle() const {
    const std::uint64_t quiet = m_quietFramesSeen.load(std::memory_order_relaxed);
    const std::uint64_t left = m_idleStopFrames > quiet ? m_idleStopFrames - quiet : 0;
    const auto span = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(static_cast<double>(left) / m_sampleRate));
    return std::max<std::chrono::nanoseconds>(span, kMinIdleCheck);
}

void AudioEngine::superviseOutput() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_startRequested) {
            m_startRequested = false;
            if (!m_outputRunning.load(std::memory_order_relaxed)) {
                lock.unlock();
                const bool started = m_output->start(*this);
                lock.lock();
                m_outputRunning.store(started, std::memory_order_release);
                if (started) {
                    m_outputStarts.fetch_add(1, std::memory_order_acq_rel);
                }
            }
            continue;
        }
        const bool running = m_outputRunning.load(std::memory_order_relaxed);
        if (running && m_idleStopFrames != 0) {
            std::uint64_t gate = m_gate.load(std::memory_order_acquire);
            if ((gate & kParked) != 0 &&
                m_gate.compare_exchange_strong(gate, gate | kStopping, std::memory_order_acq_rel)) {
                // The mix leaves the voices alone from now on, whatever request comes, so
                // stopping cuts nothing off; a request meanwhile finds "stopping" set and
                // asks for the start that follows.
                lock.unlock();
                m_output->stop();
                lock.lock();
                m_outputRunning.store(false, std::memory_order_release);
                m_gate.fetch_and(~kStopping, std::memory_order_acq_rel);
                continue;
            }
            m_wake.wait_for(lock, untilIdle());
            continue;
        }
        m_wake.wait(lock);
    }
}

} // namespace korvale
