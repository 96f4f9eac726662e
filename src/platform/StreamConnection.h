#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "interfaces/MixOutlets.h"

namespace korvale {

// How a try to reach or feed the stream's server ended.
enum class StreamFailure {
    None,      // done
    Refused,   // the server refused the log-in or the mount: trying again will not help
    Transient, // down, unreachable, lost, too slow, no answer in time: worth another try
};

struct StreamResult {
    StreamFailure failure = StreamFailure::None;
    std::string reason; // in plain words, empty when done
    bool ok() const { return failure == StreamFailure::None; }
};

// One source connection to a streaming server (Icecast 2). Every method is called on the
// stream's worker thread only, never from the audio output callback.
class StreamConnection {
public:
    virtual ~StreamConnection() = default;
    // Connects and logs in. Blocks until done, refused or failed, for at most `limit`, and
    // returns early (Transient, "stopped") once `cancelled` returns true (asked every few
    // milliseconds).
    virtual StreamResult open(std::chrono::milliseconds limit,
                              const std::function<bool()>& cancelled) = 0;
    // Hands encoded bytes to the connection. Does not wait for the network: bytes the server
    // has not taken yet are queued, and a queue that grows beyond a few seconds of the
    // stream fails the connection (Transient). After a failure the connection is closed.
    virtual StreamResult send(const unsigned char* bytes, std::size_t count) = 0;
    // MP3 mounts: the title listeners see, through the server's metadata update. Blocks for
    // one short request to the server (milliseconds on a working one).
    virtual StreamResult setTitle(const std::string& title) = 0;
    // Ends the connection (the server ends the mount). Does not block for long.
    virtual void close() = 0;
};

// Makes a fresh, unopened connection for the settings; the password is the source user's.
using StreamConnectionFactory = std::function<std::unique_ptr<StreamConnection>(
    const BroadcastSettings& settings, const std::string& password)>;

} // namespace korvale
