#include "tests/support/http.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace httptest {

std::string HeaderValue(const std::string& message, const std::string& name) {
    size_t end = message.find("\r\n\r\n");
    std::string head = message.substr(0, end);
    size_t pos = 0;
    while (pos < head.size()) {
        size_t eol = head.find('\n', pos);
        if (eol == std::string::npos) eol = head.size();
        std::string line = head.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > name.size() && line[name.size()] == ':' &&
            strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
            size_t v = name.size() + 1;
            while (v < line.size() && line[v] == ' ') ++v;
            return line.substr(v);
        }
    }
    return std::string();
}

bool RequestComplete(const std::string& data) {
    size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::string length = HeaderValue(data, "Content-Length");
    size_t want = length.empty() ? 0 : static_cast<size_t>(std::strtoul(length.c_str(), nullptr, 10));
    return data.size() >= end + 4 + want;
}

std::string ReadRequest(loopback::Connection& c, int timeoutMs) {
    std::string got = c.ReadUntil("\r\n\r\n", timeoutMs);
    for (int k = 0; k < 1000 && !RequestComplete(got); ++k) {
        std::string more = c.ReadExactly(1, timeoutMs / 10 + 1);
        if (more.empty()) break;
        got += more;
    }
    return got;
}

std::string Response(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

loopback::Server::Handler Reply(const std::string& reply) {
    return [reply](loopback::Connection& c) {
        ReadRequest(c);
        c.Send(reply);
    };
}

loopback::Server::Handler Silence(int timeoutMs) {
    return [timeoutMs](loopback::Connection& c) {
        ReadRequest(c);
        c.WaitForClose(timeoutMs);
    };
}

}  // namespace httptest
