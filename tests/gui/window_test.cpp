// The window's wiring on fakes: each control reaches its operation and the controls show what
// the core holds; then each real dialog, answered over the real window as a user would.

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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/ProgramSwitches.h"
#include "platform/QtDialogs.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/ClickLabel.h"
#include "ui/ControlTable.h"
#include "ui/OptionsMenu.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

namespace korvale {
namespace {

using W = CKORVALEDlg;
const std::vector<std::string> kClips = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

// Every control that shows core state shows what the core holds now.
void ExpectShowsCore(W& w) {
    Korvale& c = w.Core();
    EXPECT_EQ(Text(w.StatusLine), c.StatusText());
    for (auto [d, fader, label, elapsed, remain] :
         {std::tuple{Deck::A, w.FaderA, w.FaderALabel, w.ElapsedA, w.RemainA},
          std::tuple{Deck::B, w.FaderB, w.FaderBLabel, w.ElapsedB, w.RemainB}}) {
        EXPECT_EQ(std::tuple(fader->value(), Text(label), Text(elapsed), Text(remain)),
                  std::tuple(c.Decks().FaderPosition(d),
                             c.Decks().FaderLabel(d).value_or(Text(label)),
                             c.Decks().Times(d).elapsed, c.Decks().Times(d).remain));
    }
    for (auto [slider, bar, label] :
         {std::tuple{FadeSlider::SkipLast, w.SkipLastSlider, w.SkipLastLabel},
          std::tuple{FadeSlider::FadeInThreshold, w.FadeInThresholdSlider, w.FadeInThresholdLabel},
          std::tuple{FadeSlider::InSpeed, w.InSpeedSlider, w.InSpeedLabel},
          std::tuple{FadeSlider::OutSpeed, w.OutSpeedSlider, w.OutSpeedLabel}}) {
        EXPECT_EQ(std::pair(bar->value(), Text(label)),
                  std::pair(c.Settings().Position(slider),
                            c.Settings().Label(slider).value_or(Text(label))));
    }
    EXPECT_EQ(std::tuple(w.MixStyleCombo->currentIndex(), w.WaitFadeInCheck->isChecked(),
                         w.FadeInThresholdSlider->isEnabled()),
              std::tuple(c.Settings().MixStyleIndex(), c.Settings().WaitBoxChecked(),
                         c.Settings().ThresholdEnabled()));
    EXPECT_EQ(std::tuple(Text(w.CueClipName), Text(w.CuePositionDisplay), Text(w.CuePlayTime),
                         w.SetCueButton->isEnabled()),
              std::tuple(c.Cue().ClipName(), c.Cue().CuePointText(), c.Cue().PlayTimeText(),
                         c.Cue().ControlsEnabled()));
    // A track bar holds its position inside its range.
    EXPECT_EQ(
        w.CuePositionSlider->value(),
        std::clamp(c.Cue().SliderPosition(), c.Cue().SliderMinimum(), c.Cue().SliderMaximum()));
    EXPECT_EQ(std::pair(w.MicLevel->isVisibleTo(&w), w.TOCheck->isVisibleTo(&w)),
              std::pair(c.Levels().MicOn(), c.Levels().MicOn()));
    EXPECT_EQ(std::tuple(w.MasterLevel->value(), w.MicLevel->value(), w.MicButton->isChecked(),
                         w.TOCheck->isChecked(), w.LoadNextCheck->isChecked(),
                         w.MixNextCheck->isChecked()),
              std::tuple(c.Levels().MasterPosition(), c.Levels().MicPosition(), c.Levels().MicOn(),
                         c.Levels().TalkOverChecked(), c.LoadNext(), c.MixNext()));
}

// A window with the clips listed, "a" on deck A (the user's choice) and "b" on deck B.
struct L {
    testing::FakeDialogs dialogs;
    testing::TestWindow t{&dialogs};
    W& w = *t.w;
    Korvale& core = w.Core();
    L() {
        for (const std::string& clip : kClips)
            t.deck1.AddClip(clip, 60.0), t.deck2.AddClip(clip, 60.0);
        core.Store().List().AppendMany(kClips);
        t.mci.replies = {{"status movie length", "60000"}, {"status movie position", "1500"}};
        core.Store().SelectedByUser(0);
        core.Decks().LoadClipOnDeck(kClips[1], DeckChoice::Deck2, 0.0);
    }
    // As a user: a click, a track bar moved by keyboard to its other end, the wait box
    // toggled through assistive technology.
    void Press(QWidget* control) {
        if (auto* bar = qobject_cast<TrackBar*>(control)) {
            pressed = bar;
            QTest::keyClick(bar, bar->value() == bar->minimum() ? Qt::Key_End : Qt::Key_Home);
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
    L l;
    for (const ControlSpec& entry : WindowControls())
        EXPECT_TRUE(l.w.findChild<QWidget*>(entry.name)) << entry.name;
    EXPECT_EQ(std::tuple(Text(l.w.InSpeedLabel), l.w.InSpeedSlider->value(),
                         l.w.FaderA->tickInterval(), l.w.SkipLastSlider->maximum(),
                         l.w.MasterLevel->value(), l.w.MasterLevel->maximum()),
              std::tuple(std::string("In Speed 40"), 40, 400, 60, l.core.Levels().MasterPosition(),
                         65536));
    l.core.Levels().MasterMovedByUser(7281), l.core.OnVScroll(); // a level the core holds shows
    EXPECT_EQ(l.w.MasterLevel->value(), 7281);
    EXPECT_FALSE(l.w.IsTimerRunning(TimerId::Tick));
    EXPECT_EQ(l.w.ShuffleButton->toolTip().toStdString(), "Shuffle the play list");
    // Controls take their template heights (a drop-down list's includes its open list) and
    // start hidden, disabled or at nothing as the template says.
    EXPECT_EQ(std::tuple(l.w.PlayListBox->height() > l.w.height() / 2,
                         l.w.MixStyleCombo->height() < l.w.height() / 10,
                         l.w.ShuffleScratchList->isVisibleTo(&l.w),
                         l.w.SetCueButton->isVisibleTo(&l.w), l.w.UpperProgressBar->value()),
              std::tuple(true, true, false, true, 0));
    ExpectShowsCore(l.w);
    // Changes the core makes on its own show too.
    l.core.SetStatus("Busy"), l.core.Settings().SetMixStyleIndex(2),
        l.core.Decks().PlayDeck(Deck::A);
    l.t.deck1.SetPosition(12.0), l.core.OnTimer(TimerId::Tick);
    EXPECT_EQ(Text(l.w.StatusLine) + Text(l.w.ElapsedA), "Busy00:00:12:00");
    ExpectShowsCore(l.w);
}

// Counts the paint events each widget receives.
struct PaintCounter : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
        }
        return false;
    }
    std::map<QObject*, int> paints;
};

// While two decks play, a second of ticks redraws the elapsed and remaining times as their
// frames change (25 a second) and nothing that stands still.
TEST(WindowShow, PlayingRedrawsOnlyWhatChanged) {
    L l;
    l.Press(l.w.PlayAButton);
    l.Press(l.w.PlayBButton);
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
        {"FaderB", l.w.FaderB, 0},
        {"TimeA", l.w.TimeA, 0},
        {"StatusLine", l.w.StatusLine, 0},
        {"MasterLevel", l.w.MasterLevel, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_LE(counter.paints[row.widget], row.most);
    }
    EXPECT_GE(counter.paints[l.w.ElapsedA], kFramesPerSecond - 1) << "the times go on showing";
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
        testing::TestWindow t(nullptr, row.screen);
        const QSize size = t.w->size(); // other screens: centred at the template's size
        const QRect centred(QPoint((row.screen.width() - size.width()) / 2,
                                   (row.screen.height() - size.height()) / 2),
                            size);
        EXPECT_EQ(std::pair(QRect(t.w->pos(), size), t.w->isVisible()),
                  std::pair(row.shown ? row.place : centred, row.shown));
    }
}

