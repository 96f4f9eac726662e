#pragma once

#include "platform/StreamConnection.h"

#include <memory>

struct shout;

namespace korvale {

// A source connection to an Icecast 2 server through libshout (its HTTP protocol), in
// non-blocking mode so that neither a dead server nor a stalled network holds the worker.
class ShoutConnection final : public StreamConnection {
public:
    // Bytes queued for a server that does not take them; beyond this the connection fails
    // (about 25 s at 320 kbit/s).
    static constexpr std::size_t kMaxQueuedBytes = 1 << 20;

    ShoutConnection(const BroadcastSettings& settings, const std::string& password);
    ~ShoutConnection() override;

    StreamResult open(std::chrono::milliseconds limit,
                      const std::function<bool()>& cancelled) override;
    StreamResult send(const unsigned char* bytes, std::size_t count) override;
    StreamResult setTitle(const std::string& title) override;
    void close() override;

    // The factory for the broadcaster.
    static std::unique_ptr<StreamConnection> Make(const BroadcastSettings& settings,
                                                  const std::string& password);

private:
    struct HandleDeleter {
        void operator()(shout* handle) const;
    };
    using Handle = std::unique_ptr<shout, HandleDeleter>;

    // A fresh handle with every setting made; null with `why` when the library refuses one.
    Handle makeHandle(std::string* why) const;
    // Why a log-in was refused: the mount in use or the credentials.
    std::string refusedReason() const;
    StreamResult lost(const std::string& reason);

    BroadcastSettings m_settings;
    std::string m_password;
    Handle m_handle; // null while closed
};

} // namespace korvale
