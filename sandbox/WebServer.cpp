#include "sandbox/WebServer.h"

#include <libsoup/soup.h>

#include <future>
#include <list>
#include <thread>

namespace sandbox {

namespace {

// A silent answer holds its connection at most this long.
constexpr unsigned kSilentHoldMs = 60000;
// Longest request body the server takes; a longer one is answered with 413
// and reaches no handler.
constexpr goffset kMaxBody = 4 * 1024 * 1024;

void CheckLength(SoupServerMessage* msg, gpointer) {
    SoupMessageHeaders* headers = soup_server_message_get_request_headers(msg);
    if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH &&
        soup_message_headers_get_content_length(headers) > kMaxBody) {
        soup_server_message_set_status(msg, SOUP_STATUS_REQUEST_ENTITY_TOO_LARGE, nullptr);
        soup_message_headers_replace(soup_server_message_get_response_headers(msg), "Connection", "close");
    }
}

void OnStarted(SoupServer*, SoupServerMessage* msg, gpointer) {
    g_signal_connect(msg, "got-headers", G_CALLBACK(CheckLength), nullptr);
}

const char* VersionText(SoupHTTPVersion v) {
    switch (v) {
        case SOUP_HTTP_1_0:
            return "HTTP/1.0";
        case SOUP_HTTP_2_0:
            return "HTTP/2";
        default:
            return "HTTP/1.1";
    }
}

HttpRequest ReadRequest(SoupServerMessage* msg) {
    HttpRequest req;
    req.method = soup_server_message_get_method(msg);
    GUri* uri = soup_server_message_get_uri(msg);
    const char* path = uri ? g_uri_get_path(uri) : nullptr;
    const char* query = uri ? g_uri_get_query(uri) : nullptr;
    req.target = path ? path : "/";
    if (query) req.target += std::string("?") + query;
    req.version = VersionText(soup_server_message_get_http_version(msg));
    SoupMessageHeadersIter iter;
    soup_message_headers_iter_init(&iter, soup_server_message_get_request_headers(msg));
    const char *name, *value;
    while (soup_message_headers_iter_next(&iter, &name, &value)) req.headers.emplace_back(name, value);
    GBytes* bytes = soup_message_body_flatten(soup_server_message_get_request_body(msg));
    gsize size = 0;
    const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    if (data) req.body.assign(data, size);
    g_bytes_unref(bytes);
    return req;
}

// Closes the connection of a message without an answer.
void Drop(SoupServerMessage* msg) {
    GIOStream* stream = soup_server_message_steal_connection(msg);
    if (stream) {
        g_io_stream_close(stream, nullptr, nullptr);
        g_object_unref(stream);
    }
}

}  // namespace

// The libsoup side: the main context, its thread, the server, and the
// handler threads. Everything libsoup touches runs on the server thread.
struct WebServer::Impl {
    WebServer* owner = nullptr;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    SoupServer* server = nullptr;
    std::thread thread;
    std::mutex lock;  // guards workers
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers;

    // A message on its way from a handler thread back to the server thread.
    struct Answer {
        Impl* impl;
        SoupServerMessage* msg;
        HttpResponse response;
    };

    // Answers handed from the handler threads to the server thread, under a
    // lock of our own (GLib's own hand-over is invisible to the thread
    // sanitizer).
    std::mutex answersLock;
    std::list<Answer*> answers;

    static void FreeAnswer(gpointer p) {
        auto* a = static_cast<Answer*>(p);
        g_object_unref(a->msg);
        delete a;
    }

    void Run(unsigned short wanted, std::promise<unsigned short>* ready) {
        g_main_context_push_thread_default(context);
        server = SOUP_SERVER(g_object_new(SOUP_TYPE_SERVER, nullptr));
        soup_server_add_handler(server, nullptr, &Impl::OnRequest, this, nullptr);
        g_signal_connect(server, "request-started", G_CALLBACK(OnStarted), nullptr);
        GSocketAddress* address = g_inet_socket_address_new_from_string("127.0.0.1", wanted);
        unsigned short port = 0;
        if (soup_server_listen(server, address, static_cast<SoupServerListenOptions>(0), nullptr)) {
            GSList* uris = soup_server_get_uris(server);
            if (uris) port = static_cast<unsigned short>(g_uri_get_port(static_cast<GUri*>(uris->data)));
            g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
        }
        g_object_unref(address);
        ready->set_value(port);
        if (port != 0) g_main_loop_run(loop);
        soup_server_disconnect(server);
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_object_unref(server);
        server = nullptr;
        g_main_context_pop_thread_default(context);
    }

