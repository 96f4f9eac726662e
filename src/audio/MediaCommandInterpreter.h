#pragma once

#include "interfaces/MciDevice.h"

#include <optional>
#include <string>
#include <vector>

namespace korvale {

class MediaVoice;

// The cue player's media-command device over one engine voice. It understands exactly
// these commands on the alias "movie" (keywords case-insensitive, words separated by
// blanks):
//   open <path> alias movie        set movie time format milliseconds wait
//   status movie length            status movie position
//   play movie    pause movie      seek movie to <ms>     stop movie
//   close movie   close all
// <path> is one word: a double-quoted path (as shortPath() gives it) or a word without
// blanks. The quoted word is taken before anything else is read, so words inside a file
// name ("alias", "wait", ...) never change the command. Anything else fails without effect.
// Replies are decimal milliseconds for the status queries, empty otherwise and on failure.
class MediaCommandInterpreter final : public MciDevice {
public:
    // `voice` is not owned and must outlive the interpreter.
    explicit MediaCommandInterpreter(MediaVoice& voice);

    std::string sendString(const std::string& command) override;
    std::optional<std::string> shortPath(const std::string& longPath) override;

    // Whether the alias is open now.
    bool isOpen() const { return m_open; }

private:
    std::string open(const std::vector<std::string>& words);
    std::string status(const std::vector<std::string>& words);

    MediaVoice& m_voice;
    bool m_open = false;
};

} // namespace korvale
