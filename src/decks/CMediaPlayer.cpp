// PLACEHOLDER: replaced by the engine branch.
#include "decks/CMediaPlayer.h"
namespace korvale {
CMediaPlayer::CMediaPlayer(MediaVoice* voice) : m_voice(voice) {}
double CMediaPlayer::GetCurrentPosition() const { return -1.0; }
double CMediaPlayer::GetDuration() const { return 0.0; }
std::string CMediaPlayer::GetFileName() const { return {}; }
void CMediaPlayer::SetFileName(const std::string&) {}
void CMediaPlayer::SetAutoStart(bool a) { m_autoStart = a; }
void CMediaPlayer::SetStartPosition(double) {}
void CMediaPlayer::SetVolume(std::int32_t) {}
std::int32_t CMediaPlayer::GetOpenState() const { return 0; }
std::int32_t CMediaPlayer::GetPlayState() const { return 6; }
void CMediaPlayer::Play() {}
void CMediaPlayer::Stop() {}
}
