// WinINet on libcurl.
//
// Handles are entries of a table, numbered upwards and never reused. A
// session, a connection and a request are objects of one kind each; a child
// keeps its parent alive and the parent knows its children, so that closing
// a handle closes everything opened under it. A request runs its transfer on
// its own curl multi handle: the calling thread drives it, waiting in
// curl_multi_poll at most 100 ms at a time, and InternetCloseHandle wakes
// that wait with curl_multi_wakeup, so a blocked call sees the close at
// once. Every call on a request holds a reference to it while it runs; the
// curl handles go away with the last reference.
//
// TLS (wininet_tls.cpp): the peer is verified against the trusted
// authorities, with the failures the request's security flags relax let
// through; the host name check is curl's, switched off by the CN flag. URLs
// are split in wininet_url.cpp.

#include "platform/wininet/wininet.h"

#include <curl/curl.h>
#include <strings.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/wininet/posix/wininet_layer.h"
#include "platform/wininet/posix/wininet_proxy.h"

namespace wininet_layer {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

BOOL Succeed() {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

namespace {

constexpr DWORD kDefaultConnectTimeoutMs = 60000;
constexpr DWORD kDefaultSendTimeoutMs = 30000;
constexpr DWORD kDefaultReceiveTimeoutMs = 30000;
constexpr size_t kBufferedBodyLimit = 64 * 1024;  // received but unread bytes before the transfer pauses
constexpr long kMaxRedirects = 10;
constexpr int kPollMs = 100;

enum class Kind { Session, Connect, Request };

// One sending of a request and its response.
struct Transfer {
    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer() {
        if (added) curl_multi_remove_handle(multi, easy);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }
    size_t Pending() const { return body.size() - bodyOffset; }

    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    bool added = false;
    bool followRedirects = true;
    TlsCheck tls;  // the request's security flags, and the first failure not relaxed
    // The header block being received.
    int blockStatus = 0;
    std::string blockReason;
    bool blockLocation = false;
    // The final response.
    bool headersFinal = false;
    int status = 0;
    std::string reason;
    std::string body;
    size_t bodyOffset = 0;
    size_t want = kBufferedBodyLimit;
    bool paused = false;
    bool done = false;
    CURLcode result = CURLE_OK;
};

struct Object {
    explicit Object(Kind k) : kind(k) {}
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const Kind kind;
    uintptr_t id = 0;
    std::shared_ptr<Object> parent;
    std::vector<std::weak_ptr<Object>> children;  // under g_lock
    std::atomic<bool> closed{false};
    std::atomic<DWORD> connectTimeoutMs{kDefaultConnectTimeoutMs};
    std::atomic<DWORD> sendTimeoutMs{kDefaultSendTimeoutMs};
    std::atomic<DWORD> receiveTimeoutMs{kDefaultReceiveTimeoutMs};
    // Session.
    std::string agent;
    ProxySettings proxy;
    // Connection.
    std::string host;
    INTERNET_PORT port = 0;
    // Request.
    std::string verb, object, version, referrer, accept;
    DWORD flags = 0;
    std::atomic<DWORD> securityFlags{0};
    std::mutex callLock;  // one call at a time on a request
    bool sent = false;    // under callLock
    std::unique_ptr<Transfer> transfer;  // under callLock
    std::mutex wakeLock;                 // guards wakeTarget
    CURLM* wakeTarget = nullptr;
};

std::mutex g_lock;
std::unordered_map<uintptr_t, std::shared_ptr<Object>> g_handles;
uintptr_t g_nextHandle = 0x00CC0004;
std::string g_caFile;  // under g_lock; empty for the system's authorities
std::once_flag g_initOnce;

void InitOnce() {
    std::call_once(g_initOnce, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        InitTls();
    });
}


HINTERNET FailHandle(DWORD error) {
    SetLastError(error);
    return nullptr;
}


// The object of a handle, or null with the error to report.
std::shared_ptr<Object> Acquire(HINTERNET h, DWORD* error) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_handles.find(reinterpret_cast<uintptr_t>(h));
    if (it == g_handles.end()) {
        *error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return it->second;
}

std::shared_ptr<Object> AcquireKind(HINTERNET h, Kind kind, DWORD* error) {
    auto obj = Acquire(h, error);
    if (obj && obj->kind != kind) {
        *error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
        return nullptr;
    }
    return obj;
}

// Enters a new object under its parent; fails when the parent has been
// closed meanwhile.
HINTERNET Register(const std::shared_ptr<Object>& obj) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (obj->parent && obj->parent->closed.load()) return FailHandle(ERROR_INVALID_HANDLE);
    obj->id = g_nextHandle;
    g_nextHandle += 4;
    g_handles.emplace(obj->id, obj);
    if (obj->parent) obj->parent->children.push_back(obj);
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HINTERNET>(obj->id);
}

void InheritTimeouts(Object& child, const Object& parent) {
    child.connectTimeoutMs.store(parent.connectTimeoutMs.load());
    child.sendTimeoutMs.store(parent.sendTimeoutMs.load());
    child.receiveTimeoutMs.store(parent.receiveTimeoutMs.load());
}

// Installs the transfer that a close must wake (or none) and disposes of
// the one before, which no close can reach any more.
void ReplaceTransfer(Object& r, std::unique_ptr<Transfer> next) {
    std::unique_ptr<Transfer> old;
    {
        std::lock_guard<std::mutex> guard(r.wakeLock);
        r.wakeTarget = next ? next->multi : nullptr;
        old = std::move(r.transfer);
        r.transfer = std::move(next);
    }
}

// ---------------------------------------------------------------- the transfer

size_t HeaderCallback(char* data, size_t size, size_t count, void* userp) {
    auto* t = static_cast<Transfer*>(userp);
    size_t len = size * count;
    std::string line(data, len);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new header block: an interim, redirect or final response.
        t->blockStatus = 0;
        t->blockReason.clear();
        t->blockLocation = false;
        size_t sp = line.find(' ');
        if (sp != std::string::npos) {
            t->blockStatus = std::atoi(line.c_str() + sp + 1);
            size_t sp2 = line.find(' ', sp + 1);
            if (sp2 != std::string::npos) t->blockReason = line.substr(sp2 + 1);
        }
    } else if (line.empty()) {
        int code = t->blockStatus;
        bool redirect = t->followRedirects && t->blockLocation &&
                        (code == 301 || code == 302 || code == 303 || code == 307 || code == 308);
        if (code >= 200 && !redirect) {
            t->headersFinal = true;
            t->status = code;
            t->reason = t->blockReason;
        }
    } else if (strncasecmp(line.c_str(), "Location:", 9) == 0) {
        t->blockLocation = true;
    }
    return len;
}

