#pragma once

#include "audio/MixTap.h"
#include "interfaces/MixOutlets.h"
#include "platform/StreamConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace korvale {

class Encoder;

// The live stream to an Icecast 2 server. A worker thread reads the stream's tap of the mix,
// encodes it and sends it through a connection made by `connect`.
//
// - A refused log-in (wrong password, mount in use) ends in Refused: no retry until started
//   again. Any other failure retries after 1, 2, 4 ... seconds, at most kMaxRetryWait, for
//   as long as broadcasting stays on. While not connected the tap is read and its audio
//   thrown away, so it never overflows and a stream that comes back carries the present mix.
// - Each connection starts a fresh encoded stream (new headers, a clean first frame).
// - Titles: MP3 through the server's metadata update (sent again after a reconnect), Ogg as
//   a new link of the chain whose comments carry the title.
class IcecastBroadcaster final : public MixBroadcast {
public:
    static constexpr std::chrono::seconds kFirstRetryWait{1};
    static constexpr std::chrono::seconds kMaxRetryWait{30};
    // How long one try to connect may take before it counts as a timeout.
    static constexpr std::chrono::seconds kOpenLimit{5};

    // `tap` is the stream's outlet of the mix (this object opens and closes it); `sampleRate`
    // is the mix's, in frames per second.
    IcecastBroadcaster(MixTap& tap, int sampleRate, StreamConnectionFactory connect);
    ~IcecastBroadcaster() override;
    IcecastBroadcaster(const IcecastBroadcaster&) = delete;
    IcecastBroadcaster& operator=(const IcecastBroadcaster&) = delete;

    void start(const BroadcastSettings& settings, const std::string& password) override;
    void stop() override;
    void announce(const OnAirClip& clip) override;
    BroadcastStatus status() const override;
    void setChangeHandler(std::function<void()> handler) override;

private:
    using Clock = std::chrono::steady_clock;
    enum class Session { Stopped, Refused };

    void run(BroadcastSettings settings, std::string password);
    // Connects and streams until stopped or refused; returns which.
    Session serve(const BroadcastSettings& settings, const std::string& password, Encoder& encoder);
    // Streams over an open connection until it fails (its result) or stop() is called (ok).
    StreamResult stream(StreamConnection& connection, Encoder& encoder, bool mp3);
    // Hands `title` on: through the connection for MP3, into the encoded stream for Ogg.
    StreamResult sendTitle(StreamConnection& connection, Encoder& encoder, bool mp3);
    // Reads and throws away what the tap holds.
    void drainTap();
    // Waits `wait` (or until stopped) while draining the tap; false when stopped.
    bool pause(Clock::duration wait);
    // The title of the newest announced clip when one came since the last call; reads the
    // clip's tags.
    std::optional<std::string> takeTitle();
    void setState(BroadcastState state, const std::string& reason);
    bool stopping() const { return m_stopping.load(std::memory_order_acquire); }

    MixTap& m_tap;
    const int m_sampleRate;
    const StreamConnectionFactory m_connect;
    // The worker's own: the read buffer (allocated once), the encoded bytes, the title on air.
    std::vector<float> m_block;
    std::vector<unsigned char> m_bytes;
    std::string m_title;

    mutable std::mutex m_mutex; // guards what follows up to m_worker
    BroadcastStatus m_status;
    std::optional<Clock::time_point> m_connectedAt;
    std::optional<Clock::time_point> m_retryAt;
    std::optional<OnAirClip> m_announced; // not yet taken up by the worker
    std::function<void()> m_onChange;
    std::condition_variable m_wake;

    std::atomic<bool> m_stopping{false};
    std::thread m_worker;
};

} // namespace korvale
