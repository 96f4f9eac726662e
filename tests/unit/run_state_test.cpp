// The kept run: its file format, the choice of copy, power cuts, the writes and the resume.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "core/Crc32.h"
#include "core/RunKeeper.h"
#include "core/RunResume.h"
#include "core/RunStateCodec.h"
#include "platform/RunStateFiles.h"
#include "platform/RunStateWriter.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"

namespace korvale::testing {
namespace {

RunState SampleRun(std::uint64_t serial, std::vector<std::string> entries) {
    RunState state;
    state.serial = serial;
    state.entries = std::make_shared<const std::vector<std::string>>(std::move(entries));
    state.selected = 1;
    state.decks[0] = DeckRun{"/m/a.mp3", true, 0, 61.25};
    state.decks[1] = DeckRun{"/m/b.mp3", false, 9000, 0.0}; // at the ends the damage rows pass
    state.loadNext = state.mixNext = true;
    state.style = MixStyleRun{7, {8, 6000, 1, 600}, false};
    state.onAir = 2;
    return state;
}

// Every value, so that a field the codec drops or mixes up shows.
void ExpectSameRun(const RunState& a, const RunState& b) {
    EXPECT_EQ(a.serial, b.serial);
    EXPECT_EQ(a.ended, b.ended);
    EXPECT_EQ(*a.entries, *b.entries);
    EXPECT_EQ(a.selected, b.selected);
    EXPECT_EQ(a.decks, b.decks);
    EXPECT_EQ(a.loadNext, b.loadNext);
    EXPECT_EQ(a.mixNext, b.mixNext);
    EXPECT_EQ(a.style, b.style);
    EXPECT_EQ(a.onAir, b.onAir);
    EXPECT_EQ(a.fadingInto, b.fadingInto);
}

std::string Encoded(const std::function<void(RunState&)>& change) {
    RunState state = SampleRun(7, {"/m/a.mp3", "/m/b.mp3"});
    change(state);
    return EncodeRunState(state);
}

struct DamageRow {
    const char* name;
    std::string bytes;
    RunStateFault fault;
};

TEST(RunStateFile, AWholeFileReadsBackAndADamagedOneGivesNothing) {
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u); // the standard check value: kept files stay valid
    const std::string whole = Encoded([](RunState&) {});
    std::string flipped = whole;
    flipped[flipped.size() - 2] ^= 0x10;
    std::string newer = whole;
    newer[12] = 2;
    const DamageRow rows[] = {
        {"whole", whole, RunStateFault::None},
        {"cut in the list", whole.substr(0, whole.size() - 3), RunStateFault::Truncated},
        {"a bit flipped", flipped, RunStateFault::Damaged},
        {"a byte more", whole + "x", RunStateFault::Damaged},
        {"a newer version", newer, RunStateFault::NewerVersion},
        {"another file", "#EXTM3U\n/m/a.mp3\n", RunStateFault::NotAState},
        {"a selection past the list", Encoded([](RunState& s) { s.selected = 2; }),
         RunStateFault::Damaged},
        {"a fader past the bottom", Encoded([](RunState& s) { s.decks[1].fader = 9001; }),
         RunStateFault::Damaged},
        {"no such deck on air", Encoded([](RunState& s) { s.onAir = 3; }), RunStateFault::Damaged},
        {"a style past the presets", Encoded([](RunState& s) { s.style.index = 8; }),
         RunStateFault::Damaged},
        {"an out speed past its slider", Encoded([](RunState& s) { s.style.sliders[3] = 601; }),
         RunStateFault::Damaged},
        {"a position before the start", Encoded([](RunState& s) { s.decks[1].position = -1; }),
         RunStateFault::Damaged},
        {"an entry longer than a path", Encoded([](RunState& s) {
             s.entries = std::make_shared<const std::vector<std::string>>(
                 std::vector<std::string>{"/m/a.mp3", std::string(300, 'x')});
         }),
         RunStateFault::Damaged},
    };
    for (const DamageRow& row : rows) {
        SCOPED_TRACE(row.name);
        const RunStateReading reading = DecodeRunState(row.bytes);
        EXPECT_EQ(reading.fault, row.fault);
        ASSERT_EQ(reading.state.has_value(), row.fault == RunStateFault::None);
        if (reading.state)
            ExpectSameRun(*reading.state, SampleRun(7, {"/m/a.mp3", "/m/b.mp3"}));
    }
}

ReadFileResult Kept(std::string bytes) {
    ReadFileResult read;
    read.bytes = std::move(bytes);
    read.error = read.bytes.empty() ? ReadFileError::Missing : ReadFileError::None;
    return read;
}

std::string Positions(std::uint64_t serial, std::uint64_t sequence, double position) {
    RunPositions record;
    record.serial = serial;
    record.sequence = sequence;
    record.positions = {position, 0.0};
    record.faders = {0, 8500};
    return EncodeRunPositions(record);
}

struct ChoiceRow {
    const char* name;
    std::string current, previous, positions;
    std::optional<std::uint64_t> serial; // of the copy taken
    std::size_t complaints;
    double deck1Position; // as taken
};

TEST(RunStateFile, AStartTakesTheNewestWholeCopyAndItsOwnPositions) {
    const std::string first = EncodeRunState(SampleRun(1, {"/m/a.mp3", "/m/b.mp3"}));
    const std::string second = EncodeRunState(SampleRun(2, {"/m/a.mp3", "/m/b.mp3"}));
    RunState endedRun = SampleRun(2, {"/m/a.mp3", "/m/b.mp3"});
    endedRun.ended = true;
    const std::string ended = EncodeRunState(endedRun);
    const std::string damaged = second.substr(0, second.size() - 1) + "!";
    const std::string torn = Positions(2, 5, 70.0).substr(0, 40);
    const ChoiceRow rows[] = {
        {"nothing kept", "", "", "", std::nullopt, 0, 0},
        {"the current copy", second, first, "", 2, 0, 61.25},
        {"a damaged current copy", damaged, first, "", 1, 1, 61.25},
        {"both damaged", damaged, damaged, "", std::nullopt, 2, 0},
        {"an ended run", ended, first, "", std::nullopt, 0, 0},
        {"positions of another copy", damaged, first, Positions(2, 3, 64.0), 1, 1, 61.25},
        {"the newer of two slots", second, "", Positions(2, 4, 66.0) + Positions(2, 3, 64.0), 2, 0,
         66.0},
        {"a torn newest slot", second, "", torn + std::string(24, '\0') + Positions(2, 3, 64.0), 2,
         0, 64.0},
    };
    for (const ChoiceRow& row : rows) {
        SCOPED_TRACE(row.name);
        KeptRunFiles files;
        files.current = Kept(row.current);
        files.previous = Kept(row.previous);
        files.positions = Kept(row.positions);
        const KeptRunChoice choice = ChooseKeptRun(files);
        EXPECT_EQ(choice.complaints.size(), row.complaints);
        ASSERT_EQ(choice.state ? std::optional(choice.state->serial) : std::nullopt, row.serial);
        if (choice.state)
            EXPECT_DOUBLE_EQ(choice.state->decks[0].position, row.deck1Position);
    }
}

TEST(RunStateFile, TheFolderFollowsTheStateHomeAndWhatCannotBeMadeOrWrittenIsTold) {
    struct Row {
        const char* name;
        const char* stateHome;
        const char* home;
        std::optional<std::string> folder;
    };
    const Row rows[] = {{"a state home", "/s", "/h", "/s/korvale"},
                        {"no state home", nullptr, "/h", "/h/.local/state/korvale"},
                        {"a relative state home", "s", "/h", "/h/.local/state/korvale"},
                        {"no absolute folder", "s", "h", std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RunStateFiles::DefaultFolder(row.stateHome, row.home), row.folder);
    }
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.file("file"), "x"));
    RunStateFiles files(dir.file("file/korvale"));
    std::string why;
    EXPECT_FALSE(files.Claim(why));
    EXPECT_EQ(why.rfind("cannot make " + dir.file("file/korvale"), 0), 0u) << why;
    // A write whose temporary file cannot be made (a folder holds its name) fails in words.
    RunStateFiles blocked(dir.file("blocked"));
    ASSERT_TRUE(blocked.Claim(why)) << why;
    std::filesystem::create_directories(dir.file("blocked/run-state.new"));
    EXPECT_FALSE(blocked.WriteState("x", OlderCopies::Keep, why));
    EXPECT_EQ(why.rfind("cannot create ", 0), 0u) << why;
    // A full disc (the files lead to /dev/full): told in words; the state kept before stays whole.
    std::filesystem::remove(dir.file("blocked/run-state.new"));
    ASSERT_TRUE(blocked.WriteState("kept", OlderCopies::Keep, why)) << why;
    for (const bool positions : {false, true}) {
        const std::string path =
            blocked.PathOf(positions ? RunStateFiles::kPositionsName : "run-state.new");
        SCOPED_TRACE(path);
        std::filesystem::create_symlink("/dev/full", path);
        EXPECT_FALSE(positions ? blocked.WritePositions("lost", 0, why)
                               : blocked.WriteState("lost", OlderCopies::Keep, why));
        EXPECT_EQ(why, "cannot write " + path + ": " + std::strerror(ENOSPC));
    }
    EXPECT_EQ(ReadBytes(blocked.PathOf(RunStateFiles::kStateName)), "kept");
}