size_t WriteCallback(char* data, size_t size, size_t count, void* userp) {
    auto* t = static_cast<Transfer*>(userp);
    size_t len = size * count;
    if (!t->headersFinal) return len;  // the body of a response that is not the final one
    if (t->Pending() >= t->want) {
        t->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (t->bodyOffset == t->body.size()) {
        t->body.clear();
        t->bodyOffset = 0;
    }
    t->body.append(data, len);
    return len;
}

enum class Driven { Ready, Done, Cancelled };

// Runs the transfer until `ready` holds, the transfer ends, or the handle
// is closed.
template <class Ready>
Driven Drive(Object& r, Transfer& t, Ready ready) {
    for (;;) {
        if (r.closed.load()) return Driven::Cancelled;
        if (ready()) return Driven::Ready;
        if (t.done) return Driven::Done;
        int running = 0;
        curl_multi_perform(t.multi, &running);
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(t.multi, &left)) {
            if (m->msg == CURLMSG_DONE) {
                t.done = true;
                t.result = m->data.result;
            }
        }
        if (r.closed.load()) return Driven::Cancelled;
        if (ready()) return Driven::Ready;
        if (t.done) return Driven::Done;
        curl_multi_poll(t.multi, nullptr, 0, kPollMs, nullptr);
    }
}

// The object name as it goes on the request line: rooted, without a
// fragment, blanks, controls and 8-bit bytes escaped.
std::string RequestPath(const std::string& object) {
    std::string path;
    if (object.empty() || (object[0] != '/')) path.push_back('/');
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : object) {
        if (c == '#') break;
        if (c <= 0x20 || c >= 0x7F) {
            path.push_back('%');
            path.push_back(hex[c >> 4]);
            path.push_back(hex[c & 15]);
        } else {
            path.push_back(static_cast<char>(c));
        }
    }
    return path;
}

