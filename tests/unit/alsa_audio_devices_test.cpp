// The ALSA devices on a machine without any: every call answers "no device" at once.
// Each case runs in a child process whose ALSA configuration defines nothing, so the
// machine's own cards and sound server stay out of it.

#include "platform/AlsaAudioDevices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace korvale {
namespace {

constexpr int kChildPassed = 0;
constexpr int kChildFailed = 1;

// Runs `check` in a child process that sees an empty ALSA configuration and no card;
// returns what the child reports.
template <typename Check> int RunWithoutDevices(Check check) {
    testing::TempDir dir;
    const std::string config = dir.file("empty.conf");
    std::ofstream(config) << "# nothing defined\n";
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        setenv("HOME", dir.path().c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        unsetenv("PULSE_SERVER");
        _exit(check() ? kChildPassed : kChildFailed);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AlsaAudioDevicesWithoutSound, EveryCallAnswersNoDevice) {
    const int result = RunWithoutDevices([] {
        AlsaAudioDevices devices([] { return 0; });
        bool ok = !devices.openMixer0();
        ok = ok && devices.waveOutCount() == 0;
        ok = ok && !devices.waveOutCanSetVolume().has_value();
        ok = ok && !devices.waveOutVolume().has_value();
        devices.setWaveOutVolume({1000, 1000});
        ok = ok && devices.auxCount() == 0;
        ok = ok && !devices.auxCanSetVolume(0).has_value();
        ok = ok && !devices.auxVolume(1).has_value();
        devices.setAuxVolume(1, {1000, 1000});
        ok = ok && devices.mixerCount() == 0;
        ok = ok && !devices.mixerName(0).has_value();
        ok = ok && !devices.mixerName(-1).has_value();
        return ok;
    });
    EXPECT_EQ(result, kChildPassed);
}

TEST(AlsaAudioDevices, GivenCounterStandsForPortAudio) {
    int calls = 0;
    AlsaAudioDevices devices([&calls] {
        ++calls;
        return 3;
    });
    EXPECT_EQ(devices.waveOutCount(), 3);
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace korvale
