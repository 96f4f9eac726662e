#include "ui/CKORVALEDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
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

#include "core/FaderUnits.h"
#include "core/LevelMapping.h"
#include "core/MixStylePresets.h"
#include "interfaces/PathLength.h"
#include "ui/ClickLabel.h"
#include "ui/ControlTable.h"
#include "ui/GroupFrame.h"
#include "ui/OptionsMenu.h"
#include "ui/PlayListModel.h"
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
constexpr int kUpperProgressMaximum = 32767;

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
constexpr TrackBarSetUp kLevelSetUp{kLevelTickFrequency, kLevelMin, kLevelMax, kLevelPageSize};
constexpr TrackBarSetUp kFaderSetUp{kFaderTickFrequency, kFaderFullLevel, kFaderBottom, 1};
constexpr TrackBarSetUp kThresholdSetUp{kFaderTickFrequency, kFadeInThresholdMin,
                                        kFadeInThresholdMax, 1};
constexpr TrackBarSetUp kSkipLastSetUp{1, kSkipLastMin, kSkipLastMax, 1};
constexpr TrackBarSetUp kSpeedSetUp{100, kFadeSpeedMin, kFadeSpeedMax, 1};
constexpr TrackBarSetUp kCuePositionSetUp{100, CuePlayer::kStartSliderMinimum,
                                          CuePlayer::kStartSliderMaximum, 1};
// Play list sizes in pixels with the mic controls shown and hidden.
constexpr int kPlayListWidthMicOn = 175;
constexpr int kPlayListWidthMicOff = 223;
constexpr int kPlayListHeight = 368;

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

