#include "core/OnAirRecording.h"

#include "core/OnAirAnnouncer.h"

namespace korvale {

OnAirRecording::OnAirRecording(MixRecording& recording, const OnAirAnnouncer& announcer)
    : m_recording(recording), m_announcer(announcer) {}

bool OnAirRecording::start(const RecordingSettings& settings, std::string* why) {
    if (!m_recording.start(settings, why)) {
        return false;
    }
    if (m_announcer.Current()) {
        m_recording.announce(*m_announcer.Current());
    }
    return true;
}

} // namespace korvale
