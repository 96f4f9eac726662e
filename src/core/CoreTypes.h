#pragma once

namespace korvale {

// The two decks: Player A and Player B.
enum class Deck { A = 1, B = 2 };

inline constexpr Deck kDecks[] = {Deck::A, Deck::B};

constexpr Deck OtherDeck(Deck deck) {
    return deck == Deck::A ? Deck::B : Deck::A;
}
constexpr int DeckNumber(Deck deck) {
    return static_cast<int>(deck);
}

// What ChooseDeck answers: a deck to load on, both empty (load on deck 1), or both playing
// (no load).
enum class DeckChoice { Deck1 = 1, Deck2 = 2, BothEmpty = 3, BothPlaying = 4 };

// The deck a choice loads on; none for BothPlaying.
constexpr bool DeckOfChoice(DeckChoice choice, Deck& deck) {
    switch (choice) {
    case DeckChoice::Deck1:
    case DeckChoice::BothEmpty:
        deck = Deck::A;
        return true;
    case DeckChoice::Deck2:
        deck = Deck::B;
        return true;
    case DeckChoice::BothPlaying:
        break;
    }
    return false;
}

// The three timers and their ids.
enum class TimerId { Tick = 1, Fade = 2, Cue = 3 };

// Whether a cross-fade runs.
enum class MixPhase { Idle = -1, Fading = 2 };

// Why a cross-fade goes the way it goes. Into1 and Into1From2Playing fade deck 1 in and
// deck 2 out, the other two the reverse; the codes are those the direction is known by.
enum class MixDirection {
    None = 0,               // neither deck holds a clip
    Into1 = 1,              // only deck 1 holds a clip, or neither plays
    Into1From2Playing = 12, // deck 2 plays, deck 1 does not
    Into2 = 2,              // only deck 2 holds a clip
    Into2From1Playing = 21, // deck 1 plays
};

// The deck a direction fades in; false for None.
constexpr bool IncomingDeckOf(MixDirection direction, Deck& deck) {
    switch (direction) {
    case MixDirection::Into1:
    case MixDirection::Into1From2Playing:
        deck = Deck::A;
        return true;
    case MixDirection::Into2:
    case MixDirection::Into2From1Playing:
        deck = Deck::B;
        return true;
    case MixDirection::None:
        break;
    }
    return false;
}

// Parts of the state a front end shows, for change notices.
enum class CorePart : unsigned {
    Status = 1u << 0,
    Decks = 1u << 1,        // fader positions and labels, time displays
    FadeSettings = 1u << 2, // mix style, the four sliders and labels, the wait box
    Cue = 1u << 3,
    Levels = 1u << 4,  // level sliders and labels, captions, the mic panel
    Toggles = 1u << 5, // LOAD NEXT and MIX NEXT
    OnAir = 1u << 6,   // which clip is heard and whether a deck plays
    Options = 1u << 7, // level matching and silent edges
};

} // namespace korvale
