#include "audio/IcecastBroadcaster.h"

#include "decode/ClipTags.h"
#include "encode/Encoder.h"

#include <algorithm>

namespace korvale {

namespace {

// The worker reads the tap in blocks of this many frames, and looks again this often when
// the tap was empty (the mix arrives in blocks of about 10 ms).
constexpr std::size_t kReadFrames = 4096;
constexpr std::chrono::milliseconds kIdleWait{5};
constexpr char kStopped[] = "stopped";

std::string Endpoint(const BroadcastSettings& settings) {
    return settings.host + ":" + std::to_string(settings.port) + settings.mount;
}

} // namespace

IcecastBroadcaster::IcecastBroadcaster(MixTap& tap, int sampleRate, StreamConnectionFactory connect)
    : m_tap(tap), m_sampleRate(sampleRate), m_connect(std::move(connect)),
      m_block(kReadFrames * MixTap::kChannels) {}

IcecastBroadcaster::~IcecastBroadcaster() {
    stop();
}

void IcecastBroadcaster::setChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(m_mutex);
    m_onChange = std::move(handler);
}

void IcecastBroadcaster::start(const BroadcastSettings& settings, const std::string& password) {
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_status = BroadcastStatus{};
        m_status.state = BroadcastState::Connecting;
        m_status.endpoint = Endpoint(settings);
        m_connectedAt.reset();
        m_retryAt.reset();
    }
    m_stopping.store(false, std::memory_order_release);
    m_tap.open();
    m_worker = std::thread([this, settings, password] { run(settings, password); });
}

void IcecastBroadcaster::stop() {
    if (!m_worker.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
    m_worker.join();
    m_tap.close();
}

void IcecastBroadcaster::announce(const OnAirClip& clip) {
    std::lock_guard lock(m_mutex);
    m_announced = clip;
}

BroadcastStatus IcecastBroadcaster::status() const {
    std::lock_guard lock(m_mutex);
    BroadcastStatus status = m_status;
    const Clock::time_point now = Clock::now();
    if (m_connectedAt) {
        status.connectedSeconds =
            std::chrono::duration_cast<std::chrono::seconds>(now - *m_connectedAt).count();
    }
    if (m_retryAt) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(*m_retryAt - now);
        status.retryInSeconds = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
    }
    if (status.state != BroadcastState::Off) {
        status.droppedBlocks = m_tap.droppedBlocks();
    }
    return status;
}

void IcecastBroadcaster::setState(BroadcastState state, const std::string& reason) {
    std::function<void()> onChange;
    {
        std::lock_guard lock(m_mutex);
        const bool changed = m_status.state != state || m_status.reason != reason;
        m_status.state = state;
        m_status.reason = reason;
        if (state != BroadcastState::Connected) {
            m_connectedAt.reset();
        } else if (!m_connectedAt) {
            m_connectedAt = Clock::now();
        }
        if (state != BroadcastState::Reconnecting) {
            m_retryAt.reset();
        }
        if (changed) {
            onChange = m_onChange;
        }
    }
    if (onChange) {
        onChange();
    }
}

void IcecastBroadcaster::drainTap() {
    while (m_tap.read(m_block.data(), kReadFrames) == kReadFrames) {
    }
}

bool IcecastBroadcaster::pause(Clock::duration wait) {
    const Clock::time_point until = Clock::now() + wait;
    std::unique_lock lock(m_mutex);
    while (!stopping() && Clock::now() < until) {
        lock.unlock();
        drainTap();
        lock.lock();
        m_wake.wait_for(lock, kIdleWait, [this] { return stopping(); });
    }
    return !stopping();
}

std::optional<std::string> IcecastBroadcaster::takeTitle() {
    std::optional<OnAirClip> clip;
    {
        std::lock_guard lock(m_mutex);
        clip.swap(m_announced);
    }
    if (!clip) {
        return std::nullopt;
    }
    return OnAirTitle(ReadClipTags(clip->path), clip->displayName);
}

