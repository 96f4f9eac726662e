// The real program on screens of several sizes: the open dialog takes a typed name wherever the
// window went, the folder is gathered (seen in the list "S" saves), and "X" ends the program.

#include <QSize>

#include <gtest/gtest.h>

#include "SystemSupport.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;

class OpenDialogScreens : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override {
        if (!m_screen.ok())
            GTEST_SKIP() << "Xvfb and xdotool are needed";
    }
    // Presses `button`, types `path` into the dialog titled `title` that it opens and confirms
    // it; true once the dialog has gone. A click may land while the program still closes a
    // popup, and the name completer's list may pop up late and take the first Return: as a
    // user would, click again while no dialog shows, press Return again while it stays.
    bool AnswerFileDialog(const QString& window, const char* button, const QString& title,
                          const std::string& path) const {
        QString dialog;
        for (int attempt = 0; attempt < 3 && dialog.isEmpty(); ++attempt) {
            m_screen.Click(window, button);
            dialog = m_screen.WaitForWindow(title, 5s);
        }
        if (dialog.isEmpty() || !m_screen.Type(dialog, path))
            return false;
        const auto gone = [&] { return m_screen.Windows(title).empty(); };
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!m_screen.Key(dialog, "Return") || sys::WaitFor(gone, 4s))
                return gone();
        }
        return false;
    }

    testing::TempDir m_folder;
    sys::Screen m_screen{GetParam().width(), GetParam().height()};
};

TEST_P(OpenDialogScreens, TheOpenDialogTakesATypedNameAndTheFolderIsGathered) {
    for (const char* name : {"one.mp3", "two.mp3"})
        ASSERT_TRUE(testing::WriteBytes(m_folder.file(name), "x"));
    sys::Child program({"sh", "-c", "cd \"$0\" && exec \"$1\"", m_folder.path(), KORVALE_BINARY},
                       m_screen.Environment(), m_folder.file("korvale.log"));
    const QString window = m_screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(
        AnswerFileDialog(window, "LoadButton", "Please select a clip", m_folder.file("one.mp3")))
        << "the open dialog took no input";
    ASSERT_TRUE(AnswerFileDialog(window, "SaveListButton", "Save As", m_folder.file("list.m3u")));
    std::string text;
    EXPECT_TRUE(sys::WaitFor(
        [&] {
            text = testing::ReadBytes(m_folder.file("list.m3u"));
            return text.find(m_folder.file("one.mp3")) != std::string::npos &&
                   text.find(m_folder.file("two.mp3")) != std::string::npos;
        },
        10s))
        << text;
    ASSERT_TRUE(m_screen.Click(window, "ExitButton"));
    EXPECT_EQ(program.WaitExit(10s), 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, OpenDialogScreens,
                         // The window's places: the whole screen, the middle screen's
                         // place, centred, and the large screens' place.
                         ::testing::Values(QSize(640, 480), QSize(800, 600), QSize(1000, 800),
                                           QSize(1366, 768)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

} // namespace
} // namespace korvale
