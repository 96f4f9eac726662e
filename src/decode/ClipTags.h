#pragma once

#include <string>

namespace korvale {

// The artist and title a clip's tags name (UTF-8, trimmed; empty when not tagged).
struct ClipTags {
    std::string artist;
    std::string title;
};

// Reads the tags of the clip at `path`, by its content: MP3 through libmpg123's ID3 (version
// 2, then version 1 for what version 2 lacks), the formats of libsndfile through their own
// tags. Blocks while the file's head (and, for MP3, its last bytes) are read; any thread.
// A missing, unreadable or broken file gives empty tags; never throws.
ClipTags ReadClipTags(const std::string& path);

// The title to send out for a clip: "Artist - Title" when the tags hold both, otherwise
// `displayName`. Line breaks and other control characters become spaces.
std::string OnAirTitle(const ClipTags& tags, const std::string& displayName);

} // namespace korvale
