#include "core/OutletFieldCheck.h"

#include <algorithm>
#include <cctype>

#include "interfaces/FolderAccess.h"

namespace korvale {

namespace {

bool HasBlank(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

std::string RangeWords(const char* what, int low, int high, const char* unit) {
    return std::string(what) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + unit + ".";
}

// The problem with the bit rate (or quality) of the chosen stream format, if any.
void CheckStreamBitRate(const BroadcastSettings& settings, std::vector<FieldProblem>& problems) {
    switch (settings.format) {
    case StreamFormat::Mp3:
        if (settings.mp3Kbps < BroadcastSettings::kMinMp3Kbps ||
            settings.mp3Kbps > BroadcastSettings::kMaxMp3Kbps) {
            problems.push_back({OutletField::StreamBitRate,
                                RangeWords("The MP3 bit rate", BroadcastSettings::kMinMp3Kbps,
                                           BroadcastSettings::kMaxMp3Kbps, " kbit/s")});
        }
        break;
    case StreamFormat::OggVorbis:
        if (settings.vorbisQuality < OutletFieldCheck::kMinVorbisQuality ||
            settings.vorbisQuality > OutletFieldCheck::kMaxVorbisQuality) {
            problems.push_back(
                {OutletField::StreamBitRate,
                 RangeWords("The Vorbis quality", OutletFieldCheck::kMinVorbisQuality,
                            OutletFieldCheck::kMaxVorbisQuality, "")});
        }
        break;
    case StreamFormat::OggOpus:
        if (settings.opusKbps < OutletFieldCheck::kMinOpusKbps ||
            settings.opusKbps > OutletFieldCheck::kMaxOpusKbps) {
            problems.push_back({OutletField::StreamBitRate,
                                RangeWords("The Opus bit rate", OutletFieldCheck::kMinOpusKbps,
                                           OutletFieldCheck::kMaxOpusKbps, " kbit/s")});
        }
        break;
    }
}

} // namespace

std::vector<FieldProblem> OutletFieldCheck::Check(const BroadcastSettings& settings) {
    std::vector<FieldProblem> problems;
    if (IsBlank(settings.host)) {
        problems.push_back({OutletField::Host, "Give the server's host name or address."});
    } else if (HasBlank(settings.host)) {
        problems.push_back({OutletField::Host, "A host name has no spaces in it."});
    }
    if (settings.port < kMinPort || settings.port > kMaxPort) {
        problems.push_back({OutletField::Port, RangeWords("The port", kMinPort, kMaxPort, "")});
    }
    if (settings.mount.empty() || settings.mount.front() != '/') {
        problems.push_back({OutletField::Mount, "The mount must start with \"/\", as /korvale."});
    } else if (settings.mount.size() == 1 || HasBlank(settings.mount)) {
        problems.push_back(
            {OutletField::Mount, "The mount needs a name after \"/\", without spaces."});
    }
    CheckStreamBitRate(settings, problems);
    return problems;
}

std::vector<FieldProblem> OutletFieldCheck::Check(const RecordingSettings& settings,
                                                  const FolderAccess& folders) {
    std::vector<FieldProblem> problems;
    std::string why;
    if (settings.folder.empty()) {
        problems.push_back({OutletField::Folder, "Choose a folder for the recordings."});
    } else if (settings.folder.front() != '/') {
        problems.push_back({OutletField::Folder, "The folder must be a full path, from \"/\"."});
    } else if (!folders.CanWrite(settings.folder, &why)) {
        problems.push_back({OutletField::Folder, "This folder cannot be written: " + why});
    }
    if (settings.format == RecordingFormat::Mp3 &&
        (settings.mp3Kbps < BroadcastSettings::kMinMp3Kbps ||
         settings.mp3Kbps > BroadcastSettings::kMaxMp3Kbps)) {
        problems.push_back({OutletField::RecordingBitRate,
                            RangeWords("The MP3 bit rate", BroadcastSettings::kMinMp3Kbps,
                                       BroadcastSettings::kMaxMp3Kbps, " kbit/s")});
    }
    if (!settings.nowPlayingFile.empty() && settings.nowPlayingFile.front() != '/') {
        problems.push_back(
            {OutletField::NowPlayingFile, "The now-playing file must be a full path, from \"/\"."});
    }
    return problems;
}

} // namespace korvale
