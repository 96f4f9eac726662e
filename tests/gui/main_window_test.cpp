#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "support/WindowFixture.h"
#include "ui/ClickLabel.h"
#include "ui/ControlTable.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

std::string Text(QLabel* label) { return label->text().toStdString(); }

} // namespace

TEST(MainWindowControls, EveryTemplateControlExistsWithItsNameKindAndCaption) {
    WindowFixture f;
    for (const ControlSpec& entry : WindowControls()) {
        SCOPED_TRACE(entry.name);
        QWidget* control = f.w().findChild<QWidget*>(QString::fromLatin1(entry.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->accessibleDescription().toStdString(), entry.name);
        const std::string caption = entry.caption;
        switch (entry.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::ToggleButton: {
            auto* button = qobject_cast<QPushButton*>(control);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->isCheckable(), entry.kind == ControlKind::ToggleButton);
            if (entry.id != 1069) { // the microphone button is captioned at start-up
                EXPECT_EQ(button->text().toStdString(), caption);
            }
            break;
        }
        case ControlKind::VerticalTrackBar:
        case ControlKind::HorizontalTrackBar:
        case ControlKind::BorderedTrackBar: {
            auto* bar = qobject_cast<TrackBar*>(control);
            ASSERT_NE(bar, nullptr);
            EXPECT_EQ(bar->orientation() == Qt::Vertical,
                      entry.kind == ControlKind::VerticalTrackBar);
            break;
        }
        case ControlKind::GroupBox:
        case ControlKind::CentredGroupBox:
            ASSERT_NE(qobject_cast<QGroupBox*>(control), nullptr);
            EXPECT_EQ(qobject_cast<QGroupBox*>(control)->title().toStdString(), caption);
            break;
        case ControlKind::ListBox:
        case ControlKind::HiddenListBox:
            EXPECT_NE(qobject_cast<PlayListView*>(control), nullptr);
            break;
        case ControlKind::ProgressBar:
            EXPECT_NE(qobject_cast<QProgressBar*>(control), nullptr);
            break;
        case ControlKind::ComboBox:
            EXPECT_NE(qobject_cast<QComboBox*>(control), nullptr);
            break;
        case ControlKind::CheckBox:
            ASSERT_NE(qobject_cast<QCheckBox*>(control), nullptr);
            EXPECT_EQ(qobject_cast<QCheckBox*>(control)->text().toStdString(), caption);
            break;
        case ControlKind::MediaPlayer:
            EXPECT_FALSE(control->isVisible());
            break;
        default:
            ASSERT_NE(qobject_cast<QLabel*>(control), nullptr);
            break;
        }
    }
}

TEST(MainWindowControls, TemplateStatesBeforeInitialisation) {
    WindowFixture f(QSize(1280, 1024), /*initialise=*/false);
    EXPECT_FALSE(f.w().FadeInThresholdSlider->isEnabled());
    EXPECT_FALSE(f.w().SetCueButton->isEnabled());
    EXPECT_FALSE(f.w().CuePlayPauseButton->isEnabled());
    EXPECT_FALSE(f.w().MarkInButton->isEnabled());
    EXPECT_FALSE(f.w().GoToCueButton->isEnabled());
    EXPECT_FALSE(f.w().WaitFadeInCheck->isChecked());
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_EQ(f.w().PlayListBox->Count(), 0);
    EXPECT_EQ(Text(f.w().StatusLine), "Ready");
    EXPECT_EQ(f.w().windowTitle().toStdString(), "KORVALE");
}

TEST(MainWindowStartUp, StateAfterInitialisation) {
    WindowFixture f;
    CKORVALEDlg& w = f.w();
    EXPECT_EQ(w.FaderA->Position(), 9000);
    EXPECT_EQ(w.FaderB->Position(), 9000);
    EXPECT_EQ(w.FaderA->minimum(), 0);
    EXPECT_EQ(w.FaderA->maximum(), 9000);
    EXPECT_EQ(Text(w.FaderALabel), "-90db");
    EXPECT_EQ(Text(w.FaderBLabel), "-90db");
    EXPECT_EQ(w.UpperProgressBar->minimum(), 0);
    EXPECT_EQ(w.UpperProgressBar->maximum(), 32767);
    EXPECT_EQ(w.UpperProgressBar->value(), 0);
    EXPECT_EQ(w.MasterLevel->minimum(), 1);
    EXPECT_EQ(w.MasterLevel->maximum(), 65536);
    EXPECT_EQ(w.MasterLevel->pageStep(), 728);
    EXPECT_EQ(w.CuePositionSlider->minimum(), 1);
    EXPECT_EQ(w.CuePositionSlider->maximum(), 1000);
    EXPECT_EQ(w.InSpeedSlider->maximum(), 600);
    EXPECT_EQ(w.SkipLastSlider->maximum(), 60);
    EXPECT_FALSE(w.SetCueButton->isEnabled());
    EXPECT_EQ(w.State().g_appDirectory.back(), '/');
    EXPECT_TRUE(f.dialogs.messages.empty());
    // The tick timer is started by initialisation in the program.
    WindowServices services = w.Services();
    services.startTickTimer = true;
    CKORVALEDlg running(services);
    running.OnInitDialog();
    EXPECT_TRUE(running.IsTimerRunning(kTickTimerId));
    EXPECT_FALSE(running.IsTimerRunning(kFadeTimerId));
}