void IcecastBroadcaster::run(BroadcastSettings settings, std::string password) {
    EncoderSettings format;
    format.format = settings.format;
    format.sampleRate = m_sampleRate;
    format.mp3Kbps = settings.mp3Kbps;
    format.vorbisQuality = settings.vorbisQuality;
    format.opusKbps = settings.opusKbps;
    std::string why;
    std::unique_ptr<Encoder> encoder = MakeEncoder(format, &why);
    Session ended = Session::Refused;
    if (!encoder) {
        setState(BroadcastState::Refused, why);
    } else {
        ended = serve(settings, password, *encoder);
    }
    if (ended == Session::Refused) {
        // Nothing more is sent, but the tap stays open until stop(): keep it from overflowing.
        while (pause(kMaxRetryWait)) {
        }
    }
    setState(BroadcastState::Off, "");
}

IcecastBroadcaster::Session IcecastBroadcaster::serve(const BroadcastSettings& settings,
                                                      const std::string& password,
                                                      Encoder& encoder) {
    const bool mp3 = settings.format == StreamFormat::Mp3;
    std::chrono::seconds wait = kFirstRetryWait;
    while (!stopping()) {
        std::unique_ptr<StreamConnection> connection = m_connect(settings, password);
        StreamResult result = connection->open(kOpenLimit, [this] {
            drainTap();
            return stopping();
        });
        if (result.ok()) {
            wait = kFirstRetryWait;
            setState(BroadcastState::Connected, "");
            result = stream(*connection, encoder, mp3);
            connection->close();
        }
        if (stopping()) {
            return Session::Stopped;
        }
        if (result.failure == StreamFailure::Refused) {
            setState(BroadcastState::Refused, result.reason);
            return Session::Refused;
        }
        {
            std::lock_guard lock(m_mutex);
            m_retryAt = Clock::now() + wait;
        }
        setState(BroadcastState::Reconnecting, result.reason);
        if (!pause(wait)) {
            return Session::Stopped;
        }
        wait = std::min(wait * 2, kMaxRetryWait);
    }
    return Session::Stopped;
}

StreamResult IcecastBroadcaster::sendTitle(StreamConnection& connection, Encoder& encoder,
                                           bool mp3) {
    if (m_title.empty()) {
        return {};
    }
    if (!mp3) {
        encoder.setTitle(m_title);
        return {};
    }
    const StreamResult result = connection.setTitle(m_title);
    // A title the server did not take is not worth dropping the stream for: the next
    // connection sends it again.
    return result.failure == StreamFailure::Refused ? result : StreamResult{};
}

StreamResult IcecastBroadcaster::stream(StreamConnection& connection, Encoder& encoder, bool mp3) {
    // A fresh encoded stream for every connection: what the encoder held from the last one
    // is thrown away with what piled up in the tap while connecting.
    m_bytes.clear();
    encoder.finish(m_bytes);
    m_bytes.clear();
    drainTap();
    if (std::optional<std::string> title = takeTitle()) {
        m_title = *title;
    }
    StreamResult result = sendTitle(connection, encoder, mp3);
    while (result.ok() && !stopping()) {
        if (std::optional<std::string> title = takeTitle()) {
            m_title = *title;
            result = sendTitle(connection, encoder, mp3);
        }
        const std::size_t frames = m_tap.read(m_block.data(), kReadFrames);
        if (frames == 0) {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, kIdleWait, [this] { return stopping(); });
            continue;
        }
        m_bytes.clear();
        if (!encoder.encode(m_block.data(), frames, m_bytes)) {
            return {StreamFailure::Transient, "the encoder failed"};
        }
        if (!m_bytes.empty()) {
            result = connection.send(m_bytes.data(), m_bytes.size());
        }
    }
    if (result.ok()) {
        // Stopped: end the stream cleanly.
        m_bytes.clear();
        encoder.finish(m_bytes);
        if (!m_bytes.empty()) {
            connection.send(m_bytes.data(), m_bytes.size());
        }
    }
    return result;
}

} // namespace korvale
