#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvale {

// The cue sheet of a recording: the audio file it describes and one track per clip that
// went on air, each starting at a frame of the recording. Plain data; any one thread.
class CueSheet {
public:
    enum class FileType { Wave, Mp3 }; // WAVE stands for any lossless file (WAV, FLAC)

    // `audioFileName`: the audio file's name without its folder (the sheet lies beside it).
    CueSheet(std::string audioFileName, FileType type, int sampleRate);

    // A track that starts `frame` frames into the recording. An empty `performer` leaves
    // the PERFORMER line out.
    void addTrack(const std::string& title, const std::string& performer, std::uint64_t frame);
    std::size_t trackCount() const { return m_tracks.size(); }

    // The sheet as text. Quotes and control characters in names become harmless ones, so a
    // title cannot break a line or a quoted field. Times are mm:ss:ff, 75 frames a second.
    std::string text() const;

private:
    struct Track {
        std::string title;
        std::string performer;
        std::uint64_t frame;
    };

    std::string m_audioFileName;
    FileType m_type;
    int m_sampleRate;
    std::vector<Track> m_tracks;
};

} // namespace korvale
