#pragma once

#include <string>
#include <vector>

#include "interfaces/MixOutlets.h"

namespace korvale {

class FolderAccess;

// A field of the stream's or the recording's settings.
enum class OutletField {
    Host,
    Port,
    Mount,
    Password,      // never refused by the checks; words when the password could not be kept
    StreamBitRate, // the MP3 or Opus bit rate, or the Vorbis quality, of the chosen format
    Folder,
    RecordingBitRate,
    NowPlayingFile,
};

// A field that cannot be used, and why, in words for the user.
struct FieldProblem {
    OutletField field;
    std::string words;

    bool operator==(const FieldProblem&) const = default;
};

// Checks the outlets' settings field by field before they are kept or used: every field that
// is wrong gets its own words. Only the bit rate of the chosen format is looked at. Any
// thread.
class OutletFieldCheck {
public:
    static constexpr int kMinPort = 1;
    static constexpr int kMaxPort = 65535;
    static constexpr int kMinVorbisQuality = 0;
    static constexpr int kMaxVorbisQuality = 10;
    // What Opus carries music well with, up to what a stream of two channels can use.
    static constexpr int kMinOpusKbps = 32;
    static constexpr int kMaxOpusKbps = 256;

    // Pure.
    static std::vector<FieldProblem> Check(const BroadcastSettings& settings);
    // Asks `folders` whether the folder can be written (blocks on its file-system look-ups).
    static std::vector<FieldProblem> Check(const RecordingSettings& settings,
                                           const FolderAccess& folders);
};

} // namespace korvale
