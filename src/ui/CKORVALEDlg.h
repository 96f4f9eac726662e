#pragma once

#include <QDialog>
#include <QSize>
#include <QTimer>

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "decks/CMediaPlayer.h"
#include "playlist/ClassicRand.h"
#include "ui/KorvaleState.h"

class QCheckBox;
class QComboBox;
class QEventLoop;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace korvale {

class AudioDevices;
class ClickLabel;
class Dialogs;
class MciDevice;
class MediaVoice;
class PlayListView;
class Shell;
class TrackBar;

// What the window needs from the platform. Pointers are not owned and must outlive the
// window. The program passes the real engine, devices and dialogs; tests pass fakes.
struct WindowServices {
    MediaVoice* deck1 = nullptr;
    MediaVoice* deck2 = nullptr;
    MciDevice* mci = nullptr;
    AudioDevices* devices = nullptr;
    Dialogs* dialogs = nullptr;
    Shell* shell = nullptr;
    // Screen size used for the start-up placement; the primary screen's when unset.
    std::optional<QSize> screenSize;
    // Start TickTimer at the end of initialisation (tests drive OnTimer by hand instead).
    bool startTickTimer = true;
};

// Ids of the window's timers.
enum TimerId : int { kTickTimerId = 1, kFadeTimerId = 2, kCueTimerId = 3 };

// DeckChoice codes of ChooseDeck.
enum DeckChoice : int {
    kDeckChoiceDeck1 = 1,
    kDeckChoiceDeck2 = 2,
    kDeckChoiceBothEmpty = 3,
    kDeckChoiceBothPlaying = 4,
};

// The one main window: owns every control, receives every user action and timer tick.
// Its operations are defined beside the subsystem they belong to (src/decks, src/playlist,
// src/cue, src/levels); this file's .cpp builds the window and runs start-up and exit.
// Everything runs on the user-interface thread.
class CKORVALEDlg : public QDialog {
    Q_OBJECT
public:
    explicit CKORVALEDlg(const WindowServices& services, QWidget* parent = nullptr);
    ~CKORVALEDlg() override;

    // ---- Application shell (window) ----
    // Runs the initialisation sequence; called once by the constructor's caller before show.
    bool OnInitDialog();
    // Shows the window and runs its own event loop until the window hides (through "X",
    // or while held by an automation client). Blocks; UI thread. The window stays modeless
    // whatever the screen size, so dialogs opened without an owner (the open dialog) take
    // input while it runs.
    void RunUntilHidden();
    void setVisible(bool visible) override;
    void ShowAboutBox();
    void StopEverything();
    void OpenHelpPage();
    void OnExitButton();
    // Where the placement rule puts the window for a screen size; nullopt = default place.
    static std::optional<QRect> PlacementForScreen(QSize screen);
    // The automation object attached to this window (set and cleared by it); while set,
    // every way of closing only hides the window.
    void SetAutomationProxy(QObject* proxy);
    QObject* AutomationProxy() const { return m_automationProxy; }

    // The one handler of every timer, whatever its id (the tick).
    void OnTimer(int timerId);
    // The one handler of every vertical track bar move made by the user.
    void OnVScroll();
    // The one handler of every horizontal track bar move made by the user.
    void OnHScroll();
    void SetTimer(int timerId, int periodMs);
    void KillTimer(int timerId);
    bool IsTimerRunning(int timerId) const;

    // ---- Play list (src/playlist) ----
    void GatherClips();
    int PickClipFile();
    void SearchFolder(const std::string& folder, const std::string& pattern);
    void LoadSelectedClip();
    void RemoveSelectedClip();
    void ClearPlayList();
    void SavePlayList();
    int WritePlayListFile(const std::string& path, int filterNumber);
    int ReadZtlFile(const std::string& path);
    int ReadM3uFile(const std::string& path);
    void ShufflePlayList();
    void AdvancePlayList();

    // ---- Decks (src/decks) ----
    int ChooseDeck();
    // Where a deck load comes from: only a load of the play list's selected entry may drop
    // that entry when its clip proves unplayable.
    enum class LoadOrigin { PlayListSelection, Other };
    void LoadClipOnDeck(const std::string& path, int deckChoice, double startSeconds,
                        LoadOrigin origin = LoadOrigin::Other);
    void PlayDeck(int deck);
    void StopDeck(int deck);
    void CloseDeck(int deck);
    void ResetTimeDisplays(int deck);
    void RefreshDeckDisplays();
    void ShowDeckClipName(int deck);
    void ApplyDeckFaders(); // deck part of OnVScroll

    // ---- Mixing engine (src/decks) ----
    void Mix();
    int ChooseMixDirection();
    void FadeStep(int direction);
    void EndOfMix();
    int SyncWaitBox();
    void ApplyFadersToDecks(); // tick step after a fade step

    // ---- Mix styles (src/decks) ----
    void FillMixStyles();
    void ApplyMixStyle();
    void ReadFadeSliders(); // slider part of OnHScroll
    void ReadSpeedSliders();

    // ---- Cue player (src/cue) ----
    void CueFromDeck(int deck);
    int LoadCueClip(const std::string& path);
    void CloseCuePlayer();
    void EnableCueControls();
    void RefreshCuePosition();
    void ToggleCuePlay();
    void MarkCueIn();
    void GoToCuePoint();
    void SetCueOnDecks();
    void CueSliderMoved(); // cue part of OnHScroll