TEST(WindowWiring, EachControlReachesItsOperation) {
    using Step = std::function<void(L&)>;
    const Step none = [](L&) {};
    const Step cueA = [](L& l) { l.Press(l.w.CueAButton), l.t.mci.commands.clear(); };
    const Step playA = [](L&l) { l.Press(l.w.PlayAButton); },
               playB = [](L&l) { l.Press(l.w.PlayBButton); };
    const Step mic = [](L& l) { l.Press(l.w.MicButton); };
    const auto sent = [](L& l) { return !l.t.mci.commands.empty(); };
    const auto bar = [](auto get) {
        return [get](L& l) { return get(l.core) == l.pressed->value(); };
    };
    const std::vector<std::tuple<const char*, Step, std::function<bool(L&)>>> rows = {
        {"LoadButton", none, [](L& l) { return l.dialogs.openRequests.size() == 1; }},
        {"SaveListButton", none, [](L& l) { return l.dialogs.saveRequests.size() == 1; }},
        {"AboutButton", none, [](L& l) { return l.dialogs.aboutShown == 1; }},
        {"HelpButton", none, [](L& l) { return l.t.shell.opened.size() == 1; }},
        {"ClearButton", none, [](L& l) { return l.core.List().Count() == 0; }},
        {"DeleteButton", none, [](L& l) { return l.core.List().Text(0) == kClips[1]; }},
        {"ShuffleButton", none, [](L& l) { return l.core.List().SelectedIndex() < 0; }},
        {"PlayAButton", none, [](L& l) { return l.Playing(l.t.deck1); }},
        {"PlayBButton", none, [](L& l) { return l.Playing(l.t.deck2); }},
        {"StopAButton", playA, [](L& l) { return l.t.deck1.isOpen() && !l.Playing(l.t.deck1); }},
        {"StopBButton", playB, [](L& l) { return l.t.deck2.isOpen() && !l.Playing(l.t.deck2); }},
        {"CloseAButton", none, [](L& l) { return !l.t.deck1.isOpen() && l.t.deck2.isOpen(); }},
        {"CloseBButton", none, [](L& l) { return l.t.deck1.isOpen() && !l.t.deck2.isOpen(); }},
        {"CueAButton", none, [](L& l) { return l.core.Cue().ClipName() == kClips[0]; }},
        {"CueBButton", none, [](L& l) { return l.core.Cue().ClipName() == kClips[1]; }},
        {"CuePlayPauseButton", cueA,
         [](L& l) { return l.core.Cue().Playing() && l.w.IsTimerRunning(TimerId::Cue); }},
        {"CuePlayPauseButton",
         [](L& l) { l.Press(l.w.CueAButton), l.Press(l.w.CuePlayPauseButton); },
         [](L& l) { return !l.core.Cue().Playing() && !l.w.IsTimerRunning(TimerId::Cue); }},
        {"MarkInButton", cueA, sent},
        {"GoToCueButton", cueA, sent},
        {"SetCueButton", cueA, sent},
        {"MixButton", none, [](L& l) { return l.core.Fade().Phase() == MixPhase::Fading; }},
        {"LoadNextCheck", none, [](L& l) { return l.core.LoadNext() && !l.core.MixNext(); }},
        {"MixNextCheck", none, [](L& l) { return l.core.MixNext() && !l.core.LoadNext(); }},
        {"StopAllButton", [](L& l) { l.Press(l.w.LoadNextCheck), l.Press(l.w.MixNextCheck); },
         [](L& l) { return !l.core.LoadNext() && !l.core.MixNext() && !l.t.deck1.isOpen(); }},
        {"MicButton", none,
         [](L& l) { return l.core.Levels().MicOn() && l.w.MicButton->text() == "MIC ON"; }},
        // Mic on again: the core releases the talk-over box, and the list makes room for the level.
        {"MicButton",
         [](L& l) { l.Press(l.w.MicButton), l.Press(l.w.TOCheck), l.Press(l.w.MicButton); },
         [](L& l) {
             return l.core.Levels().MicOn() &&
                    l.w.PlayListBox->geometry().right() < l.w.MicLevel->x();
         }},
        {"TOCheck", mic, [](L& l) { return l.core.Levels().TalkOverChecked(); }},
        {"FaderBLabel", none, [](L& l) { return l.core.StatusText() == "Player 2: b"; }},
        {"WaitFadeInCheck", none, [](L& l) { return !l.core.Settings().WaitBoxChecked(); }},
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
    for (const auto& [name, before, effect] : rows) {
        SCOPED_TRACE(name);
        L l;
        before(l);
        l.Press(l.w.findChild<QWidget*>(name));
        EXPECT_TRUE(effect(l));
        ExpectShowsCore(l.w);
    }
}

TEST(WindowWiring, PlayListViewLoadsOnlyWhatTheUserSelects) {
    L l;
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
    for (const auto& attempt : std::vector<std::function<void()>>{
             [&] { QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, below); },
             [&] {
                 QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, at(1));
             },
             [&] { QTest::keyClick(view, Qt::Key_Space, Qt::ControlModifier); }}) {
        attempt();
        EXPECT_EQ(std::pair(view->ShownSelection(), l.core.List().SelectedIndex()),
                  std::pair(1, 1));
    }
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(0)); // the first entry too
    EXPECT_EQ(l.core.List().SelectedIndex(), 0);
}

