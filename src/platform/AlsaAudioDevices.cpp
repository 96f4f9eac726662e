#include "platform/AlsaAudioDevices.h"

#include "platform/QuietSoundProbe.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace korvale {

namespace {

constexpr char kDefaultDevice[] = "default";
constexpr char kCardDevicePrefix[] = "hw:";
// Master volume elements, in the order they are looked for.
constexpr std::array<const char*, 2> kMasterElementNames{"Master", "PCM"};
// Words that mark a simple element as an input line that the mixer can play through.
constexpr std::array<std::string_view, 7> kInputLineWords{"Mic",   "Line",  "CD",   "Aux",
                                                          "Video", "Phone", "Input"};
// An element with one of these words is an output, whatever else its name says.
constexpr std::string_view kOutputWord = "Out";
constexpr double kChannelFull = 65535.0;

struct CtlCloser {
    void operator()(snd_ctl_t* ctl) const { snd_ctl_close(ctl); }
};
using CtlHandle = std::unique_ptr<snd_ctl_t, CtlCloser>;

struct CardInfoFree {
    void operator()(snd_ctl_card_info_t* info) const { snd_ctl_card_info_free(info); }
};
using CardInfoHandle = std::unique_ptr<snd_ctl_card_info_t, CardInfoFree>;

struct SelemIdFree {
    void operator()(snd_mixer_selem_id_t* id) const { snd_mixer_selem_id_free(id); }
};
using SelemIdHandle = std::unique_ptr<snd_mixer_selem_id_t, SelemIdFree>;

// Balances a successful Pa_Initialize. The libraries' messages about every device the
// initialisation probes are dropped.
class PortAudioSession {
public:
    PortAudioSession() {
        const QuietSoundProbe quiet;
        m_ok = Pa_Initialize() == paNoError;
    }
    ~PortAudioSession() {
        if (m_ok) {
            Pa_Terminate();
        }
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok;
};

bool IsInputLine(std::string_view name) {
    if (name.find(kOutputWord) != std::string_view::npos) {
        return false;
    }
    for (std::string_view word : kInputLineWords) {
        if (name.find(word) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::uint16_t ToChannel(long value, long min, long max) {
    if (max <= min) {
        return 0;
    }
    const double scaled =
        static_cast<double>(value - min) * kChannelFull / static_cast<double>(max - min);
    return static_cast<std::uint16_t>(std::lround(std::clamp(scaled, 0.0, kChannelFull)));
}

long FromChannel(std::uint16_t channel, long min, long max) {
    return min + std::lround(static_cast<double>(channel) * static_cast<double>(max - min) /
                             kChannelFull);
}

bool IsRightChannel(snd_mixer_selem_channel_id_t channel) {
    return channel == SND_MIXER_SCHN_FRONT_RIGHT || channel == SND_MIXER_SCHN_REAR_RIGHT ||
           channel == SND_MIXER_SCHN_SIDE_RIGHT;
}

bool IsLeftChannel(snd_mixer_selem_channel_id_t channel) {
    return channel == SND_MIXER_SCHN_FRONT_LEFT || channel == SND_MIXER_SCHN_REAR_LEFT ||
           channel == SND_MIXER_SCHN_SIDE_LEFT;
}

std::optional<ChannelVolumes> ReadPlaybackVolume(snd_mixer_elem_t* element) {
    if (element == nullptr || !snd_mixer_selem_has_playback_volume(element)) {
        return std::nullopt;
    }
    long min = 0;
    long max = 0;
    if (snd_mixer_selem_get_playback_volume_range(element, &min, &max) < 0) {
        return std::nullopt;
    }
    long left = 0;
    if (snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0) {
        return std::nullopt;
    }
    long right = left;
    if (!snd_mixer_selem_is_playback_mono(element) &&
        snd_mixer_selem_has_playback_channel(element, SND_MIXER_SCHN_FRONT_RIGHT)) {
        if (snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0) {
            right = left;
        }
    }
    return ChannelVolumes{ToChannel(left, min, max), ToChannel(right, min, max)};
}

void WritePlaybackVolume(snd_mixer_elem_t* element, ChannelVolumes volumes) {
    if (element == nullptr || !snd_mixer_selem_has_playback_volume(element)) {
        return;
    }
    long min = 0;
    long max = 0;
    if (snd_mixer_selem_get_playback_volume_range(element, &min, &max) < 0 || max <= min) {
        return;
    }
    const long left = FromChannel(volumes.left, min, max);
    const long right = FromChannel(volumes.right, min, max);
    const long middle = min + (left - min + right - min) / 2;
    if (snd_mixer_selem_is_playback_mono(element)) {
        snd_mixer_selem_set_playback_volume(element, SND_MIXER_SCHN_MONO, middle);
        return;
    }
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (!snd_mixer_selem_has_playback_channel(element, channel)) {
            continue;
        }
        const long value = IsLeftChannel(channel) ? left : IsRightChannel(channel) ? right : middle;
        snd_mixer_selem_set_playback_volume(element, channel, value);
    }
}

// The name of the card behind a control device, or nothing when it cannot be opened.
std::optional<std::string> CardName(const std::string& device) {
    const QuietSoundProbe quiet;
    snd_ctl_t* rawCtl = nullptr;
    if (snd_ctl_open(&rawCtl, device.c_str(), SND_CTL_NONBLOCK) < 0) {
        return std::nullopt;
    }
    const CtlHandle ctl(rawCtl);
    snd_ctl_card_info_t* rawInfo = nullptr;
    if (snd_ctl_card_info_malloc(&rawInfo) < 0) {
        return std::nullopt;
    }
    const CardInfoHandle info(rawInfo);
    if (snd_ctl_card_info(ctl.get(), info.get()) < 0) {
        return std::nullopt;
    }
    const char* name = snd_ctl_card_info_get_name(info.get());
    return std::string(name != nullptr ? name : "");
}

} // namespace

void AlsaAudioDevices::MixerCloser::operator()(_snd_mixer* mixer) const {
    snd_mixer_close(mixer);
}

AlsaAudioDevices::AlsaAudioDevices(OutputCounter countOutputs)
    : m_countOutputs(std::move(countOutputs)) {}

AlsaAudioDevices::~AlsaAudioDevices() = default;

int AlsaAudioDevices::CountPortAudioOutputs() {
    const PortAudioSession session;
    if (!session.ok()) {
        return 0;
    }
    const PaDeviceIndex devices = Pa_GetDeviceCount();
    int outputs = 0;
    for (PaDeviceIndex i = 0; i < devices; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && info->maxOutputChannels > 0) {
            ++outputs;
        }
    }
    return outputs;
}

snd_mixer_t* AlsaAudioDevices::DefaultMixer() {
    if (m_mixer != nullptr) {
        // Take in what changed meanwhile; a mixer that went away is opened afresh.
        if (snd_mixer_handle_events(m_mixer.get()) >= 0) {
            return m_mixer.get();
        }
        m_mixer.reset();
    }
    // Looking for the default control device: where there is none, the caller says so.
    const QuietSoundProbe quiet;
    snd_mixer_t* raw = nullptr;
    if (snd_mixer_open(&raw, 0) < 0) {
        return nullptr;
    }
    MixerHandle mixer(raw);
    if (snd_mixer_attach(mixer.get(), kDefaultDevice) < 0 ||
        snd_mixer_selem_register(mixer.get(), nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer.get()) < 0) {
        return nullptr;
    }
    m_mixer = std::move(mixer);
    return m_mixer.get();
}

snd_mixer_elem_t* AlsaAudioDevices::MasterElement() {
    snd_mixer_t* mixer = DefaultMixer();
    if (mixer == nullptr) {
        return nullptr;
    }
    snd_mixer_selem_id_t* rawId = nullptr;
    if (snd_mixer_selem_id_malloc(&rawId) < 0) {
        return nullptr;
    }
    const SelemIdHandle id(rawId);
    for (const char* name : kMasterElementNames) {
        snd_mixer_selem_id_set_index(id.get(), 0);
        snd_mixer_selem_id_set_name(id.get(), name);
        if (snd_mixer_elem_t* element = snd_mixer_find_selem(mixer, id.get())) {
            return element;
        }
    }
    return nullptr;
}

std::vector<snd_mixer_elem_t*> AlsaAudioDevices::AuxElements() {
    std::vector<snd_mixer_elem_t*> lines;
    snd_mixer_t* mixer = DefaultMixer();
    if (mixer == nullptr) {
        return lines;
    }
    for (snd_mixer_elem_t* element = snd_mixer_first_elem(mixer); element != nullptr;
         element = snd_mixer_elem_next(element)) {
        const char* name = snd_mixer_selem_get_name(element);
        if (name != nullptr && snd_mixer_selem_is_active(element) &&
            snd_mixer_selem_has_playback_volume(element) && IsInputLine(name)) {
            lines.push_back(element);
        }
    }
    return lines;
}

snd_mixer_elem_t* AlsaAudioDevices::AuxElement(int device) {
    const std::vector<snd_mixer_elem_t*> lines = AuxElements();
    if (device < 0 || static_cast<std::size_t>(device) >= lines.size()) {
        return nullptr;
    }
    return lines[static_cast<std::size_t>(device)];
}

std::vector<std::string> AlsaAudioDevices::MixerDevices() {
    std::vector<std::string> devices;
    std::vector<std::string> cards;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        cards.push_back(kCardDevicePrefix + std::to_string(card));
    }
    // The default control device stands first when it exists (a sound server's plugin, or
    // the first card).
    const QuietSoundProbe quiet;
    snd_ctl_t* rawCtl = nullptr;
    if (snd_ctl_open(&rawCtl, kDefaultDevice, SND_CTL_NONBLOCK) >= 0) {
        snd_ctl_close(rawCtl);
        devices.emplace_back(kDefaultDevice);
    }
    devices.insert(devices.end(), cards.begin(), cards.end());
    return devices;
}

int AlsaAudioDevices::waveOutCount() {
    if (m_countOutputs) {
        return m_countOutputs();
    }
    // PortAudio scans the devices at its initialisation (a slow probe of every host API); a
    // running instance keeps the list it found then, so one count stands for the object.
    if (!m_portAudioOutputs) {
        m_portAudioOutputs = CountPortAudioOutputs();
    }
    return *m_portAudioOutputs;
}

std::optional<bool> AlsaAudioDevices::waveOutCanSetVolume() {
    if (DefaultMixer() == nullptr) {
        return std::nullopt;
    }
    snd_mixer_elem_t* element = MasterElement();
    return element != nullptr && snd_mixer_selem_has_playback_volume(element);
}

std::optional<ChannelVolumes> AlsaAudioDevices::waveOutVolume() {
    return ReadPlaybackVolume(MasterElement());
}

void AlsaAudioDevices::setWaveOutVolume(ChannelVolumes volumes) {
    WritePlaybackVolume(MasterElement(), volumes);
}

int AlsaAudioDevices::auxCount() {
    return static_cast<int>(AuxElements().size());
}

std::optional<bool> AlsaAudioDevices::auxCanSetVolume(int device) {
    if (AuxElement(device) == nullptr) {
        return std::nullopt;
    }
    return true; // only lines with a playback volume are auxiliary devices
}

std::optional<ChannelVolumes> AlsaAudioDevices::auxVolume(int device) {
    return ReadPlaybackVolume(AuxElement(device));
}

void AlsaAudioDevices::setAuxVolume(int device, ChannelVolumes volumes) {
    WritePlaybackVolume(AuxElement(device), volumes);
}

int AlsaAudioDevices::mixerCount() {
    return static_cast<int>(MixerDevices().size());
}

std::optional<std::string> AlsaAudioDevices::mixerName(int device) {
    const std::vector<std::string> devices = MixerDevices();
    if (device < 0 || static_cast<std::size_t>(device) >= devices.size()) {
        return std::nullopt;
    }
    return CardName(devices[static_cast<std::size_t>(device)]);
}

bool AlsaAudioDevices::openMixer0() {
    return DefaultMixer() != nullptr;
}

} // namespace korvale
