#include "ui/BroadcastPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

#include "core/OutletFieldCheck.h"
#include "core/OutletStatusText.h"
#include "interfaces/DesktopNotices.h"
#include "ui/OutletSettingsFile.h"
#include "ui/SettingsForm.h"

namespace korvale {

namespace {

constexpr int kBitRateFieldMax = 999; // wide, so a wrong number is refused in words
constexpr std::array kFormats{std::pair{StreamFormat::Mp3, "MP3"},
                              std::pair{StreamFormat::OggVorbis, "Ogg Vorbis"},
                              std::pair{StreamFormat::OggOpus, "Opus in Ogg"}};
constexpr const char* kNote =
    "The stream carries the mix of the two decks as it leaves the faders. The cue player's "
    "pre-listen is never sent, and the master level moves the system mixer and is not "
    "applied to the stream.\nBroadcasting is off whenever KORVALE starts; the --broadcast "
    "switch turns it on for one run with these settings.";
constexpr const char* kUnavailable = "Broadcasting is not available.";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

} // namespace

BroadcastPage::BroadcastPage(MixBroadcast* broadcast, SecretStore* secrets, DesktopNotices* notices,
                             OutletSettingsFile& file, QWidget* parent)
    : QWidget(parent), m_broadcast(broadcast), m_secrets(secrets), m_notices(notices), m_file(file),
      m_edited(file.Broadcast()) {
    setObjectName(QStringLiteral("BroadcastPage"));
    CreateFields();
    ShowSettings();
    ShowStatus();
}

BroadcastPage::~BroadcastPage() {
    if (m_running && m_broadcast != nullptr) {
        m_broadcast->stop();
    }
}

void BroadcastPage::CreateFields() {
    auto* page = new QVBoxLayout(this);
    BroadcastCheck = new QCheckBox(QStringLiteral("&Broadcast the mix"));
    BroadcastCheck->setObjectName(QStringLiteral("BroadcastCheck"));
    BroadcastCheck->setAccessibleName(QStringLiteral("Broadcast the mix"));
    BroadcastCheck->setEnabled(m_broadcast != nullptr);
    page->addWidget(BroadcastCheck);
    auto* fields = new QFormLayout;
    page->addLayout(fields);
    Form = std::make_unique<SettingsForm>(fields);
    HostEdit = new QLineEdit;
    Form->AddCheckedRow(QStringLiteral("&Host"), HostEdit, OutletField::Host);
    PortSpin = new QSpinBox;
    PortSpin->setRange(0, OutletFieldCheck::kMaxPort);
    Form->AddCheckedRow(QStringLiteral("&Port"), PortSpin, OutletField::Port);
    MountEdit = new QLineEdit;
    Form->AddCheckedRow(QStringLiteral("&Mount"), MountEdit, OutletField::Mount);
    UserEdit = new QLineEdit;
    Form->AddRow(QStringLiteral("&User"), UserEdit);
    PasswordEdit = new QLineEdit;
    PasswordEdit->setEchoMode(QLineEdit::Password);
    Form->AddCheckedRow(QStringLiteral("Pass&word"), PasswordEdit, OutletField::Password);
    PasswordPlace = new QLabel;
    PasswordPlace->setWordWrap(true);
    fields->addRow(QString(), PasswordPlace);
    FormatCombo = new QComboBox;
    for (const auto& [format, name] : kFormats) {
        FormatCombo->addItem(QString::fromLatin1(name));
    }
    Form->AddRow(QStringLiteral("&Format"), FormatCombo);
    BitRateSpin = new QSpinBox;
    BitRateSpin->setRange(0, kBitRateFieldMax);
    BitRateLabel =
        Form->AddCheckedRow(QStringLiteral("B&it rate"), BitRateSpin, OutletField::StreamBitRate);
    NameEdit = new QLineEdit;
    Form->AddRow(QStringLiteral("&Name"), NameEdit);
    DescriptionEdit = new QLineEdit;
    Form->AddRow(QStringLiteral("&Description"), DescriptionEdit);
    GenreEdit = new QLineEdit;
    Form->AddRow(QStringLiteral("&Genre"), GenreEdit);
    StatusText = new QLabel;
    StatusText->setWordWrap(true);
    StatusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Form->AddRow(QStringLiteral("State"), StatusText);
    auto* note = new QLabel(QString::fromLatin1(kNote));
    note->setWordWrap(true);
    page->addWidget(note);
    page->addStretch();

    for (QLineEdit* edit : {HostEdit, MountEdit, UserEdit, NameEdit, DescriptionEdit, GenreEdit}) {
        connect(edit, &QLineEdit::editingFinished, this, &BroadcastPage::FieldsLeft);
    }
    for (QSpinBox* spin : {PortSpin, BitRateSpin}) {
        connect(spin, &QSpinBox::editingFinished, this, &BroadcastPage::FieldsLeft);
    }
    connect(FormatCombo, &QComboBox::activated, this, [this](int index) {
        ReadFields();
        m_edited.format = kFormats.at(static_cast<std::size_t>(index)).first;
        ShowBitRate();
        FieldsLeft();
    });
    connect(PasswordEdit, &QLineEdit::editingFinished, this, &BroadcastPage::PasswordLeft);
    connect(BroadcastCheck, &QCheckBox::toggled, this, &BroadcastPage::Toggled);
}

void BroadcastPage::ShowSettings() {
    HostEdit->setText(Q(m_edited.host));
    PortSpin->setValue(m_edited.port);
    MountEdit->setText(Q(m_edited.mount));
    UserEdit->setText(Q(m_edited.user));
    NameEdit->setText(Q(m_edited.name));
    DescriptionEdit->setText(Q(m_edited.description));
    GenreEdit->setText(Q(m_edited.genre));
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        if (kFormats[i].first == m_edited.format) {
            FormatCombo->setCurrentIndex(static_cast<int>(i));
        }
    }
    ShowBitRate();
    PasswordPlace->setText(m_secrets != nullptr
                               ? QStringLiteral("The password is kept in ") +
                                     Q(m_secrets->where()) + QLatin1Char('.')
                               : QStringLiteral("The password is not kept: type it each run."));
}

