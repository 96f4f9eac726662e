#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Korvale.h"
#include "interfaces/AudioDevices.h"
#include "interfaces/Dialogs.h"
#include "interfaces/MciDevice.h"
#include "interfaces/Shell.h"
#include "platform/PosixFileSystem.h"

namespace korvale::testing {

// Media-command device that records every command and answers from a script.
class FakeMciDevice : public MciDevice {
public:
    std::string sendString(const std::string& command) override {
        commands.push_back(command);
        const auto it = replies.find(command);
        return it == replies.end() ? std::string() : it->second;
    }
    std::optional<std::string> shortPath(const std::string& longPath) override {
        const auto& refused = pathsWithoutShortForm;
        const bool hasNone = std::find(refused.begin(), refused.end(), longPath) != refused.end();
        return hasNone ? std::nullopt : std::optional("\"" + longPath + "\"");
    }

    std::vector<std::string> commands;
    // Replies by exact command text ("status movie length" -> "5000"); default empty.
    std::map<std::string, std::string> replies;
    std::vector<std::string> pathsWithoutShortForm;
};

// Audio devices with settable answers; records what is written.
class FakeAudioDevices : public AudioDevices {
public:
    int waveOutCount() override { return waveOuts; }
    std::optional<bool> waveOutCanSetVolume() override { return waveOutCaps; }
    std::optional<ChannelVolumes> waveOutVolume() override { return waveOutLevel; }
    void setWaveOutVolume(ChannelVolumes volumes) override { waveOutWrites.push_back(volumes); }
    int auxCount() override { return auxes; }
    std::optional<bool> auxCanSetVolume(int device) override {
        return auxCaps.count(device) ? auxCaps[device] : std::nullopt;
    }
    std::optional<ChannelVolumes> auxVolume(int device) override {
        return auxLevels.count(device) != 0 ? std::optional(auxLevels[device]) : std::nullopt;
    }
    void setAuxVolume(int device, ChannelVolumes volumes) override {
        auxWrites.emplace_back(device, volumes);
    }
    int mixerCount() override { return static_cast<int>(mixerNames.size()); }
    std::optional<std::string> mixerName(int device) override {
        return device >= 0 && device < mixerCount() ? std::optional(mixerNames[std::size_t(device)])
                                                    : std::nullopt;
    }
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
        std::string text, caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        WhileOpen();
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok
                                             : Take(answers, MessageAnswer::Yes);
    }
    FileChoice openFile(const OpenFileRequest& request) override {
        openRequests.push_back(request);
        WhileOpen();
        return Take(openChoices, FileChoice{});
    }
    FileChoice saveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return Take(saveChoices, FileChoice{});
    }
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

private:
    void WhileOpen() const {
        if (whileOpen)
            whileOpen();
    }
    // The front of `queue`, taken off it; `otherwise` when it is empty.
    template <typename T> static T Take(std::deque<T>& queue, T otherwise) {
        if (!queue.empty()) {
            otherwise = std::move(queue.front());
            queue.pop_front();
        }
        return otherwise;
    }
};

class FakeShell : public Shell {
public:
    bool openLocalFile(const std::string& absolutePath) override {
        opened.push_back(absolutePath);
        return true;
    }
    std::vector<std::string> opened;
};

// What the core drives besides its decks, as fakes; the file system is the real one.
struct FakeServices {
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeDialogs dialogs;
    FakeShell shell;
    PosixFileSystem files;

    // The services with these decks (and these dialogs, where given instead of the fake).
    CoreServices With(MediaVoice* deck1, MediaVoice* deck2, Dialogs* given = nullptr) {
        return {deck1, deck2, &mci, &devices, given != nullptr ? given : &dialogs, &shell, &files};
    }
};

} // namespace korvale::testing
