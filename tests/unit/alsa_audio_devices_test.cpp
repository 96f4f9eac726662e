// The ALSA devices on a machine without any, in a child process whose ALSA configuration
// defines nothing (the machine's own cards and sound server stay out of it).
#include "platform/AlsaAudioDevices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace korvale {
namespace {

TEST(AlsaAudioDevices, WithoutAnyDeviceEveryCallAnswersNoDeviceAtOnce) {
    testing::TempDir dir;
    std::ofstream(dir.file("empty.conf")) << "# nothing defined\n";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("ALSA_CONFIG_PATH", dir.file("empty.conf").c_str(), 1);
        ::setenv("HOME", dir.path().c_str(), 1);
        ::unsetenv("PULSE_SERVER");
        AlsaAudioDevices devices([] { return 0; });
        devices.setWaveOutVolume({1000, 1000});
        devices.setAuxVolume(1, {1000, 1000});
        ::_exit(!devices.openMixer0() && devices.waveOutCount() == 0 && !devices.waveOutCanSetVolume() &&
                        !devices.waveOutVolume() && devices.auxCount() == 0 && !devices.auxCanSetVolume(0) &&
                        !devices.auxVolume(1) && devices.mixerCount() == 0 && !devices.mixerName(0) &&
                        !devices.mixerName(-1)
                    ? 0
                    : 1);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int calls = 0;
    AlsaAudioDevices counted([&calls] { return ++calls + 2; }); // stands for PortAudio's count
    EXPECT_EQ(counted.waveOutCount(), 3);
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace korvale