// Builds the transfer of one sending; null when curl cannot be set up.
std::unique_ptr<Transfer> PrepareTransfer(Object& r, const std::string& callerHeaders, const char* body,
                                          DWORD bodyLength) {
    const Object& conn = *r.parent;
    const Object& session = *conn.parent;
    auto t = std::make_unique<Transfer>();
    t->easy = curl_easy_init();
    t->multi = curl_multi_init();
    if (t->easy == nullptr || t->multi == nullptr) return nullptr;
    bool secure = (r.flags & INTERNET_FLAG_SECURE) != 0;
    INTERNET_PORT port = conn.port;
    if (port == INTERNET_INVALID_PORT_NUMBER) port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    std::string url = std::string(secure ? "https://" : "http://") + conn.host + ":" + std::to_string(port) +
                      RequestPath(r.object);
    t->followRedirects = (r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
    t->tls.securityFlags = r.securityFlags.load();

    CURL* e = t->easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                     r.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    if (!session.agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, session.agent.c_str());
    if (!r.referrer.empty()) curl_easy_setopt(e, CURLOPT_REFERER, r.referrer.c_str());
    // The session's proxy decision, never curl's own reading of the environment.
    const std::string& proxy = secure ? session.proxy.https : session.proxy.http;
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(e, CURLOPT_NOPROXY, session.proxy.bypass.c_str());
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, t->followRedirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(r.connectTimeoutMs.load()));
    // A response that stalls (nothing received for the receive time-out) fails.
    long stallSeconds = static_cast<long>((r.receiveTimeoutMs.load() + 999) / 1000);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, stallSeconds > 0 ? stallSeconds : 1L);

    if (strcasecmp(r.verb.c_str(), "GET") == 0) {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        if (strcasecmp(r.verb.c_str(), "POST") == 0)
            curl_easy_setopt(e, CURLOPT_POST, 1L);
        else
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(bodyLength));
        curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, body != nullptr ? body : "");
    }

    // Headers: the accept types, then the caller's lines in their order.
    std::string accept = r.accept.empty() ? std::string("Accept:") : "Accept: " + r.accept;
    t->headers = curl_slist_append(t->headers, accept.c_str());
    size_t pos = 0;
    while (pos < callerHeaders.size()) {
        size_t end = callerHeaders.find('\n', pos);
        if (end == std::string::npos) end = callerHeaders.size();
        std::string line = callerHeaders.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (!line.empty()) t->headers = curl_slist_append(t->headers, line.c_str());
    }
    t->headers = curl_slist_append(t->headers, "Expect:");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headers);

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, t.get());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());

    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, (t->tls.securityFlags & SECURITY_FLAG_IGNORE_CERT_CN_INVALID) ? 0L : 2L);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, SslContextCallback);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, &t->tls);
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!g_caFile.empty()) {
            curl_easy_setopt(e, CURLOPT_CAINFO, g_caFile.c_str());
            curl_easy_setopt(e, CURLOPT_CAPATH, nullptr);
        }
    }
    if (curl_multi_add_handle(t->multi, e) != CURLM_OK) return nullptr;
    t->added = true;
    return t;
}

}  // namespace
}  // namespace wininet_layer

using namespace wininet_layer;  // NOLINT: the API lives in the global namespace, as on Windows

// ---------------------------------------------------------------- the API

HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                        DWORD dwFlags) {
    constexpr DWORD kAsync = 0x10000000;
    if ((dwFlags & kAsync) != 0) return FailHandle(ERROR_INVALID_PARAMETER);
    InitOnce();
    auto s = std::make_shared<Object>(Kind::Session);
    s->agent = lpszAgent != nullptr ? lpszAgent : "";
    switch (dwAccessType) {
        case INTERNET_OPEN_TYPE_PRECONFIG:
            s->proxy = ReadPreconfiguredProxy();
            break;
        case INTERNET_OPEN_TYPE_DIRECT:
            break;
        case INTERNET_OPEN_TYPE_PROXY:
            if (lpszProxy == nullptr || lpszProxy[0] == '\0') return FailHandle(ERROR_INVALID_PARAMETER);
            s->proxy = ParseProxyServer(lpszProxy, lpszProxyBypass);
            break;
        default:
            return FailHandle(ERROR_INVALID_PARAMETER);
    }
    return Register(s);
}

HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort, LPCSTR, LPCSTR,
                           DWORD dwService, DWORD, DWORD_PTR) {
    DWORD error = 0;
    auto session = AcquireKind(hInternet, Kind::Session, &error);
    if (!session) return FailHandle(error);
    if (dwService != INTERNET_SERVICE_HTTP || lpszServerName == nullptr || lpszServerName[0] == '\0')
        return FailHandle(ERROR_INVALID_PARAMETER);
    auto c = std::make_shared<Object>(Kind::Connect);
    c->parent = session;
    c->host = lpszServerName;
    c->port = nServerPort;
    InheritTimeouts(*c, *session);
    return Register(c);
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                           LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR) {
    DWORD error = 0;
    auto conn = AcquireKind(hConnect, Kind::Connect, &error);
    if (!conn) return FailHandle(error);
    auto r = std::make_shared<Object>(Kind::Request);
    r->parent = conn;
    r->verb = lpszVerb != nullptr && lpszVerb[0] != '\0' ? lpszVerb : "GET";
    r->object = lpszObjectName != nullptr ? lpszObjectName : "/";
    r->version = lpszVersion != nullptr ? lpszVersion : "HTTP/1.1";
    r->referrer = lpszReferrer != nullptr ? lpszReferrer : "";
    for (LPCSTR* p = lplpszAcceptTypes; p != nullptr && *p != nullptr; ++p) {
        if (!r->accept.empty()) r->accept += ", ";
        r->accept += *p;
    }
    r->flags = dwFlags;
    // The request's certificate flags have the values of the security flags they stand for.
    r->securityFlags.store(dwFlags & (INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID));
    InheritTimeouts(*r, *conn);
    return Register(r);
}

