#include "ui/CKORVALEDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include <unistd.h>

#include <climits>
#include <vector>

#include "core/PathLength.h"
#include "platform/AudioDevices.h"
#include "platform/Dialogs.h"
#include "platform/MciDevice.h"
#include "platform/Shell.h"
#include "ui/ClickLabel.h"
#include "ui/ControlTable.h"
#include "ui/FormatText.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kDialogFontPointSize = 8;
constexpr int kHorizontalDuPerChar = 4;
constexpr int kVerticalDuPerLine = 8;
constexpr int kHiddenPlayerPosition = 10000;
constexpr double kSmallestFittedPointSize = 6.0;
constexpr double kFontFitStep = 0.25;
constexpr int kTextPadding = 2;
constexpr int kSunkenTextPadding = 4;
constexpr int kButtonTextPadding = 8;
constexpr int kCheckBoxTextPadding = 24;
constexpr int kTickPeriodMs = 10;
constexpr int kUpperProgressMaximum = 32767;
constexpr int kStartSkipLastSeconds = 5;
constexpr char kHelpPageName[] = "korvale_1_1_help.htm";
constexpr char kMixerNotOpenedText[] = "Mixer Not Opened";
constexpr char kMixerNotOpenedCaption[] = "Error!";
constexpr char kNoHelpProgramFormat[] =
    "No program to show the help page was found. The page is %s";
constexpr char kNoHelpProgramCaption[] = "Help";
constexpr char kStopCueCommand[] = "stop movie";
constexpr char kCloseCueCommand[] = "close movie";

// Screen widths of the placement rule and where they put the window.
constexpr int kSmallScreenWidth = 640;
constexpr int kMediumScreenWidth = 800;
constexpr int kLargeScreenWidth = 1024;
constexpr QRect kMediumScreenPlace{80, 60, 640, 480};
constexpr QRect kLargeScreenPlace{192, 144, 640, 480};

// Track-bar set-up at start-up: tick frequency, range, page size.
struct TrackBarSetUp {
    int tickFrequency;
    int minimum;
    int maximum;
    int pageSize;
};
constexpr TrackBarSetUp kLevelSetUp{1456, 1, 65536, 728};
constexpr TrackBarSetUp kFaderSetUp{400, 0, 9000, 1};
constexpr TrackBarSetUp kThresholdSetUp{400, 0, 9000, 1};
constexpr TrackBarSetUp kSkipLastSetUp{1, 0, 60, 1};
constexpr TrackBarSetUp kSpeedSetUp{100, 1, 600, 1};
constexpr TrackBarSetUp kCuePositionSetUp{100, 1, 1000, 1};
constexpr int kFaderStartPosition = 9000;
constexpr int kThresholdStartPosition = 5;

void ApplySetUp(TrackBar* bar, const TrackBarSetUp& setUp) {
    bar->setTickInterval(setUp.tickFrequency);
    bar->SetRangeSilently(setUp.minimum, setUp.maximum);
    bar->setPageStep(setUp.pageSize);
}