TEST(RunStateFile, APowerCutAnywhereInAWriteLeavesTheLastWholeStateOrThePreviousOne) {
    TempDir dir;
    RunStateFiles files(dir.file("state"));
    std::string why;
    ASSERT_TRUE(files.Claim(why)) << why;
    std::vector<std::string> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back("/music/clip " + std::to_string(i) + ".mp3");
    const RunState before = SampleRun(1, entries);
    entries.push_back("/music/appended.mp3");
    const RunState after = SampleRun(2, entries);
    ASSERT_TRUE(files.WriteState(EncodeRunState(before), OlderCopies::Keep, why)) << why;
    const std::string bytes = EncodeRunState(after);
    ASSERT_TRUE(files.WriteState(bytes, OlderCopies::Keep, why)) << why;
    const std::string current = files.PathOf(RunStateFiles::kStateName);
    for (std::size_t cut = 0; cut <= bytes.size(); cut += cut < 40 ? 1 : 211) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        std::filesystem::resize_file(current, cut);
        const KeptRunChoice choice = ChooseKeptRun(files.Read());
        ASSERT_TRUE(choice.state.has_value());
        ExpectSameRun(*choice.state, cut == bytes.size() ? after : before);
        ASSERT_TRUE(files.WriteState(EncodeRunState(before), OlderCopies::Keep, why));
        ASSERT_TRUE(files.WriteState(bytes, OlderCopies::Keep, why));
    }
    // Cut between the two renames: no current copy, the previous one is whole.
    std::filesystem::rename(current, files.PathOf(RunStateFiles::kPreviousName));
    ExpectSameRun(*ChooseKeptRun(files.Read()).state, after);
    // The user's exit leaves nothing to resume.
    RunState ended = after;
    ended.ended = true;
    ASSERT_TRUE(files.WriteState(EncodeRunState(ended), OlderCopies::Drop, why));
    EXPECT_FALSE(ChooseKeptRun(files.Read()).state.has_value());
    EXPECT_FALSE(std::filesystem::exists(files.PathOf(RunStateFiles::kPreviousName)));
    RunStateFiles second(dir.file("state"));
    EXPECT_FALSE(second.Claim(why)) << "a second copy kept its run in the same folder";
}

