// A small HTTP/1.1 server on 127.0.0.1 for the sandbox, served by libsoup's
// SoupServer on a main context and thread of its own (never the default
// context that the dialogs' modal loops run). Each handler runs on a worker
// thread of its own, so a slow handler holds up no other request; every wait
// is bounded and every request recorded.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace sandbox {

struct HttpRequest {
    std::string method;
    std::string target;  // path and query as sent
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    std::string Path() const;
    // The first header of that name (case-insensitive), or "".
    std::string Header(const std::string& name) const;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/html; charset=windows-1252";
    std::string body;
    // Wait this long before answering.
    int delayMs = 0;
    // Answer nothing; hold the connection until the client closes it or the
    // server stops (at most a minute).
    bool silent = false;
    // Close the connection without answering (after delayMs).
    bool close = false;
    // A Location header (a redirect, with a 3xx status) when not empty.
    std::string location;
};

// Decodes an application/x-www-form-urlencoded body ("+" is a blank, %XX a
// byte) into its fields, in order.
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body);
// The value of the first field of that name, or "".
std::string FormValue(const std::vector<std::pair<std::string, std::string>>& form, const std::string& name);
// Escapes text for HTML.
std::string HtmlEscape(const std::string& text);

class WebServer {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    WebServer();
    // A server whose every request goes to one handler.
    explicit WebServer(Handler handler);
    // On the given port (0: a free one); an empty handler routes nothing.
    // Port() is 0 when the port cannot be had.
    WebServer(Handler handler, unsigned short port);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Requests whose path starts with `prefix` go to the handler (the longest
    // matching prefix wins); others get 404.
    void Route(const std::string& prefix, Handler handler);
    unsigned short Port() const { return port_; }
    std::string Url(const std::string& path) const;
    std::vector<HttpRequest> Requests() const;
    void Stop();

    // The requests served so far, for a caller that prints them as they come.
    size_t RequestCount() const;

private:
    struct Impl;
    friend struct Impl;
    HttpResponse Dispatch(const HttpRequest& request);

    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<std::pair<std::string, Handler>> routes_;
    std::vector<HttpRequest> requests_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sandbox