    // ---- Output levels (src/levels) ----
    int CheckAudioDevices();
    int ShowMixerNames();
    void ReadMasterLevel();
    int ReadMicLevel();
    void SetMasterVolume(int position);
    void SetMicVolume(int position);
    void OnMicButton();
    void ApplyLevels(); // level part of OnVScroll

    // Access for the subsystems and tests.
    KorvaleState& State() { return m_state; }
    const WindowServices& Services() const { return m_services; }
    CMediaPlayer& Player(int deck) { return deck == 2 ? PlayerB : PlayerA; }
    TrackBar* Fader(int deck) { return deck == 2 ? FaderB : FaderA; }
    ClickLabel* FaderLabel(int deck) { return deck == 2 ? FaderBLabel : FaderALabel; }
    // Status line text as bytes (UTF-8 of the shown text).
    void SetStatus(const std::string& text);
    std::string StatusText() const;

    // ---- Controls: the status line, sliders, progress bar and players first, then the
    // rest in the order of their ids ----
    QLabel* StatusLine = nullptr;
    TrackBar* SkipLastSlider = nullptr;
    QProgressBar* UpperProgressBar = nullptr;
    TrackBar* CuePositionSlider = nullptr;
    CMediaPlayer PlayerA;
    CMediaPlayer PlayerB;
    std::int32_t m_mixStyleIndex = -1; // kept across the run, exchanged with MixStyleCombo

    QPushButton* ExitButton = nullptr;
    QWidget* PlayerAControl = nullptr; // hidden 1 x 1 stand-ins for controls 1000 and 1001
    QWidget* PlayerBControl = nullptr;
    TrackBar* FaderA = nullptr;
    TrackBar* FaderB = nullptr;
    TrackBar* MasterLevel = nullptr;
    PlayListView* PlayListBox = nullptr;
    QPushButton* LoadButton = nullptr;
    QPushButton* CueAButton = nullptr;
    QPushButton* PlayAButton = nullptr;
    QPushButton* StopAButton = nullptr;
    QPushButton* CloseAButton = nullptr;
    QPushButton* CueBButton = nullptr;
    QPushButton* PlayBButton = nullptr;
    QPushButton* StopBButton = nullptr;
    QPushButton* CloseBButton = nullptr;
    QPushButton* MixButton = nullptr;
    ClickLabel* FaderALabel = nullptr;
    ClickLabel* FaderBLabel = nullptr;
    QLabel* MasterLevelLabel = nullptr;
    QLabel* ElapsedA = nullptr;
    QLabel* ElapsedB = nullptr;
    QLabel* TimeA = nullptr;
    QLabel* RemainA = nullptr;
    QLabel* TimeB = nullptr;
    QLabel* RemainB = nullptr;
    QPushButton* ShuffleButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* ClearButton = nullptr;
    TrackBar* FadeInThresholdSlider = nullptr;
    QPushButton* LoadNextCheck = nullptr; // checkable
    QPushButton* MixNextCheck = nullptr;  // checkable
    QCheckBox* WaitFadeInCheck = nullptr;
    QLabel* FadeInThresholdLabel = nullptr;
    TrackBar* OutSpeedSlider = nullptr;
    TrackBar* InSpeedSlider = nullptr;
    QLabel* SkipLastLabel = nullptr;
    QLabel* OutSpeedLabel = nullptr;
    QLabel* InSpeedLabel = nullptr;
    PlayListView* ShuffleScratchList = nullptr;
    QComboBox* MixStyleCombo = nullptr;
    QPushButton* AboutButton = nullptr;
    QPushButton* SetCueButton = nullptr;
    QLabel* CueDuration = nullptr;
    QPushButton* CuePlayPauseButton = nullptr;
    QLabel* CueClipName = nullptr;
    QLabel* CuePlayTime = nullptr;
    QLabel* CuePositionDisplay = nullptr;
    QPushButton* MarkInButton = nullptr;
    QPushButton* StopAllButton = nullptr;
    QPushButton* SaveListButton = nullptr;
    QPushButton* GoToCueButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* MicButton = nullptr; // checkable
    QLabel* MicLevelLabel = nullptr;
    TrackBar* MicLevel = nullptr;
    QPushButton* TOCheck = nullptr; // checkable
    QProgressBar* LowerProgressBar = nullptr;
    QLabel* MasterCaption = nullptr;
    QLabel* CueCaption = nullptr;
    QGroupBox* MixStyleGroup = nullptr;
    QLabel* MixStyleCaption = nullptr;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void ConnectControls();
    void SetUpTrackBars();
    void PlaceWindow();

    WindowServices m_services;
    KorvaleState m_state;
    ClassicRand m_rand;
    std::array<QTimer, 3> m_timers;
    QObject* m_automationProxy = nullptr;
    bool m_mixerOpened = false;
    QEventLoop* m_runLoop = nullptr; // the loop of RunUntilHidden while it runs
    // Position and duration each deck's time displays were last refreshed from (NaN: not
    // since they were last reset), so an idle tick formats nothing.
    struct ShownDeckTimes {
        double position;
        double duration;
    };
    static constexpr ShownDeckTimes kTimesNotShown{std::numeric_limits<double>::quiet_NaN(),
                                                   std::numeric_limits<double>::quiet_NaN()};
    std::array<ShownDeckTimes, 2> m_shownDeckTimes{kTimesNotShown, kTimesNotShown};
};

// Sets a label's text only when it differs, so unchanged time displays are not redrawn.
void SetLabelText(QLabel* label, const QString& text);
// Checks or releases a checkable button without raising its handler.
void SetCheckedSilently(QPushButton* button, bool checked);

} // namespace korvale
