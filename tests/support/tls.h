// TLS peers for tests: a small public-key infrastructure made at run time
// (a test authority and server certificates signed by it) and a loopback
// TLS server that answers one request per connection.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tlstest {

struct Credentials {
    std::string certPem;
    std::string keyPem;
};

struct Pki {
    std::string caFile;        // the test authority's certificate, as a PEM file
    Credentials good;          // for 127.0.0.1 and localhost, valid now
    Credentials expired;       // for 127.0.0.1, expired yesterday
    Credentials wrongName;     // valid now, but for wrong-name.test only
    Credentials otherAuthority;  // for 127.0.0.1, valid, from an authority nobody trusts
};

// Made once per process, in a fresh temporary directory.
const Pki& TestPki();

class TlsServer {
public:
    // Accepts up to maxConnections connections one after the other; on each
    // that completes the handshake it reads one request and sends `reply`.
    // A port of 0 takes a free one; a given port (443, say) is bound as
    // soon as it is free, within a few seconds (Port() is 0 otherwise).
    TlsServer(const Credentials& credentials, std::string reply, int maxConnections = 1, unsigned short port = 0);
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    unsigned short Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }
    int Handshakes() const { return handshakes_.load(); }
    std::vector<std::string> Received() const;
    // Requests that came in clear text instead of a handshake (read whole,
    // then the connection is closed unanswered, as the handshake fails).
    std::vector<std::string> ClearRequests() const;
    // Waits until n connections are finished (bounded).
    bool WaitFinished(int n, int timeoutMs) const;

private:
    void Run(int maxConnections);
    Credentials credentials_;
    std::string reply_;
    int listenFd_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> handshakes_{0};
    std::atomic<int> finished_{0};
    mutable std::mutex lock_;
    std::vector<std::string> received_;
    std::vector<std::string> clear_;
    std::thread thread_;
};

}  // namespace tlstest
