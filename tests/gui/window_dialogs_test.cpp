// One test per dialog: the program's real dialogs over the real window, run the way the
// program runs it; each dialog is answered through its own controls once it is active.

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

#include <fstream>
#include <functional>
#include <sstream>

#include "TestWindow.h"
#include "platform/QtDialogs.h"
#include "ui/PlayListView.h"

namespace korvale {
namespace {

// Once a top-level T is shown and active, so that it takes typing as from a user, runs
// `answer` on it; the poller deletes itself then.
template <typename T> QPointer<QTimer> WhenActive(std::function<void(T*)> answer) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* match = qobject_cast<T*>(widget);
            if (match != nullptr && match->isVisible() && match->isActiveWindow()) {
                timer->stop();
                timer->deleteLater();
                const auto run = answer; // the answer's loop may outlive the timer's lambda
                run(match);
                return;
            }
        }
    });
    timer->start(10);
    return timer;
}

// Types a name into the dialog's name field, which has the focus, as a user would.
void TypeName(QFileDialog* dialog, const std::string& name) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(field != nullptr && field->hasFocus());
    field->setText(QString::fromStdString(name));
}

class RealDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        for (const char* name : {"one.mp3", "two.mp3"}) {
            std::ofstream(Path(name)) << "x";
        }
        m_dialogs.SetOwner(t.w.get());
    }
    void TearDown() override {
        delete poller; // never left polling into a later test
        QDir::setCurrent(m_savedCurrent);
    }
    std::string Path(const char* name) const { return m_folder.filePath(name).toStdString(); }

    // Runs the window as the program does while the user presses `button` and, once the
    // dialog it opened has been answered, "X". A dialog left open fails and is closed.
    void RunPressing(QPushButton* button) {
        QTimer::singleShot(0, button, [this, button] {
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mouseClick(t.w->ExitButton, Qt::LeftButton);
        });
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(widget);
                if (dialog != nullptr && dialog != t.w.get() && dialog->isVisible()) {
                    ADD_FAILURE() << "left open: " << dialog->metaObject()->className();
                    dialog->reject();
                }
            }
        });
        watchdog.start(30000);
        t.w->RunUntilHidden();
        EXPECT_TRUE(answered);
        EXPECT_EQ(t.w->result(), QDialog::Accepted);
    }

    QTemporaryDir m_folder;
    QString m_savedCurrent = QDir::currentPath();
    QtDialogs m_dialogs;
    test::TestWindow t{m_dialogs};
    QPointer<QTimer> poller;
    bool answered = false;
};

TEST_F(RealDialogs, OpenDialogLeavesTheWindowUsableAndTheTypedClipsFolderIsGathered) {
    poller = WhenActive<QFileDialog>([this](QFileDialog* dialog) {
        answered = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Please select a clip"));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window stays usable";
        TypeName(dialog, Path("one.mp3"));
        static_cast<QDialog*>(dialog)->accept(); // the Open or Save button
    });
    RunPressing(t.w->LoadButton);
    EXPECT_EQ(t.w->Core().List().Count(), 2);
    EXPECT_EQ(t.w->PlayListBox->model()->rowCount(), 2);
}

TEST_F(RealDialogs, SaveDialogWritesTheListUnderTheTypedName) {
    t.w->Core().Store().List().AppendMany({Path("one.mp3"), Path("two.mp3")});
    poller = WhenActive<QFileDialog>([this](QFileDialog* dialog) {
        answered = true;
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        TypeName(dialog, Path("list"));
        static_cast<QDialog*>(dialog)->accept(); // the Open or Save button
    });
    RunPressing(t.w->SaveListButton);
    std::stringstream written;
    written << std::ifstream(Path("list.ztl")).rdbuf();
    EXPECT_NE(written.str().find(Path("two.mp3")), std::string::npos) << written.str();
}

TEST_F(RealDialogs, MessageBoxAndAboutBoxAreAnsweredWithTheirButton) {
    const std::pair<QPushButton*, const char*> rows[] = {
        {t.w->SaveListButton, "Play List is Empty"}, {t.w->AboutButton, "KORVALE Version 1.1"}};
    for (const auto& [button, text] : rows) {
        SCOPED_TRACE(text);
        answered = false;
        poller = WhenActive<QMessageBox>([this, text](QMessageBox* box) {
            answered = true;
            EXPECT_EQ(box->text().toStdString(), text);
            EXPECT_EQ(box->parentWidget(), t.w.get());
            box->button(QMessageBox::Ok)->click();
        });
        RunPressing(button);
    }
}

} // namespace
} // namespace korvale
