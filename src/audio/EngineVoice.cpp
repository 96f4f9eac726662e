#include "audio/EngineVoice.h"

#include "audio/RampingGain.h"

#include "decode/DecoderFactory.h"
#include "decode/Resampler.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <span>

namespace korvale {

// The output thread may only touch atomics that never fall back to a lock.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic<float>::is_always_lock_free);

namespace {

constexpr std::uint32_t kNoGeneration = std::numeric_limits<std::uint32_t>::max();
constexpr int kPlayedFrameBits = 40;
constexpr std::uint64_t kPlayedFrameMask = (std::uint64_t{1} << kPlayedFrameBits) - 1;
constexpr std::uint64_t kPlayedGenerationMask = 0xFFFFFF;
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
constexpr int kMinVolume = -10000;
constexpr int kMaxVolume = 0;
constexpr double kVolumeUnitsPerDecade = 2000.0;
// A match-gain change moves over this long while the voice is heard.
constexpr double kMatchRampSeconds = 0.2;
// Largest match gain accepted, hundredths of a dB.
constexpr int kMaxMatchGain = 4000;

std::uint32_t PlayedGeneration(std::uint64_t packed) {
    return static_cast<std::uint32_t>(packed >> kPlayedFrameBits);
}

std::uint64_t PackPlayed(std::uint32_t generation, std::uint64_t frames) {
    return ((generation & kPlayedGenerationMask) << kPlayedFrameBits) | (frames & kPlayedFrameMask);
}

} // namespace

EngineVoice::EngineVoice(int outputRate, std::size_t maxBlockFrames,
                         std::function<void()> needsOutput, ClipAnalyser* analyser)
    : m_outputRate(outputRate), m_maxBlockFrames(maxBlockFrames),
      m_needsOutput(std::move(needsOutput)), m_analyser(analyser),
      m_ring(std::max<std::size_t>(static_cast<std::size_t>(outputRate) / kRingSecondsDivisor,
                                   maxBlockFrames * 4)),
      m_endedGeneration(kNoGeneration), m_worker([this] { workerLoop(); }) {}

EngineVoice::~EngineVoice() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

// ---- user-interface thread -------------------------------------------------------------

void EngineVoice::publishControl(bool playing) {
    m_control.store((std::uint64_t{m_generation} << 1) | (playing ? 1U : 0U),
                    std::memory_order_release);
}

void EngineVoice::notifyOutput() const {
    if (m_needsOutput) {
        m_needsOutput();
    }
}

void EngineVoice::submit(bool replaceDecoder, std::unique_ptr<Decoder> decoder,
                         std::int64_t startFrame) {
    std::unique_ptr<Decoder> unserved;
    {
        std::lock_guard lock(m_mutex);
        if (m_request.replaceDecoder) {
            // A replacement that the worker has not picked up yet is dropped here.
            unserved = std::move(m_request.decoder);
        }
        m_request.generation = m_generation;
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

void EngineVoice::refresh() const {
    if (!m_open) {
        return;
    }
    if (m_endedGeneration.load(std::memory_order_acquire) == m_generation) {
        m_atEnd = true;
        if (m_state == VoicePlayState::Playing) {
            m_state = VoicePlayState::Stopped;
        }
    }
}

bool EngineVoice::open(const std::string& path) {
    // The old clip ramps out while the new one is scanned.
    publishControl(false);
    DecoderOpenResult result = OpenDecoder(path);
    m_path = path;
    m_open = true;
    m_openStatus = result.status;
    m_decodable = result.decoder != nullptr;
    m_sourceRate = m_decodable ? result.decoder->sampleRate() : 0;
    m_durationSeconds =
        m_decodable ? static_cast<double>(result.decoder->lengthFrames()) / m_sourceRate : 0.0;
    m_startSeconds = 0.0;
    m_segmentStart = 0.0;
    m_state = VoicePlayState::Stopped;
    m_atEnd = false;
    m_matchGain.store(1.0f, std::memory_order_relaxed);
    m_analysis.reset();
    ++m_generation;
    publishControl(false);
    submit(true, std::move(result.decoder), 0);
    notifyOutput();
    return m_decodable;
}

void EngineVoice::close() {
    if (!m_open) {
        return;
    }
    ++m_generation;
    publishControl(false);
    submit(true, nullptr, 0);
    m_open = false;
    m_decodable = false;
    m_analysis.reset();
    m_path.clear();
    m_durationSeconds = 0.0;
    m_sourceRate = 0;
    m_startSeconds = 0.0;
    m_segmentStart = 0.0;
    m_state = VoicePlayState::Closed;
    m_atEnd = false;
}

double EngineVoice::positionSeconds() const {
    if (!m_open) {
        return -1.0;
    }
    refresh();
    if (m_atEnd) {
        return m_durationSeconds;
    }
    const std::uint64_t played = m_played.load(std::memory_order_acquire);
    double position = m_segmentStart;
    if (PlayedGeneration(played) == (m_generation & kPlayedGenerationMask)) {
        position += static_cast<double>(played & kPlayedFrameMask) / m_outputRate;
    }
    return std::min(position, m_durationSeconds);
}

VoicePlayState EngineVoice::playState() const {
    refresh();
    return m_state;
}

void EngineVoice::seek(double seconds) {
    if (!m_open) {
        return;
    }
    refresh();
    if (!std::isfinite(seconds)) {
        seconds = 0.0;
    }
    seconds = std::clamp(seconds, 0.0, m_durationSeconds);
    m_startSeconds = seconds;
    if (!m_decodable) {
        return;
    }
    const auto frame = static_cast<std::int64_t>(std::llround(seconds * m_sourceRate));
    m_segmentStart = static_cast<double>(frame) / m_sourceRate;
    m_atEnd = false;
    ++m_generation;
    publishControl(m_state == VoicePlayState::Playing);
    submit(false, nullptr, frame);
    notifyOutput();
}

void EngineVoice::play() {
    if (!m_open || !m_decodable) {
        return;
    }
    refresh();
    if (m_state == VoicePlayState::Playing) {
        return;
    }
    if (m_atEnd) {
        seek(m_startSeconds);
    }
    m_state = VoicePlayState::Playing;
    publishControl(true);
    notifyOutput();
}

void EngineVoice::stop() {
    if (!m_open) {
        return;
    }
    refresh();
    m_state = VoicePlayState::Stopped;
    publishControl(false);
}

void EngineVoice::pause() {
    if (!m_open) {
        return;
    }
    refresh();
    m_state = VoicePlayState::Paused;
    publishControl(false);
}

void EngineVoice::setVolume(int hundredthsOfDb) {
    const int clamped = std::clamp(hundredthsOfDb, kMinVolume, kMaxVolume);
    m_targetGain.store(static_cast<float>(std::pow(10.0, clamped / kVolumeUnitsPerDecade)),
                       std::memory_order_relaxed);
}

void EngineVoice::measure() {
    if (m_decodable && m_analyser != nullptr && !m_analysis) {
        m_analysis = m_analyser->request(m_path);
    }
}

std::optional<ClipAnalysis> EngineVoice::analysis() const {
    return m_analysis ? m_analysis->result() : std::nullopt;
}

void EngineVoice::setMatchGain(int hundredthsOfDb) {
    const int clamped = std::clamp(hundredthsOfDb, kMinVolume, kMaxMatchGain);
    m_matchGain.store(static_cast<float>(std::pow(10.0, clamped / kVolumeUnitsPerDecade)),
                      std::memory_order_relaxed);
}

bool EngineVoice::segmentReady(std::size_t frames) noexcept {
    // Runs on the output thread (offline outputs wait and render on one thread), so it may
    // drop older frames as the next render would, letting the worker fill the room.
    adoptNewestSegment();
    const std::uint32_t generation = m_segmentGeneration.load(std::memory_order_acquire);
    if (generation != m_request.generation) {
        return false;
    }
    if (m_outGeneration != generation) {
        return true; // still ramping out older frames: they are in the ring already
    }
    return m_eofGeneration.load(std::memory_order_acquire) == generation ||
           m_ring.available() >= frames;
}

void EngineVoice::waitUntilReady(std::size_t frames) {
    frames = std::min(frames, m_ring.capacity() / 2);
    std::unique_lock lock(m_mutex);
    if (segmentReady(frames)) {
        return;
    }
    // Once it has to wait, it waits for half a ring: one hand-over per many decoded chunks
    // rather than one per chunk. The worker reports when its ring is full or the clip done.
    const std::size_t plenty = std::max(frames, m_ring.capacity() / 2);
    m_wake.notify_all();
    m_progress.wait_for(lock, kMaxReadyWait, [&] { return segmentReady(plenty); });
}

// ---- worker ----------------------------------------------------------------------------

void EngineVoice::workerLoop() {
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

// ---- output thread ---------------------------------------------------------------------

void EngineVoice::adoptNewestSegment() noexcept {
    // Move on to the newest segment once the voice is silent; frames of older requests
    // are dropped unheard.
    const std::uint32_t segment = m_segmentGeneration.load(std::memory_order_acquire);
    if (segment != m_outGeneration && !m_outAudible) {
        const std::uint64_t startIndex = m_segmentStartIndex.load(std::memory_order_acquire);
        if (m_segmentGeneration.load(std::memory_order_acquire) == segment) {
            m_ring.skipTo(startIndex);
            m_outGeneration = segment;
            m_outFrames = 0;
            m_outEnded = false;
            m_played.store(PackPlayed(m_outGeneration, 0), std::memory_order_release);
        }
    }
}

bool EngineVoice::mixInto(float* out, std::size_t frames) noexcept {
    frames = std::min(frames, m_maxBlockFrames);
    const std::uint64_t control = m_control.load(std::memory_order_acquire);
    const auto wantedGeneration = static_cast<std::uint32_t>(control >> 1);
    const bool wantPlaying = (control & 1U) != 0;

    adoptNewestSegment();

    const bool canPlay = wantPlaying && m_outGeneration == wantedGeneration && !m_outEnded;
    // The match gain: at once while silent, else along a ramp that ends at its newest value.
    const float match = m_matchGain.load(std::memory_order_relaxed);
    if (!m_outAudible) {
        m_outMatch = match;
        m_outMatchTarget = match;
        m_outMatchStep = 0.0f;
    } else if (match != m_outMatchTarget) {
        m_outMatchTarget = match;
        m_outMatchStep =
            (match - m_outMatch) / static_cast<float>(kMatchRampSeconds * m_outputRate);
    }
    if (m_outMatch != m_outMatchTarget) {
        const float moved = m_outMatch + m_outMatchStep * static_cast<float>(frames);
        const bool reached =
            m_outMatchStep > 0.0f ? moved >= m_outMatchTarget : moved <= m_outMatchTarget;
        m_outMatch = reached ? m_outMatchTarget : moved;
    }
    const float target = canPlay ? m_targetGain.load(std::memory_order_relaxed) * m_outMatch : 0.0f;
    // Busy while a newer request waits to be taken up or a play request has not run out.
    const bool pending = m_outGeneration != wantedGeneration ||
                         m_segmentGeneration.load(std::memory_order_relaxed) != m_outGeneration ||
                         (wantPlaying && !m_outEnded);
    if (!m_outAudible && target == 0.0f) {
        return pending;
    }
    const float from = m_outAudible ? m_outGain : 0.0f;
    const float step = (target - from) / static_cast<float>(frames);
    // Mixes straight from the ring: at most two runs, split where its storage wraps.
    std::size_t got = 0;
    while (got < frames) {
        const std::span<const Frame> ready = m_ring.readableSpan();
        const std::size_t n = std::min(ready.size(), frames - got);
        if (n == 0) {
            break;
        }
        const float runFrom = from + step * static_cast<float>(got);
        const float runTo = got + n == frames ? target : from + step * static_cast<float>(got + n);
        AddWithRampingGain(out + 2 * got, &ready.front().left, n, runFrom, runTo);
        m_ring.commitRead(n);
        got += n;
    }
    m_outFrames += got;
    m_played.store(PackPlayed(m_outGeneration, m_outFrames), std::memory_order_release);
    m_outGain = target;
    m_outAudible = target > 0.0f;

    if (got < frames && m_eofGeneration.load(std::memory_order_acquire) == m_outGeneration &&
        m_ring.available() == 0) {
        m_outEnded = true;
        m_outAudible = false;
        m_outGain = 0.0f;
        m_endedGeneration.store(m_outGeneration, std::memory_order_release);
    }
    return m_outAudible || pending;
}

} // namespace korvale
