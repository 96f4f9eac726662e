#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace korvale {

// How an attempt to register the program for bus activation ended.
enum class ActivationFileOutcome {
    Written,   // the file was created or repaired
    Unchanged, // the file already held exactly the right text
    Failed,    // no folder, no permission, or a program path that a service file cannot hold
};

// The session bus's activation file for the automation class: with it, a client's request
// for KORVALE.Application starts this program with "-Embedding". An ordinary start writes
// it, or repairs it when it differs, so a damaged registration heals itself. Qt-free; every
// call runs on the calling thread and blocks on the file system.
class ActivationFile {
public:
    static constexpr const char* kBusName = "KORVALE.Application";
    static constexpr const char* kFileName = "KORVALE.Application.service";
    static constexpr const char* kEmbeddingArgument = "-Embedding";

    // `$XDG_DATA_HOME/dbus-1/services`, or `$HOME/.local/share/dbus-1/services` when
    // XDG_DATA_HOME is unset, empty or relative; nothing when neither gives an absolute
    // folder. The arguments are the variables' values (nullptr when unset).
    static std::optional<std::filesystem::path> ServicesFolder(const char* xdgDataHome,
                                                               const char* home);

    // The file's text for `programPath` (absolute): the section header, the bus name and
    // the Exec line. Nothing when the path is relative, not valid UTF-8 or holds a control
    // character, since the bus could not start it.
    static std::optional<std::string> Contents(const std::string& programPath);

    // Creates `servicesFolder` as needed and writes the file there unless it already holds
    // the right text. The file is replaced in one step (written beside it, then renamed),
    // so a reader never sees half a file. Failures are reported only through the outcome.
    static ActivationFileOutcome WriteOrRepair(const std::filesystem::path& servicesFolder,
                                               const std::string& programPath);

private:
    // The path as one word of the Exec line: unchanged when it holds only plain
    // characters, otherwise single-quoted.
    static std::string ExecWord(const std::string& programPath);
};

} // namespace korvale
