#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/CountingVoice.h"
#include "support/FakeDevices.h"
#include "support/OfflineEngine.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::testing {

// What one deck contributed to a rendered slice, as its fader positions call for.
struct DeckSlice {
    int file = -1;          // index of the audible clip's path among the distinct paths; -1 none
    double gainStart = 0.0; // linear gain the slice starts from
    double gainEnd = 0.0;   // linear gain the slice ramps to (10^(-fader / 2000) while playing)
};

struct SliceRecord {
    std::array<DeckSlice, 2> decks;
    bool fading = false; // a cross-fade ran while the slice was rendered
};

// The main window on the real engine with an offline output, run the way the program runs
// unattended: 10 ms slices of audio, the tick after every slice and the fade timer's tick
// every 40 ms while it runs, as the window's timers would. Deterministic; not real time.
// User-interface thread only.
class UnattendedRun {
public:
    static constexpr int kSliceMs = 10;
    static constexpr int kFadeTimerMs = 40;
    static constexpr int kSampleRate = 48000;
    static constexpr std::size_t kSliceFrames = kSampleRate * kSliceMs / 1000;

    // `playList` holds the entries as gathered (paths, duplicates allowed).
    explicit UnattendedRun(std::vector<std::string> playList);
    ~UnattendedRun();
    UnattendedRun(const UnattendedRun&) = delete;
    UnattendedRun& operator=(const UnattendedRun&) = delete;

    // What the user does: click the first entry, press "LOAD NEXT", "MIX NEXT" and "M I X".
    void Start();
    // Renders one slice into `audio` (2 x kSliceFrames floats, interleaved stereo), then
    // advances the clock by one slice and runs the timers that fall due.
    SliceRecord RenderSlice(float* audio);

    CKORVALEDlg& Window() { return *m_window; }
    // The distinct paths of the play list, in order of first appearance; DeckSlice::file
    // indexes them.
    const std::vector<std::string>& Files() const { return m_files; }
    // Clip loads that started playing, as file indices, in the order they started.
    const std::vector<int>& ClipsStarted() const { return m_clipsStarted; }
    int HandOversStarted() const { return m_handOversStarted; }
    // Cross-fades that ended with the incoming deck at full level and the outgoing deck closed.
    int HandOversCompleted() const { return m_handOversCompleted; }
    double SecondsRendered() const;

private:
    // Runs one window event (a click or a timer), then books what it changed.
    template <typename Event> void Run(Event&& event);
    int FileOf(const std::string& path) const;

    std::vector<std::string> m_files;
    std::map<std::string, int> m_fileIndex;
    OfflineEngine m_offline;
    CountingVoice m_deck1;
    CountingVoice m_deck2;
    test::FakeMciDevice m_mci;
    test::FakeAudioDevices m_devices;
    test::FakeDialogs m_dialogs;
    std::unique_ptr<CKORVALEDlg> m_window;

    long long m_nowMs = 0;
    long long m_fadeDueMs = 0;
    bool m_fadeTimerRunning = false;
    std::array<DeckSlice, 2> m_previous{};
    std::array<int, 2> m_previousInstance{{0, 0}};
    std::array<int, 2> m_startedInstance{{0, 0}};
    std::vector<int> m_clipsStarted;
    int m_handOversStarted = 0;
    int m_handOversCompleted = 0;
    int m_incomingDeck = 0;
    int m_outgoingClosesAtStart = 0;
};

} // namespace korvale::testing
