#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/AudioDevices.h"

struct _snd_mixer;
struct _snd_mixer_elem;

namespace korvale {

// The desktop's audio devices through the ALSA mixer API:
// - wave-out devices: the output devices that PortAudio lists;
// - wave-out device 0: the default mixer's "Master" element (else "PCM"), its playback
//   volume scaled to 0..65535 per channel;
// - auxiliary devices: the default mixer's input lines that can be heard through it (simple
//   elements such as Mic, Line, CD or Aux with a playback volume), in the mixer's order;
// - mixer devices: mixer 0 is the default control device, then each sound card, named as
//   the control device reports its card (a sound server's plugin reports its own name).
//
// The default mixer is opened on first use (or by openMixer0) and kept open for the object's
// life; pending change events are taken in before every read, so volumes changed by other
// programs are seen. When no card or sound server exists every call returns at once with
// "no device". Every method runs on the user-interface thread and may block briefly while
// the sound server answers; none blocks on playback.
class AlsaAudioDevices final : public AudioDevices {
public:
    // Counts the output devices. Empty: PortAudio is initialised around the count, once for
    // the object's life (its initialisation is reference-counted, so an engine's running
    // instance is unaffected).
    using OutputCounter = std::function<int()>;

    explicit AlsaAudioDevices(OutputCounter countOutputs = {});
    ~AlsaAudioDevices() override;
    AlsaAudioDevices(const AlsaAudioDevices&) = delete;
    AlsaAudioDevices& operator=(const AlsaAudioDevices&) = delete;

    int waveOutCount() override;
    std::optional<bool> waveOutCanSetVolume() override;
    std::optional<ChannelVolumes> waveOutVolume() override;
    void setWaveOutVolume(ChannelVolumes volumes) override;

    int auxCount() override;
    std::optional<bool> auxCanSetVolume(int device) override;
    std::optional<ChannelVolumes> auxVolume(int device) override;
    void setAuxVolume(int device, ChannelVolumes volumes) override;

    int mixerCount() override;
    std::optional<std::string> mixerName(int device) override;
    bool openMixer0() override;

    // The number of output devices PortAudio lists, PortAudio initialised for the count.
    static int CountPortAudioOutputs();

private:
    struct MixerCloser {
        void operator()(_snd_mixer* mixer) const;
    };
    using MixerHandle = std::unique_ptr<_snd_mixer, MixerCloser>;

    // The default mixer with its events taken in; nullptr when it cannot be opened.
    _snd_mixer* DefaultMixer();
    _snd_mixer_elem* MasterElement();
    std::vector<_snd_mixer_elem*> AuxElements();
    _snd_mixer_elem* AuxElement(int device);
    // Control device names of the mixer devices, in device order.
    std::vector<std::string> MixerDevices();

    OutputCounter m_countOutputs;
    std::optional<int> m_portAudioOutputs;
    MixerHandle m_mixer;
};

} // namespace korvale
