// The mixing engine: the window's tick, MIX, the direction choice, the fade step, the end of
// a cross-fade and the wait-box sync. Everything runs on the user-interface thread.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "decks/FadeArithmetic.h"
#include "decks/FaderUnits.h"
#include "decks/MixDirection.h"
#include "ui/CKORVALEDlg.h"
#include "ui/ClickLabel.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kFadeTimerPeriodMs = 40;
constexpr int kDirectionDecided = 1;
constexpr int kDirectionUndecided = 0;
// The automatic start fires this many seconds (beyond the skipped ones) before a clip's end.
constexpr double kMixNextLeadSeconds = 1.0;
constexpr char kMixIntoDeck1Status[] = "MIX 1 -->";
constexpr char kMixIntoDeck2Status[] = "MIX 2 -->";
constexpr int kDeck1 = 1;
constexpr int kDeck2 = 2;

} // namespace

void CKORVALEDlg::OnTimer(int /*timerId: every timer runs the same tick*/) {
    RefreshDeckDisplays();

    if (m_state.g_mixPhase == kMixPhaseFading) {
        if (m_state.g_directionChosen != kDirectionDecided) {
            m_state.g_mixDirection = ChooseMixDirection();
            m_state.g_directionChosen = kDirectionDecided;
        }
        FadeStep(m_state.g_mixDirection);
        ApplyFadersToDecks();
        return;
    }

    if (MixNextCheck->isChecked()) {
        // The phase is not looked at between the decks: a MIX started for deck 1 can be
        // ended by deck 2's test in the same tick, which frees and reloads deck 2.
        for (const int deck : {kDeck1, kDeck2}) {
            CMediaPlayer& player = Player(deck);
            const double trigger =
                player.GetDuration() - m_state.g_skipLastSeconds - kMixNextLeadSeconds;
            if (trigger <= player.GetCurrentPosition()) {
                Mix();
            }
        }
    }
    if (m_state.g_cueTimer == kCueTimerId) {
        RefreshCuePosition();
    }
}

void CKORVALEDlg::Mix() {
    if (m_state.g_mixPhase == kMixPhaseFading) {
        // Ends the running cross-fade where it stands: faders stay, no deck is closed.
        EndOfMix();
        return;
    }

    ChooseMixDirection();
    const int incomingDeck = IncomingDeckOf(m_state.g_mixDirection);
    if (incomingDeck == 0) {
        // Neither deck holds a clip (the choice has already ended the mix once).
        EndOfMix();
    } else {
        m_state.g_mixPhase = kMixPhaseFading;
        SetTimer(kFadeTimerId, kFadeTimerPeriodMs);
        m_state.g_directionChosen = kDirectionDecided;
        PlayDeck(incomingDeck);
    }
    CloseCuePlayer();
}

int CKORVALEDlg::ChooseMixDirection() {
    const bool deck1Open = PlayerA.GetOpenState() == CMediaPlayer::kOpenStateOpen;
    const bool deck2Open = PlayerB.GetOpenState() == CMediaPlayer::kOpenStateOpen;

    int direction = kMixDirectionNone;
    if (deck1Open && !deck2Open) {
        FaderB->SetPositionSilently(kFaderBottom);
        direction = kMixDirectionInto1;
    } else if (!deck1Open && deck2Open) {
        FaderA->SetPositionSilently(kFaderBottom);
        direction = kMixDirectionInto2;
    } else if (!deck1Open && !deck2Open) {
        FaderB->SetPositionSilently(kFaderBottom);
        FaderA->SetPositionSilently(kFaderBottom);
        m_state.g_mixDirection = kMixDirectionNone;
        EndOfMix();
        direction = kMixDirectionNone;
    } else if (PlayerA.GetPlayState() == CMediaPlayer::kPlayStatePlaying) {
        direction = kMixDirectionInto2From1Playing;
    } else if (PlayerB.GetPlayState() == CMediaPlayer::kPlayStatePlaying) {
        direction = kMixDirectionInto1From2Playing;
    } else {
        direction = kMixDirectionInto1;
    }
    m_state.g_mixDirection = direction;
    return direction;
}

void CKORVALEDlg::FadeStep(int direction) {
    const int incomingDeck = IncomingDeckOf(direction);
    if (incomingDeck == 0) {
        return;
    }
    const int outgoingDeck = incomingDeck == kDeck1 ? kDeck2 : kDeck1;
    SetStatus(incomingDeck == kDeck1 ? kMixIntoDeck1Status : kMixIntoDeck2Status);

    FadeState fade;
    fade.incoming = Fader(incomingDeck)->Position();
    fade.outgoing = Fader(outgoingDeck)->Position();
    fade.fadeInStep = m_state.g_fadeInStep;
    fade.fadeOutStep = m_state.g_fadeOutStep;
    FadeSettings settings;
    settings.inSpeed = m_state.g_inSpeed;
    settings.outSpeed = m_state.g_outSpeed;
    settings.waitForFadeIn = m_state.g_waitForFadeIn != 0;
    settings.fadeInThreshold = m_state.g_fadeInThreshold;

    const bool complete = AdvanceFade(fade, settings);

    Fader(incomingDeck)->SetPositionSilently(fade.incoming);
    Fader(outgoingDeck)->SetPositionSilently(fade.outgoing);
    m_state.g_fadeInStep = fade.fadeInStep;
    m_state.g_fadeOutStep = fade.fadeOutStep;

    if (complete) {
        CloseDeck(outgoingDeck);
        EndOfMix();
    }
}

void CKORVALEDlg::EndOfMix() {
    KillTimer(kFadeTimerId);
    m_state.g_mixPhase = kMixPhaseIdle;
    m_state.g_directionChosen = kDirectionUndecided;
    m_state.g_fadeInStep = kFadeInStepStart;
    m_state.g_fadeOutStep = kFadeOutStepStart;
    m_state.g_mixDirection = kMixDirectionNone;
    SetStatus(std::string());
    SyncWaitBox();
    m_state.g_fadeInThreshold = FadeInThresholdSlider->Position();
    if (LoadNextCheck->isChecked()) {
        AdvancePlayList();
    }
}

int CKORVALEDlg::SyncWaitBox() {
    const bool wait = WaitFadeInCheck->isChecked();
    FadeInThresholdSlider->setEnabled(wait);
    FadeInThresholdLabel->setEnabled(wait);
    m_state.g_waitForFadeIn = wait ? 1 : 0;
    return m_state.g_waitForFadeIn;
}

void CKORVALEDlg::ApplyFadersToDecks() {
    for (const int deck : {kDeck1, kDeck2}) {
        const int position = Fader(deck)->Position();
        Player(deck).SetVolume(-position);
        SetLabelText(FaderLabel(deck), QString::fromStdString(FaderLabelText(position)));
    }
}

} // namespace korvale
