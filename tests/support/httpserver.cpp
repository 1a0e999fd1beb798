#include "tests/support/httpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>

namespace httptest {

Server::Server(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    socklen_t len = sizeof(addr);
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listenFd_, 16);
    acceptor_ = std::thread([this] { Accept(); });
}

Server::~Server() {
    stop_ = true;
    acceptor_.join();
    close(listenFd_);
    // Connection threads are detached; wait (bounded) for them to finish.
    for (int i = 0; i < 500 && active_.load() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::string Server::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<Request> Server::Requests() const {
    std::lock_guard<std::mutex> g(lock_);
    return requests_;
}

void Server::Accept() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        ++active_;
        std::thread([this, fd] {
            Serve(fd);
            close(fd);
            --active_;
        }).detach();
    }
}

namespace {

bool ReadMore(int fd, std::string& buf, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    char tmp[8192];
    ssize_t n = recv(fd, tmp, sizeof(tmp), 0);
    if (n <= 0) return false;
    buf.append(tmp, static_cast<size_t>(n));
    return true;
}

}  // namespace

void Server::Serve(int fd) {
    std::string buf;
    size_t headerEnd;
    while ((headerEnd = buf.find("\r\n\r\n")) == std::string::npos)
        if (stop_ || !ReadMore(fd, buf, 5000)) return;
    Request req;
    std::string head = buf.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    size_t s1 = first.find(' '), s2 = first.rfind(' ');
    if (s1 == std::string::npos || s2 == s1) return;
    req.method = first.substr(0, s1);
    req.path = first.substr(s1 + 1, s2 - s1 - 1);
    req.version = first.substr(s2 + 1);
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t e = head.find("\r\n", pos);
        if (e == std::string::npos) e = head.size();
        std::string line = head.substr(pos, e - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            req.headers[name] = value;
        }
        pos = e + 2;
    }
    size_t length = req.headers.count("content-length") ? std::stoul(req.headers["content-length"]) : 0;
    std::string body = buf.substr(headerEnd + 4);
    while (body.size() < length)
        if (!ReadMore(fd, body, 5000)) break;
    req.body = body.substr(0, length);
    {
        std::lock_guard<std::mutex> g(lock_);
        requests_.push_back(req);
    }
    Response res = handler_(req);
    std::string out = "HTTP/1.1 " + std::to_string(res.status) + (res.status == 200 ? " OK" : " Status") + "\r\n";
    out += "Content-Type: " + res.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(res.body.size()) + "\r\n";
    for (const auto& [n, v] : res.headers) out += n + ": " + v + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += res.body;
    size_t sent = 0;
    while (sent < out.size()) {
        ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    std::string rest;
    while (ReadMore(fd, rest, 200)) {
    }
}

std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
    auto decode = [](const std::string& s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out.push_back(' ');
            } else if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                       std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
                out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
                i += 2;
            } else {
                out.push_back(s[i]);
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos) end = body.size();
        std::string piece = body.substr(start, end - start);
        if (!piece.empty()) {
            size_t eq = piece.find('=');
            fields.emplace_back(decode(piece.substr(0, eq)), eq == std::string::npos ? "" : decode(piece.substr(eq + 1)));
        }
        start = end + 1;
    }
    return fields;
}

}  // namespace httptest
