#include "support/FakeDevices.h"

#include <algorithm>

namespace korvale::test {

std::string FakeMciDevice::sendString(const std::string& command) {
    commands.push_back(command);
    const auto it = replies.find(command);
    return it == replies.end() ? std::string() : it->second;
}

std::optional<std::string> FakeMciDevice::shortPath(const std::string& longPath) {
    if (std::find(pathsWithoutShortForm.begin(), pathsWithoutShortForm.end(), longPath) !=
        pathsWithoutShortForm.end()) {
        return std::nullopt;
    }
    return "\"" + longPath + "\"";
}

void FakeAudioDevices::setWaveOutVolume(ChannelVolumes volumes) {
    waveOutWrites.push_back(volumes);
}

std::optional<bool> FakeAudioDevices::auxCanSetVolume(int device) {
    const auto it = auxCaps.find(device);
    return it == auxCaps.end() ? std::nullopt : it->second;
}

std::optional<ChannelVolumes> FakeAudioDevices::auxVolume(int device) {
    const auto it = auxLevels.find(device);
    if (it == auxLevels.end()) {
        return std::nullopt;
    }
    return it->second;
}

void FakeAudioDevices::setAuxVolume(int device, ChannelVolumes volumes) {
    auxWrites.emplace_back(device, volumes);
}

std::optional<std::string> FakeAudioDevices::mixerName(int device) {
    if (device < 0 || device >= mixerCount()) {
        return std::nullopt;
    }
    return mixerNames[static_cast<std::size_t>(device)];
}

MessageAnswer FakeDialogs::messageBox(const std::string& text, const std::string& caption,
                                      MessageIcon icon, MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    if (whileOpen) {
        whileOpen();
    }
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (answers.empty()) {
        return MessageAnswer::Yes;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

FileChoice FakeDialogs::openFile(const OpenFileRequest& request) {
    openRequests.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    if (openChoices.empty()) {
        return {};
    }
    FileChoice choice = openChoices.front();
    openChoices.pop_front();
    return choice;
}

FileChoice FakeDialogs::saveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (saveChoices.empty()) {
        return {};
    }
    FileChoice choice = saveChoices.front();
    saveChoices.pop_front();
    return choice;
}

} // namespace korvale::test
