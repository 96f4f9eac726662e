#pragma once

#include "interfaces/ClipAnalysis.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

namespace korvale {

// Measures clips on a worker thread of its own, one at a time, newest request first, and
// keeps every result for the run, keyed by the file's path, size and modification time.
// The audio output never calls it.
class ClipAnalyser {
public:
    // One clip's analysis: pending until done() reads true, then fixed.
    class Job {
    public:
        // Any thread, non-blocking.
        bool done() const { return m_done.load(std::memory_order_acquire); }
        // The measurement once done(); nullopt while pending or when the clip did not decode.
        std::optional<ClipAnalysis> result() const { return done() ? m_result : std::nullopt; }

    private:
        friend class ClipAnalyser;
        explicit Job(std::string path) : m_path(std::move(path)) {}
        std::string m_path;
        std::optional<ClipAnalysis> m_result;
        std::atomic<bool> m_done{false};
    };

    ClipAnalyser();
    ~ClipAnalyser();
    ClipAnalyser(const ClipAnalyser&) = delete;
    ClipAnalyser& operator=(const ClipAnalyser&) = delete;

    // Any thread but the audio output's; reads the file's status, never its content. The
    // analysis of `path`: the one already made or under way for the same file, else a new
    // one queued. A job that nobody holds any more when its turn comes is dropped unmeasured.
    std::shared_ptr<const Job> request(const std::string& path);

    // Blocks while it decodes the whole clip: its measurement, or nullopt when it does not
    // decode or `cancel` turns true. Any thread.
    static std::optional<ClipAnalysis> Analyse(const std::string& path,
                                               const std::atomic<bool>& cancel);

private:
    // Path, size in bytes, modification time in nanoseconds.
    using Key = std::tuple<std::string, std::int64_t, std::int64_t>;
    void workerLoop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_queue;
    std::map<Key, std::shared_ptr<Job>> m_cache;
    std::atomic<bool> m_quit{false};
    std::thread m_worker; // last: starts after every member above exists
};

} // namespace korvale
