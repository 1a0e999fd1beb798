#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace loopback {

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int ListenOnLoopback(unsigned short* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof(addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

Connection::~Connection() { Close(); }

void Connection::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool Connection::Send(const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

int Connection::ReadSome(int timeoutMs) {
    if (fd_ < 0) return 0;
    pollfd p{fd_, POLLIN, 0};
    int rc = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (rc <= 0) return -1;
    char buf[4096];
    ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
    if (n < 0) return errno == EINTR ? -1 : 0;
    received_.append(buf, static_cast<size_t>(n));
    return static_cast<int>(n);
}

std::string Connection::ReadUntil(const std::string& marker, int timeoutMs) {
    size_t start = received_.size();
    int64_t deadline = NowMs() + timeoutMs;
    while (received_.find(marker, start) == std::string::npos) {
        int64_t left = deadline - NowMs();
        if (left <= 0) break;
        if (ReadSome(static_cast<int>(left)) == 0) break;
    }
    return received_.substr(start);
}

std::string Connection::ReadExactly(size_t n, int timeoutMs) {
    size_t start = received_.size();
    int64_t deadline = NowMs() + timeoutMs;
    while (received_.size() - start < n) {
        int64_t left = deadline - NowMs();
        if (left <= 0) break;
        if (ReadSome(static_cast<int>(left)) == 0) break;
    }
    return received_.substr(start);
}

bool Connection::WaitForClose(int timeoutMs) {
    int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        int64_t left = deadline - NowMs();
        if (left <= 0) return false;
        if (ReadSome(static_cast<int>(left)) == 0) return true;
    }
}

Server::Server(Handler handler, int maxConnections) {
    listenFd_ = ListenOnLoopback(&port_);
    thread_ = std::thread(&Server::Run, this, std::move(handler), maxConnections);
}

Server::~Server() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
}

void Server::Run(Handler handler, int maxConnections) {
    int64_t deadline = NowMs() + 120000;  // a server never outlives two minutes
    while (!stop_.load() && accepted_.load() < maxConnections && NowMs() < deadline) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        {
            Connection conn(fd);
            handler(conn);
            std::lock_guard<std::mutex> guard(lock_);
            received_.push_back(conn.Received());
        }
        ++finished_;
    }
}

std::vector<std::string> Server::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

bool Server::WaitFinished(int n, int timeoutMs) const {
    int64_t deadline = NowMs() + timeoutMs;
    while (finished_.load() < n) {
        if (NowMs() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string Request(unsigned short port, const std::string& bytes, int timeoutMs) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return std::string();
    }
    Connection conn(fd);
    conn.Send(bytes);
    conn.WaitForClose(timeoutMs);
    return conn.Received();
}

unsigned short UnusedPort() {
    unsigned short port = 0;
    int fd = ListenOnLoopback(&port);
    if (fd >= 0) ::close(fd);
    return port;
}

}  // namespace loopback
