#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/MediaVoice.h"

namespace korvale::testing {

// A scripted player voice: clips "exist" when registered with a duration (0: opens, undecodable);
// the test moves the position. Records its calls; play, stop and pause act only on an open clip.
class FakeMediaVoice : public MediaVoice {
public:
    void AddClip(const std::string& path, double durationSeconds) {
        m_clips[path] = durationSeconds;
    }

    bool open(const std::string& path) override {
        m_calls.push_back("open " + path);
        m_path = path;
        m_open = true;
        m_measured = false;
        m_position = 0.0;
        m_matchGain = 0;
        m_state = VoicePlayState::Stopped;
        const auto it = m_clips.find(path);
        m_duration = it == m_clips.end() ? 0.0 : it->second;
        return m_duration > 0.0;
    }
    void close() override {
        m_calls.push_back("close");
        m_path.clear();
        m_open = false;
        m_measured = false;
        m_duration = 0.0;
        m_position = -1.0;
        m_state = VoicePlayState::Closed;
    }
    std::string path() const override { return m_path; }
    bool isOpen() const override { return m_open; }
    double durationSeconds() const override { return m_open ? m_duration : 0.0; }
    double positionSeconds() const override { return m_open ? m_position : -1.0; }
    VoicePlayState playState() const override { return m_state; }
    void seek(double seconds) override {
        m_calls.push_back("seek " + std::to_string(seconds));
        if (m_open)
            m_position = seconds;
    }
    void play() override { Record("play", VoicePlayState::Playing); }
    void stop() override { Record("stop", VoicePlayState::Stopped); }
    void pause() override { Record("pause", VoicePlayState::Paused); }
    void setVolume(int hundredthsOfDb) override { m_volume = hundredthsOfDb; }
    void measure() override { m_measured = m_open; }
    std::optional<ClipAnalysis> analysis() const override {
        return m_measured ? m_analysis : std::nullopt;
    }
    void setMatchGain(int hundredthsOfDb) override { m_matchGain = hundredthsOfDb; }

    // Test controls.
    void SetPosition(double seconds) { m_position = seconds; }
    int Volume() const { return m_volume; }
    void SetAnalysis(std::optional<ClipAnalysis> analysis) { m_analysis = analysis; }
    int MatchGain() const { return m_matchGain; }
    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }

private:
    void Record(const char* call, VoicePlayState state) {
        m_calls.push_back(call);
        if (m_open)
            m_state = state;
    }
    std::map<std::string, double> m_clips;
    std::vector<std::string> m_calls;
    std::string m_path;
    bool m_open = false, m_measured = false;
    double m_duration = 0.0, m_position = -1.0;
    int m_volume = 0, m_matchGain = 0;
    std::optional<ClipAnalysis> m_analysis;
    VoicePlayState m_state = VoicePlayState::Closed;
};

} // namespace korvale::testing
