#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/CMediaPlayer.h"
#include "core/CoreTypes.h"

namespace korvale {

class ChangeNotices;
class DeckEvents;
class MediaVoice;
class StatusLine;

// Where a deck load comes from: only a load of the play list's selected entry may drop that
// entry when its clip proves unplayable.
enum class LoadOrigin { PlayListSelection, Other };

// The three time displays of a deck.
struct DeckTimes {
    std::string elapsed;
    std::string time;
    std::string remain;
};

// Player A and Player B: their players, fader positions (fader units, 0 = full level,
// 9000 = the bottom), fader labels and time displays, and the deck operations.
// UI thread.
class DeckPlayers {
public:
    // `events` hears of each open and of a selected entry's clip that proves unplayable.
    DeckPlayers(MediaVoice* deck1, MediaVoice* deck2, StatusLine& status, ChangeNotices& changes,
                DeckEvents& events);

    CMediaPlayer& Player(Deck deck) { return m_decks[Index(deck)].player; }
    const CMediaPlayer& Player(Deck deck) const { return m_decks[Index(deck)].player; }
    int FaderPosition(Deck deck) const { return m_decks[Index(deck)].fader; }
    // The fader label's text once the program has written one.
    const std::optional<std::string>& FaderLabel(Deck deck) const {
        return m_decks[Index(deck)].label;
    }
    const DeckTimes& Times(Deck deck) const { return m_decks[Index(deck)].times; }
    // Whether the deck holds a clip (its player names a file).
    bool IsLoaded(Deck deck) const { return !Player(deck).GetFileName().empty(); }
    // The deck that PlayDeck started last (deck 1 before any start).
    Deck LastStarted() const { return m_lastStarted; }
    // Which load of this run put the deck's clip on it, counted from 1 over both decks; 0
    // before the deck's first load.
    std::uint64_t LoadNumber(Deck deck) const { return m_decks[Index(deck)].load; }

    // A position set by the program: the label is not written.
    void SetFaderPosition(Deck deck, int position);
    // The user moved a fader (the vertical-scroll handler follows).
    void FaderMovedByUser(Deck deck, int position) { SetFaderPosition(deck, position); }

    DeckChoice ChooseDeck();
    // Opens `path` on the deck that `choice` names, to start at `startSeconds`. When a clip
    // loaded for the play list's selection proves unplayable the owner is told first; the
    // status line then names the clip this call loaded.
    void LoadClipOnDeck(const std::string& path, DeckChoice choice, double startSeconds,
                        LoadOrigin origin = LoadOrigin::Other);
    // The first steps of LoadClipOnDeck: opens `path` on the deck that `choice` names without
    // starting it, and returns that deck. For BothPlaying nothing is opened and the status
    // line says so.
    std::optional<Deck> OpenClipOnDeck(const std::string& path, DeckChoice choice,
                                       double startSeconds, LoadOrigin origin);
    // Whether the clip just opened on `deck` cannot be played.
    bool IsUnplayable(Deck deck) const;
    // The status line names the clip loaded on `deck`.
    void ShowLoaded(const std::string& path, Deck deck);

    void PlayDeck(Deck deck);
    void StopDeck(Deck deck);
    void CloseDeck(Deck deck);
    void ResetTimeDisplays(Deck deck);
    void RefreshDeckDisplays();
    void ShowDeckClipName(Deck deck);
    // The deck part of a vertical scroll: labels, volumes, and a fader at the bottom closes
    // its deck.
    void ApplyDeckFaders();
    // After a fade step: volumes and labels from the positions.
    void ApplyFadersToDecks();

private:
    struct DeckState {
        explicit DeckState(MediaVoice* voice) : player(voice) {}
        CMediaPlayer player;
        int fader;
        std::optional<std::string> label;
        DeckTimes times;
        std::uint64_t load = 0;
        // The frames the elapsed, duration and remaining texts were last formatted from;
        // none while the displays stand reset. A tick that would show the same frames
        // formats nothing.
        std::optional<std::array<std::int32_t, 3>> shownFrames;
    };
    static std::size_t Index(Deck deck) { return deck == Deck::A ? 0 : 1; }
    void SetLabel(Deck deck, std::string text);
    void SetTimes(Deck deck, DeckTimes times);

    StatusLine& m_status;
    ChangeNotices& m_changes;
    DeckEvents& m_events;
    std::array<DeckState, 2> m_decks;
    Deck m_lastStarted = Deck::A;
    std::uint64_t m_loads = 0;
};

} // namespace korvale
