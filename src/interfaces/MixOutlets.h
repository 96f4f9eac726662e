#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvale {

// Where the mix of the two decks leaves the machine besides the speakers: a live stream to
// an Icecast 2 server and a recording on disk. Both carry the decks' mix as it leaves the
// faders, at the output's rate; the cue player's pre-listen and the master level are not in
// it.

enum class StreamFormat { Mp3, OggVorbis, OggOpus };
enum class RecordingFormat { Flac, Wav, Mp3 };

struct BroadcastSettings {
    static constexpr int kDefaultPort = 8000;
    static constexpr int kDefaultMp3Kbps = 128;
    static constexpr int kMinMp3Kbps = 96;
    static constexpr int kMaxMp3Kbps = 320;
    static constexpr int kDefaultVorbisQuality = 4; // 0 .. 10, as the usual Ogg encoders count
    static constexpr int kDefaultOpusKbps = 96;

    std::string host;
    int port = kDefaultPort;
    std::string mount = "/korvale";
    std::string user = "source";
    StreamFormat format = StreamFormat::Mp3;
    int mp3Kbps = kDefaultMp3Kbps; // constant bit rate
    int vorbisQuality = kDefaultVorbisQuality;
    int opusKbps = kDefaultOpusKbps;
    std::string name;
    std::string description;
    std::string genre;

    bool operator==(const BroadcastSettings&) const = default;
};

struct RecordingSettings {
    std::string folder; // absolute; the file is named by the recording's start time
    RecordingFormat format = RecordingFormat::Flac;
    int mp3Kbps = BroadcastSettings::kDefaultMp3Kbps;
    // A text file replaced at each hand-over with the title on air; empty: none is written.
    std::string nowPlayingFile;

    bool operator==(const RecordingSettings&) const = default;
};

// The clip that went on air: the title sent out is "Artist - Title" from its tags where it
// has both, otherwise `displayName` (the name the window shows).
struct OnAirClip {
    std::string path;
    std::string displayName;
};

enum class BroadcastState {
    Off,          // not asked to broadcast
    Connecting,   // the first connection is being made
    Connected,    // sending
    Reconnecting, // lost or failed; waiting `retryInSeconds` before the next try
    Refused,      // the server refused the log-in or the mount: no retry until started again
};

struct BroadcastStatus {
    BroadcastState state = BroadcastState::Off;
    std::string endpoint;              // "host:port/mount"
    std::string reason;                // why the last try failed or was refused, in plain words
    std::int64_t connectedSeconds = 0; // how long the present connection has lasted
    int retryInSeconds = 0;
    std::uint64_t droppedBlocks = 0; // blocks of the mix the stream could not keep up with
};

enum class RecordingState {
    Off,
    Recording,
    Failed, // stopped by a write that failed (the disk full ...): `reason` says why
};

struct RecordingStatus {
    RecordingState state = RecordingState::Off;
    std::string path; // the file being written, or last written
    std::string reason;
    double seconds = 0.0; // of mix written so far
    std::uint64_t droppedBlocks = 0;
};

// The live stream. start, stop and announce are called on the user-interface thread;
// the connection, the encoding and the network writes run on a worker thread of its own.
class MixBroadcast {
public:
    virtual ~MixBroadcast() = default;
    // Non-blocking: starts broadcasting with `settings` (restarts when it already runs).
    virtual void start(const BroadcastSettings& settings, const std::string& password) = 0;
    // Blocks until the worker has ended the stream cleanly and closed the connection (about
    // a second at most); the mix is no longer sent.
    virtual void stop() = 0;
    // Non-blocking: the clip now on air; listeners see its title within two seconds.
    virtual void announce(const OnAirClip& clip) = 0;
    // Any thread, non-blocking.
    virtual BroadcastStatus status() const = 0;
    // Called on the worker thread whenever status() changes its state; it must only hand
    // the news on (post it to the user-interface thread). Set before start().
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// The recording. start, stop and announce are called on the user-interface thread; the
// encoding and the file writes run on a worker thread of its own.
class MixRecording {
public:
    virtual ~MixRecording() = default;
    // Blocks while the file and its cue sheet are created. False, with `why` in plain words,
    // when they cannot be (the folder missing or not writable ...).
    virtual bool start(const RecordingSettings& settings, std::string* why) = 0;
    // Blocks until what was mixed so far is written and the file is finalised.
    virtual void stop() = 0;
    // Non-blocking: the clip now on air; the cue sheet gets a track that starts at this
    // point of the recording.
    virtual void announce(const OnAirClip& clip) = 0;
    // Any thread, non-blocking.
    virtual RecordingStatus status() const = 0;
    // As MixBroadcast::setChangeHandler.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// The password of the stream, kept in the desktop's secret store where one runs, otherwise
// in a file of mode 0600 beside the settings. User-interface thread; both calls block until
// the store answers (a secret service over the session bus: well under a second).
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // Empty when none is kept.
    virtual std::string read() = 0;
    // False, with `why`, when it could not be kept.
    virtual bool write(const std::string& secret, std::string* why) = 0;
    // Where the secret is kept, in words for the settings page.
    virtual std::string where() const = 0;
};

} // namespace korvale
