// The window on fakes: each control reaches its operation and shows the core; the real dialogs.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "app/ProgramSwitches.h"
#include "platform/QtDialogs.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/ClickLabel.h"
#include "ui/OptionsMenu.h"
#include "ui/PlayListView.h"
#include "ui/SettingsWindow.h"
#include "ui/TimeDisplay.h"
#include "ui/TrackBar.h"

namespace korvale {
namespace {

const std::vector<std::string> kClips = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

std::string Text(const TimeDisplay* display) {
    return display->text().toStdString();
}

void ExpectShowsCore(CKORVALEDlg& w) {
    Korvale& c = w.Core();
    EXPECT_EQ(Text(w.StatusLine), c.StatusText());
    EXPECT_EQ(w.PlayListBox->ShownSelection(), c.List().SelectedIndex());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "a busy cursor left behind";
    for (auto [d, fader, label, elapsed, time, remain] :
         {std::tuple{Deck::A, w.FaderA, w.FaderALabel, w.ElapsedA, w.TimeA, w.RemainA},
          std::tuple{Deck::B, w.FaderB, w.FaderBLabel, w.ElapsedB, w.TimeB, w.RemainB}}) {
        EXPECT_EQ(fader->value(), c.Decks().FaderPosition(d));
        EXPECT_EQ(Text(label), c.Decks().FaderLabel(d).value_or(Text(label)));
        EXPECT_EQ(Text(elapsed), c.Decks().Times(d).elapsed);
        EXPECT_EQ(Text(time), c.Decks().Times(d).time);
        EXPECT_EQ(Text(remain), c.Decks().Times(d).remain);
    }
    for (auto [slider, bar, label] :
         {std::tuple{FadeSlider::SkipLast, w.SkipLastSlider, w.SkipLastLabel},
          std::tuple{FadeSlider::FadeInThreshold, w.FadeInThresholdSlider, w.FadeInThresholdLabel},
          std::tuple{FadeSlider::InSpeed, w.InSpeedSlider, w.InSpeedLabel},
          std::tuple{FadeSlider::OutSpeed, w.OutSpeedSlider, w.OutSpeedLabel}}) {
        EXPECT_EQ(bar->value(), c.Settings().Position(slider));
        EXPECT_EQ(Text(label), c.Settings().Label(slider).value_or(Text(label)));
    }
    EXPECT_EQ(w.MixStyleCombo->currentIndex(), c.Settings().MixStyleIndex());
    EXPECT_EQ(w.WaitFadeInCheck->isChecked(), c.Settings().WaitBoxChecked());
    EXPECT_EQ(w.FadeInThresholdSlider->isEnabled(), c.Settings().ThresholdEnabled());
    const CuePlayer& cue = c.Cue();
    EXPECT_EQ(Text(w.CueClipName), cue.ClipName());
    EXPECT_EQ(Text(w.CuePositionDisplay), cue.CuePointText());
    EXPECT_EQ(Text(w.CuePlayTime), cue.PlayTimeText());
    EXPECT_EQ(w.SetCueButton->isEnabled(), cue.ControlsEnabled());
    const int inRange = std::clamp(cue.SliderPosition(), cue.SliderMinimum(), cue.SliderMaximum());
    EXPECT_EQ(w.CuePositionSlider->value(), inRange); // a track bar keeps inside its range
    EXPECT_EQ(w.MicLevel->isVisibleTo(&w), c.Levels().MicOn());
    EXPECT_EQ(w.MasterLevel->value(), c.Levels().MasterPosition());
    EXPECT_EQ(w.MicLevel->value(), c.Levels().MicPosition());
    EXPECT_EQ(w.MicButton->isChecked(), c.Levels().MicOn());
    EXPECT_EQ(w.TOCheck->isChecked(), c.Levels().TalkOverChecked());
    EXPECT_EQ(w.LoadNextCheck->isChecked(), c.LoadNext());
    EXPECT_EQ(w.MixNextCheck->isChecked(), c.MixNext());
}

// A window with the clips listed, "a" on deck A (the user's choice) and "b" on deck B.
struct ClipWindow {
    testing::FakeDialogs dialogs;
    testing::TestWindow t{&dialogs};
    CKORVALEDlg& w = *t.w;
    Korvale& core = w.Core();
    ClipWindow() {
        for (const std::string& clip : kClips) {
            t.deck1.AddClip(clip, 60.0);
            t.deck2.AddClip(clip, 60.0);
        }
        core.Store().List().AppendMany(kClips);
        t.mci.replies = {{"status movie length", "60000"}, {"status movie position", "1500"}};
        PlayListView* view = w.PlayListBox; // the first entry clicked
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(0, 0)).center());
        core.Decks().LoadClipOnDeck(kClips[1], DeckChoice::Deck2, 0.0);
    }
    // As a user: a click, a track bar moved by keyboard to its other end, the next mix style
    // chosen by keyboard, the wait box toggled through assistive technology.
    void Press(QWidget* control) {
        if (auto* bar = qobject_cast<TrackBar*>(control)) {
            pressed = bar;
            QTest::keyClick(bar, bar->value() == bar->minimum() ? Qt::Key_End : Qt::Key_Home);
        } else if (auto* styles = qobject_cast<QComboBox*>(control)) {
            QTest::keyClick(styles, Qt::Key_Down);
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            const bool was = box->isChecked();
            QAccessible::queryAccessibleInterface(box)->actionInterface()->doAction(
                QAccessibleActionInterface::toggleAction());
            EXPECT_TRUE(QTest::qWaitFor([&] { return box->isChecked() != was; }));
        } else {
            QTest::mouseClick(control, Qt::LeftButton);
        }
    }
    bool Playing(const testing::FakeMediaVoice& v) {
        return v.playState() == VoicePlayState::Playing;
    }
    TrackBar* pressed = nullptr; // the track bar moved last
};

