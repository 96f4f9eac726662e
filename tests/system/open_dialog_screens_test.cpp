// The real program on screens of several sizes: "L" opens the open dialog, which takes a
// typed file name whatever the placement rule did with the window; the chosen folder is
// gathered (seen in the play list that "S" then saves), and "X" ends the program.

#include <QSize>

#include <gtest/gtest.h>

#include "SystemSupport.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;

class OpenDialogScreens : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override {
        if (!m_screen.display.ok()) {
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        }
    }
    // Types `path` into the dialog titled `title` and confirms it; true once it has gone.
    bool AnswerFileDialog(const std::string& title, const std::string& path) const {
        const std::string dialog = m_screen.WaitForWindow(title);
        return !dialog.empty() && m_screen.display.type(dialog, path) &&
               m_screen.display.key(dialog, "Return") &&
               sys::WaitFor([&] { return m_screen.display.visibleWindows(title).empty(); }, 10s);
    }

    testing::TempDir m_folder;
    sys::Screen m_screen{GetParam().width(), GetParam().height()};
};

TEST_P(OpenDialogScreens, TheOpenDialogTakesATypedNameAndTheFolderIsGathered) {
    for (const char* name : {"one.mp3", "two.mp3"}) {
        ASSERT_TRUE(testing::WriteBytes(m_folder.file(name), "x"));
    }
    sys::Child program({"sh", "-c", "cd \"$0\" && exec \"$1\"", m_folder.path(), KORVALE_BINARY},
                       m_screen.Environment(), m_folder.file("korvale.log"));
    const std::string window = m_screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(m_screen.Click(window, "LoadButton"));
    ASSERT_TRUE(AnswerFileDialog("Please select a clip", m_folder.file("one.mp3")))
        << "the open dialog took no input";

    ASSERT_TRUE(m_screen.Click(window, "SaveListButton"));
    ASSERT_TRUE(AnswerFileDialog("Save As", m_folder.file("list.m3u")));
    std::string text;
    EXPECT_TRUE(sys::WaitFor([&] {
        text = testing::ReadBytes(m_folder.file("list.m3u"));
        return text.find(m_folder.file("one.mp3")) != std::string::npos &&
               text.find(m_folder.file("two.mp3")) != std::string::npos;
    }, 10s)) << text;
    ASSERT_TRUE(m_screen.Click(window, "ExitButton"));
    EXPECT_EQ(program.WaitExit(10s), 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, OpenDialogScreens,
                         ::testing::Values(QSize(640, 480), QSize(800, 600), QSize(1000, 800),
                                           QSize(1366, 768), QSize(1920, 1080)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

} // namespace
} // namespace korvale
