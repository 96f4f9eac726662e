#include "audio/EngineVoice.h"

#include "audio/RampingGain.h"

#include "decode/DecoderFactory.h"
#include "interfaces/Decibels.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace korvale {

namespace {

// A match-gain change moves over this long while the voice is heard.
constexpr double kMatchRampSeconds = 0.2;
// Largest match gain accepted, hundredths of a dB.
constexpr int kMaxMatchGain = 4000;

} // namespace

EngineVoice::EngineVoice(int outputRate, std::size_t maxBlockFrames,
                         std::function<void()> needsOutput, ClipAnalyser* analyser)
    : m_outputRate(outputRate), m_maxBlockFrames(maxBlockFrames), m_analyser(analyser),
      m_reader(outputRate, maxBlockFrames),
      m_transport(outputRate, m_reader, std::move(needsOutput)) {}

EngineVoice::~EngineVoice() = default;

// ---- user-interface thread -------------------------------------------------------------

bool EngineVoice::open(const std::string& path) {
    // The old clip ramps out while the new one is scanned.
    m_transport.silence();
    DecoderOpenResult opened = OpenDecoder(path);
    m_matchGain.store(1.0f, std::memory_order_relaxed);
    m_analysis.reset();
    return m_transport.open(path, std::move(opened));
}

void EngineVoice::close() {
    if (!m_transport.isOpen()) {
        return;
    }
    m_transport.close();
    m_analysis.reset();
}

void EngineVoice::setVolume(int hundredthsOfDb) {
    const int clamped = std::clamp(hundredthsOfDb, kVoiceVolumeQuietest, kVoiceVolumeFull);
    m_targetGain.store(static_cast<float>(GainOfHundredthsOfDb(clamped)),
                       std::memory_order_relaxed);
}

void EngineVoice::measure() {
    if (m_transport.isDecodable() && m_analyser != nullptr && !m_analysis) {
        m_analysis = m_analyser->request(m_transport.path());
    }
}

std::optional<ClipAnalysis> EngineVoice::analysis() const {
    return m_analysis ? m_analysis->result() : std::nullopt;
}

void EngineVoice::setMatchGain(int hundredthsOfDb) {
    const int clamped = std::clamp(hundredthsOfDb, kVoiceVolumeQuietest, kMaxMatchGain);
    m_matchGain.store(static_cast<float>(GainOfHundredthsOfDb(clamped)), std::memory_order_relaxed);
}

// ---- offline output thread -------------------------------------------------------------

void EngineVoice::waitUntilReady(std::size_t frames) {
    m_reader.waitUntilReady(frames, [this] {
        adoptNewestSegment();
        return m_outGeneration;
    });
}

// ---- output thread ---------------------------------------------------------------------

void EngineVoice::adoptNewestSegment() noexcept {
    // Move on to the newest segment once the voice is silent; frames of older requests
    // are dropped unheard.
    const std::uint32_t segment = m_reader.segmentGeneration();
    if (segment != m_outGeneration && !m_outAudible) {
        const std::uint64_t startIndex = m_reader.segmentStartIndex();
        if (m_reader.segmentGeneration() == segment) {
            m_reader.skipTo(startIndex);
            m_outGeneration = segment;
            m_outFrames = 0;
            m_outEnded = false;
            m_transport.reportPlayed(m_outGeneration, 0);
        }
    }
}

bool EngineVoice::mixInto(float* out, std::size_t frames) noexcept {
    frames = std::min(frames, m_maxBlockFrames);
    const VoiceTransport::Control control = m_transport.control();
    const std::uint32_t wantedGeneration = control.generation;
    const bool wantPlaying = control.playing;

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
                         m_reader.segmentGeneration(std::memory_order_relaxed) != m_outGeneration ||
                         (wantPlaying && !m_outEnded);
    if (!m_outAudible && target == 0.0f) {
        return pending;
    }
    const float from = m_outAudible ? m_outGain : 0.0f;
    const float step = (target - from) / static_cast<float>(frames);
    // Mixes straight from the ring: at most two runs, split where its storage wraps.
    std::size_t got = 0;
    while (got < frames) {
        const std::span<const VoiceReader::Frame> ready = m_reader.readable();
        const std::size_t n = std::min(ready.size(), frames - got);
        if (n == 0) {
            break;
        }
        const float runFrom = from + step * static_cast<float>(got);
        const float runTo = got + n == frames ? target : from + step * static_cast<float>(got + n);
        AddWithRampingGain(out + 2 * got, &ready.front().left, n, runFrom, runTo);
        m_reader.commitRead(n);
        got += n;
    }
    m_outFrames += got;
    m_transport.reportPlayed(m_outGeneration, m_outFrames);
    m_outGain = target;
    m_outAudible = target > 0.0f;

    if (got < frames && m_reader.eofGeneration() == m_outGeneration && m_reader.available() == 0) {
        m_outEnded = true;
        m_outAudible = false;
        m_outGain = 0.0f;
        m_transport.reportEnded(m_outGeneration);
    }
    return m_outAudible || pending;
}

} // namespace korvale