QLabel* MakeText(const QString& caption, Qt::Alignment alignment, bool sunken, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setAlignment(alignment | Qt::AlignVCenter);
    if (sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    return label;
}

QWidget* MakeControl(const ControlSpec& entry, QWidget* parent) {
    const QString caption = QString::fromUtf8(entry.caption);
    switch (entry.kind) {
    case ControlKind::PushButton:
        return new QPushButton(caption, parent);
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(caption, parent);
        button->setDefault(true);
        return button;
    }
    case ControlKind::ToggleButton: {
        auto* button = new QPushButton(caption, parent);
        button->setCheckable(true);
        return button;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(caption, parent);
        box->setLayoutDirection(Qt::RightToLeft); // text on the left of the box
        return box;
    }
    case ControlKind::VerticalTrackBar: {
        auto* bar = new TrackBar(Qt::Vertical, parent);
        bar->setTickPosition(QSlider::TicksBothSides);
        return bar;
    }
    case ControlKind::HorizontalTrackBar:
        return new TrackBar(Qt::Horizontal, parent);
    case ControlKind::BorderedTrackBar: {
        auto* bar = new TrackBar(Qt::Horizontal, parent);
        bar->setStyleSheet(QStringLiteral("QSlider { border: 1px solid palette(mid); }"));
        return bar;
    }
    case ControlKind::ListBox:
    case ControlKind::HiddenListBox:
        return new PlayListView(parent);
    case ControlKind::TextLeft:
        return MakeText(caption, Qt::AlignLeft, false, parent);
    case ControlKind::TextCentred:
        return MakeText(caption, Qt::AlignHCenter, false, parent);
    case ControlKind::TextRight:
        return MakeText(caption, Qt::AlignRight, false, parent);
    case ControlKind::TextSunken:
        return MakeText(caption, Qt::AlignLeft, true, parent);
    case ControlKind::TextCentredSunken:
        return MakeText(caption, Qt::AlignHCenter, true, parent);
    case ControlKind::ClickText: {
        auto* label = new ClickLabel(caption, parent);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(caption, parent);
    case ControlKind::CentredGroupBox: {
        auto* group = new QGroupBox(caption, parent);
        group->setAlignment(Qt::AlignHCenter);
        return group;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setValue(bar->minimum());
        return bar;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    }
    case ControlKind::MediaPlayer:
        return new QWidget(parent);
    }
    return new QWidget(parent);
}

// Shrinks a control's font until its caption fits its width, so that texts sized for the
// template's font are never cut; the dialog-unit grid stays that of the dialog font.
void FitFontToWidth(QWidget* control, const QString& text, int padding) {
    if (text.isEmpty()) {
        return;
    }
    QFont font = control->font();
    while (font.pointSizeF() > kSmallestFittedPointSize &&
           QFontMetrics(font).horizontalAdvance(text) + padding > control->width()) {
        font.setPointSizeF(font.pointSizeF() - kFontFitStep);
    }
    control->setFont(font);
}

int FitPadding(ControlKind kind) {
    switch (kind) {
    case ControlKind::CheckBox:
        return kCheckBoxTextPadding;
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::ToggleButton:
        return kButtonTextPadding;
    case ControlKind::TextSunken:
    case ControlKind::TextCentredSunken:
        return kSunkenTextPadding;
    default:
        return kTextPadding;
    }
}

template <typename T> T* Find(QObject* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT(control != nullptr);
    return control;
}

} // namespace

void SetLabelText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

void SetCheckedSilently(QPushButton* button, bool checked) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

