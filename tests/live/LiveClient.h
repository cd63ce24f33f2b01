#pragma once
// A plain loopback HTTP client for the live server's tests: every call is
// bounded by a timeout and ends by itself.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vmf::test {

class LoopbackSocket {
public:
    // receiveBuffer > 0: the socket's receive buffer in bytes.
    explicit LoopbackSocket(int port, int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) Close();
    }
    ~LoopbackSocket() { Close(); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;
    bool Ok() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool Send(const std::string& data) {
        return fd_ >= 0 && ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) ==
                               static_cast<ssize_t>(data.size());
    }
    // Reads until the peer closes, `until` appears, or timeoutMs passes.
    std::string Read(int timeoutMs, const std::string& until = {}) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (fd_ >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
            char buf[65536];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) {
                closedByPeer_ = true;
                break;
            }
            out.append(buf, static_cast<size_t>(n));
            if (!until.empty() && out.find(until) != std::string::npos) break;
        }
        return out;
    }
    bool ClosedByPeer() const { return closedByPeer_; }

private:
    int fd_ = -1;
    bool closedByPeer_ = false;
};

// One request, the whole answer (the server closes after answering).
inline std::string HttpGet(int port, const std::string& target, const std::string& headers = {},
                           const std::string& method = "GET") {
    LoopbackSocket s(port);
    s.Send(method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
    return s.Read(5000);
}

inline int StatusOf(const std::string& response) {
    return response.size() > 12 && response.rfind("HTTP/1.1 ", 0) == 0
               ? std::stoi(response.substr(9, 3))
               : 0;
}

inline std::string BodyOf(const std::string& response) {
    const auto at = response.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : response.substr(at + 4);
}

}  // namespace vmf::test
