#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvale {

struct WindowServices;

// The switches a user gives on the command line, read with Qt's parser: "--help" and
// "--version", which answer and end the program before anything starts, and the switches
// of the table in ProgramSwitches.cpp, one row each: its name, its line of "--help" and the
// setting it turns on for the run. The manual page is made from "--help", so a row added
// there shows in both.
//
// "Embedding" and "Automation" are not among them: CommandLine reads those first. Words the
// parser does not know (those two, Qt's own options, anything else) are left alone, and a
// single "-" reads as well as "--" ("-Embedding" is an unknown word, not nine letters).
class ProgramSwitches {
public:
    // argv[0] .. argv[argc - 1], the program's path first. Needs no Qt application.
    ProgramSwitches(int argc, const char* const* argv);

    // What "--help" (when given) or else "--version" prints; nothing when neither was given.
    std::optional<std::string> Answer() const;

    // Turns on, in `services`, the setting of every table switch that was given.
    void Apply(WindowServices& services) const;

private:
    std::string m_programName;
    bool m_help = false;
    bool m_version = false;
    // One per row of the table, in its order.
    std::vector<bool> m_given;
};

} // namespace korvale