BOOL InternetQueryOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, LPDWORD lpdwBufferLength) {
    DWORD error = 0;
    auto obj = Acquire(hInternet, &error);
    if (!obj) return Fail(error);
    if (lpdwBufferLength == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    DWORD value = 0;
    switch (dwOption) {
        case INTERNET_OPTION_SECURITY_FLAGS:
            if (obj->kind != Kind::Request) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
            value = obj->securityFlags.load();
            break;
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            value = obj->connectTimeoutMs.load();
            break;
        case INTERNET_OPTION_SEND_TIMEOUT:
            value = obj->sendTimeoutMs.load();
            break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            value = obj->receiveTimeoutMs.load();
            break;
        default:
            return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
    if (lpBuffer == nullptr || *lpdwBufferLength < sizeof(DWORD)) {
        *lpdwBufferLength = sizeof(DWORD);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpBuffer, &value, sizeof(value));
    *lpdwBufferLength = sizeof(DWORD);
    return Succeed();
}

BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength) {
    DWORD error = 0;
    auto obj = Acquire(hInternet, &error);
    if (!obj) return Fail(error);
    if (lpBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (dwBufferLength != sizeof(DWORD)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
    DWORD value;
    std::memcpy(&value, lpBuffer, sizeof(value));
    switch (dwOption) {
        case INTERNET_OPTION_SECURITY_FLAGS:
            if (obj->kind != Kind::Request) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
            obj->securityFlags.store(value);
            break;
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            obj->connectTimeoutMs.store(value);
            break;
        case INTERNET_OPTION_SEND_TIMEOUT:
            obj->sendTimeoutMs.store(value);
            break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            obj->receiveTimeoutMs.store(value);
            break;
        default:
            return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
    return Succeed();
}

BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength) {
    DWORD error = 0;
    auto r = AcquireKind(hRequest, Kind::Request, &error);
    if (!r) return Fail(error);
    std::lock_guard<std::mutex> call(r->callLock);
    std::string headers;
    if (lpszHeaders != nullptr) {
        headers = dwHeadersLength == static_cast<DWORD>(-1) ? std::string(lpszHeaders)
                                                            : std::string(lpszHeaders, strnlen(lpszHeaders, dwHeadersLength));
    }
    if (lpOptional == nullptr) dwOptionalLength = 0;
    r->sent = false;
    auto t = PrepareTransfer(*r, headers, static_cast<const char*>(lpOptional), dwOptionalLength);
    if (!t) return Fail(ERROR_INTERNET_INTERNAL_ERROR);
    ReplaceTransfer(*r, std::move(t));
    Transfer& tr = *r->transfer;
    Driven d = Drive(*r, tr, [&] { return tr.headersFinal; });
    if (d == Driven::Cancelled) {
        ReplaceTransfer(*r, nullptr);
        return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    }
    if (!tr.headersFinal) {
        if (tr.result != CURLE_OK) {
            DWORD mapped = MapCurlError(tr.result, tr.tls.failure);
            ReplaceTransfer(*r, nullptr);
            return Fail(mapped);
        }
        // Ended without a final header block that we recognised: take curl's view.
        long code = 0;
        curl_easy_getinfo(tr.easy, CURLINFO_RESPONSE_CODE, &code);
        if (code == 0) {
            ReplaceTransfer(*r, nullptr);
            return Fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        }
        tr.headersFinal = true;
        tr.status = static_cast<int>(code);
    }
    r->sent = true;
    return Succeed();
}

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength, LPDWORD) {
    DWORD error = 0;
    auto r = AcquireKind(hRequest, Kind::Request, &error);
    if (!r) return Fail(error);
    if (lpdwBufferLength == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> call(r->callLock);
    if (!r->sent || !r->transfer) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const Transfer& t = *r->transfer;
    DWORD level = dwInfoLevel & 0xFFFF;
    bool number = (dwInfoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
    std::string text;
    if (level == HTTP_QUERY_STATUS_CODE) {
        if (number) {
            if (lpBuffer == nullptr || *lpdwBufferLength < sizeof(DWORD)) {
                *lpdwBufferLength = sizeof(DWORD);
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            }
            DWORD value = static_cast<DWORD>(t.status);
            std::memcpy(lpBuffer, &value, sizeof(value));
            *lpdwBufferLength = sizeof(DWORD);
            return Succeed();
        }
        text = std::to_string(t.status);
    } else if (level == HTTP_QUERY_STATUS_TEXT && !number) {
        text = t.reason;
    } else {
        return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
    }
    if (lpBuffer == nullptr || *lpdwBufferLength < text.size() + 1) {
        *lpdwBufferLength = static_cast<DWORD>(text.size() + 1);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(text.size());
    return Succeed();
}

BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead, LPDWORD lpdwNumberOfBytesRead) {
    DWORD error = 0;
    auto r = AcquireKind(hFile, Kind::Request, &error);
    if (!r) return Fail(error);
    if (lpdwNumberOfBytesRead == nullptr || (lpBuffer == nullptr && dwNumberOfBytesToRead > 0))
        return Fail(ERROR_INVALID_PARAMETER);
    *lpdwNumberOfBytesRead = 0;
    std::lock_guard<std::mutex> call(r->callLock);
    if (!r->sent || !r->transfer) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    Transfer& t = *r->transfer;
    size_t n = dwNumberOfBytesToRead;
    t.want = n > kBufferedBodyLimit ? n : kBufferedBodyLimit;
    if (t.paused && t.Pending() < t.want) {
        t.paused = false;
        curl_easy_pause(t.easy, CURLPAUSE_CONT);
    }
    Driven d = Drive(*r, t, [&] { return t.Pending() >= n; });
    if (d == Driven::Cancelled) return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    size_t take = t.Pending() < n ? t.Pending() : n;
    if (take == 0 && n > 0 && t.done && t.result != CURLE_OK) return Fail(MapCurlError(t.result, t.tls.failure));
    if (take > 0) std::memcpy(lpBuffer, t.body.data() + t.bodyOffset, take);
    t.bodyOffset += take;
    *lpdwNumberOfBytesRead = static_cast<DWORD>(take);
    return Succeed();
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
    std::vector<std::shared_ptr<Object>> closing;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_handles.find(reinterpret_cast<uintptr_t>(hInternet));
        if (it == g_handles.end()) return Fail(ERROR_INVALID_HANDLE);
        closing.push_back(it->second);
        g_handles.erase(it);
        for (size_t k = 0; k < closing.size(); ++k) {
            std::shared_ptr<Object> obj = closing[k];
            obj->closed.store(true);
            for (auto& weak : obj->children) {
                std::shared_ptr<Object> child = weak.lock();
                if (child && !child->closed.load()) {
                    g_handles.erase(child->id);
                    child->closed.store(true);
                    closing.push_back(child);
                }
            }
            obj->children.clear();
        }
    }
    for (auto& obj : closing) {
        if (obj->kind != Kind::Request) continue;
        std::lock_guard<std::mutex> guard(obj->wakeLock);
        if (obj->wakeTarget != nullptr) curl_multi_wakeup(obj->wakeTarget);
    }
    return Succeed();
}

void InternetSetTrustedAuthoritiesForTesting(LPCSTR lpszPemFile) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_caFile = lpszPemFile != nullptr ? lpszPemFile : "";
}

int InternetOpenHandlesForTesting() {
    std::lock_guard<std::mutex> guard(g_lock);
    return static_cast<int>(g_handles.size());
}
