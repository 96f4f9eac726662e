#include "support/FakeDevices.h"

#include <algorithm>

namespace korvale::test {

namespace {
// The front of `queue`, taken off it; `otherwise` when it is empty.
template <typename T> T Take(std::deque<T>& queue, T otherwise) {
    if (queue.empty()) {
        return otherwise;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}
} // namespace

std::string FakeMciDevice::sendString(const std::string& command) {
    commands.push_back(command);
    const auto it = replies.find(command);
    return it == replies.end() ? std::string() : it->second;
}

std::optional<std::string> FakeMciDevice::shortPath(const std::string& longPath) {
    const auto& refused = pathsWithoutShortForm;
    if (std::find(refused.begin(), refused.end(), longPath) != refused.end()) {
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
    return it == auxLevels.end() ? std::nullopt : std::optional<ChannelVolumes>(it->second);
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
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : Take(answers, MessageAnswer::Yes);
}

FileChoice FakeDialogs::openFile(const OpenFileRequest& request) {
    openRequests.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    return Take(openChoices, FileChoice{});
}

FileChoice FakeDialogs::saveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    return Take(saveChoices, FileChoice{});
}

} // namespace korvale::test
