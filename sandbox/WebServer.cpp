#include "sandbox/WebServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sandbox {

namespace {

constexpr size_t kMaxHeader = 64 * 1024;
constexpr size_t kMaxBody = 4 * 1024 * 1024;
constexpr int kReadTimeoutMs = 15000;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string UrlDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out.push_back(' ');
        } else if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

bool SendAll(int fd, const std::string& data) {
    size_t off = 0;
    while (off < data.size()) {
        ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string HttpRequest::Path() const { return target.substr(0, target.find('?')); }

std::string HttpRequest::Header(const std::string& name) const {
    std::string want = Lower(name);
    for (const auto& [k, v] : headers)
        if (Lower(k) == want) return v;
    return "";
}

std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    while (i <= body.size()) {
        size_t amp = body.find('&', i);
        if (amp == std::string::npos) amp = body.size();
        std::string part = body.substr(i, amp - i);
        if (!part.empty()) {
            size_t eq = part.find('=');
            if (eq == std::string::npos) out.emplace_back(UrlDecode(part), "");
            else out.emplace_back(UrlDecode(part.substr(0, eq)), UrlDecode(part.substr(eq + 1)));
        }
        i = amp + 1;
    }
    return out;
}

std::string FormValue(const std::vector<std::pair<std::string, std::string>>& form, const std::string& name) {
    for (const auto& [k, v] : form)
        if (k == name) return v;
    return "";
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

WebServer::WebServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 && ::listen(listenFd_, 32) == 0) {
        socklen_t len = sizeof(addr);
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    acceptThread_ = std::thread(&WebServer::AcceptLoop, this);
}

WebServer::WebServer(Handler handler) : WebServer() { Route("", std::move(handler)); }

WebServer::~WebServer() { Stop(); }

void WebServer::Stop() {
    if (stop_.exchange(true)) return;
    if (acceptThread_.joinable()) acceptThread_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> guard(lock_);
        workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
}

void WebServer::Route(const std::string& prefix, Handler handler) {
    std::lock_guard<std::mutex> guard(lock_);
    routes_.emplace_back(prefix, std::move(handler));
}

std::string WebServer::Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

std::vector<HttpRequest> WebServer::Requests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

void WebServer::AcceptLoop() {
    while (!stop_.load()) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> guard(lock_);
        workers_.emplace_back(&WebServer::Serve, this, fd);
    }
}

HttpResponse WebServer::Dispatch(const HttpRequest& request) {
    Handler handler;
    size_t best = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(request);
        std::string path = request.Path();
        for (const auto& [prefix, h] : routes_) {
            if (path.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= best) {
                best = prefix.size();
                handler = h;
            }
        }
    }
    if (!handler) {
        HttpResponse r;
        r.status = 404;
        r.body = "<html><body>Not Found</body></html>";
        return r;
    }
    return handler(request);
}

void WebServer::Serve(int fd) {
    std::string data;
    int64_t deadline = NowMs() + kReadTimeoutMs;
    auto readMore = [&]() {
        pollfd p{fd, POLLIN, 0};
        while (!stop_.load() && NowMs() < deadline) {
            int rc = ::poll(&p, 1, 50);
            if (rc < 0 && errno != EINTR) return false;
            if (rc <= 0) continue;
            char buf[8192];
            ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
            if (n <= 0) return false;
            data.append(buf, static_cast<size_t>(n));
            return true;
        }
        return false;
    };
    // One request per connection; the response closes it. Lines may end in
    // CR LF or in a lone LF, as lenient servers accept.
    auto headerEnd = [&](size_t* bodyStart) {
        size_t a = data.find("\r\n\r\n"), b = data.find("\n\n");
        if (a == std::string::npos && b == std::string::npos) return std::string::npos;
        if (b == std::string::npos || (a != std::string::npos && a < b)) {
            *bodyStart = a + 4;
            return a;
        }
        *bodyStart = b + 2;
        return b;
    };
    size_t end, bodyStart = 0;
    while ((end = headerEnd(&bodyStart)) == std::string::npos) {
        if (data.size() > kMaxHeader || !readMore()) {
            ::close(fd);
            return;
        }
    }
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < end;) {
        size_t e = data.find('\n', pos);
        if (e == std::string::npos || e > end) e = end;
        std::string line = data.substr(pos, e - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = e + 1;
    }
    HttpRequest req;
    std::string requestLine = lines.empty() ? std::string() : lines[0];
    size_t s1 = requestLine.find(' '), s2 = requestLine.rfind(' ');
    if (s1 == std::string::npos || s2 == s1) {
        ::close(fd);
        return;
    }
    req.method = requestLine.substr(0, s1);
    req.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
    req.version = requestLine.substr(s2 + 1);
    for (size_t i = 1; i < lines.size(); ++i) {
        size_t colon = lines[i].find(':');
        if (colon == std::string::npos) continue;
        std::string value = lines[i].substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        req.headers.emplace_back(lines[i].substr(0, colon), value);
    }
    size_t length = 0;
    std::string cl = req.Header("Content-Length");
    if (!cl.empty()) length = std::strtoul(cl.c_str(), nullptr, 10);
    if (length > kMaxBody) {
        ::close(fd);
        return;
    }
    while (data.size() - bodyStart < length) {
        if (!readMore()) break;
    }
    req.body = data.substr(bodyStart, length);

    HttpResponse resp = Dispatch(req);
    if (resp.silent) {
        int64_t until = NowMs() + 60000;
        pollfd p{fd, POLLIN, 0};
        char buf[256];
        while (!stop_.load() && NowMs() < until) {
            if (::poll(&p, 1, 50) > 0 && ::recv(fd, buf, sizeof(buf), 0) <= 0) break;
        }
        ::close(fd);
        return;
    }
    for (int waited = 0; waited < resp.delayMs && !stop_.load(); waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string out = "HTTP/1.1 " + std::to_string(resp.status) + " " + Reason(resp.status) + "\r\n";
    out += "Content-Type: " + resp.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(resp.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    out += resp.body;
    SendAll(fd, out);
    ::shutdown(fd, SHUT_WR);
    // Let the client read everything before the descriptor goes.
    pollfd p{fd, POLLIN, 0};
    char buf[256];
    int64_t until = NowMs() + 2000;
    while (NowMs() < until && ::poll(&p, 1, 50) >= 0) {
        if (p.revents != 0 && ::recv(fd, buf, sizeof(buf), 0) <= 0) break;
    }
    ::close(fd);
}

}  // namespace sandbox