TEST(MainWindowStartUp, MixerThatCannotBeOpenedIsReported) {
    WindowFixture f(QSize(1280, 1024), false);
    f.devices.mixerOpens = false;
    f.w().OnInitDialog();
    ASSERT_FALSE(f.dialogs.messages.empty());
    EXPECT_EQ(f.dialogs.messages.front().text, "Mixer Not Opened");
    EXPECT_EQ(f.dialogs.messages.front().caption, "Error!");
    EXPECT_EQ(f.dialogs.messages.front().icon, MessageIcon::Exclamation);
}

TEST(MainWindowPlacement, ByScreenWidth) {
    EXPECT_EQ(CKORVALEDlg::PlacementForScreen(QSize(640, 480)), QRect(0, 0, 640, 480));
    EXPECT_EQ(CKORVALEDlg::PlacementForScreen(QSize(800, 600)), QRect(80, 60, 640, 480));
    EXPECT_EQ(CKORVALEDlg::PlacementForScreen(QSize(1280, 1024)), QRect(192, 144, 640, 480));
    EXPECT_EQ(CKORVALEDlg::PlacementForScreen(QSize(1000, 800)), std::nullopt);

    WindowFixture wide(QSize(1280, 1024));
    EXPECT_EQ(wide.w().pos(), QPoint(192, 144));
    EXPECT_EQ(wide.w().size(), QSize(640, 480));
    WindowFixture small(QSize(640, 480));
    EXPECT_EQ(small.w().pos(), QPoint(0, 0));
    EXPECT_EQ(small.w().size(), QSize(640, 480));
    WindowFixture odd(QSize(1000, 800));
    EXPECT_NE(odd.w().pos(), QPoint(192, 144));
}

TEST(MainWindowClosing, EscapeAndCloseRequestDoNothing) {
    WindowFixture f;
    f.w().show();
    QTest::keyClick(&f.w(), Qt::Key_Escape);
    EXPECT_TRUE(f.w().isVisible());
    EXPECT_EQ(f.w().result(), 0);
    QCloseEvent close;
    QApplication::sendEvent(&f.w(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(f.w().isVisible());
    f.w().close();
    EXPECT_TRUE(f.w().isVisible());
}

TEST(MainWindowClosing, ExitEndsTheDialogAndClosesTheCueDevice) {
    WindowFixture f;
    f.w().show();
    QTest::mouseClick(f.w().ExitButton, Qt::LeftButton);
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_EQ(f.w().result(), QDialog::Accepted);
    const auto& commands = f.mci.commands;
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], "stop movie");
    EXPECT_EQ(commands.back(), "close movie");
}

TEST(MainWindowClosing, ExitWhileHeldByAutomationOnlyHides) {
    WindowFixture f;
    QObject proxy;
    f.w().SetAutomationProxy(&proxy);
    f.w().show();
    f.w().LoadNextCheck->setChecked(true);
    f.w().MixNextCheck->setChecked(true);
    QTest::mouseClick(f.w().ExitButton, Qt::LeftButton);
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_NE(f.w().result(), QDialog::Accepted);
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_FALSE(f.w().MixNextCheck->isChecked());
    // Closing from the frame while held also hides.
    f.w().show();
    QCloseEvent close;
    QApplication::sendEvent(&f.w(), &close);
    EXPECT_FALSE(f.w().isVisible());
}

TEST(MainWindowButtons, StopEverythingReleasesTheToggles) {
    WindowFixture f;
    f.w().LoadNextCheck->setChecked(true);
    f.w().MixNextCheck->setChecked(true);
    QTest::mouseClick(f.w().StopAllButton, Qt::LeftButton);
    EXPECT_FALSE(f.w().LoadNextCheck->isChecked());
    EXPECT_FALSE(f.w().MixNextCheck->isChecked());
}

TEST(MainWindowButtons, AboutAndHelp) {
    WindowFixture f;
    QTest::mouseClick(f.w().AboutButton, Qt::LeftButton);
    EXPECT_EQ(f.dialogs.aboutShown, 1);
    QTest::mouseClick(f.w().HelpButton, Qt::LeftButton);
    ASSERT_EQ(f.shell.opened.size(), 1u);
    EXPECT_EQ(f.shell.opened[0], f.w().State().g_appDirectory + "korvale_1_1_help.htm");
    EXPECT_TRUE(f.dialogs.messages.empty());
    // No program can show the page: the user is told where it is.
    f.shell.canOpen = false;
    QTest::mouseClick(f.w().HelpButton, Qt::LeftButton);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].text.find(f.shell.opened[0]), std::string::npos);
}

TEST(MainWindowButtons, HelpPathTooLongIsNotOpened) {
    WindowFixture f;
    f.w().State().g_appDirectory = "/" + std::string(250, 'd') + "/";
    QTest::mouseClick(f.w().HelpButton, Qt::LeftButton);
    EXPECT_TRUE(f.shell.opened.empty());
}

TEST(MainWindowTrackBars, ProgramMovesRaiseNoScrollButUserMovesDo) {
    WindowFixture f;
    int scrolls = 0;
    QObject::connect(f.w().FaderA, &TrackBar::userScrolled, [&scrolls] { ++scrolls; });
    f.w().FaderA->SetPositionSilently(100);
    EXPECT_EQ(scrolls, 0);
    f.w().FaderA->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(scrolls, 1);
    // Minimum at the top for vertical bars.
    EXPECT_TRUE(f.w().FaderA->invertedAppearance());
}
