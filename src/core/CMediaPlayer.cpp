#include "core/CMediaPlayer.h"

#include "interfaces/MediaVoice.h"

namespace korvale {

// Stop keeps the position: Play after Stop continues where playback halted. Play at the
// clip's end starts again at the position last given by SetStartPosition (or 0).

CMediaPlayer::CMediaPlayer(MediaVoice* voice) : m_voice(voice) {}

double CMediaPlayer::GetCurrentPosition() const {
    if (m_voice == nullptr || !m_voice->isOpen()) {
        return kNoClipPosition;
    }
    return m_voice->positionSeconds();
}

double CMediaPlayer::GetDuration() const {
    if (m_voice == nullptr || !m_voice->isOpen()) {
        return 0.0;
    }
    return m_voice->durationSeconds();
}

std::string CMediaPlayer::GetFileName() const {
    if (m_voice == nullptr || !m_voice->isOpen()) {
        return {};
    }
    return m_voice->path();
}

void CMediaPlayer::SetFileName(const std::string& path) {
    if (m_voice == nullptr) {
        return;
    }
    if (path.empty()) {
        m_voice->close();
        return;
    }
    const bool decodes = m_voice->open(path);
    if (decodes && m_autoStart) {
        m_voice->play();
    }
}

void CMediaPlayer::SetAutoStart(bool autoStart) {
    m_autoStart = autoStart;
}

void CMediaPlayer::Measure() {
    if (m_voice != nullptr && m_voice->isOpen()) {
        m_voice->measure();
    }
}

std::optional<ClipAnalysis> CMediaPlayer::GetAnalysis() const {
    if (m_voice == nullptr || !m_voice->isOpen()) {
        return std::nullopt;
    }
    return m_voice->analysis();
}

void CMediaPlayer::SetMatchGain(std::int32_t hundredthsOfDb) {
    if (m_voice != nullptr) {
        m_voice->setMatchGain(hundredthsOfDb);
    }
}

void CMediaPlayer::SetStartPosition(double seconds) {
    if (m_voice != nullptr) {
        m_voice->seek(seconds);
    }
}

void CMediaPlayer::SetVolume(std::int32_t hundredthsOfDb) {
    if (m_voice != nullptr) {
        m_voice->setVolume(static_cast<int>(hundredthsOfDb));
    }
}

CMediaPlayer::OpenState CMediaPlayer::GetOpenState() const {
    return (m_voice != nullptr && m_voice->isOpen()) ? OpenState::Open : OpenState::Closed;
}

VoicePlayState CMediaPlayer::GetPlayState() const {
    return m_voice != nullptr ? m_voice->playState() : VoicePlayState::Closed;
}

void CMediaPlayer::Play() {
    if (m_voice != nullptr) {
        m_voice->play();
    }
}

void CMediaPlayer::Stop() {
    if (m_voice != nullptr) {
        m_voice->stop();
    }
}

} // namespace korvale
