// The cross-fade through the core: direction, fade steps, the end of a mix, MIX NEXT.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;

namespace {

struct Mixing : CoreFixture {
    // "a" on deck 1 at full level and playing, "b" on deck 2 at the load position.
    Mixing() {
        Gather({"/a.mp3", "/b.mp3", "/c.mp3"});
        Select(0);
        Select(1);
        core.Decks().FaderMovedByUser(Deck::A, 0);
        core.OnVScroll();
        core.Decks().PlayDeck(Deck::A);
    }
    bool Fading() const { return core.Fade().Phase() == MixPhase::Fading; }
    // Fade steps until the cross-fade ends (at most `limit`); returns how many ran.
    int Steps(int limit = 1000) {
        int steps = 0;
        for (; Fading() && steps < limit; ++steps) core.OnTimer(TimerId::Fade);
        return steps;
    }
    int Fader(Deck deck) const { return core.Decks().FaderPosition(deck); }
};

} // namespace

TEST(CoreCrossFade, DirectionFollowsOpenAndPlayStates) {
    struct Row { bool aOpen, aPlays, bOpen, bPlays; MixDirection direction; int faderA, faderB; const char* status; };
    const Row rows[] = {{false, false, false, false, MixDirection::None, 9000, 9000, ""},
                        {true, false, false, false, MixDirection::Into1, 8500, 9000, "MIX 1 -->"},
                        {false, false, true, false, MixDirection::Into2, 9000, 8500, "MIX 2 -->"},
                        {true, true, true, false, MixDirection::Into2From1Playing, 8500, 8500, "MIX 2 -->"},
                        {true, false, true, true, MixDirection::Into1From2Playing, 8500, 8500, "MIX 1 -->"},
                        {true, false, true, false, MixDirection::Into1, 8500, 8500, "MIX 1 -->"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.direction));
        Mixing f;
        f.core.StopEverything();
        for (const Deck deck : kDecks) {
            const bool open = deck == Deck::A ? row.aOpen : row.bOpen;
            if (open) f.core.Decks().LoadClipOnDeck("/a.mp3", deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2, 0.0);
            if (deck == Deck::A ? row.aPlays : row.bPlays) f.core.Decks().PlayDeck(deck);
            if (!open) f.core.Decks().SetFaderPosition(deck, 8500);
        }
        EXPECT_EQ(f.core.Fade().ChooseMixDirection(), row.direction);
        EXPECT_EQ(f.Fader(Deck::A), row.faderA);
        EXPECT_EQ(f.Fader(Deck::B), row.faderB);
        f.core.Fade().Mix();
        EXPECT_EQ(f.Fading(), row.direction != MixDirection::None);
        EXPECT_EQ(f.host.IsTimerRunning(TimerId::Fade), f.Fading());
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.core.StatusText(), row.status);
    }
}

TEST(CoreCrossFade, MixWithOnlyDeck1FadesItInAndClosesTheEmptyDeck) {
    Mixing f;
    f.core.Decks().CloseDeck(Deck::B);
    f.core.Decks().FaderMovedByUser(Deck::A, 8500);
    f.core.Decks().StopDeck(Deck::A);
    f.deck2.ClearCalls();
    f.core.Fade().Mix();
    EXPECT_EQ(f.core.Fade().Direction(), MixDirection::Into1);
    EXPECT_EQ(f.deck1.playState(), VoicePlayState::Playing);
    EXPECT_EQ(f.Steps(), 21);
    EXPECT_EQ(f.core.StatusText(), "");
    EXPECT_FALSE(f.host.IsTimerRunning(TimerId::Fade));
    EXPECT_EQ(f.deck2.Calls(), (std::vector<std::string>{"close", "stop"}));
    EXPECT_EQ(f.core.Decks().FaderLabel(Deck::A), "-0 db");
    EXPECT_EQ(f.deck1.Volume(), 0);
    EXPECT_EQ(f.deck2.Volume(), -9000);
    EXPECT_EQ(f.core.Fade().Direction(), MixDirection::None);
    EXPECT_EQ(std::make_pair(f.core.Fade().FadeInStep(), f.core.Fade().FadeOutStep()), std::make_pair(10, 1));
}

TEST(CoreCrossFade, WorkedScheduleEndsByClosingTheOutgoingDeckAndLoadNextAdvances) {
    for (const bool loadNext : {false, true}) {
        Mixing f;
        f.core.SetLoadNext(loadNext);
        f.core.Fade().Mix();
        EXPECT_EQ(f.core.Fade().Direction(), MixDirection::Into2From1Playing);
        EXPECT_EQ(f.deck2.playState(), VoicePlayState::Playing);
        f.Steps(1);
        EXPECT_EQ(f.Fader(Deck::B), 8490);
        EXPECT_EQ(f.deck2.Volume(), -8490);
        EXPECT_EQ(f.core.Decks().FaderLabel(Deck::B), "-84 db");
        f.Steps(19);
        EXPECT_EQ(f.Fader(Deck::A), 0); // waits for the incoming fader to reach -4 db
        f.Steps(1);
        EXPECT_EQ(std::make_pair(f.Fader(Deck::B), f.Fader(Deck::A)), std::make_pair(0, 1));
        EXPECT_EQ(21 + f.Steps(), 115);
        EXPECT_EQ(f.Fader(Deck::A), loadNext ? 8500 : 9000);
        EXPECT_EQ(f.core.List().SelectedIndex(), loadNext ? 2 : 1);
        EXPECT_EQ(f.Holds(Deck::A), loadNext ? "/c.mp3" : "");
        EXPECT_EQ(f.Holds(Deck::B), "/b.mp3");
        EXPECT_EQ(f.core.StatusText(), loadNext ? "c - Loaded on Player 1" : "");
    }
}

TEST(CoreCrossFade, MixWhileFadingEndsItWhereItStandsAndTheWaitBoxShapesTheFade) {
    Mixing f;
    f.core.Fade().Mix();
    f.Steps(5);
    const int faderB = f.Fader(Deck::B);
    f.core.Fade().Mix();
    EXPECT_FALSE(f.Fading() || f.host.IsTimerRunning(TimerId::Fade));
    EXPECT_EQ(f.Fader(Deck::B), faderB);
    EXPECT_EQ(f.Holds(Deck::A) + f.Holds(Deck::B), "/a.mp3/b.mp3");
    EXPECT_EQ(f.core.Fade().FadeInStep(), 10);
    f.core.Settings().WaitBoxToggledByUser(false);
    f.core.Fade().Mix(); // both play: deck 2 comes in again, and deck 1 steps out at once
    f.Steps(2);
    EXPECT_EQ(f.Fader(Deck::A), 1 + 3); // steps of 1, then 1 + Out Speed 2
    EXPECT_EQ(f.deck1.Volume(), -4);
}

TEST(CoreCrossFade, MixNextStartsAtDurationLessSkipLessOneSecond) {
    struct Row { bool mixNext; int skip; double position; bool starts; };
    const Row rows[] = {{true, 4, 94.99, false}, {true, 4, 95.0, true}, {true, 0, 98.99, false},
                        {true, 0, 99.0, true}, {false, 4, 99.0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        Mixing f;
        f.core.Settings().SliderMovedByUser(FadeSlider::SkipLast, row.skip);
        f.core.OnHScroll();
        f.core.SetMixNext(row.mixNext);
        f.deck1.SetPosition(row.position);
        f.core.OnTimer(TimerId::Tick);
        EXPECT_EQ(f.Fading(), row.starts);
        EXPECT_EQ(f.deck2.playState(), row.starts ? VoicePlayState::Playing : VoicePlayState::Stopped);
    }
}
