#include "fuzz/support/peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace fuzzpeer {

namespace {

std::mutex g_lock;
std::condition_variable g_changed;
std::string g_reply;
unsigned long g_served = 0, g_waited = 0;

void Serve(int fd) {
    std::string reply;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        reply = g_reply;
    }
    for (size_t at = 0; at < reply.size();) {
        ssize_t n = send(fd, reply.data() + at, reply.size() - at, MSG_NOSIGNAL);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    char sink[4096];
    for (int rounds = 0; rounds < 1000; ++rounds) {  // the other side closes soon
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) break;
        if (recv(fd, sink, sizeof(sink), 0) <= 0) break;
    }
    close(fd);
}

void Run(int listener) {
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        Serve(fd);
        std::lock_guard<std::mutex> hold(g_lock);
        ++g_served;
        g_changed.notify_all();
    }
}

}  // namespace

unsigned short Port() {
    static unsigned short port = [] {
        int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(addr);
        if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
            listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            std::abort();
        std::thread(Run, listener).detach();
        return ntohs(addr.sin_port);
    }();
    return port;
}

void SetReply(const uint8_t* data, size_t size) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_reply.assign(reinterpret_cast<const char*>(data), size);
}

bool WaitServed(int timeoutMs) {
    std::unique_lock<std::mutex> hold(g_lock);
    ++g_waited;
    return g_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [] { return g_served >= g_waited; });
}

}  // namespace fuzzpeer
