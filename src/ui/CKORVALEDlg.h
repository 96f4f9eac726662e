#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/CoreHost.h"
#include "core/Korvale.h"
#include "ui/SettingsWindow.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QEventLoop;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace korvale {

class ClickLabel;
class OptionsMenu;
class PlayListView;
class TrackBar;

// What the window needs: the core's services and, for tests, the screen and the tick.
struct WindowServices {
    CoreServices core;
    // Screen size used for the start-up placement; the primary screen's when unset.
    std::optional<QSize> screenSize;
    // Start TickTimer at the end of initialisation (tests drive the tick by hand instead).
    bool startTickTimer = true;
    // The folder the program started in; the process's working directory when unset.
    std::optional<std::string> workingDirectory;
    // The INI file that keeps the context menu's options across runs; unset: not kept.
    std::optional<QString> optionsFile;
    // Start-up switches: the option is on for this run whatever was kept.
    bool matchLoudnessSwitch = false;
    bool skipSilentEdgesSwitch = false;
    // The stream, the recording and what their settings page needs; each may be null.
    OutletServices outlets;
    // Start-up switches: broadcasting or recording is turned on for this run with the kept
    // settings (they always start off otherwise).
    bool broadcastSwitch = false;
    bool recordSwitch = false;
};

// The one main window: builds every control, forwards each user action to the core and
// shows the core's state. It holds no state of its own that the core reads back: every
// widget is set from the core when the core reports a change. UI thread.
class CKORVALEDlg : public QDialog, private CoreHost {
    Q_OBJECT
public:
    explicit CKORVALEDlg(const WindowServices& services, QWidget* parent = nullptr);
    ~CKORVALEDlg() override;

    // Runs the initialisation sequence; called once by the constructor's caller before show.
    bool OnInitDialog();
    // Shows the window and runs its own event loop until the window hides (through "X",
    // or while held by an automation client). Blocks; UI thread. The window stays modeless
    // whatever the screen size, so dialogs opened without an owner (the open dialog) take
    // input while it runs.
    void RunUntilHidden();
    void setVisible(bool visible) override;
    void OnExitButton();
    // Where the placement rule puts the window for a screen size; nullopt = default place.
    static std::optional<QRect> PlacementForScreen(QSize screen);
    // The automation object attached to this window (set and cleared by it); while set,
    // every way of closing only hides the window.
    void SetAutomationProxy(QObject* proxy);
    QObject* AutomationProxy() const { return m_automationProxy; }

    Korvale& Core() { return m_core; }
    bool IsTimerRunning(TimerId id) const override;

    // ---- Controls ----
    QLabel* StatusLine = nullptr;
    TrackBar* SkipLastSlider = nullptr;
    QProgressBar* UpperProgressBar = nullptr;
    TrackBar* CuePositionSlider = nullptr;

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
    // The context menu (right click on the window, or the menu key); not a control.
    OptionsMenu* Options = nullptr;
    // The settings window, opened from the context menu or with Ctrl+,; not a control.
    SettingsWindow* Settings = nullptr;

Q_SIGNALS:
    // The clip on air or whether a deck plays may have changed.
    void OnAirChanged();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // CoreHost
    void SetTimer(TimerId id, int periodMs) override;
    void KillTimer(TimerId id) override;
    void BeginBusy() override;
    void EndBusy() override;
    void FocusCuePosition() override;
    void Changed(CorePart part) override;

    void CreateControls();
    void ConnectControls();
    void SetUpTrackBars();
    void PlaceWindow();
    void ShowStatus();
    void ShowDecks();
    void ShowFadeSettings();
    void ShowCue();
    void ShowLevels();
    void ShowToggles();

    WindowServices m_services;
    Korvale m_core;
    std::array<QTimer, 3> m_timers;
    QObject* m_automationProxy = nullptr;
    QEventLoop* m_runLoop = nullptr; // the loop of RunUntilHidden while it runs
};

// Sets a label's text only when it differs, so unchanged displays are not redrawn.
void SetLabelText(QLabel* label, const QString& text);
// Checks or releases a checkable button without raising its handler.
void SetCheckedSilently(QAbstractButton* button, bool checked);

} // namespace korvale