CKORVALEDlg::CKORVALEDlg(const WindowServices& services, QWidget* parent)
    : QDialog(parent), PlayerA(services.deck1), PlayerB(services.deck2), m_services(services) {
    setWindowTitle(QStringLiteral("KORVALE"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("CKORVALEDlg"));
    QFont dialogFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    dialogFont.setPointSize(kDialogFontPointSize);
    setFont(dialogFont);
    CreateControls();
    ConnectControls();
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        const int id = static_cast<int>(i) + 1;
        m_timers[i].setTimerType(Qt::PreciseTimer);
        connect(&m_timers[i], &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
}

CKORVALEDlg::~CKORVALEDlg() {
    for (QTimer& timer : m_timers) {
        timer.stop();
    }
}

void CKORVALEDlg::CreateControls() {
    const QFontMetrics metrics(font());
    const int charWidth = metrics.averageCharWidth();
    const int lineHeight = metrics.height();
    const auto toX = [charWidth](int du) { return du * charWidth / kHorizontalDuPerChar; };
    const auto toY = [lineHeight](int du) { return du * lineHeight / kVerticalDuPerLine; };

    std::vector<QWidget*> groups;
    for (const ControlSpec& entry : WindowControls()) {
        QWidget* control = MakeControl(entry, this);
        const QString name = QString::fromLatin1(entry.name);
        control->setObjectName(name);
        control->setAccessibleDescription(name);
        int height = toY(entry.height);
        if (entry.kind == ControlKind::ComboBox) {
            // A drop-down list's template height includes its open list.
            height = control->sizeHint().height();
        }
        control->setGeometry(toX(entry.x), toY(entry.y), toX(entry.width), height);
        FitFontToWidth(control, QString::fromUtf8(entry.caption), FitPadding(entry.kind));
        control->setVisible((entry.state & kStateHidden) == 0);
        control->setEnabled((entry.state & kStateDisabled) == 0);
        if (entry.kind == ControlKind::GroupBox || entry.kind == ControlKind::CentredGroupBox) {
            groups.push_back(control);
        }
    }
    // Frames stay behind the controls they surround.
    for (QWidget* group : groups) {
        group->lower();
    }
    setFixedSize(toX(kTemplateWidthDu), toY(kTemplateHeightDu));

    StatusLine = Find<QLabel>(this, "StatusLine");
    SkipLastSlider = Find<TrackBar>(this, "SkipLastSlider");
    UpperProgressBar = Find<QProgressBar>(this, "UpperProgressBar");
    CuePositionSlider = Find<TrackBar>(this, "CuePositionSlider");
    ExitButton = Find<QPushButton>(this, "ExitButton");
    PlayerAControl = Find<QWidget>(this, "PlayerA");
    PlayerBControl = Find<QWidget>(this, "PlayerB");
    FaderA = Find<TrackBar>(this, "FaderA");
    FaderB = Find<TrackBar>(this, "FaderB");
    MasterLevel = Find<TrackBar>(this, "MasterLevel");
    PlayListBox = Find<PlayListView>(this, "PlayListBox");
    LoadButton = Find<QPushButton>(this, "LoadButton");
    CueAButton = Find<QPushButton>(this, "CueAButton");
    PlayAButton = Find<QPushButton>(this, "PlayAButton");
    StopAButton = Find<QPushButton>(this, "StopAButton");
    CloseAButton = Find<QPushButton>(this, "CloseAButton");
    CueBButton = Find<QPushButton>(this, "CueBButton");
    PlayBButton = Find<QPushButton>(this, "PlayBButton");
    StopBButton = Find<QPushButton>(this, "StopBButton");
    CloseBButton = Find<QPushButton>(this, "CloseBButton");
    MixButton = Find<QPushButton>(this, "MixButton");
    FaderALabel = Find<ClickLabel>(this, "FaderALabel");
    FaderBLabel = Find<ClickLabel>(this, "FaderBLabel");
    MasterLevelLabel = Find<QLabel>(this, "MasterLevelLabel");
    ElapsedA = Find<QLabel>(this, "ElapsedA");
    ElapsedB = Find<QLabel>(this, "ElapsedB");
    TimeA = Find<QLabel>(this, "TimeA");
    RemainA = Find<QLabel>(this, "RemainA");
    TimeB = Find<QLabel>(this, "TimeB");
    RemainB = Find<QLabel>(this, "RemainB");
    ShuffleButton = Find<QPushButton>(this, "ShuffleButton");
    DeleteButton = Find<QPushButton>(this, "DeleteButton");
    ClearButton = Find<QPushButton>(this, "ClearButton");
    FadeInThresholdSlider = Find<TrackBar>(this, "FadeInThresholdSlider");
    LoadNextCheck = Find<QPushButton>(this, "LoadNextCheck");
    MixNextCheck = Find<QPushButton>(this, "MixNextCheck");
    WaitFadeInCheck = Find<QCheckBox>(this, "WaitFadeInCheck");
    FadeInThresholdLabel = Find<QLabel>(this, "FadeInThresholdLabel");
    OutSpeedSlider = Find<TrackBar>(this, "OutSpeedSlider");
    InSpeedSlider = Find<TrackBar>(this, "InSpeedSlider");
    SkipLastLabel = Find<QLabel>(this, "SkipLastLabel");
    OutSpeedLabel = Find<QLabel>(this, "OutSpeedLabel");
    InSpeedLabel = Find<QLabel>(this, "InSpeedLabel");
    ShuffleScratchList = Find<PlayListView>(this, "ShuffleScratchList");
    MixStyleCombo = Find<QComboBox>(this, "MixStyleCombo");
    AboutButton = Find<QPushButton>(this, "AboutButton");
    SetCueButton = Find<QPushButton>(this, "SetCueButton");
    CueDuration = Find<QLabel>(this, "CueDuration");
    CuePlayPauseButton = Find<QPushButton>(this, "CuePlayPauseButton");
    CueClipName = Find<QLabel>(this, "CueClipName");
    CuePlayTime = Find<QLabel>(this, "CuePlayTime");
    CuePositionDisplay = Find<QLabel>(this, "CuePositionDisplay");
    MarkInButton = Find<QPushButton>(this, "MarkInButton");
    StopAllButton = Find<QPushButton>(this, "StopAllButton");
    SaveListButton = Find<QPushButton>(this, "SaveListButton");
    GoToCueButton = Find<QPushButton>(this, "GoToCueButton");
    HelpButton = Find<QPushButton>(this, "HelpButton");
    MicButton = Find<QPushButton>(this, "MicButton");
    MicLevelLabel = Find<QLabel>(this, "MicLevelLabel");
    MicLevel = Find<TrackBar>(this, "MicLevel");
    TOCheck = Find<QPushButton>(this, "TOCheck");
    LowerProgressBar = Find<QProgressBar>(this, "LowerProgressBar");
    MasterCaption = Find<QLabel>(this, "MasterCaption");
    CueCaption = Find<QLabel>(this, "CueCaption");
    MixStyleGroup = Find<QGroupBox>(this, "MixStyleGroup");
    MixStyleCaption = Find<QLabel>(this, "MixStyleCaption");

    // The one-letter buttons say what they do.
    struct ToolTip {
        QPushButton* button;
        const char* text;
    };
    for (const ToolTip& tip :
         {ToolTip{ShuffleButton, "Shuffle the play list"},
          ToolTip{ClearButton, "Clear the play list"},
          ToolTip{DeleteButton, "Delete the selected entry"},
          ToolTip{LoadButton, "Load clips from a folder or a play list"},
          ToolTip{AboutButton, "About KORVALE"}, ToolTip{SaveListButton, "Save the play list"},
          ToolTip{HelpButton, "Open the help page"},
          ToolTip{StopAllButton, "Stop both players and the cue player"},
          ToolTip{ExitButton, "Exit KORVALE"}}) {
        tip.button->setToolTip(QString::fromLatin1(tip.text));
    }

    // Plain captions, not the program's buttons, receive no default-button role.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button != MixButton) {
            button->setAutoDefault(false);
        }
    }
}

