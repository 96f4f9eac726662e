#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "interfaces/FileSystem.h"

namespace korvale {

// What a start finds of the last run's kept files.
struct KeptRunFiles {
    std::string currentPath;  // the whole state as last written
    std::string previousPath; // the copy it replaced
    ReadFileResult current;
    ReadFileResult previous;
    ReadFileResult positions; // the position record's two slots
};

// Whether the copies a state write replaces are kept.
enum class OlderCopies {
    Keep, // the replaced state stays as the previous copy, the position record stays
    Drop, // the run has ended: only this state stays
};

// Where a run's state is kept so that a later start can resume it. The whole state is
// written to a temporary file, synced and renamed over the current one, whose copy stays as
// the previous one; the positions go to a small record of their own. Writes happen on a
// thread of the store's own: the calls that hand something over return at once, and a later
// hand-over replaces one not yet written (only the newest is written).
class RunStateStore {
public:
    virtual ~RunStateStore() = default;

    // Reads what the last run left. Blocks for the reads (the whole state: up to its size);
    // called on the user-interface thread at start, before anything is handed over.
    virtual KeptRunFiles ReadKept() = 0;

    // Hands the whole state over: `encode` runs on the writer's thread and gives the file's
    // bytes. Returns at once; user-interface thread.
    virtual void KeepState(std::function<std::string()> encode, OlderCopies older) = 0;

    // Hands one position record over, to be written at byte `offset` of the position file
    // and synced, after any whole state handed over before it. Returns at once; user-interface
    // thread.
    virtual void KeepPositions(std::string record, std::uint64_t offset) = 0;

    // Blocks until everything handed over is written (or has failed); user-interface thread.
    virtual void Flush() = 0;
};

} // namespace korvale
