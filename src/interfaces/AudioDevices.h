#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvale {

// Left and right volume of a device, each 0 (silent) to 65535 (full).
struct ChannelVolumes {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
};

// The desktop's output devices and their levels, as the level controls see them:
// wave-out device 0 (the master output), auxiliary lines and mixer names.
//
// Every method is called from the user-interface thread and may block briefly on the
// sound system (never on playback). Device numbers start at 0.
class AudioDevices {
public:
    virtual ~AudioDevices() = default;

    virtual int waveOutCount() = 0;
    // Capabilities of wave-out device 0: nothing when they cannot be read; otherwise
    // whether its volume can be set.
    virtual std::optional<bool> waveOutCanSetVolume() = 0;
    virtual std::optional<ChannelVolumes> waveOutVolume() = 0;
    virtual void setWaveOutVolume(ChannelVolumes volumes) = 0;

    virtual int auxCount() = 0;
    virtual std::optional<bool> auxCanSetVolume(int device) = 0;
    virtual std::optional<ChannelVolumes> auxVolume(int device) = 0;
    virtual void setAuxVolume(int device, ChannelVolumes volumes) = 0;

    virtual int mixerCount() = 0;
    // Product name of mixer `device`, or nothing when its capabilities cannot be read.
    virtual std::optional<std::string> mixerName(int device) = 0;
    // Opens mixer device 0 for the life of the object; false when it cannot be opened.
    virtual bool openMixer0() = 0;
};

} // namespace korvale