void BroadcastPage::ShowBitRate() {
    const QSignalBlocker blocker(BitRateSpin);
    switch (m_edited.format) {
    case StreamFormat::Mp3:
        BitRateLabel->setText(QStringLiteral("B&it rate (kbit/s)"));
        BitRateSpin->setValue(m_edited.mp3Kbps);
        break;
    case StreamFormat::OggVorbis:
        BitRateLabel->setText(QStringLiteral("Qual&ity (0 to 10)"));
        BitRateSpin->setValue(m_edited.vorbisQuality);
        break;
    case StreamFormat::OggOpus:
        BitRateLabel->setText(QStringLiteral("B&it rate (kbit/s)"));
        BitRateSpin->setValue(m_edited.opusKbps);
        break;
    }
    QString plain = BitRateLabel->text();
    BitRateSpin->setAccessibleName(plain.remove(QLatin1Char('&')));
}

void BroadcastPage::ReadFields() {
    m_edited.host = S(HostEdit);
    m_edited.port = PortSpin->value();
    m_edited.mount = S(MountEdit);
    m_edited.user = S(UserEdit);
    m_edited.name = S(NameEdit);
    m_edited.description = S(DescriptionEdit);
    m_edited.genre = S(GenreEdit);
    switch (m_edited.format) {
    case StreamFormat::Mp3:
        m_edited.mp3Kbps = BitRateSpin->value();
        break;
    case StreamFormat::OggVorbis:
        m_edited.vorbisQuality = BitRateSpin->value();
        break;
    case StreamFormat::OggOpus:
        m_edited.opusKbps = BitRateSpin->value();
        break;
    }
}

void BroadcastPage::FieldsLeft() {
    ReadFields();
    if (!Form->ShowProblems(OutletFieldCheck::Check(m_edited))) {
        return;
    }
    m_file.Keep(m_edited);
    if (m_running && *m_running != m_edited) {
        Start();
    }
}

void BroadcastPage::PasswordLeft() {
    const std::string typed = PasswordEdit->text().toStdString();
    if (m_password && typed == *m_password) {
        return;
    }
    m_password = typed;
    std::string why;
    if (m_secrets != nullptr && !m_secrets->write(typed, &why)) {
        Form->ShowProblems({{OutletField::Password, "Kept for this run only: " + why}});
    }
    if (m_running) {
        Start();
    }
}

void BroadcastPage::ShowPassword() {
    Password();
}

const std::string& BroadcastPage::Password() {
    if (!m_password) {
        m_password = m_secrets != nullptr ? m_secrets->read() : std::string();
        const QSignalBlocker blocker(PasswordEdit);
        PasswordEdit->setText(Q(*m_password));
    }
    return *m_password;
}

void BroadcastPage::Start() {
    m_running = m_edited;
    m_broadcast->start(m_edited, Password());
    ShowStatus();
}

bool BroadcastPage::TurnOn() {
    BroadcastCheck->setChecked(true);
    return IsOn();
}

bool BroadcastPage::IsOn() const {
    return m_running.has_value();
}

void BroadcastPage::Toggled(bool on) {
    if (m_broadcast == nullptr) {
        return;
    }
    if (!on) {
        if (m_running) {
            m_running.reset();
            m_broadcast->stop();
        }
        ShowStatus();
        return;
    }
    ReadFields();
    if (!Form->ShowProblems(OutletFieldCheck::Check(m_edited))) {
        const QSignalBlocker blocker(BroadcastCheck);
        BroadcastCheck->setChecked(false);
        return;
    }
    m_file.Keep(m_edited);
    Start();
}

void BroadcastPage::ShowStatus() {
    if (m_broadcast == nullptr) {
        StatusText->setText(QString::fromLatin1(kUnavailable));
        return;
    }
    const BroadcastStatus status = m_broadcast->status();
    const QString text = Q(OutletStatusText::Broadcast(status));
    if (StatusText->text() != text) {
        StatusText->setText(text);
    }
    if (const std::optional<BroadcastNotice> news = m_news.Update(status)) {
        if (m_notices != nullptr) {
            m_notices->Notify(news->summary, news->body);
        }
    }
}

} // namespace korvale
