// The real program on screens of several sizes: "L" opens the open dialog, which takes a
// typed file name whatever the placement rule did with the window, and the chosen folder is
// gathered (seen in the play list that "S" then saves).

#include <QDeadlineTimer>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "support/VirtualDisplay.h"
#include "ui/ControlTable.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

constexpr int kStartTimeoutMs = 15000;
constexpr int kStepTimeoutMs = 10000;
constexpr int kPollMs = 20;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

const ControlSpec& Control(const char* name) {
    for (const ControlSpec& entry : WindowControls()) {
        if (std::string(entry.name) == name) {
            return entry;
        }
    }
    throw std::logic_error(name);
}

class OpenDialogScreensTest : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_display = std::make_unique<test::VirtualDisplay>(GetParam().width(), GetParam().height());
        if (!m_display->ok()) {
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        }
    }
    void TearDown() override {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kStepTimeoutMs);
        }
        m_display.reset();
    }

    std::string WaitForWindow(const std::string& title) const {
        std::string id;
        WaitFor(
            [&] {
                // Start-up messages about missing sound devices are answered as a user would.
                for (const char* box : {"Error!", "Audio Device\\(s\\) Not found"}) {
                    for (const auto& boxId : m_display->visibleWindows(box)) {
                        m_display->key(boxId, "Return");
                    }
                }
                const auto ids = m_display->visibleWindows(title);
                id = ids.empty() ? std::string() : ids.front();
                return !id.empty();
            },
            kStartTimeoutMs);
        return id;
    }
    bool ClickControl(const std::string& window, const char* name) const {
        test::VirtualDisplay::Geometry geometry;
        if (!m_display->geometry(window, geometry)) {
            return false;
        }
        const ControlSpec& control = Control(name);
        const int x = geometry.width * (2 * control.x + control.width) / (2 * kTemplateWidthDu);
        const int y = geometry.height * (2 * control.y + control.height) / (2 * kTemplateHeightDu);
        return m_display->click(window, x, y);
    }
    // Types `path` into the dialog titled `title` and confirms it; true once it has gone.
    bool AnswerFileDialog(const std::string& title, const std::string& path) const {
        const std::string dialog = WaitForWindow(title);
        if (dialog.empty()) {
            ADD_FAILURE() << "no dialog titled " << title;
            return false;
        }
        m_display->type(dialog, path);
        m_display->key(dialog, "Return");
        return WaitFor([&] { return m_display->visibleWindows(title).empty(); }, kStepTimeoutMs);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<test::VirtualDisplay> m_display;
    QProcess m_process;
};

TEST_P(OpenDialogScreensTest, TheOpenDialogTakesATypedNameAndTheFolderIsGathered) {
    const fs::path folder = m_folder.path().toStdString();
    for (const char* name : {"one.mp3", "two.mp3"}) {
        std::ofstream(folder / name) << "x";
    }
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_display->name()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(m_folder.path());
    m_process.start(QStringLiteral(KORVALE_BINARY), {});
    ASSERT_TRUE(m_process.waitForStarted(kStartTimeoutMs));

    const std::string window = WaitForWindow("KORVALE");
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(ClickControl(window, "LoadButton"));
    ASSERT_TRUE(AnswerFileDialog("Please select a clip", (folder / "one.mp3").string()))
        << "the open dialog took no input";

    const fs::path saved = folder / "list.m3u";
    ASSERT_TRUE(ClickControl(window, "SaveListButton"));
    ASSERT_TRUE(AnswerFileDialog("Save As", saved.string()));
    std::string text;
    ASSERT_TRUE(WaitFor(
        [&] {
            std::ifstream in(saved, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            return text.find("two.mp3") != std::string::npos;
        },
        kStepTimeoutMs))
        << text;
    EXPECT_NE(text.find((folder / "one.mp3").string()), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, OpenDialogScreensTest,
                         ::testing::Values(QSize(640, 480), QSize(800, 600), QSize(1000, 800),
                                           QSize(1366, 768), QSize(1920, 1080)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

} // namespace
} // namespace korvale