// An unplayable entry reached by a click or by LOAD NEXT leaves the list, and the entry after
// it is loaded once, on the deck the choice gives: never on both decks, never over the clip
// on air.
TEST(WindowWiring, AnUnplayableEntryLeavesTheListAndTheNextLoadsOnce) {
    struct Row {
        const char* name;
        bool unattended; // "a" clicked and on air, then MIX pressed twice with LOAD NEXT down
        std::vector<std::string> listAfter;
        std::string deck1;
        std::string deck2;
        std::string status;
    };
    const Row rows[] = {
        {"clicked with both decks empty",
         false,
         {"/m/t.wav", "/m/u.wav"},
         "/m/s.wav",
         "/m/t.wav",
         "s - Loaded on Player 1"},
        {"reached by LOAD NEXT",
         true,
         {"/m/a.wav", "/m/t.wav", "/m/u.wav"},
         "/m/a.wav",
         "/m/t.wav",
         "s - Loaded on Player 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::TestWindow t;
        W& w = *t.w;
        for (testing::FakeMediaVoice* deck : {&t.deck1, &t.deck2}) {
            deck->AddClip("/m/a.wav", 60.0);
            deck->AddClip("/m/s.wav", 0.8);
            deck->AddClip("/m/t.wav", 6.0);
            deck->AddClip("/m/u.wav", 6.0);
        }
        std::vector<std::string> clips = {"/m/s.wav", "/m/t.wav", "/m/u.wav"};
        if (row.unattended) {
            clips.insert(clips.begin(), "/m/a.wav");
        }
        w.Core().Store().List().AppendMany(clips);
        PlayListView* view = w.PlayListBox;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(0, 0)).center());
        if (row.unattended) {
            QTest::mouseClick(w.LoadNextCheck, Qt::LeftButton);
            QTest::mouseClick(w.MixButton, Qt::LeftButton); // "a" starts on deck 1
            t.deck1.ClearCalls();
            QTest::mouseClick(w.MixButton, Qt::LeftButton); // the mix ends and advances
            EXPECT_EQ(t.deck1.Calls(), std::vector<std::string>())
                << "the clip on air is untouched";
            EXPECT_EQ(t.deck1.playState(), VoicePlayState::Playing);
        }
        EXPECT_EQ(w.Core().List().Entries(), row.listAfter);
        EXPECT_EQ(t.deck1.path(), row.deck1);
        EXPECT_EQ(t.deck2.path(), row.deck2);
        const std::vector<std::string>& calls = t.deck2.Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "open " + row.deck2), 1) << "opened once";
        EXPECT_EQ(Text(w.StatusLine), row.status);
        EXPECT_EQ(view->ShownSelection(), w.Core().List().SelectedIndex());
    }
}

