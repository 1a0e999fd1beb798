// A real HTTP proxy for tests: Debian's tinyproxy, started on a loopback
// port with its own configuration and stopped again (by its process id)
// when the object goes.
#pragma once

#include <string>
#include <sys/types.h>

namespace proxytest {

class Tinyproxy {
public:
    Tinyproxy();
    ~Tinyproxy();
    Tinyproxy(const Tinyproxy&) = delete;
    Tinyproxy& operator=(const Tinyproxy&) = delete;

    // False when the proxy could not be started (Error() says why).
    bool Running() const { return pid_ > 0 && port_ != 0; }
    const std::string& Error() const { return error_; }
    unsigned short Port() const { return port_; }
    // "http://127.0.0.1:port" for http_proxy.
    std::string Url() const;

private:
    pid_t pid_ = -1;
    unsigned short port_ = 0;
    std::string dir_;
    std::string error_;
};

}  // namespace proxytest
