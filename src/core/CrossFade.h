#pragma once

#include "core/CoreTypes.h"

namespace korvale {

class ClipLeveling;
class CoreHost;
class DeckPlayers;
class MixEvents;
class MixStyleSettings;
class MixToggles;
class StatusLine;

// The cross-fade: MIX, the choice of direction, the fade step, the end of a cross-fade and
// the automatic start ("MIX NEXT"). UI thread.
class CrossFade {
public:
    // FadeTimer's period.
    static constexpr int kFadeTimerPeriodMs = 40;

    // Fades between `decks` as `settings` say, starting near the end of a clip where
    // `leveling` puts it; `host` runs the fade timer.
    CrossFade(DeckPlayers& decks, const MixStyleSettings& settings, const ClipLeveling& leveling,
              const MixToggles& toggles, CoreHost& host, StatusLine& status, MixEvents& events);

    MixPhase Phase() const { return m_phase; }
    MixDirection Direction() const { return m_direction; }
    int FadeInStep() const { return m_fadeInStep; }
    int FadeOutStep() const { return m_fadeOutStep; }
    // The deck a running cross-fade brings in; false when none runs.
    bool IncomingDeck(Deck& deck) const;

    // Ends a running cross-fade, or starts one into the deck that the direction choice
    // names; then the owner is told of the MIX.
    void Mix();
    MixDirection ChooseMixDirection();
    void FadeStep(MixDirection direction);
    // Stops the fade timer and starts the steps afresh; the owner runs what follows.
    void EndOfMix();
    // The tick's part while a cross-fade runs: a step, then the volumes follow the faders.
    void TickFade();
    // The tick's part otherwise: with MIX NEXT down, a deck within the last seconds of its
    // clip starts the next cross-fade.
    void TestMixNext();

private:
    DeckPlayers& m_decks;
    const MixStyleSettings& m_settings;
    const ClipLeveling& m_leveling;
    const MixToggles& m_toggles;
    CoreHost& m_host;
    StatusLine& m_status;
    MixEvents& m_events;
    MixPhase m_phase = MixPhase::Idle;
    MixDirection m_direction = MixDirection::Into1;
    bool m_directionChosen = false;
    int m_fadeInStep;
    int m_fadeOutStep;
};

} // namespace korvale
