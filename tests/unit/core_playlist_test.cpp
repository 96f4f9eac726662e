// The play list and the decks through the core: gathering, removing, clearing, files,
// shuffle, advance; the deck choice, loading, the unplayable rule and the faders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/PlayListCodec.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Entries = std::vector<std::string>;
using std::tuple;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

Entries Sorted(Entries entries) { return std::sort(entries.begin(), entries.end()), entries; }

constexpr char kSong[] = "/music/Song One.mp3", kOther[] = "/music/Other.mp3";
constexpr char kBad[] = "/music/Broken.mp3", kBad2[] = "/music/Worse.mp3";

struct Decks : CoreFixture {
    Decks() { // exactly 1 s still counts as unplayable
        AddClip(kSong, 200.0), AddClip(kOther, 100.0), AddClip(kBad, 1.0), AddClip(kBad2, 0.0);
    }
    // Puts `path` (none when empty) on `deck`, playing or not.
    void Put(Deck deck, const char* path, bool playing = false) {
        if (*path == '\0') return;
        core.Decks().LoadClipOnDeck(path, deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2, 0.0);
        if (playing) core.Decks().PlayDeck(deck);
    }
};

} // namespace

TEST(CorePlayList, GatherFollowsTheFilterAsksBeforeClearingAndCancelChangesNothing) {
    korvale::testing::TempDir dir;
    for (const char* name : {"a.mp3", "B.MP3", "c.wav", "d.flac", "e.Ogg", "f.opus"}) WriteFile(dir.file(name), "");
    WriteFile(dir.file("l.ztl"), EncodeZtl({"/x.mp3", "/y.mp3"}));
    WriteFile(dir.file("l.m3u"), EncodePlainList({"/x.mp3", "/y.mp3"}));
    const Entries mp3{dir.file("B.MP3"), dir.file("a.mp3")}, lists{"/x.mp3", "/y.mp3"},
        clips{dir.file("B.MP3"), dir.file("a.mp3"), dir.file("d.flac"), dir.file("e.Ogg"), dir.file("f.opus")};
    struct Row { const char* file; int filter; Entries found; MessageAnswer answer; };
    const Row rows[] = {{"c.wav", 1, mp3, MessageAnswer::Yes}, {"a.mp3", 2, {dir.file("c.wav")}, MessageAnswer::No},
                        {"c.wav", 5, clips, MessageAnswer::No},  {"l.ztl", 3, lists, MessageAnswer::Yes},
                        {"l.m3u", 4, lists, MessageAnswer::No}};
    for (const Row& row : rows) {
        CoreFixture f;
        f.core.Store().List().AppendMany({"/o1.mp3", "/o2.mp3", "/o3.mp3"});
        f.dialogs.answers.push_back(row.answer), f.dialogs.openChoices.push_back({dir.file(row.file), row.filter});
        f.core.Store().GatherClips();
        EXPECT_EQ(tuple(f.dialogs.messages.at(0).text, f.dialogs.messages[0].buttons),
                  tuple("Clear 3 clips and empty the Play List?", MessageButtons::YesNo));
        const bool kept = row.answer == MessageAnswer::No;
        const Entries all = f.core.List().Entries();
        EXPECT_EQ(Sorted(Entries(all.begin() + (kept ? 3 : 0), all.end())), row.found);
        const int n = static_cast<int>(row.found.size()), total = n + (kept ? 3 : 0);
        EXPECT_EQ(f.core.StatusText(), row.filter == 3 || row.filter == 4
            ? "New Clips Loaded: " + std::to_string(n) + ", Total: " + std::to_string(total)
            : std::to_string(n) + " new audio file(s) loaded - Total " + std::to_string(total) + ". ");
        std::string shownWhileOpen;
        f.dialogs.whileOpen = [&] { shownWhileOpen = f.core.StatusText(); };
        f.core.Store().GatherClips(); // cancelled: no question, nothing gathered, no status
        EXPECT_EQ(tuple(f.dialogs.messages.size(), f.core.List().Count(), f.core.StatusText()),
                  tuple(1u, total, ""));
        // The dialog opened on the file chosen last, over the searching text.
        EXPECT_EQ(tuple(f.dialogs.openRequests.back().initialFile, shownWhileOpen),
                  tuple(dir.file(row.file), "Searching for valid audio files..."));
    }
}

