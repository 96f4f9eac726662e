#include "platform/ShoutConnection.h"

#include <shout/shout.h>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <thread>

namespace korvale {

namespace {

constexpr std::chrono::milliseconds kPollInterval{5};
// How long the question "is the mount in use?" may take after a refused log-in.
constexpr int kProbeTimeoutMs = 2000;
constexpr char kAgent[] = "KORVALE";
constexpr char kSongKey[] = "song";
constexpr char kCharsetKey[] = "charset";
constexpr char kUtf8[] = "UTF-8";
constexpr char kHttpOk[] = " 200 ";

void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { shout_init(); });
}

// Keeps SIGPIPE from the calling thread for its lifetime: libshout writes to its socket
// without MSG_NOSIGNAL, and a server gone away would end the whole program. A SIGPIPE raised
// meanwhile is taken back before the thread's mask is restored.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~SigpipeGuard() {
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            sigtimedwait(&m_pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
};

// A socket closed on destruction.
struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool WaitFor(int fd, short events) {
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, kProbeTimeoutMs) == 1 && (entry.revents & events) != 0;
}

// Whether a listener's GET of `mount` is answered with 200: a source already feeds it.
bool MountAnswers(const std::string& host, int port, const std::string& mount) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    Socket socket;
    socket.fd = ::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                         found->ai_protocol);
    if (socket.fd < 0) {
        return false;
    }
    if (::connect(socket.fd, found->ai_addr, found->ai_addrlen) != 0 && errno != EINPROGRESS) {
        return false;
    }
    const std::string request =
        "GET " + mount + " HTTP/1.0\r\nHost: " + host + "\r\nUser-Agent: " + kAgent + "\r\n\r\n";
    if (!WaitFor(socket.fd, POLLOUT) ||
        ::send(socket.fd, request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size())) {
        return false;
    }
    char status[32] = {};
    if (!WaitFor(socket.fd, POLLIN)) {
        return false;
    }
    const ssize_t got = ::recv(socket.fd, status, sizeof status - 1, 0);
    return got > 0 &&
           std::string(status, static_cast<std::size_t>(got)).find(kHttpOk) != std::string::npos;
}

} // namespace

void ShoutConnection::HandleDeleter::operator()(shout* handle) const {
    // Closed first so that the socket of any try to connect is closed. (libshout 2.4.6 then
    // frees nothing of the handle: see tests/sanitizers/lsan.supp.)
    const SigpipeGuard noSigpipe;
    shout_close(handle);
    shout_free(handle);
}

std::unique_ptr<StreamConnection> ShoutConnection::Make(const BroadcastSettings& settings,
                                                        const std::string& password) {
    return std::make_unique<ShoutConnection>(settings, password);
}

ShoutConnection::ShoutConnection(const BroadcastSettings& settings, const std::string& password)
    : m_settings(settings), m_password(password) {
    InitLibraryOnce();
}

ShoutConnection::~ShoutConnection() {
    close();
}

ShoutConnection::Handle ShoutConnection::makeHandle(std::string* why) const {
    Handle handle(shout_new());
    if (!handle) {
        *why = "out of memory";
        return nullptr;
    }
    shout_t* s = handle.get();
    const bool mp3 = m_settings.format == StreamFormat::Mp3;
    const int settings[] = {
        shout_set_host(s, m_settings.host.c_str()),
        shout_set_port(s, static_cast<unsigned short>(m_settings.port)),
        shout_set_mount(s, m_settings.mount.c_str()),
        shout_set_user(s, m_settings.user.c_str()),
        shout_set_password(s, m_password.c_str()),
        shout_set_agent(s, kAgent),
        shout_set_protocol(s, SHOUT_PROTOCOL_HTTP),
        shout_set_tls(s, SHOUT_TLS_DISABLED),
        shout_set_content_format(s, mp3 ? SHOUT_FORMAT_MP3 : SHOUT_FORMAT_OGG, SHOUT_USAGE_AUDIO,
                                 nullptr),
        shout_set_nonblocking(s, SHOUT_BLOCKING_NONE),
        shout_set_meta(s, SHOUT_META_NAME, m_settings.name.c_str()),
        shout_set_meta(s, SHOUT_META_DESCRIPTION, m_settings.description.c_str()),
        shout_set_meta(s, SHOUT_META_GENRE, m_settings.genre.c_str()),
        mp3 ? shout_set_audio_info(s, SHOUT_AI_BITRATE, std::to_string(m_settings.mp3Kbps).c_str())
            : SHOUTERR_SUCCESS,
    };
    for (const int result : settings) {
        if (result != SHOUTERR_SUCCESS) {
            *why = std::string("the stream's settings are not usable: ") + shout_get_error(s);
            return nullptr;
        }
    }
    return handle;
}

