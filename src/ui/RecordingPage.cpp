#include "ui/RecordingPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

#include "core/OutletStatusText.h"
#include "interfaces/Dialogs.h"
#include "interfaces/FolderAccess.h"
#include "ui/OutletSettingsFile.h"
#include "ui/SettingsForm.h"

namespace korvale {

namespace {

constexpr int kBitRateFieldMax = 999; // wide, so a wrong number is refused in words
constexpr std::array kFormats{std::pair{RecordingFormat::Flac, "FLAC"},
                              std::pair{RecordingFormat::Wav, "WAV"},
                              std::pair{RecordingFormat::Mp3, "MP3"}};
constexpr const char* kNote =
    "The recording holds the same mix as the stream: without the cue player's pre-listen "
    "and the master level. A cue sheet with one track per clip is written beside it.\n"
    "Recording is off whenever KORVALE starts; the --record switch turns it on for one run "
    "with these settings.";
constexpr const char* kUnavailable = "Recording is not available.";
constexpr const char* kCaption = "KORVALE";

// Where no probe is given, every folder is tried as it is.
struct AnyFolder : FolderAccess {
    bool CanWrite(const std::string&, std::string*) const override { return true; }
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

} // namespace

RecordingPage::RecordingPage(MixRecording* recording, const FolderAccess* folders, Dialogs* dialogs,
                             OutletSettingsFile& file, QWidget* parent)
    : QWidget(parent), m_recording(recording), m_folders(folders), m_dialogs(dialogs), m_file(file),
      m_edited(file.Recording()) {
    setObjectName(QStringLiteral("RecordingPage"));
    CreateFields();
    ShowSettings();
    ShowStatus();
}

RecordingPage::~RecordingPage() {
    if (m_running && m_recording != nullptr) {
        m_recording->stop();
    }
}

void RecordingPage::CreateFields() {
    auto* page = new QVBoxLayout(this);
    RecordCheck = new QCheckBox(QStringLiteral("&Record the mix"));
    RecordCheck->setObjectName(QStringLiteral("RecordCheck"));
    RecordCheck->setAccessibleName(QStringLiteral("Record the mix"));
    RecordCheck->setEnabled(m_recording != nullptr);
    page->addWidget(RecordCheck);
    auto* fields = new QFormLayout;
    page->addLayout(fields);
    Form = std::make_unique<SettingsForm>(fields);
    FolderEdit = new QLineEdit;
    Form->AddCheckedRow(QStringLiteral("F&older"), FolderEdit, OutletField::Folder);
    BrowseButton = new QPushButton(QStringLiteral("Bro&wse..."));
    BrowseButton->setAccessibleName(QStringLiteral("Browse for the folder"));
    fields->addRow(QString(), BrowseButton);
    FormatCombo = new QComboBox;
    for (const auto& [format, name] : kFormats) {
        FormatCombo->addItem(QString::fromLatin1(name));
    }
    Form->AddRow(QStringLiteral("&Format"), FormatCombo);
    BitRateSpin = new QSpinBox;
    BitRateSpin->setRange(0, kBitRateFieldMax);
    Form->AddCheckedRow(QStringLiteral("MP3 &bit rate (kbit/s)"), BitRateSpin,
                        OutletField::RecordingBitRate);
    NowPlayingEdit = new QLineEdit;
    NowPlayingEdit->setPlaceholderText(QStringLiteral("none"));
    Form->AddCheckedRow(QStringLiteral("&Now-playing file"), NowPlayingEdit,
                        OutletField::NowPlayingFile);
    StatusText = new QLabel;
    StatusText->setWordWrap(true);
    StatusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Form->AddRow(QStringLiteral("State"), StatusText);
    auto* note = new QLabel(QString::fromLatin1(kNote));
    note->setWordWrap(true);
    page->addWidget(note);
    page->addStretch();

    for (QLineEdit* edit : {FolderEdit, NowPlayingEdit}) {
        connect(edit, &QLineEdit::editingFinished, this, &RecordingPage::FieldsLeft);
    }
    connect(BitRateSpin, &QSpinBox::editingFinished, this, &RecordingPage::FieldsLeft);
    connect(FormatCombo, &QComboBox::activated, this, &RecordingPage::FieldsLeft);
    connect(BrowseButton, &QPushButton::clicked, this, &RecordingPage::Browse);
    connect(RecordCheck, &QCheckBox::toggled, this, &RecordingPage::Toggled);
}

void RecordingPage::ShowSettings() {
    FolderEdit->setText(Q(m_edited.folder));
    BitRateSpin->setValue(m_edited.mp3Kbps);
    NowPlayingEdit->setText(Q(m_edited.nowPlayingFile));
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (kFormats[i].first == m_edited.format) {
            FormatCombo->setCurrentIndex(static_cast<int>(i));
        }
    }
    BitRateSpin->setEnabled(m_edited.format == RecordingFormat::Mp3);
}

void RecordingPage::ReadFields() {
    m_edited.folder = S(FolderEdit);
    m_edited.format = kFormats.at(static_cast<std::size_t>(FormatCombo->currentIndex())).first;
    m_edited.mp3Kbps = BitRateSpin->value();
    m_edited.nowPlayingFile = S(NowPlayingEdit);
    BitRateSpin->setEnabled(m_edited.format == RecordingFormat::Mp3);
}

std::vector<FieldProblem> RecordingPage::Problems() const {
    const AnyFolder anyFolder;
    return OutletFieldCheck::Check(m_edited, m_folders != nullptr ? *m_folders : anyFolder);
}

void RecordingPage::FieldsLeft() {
    ReadFields();
    if (!Form->ShowProblems(Problems())) {
        return;
    }
    m_file.Keep(m_edited);
    if (m_running && *m_running != m_edited) {
        m_recording->stop();
        m_running.reset();
        if (!Start()) {
            const QSignalBlocker blocker(RecordCheck);
            RecordCheck->setChecked(false);
        }
    }
}

void RecordingPage::Browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Folder of the recordings"), FolderEdit->text());
    if (!chosen.isEmpty()) {
        FolderEdit->setText(chosen);
        FieldsLeft();
    }
}