TEST(CorePlayList, GatherCountsRefusedLongPathsAndReportsListingErrors) {
    korvale::testing::TempDir dir;
    const std::string folder = dir.file(std::string(220 - dir.path().size(), 'd'));
    std::filesystem::create_directory(folder);
    WriteFile(folder + "/a.mp3", "");
    WriteFile(folder + "/" + std::string(60, 'n') + ".mp3", "");
    CoreFixture f;
    f.dialogs.openChoices.push_back({folder + "/a.mp3", 1});
    f.core.Store().GatherClips();
    EXPECT_EQ(tuple(f.core.List().Entries(), f.core.StatusText()),
              tuple(Entries{folder + "/a.mp3"}, "1 new audio file(s) loaded - Total 1. 1 skipped: path longer than 255 characters. "));
    f.dialogs.openChoices.push_back({dir.file("gone/a.mp3"), 1});
    f.dialogs.answers.push_back(MessageAnswer::No); f.core.Store().GatherClips();
    EXPECT_EQ(tuple(f.core.StatusText().rfind("Folder listing failed: No such file", 0), f.core.List().Count()), tuple(0u, 1));
}

TEST(CorePlayList, RemoveLoadsTheEntryThatTookItsPlaceAndClearReleasesToggles) {
    struct Row { Entries entries; int selected; Entries left; int after; const char* status; const char* deck1; };
    const Row rows[] = {{{"/a.mp3", "/b.mp3", "/c.mp3"}, 1, {"/a.mp3", "/c.mp3"}, 1, "c - Loaded on Player 1", "/c.mp3"},
                        {{"/a.mp3", "/b.mp3"}, 1, {"/a.mp3"}, -1, "Ready", ""},
                        {{"/a.mp3", "/b.mp3"}, -1, {"/a.mp3", "/b.mp3"}, -1, "", ""},
                        {{"/a.mp3"}, 0, {}, -1, "Play List is empty", ""}};
    for (const Row& row : rows) {
        CoreFixture f;
        f.Gather(row.entries); f.core.Store().List().Select(row.selected);
        f.core.Store().RemoveSelectedClip();
        EXPECT_EQ(f.core.List().Entries(), row.left);
        EXPECT_EQ(tuple(f.core.List().SelectedIndex(), f.core.StatusText(), f.Holds(Deck::A)),
                  tuple(row.after, row.status, row.deck1));
        f.core.SetLoadNext(true), f.core.SetMixNext(true); f.core.Store().ClearPlayList();
        EXPECT_EQ(tuple(f.core.List().Count(), f.core.List().SelectedIndex(), f.core.LoadNext(),
                             f.core.MixNext(), f.core.StatusText()), tuple(0, -1, false, false, "Ready"));
    }
}

