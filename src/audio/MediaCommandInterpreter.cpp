#include "audio/MediaCommandInterpreter.h"

#include "interfaces/AsciiText.h"
#include "interfaces/MediaVoice.h"
#include "interfaces/PathLength.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sys/stat.h>

namespace korvale {

namespace {

constexpr const char* kAlias = "movie";
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr char kQuote = '"';

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

bool Matches(const std::vector<std::string>& words, std::initializer_list<const char*> keywords) {
    if (words.size() != keywords.size()) {
        return false;
    }
    return std::equal(words.begin(), words.end(), keywords.begin(), EqualsAnyCase);
}

// Splits a command into words. A word that starts with a double quote runs to the next
// double quote and must be followed by a blank or the end; the quotes are kept so that the
// caller can tell a quoted path from a keyword. Nothing on failure (unterminated quote,
// control characters).
std::optional<std::vector<std::string>> SplitWords(const std::string& command) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < command.size()) {
        if (IsBlank(command[i])) {
            ++i;
            continue;
        }
        if (command[i] == kQuote) {
            const std::size_t close = command.find(kQuote, i + 1);
            if (close == std::string::npos ||
                (close + 1 < command.size() && !IsBlank(command[close + 1]))) {
                return std::nullopt;
            }
            words.push_back(command.substr(i, close + 1 - i));
            i = close + 1;
            continue;
        }
        std::size_t end = i;
        while (end < command.size() && !IsBlank(command[end])) {
            if (command[end] == kQuote || IsControl(static_cast<unsigned char>(command[end]))) {
                return std::nullopt;
            }
            ++end;
        }
        words.push_back(command.substr(i, end - i));
        i = end;
    }
    return words;
}

std::string Milliseconds(double seconds) {
    const double ms = std::max(0.0, std::floor(seconds * kMillisecondsPerSecond + 0.5));
    return std::to_string(static_cast<long long>(ms));
}

} // namespace

MediaCommandInterpreter::MediaCommandInterpreter(MediaVoice& voice) : m_voice(voice) {}

std::string MediaCommandInterpreter::sendString(const std::string& command) {
    const auto words = SplitWords(command);
    if (!words || words->empty()) {
        return {};
    }
    const std::string& verb = (*words)[0];
    if (EqualsAnyCase(verb, "open")) {
        return open(*words);
    }
    if (EqualsAnyCase(verb, "status")) {
        return status(*words);
    }
    if (Matches(*words, {"close", "all"})) {
        m_voice.close();
        m_open = false;
        return {};
    }
    if (!m_open) {
        return {};
    }
    if (Matches(*words, {"set", kAlias, "time", "format", "milliseconds", "wait"})) {
        return {};
    }
    if (Matches(*words, {"play", kAlias})) {
        // The device plays on from where it stands; the voice's own play() would start a
        // clip that has ended again from its start point, which is a deck's rule.
        const bool atEnd = m_voice.playState() == VoicePlayState::Stopped &&
                           m_voice.positionSeconds() >= m_voice.durationSeconds();
        if (!atEnd) {
            m_voice.play();
        }
    } else if (Matches(*words, {"pause", kAlias})) {
        m_voice.pause();
    } else if (Matches(*words, {"stop", kAlias})) {
        m_voice.stop();
    } else if (Matches(*words, {"close", kAlias})) {
        m_voice.close();
        m_open = false;
    } else if (words->size() == 4 &&
               Matches({(*words)[0], (*words)[1], (*words)[2]}, {"seek", kAlias, "to"})) {
        const std::string& number = (*words)[3];
        long long ms = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), ms);
        if (error != std::errc() || end != number.data() + number.size()) {
            return {};
        }
        m_voice.seek(static_cast<double>(std::max(ms, 0LL)) / kMillisecondsPerSecond);
    }
    return {};
}

std::string MediaCommandInterpreter::open(const std::vector<std::string>& words) {
    if (words.size() != 4 || !EqualsAnyCase(words[2], "alias") ||
        !EqualsAnyCase(words[3], kAlias) || m_open) {
        return {};
    }
    std::string path = words[1];
    if (path.front() == kQuote) {
        path = path.substr(1, path.size() - 2);
    }
    if (path.empty()) {
        return {};
    }
    if (!m_voice.open(path)) {
        // The device cannot play the file: the alias stays free.
        m_voice.close();
        return {};
    }
    m_open = true;
    return {};
}

std::string MediaCommandInterpreter::status(const std::vector<std::string>& words) {
    if (!m_open) {
        return {};
    }
    if (Matches(words, {"status", kAlias, "length"})) {
        return Milliseconds(m_voice.durationSeconds());
    }
    if (Matches(words, {"status", kAlias, "position"})) {
        return Milliseconds(m_voice.positionSeconds());
    }
    return {};
}

std::optional<std::string> MediaCommandInterpreter::shortPath(const std::string& longPath) {
    if (longPath.empty() || !FitsPathLimit(longPath)) {
        return std::nullopt;
    }
    for (const char c : longPath) {
        if (c == kQuote || IsControl(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(longPath, error).string();
    if (error || !FitsPathLimit(absolute)) {
        return std::nullopt;
    }
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return std::string(1, kQuote) + absolute + kQuote;
}

} // namespace korvale
