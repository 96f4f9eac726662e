// Each real dialog over the real window run as the program runs it: the user presses the
// button, answers the dialog through its own controls once it is active, then presses "X".

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "support/TestWindow.h"
#include "platform/QtDialogs.h"
#include "support/ClipFactory.h"

namespace korvale {
namespace {

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

// Types `name` into the file dialog's name field, which has the focus, and confirms it.
Answer TypeAndConfirm(const std::string& name, bool modal) {
    return [name, modal](QDialog* dialog) {
        EXPECT_EQ(QApplication::activeModalWidget() == dialog, modal) << "modal: the save dialog";
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(field != nullptr && field->hasFocus());
        EXPECT_GT(qobject_cast<QFileDialog*>(dialog)->nameFilters().size(), 1) << "the program's filters";
        field->setText(QString::fromStdString(name));
        dialog->accept(); // the Open or Save button
    };
}
Answer PressOk(const char* text) {
    return [text](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), text);
        box->button(QMessageBox::Ok)->click();
    };
}

TEST(RealDialogs, EachDialogIsAnsweredWhileTheWindowRuns) {
    QTemporaryDir folder;
    const auto path = [&](const char* name) { return folder.filePath(name).toStdString(); };
    ASSERT_TRUE(testing::WriteBytes(path("one.mp3"), "x") && testing::WriteBytes(path("two.mp3"), "x"));
    const QString savedCurrent = QDir::currentPath();
    const auto none = [](Korvale&) {};
    const auto fill = [&](Korvale& c) { c.Store().List().AppendMany({path("one.mp3"), path("two.mp3")}); };
    const std::vector<std::tuple<const char*, std::function<void(Korvale&)>, Answer,
                                 std::function<bool(Korvale&)>>> rows = {
        {"LoadButton", none, TypeAndConfirm(path("one.mp3"), false),
         [](Korvale& core) { return core.List().Count() == 2; }},
        {"SaveListButton", fill, TypeAndConfirm(path("list"), true), [&](Korvale&) {
             return testing::ReadBytes(path("list.ztl")).find(path("two.mp3")) != std::string::npos;
         }},
        {"SaveListButton", none, PressOk("Play List is Empty"), [](Korvale& c) { return !c.List().Count(); }},
        {"AboutButton", none, PressOk("KORVALE Version 1.1"), [](Korvale&) { return true; }},
    };
    for (const auto& [name, setUp, answer, check] : rows) {
        SCOPED_TRACE(name);
        QtDialogs dialogs;
        test::TestWindow t(&dialogs);
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

} // namespace
} // namespace korvale
