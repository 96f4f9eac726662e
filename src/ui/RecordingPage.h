#pragma once

#include <QWidget>

#include <memory>
#include <optional>

#include "core/OutletFieldCheck.h"
#include "interfaces/MixOutlets.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace korvale {

class Dialogs;
class FolderAccess;
class OutletSettingsFile;
class SettingsForm;

// The settings page of the recording: "Record the mix", the folder, the format, the
// optional now-playing file and the recording's state. Checked, kept and applied as the
// broadcast page does its fields; a recording that stops on a failed write is told in a
// message box. UI thread.
class RecordingPage : public QWidget {
    Q_OBJECT
public:
    // Without `recording` the page says recording is unavailable; without `folders` a
    // folder is not checked for writing before it is used; without `dialogs` a failure is
    // only shown on the page. All given must outlive the page; `file` too.
    RecordingPage(MixRecording* recording, const FolderAccess* folders, Dialogs* dialogs,
                  OutletSettingsFile& file, QWidget* parent = nullptr);
    ~RecordingPage() override;

    // Turns "Record the mix" on, as the user does; false (with the words shown) when a
    // field is wrong or the recording cannot start.
    bool TurnOn();
    // Shows the recording's state; a recording that stopped on a failure turns the check
    // box off and is told once.
    void ShowStatus();
    bool IsOn() const;

    QCheckBox* RecordCheck = nullptr;
    QLineEdit* FolderEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QComboBox* FormatCombo = nullptr;
    QSpinBox* BitRateSpin = nullptr;
    QLineEdit* NowPlayingEdit = nullptr;
    QLabel* StatusText = nullptr;
    std::unique_ptr<SettingsForm> Form;

private:
    void CreateFields();
    void ShowSettings();
    void ReadFields();
    std::vector<FieldProblem> Problems() const;
    void FieldsLeft();
    void Browse();
    void Toggled(bool on);
    bool Start();

    MixRecording* m_recording;
    const FolderAccess* m_folders;
    Dialogs* m_dialogs;
    OutletSettingsFile& m_file;
    RecordingSettings m_edited;
    std::optional<RecordingSettings> m_running;
    RecordingState m_lastState = RecordingState::Off;
};

} // namespace korvale