TEST(WindowWiring, StartUpBuildsTheTablesControlsAndTheCoreStateShows) {
    testing::TestWindow fresh; // the status line keeps its template text until the core writes
    EXPECT_EQ(Text(fresh.w->StatusLine), "Ready");
    EXPECT_EQ(fresh.w->windowTitle().toStdString(), "KORVALE");
    ClipWindow l;
    EXPECT_EQ(l.w.MixStyleCombo->itemText(l.w.MixStyleCombo->count() - 1), "CUSTOM");
    l.core.Settings().SetMixStyleIndex(2); // a change the core makes on its own shows too
    ExpectShowsCore(l.w);
}

struct PaintCounter : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
        }
        return false;
    }
    std::map<QObject*, int> paints;
};

TEST(WindowShow, PlayingRedrawsOnlyWhatChanged) {
    ClipWindow l;
    QSignalSpy onAir(&l.w, &CKORVALEDlg::OnAirChanged); // what the stream and recording follow
    l.Press(l.w.PlayAButton);
    l.Press(l.w.PlayBButton);
    EXPECT_FALSE(onAir.isEmpty()) << "a clip went on air unannounced";
    l.core.OnTimer(TimerId::Tick);
    QApplication::processEvents();
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    constexpr int kTicksPerSecond = 100;
    constexpr int kFramesPerSecond = 25;
    for (int tick = 1; tick <= kTicksPerSecond; ++tick) {
        l.t.deck1.SetPosition(tick * 0.01);
        l.t.deck2.SetPosition(10.0 + tick * 0.01);
        l.core.OnTimer(TimerId::Tick);
        QApplication::processEvents();
    }
    qApp->removeEventFilter(&counter);
    struct Row {
        const char* name;
        QWidget* widget;
        int most;
    };
    const Row rows[] = {
        {"ElapsedA", l.w.ElapsedA, kFramesPerSecond},
        {"RemainB", l.w.RemainB, kFramesPerSecond},
        {"FaderA", l.w.FaderA, 0},
        {"TimeA", l.w.TimeA, 0},
        {"StatusLine", l.w.StatusLine, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_LE(counter.paints[row.widget], row.most);
    }
    EXPECT_GE(counter.paints[l.w.ElapsedA], kFramesPerSecond - 1) << "the times go on showing";
    ExpectShowsCore(l.w);
}

// The window as the screen shows it (the offscreen backing store) and as it draws itself.
std::pair<QImage, QImage> Images(QWidget& window) {
    QApplication::processEvents();
    return {
        window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32),
        window.grab().toImage().convertToFormat(QImage::Format_RGB32)};
}

