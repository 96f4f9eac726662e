#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "interfaces/RunStateStore.h"
#include "platform/RunStateFiles.h"

namespace korvale {

// The store of a kept run over its files, with a writer thread of its own: what is handed
// over waits in one slot for the whole state and one for the position record, a newer
// hand-over replacing an older one not yet written, and the thread writes the state first.
// A failed write is told on the standard error once, until a write succeeds again.
class RunStateWriter : public RunStateStore {
public:
    // `files` must outlive the writer and be claimed; nothing else may use it meanwhile.
    explicit RunStateWriter(RunStateFiles& files);
    // Writes what waits, then ends the thread.
    ~RunStateWriter() override;
    RunStateWriter(const RunStateWriter&) = delete;
    RunStateWriter& operator=(const RunStateWriter&) = delete;

    KeptRunFiles ReadKept() override;
    void KeepState(std::function<std::string()> encode, OlderCopies older) override;
    void KeepPositions(std::string record, std::uint64_t offset) override;
    void Flush() override;

private:
    struct PendingState {
        std::function<std::string()> encode;
        OlderCopies older = OlderCopies::Keep;
    };
    struct PendingPositions {
        std::string record;
        std::uint64_t offset = 0;
    };
    void Run();
    void Report(bool ok, const std::string& why);

    RunStateFiles& m_files;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<PendingState> m_state;
    std::optional<PendingPositions> m_positions;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_failing = false; // writer thread only
    std::thread m_thread;
};

} // namespace korvale