TEST(CorePlayList, SavedFilesReadBackAppendingAndRefusedEntriesSaveNothing) {
    korvale::testing::TempDir dir;
    struct Row { int filter; const char* bad; const char* reason; };
    const Row rows[] = {{1, "/say \"hi\".mp3", "Entry 2 holds a double quote"},
                        {2, "/two\nlines.mp3", "Entry 2 holds a line break, "},
                        {3, "/two\rlines.mp3", "Entry 2 holds a line break, "}};
    for (const Row& row : rows) {
        CoreFixture f;
        const std::string path = dir.file("saved" + std::to_string(row.filter));
        auto read = [&] { return row.filter == 1 ? f.core.Files().ReadZtlFile(path) : f.core.Files().ReadM3uFile(path); };
        f.Gather({"/a b.mp3", "/c.mp3"});
        f.dialogs.saveChoices.push_back({path, row.filter});
        f.core.Files().SavePlayList();
        EXPECT_EQ(f.core.StatusText(), "Play List Saved");
        EXPECT_EQ(tuple(read(), f.core.List().Entries(), f.core.StatusText()),
                  tuple(PlayListFiles::kRead, Entries{"/a b.mp3", "/c.mp3", "/a b.mp3", "/c.mp3"}, "New Clips Loaded: 2, Total: 4"));
        // An entry the format cannot hold: told, and the earlier file stays as it was.
        f.core.Store().List().ReplaceAll({"/a.mp3", row.bad});
        EXPECT_EQ(f.core.Files().WritePlayListFile(path, row.filter), PlayListFiles::kNotWritten);
        EXPECT_EQ(f.dialogs.messages.at(0).caption + ": " + f.dialogs.messages[0].text.substr(0, 28),
                  std::string("KORVALE couldn't save the play list: ") + row.reason);
        f.core.Store().List().Clear();
        EXPECT_EQ(tuple(read(), f.core.List().Entries()), tuple(PlayListFiles::kRead, Entries{"/a b.mp3", "/c.mp3"}));
    }
    CoreFixture f; // a cut-off play list: its unclosed last entry is skipped and counted
    WriteFile(dir.file("cut.ztl"), EncodeZtl({"/ok.mp3"}) + "\"/cut.mp3");
    EXPECT_EQ(tuple(f.core.Files().ReadZtlFile(dir.file("cut.ztl")), f.core.List().Entries(), f.core.StatusText()),
              tuple(0, Entries{"/ok.mp3"}, "New Clips Loaded: 1, Total: 1. Last entry skipped: no closing quote"));
}

TEST(CorePlayList, ShuffleReleasesTogglesSelectsNothingAndTells) {
    for (const Entries& entries : {Entries{}, Entries{"/0.mp3", "/1.mp3", "/2.mp3"}}) {
        CoreFixture f;
        f.Gather(entries);
        f.core.Store().List().Select(static_cast<int>(entries.size()) - 1);
        f.core.SetLoadNext(true), f.core.SetMixNext(true); f.core.Shuffler().ShufflePlayList();
        EXPECT_EQ(Sorted(f.core.List().Entries()), entries);
        EXPECT_EQ(tuple(f.core.List().SelectedIndex(), f.core.LoadNext(), f.core.MixNext(),
                             f.core.StatusText(), f.host.busy), tuple(-1, false, false, "Ready", 0));
        EXPECT_EQ(f.dialogs.messages.size(), entries.empty() ? 0u : 1u);
        if (!entries.empty()) EXPECT_EQ(f.dialogs.messages.at(0).caption + ": " + f.dialogs.messages[0].text,
                                        "Shuffled OK: Load Next & Mix Next are ubchecked\n"
                                        "Please select the next theme\n[ 3 themes suffled ]");
    }
}

TEST(CorePlayList, AdvanceSelectsTheNextEntryWrappingAndLoadsIt) {
    struct Row { int count; int selected; int next; };
    for (const Row row : {Row{3, 0, 1}, Row{3, 1, 2}, Row{3, 2, 0}, Row{1, 0, 0}, Row{3, -1, -1}}) {
        CoreFixture f;
        f.Gather(row.count == 1 ? Entries{"/0.mp3"} : Entries{"/0.mp3", "/1.mp3", "/2.mp3"});
        f.core.Store().List().Select(row.selected); f.core.Shuffler().AdvancePlayList();
        EXPECT_EQ(tuple(f.core.List().SelectedIndex(), f.Holds(Deck::A)),
                  tuple(row.next, row.next < 0 ? "" : "/" + std::to_string(row.next) + ".mp3"));
    }
}