// Pixel for pixel, the window around it included: on the screen after it changed (only its own
// rectangle repainted) and drawn whole, for time texts and for a text of other characters.
TEST(WindowShow, TimeDisplaysLookExactlyAsTheLabelsTheyReplace) {
    testing::TestWindow t;
    CKORVALEDlg& w = *t.w;
    const char* const texts[] = {"00:00:00:00",  "12:34:56:24", "00:00:00:-12",
                                 "-5:-9:-1:-24", "59:59:59:24", "no clip"};
    for (TimeDisplay* display : {w.ElapsedA, w.TimeA, w.RemainA, w.ElapsedB, w.TimeB, w.RemainB}) {
        SCOPED_TRACE(display->objectName().toStdString());
        for (const char* text : texts) {
            SCOPED_TRACE(text);
            display->setText(QString::fromLatin1(text));
            const auto [shown, drawn] = Images(w);
            EXPECT_EQ(display->DrawsFromGlyphs(), std::string(text) != "no clip");
            // The label as the control factory made it: left-aligned, vertically centred,
            // in the display's font, place and stacking order.
            auto label = std::make_unique<QLabel>(QString::fromLatin1(text), &w);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setFont(display->font());
            label->setGeometry(display->geometry());
            label->stackUnder(display);
            label->show();
            display->hide();
            const auto [labelShown, labelDrawn] = Images(w);
            display->show();
            label.reset();
            QApplication::processEvents(); // the next text repaints by itself
            ASSERT_FALSE(labelShown.isNull());
            EXPECT_TRUE(shown == labelShown) << "on the screen";
            EXPECT_TRUE(drawn == labelDrawn) << "drawn whole";
        }
    }
}

TEST(WindowShow, TimeDisplaysReadAsStaticTextsNamedByTheirText) {
    testing::TestWindow t;
    t.w->ElapsedB->setText(QStringLiteral("00:00:12:00"));
    QAccessibleInterface* elapsed = QAccessible::queryAccessibleInterface(t.w->ElapsedB);
    ASSERT_NE(elapsed, nullptr);
    EXPECT_EQ(elapsed->role(), QAccessible::StaticText);
    EXPECT_EQ(elapsed->text(QAccessible::Name).toStdString(), "00:00:12:00");
    EXPECT_EQ(elapsed->text(QAccessible::Description).toStdString(), "ElapsedB");
}

TEST(WindowWiring, PlacementFollowsTheScreenWidth) {
    struct Row {
        QSize screen;
        QRect place;
        bool shown;
    };
    const Row rows[] = {{{640, 480}, {0, 0, 640, 480}, true},
                        {{800, 600}, {80, 60, 640, 480}, true},
                        {{1024, 768}, {192, 144, 640, 480}, true},
                        {{1023, 900}, {}, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.screen.width()) + " wide");
        testing::TestWindow t(nullptr, row.screen);
        const QSize size = t.w->size(); // other screens: centred at the template's size
        const QRect centred(QPoint((row.screen.width() - size.width()) / 2,
                                   (row.screen.height() - size.height()) / 2),
                            size);
        EXPECT_EQ(QRect(t.w->pos(), size), row.shown ? row.place : centred);
        EXPECT_EQ(t.w->isVisible(), row.shown);
    }
}

