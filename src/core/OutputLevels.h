#pragma once

#include <optional>
#include <string>

namespace korvale {

class AudioDevices;
class ChangeNotices;
class Dialogs;

// Output levels: device detection, the master (wave-out) level, the auxiliary line level
// and the microphone panel. Slider positions are LevelPositions (1 = full .. 65536 = silent).
// UI thread; the device calls may block briefly on the sound system.
class OutputLevels {
public:
    OutputLevels(AudioDevices* devices, Dialogs* dialogs, ChangeNotices& changes);

    int MasterPosition() const { return m_masterPosition; }
    int MicPosition() const { return m_micPosition; }
    // Label texts once the program has written them.
    const std::optional<std::string>& MasterLabel() const { return m_masterLabel; }
    const std::optional<std::string>& MicLabel() const { return m_micLabel; }
    const std::optional<std::string>& MasterCaption() const { return m_masterCaption; }
    const std::optional<std::string>& CueCaption() const { return m_cueCaption; }
    bool MasterCaptionEnabled() const { return m_masterCaptionEnabled; }
    bool CueCaptionEnabled() const { return m_cueCaptionEnabled; }
    bool MicOn() const { return m_micOn; }
    bool MicButtonEnabled() const { return m_micButtonEnabled; }
    const std::optional<std::string>& MicButtonCaption() const { return m_micButtonCaption; }
    bool TalkOverChecked() const { return m_talkOver; }

    // Start-up: the device counts are read (and not used further) and mixer 0 is opened for
    // the life of the process; false when it cannot be.
    bool OpenMixer();
    int CheckAudioDevices();
    int ShowMixerNames();
    void ReadMasterLevel();
    int ReadMicLevel();
    void SetMasterVolume(int position);
    void SetMicVolume(int position);
    void OnMicButton();
    // The level part of a vertical scroll: the master level to the device, and the mic
    // level while the panel is shown.
    void ApplyLevels();

    // What the user did in the front end.
    void MasterMovedByUser(int position) { m_masterPosition = position; }
    void MicMovedByUser(int position) { m_micPosition = position; }
    void MicButtonToggledByUser(bool on);
    void TalkOverToggledByUser(bool on) { m_talkOver = on; }

private:
    void Changed();

    AudioDevices* m_devices;
    Dialogs* m_dialogs;
    ChangeNotices& m_changes;
    int m_masterPosition;
    int m_micPosition;
    std::optional<std::string> m_masterLabel;
    std::optional<std::string> m_micLabel;
    std::optional<std::string> m_masterCaption;
    std::optional<std::string> m_cueCaption;
    bool m_masterCaptionEnabled = true;
    bool m_cueCaptionEnabled = true;
    bool m_micOn = false;
    bool m_micButtonEnabled = true;
    std::optional<std::string> m_micButtonCaption;
    bool m_talkOver = false;
    bool m_mixerOpened = false;
};

} // namespace korvale