TEST(RunStateWriter, WritesTheNewestOfWhatWasHandedOverWithItsPositions) {
    TempDir dir;
    RunStateFiles files(dir.file("state"));
    std::string why;
    ASSERT_TRUE(files.Claim(why)) << why;
    RunStateWriter writer(files);
    for (std::uint64_t serial = 1; serial <= 50; ++serial) {
        const RunState state = SampleRun(serial, {"/m/a.mp3", "/m/b.mp3"});
        writer.KeepState([state] { return EncodeRunState(state); }, OlderCopies::Keep);
        writer.KeepPositions(Positions(serial, serial, 70.0), RunPositionsOffset(serial));
    }
    const KeptRunChoice choice = ChooseKeptRun(writer.ReadKept());
    ASSERT_TRUE(choice.state.has_value());
    EXPECT_EQ(choice.state->serial, 50U);
    EXPECT_DOUBLE_EQ(choice.state->decks[0].position, 70.0);
}

// A store that keeps what it was handed, encoded, as the files would.
struct FakeRunStore : RunStateStore {
    KeptRunFiles ReadKept() override { return files; }
    void KeepState(std::function<std::string()> encode, OlderCopies) override {
        files.previous = files.current;
        files.current = Kept(encode());
        ++wholeStates;
    }
    void KeepPositions(std::string record, std::uint64_t offset) override {
        files.positions.error = ReadFileError::None;
        files.positions.bytes.resize(
            std::max<std::size_t>(files.positions.bytes.size(), offset + record.size()));
        files.positions.bytes.replace(offset, record.size(), record);
        ++positionRecords;
    }
    void Flush() override {}
    KeptRunFiles files;
    int wholeStates = 0, positionRecords = 0;
};