    static void OnRequest(SoupServer*, SoupServerMessage* msg, const char*, GHashTable*, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        HttpRequest req = ReadRequest(msg);
        soup_server_message_pause(msg);
        g_object_ref(msg);
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard<std::mutex> guard(self->lock);
        self->workers.remove_if([](Worker& w) {
            if (!w.done->load()) return false;
            w.thread.join();
            return true;
        });
        self->workers.push_back(Worker{std::thread([self, msg, req = std::move(req), done]() {
                                           auto* a = new Answer{self, msg, self->owner->Dispatch(req)};
                                           {
                                               std::lock_guard<std::mutex> guard(self->answersLock);
                                               self->answers.push_back(a);
                                           }
                                           g_main_context_invoke(self->context, &Impl::Deliver, self);
                                           done->store(true);
                                       }),
                                       done});
    }

    // On the server thread: wait out the delay, then answer.
    static gboolean Deliver(gpointer p) {
        auto* self = static_cast<Impl*>(p);
        std::list<Answer*> ready;
        {
            std::lock_guard<std::mutex> guard(self->answersLock);
            ready.swap(self->answers);
        }
        for (Answer* a : ready) {
            if (a->response.silent) Schedule(a, kSilentHoldMs, &Impl::Hold);
            else Schedule(a, static_cast<unsigned>(a->response.delayMs > 0 ? a->response.delayMs : 0), &Impl::Respond);
        }
        return G_SOURCE_REMOVE;
    }

    static void Schedule(Answer* a, unsigned ms, GSourceFunc fn) {
        GSource* source = g_timeout_source_new(ms);
        g_source_set_callback(source, fn, a, &Impl::FreeAnswer);
        g_source_attach(source, a->impl->context);
        g_source_unref(source);
    }

    // A silent answer's time is up: the connection goes without a word.
    static gboolean Hold(gpointer p) {
        Drop(static_cast<Answer*>(p)->msg);
        return G_SOURCE_REMOVE;
    }

    static gboolean Respond(gpointer p) {
        auto* a = static_cast<Answer*>(p);
        SoupServerMessage* msg = a->msg;
        const HttpResponse& r = a->response;
        if (r.close) {
            Drop(msg);
            return G_SOURCE_REMOVE;
        }
        soup_server_message_set_status(msg, static_cast<guint>(r.status), nullptr);
        SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
        soup_message_headers_replace(headers, "Cache-Control", "no-store");
        // One request per connection, as the hand-written clients expect.
        soup_message_headers_replace(headers, "Connection", "close");
        if (!r.location.empty()) soup_message_headers_replace(headers, "Location", r.location.c_str());
        soup_server_message_set_response(msg, r.contentType.c_str(), SOUP_MEMORY_COPY, r.body.data(), r.body.size());
        soup_server_message_unpause(msg);
        return G_SOURCE_REMOVE;
    }
};

WebServer::WebServer() : WebServer(Handler(), 0) {}

WebServer::WebServer(Handler handler) : WebServer(std::move(handler), 0) {}

WebServer::WebServer(Handler handler, unsigned short port) : impl_(std::make_unique<Impl>()) {
    if (handler) Route("", std::move(handler));
    impl_->owner = this;
    impl_->context = g_main_context_new();
    impl_->loop = g_main_loop_new(impl_->context, FALSE);
    std::promise<unsigned short> ready;
    std::future<unsigned short> got = ready.get_future();
    impl_->thread = std::thread(&Impl::Run, impl_.get(), port, &ready);
    port_ = got.get();
}

WebServer::~WebServer() { Stop(); }

void WebServer::Stop() {
    if (stop_.exchange(true)) return;
    // The handlers finish first; what they answer is then dropped with the
    // connections when the loop ends.
    std::list<Impl::Worker> workers;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        workers.swap(impl_->workers);
    }
    for (auto& w : workers) w.thread.join();
    // The loop is told to end from inside: a quit called before the server
    // thread has entered the loop would be lost, and Stop would wait forever.
    GSource* quit = g_idle_source_new();
    g_source_set_callback(
        quit,
        [](gpointer loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        impl_->loop, nullptr);
    g_source_attach(quit, impl_->context);
    g_source_unref(quit);
    if (impl_->thread.joinable()) impl_->thread.join();
    // Handler threads started after the swap (a request read just before the
    // loop ended) have finished with the loop too.
    for (auto& w : impl_->workers) w.thread.join();
    impl_->workers.clear();
    for (Impl::Answer* a : impl_->answers) Impl::FreeAnswer(a);
    impl_->answers.clear();
    g_main_loop_unref(impl_->loop);
    g_main_context_unref(impl_->context);
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

size_t WebServer::RequestCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_.size();
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

}  // namespace sandbox
