#pragma once

#include <array>
#include <cstdint>

#include "core/CoreTypes.h"

namespace korvale {

class ChangeNotices;
class DeckPlayers;

// The two options that use the engine's measurement of each deck's clip, both off until
// turned on: level matching (a gain before the fader that brings each clip to the same
// loudness) and silent edges (a clip loaded from the play list starts at its first audible
// point, and the automatic start counts back from its last audible point). With both off
// nothing here touches a deck, and no clip is measured. UI thread.
class ClipLeveling {
public:
    ClipLeveling(DeckPlayers& decks, ChangeNotices& changes);

    bool MatchLoudness() const { return m_matchLoudness; }
    bool SkipSilentEdges() const { return m_skipSilentEdges; }
    // Take effect on the next tick, on loaded and playing clips alike.
    void SetMatchLoudness(bool on);
    void SetSkipSilentEdges(bool on);

    // A clip was just opened on `deck`; `fromStart` when the load asked for position 0 on
    // behalf of the play list (a start point that the cue player set is kept).
    void ClipOpened(Deck deck, bool fromStart);
    // Every tick: measurements that have come in take effect. A clip that started before
    // its measurement came keeps its start; its gain then ramps in.
    void Apply();
    // Seconds of the clip on `deck` that the automatic start counts back from: its last
    // audible point with silent edges on and the measurement made, else its duration.
    double MixNextEndSeconds(Deck deck) const;

private:
    struct DeckLevel {
        std::int32_t appliedGain = 0;
        bool leadInPending = false;
    };
    static std::size_t Index(Deck deck) { return deck == Deck::A ? 0 : 1; }
    // Either option is on: the decks' clips are measured.
    bool Measuring() const { return m_matchLoudness || m_skipSilentEdges; }
    // An option was turned on or off: the loaded clips are measured if they now need it.
    void OptionChanged();

    DeckPlayers& m_decks;
    ChangeNotices& m_changes;
    bool m_matchLoudness = false;
    bool m_skipSilentEdges = false;
    std::array<DeckLevel, 2> m_levels;
};

} // namespace korvale
