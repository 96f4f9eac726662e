#include "support/FakeMediaVoice.h"

namespace korvale::test {

void FakeMediaVoice::AddClip(const std::string& path, double durationSeconds) {
    m_clips[path] = durationSeconds;
}

bool FakeMediaVoice::open(const std::string& path) {
    m_calls.push_back("open " + path);
    m_path = path;
    m_open = true;
    m_matchGain = 0;
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
    m_start = m_open ? seconds : m_start;
    m_position = m_open ? seconds : m_position;
}

// Play, stop and pause are recorded; with a clip open they set its state.
void FakeMediaVoice::play() {
    Record("play", VoicePlayState::Playing);
}
void FakeMediaVoice::stop() {
    Record("stop", VoicePlayState::Stopped);
}
void FakeMediaVoice::pause() {
    Record("pause", VoicePlayState::Paused);
}

void FakeMediaVoice::Record(const char* call, VoicePlayState state) {
    m_calls.push_back(call);
    m_state = m_open ? state : m_state;
}

void FakeMediaVoice::setVolume(int hundredthsOfDb) {
    m_volume = hundredthsOfDb;
}

} // namespace korvale::test