TEST(WindowWiring, EachControlReachesItsOperation) {
    using Step = std::function<void(ClipWindow&)>;
    struct Row {
        const char* control;
        Step before;
        std::function<bool(ClipWindow&)> effect;
    };
    const Step none = [](ClipWindow&) {};
    const Step cueA = [](ClipWindow& l) {
        l.Press(l.w.CueAButton);
        l.t.mci.commands.clear();
    };
    const Step playA = [](ClipWindow& l) { l.Press(l.w.PlayAButton); };
    const Step playB = [](ClipWindow& l) { l.Press(l.w.PlayBButton); };
    const Step mic = [](ClipWindow& l) { l.Press(l.w.MicButton); };
    const auto sent = [](ClipWindow& l) { return !l.t.mci.commands.empty(); };
    const auto bar = [](auto get) {
        return [get](ClipWindow& l) { return get(l.core) == l.pressed->value(); };
    };
    const Row rows[] = {
        {"LoadButton", none, [](ClipWindow& l) { return l.dialogs.openRequests.size() == 1; }},
        {"SaveListButton", none, [](ClipWindow& l) { return l.dialogs.saveRequests.size() == 1; }},
        {"AboutButton", none, [](ClipWindow& l) { return l.dialogs.aboutShown == 1; }},
        {"HelpButton", none,
         [](ClipWindow& l) { return l.t.shell.opened.size() == 1 && l.dialogs.messages.empty(); }},
        {"ClearButton", none, [](ClipWindow& l) { return l.core.List().Count() == 0; }},
        {"DeleteButton", none, [](ClipWindow& l) { return l.core.List().Text(0) == kClips[1]; }},
        {"ShuffleButton", none, [](ClipWindow& l) { return l.core.List().SelectedIndex() < 0; }},
        {"PlayAButton", none, [](ClipWindow& l) { return l.Playing(l.t.deck1); }},
        {"PlayBButton", none, [](ClipWindow& l) { return l.Playing(l.t.deck2); }},
        {"StopAButton", playA,
         [](ClipWindow& l) { return l.t.deck1.isOpen() && !l.Playing(l.t.deck1); }},
        {"StopBButton", playB,
         [](ClipWindow& l) { return l.t.deck2.isOpen() && !l.Playing(l.t.deck2); }},
        {"CloseAButton", none,
         [](ClipWindow& l) { return !l.t.deck1.isOpen() && l.t.deck2.isOpen(); }},
        {"CloseBButton", none,
         [](ClipWindow& l) { return l.t.deck1.isOpen() && !l.t.deck2.isOpen(); }},
        {"CueAButton", none, [](ClipWindow& l) { return l.core.Cue().ClipName() == kClips[0]; }},
        {"CueBButton", none, [](ClipWindow& l) { return l.core.Cue().ClipName() == kClips[1]; }},
        {"CuePlayPauseButton", cueA,
         [](ClipWindow& l) { return l.core.Cue().Playing() && l.w.IsTimerRunning(TimerId::Cue); }},
        {"CuePlayPauseButton",
         [](ClipWindow& l) {
             l.Press(l.w.CueAButton);
             l.Press(l.w.CuePlayPauseButton);
         },
         [](ClipWindow& l) { // paused: the button offers Play again
             return !l.core.Cue().Playing() && !l.w.IsTimerRunning(TimerId::Cue) &&
                    l.w.CuePlayPauseButton->text() == "Play";
         }},
        {"MarkInButton", cueA, sent},
        {"GoToCueButton", cueA, sent},
        {"SetCueButton", cueA, sent},
        {"MixButton", none,
         [](ClipWindow& l) { return l.core.Fade().Phase() == MixPhase::Fading; }},
        {"LoadNextCheck", none,
         [](ClipWindow& l) { return l.core.LoadNext() && !l.core.MixNext(); }},
        {"MixNextCheck", none,
         [](ClipWindow& l) { return l.core.MixNext() && !l.core.LoadNext(); }},
        {"StopAllButton",
         [](ClipWindow& l) {
             l.Press(l.w.LoadNextCheck);
             l.Press(l.w.MixNextCheck);
         },
         [](ClipWindow& l) {
             return !l.core.LoadNext() && !l.core.MixNext() && !l.t.deck1.isOpen();
         }},
        {"MicButton", none,
         [](ClipWindow& l) {
             return l.core.Levels().MicOn() && l.w.MicButton->text() == "MIC ON";
         }},
        // Mic on again: the core releases the talk-over box, and the list makes room for the level.
        {"MicButton",
         [](ClipWindow& l) {
             l.Press(l.w.MicButton);
             l.Press(l.w.TOCheck);
             l.Press(l.w.MicButton);
         },
         [](ClipWindow& l) {
             return l.core.Levels().MicOn() &&
                    l.w.PlayListBox->geometry().right() < l.w.MicLevel->x();
         }},
        {"TOCheck", mic, [](ClipWindow& l) { return l.core.Levels().TalkOverChecked(); }},
        {"FaderBLabel", none, [](ClipWindow& l) { return l.core.StatusText() == "Player 2: b"; }},
        {"MixStyleCombo", none,
         [](ClipWindow& l) { return l.core.Settings().MixStyleIndex() == 1; }},
        {"WaitFadeInCheck", none,
         [](ClipWindow& l) { return !l.core.Settings().WaitBoxChecked(); }},
        // Each track bar moved to its other end: the core holds its new position.
        {"FaderA", none, bar([](Korvale& c) { return c.Decks().FaderPosition(Deck::A); })},
        {"FaderB", none, bar([](Korvale& c) { return c.Decks().FaderPosition(Deck::B); })},
        {"MasterLevel", none, bar([](Korvale& c) { return c.Levels().MasterPosition(); })},
        {"MicLevel", mic, bar([](Korvale& c) { return c.Levels().MicPosition(); })},
        {"SkipLastSlider", none, bar([](Korvale& c) { return c.Settings().SkipLastSeconds(); })},
        {"FadeInThresholdSlider", none,
         bar([](Korvale& c) { return c.Settings().FadeInThreshold(); })},
        {"InSpeedSlider", none, bar([](Korvale& c) { return c.Settings().InSpeed(); })},
        {"OutSpeedSlider", none, bar([](Korvale& c) { return c.Settings().OutSpeed(); })},
        {"CuePositionSlider", cueA, bar([](Korvale& c) { return c.Cue().SliderPosition(); })},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control);
        ClipWindow l;
        row.before(l);
        l.Press(l.w.findChild<QWidget*>(row.control));
        EXPECT_TRUE(row.effect(l));
        ExpectShowsCore(l.w);
    }
}

