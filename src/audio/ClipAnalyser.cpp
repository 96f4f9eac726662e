#include "audio/ClipAnalyser.h"

#include "decode/DecoderFactory.h"
#include "decode/LoudnessMeter.h"

#include <sys/stat.h>

#include <vector>

namespace korvale {

namespace {

// Source frames decoded per read while measuring.
constexpr std::size_t kAnalysisChunkFrames = 8192;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
// A job held by the queue and the cache only: no voice waits for it.
constexpr long kUnclaimedUseCount = 2;

} // namespace

ClipAnalyser::ClipAnalyser() : m_worker([this] { workerLoop(); }) {}

ClipAnalyser::~ClipAnalyser() {
    {
        std::lock_guard lock(m_mutex);
        m_quit.store(true, std::memory_order_relaxed);
    }
    m_wake.notify_all();
    m_worker.join();
}

std::shared_ptr<const ClipAnalyser::Job> ClipAnalyser::request(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        auto failed = std::shared_ptr<Job>(new Job(path));
        failed->m_done.store(true, std::memory_order_release);
        return failed;
    }
    Key key{path, static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNanosecondsPerSecond +
                st.st_mtim.tv_nsec};
    std::lock_guard lock(m_mutex);
    auto found = m_cache.find(key);
    if (found != m_cache.end()) {
        return found->second;
    }
    auto job = std::shared_ptr<Job>(new Job(path));
    m_cache.emplace(std::move(key), job);
    m_queue.push_back(job);
    m_wake.notify_all();
    return job;
}

std::optional<ClipAnalysis> ClipAnalyser::Analyse(const std::string& path,
                                                  const std::atomic<bool>& cancel) {
    DecoderOpenResult opened = OpenDecoder(path);
    if (!opened.decoder) {
        return std::nullopt;
    }
    Decoder& decoder = *opened.decoder;
    LoudnessMeter meter(decoder.sampleRate());
    if (!meter.valid()) {
        return std::nullopt;
    }
    std::vector<float> chunk(kAnalysisChunkFrames * Decoder::kChannels);
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        const std::size_t got = decoder.read(chunk.data(), kAnalysisChunkFrames);
        if (got == 0) {
            break;
        }
        meter.add(chunk.data(), got);
    }
    ClipAnalysis analysis = meter.result();
    analysis.replayGainTrackDb = decoder.replayGainTrackDb();
    return analysis;
}

void ClipAnalyser::workerLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_quit.load(std::memory_order_relaxed)) {
        if (m_queue.empty()) {
            m_wake.wait(lock);
            continue;
        }
        std::shared_ptr<Job> job = std::move(m_queue.back());
        m_queue.pop_back();
        if (job.use_count() <= kUnclaimedUseCount) {
            // Loaded and replaced before its turn: forgotten, so a later load measures it.
            std::erase_if(m_cache, [&](const auto& entry) { return entry.second == job; });
            continue;
        }
        lock.unlock();
        job->m_result = Analyse(job->m_path, m_quit);
        job->m_done.store(true, std::memory_order_release);
        lock.lock();
    }
}

} // namespace korvale
