#include "core/ClipLeveling.h"

#include "core/ChangeNotices.h"
#include "core/DeckPlayers.h"
#include "core/LoudnessMatch.h"

namespace korvale {

ClipLeveling::ClipLeveling(DeckPlayers& decks, ChangeNotices& changes)
    : m_decks(decks), m_changes(changes) {}

void ClipLeveling::SetMatchLoudness(bool on) {
    if (m_matchLoudness != on) {
        m_matchLoudness = on;
        OptionChanged();
    }
}

void ClipLeveling::SetSkipSilentEdges(bool on) {
    if (m_skipSilentEdges != on) {
        m_skipSilentEdges = on;
        OptionChanged();
    }
}

void ClipLeveling::OptionChanged() {
    if (Measuring()) {
        for (const Deck deck : kDecks) {
            m_decks.Player(deck).Measure();
        }
    }
    m_changes.Notify(CorePart::Options);
}

void ClipLeveling::ClipOpened(Deck deck, bool fromStart) {
    DeckLevel& level = m_levels[Index(deck)];
    level.appliedGain = 0; // an open starts the voice at no match gain
    level.leadInPending = fromStart;
    if (Measuring()) {
        m_decks.Player(deck).Measure();
    }
}

void ClipLeveling::Apply() {
    for (const Deck deck : kDecks) {
        DeckLevel& level = m_levels[Index(deck)];
        CMediaPlayer& player = m_decks.Player(deck);
        const std::optional<ClipAnalysis> analysis = player.GetAnalysis();
        const std::int32_t gain = m_matchLoudness && analysis ? MatchGainHundredths(*analysis) : 0;
        if (gain != level.appliedGain) {
            player.SetMatchGain(gain);
            level.appliedGain = gain;
        }
        if (!level.leadInPending) {
            continue;
        }
        if (player.GetPlayState() == VoicePlayState::Playing ||
            player.GetOpenState() != CMediaPlayer::OpenState::Open) {
            level.leadInPending = false; // too late: it is heard from where it started
        } else if (m_skipSilentEdges && analysis) {
            player.SetStartPosition(analysis->firstAudibleSeconds);
            level.leadInPending = false;
        }
    }
}

double ClipLeveling::MixNextEndSeconds(Deck deck) const {
    const CMediaPlayer& player = m_decks.Player(deck);
    if (m_skipSilentEdges) {
        if (const std::optional<ClipAnalysis> analysis = player.GetAnalysis()) {
            return analysis->lastAudibleSeconds;
        }
    }
    return player.GetDuration();
}

} // namespace korvale
