#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/CoreTypes.h"

namespace korvale {

class ChangeNotices;
class CoreHost;
class DeckPlayers;
class Dialogs;
class MciDevice;
class StatusLine;

// The cue player: pre-listening to a stopped deck's clip through the media-command device
// (alias "movie"), Mark In, GoTo Cue and Set Cue. The commands are the device's text
// protocol, one place for all of them. UI thread; the device's commands return at once
// except "open", which blocks while the clip's length is read.
class CuePlayer {
public:
    static constexpr int kCueTimerPeriodMs = 39;
    // The position slider's range before any clip was cued.
    static constexpr int kStartSliderMinimum = 1;
    static constexpr int kStartSliderMaximum = 1000;

    // Cues the clips of `decks` and sets cue points on them; `host` runs the cue timer, the
    // wait cursor and the focus.
    CuePlayer(MciDevice* device, Dialogs* dialogs, DeckPlayers& decks, CoreHost& host,
              StatusLine& status, ChangeNotices& changes);

    bool Playing() const { return m_playing; }
    bool TimerRunning() const { return m_timerRunning; }
    // The cued clip's path as bytes; empty when none.
    const std::string& ClipName() const { return m_clipName; }
    const std::string& DurationText() const { return m_durationText; }
    const std::string& PlayTimeText() const { return m_playTimeText; }
    const std::string& CuePointText() const { return m_cuePointText; }
    bool ControlsEnabled() const { return m_controlsEnabled; }
    // The play button's caption once the program has written one.
    const std::optional<std::string>& PlayCaption() const { return m_playCaption; }
    int SliderMinimum() const { return m_sliderMinimum; }
    int SliderMaximum() const { return m_sliderMaximum; }
    int SliderPosition() const { return m_sliderPosition; }

    void CueFromDeck(Deck deck);
    int LoadCueClip(const std::string& path);
    void CloseCuePlayer();
    void EnableCueControls();
    void RefreshCuePosition();
    void ToggleCuePlay();
    void MarkCueIn();
    void GoToCuePoint();
    void SetCueOnDecks();
    // The cue part of a horizontal scroll: seek to the slider, pausing a playing clip.
    void CueSliderMoved();
    // The user moved the position slider (the horizontal-scroll handler follows).
    void SliderMovedByUser(int position) { m_sliderPosition = position; }
    // The exit sequence's last commands to the device.
    void StopAndCloseDevice();

private:
    std::string Send(const std::string& command);
    void SetSliderPosition(int position);
    void StopCueTimer();
    void Changed();

    MciDevice* m_device;
    Dialogs* m_dialogs;
    DeckPlayers& m_decks;
    CoreHost& m_host;
    StatusLine& m_status;
    ChangeNotices& m_changes;
    bool m_playing = false;
    bool m_timerRunning = false;
    std::string m_clipName;
    std::string m_durationText;
    std::string m_playTimeText;
    std::string m_cuePointText;
    bool m_controlsEnabled = false;
    std::optional<std::string> m_playCaption;
    int m_sliderMinimum = kStartSliderMinimum;
    int m_sliderMaximum = kStartSliderMaximum;
    int m_sliderPosition = kStartSliderMinimum;
};

} // namespace korvale