void CKORVALEDlg::ConnectControls() {
    // Track bars: one handler per orientation, whichever bar moved.
    for (TrackBar* bar : findChildren<TrackBar*>()) {
        if (bar->orientation() == Qt::Vertical) {
            connect(bar, &TrackBar::userScrolled, this, &CKORVALEDlg::OnVScroll);
        } else {
            connect(bar, &TrackBar::userScrolled, this, &CKORVALEDlg::OnHScroll);
        }
    }
    connect(ExitButton, &QPushButton::clicked, this, &CKORVALEDlg::OnExitButton);
    connect(PlayListBox, &PlayListView::userSelectionChanged, this, &CKORVALEDlg::LoadSelectedClip);
    connect(LoadButton, &QPushButton::clicked, this, &CKORVALEDlg::GatherClips);
    connect(DeleteButton, &QPushButton::clicked, this, &CKORVALEDlg::RemoveSelectedClip);
    connect(ClearButton, &QPushButton::clicked, this, &CKORVALEDlg::ClearPlayList);
    connect(SaveListButton, &QPushButton::clicked, this, &CKORVALEDlg::SavePlayList);
    connect(ShuffleButton, &QPushButton::clicked, this, &CKORVALEDlg::ShufflePlayList);
    connect(PlayAButton, &QPushButton::clicked, this, [this] { PlayDeck(1); });
    connect(PlayBButton, &QPushButton::clicked, this, [this] { PlayDeck(2); });
    connect(StopAButton, &QPushButton::clicked, this, [this] { StopDeck(1); });
    connect(StopBButton, &QPushButton::clicked, this, [this] { StopDeck(2); });
    connect(CloseAButton, &QPushButton::clicked, this, [this] { CloseDeck(1); });
    connect(CloseBButton, &QPushButton::clicked, this, [this] { CloseDeck(2); });
    connect(FaderALabel, &ClickLabel::clicked, this, [this] { ShowDeckClipName(1); });
    connect(FaderBLabel, &ClickLabel::clicked, this, [this] { ShowDeckClipName(2); });
    connect(MixButton, &QPushButton::clicked, this, &CKORVALEDlg::Mix);
    connect(WaitFadeInCheck, &QCheckBox::toggled, this, [this] { SyncWaitBox(); });
    connect(MixStyleCombo, &QComboBox::activated, this, [this] { ApplyMixStyle(); });
    connect(CueAButton, &QPushButton::clicked, this, [this] { CueFromDeck(1); });
    connect(CueBButton, &QPushButton::clicked, this, [this] { CueFromDeck(2); });
    connect(SetCueButton, &QPushButton::clicked, this, &CKORVALEDlg::SetCueOnDecks);
    connect(CuePlayPauseButton, &QPushButton::clicked, this, &CKORVALEDlg::ToggleCuePlay);
    connect(MarkInButton, &QPushButton::clicked, this, &CKORVALEDlg::MarkCueIn);
    connect(GoToCueButton, &QPushButton::clicked, this, &CKORVALEDlg::GoToCuePoint);
    connect(MicButton, &QPushButton::toggled, this, &CKORVALEDlg::OnMicButton);
    connect(AboutButton, &QPushButton::clicked, this, &CKORVALEDlg::ShowAboutBox);
    connect(StopAllButton, &QPushButton::clicked, this, &CKORVALEDlg::StopEverything);
    connect(HelpButton, &QPushButton::clicked, this, &CKORVALEDlg::OpenHelpPage);
}