const std::vector<std::string> kClips = {"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/4.mp3"};

// A run in its steady state: entry 1 on deck 1 playing at full level, entry 2 waiting on
// deck 2, both toggles down, the SLOW style with the wait box unchecked.
void StartRun(CoreFixture& f) {
    f.Gather(kClips);
    f.Select(1);
    f.core.Fade().Mix();
    while (f.core.Fade().Phase() == MixPhase::Fading)
        f.core.OnTimer(TimerId::Fade);
    f.core.SetLoadNext(true);
    f.core.Store().SelectedByUser(2);
    f.core.Settings().StyleChosenByUser(2);
    f.core.Settings().WaitBoxToggledByUser(false);
    f.core.SetMixNext(true);
    f.deck1.SetPosition(42.0);
}

TEST(RunKeeper, WritesTheWholeStateOnlyWhenMoreThanPositionsChanged) {
    CoreFixture f;
    FakeRunStore store;
    RunKeeper keeper(f.core, store, 100);
    StartRun(f);
    keeper.Check();
    EXPECT_EQ(store.wholeStates, 1);
    for (int second = 1; second <= 5; ++second) {
        f.deck1.SetPosition(42.0 + second);
        keeper.OnSecond();
    }
    EXPECT_EQ(store.wholeStates, 1) << "a whole state while only a position moved";
    EXPECT_EQ(store.positionRecords, 5);
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"an entry removed", [&] { f.core.Store().List().RemoveAt(3); }},
        {"the selection", [&] { f.core.Store().List().Select(0); }},
        {"a toggle", [&] { f.core.SetMixNext(false); }},
        {"a slider", [&] { f.core.Settings().SliderMovedByUser(FadeSlider::InSpeed, 99); }},
        {"a deck stopped", [&] { f.core.Decks().StopDeck(Deck::A); }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        const int before = store.wholeStates;
        change.change();
        keeper.Check();
        keeper.Check();
        EXPECT_EQ(store.wholeStates, before + 1);
    }
    keeper.OnSecond();
    const int records = store.positionRecords;
    keeper.OnSecond();
    EXPECT_EQ(store.positionRecords, records) << "a record while nothing moved";
    keeper.EndRun();
    EXPECT_FALSE(ChooseKeptRun(store.files).state.has_value());
}

