#include "app/StopSignals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace korvale {

namespace {

constexpr std::array kStopSignals{SIGTERM, SIGHUP};
// The two ends of the socket pair: the handler writes, the event loop reads.
int g_stopSockets[2] = {-1, -1};

void OnStopSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_stopSockets[0], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_stopSockets) != 0) {
        return; // the signals then end the program as before
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_stopSockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_stopSockets[1], bytes, sizeof bytes) > 0) {
        }
        Q_EMIT Received();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    m_notifier.reset();
    for (int& fd : g_stopSockets) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

} // namespace korvale
