#include "support/FakeMediaVoice.h"

namespace korvale::test {

void FakeMediaVoice::AddClip(const std::string& path, double durationSeconds) {
    m_clips[path] = durationSeconds;
}

bool FakeMediaVoice::open(const std::string& path) {
    m_calls.push_back("open " + path);
    m_path = path;
    m_open = true;
    m_position = 0.0;
    m_start = 0.0;
    m_state = VoicePlayState::Stopped;
    const auto it = m_clips.find(path);
    m_duration = it == m_clips.end() ? 0.0 : it->second;
    return m_duration > 0.0;
}

void FakeMediaVoice::close() {
    m_calls.push_back("close");
    m_path.clear();
    m_open = false;
    m_duration = 0.0;
    m_position = -1.0;
    m_state = VoicePlayState::Closed;
}

void FakeMediaVoice::seek(double seconds) {
    m_calls.push_back("seek " + std::to_string(seconds));
    if (m_open) {
        m_start = seconds;
        m_position = seconds;
    }
}

void FakeMediaVoice::play() {
    m_calls.push_back("play");
    if (m_open) {
        m_state = VoicePlayState::Playing;
    }
}

void FakeMediaVoice::stop() {
    m_calls.push_back("stop");
    if (m_open) {
        m_state = VoicePlayState::Stopped;
    }
}

void FakeMediaVoice::pause() {
    m_calls.push_back("pause");
    if (m_open) {
        m_state = VoicePlayState::Paused;
    }
}

void FakeMediaVoice::setVolume(int hundredthsOfDb) {
    m_volume = hundredthsOfDb;
}

} // namespace korvale::test
