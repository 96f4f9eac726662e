#include "core/OnAirAnnouncer.h"

#include "core/MediaControls.h"

namespace korvale {

OnAirAnnouncer::OnAirAnnouncer(MixBroadcast* broadcast, MixRecording* recording)
    : m_broadcast(broadcast), m_recording(recording) {}

void OnAirAnnouncer::Check(const MediaState& state) {
    if (state.status != PlaybackStatus::Playing || !state.deck) {
        return;
    }
    if (state.deck == m_deck && state.load == m_load) {
        return;
    }
    m_deck = state.deck;
    m_load = state.load;
    m_current = OnAirClip{state.path, state.title};
    if (m_broadcast != nullptr) {
        m_broadcast->announce(*m_current);
    }
    if (m_recording != nullptr) {
        m_recording->announce(*m_current);
    }
}

} // namespace korvale
