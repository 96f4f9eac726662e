// The desktop media controls' view of the core: which clip is on air, its status and
// metadata, what Next offers, and the file URIs they speak.
#include <gtest/gtest.h>

#include <functional>

#include "core/FileUri.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

using namespace korvale;
using Status = PlaybackStatus;

TEST(CoreMediaControls, OnAirClipFollowsTheDecks) {
    korvale::testing::CoreFixture f;
    f.Gather({"/music/a b#\xC3\xBC.mp3", "/music/b.wav"});
    MediaControls& media = f.core.Media();
    const auto fadeToEnd = [&] {
        for (int i = 0; i < 1000 && f.core.Fade().Phase() == MixPhase::Fading; ++i)
            f.core.OnTimer(TimerId::Fade);
    };
    const std::optional<Deck> none, a = Deck::A, b = Deck::B;
    struct Step {
        const char* what;
        std::function<void()> act;
        Status status;
        std::optional<Deck> deck;
        const char* title;
        std::uint64_t load;
        bool canGoNext;
    };
    const Step steps[] = {
        {"nothing loaded", [] {}, Status::Stopped, none, "", 0, false},
        {"clip 1 loaded on A", [&] { f.Select(0); }, Status::Paused, a, "a b#\xC3\xBC", 1, true},
        {"Next fades A in", [&] { media.Next(); }, Status::Playing, a, "a b#\xC3\xBC", 1, true},
        {"the fade ends", fadeToEnd, Status::Playing, a, "a b#\xC3\xBC", 1, false},
        {"clip 2 loaded on B", [&] { f.Select(1); }, Status::Playing, a, "a b#\xC3\xBC", 1, true},
        {"Pause stops A", [&] { media.Pause(); }, Status::Paused, a, "a b#\xC3\xBC", 1, true},
        {"PlayPause starts A", [&] { media.PlayPause(); }, Status::Playing, a, "a b#\xC3\xBC", 1,
         true},
        {"Next: B comes in", [&] { media.Next(); }, Status::Playing, b, "b", 2, true},
        {"the fade ends", fadeToEnd, Status::Playing, b, "b", 2, false},
        {"Stop halts B", [&] { media.Stop(); }, Status::Paused, b, "b", 2, true},
        {"clip 1 on A: B was heard last", [&] { f.Select(0); }, Status::Paused, b, "b", 2, true},
        {"PlayPause starts B", [&] { media.PlayPause(); }, Status::Playing, b, "b", 2, true},
        {"A plays at its load fader: B is louder", [&] { f.core.Decks().PlayDeck(Deck::A); },
         Status::Playing, b, "b", 2, true},
        {"B closed", [&] { f.core.Decks().CloseDeck(Deck::B); }, Status::Playing, a, "a b#\xC3\xBC",
         3, false},
        {"Play on a playing deck", [&] { media.Play(); }, Status::Playing, a, "a b#\xC3\xBC", 3,
         false},
    };
    for (const Step& step : steps) {
        step.act();
        const MediaState s = media.State();
        EXPECT_EQ(std::tuple(s.status, s.deck, s.title, s.load, s.canGoNext),
                  std::tuple(step.status, step.deck, step.title, step.load, step.canGoNext))
            << step.what;
    }
    f.deck1.SetPosition(12.5);
    const MediaState s = media.State();
    EXPECT_EQ(std::tuple(s.trackId, s.url, s.lengthMicroseconds, media.PositionMicroseconds()),
              std::tuple("/org/korvale/PlayerA/Load3", "file:///music/a%20b%23%C3%BC.mp3",
                         100'000'000, 12'500'000));
}

TEST(CoreMediaControls, OnlyLocalFileUrisNameAPath) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"file:///a%20b/%C3%BC.mp3", "/a b/\xC3\xBC.mp3"},
        {"FILE://LocalHost/x", "/x"},
        {"file:/x%2fy", "/x/y"},
        {"file:///a%41", "/aA"},
        {"http://host/x.mp3", std::nullopt},
        {"file://host/x.mp3", std::nullopt},
        {"file:x.mp3", std::nullopt},
        {"file://", std::nullopt},
        {"file:///a%2", std::nullopt},
        {"file:///a%zz", std::nullopt},
        {"file:///a%00b", std::nullopt},
        {"file:///a?b", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [uri, path] : cases) {
        SCOPED_TRACE(uri);
        EXPECT_EQ(PathOfFileUri(uri), path);
    }
    korvale::testing::CoreFixture f; // only a regular file is opened, and joins the play list
    korvale::testing::TempDir dir;
    const std::string clip = dir.file("c.mp3");
    ASSERT_TRUE(korvale::testing::WriteBytes(clip, "x"));
    f.AddClip(clip, 10.0);
    using O = OpenUriOutcome;
    const std::pair<std::string, O> opens[] = {
        {"file://" + dir.path(), O::NotAFile},
        {"file://" + clip, O::Added},
        {"file://" + dir.file("gone.mp3"), O::NotAFile},
        {"http://h/c.mp3", O::NotAFileUri},
        {"file:///" + std::string(300, 'x'), O::PathTooLong}};
    for (const auto& [uri, outcome] : opens) {
        SCOPED_TRACE(uri);
        EXPECT_EQ(f.core.Media().OpenUri(uri), outcome);
    }
    EXPECT_EQ(std::tuple(f.core.List().Entries(), f.Holds(Deck::A)),
              std::tuple(std::vector<std::string>{clip}, clip));
    f.core.Media().OpenUri("file://" + clip); // with an entry selected: added and told, not loaded
    EXPECT_EQ(std::tuple(f.core.List().Count(), f.core.StatusText()),
              std::tuple(2, "1 new audio file(s) loaded - Total 2. "));
}
