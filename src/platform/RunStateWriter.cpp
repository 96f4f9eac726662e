#include "platform/RunStateWriter.h"

#include <cstdio>
#include <utility>

namespace korvale {

RunStateWriter::RunStateWriter(RunStateFiles& files)
    : m_files(files), m_thread([this] { Run(); }) {}

RunStateWriter::~RunStateWriter() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

KeptRunFiles RunStateWriter::ReadKept() {
    Flush();
    return m_files.Read();
}

void RunStateWriter::KeepState(std::function<std::string()> encode, OlderCopies older) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_state = PendingState{std::move(encode), older};
    }
    m_wake.notify_one();
}

void RunStateWriter::KeepPositions(std::string record, std::uint64_t offset) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_positions = PendingPositions{std::move(record), offset};
    }
    m_wake.notify_one();
}

void RunStateWriter::Flush() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_state && !m_positions; });
}

void RunStateWriter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_state || m_positions; });
        if (!m_state && !m_positions) {
            return; // stopping, and nothing waits
        }
        // The state goes first: a position record names the state it belongs to.
        std::optional<PendingState> state = std::exchange(m_state, std::nullopt);
        std::optional<PendingPositions> positions;
        if (!state) {
            positions = std::exchange(m_positions, std::nullopt);
        }
        m_busy = true;
        lock.unlock();
        std::string why;
        if (state) {
            const std::string bytes = state->encode();
            Report(m_files.WriteState(bytes, state->older, why), why);
        } else {
            Report(m_files.WritePositions(positions->record, positions->offset, why), why);
        }
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}

void RunStateWriter::Report(bool ok, const std::string& why) {
    if (!ok && !m_failing) {
        std::fprintf(stderr, "korvale: the run's state cannot be kept: %s\n", why.c_str());
    }
    m_failing = !ok;
}

} // namespace korvale
