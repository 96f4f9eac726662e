#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "interfaces/MediaVoice.h"
#include "support/FakeDevices.h"
#include "ui/CKORVALEDlg.h"

namespace korvale::testing {

// The main window on real engine voices, driven as its timers would drive it: after every
// 10 ms slice of audio the tick (OnTimer(kTickTimerId)), and every 40 ms while a cross-fade
// runs the fade timer's tick too. Who renders the slices is up to the caller: an offline
// output pulled by hand (deterministic), or a real output running in real time (the caller
// sleeps between slices). Books which clips were heard and the hand-overs.
// User-interface thread only.
class EngineWindowRun {
public:
    static constexpr int kSliceMs = 10;
    static constexpr int kFadeTimerMs = 40;

    EngineWindowRun(MediaVoice& deck1, MediaVoice& deck2);
    ~EngineWindowRun();
    EngineWindowRun(const EngineWindowRun&) = delete;
    EngineWindowRun& operator=(const EngineWindowRun&) = delete;

    CKORVALEDlg& Window() { return *m_window; }
    test::FakeDialogs& Dialogs() { return m_dialogs; }

    // The user picks `file` in the open dialog (filter `filter`, 1 = MP3) and presses "L".
    void Gather(const std::string& file, int filter);
    // Selects the first entry, presses "LOAD NEXT", "MIX NEXT" and "M I X".
    void StartUnattended();
    // Books the slice just rendered (`audible`: it held sound above silence), advances the
    // clock by one slice and runs the timers that fall due.
    void AfterSlice(bool audible);

    // Paths that were heard: playing at full fader level during an audible slice while
    // their position moved on.
    const std::set<std::string>& Heard() const { return m_heard; }
    // Paths that some deck held (opened) at any time.
    const std::set<std::string>& Loaded() const { return m_loaded; }
    int HandOversStarted() const { return m_handOversStarted; }
    // Cross-fades that ended with one deck playing at full level and the other deck no
    // longer playing the clip it held when the fade began.
    int HandOversCompleted() const { return m_handOversCompleted; }
    bool Fading() const;
    long long NowMs() const { return m_nowMs; }
    // The window's elapsed-time display of `deck` ("HH:MM:SS:FF").
    std::string ElapsedText(int deck);

private:
    template <typename Event> void Run(Event&& event);

    MediaVoice& m_deck1;
    MediaVoice& m_deck2;
    test::FakeMciDevice m_mci;
    test::FakeAudioDevices m_devices;
    test::FakeDialogs m_dialogs;
    test::FakeShell m_shell;
    std::unique_ptr<CKORVALEDlg> m_window;

    long long m_nowMs = 0;
    long long m_fadeDueMs = 0;
    bool m_fadeTimerRunning = false;
    double m_lastPosition[2] = {-1.0, -1.0};
    std::array<std::string, 2> m_pathsAtFadeStart;
    std::set<std::string> m_heard;
    std::set<std::string> m_loaded;
    int m_handOversStarted = 0;
    int m_handOversCompleted = 0;
};

} // namespace korvale::testing
