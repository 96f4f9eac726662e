#include "core/CrossFade.h"

#include "core/ClipLeveling.h"
#include "core/CoreHost.h"
#include "core/DeckPlayers.h"
#include "core/FadeArithmetic.h"
#include "core/FaderUnits.h"
#include "core/MixEvents.h"
#include "core/MixStyleSettings.h"
#include "core/MixToggles.h"
#include "core/StatusLine.h"

namespace korvale {

namespace {

// The automatic start fires this many seconds (beyond the skipped ones) before a clip's end.
constexpr double kMixNextLeadSeconds = 1.0;
constexpr char kMixIntoDeck1Status[] = "MIX 1 -->";
constexpr char kMixIntoDeck2Status[] = "MIX 2 -->";

} // namespace

CrossFade::CrossFade(DeckPlayers& decks, const MixStyleSettings& settings,
                     const ClipLeveling& leveling, const MixToggles& toggles, CoreHost& host,
                     StatusLine& status, MixEvents& events)
    : m_decks(decks), m_settings(settings), m_leveling(leveling), m_toggles(toggles), m_host(host),
      m_status(status), m_events(events), m_fadeInStep(kFadeInStepStart),
      m_fadeOutStep(kFadeOutStepStart) {}

bool CrossFade::IncomingDeck(Deck& deck) const {
    return m_phase == MixPhase::Fading && IncomingDeckOf(m_direction, deck);
}

void CrossFade::TickFade() {
    if (!m_directionChosen) {
        m_direction = ChooseMixDirection();
        m_directionChosen = true;
    }
    FadeStep(m_direction);
    m_decks.ApplyFadersToDecks();
}

void CrossFade::TestMixNext() {
    if (!m_toggles.MixNext()) {
        return;
    }
    // The phase is not looked at between the decks: a MIX started for deck 1 can be ended
    // by deck 2's test in the same tick, which frees and reloads deck 2.
    for (const Deck deck : kDecks) {
        const CMediaPlayer& player = m_decks.Player(deck);
        const double trigger =
            m_leveling.MixNextEndSeconds(deck) - m_settings.SkipLastSeconds() - kMixNextLeadSeconds;
        if (trigger <= player.GetCurrentPosition()) {
            Mix();
        }
    }
}

void CrossFade::Mix() {
    if (m_phase == MixPhase::Fading) {
        // Ends the running cross-fade where it stands: faders stay, no deck is closed.
        EndOfMix();
        return;
    }
    ChooseMixDirection();
    Deck incoming = Deck::A;
    if (!IncomingDeckOf(m_direction, incoming)) {
        // Neither deck holds a clip (the choice has already ended the mix once).
        EndOfMix();
    } else {
        m_phase = MixPhase::Fading;
        m_host.SetTimer(TimerId::Fade, kFadeTimerPeriodMs);
        m_directionChosen = true;
        m_decks.PlayDeck(incoming);
    }
    m_events.MixPressed();
}

MixDirection CrossFade::ChooseMixDirection() {
    const bool deck1Open = m_decks.Player(Deck::A).GetOpenState() == CMediaPlayer::OpenState::Open;
    const bool deck2Open = m_decks.Player(Deck::B).GetOpenState() == CMediaPlayer::OpenState::Open;

    MixDirection direction = MixDirection::None;
    if (deck1Open && !deck2Open) {
        m_decks.SetFaderPosition(Deck::B, kFaderBottom);
        direction = MixDirection::Into1;
    } else if (!deck1Open && deck2Open) {
        m_decks.SetFaderPosition(Deck::A, kFaderBottom);
        direction = MixDirection::Into2;
    } else if (!deck1Open && !deck2Open) {
        m_decks.SetFaderPosition(Deck::B, kFaderBottom);
        m_decks.SetFaderPosition(Deck::A, kFaderBottom);
        m_direction = MixDirection::None;
        EndOfMix();
        direction = MixDirection::None;
    } else if (m_decks.Player(Deck::A).GetPlayState() == VoicePlayState::Playing) {
        direction = MixDirection::Into2From1Playing;
    } else if (m_decks.Player(Deck::B).GetPlayState() == VoicePlayState::Playing) {
        direction = MixDirection::Into1From2Playing;
    } else {
        direction = MixDirection::Into1;
    }
    m_direction = direction;
    return direction;
}

void CrossFade::FadeStep(MixDirection direction) {
    Deck incoming = Deck::A;
    if (!IncomingDeckOf(direction, incoming)) {
        return;
    }
    const Deck outgoing = OtherDeck(incoming);
    m_status.SetStatus(incoming == Deck::A ? kMixIntoDeck1Status : kMixIntoDeck2Status);

    FadeState fade;
    fade.incoming = m_decks.FaderPosition(incoming);
    fade.outgoing = m_decks.FaderPosition(outgoing);
    fade.fadeInStep = m_fadeInStep;
    fade.fadeOutStep = m_fadeOutStep;
    FadeSettings shape;
    shape.inSpeed = m_settings.InSpeed();
    shape.outSpeed = m_settings.OutSpeed();
    shape.waitForFadeIn = m_settings.WaitForFadeIn();
    shape.fadeInThreshold = m_settings.FadeInThreshold();

    const bool complete = AdvanceFade(fade, shape);

    m_decks.SetFaderPosition(incoming, fade.incoming);
    m_decks.SetFaderPosition(outgoing, fade.outgoing);
    m_fadeInStep = fade.fadeInStep;
    m_fadeOutStep = fade.fadeOutStep;

    if (complete) {
        m_decks.CloseDeck(outgoing);
        EndOfMix();
    }
}

void CrossFade::EndOfMix() {
    m_host.KillTimer(TimerId::Fade);
    m_phase = MixPhase::Idle;
    m_directionChosen = false;
    m_fadeInStep = kFadeInStepStart;
    m_fadeOutStep = kFadeOutStepStart;
    m_direction = MixDirection::None;
    m_events.MixEnded();
}

} // namespace korvale