TEST(WindowWiring, PlayListViewLoadsOnlyWhatTheUserSelects) {
    ClipWindow l;
    PlayListView* view = l.w.PlayListBox;
    const auto at = [view](int row) {
        return view->visualRect(view->model()->index(row, 0)).center();
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(2));
    EXPECT_EQ(l.core.List().SelectedIndex(), 2);
    EXPECT_EQ(view->model()->index(2, 0).data(Qt::ToolTipRole).toString().toStdString(), kClips[2]);
    EXPECT_TRUE(l.t.deck1.path() == kClips[2] || l.t.deck2.path() == kClips[2]);
    const std::size_t calls = l.t.deck1.Calls().size() + l.t.deck2.Calls().size();
    for (const int row : {0, 1}) { // the first entry included
        l.core.Store().List().Select(row);
        EXPECT_EQ(view->ShownSelection(), row);
    }
    EXPECT_EQ(l.t.deck1.Calls().size() + l.t.deck2.Calls().size(), calls) << "nothing loads";
    // Nothing the user does empties the selection.
    const QPoint below(at(0).x(), view->viewport()->height() - 2);
    ASSERT_FALSE(view->indexAt(below).isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(view->ShownSelection(), 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, at(1));
    EXPECT_EQ(view->ShownSelection(), 1);
    EXPECT_EQ(l.core.List().SelectedIndex(), 1);
}

TEST(WindowWiring, AnUnplayableEntryLeavesTheListAndTheNextLoadsOnce) {
    testing::TestWindow t;
    CKORVALEDlg& w = *t.w;
    for (testing::FakeMediaVoice* deck : {&t.deck1, &t.deck2}) {
        deck->AddClip("/m/s.wav", 0.8);
        deck->AddClip("/m/t.wav", 6.0);
        deck->AddClip("/m/u.wav", 6.0);
    }
    w.Core().Store().List().AppendMany({"/m/s.wav", "/m/t.wav", "/m/u.wav"});
    PlayListView* view = w.PlayListBox;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, 0)).center());
    EXPECT_EQ(w.Core().List().Entries(), (std::vector<std::string>{"/m/t.wav", "/m/u.wav"}));
    EXPECT_EQ(t.deck1.path(), "/m/s.wav");
    EXPECT_EQ(t.deck2.path(), "/m/t.wav");
    const std::vector<std::string>& calls = t.deck2.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "open /m/t.wav"), 1) << "opened once";
    EXPECT_EQ(Text(w.StatusLine), "s - Loaded on Player 1");
    EXPECT_EQ(view->ShownSelection(), w.Core().List().SelectedIndex());
}

