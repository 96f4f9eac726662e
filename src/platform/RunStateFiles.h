#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "interfaces/RunStateStore.h"
#include "platform/UniqueFd.h"

namespace korvale {

// The files of a kept run in one folder: "run-state" (the whole state as last written),
// "run-state.previous" (the copy it replaced), "run-positions" (the position record's two
// slots) and "run.lock", which the one copy of the program that keeps the run holds locked.
// Every method blocks for its file I/O; one thread at a time.
class RunStateFiles {
public:
    static constexpr const char* kStateName = "run-state";
    static constexpr const char* kPreviousName = "run-state.previous";
    static constexpr const char* kPositionsName = "run-positions";

    explicit RunStateFiles(std::string folder);

    // $XDG_STATE_HOME/korvale, or ~/.local/state/korvale; nothing without either variable.
    static std::optional<std::string> DefaultFolder(const char* xdgStateHome, const char* home);

    const std::string& Folder() const { return m_folder; }
    std::string PathOf(const char* name) const { return m_folder + "/" + name; }

    // Makes the folder (private to the user) and locks it for this process; false with the
    // reason when that fails or another process holds the lock.
    bool Claim(std::string& why);

    KeptRunFiles Read() const;
    // The bytes to a temporary file, synced; the current state renamed to the previous copy
    // and the temporary file to the current one; the folder synced. With OlderCopies::Drop
    // the previous copy and the position record are removed afterwards.
    bool WriteState(std::string_view bytes, OlderCopies older, std::string& why);
    // `record` at byte `offset` of the position file, synced.
    bool WritePositions(std::string_view record, std::uint64_t offset, std::string& why);

private:
    std::string m_folder;
    UniqueFd m_lock;
};

} // namespace korvale
