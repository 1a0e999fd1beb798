// A small HTTP/1.1 server on 127.0.0.1 for browser tests: each connection
// on its own thread, one request per connection (answers close it), pages
// given by path. It records every request it receives.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httptest {

struct Request {
    std::string method, path, version;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

struct Response {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

class Server {
public:
    using Handler = std::function<Response(const Request&)>;
    explicit Server(Handler handler);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    unsigned short Port() const { return port_; }
    std::string Url(const std::string& path) const;
    std::vector<Request> Requests() const;

private:
    void Accept();
    void Serve(int fd);
    Handler handler_;
    int listenFd_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> active_{0};
    mutable std::mutex lock_;
    std::vector<Request> requests_;
    std::thread acceptor_;
};

// Decodes application/x-www-form-urlencoded text into its fields.
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body);

}  // namespace httptest
