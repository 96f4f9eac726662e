#include "core/DeckPlayers.h"

#include "core/ChangeNotices.h"
#include "core/ClipDisplayName.h"
#include "core/DeckEvents.h"
#include "core/FaderUnits.h"
#include "core/FormatText.h"
#include "core/StatusLine.h"
#include "core/TimeText.h"
#include "interfaces/MediaVoice.h"

namespace korvale {

namespace {

// A clip whose duration reads this or less right after opening cannot be played.
constexpr double kUnplayableDurationSeconds = 1.0;

constexpr char kLoadedFormat[] = "%s - Loaded on Player %d";
constexpr char kClipNameFormat[] = "Player %d: %s";
constexpr char kBothPlayingText[] = "Both players are playing - clip not loaded";

DeckTimes ResetTimes() {
    const std::string reset(kTimeTextReset);
    return DeckTimes{reset, reset, reset};
}

} // namespace

DeckPlayers::DeckPlayers(MediaVoice* deck1, MediaVoice* deck2, StatusLine& status,
                         ChangeNotices& changes, DeckEvents& events)
    : m_status(status), m_changes(changes),
      m_events(events), m_decks{DeckState(deck1), DeckState(deck2)} {
    for (DeckState& deck : m_decks) {
        deck.fader = kFaderBottom;
        deck.times = ResetTimes();
    }
}

void DeckPlayers::SetFaderPosition(Deck deck, int position) {
    DeckState& state = m_decks[Index(deck)];
    if (state.fader != position) {
        state.fader = position;
        m_changes.Notify(CorePart::Decks);
    }
}

void DeckPlayers::SetLabel(Deck deck, std::string text) {
    DeckState& state = m_decks[Index(deck)];
    if (state.label != text) {
        state.label = std::move(text);
        m_changes.Notify(CorePart::Decks);
    }
}

void DeckPlayers::SetTimes(Deck deck, DeckTimes times) {
    DeckTimes& shown = m_decks[Index(deck)].times;
    if (shown.elapsed != times.elapsed || shown.time != times.time ||
        shown.remain != times.remain) {
        shown = std::move(times);
        m_changes.Notify(CorePart::Decks);
    }
}

// Opens the clip without starting it: the fader to the load position, the volume to match,
// auto-start off, the file, the start point.
std::optional<Deck> DeckPlayers::OpenClipOnDeck(const std::string& path, DeckChoice choice,
                                                double startSeconds, LoadOrigin origin) {
    Deck deck = Deck::A;
    if (!DeckOfChoice(choice, deck)) {
        m_status.SetStatus(kBothPlayingText);
        return std::nullopt;
    }
    SetFaderPosition(deck, kFaderLoadPosition);
    SetLabel(deck, FaderLoadLabelText());
    CMediaPlayer& player = Player(deck);
    player.SetVolume(-kFaderLoadPosition);
    player.SetAutoStart(false);
    player.SetFileName(path);
    player.SetStartPosition(startSeconds);
    m_decks[Index(deck)].load = ++m_loads;
    m_events.ClipOpened(deck, startSeconds == 0.0 && origin == LoadOrigin::PlayListSelection);
    m_changes.Notify(CorePart::OnAir);
    return deck;
}

bool DeckPlayers::IsUnplayable(Deck deck) const {
    return Player(deck).GetDuration() <= kUnplayableDurationSeconds;
}

void DeckPlayers::ShowLoaded(const std::string& path, Deck deck) {
    m_status.SetStatus(FormatText(kLoadedFormat, ClipDisplayName(path).c_str(), DeckNumber(deck)));
}

DeckChoice DeckPlayers::ChooseDeck() {
    const bool deck1Loaded = IsLoaded(Deck::A);
    const bool deck2Loaded = IsLoaded(Deck::B);
    if (!deck1Loaded && !deck2Loaded) {
        return DeckChoice::BothEmpty;
    }
    if (!deck1Loaded) {
        return DeckChoice::Deck1;
    }
    if (!deck2Loaded) {
        return DeckChoice::Deck2;
    }
    // Both hold a clip: a deck that is not playing is taken over, deck 1 first. Its displays
    // are left for the next refresh to reset.
    for (const Deck deck : kDecks) {
        CMediaPlayer& player = Player(deck);
        if (player.GetPlayState() != VoicePlayState::Playing) {
            player.Stop();
            player.SetFileName(std::string());
            m_changes.Notify(CorePart::OnAir);
            return deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2;
        }
    }
    return DeckChoice::BothPlaying;
}

void DeckPlayers::LoadClipOnDeck(const std::string& path, DeckChoice choice, double startSeconds,
                                 LoadOrigin origin) {
    const std::optional<Deck> deck = OpenClipOnDeck(path, choice, startSeconds, origin);
    if (!deck) {
        return;
    }
    // An unplayable clip loaded from elsewhere (the cue player's Set Cue) stays on its deck:
    // the selected entry may be another, good clip.
    if (IsUnplayable(*deck) && origin == LoadOrigin::PlayListSelection) {
        m_events.SelectedClipUnplayable(path);
    }
    // Shown last, so after a run of removals it names the clip this call loaded.
    ShowLoaded(path, *deck);
}

void DeckPlayers::PlayDeck(Deck deck) {
    Player(deck).Play();
    m_lastStarted = deck;
    m_changes.Notify(CorePart::OnAir);
}

void DeckPlayers::StopDeck(Deck deck) {
    Player(deck).Stop();
    m_changes.Notify(CorePart::OnAir);
}

void DeckPlayers::CloseDeck(Deck deck) {
    CMediaPlayer& player = Player(deck);
    player.SetFileName(std::string());
    player.Stop();
    ResetTimeDisplays(deck);
    m_changes.Notify(CorePart::OnAir);
}

void DeckPlayers::ResetTimeDisplays(Deck deck) {
    DeckState& state = m_decks[Index(deck)];
    state.shownFrames.reset();
    SetTimes(deck, ResetTimes());
}

void DeckPlayers::RefreshDeckDisplays() {
    for (const Deck deck : kDecks) {
        DeckState& state = m_decks[Index(deck)];
        const double position = state.player.GetCurrentPosition();
        if (position == kNoClipPosition) {
            if (state.shownFrames) {
                ResetTimeDisplays(deck);
            }
            continue;
        }
        const double duration = state.player.GetDuration();
        const std::array<std::int32_t, 3> frames{TimeTextFrames(position), TimeTextFrames(duration),
                                                 TimeTextFrames(duration - position)};
        if (state.shownFrames == frames) {
            continue; // the texts it would set are the ones shown
        }
        SetTimes(deck, DeckTimes{FormatTimeText(position), FormatTimeText(duration),
                                 FormatTimeText(duration - position)});
        state.shownFrames = frames;
    }
}

void DeckPlayers::ShowDeckClipName(Deck deck) {
    const CMediaPlayer& player = Player(deck);
    if (player.GetPlayState() == VoicePlayState::Closed) {
        m_status.SetStatus(std::string());
        return;
    }
    m_status.SetStatus(FormatText(kClipNameFormat, DeckNumber(deck),
                                  ClipDisplayName(player.GetFileName()).c_str()));
}

void DeckPlayers::ApplyDeckFaders() {
    ApplyFadersToDecks();
    for (const Deck deck : kDecks) {
        if (FaderPosition(deck) >= kFaderCloseThreshold) {
            CloseDeck(deck);
        }
    }
}

void DeckPlayers::ApplyFadersToDecks() {
    for (const Deck deck : kDecks) {
        const int position = FaderPosition(deck);
        Player(deck).SetVolume(-position);
        SetLabel(deck, FaderLabelText(position));
    }
}

} // namespace korvale
