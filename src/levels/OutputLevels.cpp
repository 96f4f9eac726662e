// Output levels: device detection, the master (wave-out) level, the auxiliary line level and
// the microphone panel.
#include "ui/CKORVALEDlg.h"

#include <QLabel>
#include <QPushButton>

#include <optional>
#include <string>

#include "levels/LevelMapping.h"
#include "platform/AudioDevices.h"
#include "platform/Dialogs.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

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

// Play list sizes in pixels with the mic controls shown and hidden.
constexpr int kPlayListWidthMicOn = 175;
constexpr int kPlayListWidthMicOff = 223;
constexpr int kPlayListHeight = 368;

QString FromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

ChannelVolumes BothChannels(int position) {
    const std::uint16_t channel = LevelPositionToChannel(position);
    return ChannelVolumes{channel, channel};
}

// Sets a level slider from a device's volumes and its label from the slider's position.
void ShowLevel(TrackBar* slider, QLabel* label, ChannelVolumes volumes) {
    slider->SetPositionSilently(ChannelsToLevelPosition(volumes.left, volumes.right));
    SetLabelText(label, FromBytes(LevelLabelText(slider->Position())));
}

} // namespace

int CKORVALEDlg::CheckAudioDevices() {
    const int count = m_services.devices != nullptr ? m_services.devices->waveOutCount() : 0;
    if (count <= 0) {
        MasterCaption->setEnabled(false);
        CueCaption->setEnabled(false);
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(this, kNoDevicesText, kNoDevicesCaption,
                                           MessageIcon::Exclamation, MessageButtons::Ok);
        }
        return 0;
    }
    MasterCaption->setEnabled(true);
    CueCaption->setEnabled(count >= 2);
    return count;
}

int CKORVALEDlg::ShowMixerNames() {
    AudioDevices* devices = m_services.devices;
    if (devices == nullptr) {
        return 0;
    }
    const int count = devices->mixerCount();
    for (int device = 0; device < count; ++device) {
        const std::optional<std::string> name = devices->mixerName(device);
        if (!name) {
            continue; // a mixer without capabilities leaves its caption as it was
        }
        if (device == kMasterMixer) {
            SetLabelText(MasterCaption, FromBytes(*name));
        } else if (device == kCueMixer) {
            SetLabelText(CueCaption, FromBytes(*name));
        }
    }
    return 0;
}

void CKORVALEDlg::ReadMasterLevel() {
    AudioDevices* devices = m_services.devices;
    if (devices == nullptr) {
        return;
    }
    const std::optional<bool> canSetVolume = devices->waveOutCanSetVolume();
    if (!canSetVolume || !*canSetVolume) {
        return;
    }
    if (const std::optional<ChannelVolumes> volumes = devices->waveOutVolume()) {
        ShowLevel(MasterLevel, MasterLevelLabel, *volumes);
    }
}

int CKORVALEDlg::ReadMicLevel() {
    AudioDevices* devices = m_services.devices;
    const int count = devices != nullptr ? devices->auxCount() : 0;
    const std::optional<bool> canSetVolume = devices != nullptr && count > kAuxReadDevice
                                                 ? devices->auxCanSetVolume(kAuxReadDevice)
                                                 : std::nullopt;
    if (!canSetVolume || !*canSetVolume) {
        MicButton->setEnabled(false);
        return 0;
    }
    if (const std::optional<ChannelVolumes> volumes = devices->auxVolume(kAuxReadDevice)) {
        ShowLevel(MicLevel, MicLevelLabel, *volumes);
    }
    return count;
}

void CKORVALEDlg::SetMasterVolume(int position) {
    if (m_services.devices != nullptr) {
        m_services.devices->setWaveOutVolume(BothChannels(position));
    }
}

void CKORVALEDlg::SetMicVolume(int position) {
    if (m_services.devices != nullptr) {
        m_services.devices->setAuxVolume(kAuxWriteDevice, BothChannels(position));
    }
}

void CKORVALEDlg::OnMicButton() {
    const bool micOn = MicButton->isChecked();
    MicLevel->setVisible(micOn);
    TOCheck->setVisible(micOn);
    MicLevelLabel->setVisible(micOn);
    const QPoint place = PlayListBox->pos();
    PlayListBox->setGeometry(place.x(), place.y(),
                             micOn ? kPlayListWidthMicOn : kPlayListWidthMicOff, kPlayListHeight);
    PlayListBox->show();
    if (micOn) {
        SetCheckedSilently(TOCheck, false);
        MicButton->setText(QString::fromLatin1(kMicOnCaption));
        ReadMicLevel();
    } else {
        MicButton->setText(QString::fromLatin1(kMicOffCaption));
    }
}

void CKORVALEDlg::ApplyLevels() {
    const int master = MasterLevel->Position();
    SetMasterVolume(master);
    SetLabelText(MasterLevelLabel, FromBytes(LevelLabelText(master)));
    if (MicButton->isChecked()) {
        const int mic = MicLevel->Position();
        SetMicVolume(mic);
        SetLabelText(MicLevelLabel, FromBytes(LevelLabelText(mic)));
    }
}

} // namespace korvale
