// The decks through the core: the deck choice, loading, the unplayable rule, the faders.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Entries = std::vector<std::string>;

namespace {

constexpr char kSong[] = "/music/Song One.mp3", kOther[] = "/music/Other.mp3";
constexpr char kBad[] = "/music/Broken.mp3", kBad2[] = "/music/Worse.mp3";

struct Decks : CoreFixture {
    Decks() {
        AddClip(kSong, 200.0);
        AddClip(kOther, 100.0);
        AddClip(kBad, 1.0); // exactly 1 s still counts as unplayable
        AddClip(kBad2, 0.0);
    }
    // Puts `path` (none when empty) on `deck`, playing or not.
    void Put(Deck deck, const char* path, bool playing = false) {
        if (*path == '\0') return;
        core.Decks().LoadClipOnDeck(path, deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2, 0.0);
        if (playing) core.Decks().PlayDeck(deck);
    }
};

} // namespace

TEST(CoreDecks, ChoiceCodesAndTheTakeOverOfAStoppedDeck) {
    struct Row { const char* a; bool aPlays; const char* b; bool bPlays; DeckChoice choice; const char* aAfter; const char* bAfter; };
    const Row rows[] = {{"", false, "", false, DeckChoice::BothEmpty, "", ""},
                        {"", false, kOther, false, DeckChoice::Deck1, "", kOther},
                        {kSong, true, "", false, DeckChoice::Deck2, kSong, ""},
                        {kSong, false, kOther, false, DeckChoice::Deck1, "", kOther},
                        {kSong, true, kOther, false, DeckChoice::Deck2, kSong, ""},
                        {kSong, false, kOther, true, DeckChoice::Deck1, "", kOther},
                        {kSong, true, kOther, true, DeckChoice::BothPlaying, kSong, kOther}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.choice));
        Decks f;
        f.Put(Deck::A, row.a, row.aPlays);
        f.Put(Deck::B, row.b, row.bPlays);
        EXPECT_EQ(f.core.Decks().ChooseDeck(), row.choice);
        EXPECT_EQ(f.Holds(Deck::A), row.aAfter);
        EXPECT_EQ(f.Holds(Deck::B), row.bAfter);
        // Selecting an entry loads it where the choice says, or nowhere.
        f.Gather({kSong});
        f.Select(0);
        const bool none = row.choice == DeckChoice::BothPlaying;
        EXPECT_EQ(f.core.StatusText(), none ? "Both players are playing - clip not loaded"
                                            : "Song One - Loaded on Player " + std::to_string(row.choice == DeckChoice::Deck2 ? 2 : 1));
        EXPECT_EQ(f.core.List().Count(), 1);
    }
}

TEST(CoreDecks, LoadIsQuietStoppedAndStartsAtItsOwnStartPoint) {
    Decks f;
    f.core.Decks().SetFaderPosition(Deck::B, 1234);
    f.Gather({kOther, kSong});
    f.Select(1);
    EXPECT_EQ(f.Holds(Deck::A), kSong);
    EXPECT_EQ(f.core.Decks().FaderPosition(Deck::A), 8500);
    EXPECT_EQ(f.core.Decks().FaderLabel(Deck::A), "-85db");
    EXPECT_EQ(f.deck1.Volume(), -8500);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Stopped);
    EXPECT_EQ(f.core.Decks().FaderPosition(Deck::B), 1234);
    // A cue point as start, then a plain load on the same deck: each load sets its start.
    struct Row { const char* path; double start; const char* seek; };
    for (const Row row : {Row{kOther, 42.5, "seek 42.500000"}, Row{kSong, 0.0, "seek 0.000000"}}) {
        f.core.Decks().LoadClipOnDeck(row.path, DeckChoice::Deck2, row.start);
        const Entries& calls = f.deck2.Calls();
        EXPECT_EQ(Entries(calls.end() - 2, calls.end()), (Entries{std::string("open ") + row.path, row.seek}));
        EXPECT_EQ(f.core.Decks().Player(Deck::B).GetCurrentPosition(), row.start);
    }
}

TEST(CoreDecks, UnplayableRunsAreDroppedButNotOnAReloadFromElsewhere) {
    struct Row { Entries entries; int select; Entries left; int selected; const char* a; const char* b; };
    const Row rows[] = {{{kSong, kBad, kOther, kSong}, 1, {kSong, kOther, kSong}, 1, kBad, kOther},
                        {{kSong, kBad}, 1, {kSong}, -1, kBad, ""},
                        {{kBad, kBad2, kSong}, 0, {kSong}, 0, kSong, kBad2},
                        {{kBad}, 0, {}, -1, kBad, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entries.size());
        Decks f;
        f.core.Store().List().AppendMany(row.entries);
        f.Select(row.select);
        EXPECT_EQ(f.core.List().Entries(), row.left);
        EXPECT_EQ(f.core.List().SelectedIndex(), row.selected);
        EXPECT_EQ(f.Holds(Deck::A), row.a);
        EXPECT_EQ(f.Holds(Deck::B), row.b);
        EXPECT_EQ(f.core.StatusText(), "Broken - Loaded on Player 1"); // the clip the user loaded
    }
    Decks f; // Set Cue reloads the selected short clip: it stays in the list
    f.core.Store().List().AppendMany({kSong, kBad});
    f.core.Store().List().Select(1);
    f.core.Decks().LoadClipOnDeck(kBad, DeckChoice::Deck2, 0.5);
    EXPECT_EQ(f.core.List().Count(), 2);
    EXPECT_EQ(f.core.StatusText(), "Broken - Loaded on Player 2");
}

TEST(CoreDecks, UserFaderMovesSetLabelVolumeAndCloseNearTheBottom) {
    struct Row { int position; const char* label; bool closes; };
    for (const Row row : {Row{0, "-0 db", false}, Row{4321, "-43 db", false}, Row{8749, "-87 db", false},
                          Row{8750, "-87 db", true}, Row{9000, "-90 db", true}}) {
        SCOPED_TRACE(row.position);
        Decks f;
        f.Put(Deck::A, kSong, true);
        f.Put(Deck::B, kOther);
        f.core.Decks().FaderMovedByUser(Deck::A, row.position);
        f.core.Decks().FaderMovedByUser(Deck::B, 100);
        f.deck1.SetPosition(65.0);
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.core.Decks().Times(Deck::A).elapsed, "00:01:05:00");
        EXPECT_EQ(f.core.Decks().Times(Deck::A).time, "00:03:20:00");
        EXPECT_EQ(f.core.Decks().Times(Deck::A).remain, "00:02:15:00");
        f.core.OnVScroll();
        EXPECT_EQ(f.core.Decks().FaderLabel(Deck::A), row.label);
        EXPECT_EQ(f.deck1.Volume(), -row.position);
        EXPECT_EQ(f.deck2.Volume(), -100);
        EXPECT_EQ(f.Holds(Deck::A), row.closes ? "" : kSong);
        EXPECT_EQ(f.Holds(Deck::B), kOther);
        EXPECT_EQ(f.core.Decks().Times(Deck::A).elapsed, row.closes ? "00:00:00:00" : "00:01:05:00");
        f.core.Decks().ShowDeckClipName(Deck::A);
        EXPECT_EQ(f.core.StatusText(), row.closes ? "" : "Player 1: Song One");
    }
}