TEST(CoreDecks, ChoiceCodesAndTheTakeOverOfAStoppedDeck) {
    struct Row { const char* a; bool aPlays; const char* b; bool bPlays; DeckChoice choice; const char* aAfter; const char* bAfter; };
    const Row rows[] = {
        {"", false, "", false, DeckChoice::BothEmpty, "", ""}, {"", false, kOther, false, DeckChoice::Deck1, "", kOther},
        {kSong, true, "", false, DeckChoice::Deck2, kSong, ""}, {kSong, false, kOther, false, DeckChoice::Deck1, "", kOther},
        {kSong, true, kOther, false, DeckChoice::Deck2, kSong, ""}, {kSong, false, kOther, true, DeckChoice::Deck1, "", kOther},
        {kSong, true, kOther, true, DeckChoice::BothPlaying, kSong, kOther}};
    for (const Row& row : rows) {
        Decks f;
        f.Put(Deck::A, row.a, row.aPlays); f.Put(Deck::B, row.b, row.bPlays);
        const DeckChoice choice = f.core.Decks().ChooseDeck();
        EXPECT_EQ(tuple(choice, f.Holds(Deck::A), f.Holds(Deck::B)),
                  tuple(row.choice, row.aAfter, row.bAfter));
        f.core.Store().List().Append(kSong), f.Select(0); // nothing loads while both play
        if (row.choice == DeckChoice::BothPlaying)
            EXPECT_EQ(f.core.StatusText(), "Both players are playing - clip not loaded");
    }
}

TEST(CoreDecks, LoadIsQuietStoppedAndStartsAtItsOwnStartPoint) {
    Decks f;
    f.core.Decks().SetFaderPosition(Deck::B, 1234);
    f.Gather({kOther, kSong}), f.Select(1);
    EXPECT_EQ(tuple(f.Holds(Deck::A), f.core.Decks().FaderPosition(Deck::A), f.core.Decks().FaderLabel(Deck::A),
                    f.deck1.Volume(), f.deck1.playState(), f.core.Decks().FaderPosition(Deck::B)),
              tuple(kSong, 8500, "-85db", -8500, VoicePlayState::Stopped, 1234));
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
        Decks f;
        f.core.Store().List().AppendMany(row.entries), f.Select(row.select);
        EXPECT_EQ(tuple(f.core.List().Entries(), f.core.List().SelectedIndex(), f.Holds(Deck::A), f.Holds(Deck::B),
                        f.core.StatusText()), // names the clip the user loaded
                  tuple(row.left, row.selected, row.a, row.b, "Broken - Loaded on Player 1"));
    }
    Decks f; // Set Cue reloads the selected short clip: it stays in the list
    f.core.Store().List().AppendMany({kSong, kBad}), f.core.Store().List().Select(1);
    f.core.Decks().LoadClipOnDeck(kBad, DeckChoice::Deck2, 0.5);
    EXPECT_EQ(tuple(f.core.List().Count(), f.core.StatusText()), tuple(2, "Broken - Loaded on Player 2"));
}

TEST(CoreDecks, UserFaderMovesSetLabelVolumeAndCloseNearTheBottom) {
    struct Row { int position; const char* label; bool closes; };
    for (const Row row : {Row{0, "-0 db", false}, Row{4321, "-43 db", false}, Row{8749, "-87 db", false},
                          Row{8750, "-87 db", true}, Row{9000, "-90 db", true}}) {
        Decks f;
        f.Put(Deck::A, kSong, true), f.Put(Deck::B, kOther);
        f.core.Decks().FaderMovedByUser(Deck::A, row.position), f.core.Decks().FaderMovedByUser(Deck::B, 100);
        f.deck1.SetPosition(65.0); f.core.OnTimer(TimerId::Tick);
        const DeckTimes& times = f.core.Decks().Times(Deck::A);
        EXPECT_EQ(tuple(times.elapsed, times.time, times.remain), tuple("00:01:05:00", "00:03:20:00", "00:02:15:00"));
        f.core.OnVScroll();
        EXPECT_EQ(tuple(f.core.Decks().FaderLabel(Deck::A), f.deck1.Volume(), f.deck2.Volume(), f.Holds(Deck::A),
                        f.Holds(Deck::B), times.elapsed),
                  tuple(row.label, -row.position, -100, row.closes ? "" : kSong, kOther,
                        row.closes ? "00:00:00:00" : "00:01:05:00"));
        f.core.Decks().ShowDeckClipName(Deck::A);
        EXPECT_EQ(f.core.StatusText(), row.closes ? "" : "Player 1: Song One");
    }
}
