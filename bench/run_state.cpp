// The kept run: the whole-state write of a 100,000-entry play list (encode, temporary file,
// sync, rename; goal <= 50 ms) against a plain replacing write of the same bytes; the writes
// of an unattended run per minute (no whole state while only positions change, at most 60
// position records); and the time from reading the kept files to the first sound on resume.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/RunKeeper.h"
#include "core/RunResume.h"
#include "core/RunStateCodec.h"
#include "platform/RunStateFiles.h"
#include "platform/WholeFile.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

namespace {

using korvale::RunState;
using Clock = std::chrono::steady_clock;

constexpr int kLongList = 100000;
constexpr int kRepeats = 9;
constexpr double kClipSeconds = 40.0;
constexpr int kClips = 8;
constexpr long long kMinuteMs = 60000;
constexpr long long kEventMarginMs = 1000;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

RunState LongRun(int entries) {
    std::vector<std::string> list;
    for (int i = 0; i < entries; ++i)
        list.push_back("/home/user/Music/Some Artist/Some Album/" + std::to_string(i) +
                       " - A Title Of Usual Length.mp3");
    RunState state;
    state.serial = 1;
    state.entries = std::make_shared<const std::vector<std::string>>(std::move(list));
    state.selected = 1;
    state.style = korvale::MixStyleRun{0, {4, 400, 40, 2}, true};
    state.decks[0] = korvale::DeckRun{state.entries->at(0), true, 0, 12.5};
    state.decks[1] = korvale::DeckRun{state.entries->at(1), false, 8500, 0.0};
    return state;
}

void LongListWrite(const std::string& folder) {
    korvale::RunStateFiles files(folder);
    std::string why;
    files.Claim(why);
    const RunState state = LongRun(kLongList);
    std::vector<double> encode, write, plain;
    std::size_t bytes = 0;
    for (int i = 0; i < kRepeats; ++i) {
        const Clock::time_point start = Clock::now();
        const std::string encoded = korvale::EncodeRunState(state);
        encode.push_back(MsSince(start));
        files.WriteState(encoded, korvale::OlderCopies::Keep, why);
        write.push_back(MsSince(start));
        bytes = encoded.size();
        const Clock::time_point reference = Clock::now();
        korvale::WriteFileReplacing(folder + "/reference", encoded);
        plain.push_back(MsSince(reference));
    }
    std::printf("state write of %d entries (%.1f MB): %.1f ms median (goal <= 50), of which "
                "encoding %.1f ms; a plain replacing write of the same bytes %.1f ms (ratio "
                "%.2f)\n",
                kLongList, bytes / 1e6, Median(write), Median(encode), Median(plain),
                Median(write) / Median(plain));
}

// Counts what the keeper hands over, writing nothing.
struct CountingStore : korvale::RunStateStore {
    korvale::KeptRunFiles ReadKept() override { return {}; }
    void KeepState(std::function<std::string()> encode, korvale::OlderCopies) override {
        encode();
        wholeAtMs.push_back(*nowMs);
    }
    void KeepPositions(std::string, std::uint64_t) override { positionsAtMs.push_back(*nowMs); }
    void Flush() override {}
    const long long* nowMs = nullptr;
    std::vector<long long> wholeAtMs, positionsAtMs;
};

void WritesPerMinute(const korvale::testing::TempDir& dir) {
    korvale::testing::UnattendedRun run;
    for (int i = 0; i < kClips; ++i) {
        const std::string path = dir.file("clip" + std::to_string(i) + ".wav");
        korvale::testing::WriteSineWav(path, kClipSeconds, 300.0 + 90.0 * i, 44100, 0.5);
        run.core.Store().List().Append(path);
    }
    CountingStore store;
    store.nowMs = &run.nowMs;
    korvale::RunKeeper keeper(run.core, store, 1);
    // The changes the run's events make: a fade's start and end, a load, a deck starting.
    std::vector<long long> eventsAtMs;
    auto lastKey = std::make_tuple(run.core.Fade().Phase(), run.core.List().SelectedIndex(), 0);
    run.Start();
    keeper.Check();
    while (run.handOvers < kClips && run.nowMs < kClips * 60 * 1000) {
        run.Step();
        keeper.Check(); // the program checks once after each event that changed a part
        if (run.nowMs % 1000 == 0)
            keeper.OnSecond();
        const auto key = std::make_tuple(run.core.Fade().Phase(), run.core.List().SelectedIndex(),
                                         static_cast<int>(run.started.size()));
        if (key != lastKey)
            eventsAtMs.push_back(run.nowMs);
        lastKey = key;
    }
    const double minutes = run.nowMs / double(kMinuteMs);
    int quiet = 0; // whole states far from any event: only positions had changed
    for (const long long at : store.wholeAtMs) {
        const bool nearEvent = std::any_of(eventsAtMs.begin(), eventsAtMs.end(), [&](long long e) {
            return std::llabs(e - at) <= kEventMarginMs;
        });
        quiet += nearEvent ? 0 : 1;
    }
    std::size_t mostInAMinute = 0;
    for (const long long from : store.positionsAtMs) {
        mostInAMinute = std::max<std::size_t>(
            mostInAMinute,
            std::count_if(store.positionsAtMs.begin(), store.positionsAtMs.end(),
                          [&](long long at) { return at >= from && at < from + kMinuteMs; }));
    }
    std::printf("unattended run of %.1f min (%d clips of %.0f s, %d hand-overs): whole-state "
                "writes %.1f per minute, %d of them while only positions changed (goal 0); "
                "position records %.1f per minute, at most %zu in any minute (goal <= 60)\n",
                minutes, kClips, kClipSeconds, run.handOvers, store.wholeAtMs.size() / minutes,
                quiet, store.positionsAtMs.size() / minutes, mostInAMinute);
}

void FirstSoundOnResume(const korvale::testing::TempDir& dir, int entries) {
    const std::string clip = dir.file("resume.wav");
    korvale::testing::WriteSineWav(clip, 30.0, 440.0, 44100, 0.5);
    RunState state = LongRun(entries);
    state.decks[0] = korvale::DeckRun{clip, true, 0, 12.5};
    state.decks[1] = korvale::DeckRun{};
    const std::string folder = dir.file("resume" + std::to_string(entries));
    korvale::RunStateFiles files(folder);
    std::string why;
    files.Claim(why);
    files.WriteState(korvale::EncodeRunState(state), korvale::OlderCopies::Keep, why);

    korvale::testing::UnattendedRun run;
    const Clock::time_point start = Clock::now();
    const korvale::KeptRunChoice choice = korvale::ChooseKeptRun(files.Read());
    const double read = MsSince(start);
    if (!choice.state) {
        std::printf("the kept run of %d entries did not read back: %s\n", entries,
                    choice.complaints.empty() ? "" : choice.complaints.front().c_str());
        return;
    }
    korvale::ResumeRun(run.core, *choice.state);
    bool heard = false;
    while (!heard && MsSince(start) < 5000) {
        run.Step();
        heard = std::any_of(run.slice.begin(), run.slice.end(),
                            [](float s) { return std::fabs(s) > 0.1f; });
    }
    std::printf("resume of a run of %d entries: kept files read and chosen in %.1f ms, first "
                "sound rendered %.1f ms after the start of the resume%s\n",
                entries, read, MsSince(start), heard ? "" : " (NO SOUND)");
}

} // namespace

int main() {
    korvale::testing::TempDir dir;
    LongListWrite(dir.file("state"));
    WritesPerMinute(dir);
    FirstSoundOnResume(dir, 100);
    FirstSoundOnResume(dir, kLongList);
    std::printf("the real program's start to first sound on resume is printed by the system "
                "test ResumeProgram\n");
    return 0;
}