TEST(WindowWiring, EscapeAndCloseDoNothingUnlessHeldAndXEndsTheRun) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held);
        ClipWindow l;
        QObject proxy;
        l.w.SetAutomationProxy(held ? &proxy : nullptr);
        QTest::keyClick(&l.w, Qt::Key_Escape);
        const bool afterEscape = l.w.isVisible();
        l.w.close();
        EXPECT_TRUE(afterEscape);
        EXPECT_EQ(l.w.isVisible(), !held);
        QTimer::singleShot(0, l.w.ExitButton, [&l] { l.Press(l.w.ExitButton); });
        l.w.RunUntilHidden(); // returns once "X" has hidden the window
        EXPECT_EQ(l.w.result() == QDialog::Accepted, !held) << "held: X only hides";
        EXPECT_FALSE(l.t.deck1.isOpen());
        const std::vector<std::string>& sent = l.t.mci.commands;
        ASSERT_GE(sent.size(), 2U);
        EXPECT_EQ(std::vector(sent.end() - 2, sent.end()),
                  (std::vector<std::string>{"stop movie", "close movie"}));
    }
}

using Answer = std::function<void(QDialog*)>;

// Once a dialog other than `window` is active, so that it takes typing as from a user, runs
// `answer` on it; the poller deletes itself then. A dialog that never becomes active, or is
// left open, fails the test and is closed after 30 s.
QPointer<QTimer> WhenActive(QWidget* window, const Answer& answer) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, window, answer, polls = 0]() mutable {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(widget);
            if (dialog != nullptr && dialog != window && dialog->isVisible() &&
                (dialog->isActiveWindow() || ++polls > 3000)) {
                timer->stop();
                timer->deleteLater();
                const Answer run = answer; // the answer's own loop may outlive this lambda
                run(dialog);
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "left open: " << dialog->metaObject()->className();
                    dialog->reject();
                }
                return;
            }
        }
    });
    timer->start(10);
    return timer;
}

// Types `name` into the file dialog's name field, which has the focus, with the name filter
// `filter` (from 0) chosen, and confirms it (or cancels the dialog).
Answer TypeAndConfirm(const std::string& name, bool modal, bool confirm = true, int filter = 0) {
    return [name, modal, confirm, filter](QDialog* dialog) {
        EXPECT_EQ(QApplication::activeModalWidget() == dialog, modal) << "modal: the save dialog";
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(field != nullptr && field->hasFocus());
        auto* files = qobject_cast<QFileDialog*>(dialog);
        files->selectNameFilter(files->nameFilters().value(filter));
        field->setText(QString::fromStdString(name));
        if (confirm) { // the Open or Save button, or Cancel
            dialog->accept();
        } else {
            dialog->reject();
        }
    };
}
Answer PressOk(const char* text, const char* title) {
    return [text, title](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString() + "|" + box->windowTitle().toStdString(),
                  std::string(text) + "|" + title);
        box->button(QMessageBox::Ok)->click();
    };
}

