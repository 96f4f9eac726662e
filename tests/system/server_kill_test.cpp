// The sound server killed under the real program during an unattended cross-fade: the run
// goes on through the null output, as the run the program keeps tells. It kills the server it
// runs under, so it runs as a test of its own under a server of its own (tests/CMakeLists.txt);
// the null output's pace is the engine's own test.

#include <gtest/gtest.h>

#include "SystemSupport.h"
#include "core/RunStateCodec.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;

TEST(ServerKilled, MidFadeTheRunGoesOn) {
    const char* server = std::getenv("KORVALE_PULSE_PID");
    if (server == nullptr || std::getenv("KORVALE_PULSE_DISPOSABLE") == nullptr)
        GTEST_SKIP() << "runs alone under a sound server of its own: ctest -R system_server_kill";
    testing::TempDir dir;
    std::vector<std::string> clips;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        clips.push_back(dir.file(name));
        ASSERT_TRUE(testing::WriteSineWav(clips.back(), 8.0, 440.0, 44100, 0.5));
    }
    const RunState begun = sys::UnattendedStart(clips, 4.0); // a from its fourth second
    const std::string state = dir.file("korvale");
    std::filesystem::create_directories(state);
    ASSERT_TRUE(testing::WriteBytes(state + "/run-state", EncodeRunState(begun)));
    const auto kept = [&] {
        return DecodeRunState(testing::ReadBytes(state + "/run-state")).state;
    };
    sys::Child program({KORVALE_BINARY, "--resume"},
                       {"QT_QPA_PLATFORM=offscreen", "XDG_STATE_HOME=" + dir.path(),
                        "XDG_CONFIG_HOME=" + dir.file("config")},
                       dir.file("korvale.log"));

    // The cross-fade into b begins, and the server dies.
    ASSERT_TRUE(sys::WaitFor(
        [&] {
            const std::optional<RunState> run = kept();
            return run.has_value() && run->fadingInto != 0;
        },
        30s));
    ASSERT_EQ(::kill(std::atoi(server), SIGKILL), 0);
    // The cross-fade ends: b plays at full level on deck 2 and c is loaded onto deck 1.
    std::optional<RunState> after;
    ASSERT_TRUE(sys::WaitFor(
        [&] {
            after = kept();
            return after.has_value() && after->fadingInto == 0 && after->decks[0].clip == clips[2];
        },
        30s))
        << testing::ReadBytes(dir.file("korvale.log"));
    EXPECT_EQ(after->decks[1].clip, clips[1]);
    EXPECT_TRUE(after->decks[1].playing);
    EXPECT_EQ(after->decks[1].fader, 0);
    EXPECT_FALSE(program.WaitExit(0ms).has_value()) << "the program ended";
}

} // namespace
} // namespace korvale
