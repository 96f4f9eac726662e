#pragma once

#include <string>

namespace korvale {

// What the start-up switches asked for.
struct StartRequest {
    // True when the program was started by an automation client ("Embedding" or
    // "Automation" switch): it is then not under the user's control.
    bool automated = false;
    // The command line with the recognised switch (and its "-" or "/") cut out.
    std::string remaining;
};

// The start-up switch parser. The command line is one string: the program's arguments
// (without the program name) joined by single blanks, as Join builds it. Qt-free.
class CommandLine {
public:
    static constexpr const char* kEmbeddingSwitch = "Embedding";
    static constexpr const char* kAutomationSwitch = "Automation";

    // argv[1] .. argv[argc - 1] joined by single blanks.
    static std::string Join(int argc, const char* const* argv);

    // Looks for "Embedding" directly after a "-" or "/" (exact case, more characters may
    // follow), and only when it is absent for "Automation". The first occurrence found is
    // cut out together with its "-" or "/"; whatever follows it stays.
    static StartRequest Parse(const std::string& commandLine);

private:
    // Position of the introducing "-" or "/" of the first occurrence of `name`, or npos.
    static std::string::size_type FindSwitch(const std::string& commandLine,
                                             const std::string& name);
};

} // namespace korvale