TEST(RunKeeper, AKilledRunComesBackOnAFreshCoreWhereItStood) {
    FakeRunStore store;
    CoreFixture first;
    RunKeeper keeper(first.core, store, 100);
    StartRun(first);
    keeper.Check();
    first.deck1.SetPosition(50.0);
    first.core.Decks().SetFaderPosition(Deck::B, 4500); // kept with the positions
    keeper.OnSecond();
    const RunState stood = keeper.Capture();

    CoreFixture second;
    for (const std::string& clip : kClips)
        second.AddClip(clip, 100.0);
    ResumeRun(second.core, *ChooseKeptRun(store.files).state);
    RunKeeper again(second.core, store, 200);
    const RunState back = again.Capture();
    EXPECT_EQ(*back.entries, kClips);
    EXPECT_EQ(back.selected, 2);
    EXPECT_TRUE(back.loadNext);
    EXPECT_TRUE(back.mixNext);
    EXPECT_EQ(back.style, stood.style);
    EXPECT_FALSE(second.core.Settings().WaitForFadeIn());
    EXPECT_EQ(second.core.Settings().InSpeed(), 1);
    EXPECT_EQ(back.decks[0].clip, "/m/2.mp3");
    EXPECT_TRUE(back.decks[0].playing);
    EXPECT_EQ(second.deck1.Volume(), 0);
    EXPECT_DOUBLE_EQ(back.decks[0].position, 50.0 - kResumeRewindSeconds);
    EXPECT_EQ(back.decks[1], stood.decks[1]);
    EXPECT_EQ(second.core.StatusText(), "3 - Loaded on Player 2");
}

struct ResumeRow {
    const char* name;
    int fadingInto;
    std::vector<std::string> gone;
    std::vector<std::string> entries; // afterwards
    std::string deck1, deck2;         // held afterwards
    bool deck1Plays, deck2Plays;
};

TEST(RunKeeper, ACrossFadeEndsAsFinishedAndAGoneClipMakesWayForTheNext) {
    const ResumeRow rows[] = {
        {"fading into deck 2", 2, {}, kClips, "/m/4.mp3", "/m/3.mp3", false, true},
        {"the clip on air gone", 0, {"/m/2.mp3"}, kClips, "", "/m/3.mp3", false, false},
        {"the waiting clip gone",
         0,
         {"/m/3.mp3"},
         {"/m/1.mp3", "/m/2.mp3", "/m/4.mp3"},
         "/m/2.mp3",
         "/m/4.mp3",
         true,
         false},
    };
    for (const ResumeRow& row : rows) {
        SCOPED_TRACE(row.name);
        RunState state = SampleRun(3, kClips);
        state.decks[0] = DeckRun{"/m/2.mp3", true, 3000, 80.0};
        state.decks[1] = DeckRun{"/m/3.mp3", row.fadingInto != 0, 2000, 1.5};
        state.selected = 2;
        state.fadingInto = row.fadingInto;
        CoreFixture f;
        for (const std::string& clip : kClips)
            f.AddClip(clip, std::count(row.gone.begin(), row.gone.end(), clip) ? 0.0 : 100.0);
        ResumeRun(f.core, state);
        EXPECT_EQ(f.core.List().Entries(), row.entries);
        EXPECT_EQ(f.Holds(Deck::A), row.deck1);
        EXPECT_EQ(f.Holds(Deck::B), row.deck2);
        EXPECT_EQ(f.deck1.playState() == VoicePlayState::Playing, row.deck1Plays);
        EXPECT_EQ(f.deck2.playState() == VoicePlayState::Playing, row.deck2Plays);
        if (row.deck2Plays)
            EXPECT_EQ(f.core.Decks().FaderPosition(Deck::B), 0);
    }
}

} // namespace
} // namespace korvale::testing