bool CKORVALEDlg::OnInitDialog() {
    // The stored mix-style index goes to the still empty box.
    MixStyleCombo->setCurrentIndex(m_mixStyleIndex);
    // No system menu is given to a program here; the icon is the application's. The deck
    // stand-ins never show.
    for (QWidget* player : {PlayerAControl, PlayerBControl}) {
        player->setGeometry(kHiddenPlayerPosition, kHiddenPlayerPosition, 1, 1);
        player->hide();
    }
    // The microphone button's state reaches the level slider.
    OnMicButton();
    // Device counts (not used further) and the mixer kept open for the process.
    if (m_services.devices != nullptr) {
        m_services.devices->mixerCount();
        m_services.devices->waveOutCount();
        m_mixerOpened = m_services.devices->openMixer0();
    }
    if (!m_mixerOpened && m_services.dialogs != nullptr) {
        m_services.dialogs->messageBox(this, kMixerNotOpenedText, kMixerNotOpenedCaption,
                                       MessageIcon::Exclamation, MessageButtons::Ok);
    }
    // The start-up folder, where the help page is looked for.
    std::vector<char> cwd(PATH_MAX + 1, '\0');
    std::string directory = getcwd(cwd.data(), cwd.size()) != nullptr ? cwd.data() : "";
    if (!FitsPathLimit(directory)) {
        directory.clear(); // too long to hold: the help page is not offered from it
    }
    m_state.g_appDirectory = directory + "/";
    SetUpTrackBars();
    // Devices, mixer names, mix styles and the current output levels.
    CheckAudioDevices();
    ShowMixerNames();
    FillMixStyles();
    ReadMasterLevel();
    ReadMicLevel();
    // Progress bar and the skip-last slider's start position.
    UpperProgressBar->setRange(0, kUpperProgressMaximum);
    UpperProgressBar->setValue(0);
    SkipLastSlider->SetPositionSilently(kStartSkipLastSeconds);
    // Placement, the first mix style, then the tick.
    PlaceWindow();
    ApplyMixStyle();
    if (m_services.startTickTimer) {
        SetTimer(kTickTimerId, kTickPeriodMs);
    }
    return true;
}

void CKORVALEDlg::SetUpTrackBars() {
    ApplySetUp(MasterLevel, kLevelSetUp);
    ApplySetUp(MicLevel, kLevelSetUp);
    ApplySetUp(FaderA, kFaderSetUp);
    FaderA->SetPositionSilently(kFaderStartPosition);
    ApplySetUp(FaderB, kFaderSetUp);
    FaderB->SetPositionSilently(kFaderStartPosition);
    ApplySetUp(FadeInThresholdSlider, kThresholdSetUp);
    FadeInThresholdSlider->SetPositionSilently(kThresholdStartPosition);
    ApplySetUp(SkipLastSlider, kSkipLastSetUp);
    ApplySetUp(InSpeedSlider, kSpeedSetUp);
    InSpeedSlider->SetPositionSilently(m_state.g_inSpeed);
    InSpeedLabel->setText(QStringLiteral("In Speed %1").arg(m_state.g_inSpeed));
    ApplySetUp(OutSpeedSlider, kSpeedSetUp);
    OutSpeedSlider->SetPositionSilently(m_state.g_outSpeed);
    OutSpeedLabel->setText(QStringLiteral("Out Speed %1").arg(m_state.g_outSpeed));
    ApplySetUp(CuePositionSlider, kCuePositionSetUp);
    SetCueButton->setEnabled(false);
}