TEST(RealDialogs, EachDialogIsAnsweredWhileTheWindowRuns) {
    QTemporaryDir folder;
    const auto path = [&](const char* name) { return folder.filePath(name).toStdString(); };
    ASSERT_TRUE(testing::WriteBytes(path("one.mp3"), "x"));
    ASSERT_TRUE(testing::WriteBytes(path("two.mp3"), "x"));
    const QString savedCurrent = QDir::currentPath();
    const auto none = [](Korvale&) {};
    const auto fill = [&](Korvale& c) {
        c.Store().List().AppendMany({path("one.mp3"), path("two.mp3")});
    };
    struct Row {
        const char* button;
        std::function<void(Korvale&)> setUp;
        Answer answer;
        std::function<bool(Korvale&)> check;
    };
    const Row rows[] = {
        {"LoadButton", none, TypeAndConfirm(path("one.mp3"), false),
         [](Korvale& core) { return core.List().Count() == 2; }},
        {"LoadButton", none, TypeAndConfirm(path("one.mp3"), false, false),
         [](Korvale& core) { return core.List().Count() == 0; }},
        {"SaveListButton", fill, TypeAndConfirm(path("list"), true),
         [&](Korvale&) {
             return testing::ReadBytes(path("list.ztl")).find(path("two.mp3")) != std::string::npos;
         }},
        {"SaveListButton", fill, TypeAndConfirm(path("plain.m3u"), true, true, 1),
         [&](Korvale&) {
             return testing::ReadBytes(path("plain.m3u")) ==
                    path("one.mp3") + "\r\n" + path("two.mp3") + "\r\n";
         }},
        {"SaveListButton", none, PressOk("Play List is Empty", "KORVALE"),
         [](Korvale& c) { return !c.List().Count(); }},
        {"AboutButton", none, PressOk("KORVALE Version 1.1", "About KORVALE"),
         [](Korvale&) { return true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        QtDialogs dialogs;
        testing::TestWindow t(&dialogs);
        dialogs.SetOwner(t.w.get());
        row.setUp(t.w->Core());
        bool answered = false;
        QPointer<QTimer> poller = WhenActive(t.w.get(), [&](QDialog* dialog) {
            answered = true;
            row.answer(dialog);
        });
        auto* button = t.w->findChild<QPushButton*>(row.button);
        QTimer::singleShot(0, button, [&t, button] {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mouseClick(t.w->ExitButton, Qt::LeftButton);
        });
        t.w->RunUntilHidden();
        delete poller; // never left polling into the next run
        EXPECT_TRUE(answered);
        EXPECT_TRUE(row.check(t.w->Core()));
        EXPECT_EQ(t.w->result(), QDialog::Accepted);
    }
    QDir::setCurrent(savedCurrent);
}

// Each option starts off; turned on in the menu and off on the Playback page, both ways.
TEST(WindowWiring, EachOptionIsInStepInTheMenuAndOnThePageAndKeptAcrossRuns) {
    struct Row {
        const char* name;
        QAction* OptionsMenu::*entry;
        QCheckBox* SettingsWindow::*check;
        std::function<bool(testing::TestWindow&)> on;
    };
    const Row rows[] = {
        {OptionsMenu::kMatchLoudnessText, &OptionsMenu::MatchLoudnessAction,
         &SettingsWindow::MatchLoudnessCheck,
         [](testing::TestWindow& t) { return t.w->Core().Leveling().MatchLoudness(); }},
        {OptionsMenu::kSkipSilentEdgesText, &OptionsMenu::SkipSilentEdgesAction,
         &SettingsWindow::SkipSilentEdgesCheck,
         [](testing::TestWindow& t) { return t.w->Core().Leveling().SkipSilentEdges(); }},
        {OptionsMenu::kResumeText, &OptionsMenu::ResumeAction, &SettingsWindow::ResumeCheck,
         [](testing::TestWindow& t) { return t.w->Options->ResumesAtStart(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        korvale::testing::TempDir dir;
        const QString file = QString::fromStdString(dir.file("korvale.ini"));
        testing::TestWindow first(nullptr, QSize(1280, 1024), file);
        EXPECT_FALSE(row.on(first));
        EXPECT_FALSE((first.w->Settings->*row.check)->isChecked());
        (first.w->Options->*row.entry)->trigger();
        EXPECT_TRUE(row.on(first));
        EXPECT_TRUE((first.w->Settings->*row.check)->isChecked());
        testing::TestWindow second(nullptr, QSize(1280, 1024), file);
        EXPECT_TRUE(row.on(second));
        EXPECT_TRUE((second.w->Options->*row.entry)->isChecked());
        (second.w->Settings->*row.check)->click();
        EXPECT_FALSE(row.on(second));
        EXPECT_FALSE((second.w->Options->*row.entry)->isChecked());
        testing::TestWindow third(nullptr, QSize(1280, 1024), file);
        EXPECT_FALSE(row.on(third));
    }
}

// The Menu key opens the menu at the focused control; Return off a button presses M I X.
TEST(WindowWiring, TheContextMenuOpensOnARightClickAndTheMenuKey) {
    ClipWindow l;
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(&l.w, &click);
    EXPECT_TRUE(l.w.Options->isVisible());
    l.w.Options->hide();
    l.w.FaderA->setFocus();
    QTest::keyClick(l.w.FaderA, Qt::Key_Menu);
    EXPECT_EQ(l.w.Options->pos(), l.w.FaderA->mapToGlobal(l.w.FaderA->rect().center()));
    l.w.Options->hide();
    QTest::keyClick(l.w.FaderA, Qt::Key_Return);
    EXPECT_EQ(l.core.Fade().Phase(), MixPhase::Fading);
}

TEST(ProgramSwitches, TurnTheirOptionsOnAmongOtherWords) {
    struct Row {
        std::vector<const char*> argv;
        bool matchLoudness;
        bool skipSilentEdges;
        bool broadcast = false;
        bool record = false;
        bool resume = false;
    };
    for (const Row& row :
         {Row{{"korvale", "--match-loudness"}, true, false},
          Row{{"korvale", "-Embedding", "--unknown", "-skip-silent-edges", "a.mp3"}, false, true},
          Row{{"korvale", "--record"}, false, false, false, true},
          Row{{"korvale", "--broadcast"}, false, false, true, false},
          Row{{"korvale", "--resume"}, false, false, false, false, true}}) {
        SCOPED_TRACE(row.argv.back());
        const ProgramSwitches switches(static_cast<int>(row.argv.size()), row.argv.data());
        WindowServices services;
        switches.Apply(services);
        EXPECT_EQ(services.matchLoudnessSwitch, row.matchLoudness);
        EXPECT_EQ(services.skipSilentEdgesSwitch, row.skipSilentEdges);
        EXPECT_EQ(services.broadcastSwitch, row.broadcast);
        EXPECT_EQ(services.recordSwitch, row.record);
        EXPECT_EQ(services.resumeSwitch, row.resume);
        EXPECT_FALSE(switches.Answer().has_value());
    }
}

// Clips on both decks; then deck A playing, the mic panel shown, an entry far down selected.
TEST(WindowShow, TheWindowLooksAsPictured) {
    ClipWindow l;
    EXPECT_EQ(testing::DifferenceFromPicture(l.w, QStringLiteral("window")), "");
    l.Press(l.w.PlayAButton);
    l.t.deck1.SetPosition(12.5);
    l.Press(l.w.MicButton);
    l.core.Store().List().AppendMany(std::vector<std::string>(40, kClips[2]));
    l.core.Store().List().Select(42); // the list scrolls to show it
    l.core.OnTimer(TimerId::Tick);
    EXPECT_EQ(testing::DifferenceFromPicture(l.w, QStringLiteral("window-playing-mic")), "");
}

} // namespace
} // namespace korvale
