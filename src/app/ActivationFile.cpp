#include "app/ActivationFile.h"

#include "interfaces/AsciiText.h"
#include "interfaces/PathLength.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace korvale {

namespace {
constexpr const char* kSectionHeader = "[D-BUS Service]";
constexpr const char* kDataHomeFallback = ".local/share";
constexpr const char* kServicesSubfolder = "dbus-1/services";
// An existing file larger than this cannot be ours; it is replaced without being read.
constexpr std::uintmax_t kLargestExpectedFile = 64 * 1024;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7f;

bool IsPlainWordCharacter(char c) {
    if (IsAsciiLetterOrDigit(c)) {
        return true;
    }
    switch (c) {
    case '/':
    case '.':
    case '_':
    case '-':
    case '+':
    case ',':
    case '@':
    case ':':
    case '=':
        return true;
    default:
        return false;
    }
}
} // namespace

std::optional<std::filesystem::path> ActivationFile::ServicesFolder(const char* xdgDataHome,
                                                                    const char* home) {
    std::filesystem::path dataHome;
    if (xdgDataHome != nullptr && std::filesystem::path(xdgDataHome).is_absolute()) {
        dataHome = xdgDataHome;
    } else if (home != nullptr && std::filesystem::path(home).is_absolute()) {
        dataHome = std::filesystem::path(home) / kDataHomeFallback;
    } else {
        return std::nullopt;
    }
    return dataHome / kServicesSubfolder;
}

std::string ActivationFile::ExecWord(const std::string& programPath) {
    bool plain = true;
    for (const char c : programPath) {
        plain = plain && IsPlainWordCharacter(c);
    }
    if (plain) {
        return programPath;
    }
    // Inside single quotes the bus's command-line splitter takes every byte literally; a
    // single quote itself closes the quotes, adds an escaped quote and opens them again.
    std::string word = "'";
    for (const char c : programPath) {
        if (c == '\'') {
            word += "'\\''";
        } else {
            word += c;
        }
    }
    word += '\'';
    return word;
}

std::optional<std::string> ActivationFile::Contents(const std::string& programPath) {
    if (programPath.empty() || programPath.front() != '/' || !IsValidUtf8(programPath)) {
        return std::nullopt;
    }
    for (const char c : programPath) {
        const auto u = static_cast<unsigned char>(c);
        if (u < kFirstPrintable || u == kDelete) {
            return std::nullopt;
        }
    }
    std::ostringstream text;
    text << kSectionHeader << '\n'
         << "Name=" << kBusName << '\n'
         << "Exec=" << ExecWord(programPath) << ' ' << kEmbeddingArgument << '\n';
    return text.str();
}

ActivationFileOutcome ActivationFile::WriteOrRepair(const std::filesystem::path& servicesFolder,
                                                    const std::string& programPath) {
    const auto contents = Contents(programPath);
    if (!contents || servicesFolder.empty()) {
        return ActivationFileOutcome::Failed;
    }
    std::error_code error;
    std::filesystem::create_directories(servicesFolder, error);
    if (error || !std::filesystem::is_directory(servicesFolder, error)) {
        return ActivationFileOutcome::Failed;
    }

    const auto target = servicesFolder / kFileName;
    if (std::filesystem::is_regular_file(target, error) &&
        std::filesystem::file_size(target, error) <= kLargestExpectedFile && !error) {
        std::ifstream existing(target, std::ios::binary);
        const std::string present((std::istreambuf_iterator<char>(existing)),
                                  std::istreambuf_iterator<char>());
        if (existing.good() || existing.eof()) {
            if (present == *contents) {
                return ActivationFileOutcome::Unchanged;
            }
        }
    }

    std::string temporaryName = kFileName;
    temporaryName.append(".").append(std::to_string(::getpid())).append(".new");
    const auto temporary = servicesFolder / temporaryName;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << *contents;
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return ActivationFileOutcome::Failed;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return ActivationFileOutcome::Failed;
    }
    return ActivationFileOutcome::Written;
}

} // namespace korvale
