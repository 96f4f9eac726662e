#include "app/CommandLine.h"

namespace korvale {

namespace {
constexpr char kDashPrefix = '-';
constexpr char kSlashPrefix = '/';
constexpr char kArgumentSeparator = ' ';
} // namespace

std::string CommandLine::Join(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) {
            break;
        }
        if (i > 1) {
            joined += kArgumentSeparator;
        }
        joined += argv[i];
    }
    return joined;
}

std::string::size_type CommandLine::FindSwitch(const std::string& commandLine,
                                               const std::string& name) {
    std::string::size_type from = 0;
    while (true) {
        const auto at = commandLine.find(name, from);
        if (at == std::string::npos) {
            return std::string::npos;
        }
        if (at > 0 && (commandLine[at - 1] == kDashPrefix || commandLine[at - 1] == kSlashPrefix)) {
            return at - 1;
        }
        from = at + 1;
    }
}

StartRequest CommandLine::Parse(const std::string& commandLine) {
    StartRequest request;
    request.remaining = commandLine;
    for (const std::string name : {kEmbeddingSwitch, kAutomationSwitch}) {
        const auto at = FindSwitch(commandLine, name);
        if (at != std::string::npos) {
            // The prefix character and the switch's own text go; what follows stays.
            request.remaining.erase(at, 1 + name.size());
            request.automated = true;
            break;
        }
    }
    return request;
}

} // namespace korvale
