#include "audio/VoiceTransport.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvale {

namespace {

constexpr int kPlayedFrameBits = 40;
constexpr std::uint64_t kPlayedFrameMask = (std::uint64_t{1} << kPlayedFrameBits) - 1;
constexpr std::uint64_t kPlayedGenerationMask = 0xFFFFFF;

std::uint32_t PlayedGeneration(std::uint64_t packed) {
    return static_cast<std::uint32_t>(packed >> kPlayedFrameBits);
}

std::uint64_t PackPlayed(std::uint32_t generation, std::uint64_t frames) {
    return ((generation & kPlayedGenerationMask) << kPlayedFrameBits) | (frames & kPlayedFrameMask);
}

} // namespace

VoiceTransport::VoiceTransport(int outputRate, VoiceReader& reader,
                               std::function<void()> needsOutput)
    : m_outputRate(outputRate), m_reader(reader), m_needsOutput(std::move(needsOutput)) {}

// ---- user-interface thread -------------------------------------------------------------

void VoiceTransport::publishControl(bool playing) {
    m_control.store((std::uint64_t{m_generation} << 1) | (playing ? 1U : 0U),
                    std::memory_order_release);
}

void VoiceTransport::notifyOutput() const {
    if (m_needsOutput) {
        m_needsOutput();
    }
}

void VoiceTransport::refresh() const {
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

void VoiceTransport::silence() {
    publishControl(false);
}

bool VoiceTransport::open(const std::string& path, DecoderOpenResult opened) {
    m_path = path;
    m_open = true;
    m_openStatus = opened.status;
    m_decodable = opened.decoder != nullptr;
    m_sourceRate = m_decodable ? opened.decoder->sampleRate() : 0;
    m_durationSeconds =
        m_decodable ? static_cast<double>(opened.decoder->lengthFrames()) / m_sourceRate : 0.0;
    m_startSeconds = 0.0;
    m_segmentStart = 0.0;
    m_state = VoicePlayState::Stopped;
    m_atEnd = false;
    ++m_generation;
    publishControl(false);
    m_reader.submit(m_generation, true, std::move(opened.decoder), 0);
    notifyOutput();
    return m_decodable;
}

void VoiceTransport::close() {
    if (!m_open) {
        return;
    }
    ++m_generation;
    publishControl(false);
    m_reader.submit(m_generation, true, nullptr, 0);
    m_open = false;
    m_decodable = false;
    m_path.clear();
    m_durationSeconds = 0.0;
    m_sourceRate = 0;
    m_startSeconds = 0.0;
    m_segmentStart = 0.0;
    m_state = VoicePlayState::Closed;
    m_atEnd = false;
}

double VoiceTransport::positionSeconds() const {
    if (!m_open) {
        return kNoClipPosition;
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

VoicePlayState VoiceTransport::playState() const {
    refresh();
    return m_state;
}

void VoiceTransport::seek(double seconds) {
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
    m_reader.submit(m_generation, false, nullptr, frame);
    notifyOutput();
}

void VoiceTransport::play() {
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

void VoiceTransport::stop() {
    halt(VoicePlayState::Stopped);
}

void VoiceTransport::pause() {
    halt(VoicePlayState::Paused);
}

void VoiceTransport::halt(VoicePlayState state) {
    if (!m_open) {
        return;
    }
    refresh();
    m_state = state;
    publishControl(false);
}

// ---- output thread ---------------------------------------------------------------------

VoiceTransport::Control VoiceTransport::control() const noexcept {
    const std::uint64_t control = m_control.load(std::memory_order_acquire);
    return {static_cast<std::uint32_t>(control >> 1), (control & 1U) != 0};
}

void VoiceTransport::reportPlayed(std::uint32_t generation, std::uint64_t frames) noexcept {
    m_played.store(PackPlayed(generation, frames), std::memory_order_release);
}

void VoiceTransport::reportEnded(std::uint32_t generation) noexcept {
    m_endedGeneration.store(generation, std::memory_order_release);
}

} // namespace korvale
