#include "core/OutputLevels.h"

#include "core/ChangeNotices.h"
#include "core/LevelMapping.h"
#include "interfaces/AudioDevices.h"
#include "interfaces/Dialogs.h"

namespace korvale {

namespace {

constexpr char kNoDevicesText[] = "KORVALE needs one or more audio devices to work with";
constexpr char kNoDevicesCaption[] = "Audio Device(s) Not found";
constexpr char kMicOnCaption[] = "MIC ON";
constexpr char kMicOffCaption[] = "MIC";

// The auxiliary line is read from one device and written to another.
constexpr int kAuxReadDevice = 0;
constexpr int kAuxWriteDevice = 1;
// Mixer devices whose names stand in the two captions.
constexpr int kMasterMixer = 0;
constexpr int kCueMixer = 1;

ChannelVolumes BothChannels(int position) {
    const std::uint16_t channel = LevelPositionToChannel(position);
    return ChannelVolumes{channel, channel};
}

} // namespace

OutputLevels::OutputLevels(AudioDevices* devices, Dialogs* dialogs, ChangeNotices& changes)
    : m_devices(devices), m_dialogs(dialogs), m_changes(changes), m_masterPosition(kLevelMin),
      m_micPosition(kLevelMin) {}

void OutputLevels::Changed() {
    m_changes.Notify(CorePart::Levels);
}

bool OutputLevels::OpenMixer() {
    if (m_devices != nullptr) {
        m_devices->mixerCount();
        m_devices->waveOutCount();
        m_mixerOpened = m_devices->openMixer0();
    }
    return m_mixerOpened;
}

int OutputLevels::CheckAudioDevices() {
    const int count = m_devices != nullptr ? m_devices->waveOutCount() : 0;
    if (count <= 0) {
        m_masterCaptionEnabled = false;
        m_cueCaptionEnabled = false;
        Changed();
        if (m_dialogs != nullptr) {
            m_dialogs->messageBox(kNoDevicesText, kNoDevicesCaption, MessageIcon::Exclamation,
                                  MessageButtons::Ok);
        }
        return 0;
    }
    m_masterCaptionEnabled = true;
    m_cueCaptionEnabled = count >= 2;
    Changed();
    return count;
}

int OutputLevels::ShowMixerNames() {
    if (m_devices == nullptr) {
        return 0;
    }
    const int count = m_devices->mixerCount();
    for (int device = 0; device < count; ++device) {
        const std::optional<std::string> name = m_devices->mixerName(device);
        if (!name) {
            continue; // a mixer without capabilities leaves its caption as it was
        }
        if (device == kMasterMixer) {
            m_masterCaption = *name;
        } else if (device == kCueMixer) {
            m_cueCaption = *name;
        }
    }
    Changed();
    return 0;
}

void OutputLevels::ReadMasterLevel() {
    if (m_devices == nullptr) {
        return;
    }
    const std::optional<bool> canSetVolume = m_devices->waveOutCanSetVolume();
    if (!canSetVolume || !*canSetVolume) {
        return;
    }
    if (const std::optional<ChannelVolumes> volumes = m_devices->waveOutVolume()) {
        m_masterPosition = ChannelsToLevelPosition(volumes->left, volumes->right);
        m_masterLabel = LevelLabelText(m_masterPosition);
        Changed();
    }
}

int OutputLevels::ReadMicLevel() {
    const int count = m_devices != nullptr ? m_devices->auxCount() : 0;
    const std::optional<bool> canSetVolume = m_devices != nullptr && count > kAuxReadDevice
                                                 ? m_devices->auxCanSetVolume(kAuxReadDevice)
                                                 : std::nullopt;
    if (!canSetVolume || !*canSetVolume) {
        m_micButtonEnabled = false;
        Changed();
        return 0;
    }
    if (const std::optional<ChannelVolumes> volumes = m_devices->auxVolume(kAuxReadDevice)) {
        m_micPosition = ChannelsToLevelPosition(volumes->left, volumes->right);
        m_micLabel = LevelLabelText(m_micPosition);
        Changed();
    }
    return count;
}

void OutputLevels::SetMasterVolume(int position) {
    if (m_devices != nullptr) {
        m_devices->setWaveOutVolume(BothChannels(position));
    }
}

void OutputLevels::SetMicVolume(int position) {
    if (m_devices != nullptr) {
        m_devices->setAuxVolume(kAuxWriteDevice, BothChannels(position));
    }
}

void OutputLevels::OnMicButton() {
    if (m_micOn) {
        m_talkOver = false;
        m_micButtonCaption = kMicOnCaption;
        Changed();
        ReadMicLevel();
    } else {
        m_micButtonCaption = kMicOffCaption;
        Changed();
    }
}

void OutputLevels::MicButtonToggledByUser(bool on) {
    m_micOn = on;
    OnMicButton();
}

void OutputLevels::ApplyLevels() {
    SetMasterVolume(m_masterPosition);
    m_masterLabel = LevelLabelText(m_masterPosition);
    if (m_micOn) {
        SetMicVolume(m_micPosition);
        m_micLabel = LevelLabelText(m_micPosition);
    }
    Changed();
}

} // namespace korvale