TEST(WindowWiring, EscapeAndCloseDoNothingUnlessHeldAndXEndsTheRun) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held);
        L l;
        QObject proxy;
        l.w.SetAutomationProxy(held ? &proxy : nullptr), l.w.show();
        QTest::keyClick(&l.w, Qt::Key_Escape);
        const bool afterEscape = l.w.isVisible();
        l.w.close();
        EXPECT_EQ(std::pair(afterEscape, l.w.isVisible()), std::pair(true, !held));
        l.Press(l.w.LoadNextCheck);
        QTimer::singleShot(0, l.w.ExitButton, [&l] { l.Press(l.w.ExitButton); });
        l.w.RunUntilHidden(); // returns once "X" has hidden the window
        EXPECT_EQ(l.w.result() == QDialog::Accepted, !held) << "held: X only hides";
        EXPECT_FALSE(l.w.LoadNextCheck->isChecked() || l.t.deck1.isOpen());
        EXPECT_EQ(l.t.mci.commands.empty() ? "" : l.t.mci.commands.back(), "close movie");
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

// Types `name` into the file dialog's name field, which has the focus, and confirms it (or
// cancels the dialog).
Answer TypeAndConfirm(const std::string& name, bool modal, bool confirm = true) {
    return [name, modal, confirm](QDialog* dialog) {
        EXPECT_EQ(QApplication::activeModalWidget() == dialog, modal) << "modal: the save dialog";
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(field != nullptr && field->hasFocus());
        EXPECT_GT(qobject_cast<QFileDialog*>(dialog)->nameFilters().size(), 1)
            << "the program's filters";
        field->setText(QString::fromStdString(name));
        confirm ? dialog->accept() : dialog->reject(); // the Open or Save button, or Cancel
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
    ASSERT_TRUE(testing::WriteBytes(path("one.mp3"), "x") &&
                testing::WriteBytes(path("two.mp3"), "x"));
    const QString savedCurrent = QDir::currentPath();
    const auto none = [](Korvale&) {};
    const auto fill = [&](Korvale& c) {
        c.Store().List().AppendMany({path("one.mp3"), path("two.mp3")});
    };
    const std::vector<std::tuple<const char*, std::function<void(Korvale&)>, Answer,
                                 std::function<bool(Korvale&)>>>
        rows = {
            {"LoadButton", none, TypeAndConfirm(path("one.mp3"), false),
             [](Korvale& core) { return core.List().Count() == 2; }},
            {"LoadButton", none, TypeAndConfirm(path("one.mp3"), false, false),
             [](Korvale& core) { return core.List().Count() == 0; }},
            {"SaveListButton", fill, TypeAndConfirm(path("list"), true),
             [&](Korvale&) {
                 return testing::ReadBytes(path("list.ztl")).find(path("two.mp3")) !=
                        std::string::npos;
             }},
            {"SaveListButton", none, PressOk("Play List is Empty", "KORVALE"),
             [](Korvale& c) { return !c.List().Count(); }},
            {"AboutButton", none, PressOk("KORVALE Version 1.1", "About KORVALE"),
             [](Korvale&) { return true; }},
        };
    for (const auto& [name, setUp, answer, check] : rows) {
        SCOPED_TRACE(name);
        QtDialogs dialogs;
        testing::TestWindow t(&dialogs);
        dialogs.SetOwner(t.w.get());
        setUp(t.w->Core());
        bool answered = false;
        QPointer<QTimer> poller = WhenActive(t.w.get(), [&, answer = answer](QDialog* dialog) {
            answered = true;
            answer(dialog);
        });
        auto* button = t.w->findChild<QPushButton*>(name);
        QTimer::singleShot(0, button, [&t, button] {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mouseClick(t.w->ExitButton, Qt::LeftButton);
        });
        t.w->RunUntilHidden();
        delete poller; // never left polling into the next run
        EXPECT_TRUE(answered && check(t.w->Core()) && t.w->result() == QDialog::Accepted);
    }
    QDir::setCurrent(savedCurrent);
}

TEST(WindowWiring, TheContextMenuTogglesTheClipOptionsAndTheyAreKeptAcrossRuns) {
    korvale::testing::TempDir dir;
    const QString file = QString::fromStdString(dir.file("korvale.ini"));
    const auto shown = [](testing::TestWindow& t) { // the entries' checks, as the core's options
        const OptionsMenu* m = t.w->Options;
        EXPECT_EQ(m->MatchLoudnessAction->isChecked(), t.w->Core().Leveling().MatchLoudness());
        EXPECT_EQ(m->SkipSilentEdgesAction->isChecked(), t.w->Core().Leveling().SkipSilentEdges());
        return std::pair(m->MatchLoudnessAction->isChecked(),
                         m->SkipSilentEdgesAction->isChecked());
    };
    testing::TestWindow first(nullptr, QSize(1280, 1024), file);
    EXPECT_EQ(shown(first), std::pair(false, false));
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(first.w.get(), &click);
    EXPECT_TRUE(first.w->Options->isVisible());
    first.w->Options->hide();
    QTest::keyClick(first.w.get(), Qt::Key_Menu);
    EXPECT_TRUE(first.w->Options->isVisible());
    const QList<QAction*> entries = first.w->Options->actions();
    EXPECT_EQ(entries[0]->text() + "|" + entries[1]->text(),
              "Match clip loudness|Skip silent starts and ends");
    first.w->Options->MatchLoudnessAction->trigger();
    testing::TestWindow second(nullptr, QSize(1280, 1024), file);
    EXPECT_EQ(shown(second), std::pair(true, false));
    second.w->Options->MatchLoudnessAction->trigger();
    second.w->Options->SkipSilentEdgesAction->trigger();
    EXPECT_EQ(shown(second), std::pair(false, true));
    EXPECT_EQ(shown(*std::make_unique<testing::TestWindow>(nullptr, QSize(1280, 1024), file)),
              std::pair(false, true));
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
          Row{{"korvale", "-Embedding", "--unknown", "-skip-silent-edges", "clip.mp3"},
              false,
              true},
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

} // namespace
} // namespace korvale
