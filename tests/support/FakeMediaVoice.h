#pragma once

#include <map>
#include <string>
#include <vector>

#include "interfaces/MediaVoice.h"

namespace korvale::test {

// A scripted player voice: clips "exist" when registered with a duration; the test moves
// the position by hand. Records the calls it receives.
class FakeMediaVoice : public MediaVoice {
public:
    // Registers a clip path with its duration in seconds (0: opens but cannot be decoded).
    void AddClip(const std::string& path, double durationSeconds);

    bool open(const std::string& path) override;
    void close() override;
    std::string path() const override { return m_path; }
    bool isOpen() const override { return m_open; }
    double durationSeconds() const override { return m_open ? m_duration : 0.0; }
    double positionSeconds() const override { return m_open ? m_position : -1.0; }
    VoicePlayState playState() const override { return m_state; }
    void seek(double seconds) override;
    void play() override;
    void stop() override;
    void pause() override;
    void setVolume(int hundredthsOfDb) override;
    std::optional<ClipAnalysis> analysis() const override { return m_open ? m_analysis : std::nullopt; }
    void setMatchGain(int hundredthsOfDb) override { m_matchGain = hundredthsOfDb; }

    // Test controls.
    void SetPosition(double seconds) { m_position = seconds; }
    void SetPlayState(VoicePlayState state) { m_state = state; }
    int Volume() const { return m_volume; }
    void SetAnalysis(std::optional<ClipAnalysis> analysis) { m_analysis = analysis; }
    int MatchGain() const { return m_matchGain; }
    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }

private:
    void Record(const char* call, VoicePlayState state);
    std::map<std::string, double> m_clips;
    std::vector<std::string> m_calls;
    std::string m_path;
    bool m_open = false;
    double m_duration = 0.0;
    double m_position = -1.0;
    double m_start = 0.0;
    int m_volume = 0;
    int m_matchGain = 0;
    std::optional<ClipAnalysis> m_analysis;
    VoicePlayState m_state = VoicePlayState::Closed;
};

} // namespace korvale::test