QWidget* MakeControl(const ControlSpec& entry, const PlayList* list, QWidget* parent) {
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
        return new PlayListView(list, parent);
    case ControlKind::HiddenListBox:
        return new PlayListView(nullptr, parent);
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
        return new GroupFrame(caption, parent);
    case ControlKind::CentredGroupBox: {
        auto* group = new GroupFrame(caption, parent);
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

void SetCheckedSilently(QAbstractButton* button, bool checked) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

CKORVALEDlg::CKORVALEDlg(const WindowServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_core(services.core, *this) {
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
    Options = new OptionsMenu(m_core.Leveling(), services.optionsFile, this);
    Options->Restore(services.matchLoudnessSwitch, services.skipSilentEdgesSwitch);
    Settings = new SettingsWindow(*Options, m_core.Leveling(), services.outlets,
                                  services.core.dialogs, services.optionsFile, this);
    // The shortcut works while the menu is closed.
    addAction(Options->SettingsAction);
    connect(Options->SettingsAction, &QAction::triggered, Settings, &SettingsWindow::Open);
    for (std::size_t i = 0; i < m_timers.size(); ++i) {
        const auto id = static_cast<TimerId>(i + 1);
        m_timers[i].setTimerType(Qt::PreciseTimer);
        connect(&m_timers[i], &QTimer::timeout, this, [this, id] { m_core.OnTimer(id); });
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
        QWidget* control = MakeControl(entry, &m_core.List(), this);
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

    m_core.Store().List().SetObserver(PlayListBox->Model());

    // Plain captions, not the program's buttons, receive no default-button role.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button != MixButton) {
            button->setAutoDefault(false);
        }
    }
}

void CKORVALEDlg::ConnectControls() {
    // Track bars: each move is handed to the core, then one handler per orientation runs,
    // whichever bar moved.
    const auto vertical = [this](TrackBar* bar, auto&& take) {
        connect(bar, &TrackBar::userScrolled, this, [this, bar, take] {
            take(bar->Position());
            m_core.OnVScroll();
        });
    };
    vertical(FaderA, [this](int p) { m_core.Decks().FaderMovedByUser(Deck::A, p); });
    vertical(FaderB, [this](int p) { m_core.Decks().FaderMovedByUser(Deck::B, p); });
    vertical(MasterLevel, [this](int p) { m_core.Levels().MasterMovedByUser(p); });
    vertical(MicLevel, [this](int p) { m_core.Levels().MicMovedByUser(p); });
    const auto horizontal = [this](TrackBar* bar, auto&& take) {
        connect(bar, &TrackBar::userScrolled, this, [this, bar, take] {
            take(bar->Position());
            m_core.OnHScroll();
        });
    };
    struct FadeBar {
        TrackBar* bar;
        FadeSlider slider;
    };
    for (const FadeBar& fade : {FadeBar{SkipLastSlider, FadeSlider::SkipLast},
                                FadeBar{FadeInThresholdSlider, FadeSlider::FadeInThreshold},
                                FadeBar{InSpeedSlider, FadeSlider::InSpeed},
                                FadeBar{OutSpeedSlider, FadeSlider::OutSpeed}}) {
        const FadeSlider slider = fade.slider;
        horizontal(fade.bar,
                   [this, slider](int p) { m_core.Settings().SliderMovedByUser(slider, p); });
    }
    horizontal(CuePositionSlider, [this](int p) { m_core.Cue().SliderMovedByUser(p); });

    connect(ExitButton, &QPushButton::clicked, this, &CKORVALEDlg::OnExitButton);
    connect(PlayListBox, &PlayListView::userSelected, this,
            [this](int index) { m_core.Store().SelectedByUser(index); });
    connect(LoadButton, &QPushButton::clicked, this, [this] { m_core.Store().GatherClips(); });
    connect(DeleteButton, &QPushButton::clicked, this,
            [this] { m_core.Store().RemoveSelectedClip(); });
    connect(ClearButton, &QPushButton::clicked, this, [this] { m_core.Store().ClearPlayList(); });
    connect(SaveListButton, &QPushButton::clicked, this, [this] { m_core.Files().SavePlayList(); });
    connect(ShuffleButton, &QPushButton::clicked, this,
            [this] { m_core.Shuffler().ShufflePlayList(); });
    struct DeckButtons {
        Deck deck;
        QPushButton* play;
        QPushButton* stop;
        QPushButton* close;
        QPushButton* cue;
        ClickLabel* label;
    };
    for (const DeckButtons& d :
         {DeckButtons{Deck::A, PlayAButton, StopAButton, CloseAButton, CueAButton, FaderALabel},
          DeckButtons{Deck::B, PlayBButton, StopBButton, CloseBButton, CueBButton, FaderBLabel}}) {
        const Deck deck = d.deck;
        connect(d.play, &QPushButton::clicked, this,
                [this, deck] { m_core.Decks().PlayDeck(deck); });
        connect(d.stop, &QPushButton::clicked, this,
                [this, deck] { m_core.Decks().StopDeck(deck); });
        connect(d.close, &QPushButton::clicked, this,
                [this, deck] { m_core.Decks().CloseDeck(deck); });
        connect(d.cue, &QPushButton::clicked, this,
                [this, deck] { m_core.Cue().CueFromDeck(deck); });
        connect(d.label, &ClickLabel::clicked, this,
                [this, deck] { m_core.Decks().ShowDeckClipName(deck); });
    }
    connect(MixButton, &QPushButton::clicked, this, [this] { m_core.Fade().Mix(); });
    connect(WaitFadeInCheck, &QCheckBox::toggled, this,
            [this](bool checked) { m_core.Settings().WaitBoxToggledByUser(checked); });
    connect(MixStyleCombo, &QComboBox::activated, this,
            [this](int index) { m_core.Settings().StyleChosenByUser(index); });
    connect(SetCueButton, &QPushButton::clicked, this, [this] { m_core.Cue().SetCueOnDecks(); });
    connect(CuePlayPauseButton, &QPushButton::clicked, this,
            [this] { m_core.Cue().ToggleCuePlay(); });
    connect(MarkInButton, &QPushButton::clicked, this, [this] { m_core.Cue().MarkCueIn(); });
    connect(GoToCueButton, &QPushButton::clicked, this, [this] { m_core.Cue().GoToCuePoint(); });
    connect(MicButton, &QPushButton::toggled, this,
            [this](bool on) { m_core.Levels().MicButtonToggledByUser(on); });
    connect(TOCheck, &QPushButton::toggled, this,
            [this](bool on) { m_core.Levels().TalkOverToggledByUser(on); });
    connect(LoadNextCheck, &QPushButton::toggled, this,
            [this](bool down) { m_core.SetLoadNext(down); });
    connect(MixNextCheck, &QPushButton::toggled, this,
            [this](bool down) { m_core.SetMixNext(down); });
    connect(AboutButton, &QPushButton::clicked, this, [this] { m_core.ShowAboutBox(); });
    connect(StopAllButton, &QPushButton::clicked, this, [this] { m_core.StopEverything(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { m_core.OpenHelpPage(); });
}

bool CKORVALEDlg::OnInitDialog() {
    // No system menu is given to a program here; the icon is the application's. The deck
    // stand-ins never show.
    for (QWidget* player : {PlayerAControl, PlayerBControl}) {
        player->setGeometry(kHiddenPlayerPosition, kHiddenPlayerPosition, 1, 1);
        player->hide();
    }
    SetUpTrackBars();
    {
        const QSignalBlocker blocker(MixStyleCombo);
        for (const MixStyle& style : kMixStyles) {
            MixStyleCombo->addItem(
                QString::fromLatin1(style.name.data(), static_cast<qsizetype>(style.name.size())));
        }
    }
    std::string directory;
    if (m_services.workingDirectory) {
        directory = *m_services.workingDirectory;
    } else {
        std::vector<char> cwd(PATH_MAX + 1, '\0');
        directory = getcwd(cwd.data(), cwd.size()) != nullptr ? cwd.data() : "";
    }
    UpperProgressBar->setRange(0, kUpperProgressMaximum);
    UpperProgressBar->setValue(0);
    // The start-up messages (no mixer, no sound devices) come before the window shows.
    m_core.Start(directory, m_services.startTickTimer);
    PlaceWindow();
    Settings->StartFromSwitches(m_services.broadcastSwitch, m_services.recordSwitch);
    return true;
}

void CKORVALEDlg::SetUpTrackBars() {
    ApplySetUp(MasterLevel, kLevelSetUp);
    ApplySetUp(MicLevel, kLevelSetUp);
    ApplySetUp(FaderA, kFaderSetUp);
    ApplySetUp(FaderB, kFaderSetUp);
    ApplySetUp(FadeInThresholdSlider, kThresholdSetUp);
    ApplySetUp(SkipLastSlider, kSkipLastSetUp);
    ApplySetUp(InSpeedSlider, kSpeedSetUp);
    ApplySetUp(OutSpeedSlider, kSpeedSetUp);
    ApplySetUp(CuePositionSlider, kCuePositionSetUp);
    // The status line keeps its template text until the core writes one.
    for (const CorePart part : {CorePart::Decks, CorePart::FadeSettings, CorePart::Cue,
                                CorePart::Levels, CorePart::Toggles}) {
        Changed(part);
    }
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

void CKORVALEDlg::SetTimer(TimerId id, int periodMs) {
    QTimer& timer = m_timers[static_cast<std::size_t>(id) - 1];
    timer.setInterval(periodMs);
    timer.start();
}

void CKORVALEDlg::KillTimer(TimerId id) {
    m_timers[static_cast<std::size_t>(id) - 1].stop();
}

bool CKORVALEDlg::IsTimerRunning(TimerId id) const {
    return m_timers[static_cast<std::size_t>(id) - 1].isActive();
}

void CKORVALEDlg::BeginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CKORVALEDlg::EndBusy() {
    QApplication::restoreOverrideCursor();
}

void CKORVALEDlg::FocusCuePosition() {
    CuePositionSlider->setFocus(Qt::OtherFocusReason);
}

void CKORVALEDlg::Changed(CorePart part) {
    switch (part) {
    case CorePart::Status:
        ShowStatus();
        break;
    case CorePart::Decks:
        ShowDecks();
        break;
    case CorePart::FadeSettings:
        ShowFadeSettings();
        break;
    case CorePart::Cue:
        ShowCue();
        break;
    case CorePart::Levels:
        ShowLevels();
        break;
    case CorePart::Toggles:
        ShowToggles();
        break;
    case CorePart::OnAir:
        Q_EMIT OnAirChanged();
        break;
    case CorePart::Options:
        if (Options != nullptr) {
            Options->ShowOptions();
        }
        if (Settings != nullptr) {
            Settings->ShowOptions();
        }
        break;
    }
}

namespace {

QString FromBytes(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A label the core may not have written yet keeps its template caption.
void ShowOptional(QLabel* label, const std::optional<std::string>& text) {
    if (text) {
        SetLabelText(label, FromBytes(*text));
    }
}

} // namespace

void CKORVALEDlg::ShowStatus() {
    SetLabelText(StatusLine, FromBytes(m_core.StatusText()));
}

void CKORVALEDlg::ShowDecks() {
    const DeckPlayers& decks = m_core.Decks();
    struct Shown {
        Deck deck;
        TrackBar* fader;
        QLabel* label;
        QLabel* elapsed;
        QLabel* time;
        QLabel* remain;
    };
    for (const Shown& d : {Shown{Deck::A, FaderA, FaderALabel, ElapsedA, TimeA, RemainA},
                           Shown{Deck::B, FaderB, FaderBLabel, ElapsedB, TimeB, RemainB}}) {
        d.fader->SetPositionSilently(decks.FaderPosition(d.deck));
        ShowOptional(d.label, decks.FaderLabel(d.deck));
        const DeckTimes& times = decks.Times(d.deck);
        SetLabelText(d.elapsed, FromBytes(times.elapsed));
        SetLabelText(d.time, FromBytes(times.time));
        SetLabelText(d.remain, FromBytes(times.remain));
    }
}

void CKORVALEDlg::ShowFadeSettings() {
    const MixStyleSettings& settings = m_core.Settings();
    {
        const QSignalBlocker blocker(MixStyleCombo);
        MixStyleCombo->setCurrentIndex(settings.MixStyleIndex());
    }
    struct Shown {
        FadeSlider slider;
        TrackBar* bar;
        QLabel* label;
    };
    for (const Shown& s :
         {Shown{FadeSlider::SkipLast, SkipLastSlider, SkipLastLabel},
          Shown{FadeSlider::FadeInThreshold, FadeInThresholdSlider, FadeInThresholdLabel},
          Shown{FadeSlider::InSpeed, InSpeedSlider, InSpeedLabel},
          Shown{FadeSlider::OutSpeed, OutSpeedSlider, OutSpeedLabel}}) {
        s.bar->SetPositionSilently(settings.Position(s.slider));
        ShowOptional(s.label, settings.Label(s.slider));
    }
    SetCheckedSilently(WaitFadeInCheck, settings.WaitBoxChecked());
    FadeInThresholdSlider->setEnabled(settings.ThresholdEnabled());
    FadeInThresholdLabel->setEnabled(settings.ThresholdEnabled());
}

void CKORVALEDlg::ShowCue() {
    const CuePlayer& cue = m_core.Cue();
    SetLabelText(CueDuration, FromBytes(cue.DurationText()));
    SetLabelText(CuePlayTime, FromBytes(cue.PlayTimeText()));
    SetLabelText(CuePositionDisplay, FromBytes(cue.CuePointText()));
    SetLabelText(CueClipName, FromBytes(cue.ClipName()));
    for (QPushButton* button : {SetCueButton, MarkInButton, GoToCueButton, CuePlayPauseButton}) {
        button->setEnabled(cue.ControlsEnabled());
    }
    if (cue.PlayCaption()) {
        CuePlayPauseButton->setText(FromBytes(*cue.PlayCaption()));
    }
    CuePositionSlider->SetRangeSilently(cue.SliderMinimum(), cue.SliderMaximum());
    CuePositionSlider->SetPositionSilently(cue.SliderPosition());
}

void CKORVALEDlg::ShowLevels() {
    const OutputLevels& levels = m_core.Levels();
    MasterLevel->SetPositionSilently(levels.MasterPosition());
    MicLevel->SetPositionSilently(levels.MicPosition());
    ShowOptional(MasterLevelLabel, levels.MasterLabel());
    ShowOptional(MicLevelLabel, levels.MicLabel());
    ShowOptional(MasterCaption, levels.MasterCaption());
    ShowOptional(CueCaption, levels.CueCaption());
    MasterCaption->setEnabled(levels.MasterCaptionEnabled());
    CueCaption->setEnabled(levels.CueCaptionEnabled());
    MicButton->setEnabled(levels.MicButtonEnabled());
    SetCheckedSilently(MicButton, levels.MicOn());
    if (levels.MicButtonCaption()) {
        MicButton->setText(FromBytes(*levels.MicButtonCaption()));
    }
    SetCheckedSilently(TOCheck, levels.TalkOverChecked());
    const bool micOn = levels.MicOn();
    MicLevel->setVisible(micOn);
    TOCheck->setVisible(micOn);
    MicLevelLabel->setVisible(micOn);
    const int width = micOn ? kPlayListWidthMicOn : kPlayListWidthMicOff;
    if (PlayListBox->width() != width) {
        const QPoint place = PlayListBox->pos();
        PlayListBox->setGeometry(place.x(), place.y(), width, kPlayListHeight);
    }
}

void CKORVALEDlg::ShowToggles() {
    SetCheckedSilently(LoadNextCheck, m_core.LoadNext());
    SetCheckedSilently(MixNextCheck, m_core.MixNext());
}

void CKORVALEDlg::OnExitButton() {
    m_core.ExitSequence();
    if (m_automationProxy != nullptr) {
        hide();
        return;
    }
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
    if (event->key() == Qt::Key_Menu) {
        event->accept();
        const QWidget* focus = focusWidget();
        const QPoint at = focus != nullptr ? focus->mapToGlobal(focus->rect().center())
                                           : mapToGlobal(rect().center());
        Options->popup(at);
        return;
    }
    QDialog::keyPressEvent(event);
}

// Right clicks that no control takes reach the window's background.
void CKORVALEDlg::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    Options->popup(event->globalPos());
}

} // namespace korvale
