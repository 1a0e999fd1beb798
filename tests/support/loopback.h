// Loopback peers for network tests: a server on 127.0.0.1 that runs a
// scripted handler for each connection it accepts, with every wait bounded.
// Only POSIX is used here; test files that speak Winsock include this header
// without seeing the system's socket declarations.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace loopback {

// One accepted connection, as a handler sees it.
class Connection {
public:
    explicit Connection(int fd) : fd_(fd) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Send(const std::string& bytes);
    // Reads until `marker` has arrived, the peer closes or the time passes;
    // returns everything read by this call.
    std::string ReadUntil(const std::string& marker, int timeoutMs);
    // Reads until n bytes have arrived (or close, or time-out).
    std::string ReadExactly(size_t n, int timeoutMs);
    // Waits for the peer to close; true if it did within the time.
    bool WaitForClose(int timeoutMs);
    void Close();
    // Everything received on this connection so far.
    const std::string& Received() const { return received_; }

private:
    // Reads once (with a bounded wait). 0 closed, -1 time-out or error.
    int ReadSome(int timeoutMs);
    int fd_;
    std::string received_;
};

class Server {
public:
    using Handler = std::function<void(Connection&)>;
    // Accepts up to maxConnections connections, one after the other, and
    // runs the handler for each; stops by itself after that, or when
    // destroyed.
    explicit Server(Handler handler, int maxConnections = 1);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    unsigned short Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }
    // What each finished connection received, in order of acceptance.
    std::vector<std::string> Received() const;
    // Waits until `n` connections are finished (bounded).
    bool WaitFinished(int n, int timeoutMs) const;

private:
    void Run(Handler handler, int maxConnections);
    int listenFd_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> finished_{0};
    mutable std::mutex lock_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// A client's exchange: connects to 127.0.0.1:port, sends the bytes and
// returns everything received until the server closes (or the time passes).
std::string Request(unsigned short port, const std::string& bytes, int timeoutMs);

// A loopback port on which nothing listens (bound and released again).
unsigned short UnusedPort();

}  // namespace loopback
