#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class QCheckBox;
class QTabWidget;

namespace korvale {

class BroadcastPage;
class ClipLeveling;
class DesktopNotices;
class Dialogs;
class FolderAccess;
class MixBroadcast;
class MixRecording;
class OptionsMenu;
class OutletSettingsFile;
class RecordingPage;
class SecretStore;

// What the settings window works with besides the core; each may be null (the page says
// what is unavailable) and each given must outlive the window.
struct OutletServices {
    MixBroadcast* broadcast = nullptr;
    MixRecording* recording = nullptr;
    SecretStore* secrets = nullptr;
    const FolderAccess* folders = nullptr;
    DesktopNotices* notices = nullptr;
};

// The settings window: one page per concern, "Playback" (the context menu's options, which
// it keeps in step with), "Broadcast" and "Recording". It owns whether the outlets run:
// it sets their change handlers, starts and stops them, and stops what runs when it goes.
// Opened without blocking the main window; UI thread.
class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kStatusRefreshMs = 1000;

    // `options` and `leveling` must outlive the window. `optionsFile`: where the settings are
    // kept (nullopt: not kept). `dialogs` tells a failed recording (may be null).
    SettingsWindow(OptionsMenu& options, ClipLeveling& leveling, const OutletServices& outlets,
                   Dialogs* dialogs, std::optional<QString> optionsFile, QWidget* parent);
    ~SettingsWindow() override;

    // Shows the window, raised, on its first page or where the user left it.
    void Open();
    // The start-up switches: turns on what they ask for with the kept settings. Where a
    // field is wrong the window opens on its page with the words.
    void StartFromSwitches(bool broadcast, bool record);
    // Checks the playback options as the core holds them.
    void ShowOptions();

    QTabWidget* Pages = nullptr;
    QCheckBox* MatchLoudnessCheck = nullptr;
    QCheckBox* SkipSilentEdgesCheck = nullptr;
    QCheckBox* ResumeCheck = nullptr;
    BroadcastPage* Broadcast = nullptr;
    RecordingPage* Recording = nullptr;

public Q_SLOTS:
    // The outlets' state changed: shows it, tells the desktop of a lost or returned stream
    // and of a failed recording. Called through the outlets' change handlers (queued to this
    // thread) and every kStatusRefreshMs while the window shows or an outlet runs.
    void OutletsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* CreatePlaybackPage();
    void FollowStatus();

    OptionsMenu& m_options;
    ClipLeveling& m_leveling;
    OutletServices m_outlets;
    std::unique_ptr<OutletSettingsFile> m_file;
    QTimer m_refresh;
};

} // namespace korvale
