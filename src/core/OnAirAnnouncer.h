#pragma once

#include <cstdint>
#include <optional>

#include "core/CoreTypes.h"
#include "interfaces/MixOutlets.h"

namespace korvale {

struct MediaState;

// Tells the stream and the recording which clip is on air. The clip on air is the one the
// desktop's media controls show; it is announced when it starts to play, once per load of a
// deck, so a cross-fade announces the incoming clip as it begins. UI thread.
class OnAirAnnouncer {
public:
    // Nothing is owned; a null outlet is left out. Both must outlive the announcer.
    OnAirAnnouncer(MixBroadcast* broadcast, MixRecording* recording);

    // Announces the clip on air in `state` when a new one plays.
    void Check(const MediaState& state);
    // The clip last announced; nullopt before any clip has played.
    const std::optional<OnAirClip>& Current() const { return m_current; }

private:
    MixBroadcast* m_broadcast;
    MixRecording* m_recording;
    std::optional<Deck> m_deck;
    std::uint64_t m_load = 0;
    std::optional<OnAirClip> m_current;
};

} // namespace korvale
