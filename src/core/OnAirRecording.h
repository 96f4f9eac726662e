#pragma once

#include "interfaces/MixOutlets.h"

namespace korvale {

class OnAirAnnouncer;

// The recording as the settings window starts it: a recording that starts while a clip is
// on air opens its cue sheet with that clip, at the recording's start. Everything else goes
// to the recording as it is. UI thread, as MixRecording.
class OnAirRecording final : public MixRecording {
public:
    // Neither is owned; both must outlive this.
    OnAirRecording(MixRecording& recording, const OnAirAnnouncer& announcer);

    bool start(const RecordingSettings& settings, std::string* why) override;
    void stop() override { m_recording.stop(); }
    void announce(const OnAirClip& clip) override { m_recording.announce(clip); }
    RecordingStatus status() const override { return m_recording.status(); }
    void setChangeHandler(std::function<void()> handler) override {
        m_recording.setChangeHandler(std::move(handler));
    }

private:
    MixRecording& m_recording;
    const OnAirAnnouncer& m_announcer;
};

} // namespace korvale
