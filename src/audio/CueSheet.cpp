#include "audio/CueSheet.h"

#include <cstdio>

namespace korvale {

namespace {

constexpr std::uint64_t kCueFramesPerSecond = 75;
constexpr std::uint64_t kSecondsPerMinute = 60;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7f;
// TRACK 01 .. 99 in two digits; a longer recording goes on with three.
constexpr char kTrackFormat[] = "  TRACK %02zu AUDIO\n";
constexpr char kIndexFormat[] = "    INDEX 01 %02llu:%02llu:%02llu\n";
constexpr std::size_t kLineBytes = 64;

// A cue sheet has no escapes: a double quote would end the field, a line break the line.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"') {
            out += '\'';
        } else if (byte < kFirstPrintable || byte == kDelete) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

CueSheet::CueSheet(std::string audioFileName, FileType type, int sampleRate)
    : m_audioFileName(std::move(audioFileName)), m_type(type), m_sampleRate(sampleRate) {}

void CueSheet::addTrack(const std::string& title, const std::string& performer,
                        std::uint64_t frame) {
    m_tracks.push_back({title, performer, frame});
}

std::string CueSheet::text() const {
    std::string out =
        "FILE " + Quoted(m_audioFileName) + (m_type == FileType::Mp3 ? " MP3\n" : " WAVE\n");
    const auto rate = static_cast<std::uint64_t>(m_sampleRate);
    char line[kLineBytes];
    for (std::size_t i = 0; i < m_tracks.size(); ++i) {
        const Track& track = m_tracks[i];
        std::snprintf(line, sizeof line, kTrackFormat, i + 1);
        out += line;
        out += "    TITLE " + Quoted(track.title) + "\n";
        if (!track.performer.empty()) {
            out += "    PERFORMER " + Quoted(track.performer) + "\n";
        }
        // Rounded to the nearest cue frame (13.3 ms).
        const std::uint64_t cueFrames = (track.frame * kCueFramesPerSecond + rate / 2) / rate;
        const std::uint64_t seconds = cueFrames / kCueFramesPerSecond;
        std::snprintf(line, sizeof line, kIndexFormat,
                      static_cast<unsigned long long>(seconds / kSecondsPerMinute),
                      static_cast<unsigned long long>(seconds % kSecondsPerMinute),
                      static_cast<unsigned long long>(cueFrames % kCueFramesPerSecond));
        out += line;
    }
    return out;
}

} // namespace korvale
