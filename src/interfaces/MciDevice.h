#pragma once

#include <optional>
#include <string>

namespace korvale {

// The media-command device under the cue player: command strings on one alias, replies
// as text. Called from the user-interface thread; sendString() does not block on playback
// (it may block briefly while "open" reads the clip's length).
class MciDevice {
public:
    virtual ~MciDevice() = default;

    // Runs one command string. Returns the reply text: decimal milliseconds for the status
    // queries, empty for commands without a reply and for every failure.
    virtual std::string sendString(const std::string& command) = 0;

    // The one-word form of `longPath` that an "open" command can carry, or nothing when
    // there is none (missing file, unusable characters, longer than 255 characters).
    virtual std::optional<std::string> shortPath(const std::string& longPath) = 0;
};

} // namespace korvale
