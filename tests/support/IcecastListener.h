#pragma once

// A listener of the test script's Icecast server: requests, its status page, a mount decoded.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"

namespace korvale::testing {

// The server's port; 0 outside scripts/with-icecast.sh.
inline int IcecastPort() {
    const char* port = std::getenv("KORVALE_ICECAST_PORT");
    return port ? std::atoi(port) : 0;
}

inline std::string IcecastSourcePassword() {
    const char* password = std::getenv("KORVALE_ICECAST_SOURCE_PASSWORD");
    return password ? password : "";
}

// The body of a plain HTTP GET from the local server: up to `maxBytes`, within `limit`.
inline std::string HttpGet(const std::string& path, std::size_t maxBytes,
                           std::chrono::seconds limit) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(IcecastPort()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[4096];
        pollfd entry{fd, POLLIN, 0};
        while (response.size() < maxBytes && std::chrono::steady_clock::now() < deadline &&
               ::poll(&entry, 1, 1000) >= 0) {
            if ((entry.revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            response.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    const std::size_t body = response.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : response.substr(body + 4);
}

// Whether the status page shows `title` for the source on `mount`.
inline bool StatusShowsTitle(const std::string& mount, const std::string& title) {
    constexpr std::size_t kPageBytes = 1 << 20;
    const std::string page = HttpGet("/status-json.xsl", kPageBytes, std::chrono::seconds(5));
    const std::string url = "/127.0.0.1:" + std::to_string(IcecastPort()) + mount + "\"";
    const std::size_t at = page.find(url);
    if (at == std::string::npos) {
        return false;
    }
    const std::size_t from = page.rfind('{', at);
    const std::string source = page.substr(from, page.find('}', at) - from);
    return source.find("\"title\":\"" + title + "\"") != std::string::npos;
}

// What a listener's bytes decode to.
struct HeardStream {
    std::vector<float> stereo;
    int rate = 0;
};

// What `bytes` decode to: of an Ogg chain, its first link only.
inline HeardStream DecodeFirstLink(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.file("heard");
    WriteBytes(path, bytes);
    HeardStream heard;
    DecoderOpenResult opened = OpenDecoder(path);
    if (!opened.decoder) {
        return heard;
    }
    heard.rate = opened.decoder->sampleRate();
    std::vector<float> buffer(4096 * 2);
    while (const std::size_t got = opened.decoder->read(buffer.data(), 4096)) {
        heard.stereo.insert(heard.stereo.end(), buffer.begin(), buffer.begin() + got * 2);
    }
    return heard;
}

// What a listener who joins now hears: of a chained Ogg stream, its last link (the decoders
// read the first link only); other streams as they are.
inline HeardStream Decode(const std::string& bytes) {
    constexpr char kCapture[] = "OggS";
    constexpr std::size_t kHeaderTypeAt = 5;
    constexpr char kBeginsStream = 0x02;
    std::size_t last = 0;
    for (std::size_t at = bytes.find(kCapture); at != std::string::npos;
         at = bytes.find(kCapture, at + 1)) {
        if (at + kHeaderTypeAt < bytes.size() && (bytes[at + kHeaderTypeAt] & kBeginsStream) != 0) {
            last = at;
        }
    }
    return DecodeFirstLink(bytes.substr(last));
}

} // namespace korvale::testing