std::optional<QRect> CKORVALEDlg::PlacementForScreen(QSize screen) {
    if (screen.width() == kSmallScreenWidth) {
        return QRect(QPoint(0, 0), screen);
    }
    if (screen.width() == kMediumScreenWidth) {
        return kMediumScreenPlace;
    }
    if (screen.width() >= kLargeScreenWidth) {
        return kLargeScreenPlace;
    }
    return std::nullopt;
}

void CKORVALEDlg::PlaceWindow() {
    QSize screenSize;
    if (m_services.screenSize) {
        screenSize = *m_services.screenSize;
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenSize = screen->size();
    }
    if (const std::optional<QRect> place = PlacementForScreen(screenSize)) {
        setFixedSize(place->size());
        move(place->topLeft());
        show();
        raise();
        return;
    }
    // Other screens: centred, at the template's size.
    move((screenSize.width() - width()) / 2, (screenSize.height() - height()) / 2);
}

void CKORVALEDlg::SetTimer(int timerId, int periodMs) {
    if (timerId < kTickTimerId || timerId > kCueTimerId) {
        return;
    }
    QTimer& timer = m_timers[static_cast<std::size_t>(timerId - 1)];
    timer.setInterval(periodMs);
    timer.start();
}

void CKORVALEDlg::KillTimer(int timerId) {
    if (timerId < kTickTimerId || timerId > kCueTimerId) {
        return;
    }
    m_timers[static_cast<std::size_t>(timerId - 1)].stop();
}

bool CKORVALEDlg::IsTimerRunning(int timerId) const {
    if (timerId < kTickTimerId || timerId > kCueTimerId) {
        return false;
    }
    return m_timers[static_cast<std::size_t>(timerId - 1)].isActive();
}

void CKORVALEDlg::OnVScroll() {
    ApplyDeckFaders();
    ApplyLevels();
}

void CKORVALEDlg::OnHScroll() {
    ReadFadeSliders();
    CueSliderMoved();
}

void CKORVALEDlg::SetStatus(const std::string& text) {
    StatusLine->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string CKORVALEDlg::StatusText() const {
    return StatusLine->text().toStdString();
}

void CKORVALEDlg::ShowAboutBox() {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->about(this);
    }
}

void CKORVALEDlg::StopEverything() {
    SetCheckedSilently(LoadNextCheck, false);
    SetCheckedSilently(MixNextCheck, false);
    CloseDeck(1);
    CloseDeck(2);
    CloseCuePlayer();
}

void CKORVALEDlg::OpenHelpPage() {
    const std::string path = m_state.g_appDirectory + kHelpPageName;
    // A start-up folder too long for the page's path offers no help page.
    if (m_services.shell == nullptr || m_state.g_appDirectory.size() <= 1 || !FitsPathLimit(path)) {
        return;
    }
    if (!m_services.shell->openLocalFile(path) && m_services.dialogs != nullptr) {
        m_services.dialogs->messageBox(this, FormatText(kNoHelpProgramFormat, path.c_str()),
                                       kNoHelpProgramCaption, MessageIcon::Exclamation,
                                       MessageButtons::Ok);
    }
}

void CKORVALEDlg::OnExitButton() {
    StopEverything();
    if (m_services.mci != nullptr) {
        m_services.mci->sendString(kStopCueCommand);
        m_services.mci->sendString(kCloseCueCommand);
    }
    if (m_automationProxy != nullptr) {
        hide();
        return;
    }
    m_mixStyleIndex = MixStyleCombo->currentIndex();
    accept();
}

void CKORVALEDlg::RunUntilHidden() {
    // QDialog::exec() would make the window application-modal when it is not yet shown,
    // and an application-modal window blocks every ownerless dialog opened meanwhile.
    setWindowModality(Qt::NonModal);
    show();
    raise();
    activateWindow();
    if (!isVisible()) {
        return;
    }
    QEventLoop loop;
    m_runLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_runLoop = nullptr;
}

void CKORVALEDlg::setVisible(bool visible) {
    QDialog::setVisible(visible);
    if (!visible && m_runLoop != nullptr) {
        m_runLoop->exit();
    }
}

void CKORVALEDlg::SetAutomationProxy(QObject* proxy) {
    m_automationProxy = proxy;
}

void CKORVALEDlg::reject() {
    // Escape and the frame's close request never end the program; only "X" does.
    if (m_automationProxy != nullptr) {
        hide();
    }
}

void CKORVALEDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (m_automationProxy != nullptr) {
        hide();
    }
}

void CKORVALEDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // the cancel command is ignored
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace korvale
