#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/AudioDevices.h"
#include "interfaces/Dialogs.h"
#include "interfaces/MciDevice.h"
#include "interfaces/Shell.h"

namespace korvale::test {

// Media-command device that records every command and answers from a script.
class FakeMciDevice : public MciDevice {
public:
    std::string sendString(const std::string& command) override;
    std::optional<std::string> shortPath(const std::string& longPath) override;

    std::vector<std::string> commands;
    // Replies by exact command text ("status movie length" -> "5000"); default empty.
    std::map<std::string, std::string> replies;
    // Paths without a short form.
    std::vector<std::string> pathsWithoutShortForm;
};

// Audio devices with settable answers; records what is written.
class FakeAudioDevices : public AudioDevices {
public:
    int waveOutCount() override { return waveOuts; }
    std::optional<bool> waveOutCanSetVolume() override { return waveOutCaps; }
    std::optional<ChannelVolumes> waveOutVolume() override { return waveOutLevel; }
    void setWaveOutVolume(ChannelVolumes volumes) override;
    int auxCount() override { return auxes; }
    std::optional<bool> auxCanSetVolume(int device) override;
    std::optional<ChannelVolumes> auxVolume(int device) override;
    void setAuxVolume(int device, ChannelVolumes volumes) override;
    int mixerCount() override { return static_cast<int>(mixerNames.size()); }
    std::optional<std::string> mixerName(int device) override;
    bool openMixer0() override { return mixerOpens; }

    int waveOuts = 1;
    std::optional<bool> waveOutCaps = true;
    std::optional<ChannelVolumes> waveOutLevel = ChannelVolumes{65535, 65535};
    std::vector<ChannelVolumes> waveOutWrites;
    int auxes = 2;
    std::map<int, std::optional<bool>> auxCaps{{0, true}, {1, true}};
    std::map<int, ChannelVolumes> auxLevels{{0, {65535, 65535}}, {1, {65535, 65535}}};
    std::vector<std::pair<int, ChannelVolumes>> auxWrites;
    std::vector<std::string> mixerNames{"Fake Mixer"};
    bool mixerOpens = true;
};

// Dialogs answered from queues; records what was shown.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    FileChoice openFile(const OpenFileRequest& request) override;
    FileChoice saveFile(const SaveFileRequest& request) override;
    void about() override { ++aboutShown; }

    std::vector<Message> messages;
    std::deque<MessageAnswer> answers; // for Yes/No questions; Yes when empty
    std::vector<OpenFileRequest> openRequests;
    std::deque<FileChoice> openChoices; // cancelled when empty
    std::vector<SaveFileRequest> saveRequests;
    std::deque<FileChoice> saveChoices; // cancelled when empty
    // Called while a dialog is "open", e.g. to fire timers meanwhile.
    std::function<void()> whileOpen;
    int aboutShown = 0;
};

class FakeShell : public Shell {
public:
    bool openLocalFile(const std::string& absolutePath) override {
        opened.push_back(absolutePath);
        return canOpen;
    }
    std::vector<std::string> opened;
    bool canOpen = true;
};

} // namespace korvale::test