bool RecordingPage::Start() {
    // The folder is made here, so the default one exists only once something is recorded.
    QDir().mkpath(Q(m_edited.folder));
    std::string why;
    if (!m_recording->start(m_edited, &why)) {
        Form->ShowProblems({{OutletField::Folder, "The recording could not start: " + why}});
        ShowStatus();
        return false;
    }
    m_running = m_edited;
    m_lastState = RecordingState::Recording;
    ShowStatus();
    return true;
}

bool RecordingPage::TurnOn() {
    RecordCheck->setChecked(true);
    return IsOn();
}

bool RecordingPage::IsOn() const {
    return m_running.has_value();
}

void RecordingPage::Toggled(bool on) {
    if (m_recording == nullptr) {
        return;
    }
    if (!on) {
        if (m_running) {
            m_running.reset();
            m_recording->stop();
        }
        ShowStatus();
        return;
    }
    ReadFields();
    bool started = false;
    if (Form->ShowProblems(Problems())) {
        m_file.Keep(m_edited);
        started = Start();
    }
    if (!started) {
        const QSignalBlocker blocker(RecordCheck);
        RecordCheck->setChecked(false);
    }
}

void RecordingPage::ShowStatus() {
    if (m_recording == nullptr) {
        StatusText->setText(QString::fromLatin1(kUnavailable));
        return;
    }
    const RecordingStatus status = m_recording->status();
    const QString text = Q(OutletStatusText::Recording(status));
    if (StatusText->text() != text) {
        StatusText->setText(text);
    }
    const bool failedNow = status.state == RecordingState::Failed &&
                           m_lastState != RecordingState::Failed && m_running.has_value();
    m_lastState = status.state;
    if (!failedNow) {
        return;
    }
    m_running.reset();
    m_recording->stop();
    {
        const QSignalBlocker blocker(RecordCheck);
        RecordCheck->setChecked(false);
    }
    if (m_dialogs != nullptr) {
        m_dialogs->messageBox("The recording stopped: " + status.reason +
                                  "\nWhat was recorded is kept in " + status.path + ".",
                              kCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

} // namespace korvale
