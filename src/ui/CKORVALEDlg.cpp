#include "ui/CKORVALEDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QKeyEvent>
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
#include "ui/ControlFactory.h"
#include "ui/OptionsMenu.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kDialogFontPointSize = 8;
constexpr int kHiddenPlayerPosition = 10000;
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

void ApplySetUp(TrackBar* bar, const TrackBarSetUp& setUp) {
    bar->setTickInterval(setUp.tickFrequency);
    bar->SetRangeSilently(setUp.minimum, setUp.maximum);
    bar->setPageStep(setUp.pageSize);
}

} // namespace

// ---- Build: the window, its controls, the menus and the timers ----

CKORVALEDlg::CKORVALEDlg(const WindowServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_display(*this, m_core),
      m_core(services.core, *this) {
    setWindowTitle(QStringLiteral("KORVALE"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("CKORVALEDlg"));
    QFont dialogFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    dialogFont.setPointSize(kDialogFontPointSize);
    setFont(dialogFont);
    BuildControls();
    WireControls();
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

void CKORVALEDlg::BuildControls() {
    static_cast<ControlSet&>(*this) = ControlFactory(*this).Build(m_core.List());
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
}

void CKORVALEDlg::SetUpControls() {
    // No system menu is given to a program here; the icon is the application's. The deck
    // stand-ins never show.
    for (QWidget* player : {PlayerA, PlayerB}) {
        player->setGeometry(kHiddenPlayerPosition, kHiddenPlayerPosition, 1, 1);
        player->hide();
    }
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
    {
        const QSignalBlocker blocker(MixStyleCombo);
        for (const MixStyle& style : kMixStyles) {
            MixStyleCombo->addItem(
                QString::fromLatin1(style.name.data(), static_cast<qsizetype>(style.name.size())));
        }
    }
    UpperProgressBar->setRange(0, kUpperProgressMaximum);
    UpperProgressBar->setValue(0);
}

// ---- Wire: each user action on a control reaches the core ----

void CKORVALEDlg::WireControls() {
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

// ---- Show: the core reports a change, the controls show it ----

void CKORVALEDlg::Changed(CorePart part) {
    switch (part) {
    case CorePart::Status:
        m_display.ShowStatus();
        break;
    case CorePart::Decks:
        m_display.ShowDecks();
        break;
    case CorePart::FadeSettings:
        m_display.ShowFadeSettings();
        break;
    case CorePart::Cue:
        m_display.ShowCue();
        break;
    case CorePart::Levels:
        m_display.ShowLevels();
        break;
    case CorePart::Toggles:
        m_display.ShowToggles();
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

void CKORVALEDlg::FocusCuePosition() {
    CuePositionSlider->setFocus(Qt::OtherFocusReason);
}

// ---- Place and run ----

bool CKORVALEDlg::OnInitDialog() {
    SetUpControls();
    std::string directory;
    if (m_services.workingDirectory) {
        directory = *m_services.workingDirectory;
    } else {
        std::vector<char> cwd(PATH_MAX + 1, '\0');
        directory = getcwd(cwd.data(), cwd.size()) != nullptr ? cwd.data() : "";
    }
    // The start-up messages (no mixer, no sound devices) come before the window shows.
    m_core.Start(directory, m_services.startTickTimer);
    PlaceWindow();
    Settings->StartFromSwitches(m_services.broadcastSwitch, m_services.recordSwitch);
    return true;
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
