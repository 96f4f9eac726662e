#pragma once

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "core/BroadcastNews.h"
#include "interfaces/MixOutlets.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace korvale {

class DesktopNotices;
class OutletSettingsFile;
class SettingsForm;

// The settings page of the live stream: "Broadcast the mix", the server's fields, the
// format, where the password is kept and the stream's state. Fields are checked when the
// user leaves them and when broadcasting is turned on; a wrong field is refused in words
// beside it and neither kept nor used. Right fields are kept at once, and while the stream
// runs it restarts with them. UI thread.
class BroadcastPage : public QWidget {
    Q_OBJECT
public:
    // Any pointer may be null: without `broadcast` the page says broadcasting is unavailable;
    // without `secrets` the password lives for this run only; without `notices` the desktop
    // hears nothing. All given must outlive the page; `file` too.
    BroadcastPage(MixBroadcast* broadcast, SecretStore* secrets, DesktopNotices* notices,
                  OutletSettingsFile& file, QWidget* parent = nullptr);
    ~BroadcastPage() override;

    // Turns "Broadcast the mix" on, as the user does; false (with the words shown) when a
    // field is wrong or broadcasting is unavailable.
    bool TurnOn();
    // Shows the stream's state and tells the desktop when the stream is lost or back.
    void ShowStatus();
    bool IsOn() const;
    // Reads the kept password into its field, the first time only (the store may block).
    void ShowPassword();

    QCheckBox* BroadcastCheck = nullptr;
    QLineEdit* HostEdit = nullptr;
    QSpinBox* PortSpin = nullptr;
    QLineEdit* MountEdit = nullptr;
    QLineEdit* UserEdit = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QComboBox* FormatCombo = nullptr;
    QLabel* BitRateLabel = nullptr;
    QSpinBox* BitRateSpin = nullptr;
    QLineEdit* NameEdit = nullptr;
    QLineEdit* DescriptionEdit = nullptr;
    QLineEdit* GenreEdit = nullptr;
    QLabel* PasswordPlace = nullptr;
    QLabel* StatusText = nullptr;
    std::unique_ptr<SettingsForm> Form;

private:
    void CreateFields();
    void ShowSettings();
    void ShowBitRate();
    // Reads the fields into m_edited (the bit rate into the chosen format's member).
    void ReadFields();
    // Checks the fields, keeps them when right, and restarts a running stream with them.
    void FieldsLeft();
    void PasswordLeft();
    void Toggled(bool on);
    const std::string& Password();
    void Start();

    MixBroadcast* m_broadcast;
    SecretStore* m_secrets;
    DesktopNotices* m_notices;
    OutletSettingsFile& m_file;
    BroadcastSettings m_edited;
    std::optional<std::string> m_password; // read from the store when first needed
    std::optional<BroadcastSettings> m_running;
    BroadcastNews m_news;
};

} // namespace korvale