std::string ShoutConnection::refusedReason() const {
    if (MountAnswers(m_settings.host, m_settings.port, m_settings.mount)) {
        return "mount " + m_settings.mount + " is in use";
    }
    return "wrong user or password";
}

StreamResult ShoutConnection::open(std::chrono::milliseconds limit,
                                   const std::function<bool()>& cancelled) {
    close();
    const SigpipeGuard noSigpipe;
    const std::string endpoint = m_settings.host + ":" + std::to_string(m_settings.port);
    std::string why;
    Handle handle = makeHandle(&why);
    if (!handle) {
        return {StreamFailure::Refused, why};
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int result = shout_open(handle.get());
    while (result == SHOUTERR_BUSY) {
        if (cancelled()) {
            return {StreamFailure::Transient, "stopped"};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return {StreamFailure::Transient, "no answer from " + endpoint};
        }
        std::this_thread::sleep_for(kPollInterval);
        result = shout_get_connected(handle.get());
    }
    switch (result) {
    case SHOUTERR_SUCCESS:
    case SHOUTERR_CONNECTED:
        m_handle = std::move(handle);
        return {};
    case SHOUTERR_NOLOGIN:
        return {StreamFailure::Refused, refusedReason()};
    case SHOUTERR_SOCKET:
        return {StreamFailure::Transient, "connection refused by " + endpoint};
    case SHOUTERR_NOCONNECT:
        return {StreamFailure::Transient, "cannot reach " + endpoint};
    default:
        return {StreamFailure::Transient, std::string("cannot connect to ") + endpoint + ": " +
                                              shout_get_error(handle.get())};
    }
}

StreamResult ShoutConnection::lost(const std::string& reason) {
    close();
    return {StreamFailure::Transient, reason};
}

StreamResult ShoutConnection::send(const unsigned char* bytes, std::size_t count) {
    const SigpipeGuard noSigpipe;
    if (!m_handle) {
        return {StreamFailure::Transient, "not connected"};
    }
    const int result = shout_send(m_handle.get(), bytes, count);
    if (result != SHOUTERR_SUCCESS && result != SHOUTERR_BUSY) {
        return lost("connection lost");
    }
    const ssize_t queued = shout_queuelen(m_handle.get());
    if (queued < 0 || static_cast<std::size_t>(queued) > kMaxQueuedBytes) {
        return lost("the server does not take the stream fast enough");
    }
    return {};
}

StreamResult ShoutConnection::setTitle(const std::string& title) {
    const SigpipeGuard noSigpipe;
    if (!m_handle) {
        return {StreamFailure::Transient, "not connected"};
    }
    using Metadata = std::unique_ptr<shout_metadata_t, decltype(&shout_metadata_free)>;
    Metadata metadata(shout_metadata_new(), &shout_metadata_free);
    if (!metadata || shout_metadata_add(metadata.get(), kSongKey, title.c_str()) != 0 ||
        shout_metadata_add(metadata.get(), kCharsetKey, kUtf8) != 0) {
        return {StreamFailure::Transient, "out of memory"};
    }
    const int result = shout_set_metadata_utf8(m_handle.get(), metadata.get());
    if (result != SHOUTERR_SUCCESS) {
        return {StreamFailure::Transient,
                std::string("the title was not taken: ") + shout_get_error(m_handle.get())};
    }
    return {};
}

void ShoutConnection::close() {
    m_handle.reset();
}

} // namespace korvale
