#include "decks/CMediaPlayer.h"

#include "platform/MediaVoice.h"

namespace korvale {

namespace {
constexpr double kNoClipPosition = -1.0;
}

CMediaPlayer::CMediaPlayer(MediaVoice* voice) : m_voice(voice) {}

double CMediaPlayer::GetCurrentPosition() const {
    if (m_voice == nullptr || !m_voice->isOpen()) {
        return kNoClipPosition;
    }
    return m_voice->positionSeconds();
}

double CMediaPlayer::GetDuration() const {
    return m_voice == nullptr ? 0.0 : m_voice->durationSeconds();
}

std::string CMediaPlayer::GetFileName() const {
    return m_voice == nullptr ? std::string() : m_voice->path();
}

void CMediaPlayer::SetFileName(const std::string& path) {
    if (m_voice == nullptr) {
        return;
    }
    if (path.empty()) {
        m_voice->close();
        return;
    }
    m_voice->open(path);
    if (m_autoStart) {
        m_voice->play();
    }
}

void CMediaPlayer::SetAutoStart(bool autoStart) { m_autoStart = autoStart; }

void CMediaPlayer::SetStartPosition(double seconds) {
    if (m_voice != nullptr && m_voice->isOpen()) {
        m_voice->seek(seconds);
    }
}

void CMediaPlayer::SetVolume(std::int32_t hundredthsOfDb) {
    if (m_voice != nullptr) {
        m_voice->setVolume(hundredthsOfDb);
    }
}

std::int32_t CMediaPlayer::GetOpenState() const {
    return m_voice != nullptr && m_voice->isOpen() ? kOpenStateOpen : kOpenStateClosed;
}

std::int32_t CMediaPlayer::GetPlayState() const {
    if (m_voice == nullptr) {
        return kPlayStateClosed;
    }
    return static_cast<std::int32_t>(m_voice->playState());
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
