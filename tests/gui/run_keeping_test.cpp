// Run keeping over a window on fakes, in a state folder of its own, and the stop signals.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <signal.h>

#include "app/RunKeeping.h"
#include "app/StopSignals.h"
#include "core/RunStateCodec.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"

namespace korvale {
namespace {

using Entries = std::vector<std::string>;

TEST(RunKeeping, EachChangeIsKeptForTheNextStartUntilTheUsersExit) {
    testing::TempDir dir;
    const std::string folder = dir.file("state");
    const auto kept = [&] {
        return DecodeRunState(testing::ReadBytes(folder + "/run-state")).state;
    };
    testing::TestWindow first;
    std::unique_ptr<RunKeeping> keeping = RunKeeping::Start(first.w->Core(), folder, false);
    ASSERT_NE(keeping, nullptr);
    EXPECT_EQ(RunKeeping::Start(first.w->Core(), folder, false), nullptr)
        << "a second copy keeps nothing";
    first.w->Core().Store().List().AppendMany({"/m/a.mp3", "/m/b.mp3"});
    first.w->Core().SetLoadNext(true);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const std::optional<RunState> state = kept();
        return state.has_value() && state->entries->size() == 2 && state->loadNext;
    }));
    keeping->Finish(); // stopped from outside: the run stays resumable
    keeping.reset();

    testing::TestWindow second;
    keeping = RunKeeping::Start(second.w->Core(), folder, true);
    ASSERT_NE(keeping, nullptr);
    EXPECT_EQ(second.w->Core().List().Entries(), (Entries{"/m/a.mp3", "/m/b.mp3"}));
    EXPECT_TRUE(second.w->Core().LoadNext());
    keeping->EndRun();
    keeping.reset();

    testing::TestWindow third;
    keeping = RunKeeping::Start(third.w->Core(), folder, true);
    ASSERT_NE(keeping, nullptr);
    EXPECT_EQ(third.w->Core().List().Count(), 0) << "the user's exit ended the run";
    keeping.reset(); // before the window it keeps
}

TEST(StopSignals, EachReachesTheEventLoopAndEndsTheProgramAgainOnceGone) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        {
            StopSignals signals;
            QSignalSpy received(&signals, &StopSignals::Received);
            ASSERT_EQ(::raise(signal), 0);
            EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }));
        }
        struct sigaction action {};
        ASSERT_EQ(::sigaction(signal, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL);
    }
}

} // namespace
} // namespace korvale
