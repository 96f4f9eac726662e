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
#include "ui/ControlSet.h"
#include "ui/SettingsWindow.h"
#include "ui/WindowDisplay.h"

class QEventLoop;
class QWidget;

namespace korvale {

class OptionsMenu;

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
    // Start-up switch: the program resumes an interrupted run at this start whatever the
    // kept option says (the program reads it; the window does not).
    bool resumeSwitch = false;
};

// The one main window: builds every control, forwards each user action to the core and
// shows the core's state. It holds no state of its own that the core reads back: every
// widget is set from the core when the core reports a change. Its controls are the members
// of its ControlSet (`window.FaderA`), made by the ControlFactory from the control table.
// UI thread.
class CKORVALEDlg : public QDialog, public ControlSet, private CoreHost {
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

    void BuildControls();
    // The initialisation sequence's part for the controls: what the template does not give.
    void SetUpControls();
    void WireControls();
    void PlaceWindow();

    WindowServices m_services;
    WindowDisplay m_display; // shows m_core on the controls; made first, used only later
    Korvale m_core;
    std::array<QTimer, 3> m_timers;
    QObject* m_automationProxy = nullptr;
    QEventLoop* m_runLoop = nullptr; // the loop of RunUntilHidden while it runs
};

} // namespace korvale
