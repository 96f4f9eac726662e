// The media controls' view of the core: the clip on air, its metadata, Next and file URIs.
#include <gtest/gtest.h>

#include <functional>

#include "core/FileUri.h"
#include "core/OnAirAnnouncer.h"
#include "core/OnAirRecording.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/FakeOutlets.h"
#include "support/TempDir.h"

using namespace korvale;
using Status = PlaybackStatus;

// The clip on air follows the decks; the stream and the recording hear of each clip as it starts.
TEST(CoreMediaControls, OnAirClipFollowsTheDecks) {
    korvale::testing::CoreFixture f;
    korvale::testing::FakeBroadcast stream;
    korvale::testing::FakeRecording recorder;
    OnAirAnnouncer announcer(&stream, &recorder);
    constexpr char kA[] = "a b#\xC3\xBC"; // the title of /music/a b#\xC3\xBC.mp3
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
        {"clip 1 loaded on A", [&] { f.Select(0); }, Status::Paused, a, kA, 1, true},
        {"Next fades A in", [&] { media.Next(); }, Status::Playing, a, kA, 1, true},
        {"the fade ends", fadeToEnd, Status::Playing, a, kA, 1, false},
        {"clip 2 loaded on B", [&] { f.Select(1); }, Status::Playing, a, kA, 1, true},
        {"Pause stops A", [&] { media.Pause(); }, Status::Paused, a, kA, 1, true},
        {"PlayPause starts A", [&] { media.PlayPause(); }, Status::Playing, a, kA, 1, true},
        {"Next: B comes in", [&] { media.Next(); }, Status::Playing, b, "b", 2, true},
        {"the fade ends", fadeToEnd, Status::Playing, b, "b", 2, false},
        {"Stop halts B", [&] { media.Stop(); }, Status::Paused, b, "b", 2, true},
        {"clip 1 on A: B was heard last", [&] { f.Select(0); }, Status::Paused, b, "b", 2, true},
        {"PlayPause starts B", [&] { media.PlayPause(); }, Status::Playing, b, "b", 2, true},
        {"A plays at its load fader: B is louder", [&] { f.core.Decks().PlayDeck(Deck::A); },
         Status::Playing, b, "b", 2, true},
        {"B closed", [&] { f.core.Decks().CloseDeck(Deck::B); }, Status::Playing, a, kA, 3, false},
        {"Play on a playing deck", [&] { media.Play(); }, Status::Playing, a, kA, 3, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        const MediaState s = media.State();
        announcer.Check(s);
        EXPECT_EQ(s.status, step.status);
        EXPECT_EQ(s.deck, step.deck);
        EXPECT_EQ(s.title, step.title);
        EXPECT_EQ(s.load, step.load);
        EXPECT_EQ(s.canGoNext, step.canGoNext);
    }
    const std::vector<std::string> announced{kA, "b", kA};
    EXPECT_EQ(stream.announced, announced);
    EXPECT_EQ(recorder.announced, announced);
    // A recording started now opens with the clip on air; a refused one is told nothing.
    OnAirRecording recording(recorder, announcer);
    std::string why;
    recorder.refusal = "no room";
    EXPECT_FALSE(recording.start(RecordingSettings{}, &why));
    EXPECT_EQ(recorder.announced.size(), announced.size());
    recorder.refusal.clear();
    EXPECT_TRUE(recording.start(RecordingSettings{}, &why));
    EXPECT_EQ(recorder.announced.back(), kA);
    EXPECT_EQ(recorder.announced.size(), announced.size() + 1);
    f.deck1.SetPosition(12.5);
    const MediaState s = media.State();
    EXPECT_EQ(s.trackId, "/org/korvale/PlayerA/Load3");
    EXPECT_EQ(s.url, "file:///music/a%20b%23%C3%BC.mp3");
    EXPECT_EQ(s.lengthMicroseconds, 100'000'000);
    EXPECT_EQ(media.PositionMicroseconds(), 12'500'000);
}

TEST(CoreMediaControls, OnlyLocalFileUrisNameAPath) {
    struct UriRow {
        const char* uri;
        std::optional<std::string> path; // none: not a local file's URI
    };
    const UriRow rows[] = {
        {"file:///a%20b/%C3%BC.mp3", "/a b/\xC3\xBC.mp3"},
        {"FILE://LocalHost/x", "/x"},
        {"file:/x%2fy", "/x/y"},
        {"file:///a%41%30%39%aF", "/aA09\xAF"},
        {"http://host/x.mp3", std::nullopt},
        {"file://xocalhost/x.mp3", std::nullopt}, // a host one letter from localhost
        {"file:x.mp3", std::nullopt},
        {"file://", std::nullopt},
        {"file:///a%2", std::nullopt},
        {"file:///a%zz", std::nullopt},
        {"file:///a%00b", std::nullopt},
        {"file:///a?b", std::nullopt},
        {"", std::nullopt},
    };
    for (const UriRow& row : rows) {
        SCOPED_TRACE(row.uri);
        EXPECT_EQ(PathOfFileUri(row.uri), row.path);
    }
    korvale::testing::CoreFixture f; // only a regular file is opened, and joins the play list
    korvale::testing::TempDir dir;
    const std::string clip = dir.file("c.mp3");
    ASSERT_TRUE(korvale::testing::WriteBytes(clip, "x"));
    f.AddClip(clip, 10.0);
    using Outcome = OpenUriOutcome;
    struct OpenRow {
        std::string uri;
        Outcome outcome;
    };
    const OpenRow opens[] = {{"file://" + dir.path(), Outcome::NotAFile},
                             {"file://" + clip, Outcome::Added},
                             {"file://" + dir.file("gone.mp3"), Outcome::NotAFile},
                             {"http://h/c.mp3", Outcome::NotAFileUri},
                             {"file:///" + std::string(300, 'x'), Outcome::PathTooLong}};
    for (const OpenRow& row : opens) {
        SCOPED_TRACE(row.uri);
        EXPECT_EQ(f.core.Media().OpenUri(row.uri), row.outcome);
    }
    EXPECT_EQ(f.core.List().Entries(), std::vector<std::string>{clip});
    EXPECT_EQ(f.Holds(Deck::A), clip);
    f.core.Media().OpenUri("file://" + clip); // with an entry selected: added and told, not loaded
    EXPECT_EQ(f.core.List().Count(), 2);
    EXPECT_EQ(f.core.StatusText(), "1 new audio file(s) loaded - Total 2. ");
}
