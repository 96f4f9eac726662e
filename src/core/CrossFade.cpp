#include "core/CrossFade.h"

#include <string>

#include "core/FadeArithmetic.h"
#include "core/FaderUnits.h"
#include "core/Korvale.h"

namespace korvale {

namespace {

// The automatic start fires this many seconds (beyond the skipped ones) before a clip's end.
constexpr double kMixNextLeadSeconds = 1.0;
constexpr char kMixIntoDeck1Status[] = "MIX 1 -->";
constexpr char kMixIntoDeck2Status[] = "MIX 2 -->";

} // namespace

CrossFade::CrossFade(Korvale& core)
    : m_core(core), m_fadeInStep(kFadeInStepStart), m_fadeOutStep(kFadeOutStepStart) {}

bool CrossFade::IncomingDeck(Deck& deck) const {
    return m_phase == MixPhase::Fading && IncomingDeckOf(m_direction, deck);
}

void CrossFade::TickFade() {
    if (!m_directionChosen) {
        m_direction = ChooseMixDirection();
        m_directionChosen = true;
    }
    FadeStep(m_direction);
    m_core.Decks().ApplyFadersToDecks();
}

void CrossFade::TestMixNext() {
    if (!m_core.MixNext()) {
        return;
    }
    // The phase is not looked at between the decks: a MIX started for deck 1 can be ended
    // by deck 2's test in the same tick, which frees and reloads deck 2.
    for (const Deck deck : kDecks) {
        const CMediaPlayer& player = m_core.Decks().Player(deck);
        const double trigger = m_core.Leveling().MixNextEndSeconds(deck) -
                               m_core.Settings().SkipLastSeconds() - kMixNextLeadSeconds;
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
        m_core.Host().SetTimer(TimerId::Fade, kFadeTimerPeriodMs);
        m_directionChosen = true;
        m_core.Decks().PlayDeck(incoming);
    }
    m_core.Cue().CloseCuePlayer();
}

MixDirection CrossFade::ChooseMixDirection() {
    DeckPlayers& decks = m_core.Decks();
    const bool deck1Open = decks.Player(Deck::A).GetOpenState() == CMediaPlayer::OpenState::Open;
    const bool deck2Open = decks.Player(Deck::B).GetOpenState() == CMediaPlayer::OpenState::Open;

    MixDirection direction = MixDirection::None;
    if (deck1Open && !deck2Open) {
        decks.SetFaderPosition(Deck::B, kFaderBottom);
        direction = MixDirection::Into1;
    } else if (!deck1Open && deck2Open) {
        decks.SetFaderPosition(Deck::A, kFaderBottom);
        direction = MixDirection::Into2;
    } else if (!deck1Open && !deck2Open) {
        decks.SetFaderPosition(Deck::B, kFaderBottom);
        decks.SetFaderPosition(Deck::A, kFaderBottom);
        m_direction = MixDirection::None;
        EndOfMix();
        direction = MixDirection::None;
    } else if (decks.Player(Deck::A).GetPlayState() == VoicePlayState::Playing) {
        direction = MixDirection::Into2From1Playing;
    } else if (decks.Player(Deck::B).GetPlayState() == VoicePlayState::Playing) {
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
    m_core.SetStatus(incoming == Deck::A ? kMixIntoDeck1Status : kMixIntoDeck2Status);

    DeckPlayers& decks = m_core.Decks();
    const MixStyleSettings& settings = m_core.Settings();
    FadeState fade;
    fade.incoming = decks.FaderPosition(incoming);
    fade.outgoing = decks.FaderPosition(outgoing);
    fade.fadeInStep = m_fadeInStep;
    fade.fadeOutStep = m_fadeOutStep;
    FadeSettings shape;
    shape.inSpeed = settings.InSpeed();
    shape.outSpeed = settings.OutSpeed();
    shape.waitForFadeIn = settings.WaitForFadeIn();
    shape.fadeInThreshold = settings.FadeInThreshold();

    const bool complete = AdvanceFade(fade, shape);

    decks.SetFaderPosition(incoming, fade.incoming);
    decks.SetFaderPosition(outgoing, fade.outgoing);
    m_fadeInStep = fade.fadeInStep;
    m_fadeOutStep = fade.fadeOutStep;

    if (complete) {
        decks.CloseDeck(outgoing);
        EndOfMix();
    }
}

void CrossFade::EndOfMix() {
    m_core.Host().KillTimer(TimerId::Fade);
    m_phase = MixPhase::Idle;
    m_directionChosen = false;
    m_fadeInStep = kFadeInStepStart;
    m_fadeOutStep = kFadeOutStepStart;
    m_direction = MixDirection::None;
    m_core.SetStatus(std::string());
    m_core.Settings().SyncWaitBox();
    m_core.Settings().ReadThresholdSlider();
    m_core.Notify(CorePart::OnAir);
    if (m_core.LoadNext()) {
        m_core.Shuffler().AdvancePlayList();
    }
}

} // namespace korvale
