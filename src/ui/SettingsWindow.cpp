#include "ui/SettingsWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/ClipLeveling.h"
#include "interfaces/MixOutlets.h"
#include "ui/BroadcastPage.h"
#include "ui/OptionsMenu.h"
#include "ui/OutletSettingsFile.h"
#include "ui/RecordingPage.h"
#include "ui/SettingsForm.h"

namespace korvale {

namespace {

constexpr const char* kPlaybackNote =
    "These are the options of the window's context menu; each is kept across runs. An "
    "interrupted run is one that ended by a crash, a kill, a power cut or a stop from "
    "outside (a logout, a service stop), not by \"X\".";

// Posts the news of a change from an outlet's worker thread to the window's thread.
std::function<void()> PostTo(SettingsWindow* window) {
    return [window] {
        QMetaObject::invokeMethod(window, &SettingsWindow::OutletsChanged, Qt::QueuedConnection);
    };
}

} // namespace

SettingsWindow::SettingsWindow(OptionsMenu& options, ClipLeveling& leveling,
                               const OutletServices& outlets, Dialogs* dialogs,
                               std::optional<QString> optionsFile, QWidget* parent)
    : QDialog(parent), m_options(options), m_leveling(leveling), m_outlets(outlets),
      m_file(std::make_unique<OutletSettingsFile>(std::move(optionsFile))) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral("KORVALE Settings"));
    setWindowFlag(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget;
    Pages->setAccessibleName(QStringLiteral("Settings pages"));
    layout->addWidget(Pages);
    Pages->addTab(CreatePlaybackPage(), QStringLiteral("&Playback"));
    Broadcast = new BroadcastPage(outlets.broadcast, outlets.secrets, outlets.notices, *m_file);
    Pages->addTab(Broadcast, QStringLiteral("Broad&cast"));
    Recording = new RecordingPage(outlets.recording, outlets.folders, dialogs, *m_file);
    Pages->addTab(Recording, QStringLiteral("Reco&rding"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);

    connect(Broadcast->BroadcastCheck, &QCheckBox::toggled, this, &SettingsWindow::FollowStatus);
    connect(Recording->RecordCheck, &QCheckBox::toggled, this, &SettingsWindow::FollowStatus);
    m_refresh.setInterval(kStatusRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &SettingsWindow::OutletsChanged);
    if (m_outlets.broadcast != nullptr) {
        m_outlets.broadcast->setChangeHandler(PostTo(this));
    }
    if (m_outlets.recording != nullptr) {
        m_outlets.recording->setChangeHandler(PostTo(this));
    }
}

SettingsWindow::~SettingsWindow() {
    // No news reaches a window that is gone; the pages then stop what runs.
    if (m_outlets.broadcast != nullptr) {
        m_outlets.broadcast->setChangeHandler({});
    }
    if (m_outlets.recording != nullptr) {
        m_outlets.recording->setChangeHandler({});
    }
}

QWidget* SettingsWindow::CreatePlaybackPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PlaybackPage"));
    auto* layout = new QVBoxLayout(page);
    MatchLoudnessCheck = new QCheckBox(QStringLiteral("&Match clip loudness"));
    SkipSilentEdgesCheck = new QCheckBox(QStringLiteral("&Skip silent starts and ends"));
    ResumeCheck = new QCheckBox(QStringLiteral("&Resume an interrupted run at start"));
    const std::pair<QCheckBox*, QAction*> pairs[] = {
        {MatchLoudnessCheck, m_options.MatchLoudnessAction},
        {SkipSilentEdgesCheck, m_options.SkipSilentEdgesAction},
        {ResumeCheck, m_options.ResumeAction}};
    for (const auto& [check, action] : pairs) {
        check->setAccessibleName(action->text());
        layout->addWidget(check);
        // The menu's entry changes the core's option and keeps it; the box follows it.
        connect(check, &QCheckBox::toggled, action, &QAction::setChecked);
        connect(action, &QAction::toggled, check, [check](bool on) {
            const QSignalBlocker blocker(check);
            check->setChecked(on);
        });
    }
    auto* note = new QLabel(QString::fromLatin1(kPlaybackNote));
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch();
    ShowOptions();
    return page;
}

void SettingsWindow::ShowOptions() {
    const QSignalBlocker blockMatch(MatchLoudnessCheck);
    const QSignalBlocker blockSkip(SkipSilentEdgesCheck);
    const QSignalBlocker blockResume(ResumeCheck);
    MatchLoudnessCheck->setChecked(m_leveling.MatchLoudness());
    SkipSilentEdgesCheck->setChecked(m_leveling.SkipSilentEdges());
    ResumeCheck->setChecked(m_options.ResumesAtStart());
}

void SettingsWindow::Open() {
    ShowOptions();
    show();
    raise();
    activateWindow();
}

void SettingsWindow::StartFromSwitches(bool broadcast, bool record) {
    if (broadcast && m_outlets.broadcast != nullptr && !Broadcast->TurnOn()) {
        Pages->setCurrentWidget(Broadcast);
        Open();
    }
    if (record && m_outlets.recording != nullptr && !Recording->TurnOn()) {
        Pages->setCurrentWidget(Recording);
        Open();
    }
}

void SettingsWindow::OutletsChanged() {
    Broadcast->ShowStatus();
    Recording->ShowStatus();
    FollowStatus();
}

void SettingsWindow::FollowStatus() {
    const bool wanted = isVisible() || Broadcast->IsOn() || Recording->IsOn();
    if (wanted && !m_refresh.isActive()) {
        m_refresh.start();
    } else if (!wanted) {
        m_refresh.stop();
    }
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Broadcast->ShowPassword();
    OutletsChanged();
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    FollowStatus();
}

} // namespace korvale
