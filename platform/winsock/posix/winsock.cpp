// Winsock on POSIX sockets.
//
// A SOCKET is a handle of this layer, never a raw descriptor: handles are
// numbered upwards and never reused, and each names an entry that owns the
// descriptor and a wake-up descriptor. Every call holds a reference to the
// entry while it runs; closesocket takes the handle out of the table, marks
// the entry closed and wakes every call blocked on it, which then fails at
// once. The descriptor itself is closed when the last reference goes, so a
// descriptor number is never reused under a call still running on it.

#include "platform/winsock/posix/winsock_api.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <endian.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <new>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace winsock_layer {
namespace {

constexpr int kConnectTimeoutMs = 21000;  // Winsock's default for an unanswered connect

std::atomic<int> g_liveDescriptors{0};
std::atomic<WSAResolverForTesting> g_resolver{nullptr};

struct SocketEntry {
    SocketEntry() { ++g_liveDescriptors; }
    SocketEntry(const SocketEntry&) = delete;
    SocketEntry& operator=(const SocketEntry&) = delete;
    int fd = -1;
    int wakeFd = -1;
    std::atomic<bool> closed{false};
    std::atomic<DWORD> rcvTimeoutMs{0};
    std::atomic<DWORD> sndTimeoutMs{0};

    ~SocketEntry() {
        if (fd >= 0) ::close(fd);
        if (wakeFd >= 0) ::close(wakeFd);
        --g_liveDescriptors;
    }
    void Wake() {
        closed.store(true);
        uint64_t one = 1;
        ssize_t ignored = ::write(wakeFd, &one, sizeof(one));
        (void)ignored;
    }
};

std::mutex g_lock;
// Never destroyed: a worker still blocked in a call when the process exits
// must not meet a table that static destruction has already torn down. The
// table lives in the module's own storage and an empty ordered map holds no
// heap block, so unloading the module with every socket closed leaves
// nothing behind.
using SocketTable = std::map<SOCKET, std::shared_ptr<SocketEntry>>;
alignas(SocketTable) unsigned char g_socketStorage[sizeof(SocketTable)];
SocketTable& g_sockets = *::new (static_cast<void*>(g_socketStorage)) SocketTable();
SOCKET g_nextHandle = 0x100;
int g_startCount = 0;
WORD g_offeredVersion = MAKEWORD(2, 2);
int g_startupError = 0;

bool Started() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_startCount > 0;
}

int Fail(int error) {
    WSASetLastError(error);
    return -1;
}

int MapErrno(int e) {
    switch (e) {
        case EINTR:
            return WSAEINTR;
        case EBADF:
            return WSAENOTSOCK;
        case EACCES:
        case EPERM:
            return WSAEACCES;
        case EFAULT:
            return WSAEFAULT;
        case EINVAL:
            return WSAEINVAL;
        case EMFILE:
        case ENFILE:
            return WSAEMFILE;
        case EAGAIN:
            return WSAEWOULDBLOCK;
        case EINPROGRESS:
            return WSAEINPROGRESS;
        case EALREADY:
            return WSAEALREADY;
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EMSGSIZE:
            return WSAEMSGSIZE;
        case ENOPROTOOPT:
            return WSAENOPROTOOPT;
        case EPROTONOSUPPORT:
            return WSAEPROTONOSUPPORT;
        case EAFNOSUPPORT:
            return WSAEAFNOSUPPORT;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case EADDRNOTAVAIL:
            return WSAEADDRNOTAVAIL;
        case ENETDOWN:
            return WSAENETDOWN;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ENETRESET:
            return WSAENETRESET;
        case ECONNABORTED:
            return WSAECONNABORTED;
        case ECONNRESET:
        case EPIPE:
            return WSAECONNRESET;
        case ENOBUFS:
        case ENOMEM:
            return WSAENOBUFS;
        case EISCONN:
            return WSAEISCONN;
        case ENOTCONN:
            return WSAENOTCONN;
        case ESHUTDOWN:
            return WSAESHUTDOWN;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case EHOSTUNREACH:
        case EHOSTDOWN:
            return WSAEHOSTUNREACH;
        default:
            return WSAEINVAL;
    }
}

std::shared_ptr<SocketEntry> Acquire(SOCKET s) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_sockets.find(s);
    return it == g_sockets.end() ? nullptr : it->second;
}

// Waits until the descriptor is ready for `events`, the socket is closed by
// another thread, or the time-out (0: none) passes. Returns 0 when ready,
// otherwise the Winsock error.
int WaitFor(SocketEntry& e, short events, DWORD timeoutMs) {
    struct pollfd fds[2];
    fds[0] = {e.fd, events, 0};
    fds[1] = {e.wakeFd, POLLIN, 0};
    uint64_t deadline = timeoutMs == 0 ? 0 : static_cast<uint64_t>(GetTickCount()) + timeoutMs;
    for (;;) {
        if (e.closed.load()) return WSAEINTR;
        int wait = -1;
        if (deadline != 0) {
            uint64_t now = GetTickCount();
            if (now >= deadline) return WSAETIMEDOUT;
            wait = static_cast<int>(deadline - now);
        }
        int rc = ::poll(fds, 2, wait);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return MapErrno(errno);
        }
        if (e.closed.load()) return WSAEINTR;
        if (rc == 0) continue;  // the deadline check above decides
        if (fds[0].revents != 0) return 0;
    }
}

bool ResolveSystem(const std::string& host, uint32_t* addrs, int* count);

thread_local struct {
    struct hostent entry;
    char name[256];
    char* aliases[1];
    char* addrList[36];
    uint32_t addrs[35];
} t_host;

}  // namespace

// ---------------------------------------------------------------- start-up

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_startupError != 0) return g_startupError;
    if (lpWSAData == nullptr) return WSAEFAULT;
    BYTE reqMajor = LOBYTE(wVersionRequested), reqMinor = HIBYTE(wVersionRequested);
    BYTE offMajor = LOBYTE(g_offeredVersion), offMinor = HIBYTE(g_offeredVersion);
    if (reqMajor == 0) return WSAVERNOTSUPPORTED;
    bool above = reqMajor > offMajor || (reqMajor == offMajor && reqMinor > offMinor);
    std::memset(lpWSAData, 0, sizeof(WSADATA));
    lpWSAData->wVersion = above ? g_offeredVersion : wVersionRequested;
    lpWSAData->wHighVersion = g_offeredVersion;
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++g_startCount;
    return 0;
}

int WSACleanup() {
    std::vector<std::shared_ptr<SocketEntry>> closing;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_startCount == 0) return Fail(WSANOTINITIALISED);
        if (--g_startCount == 0) {
            // The last clean-up resets every socket still open.
            for (auto& kv : g_sockets) closing.push_back(kv.second);
            g_sockets.clear();
        }
    }
    for (auto& e : closing) e->Wake();
    return 0;
}

int WSAGetLastError() { return static_cast<int>(GetLastError()); }
void WSASetLastError(int iError) { SetLastError(static_cast<DWORD>(iError)); }

void WSASetOfferedVersionForTesting(WORD version) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_offeredVersion = version;
}

void WSASetStartupErrorForTesting(int error) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_startupError = error;
}

int WSAStartupCountForTesting() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_startCount;
}

int WSAOpenDescriptorsForTesting() { return g_liveDescriptors.load(); }

// ---------------------------------------------------------------- sockets

SOCKET socket(int af, int type, int protocol) {
    if (!Started()) {
        WSASetLastError(WSANOTINITIALISED);
        return ~static_cast<SOCKET>(0);
    }
    if (af != WSL_AF_INET) {
        WSASetLastError(WSAEAFNOSUPPORT);
        return ~static_cast<SOCKET>(0);
    }
    if (type != WSL_SOCK_STREAM || (protocol != 0 && protocol != WSL_IPPROTO_TCP)) {
        WSASetLastError(WSAESOCKTNOSUPPORT);
        return ~static_cast<SOCKET>(0);
    }
    auto entry = std::make_shared<SocketEntry>();
    entry->fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    entry->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (entry->fd < 0 || entry->wakeFd < 0) {
        WSASetLastError(MapErrno(errno));
        return ~static_cast<SOCKET>(0);
    }
    std::lock_guard<std::mutex> guard(g_lock);
    SOCKET handle = g_nextHandle;
    g_nextHandle += 4;
    g_sockets.emplace(handle, std::move(entry));
    return handle;
}

int closesocket(SOCKET s) {
    std::shared_ptr<SocketEntry> entry;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_startCount == 0) return Fail(WSANOTINITIALISED);
        auto it = g_sockets.find(s);
        if (it == g_sockets.end()) return Fail(WSAENOTSOCK);
        entry = std::move(it->second);
        g_sockets.erase(it);
    }
    entry->Wake();
    return 0;
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
    auto e = Acquire(s);
    if (!e) return Fail(Started() ? WSAENOTSOCK : WSANOTINITIALISED);
    if (optval == nullptr) return Fail(WSAEFAULT);
    if (level != WSL_SOL_SOCKET) return Fail(WSAENOPROTOOPT);
    switch (optname) {
        case WSL_SO_LINGER: {
            if (optlen < static_cast<int>(sizeof(struct linger))) return Fail(WSAEFAULT);
            struct linger l;
            std::memcpy(&l, optval, sizeof(l));
            struct ::linger pl;
            pl.l_onoff = l.l_onoff != 0 ? 1 : 0;
            pl.l_linger = l.l_linger;
            if (::setsockopt(e->fd, SOL_SOCKET, SO_LINGER, &pl, sizeof(pl)) != 0) return Fail(MapErrno(errno));
            return 0;
        }
        case WSL_SO_RCVTIMEO:
        case WSL_SO_SNDTIMEO: {
            if (optlen < static_cast<int>(sizeof(DWORD))) return Fail(WSAEFAULT);
            DWORD ms;
            std::memcpy(&ms, optval, sizeof(ms));
            (optname == WSL_SO_RCVTIMEO ? e->rcvTimeoutMs : e->sndTimeoutMs).store(ms);
            return 0;
        }
        default:
            return Fail(WSAENOPROTOOPT);
    }
}

int connect(SOCKET s, const struct sockaddr* name, int namelen) {
    auto e = Acquire(s);
    if (!e) return Fail(Started() ? WSAENOTSOCK : WSANOTINITIALISED);
    if (name == nullptr || namelen < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT);
    sockaddr_in in;
    std::memcpy(&in, name, sizeof(in));
    if (in.sin_family != WSL_AF_INET) return Fail(WSAEAFNOSUPPORT);
    struct ::sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = in.sin_port;
    addr.sin_addr.s_addr = in.sin_addr.s_addr;
    if (::connect(e->fd, reinterpret_cast<struct ::sockaddr*>(&addr), sizeof(addr)) == 0) return 0;
    if (errno != EINPROGRESS && errno != EINTR) return Fail(MapErrno(errno));
    int err = WaitFor(*e, POLLOUT, kConnectTimeoutMs);
    if (err != 0) return Fail(err);
    int soError = 0;
    socklen_t len = sizeof(soError);
    if (::getsockopt(e->fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return Fail(MapErrno(errno));
    if (soError != 0) return Fail(MapErrno(soError));
    return 0;
}

int send(SOCKET s, const char* buf, int len, int) {
    auto e = Acquire(s);
    if (!e) return Fail(Started() ? WSAENOTSOCK : WSANOTINITIALISED);
    if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT);
    int sent = 0;
    // A blocking send returns when all bytes are queued, as Winsock's does.
    while (sent < len) {
        if (e->closed.load()) return Fail(WSAEINTR);
        ssize_t n = ::send(e->fd, buf + sent, static_cast<size_t>(len - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(MapErrno(errno));
        int err = WaitFor(*e, POLLOUT, e->sndTimeoutMs.load());
        if (err != 0) return Fail(err);
    }
    return sent;
}

int recv(SOCKET s, char* buf, int len, int) {
    auto e = Acquire(s);
    if (!e) return Fail(Started() ? WSAENOTSOCK : WSANOTINITIALISED);
    if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT);
    for (;;) {
        if (e->closed.load()) return Fail(WSAEINTR);
        ssize_t n = ::recv(e->fd, buf, static_cast<size_t>(len), MSG_DONTWAIT);
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(MapErrno(errno));
        int err = WaitFor(*e, POLLIN, e->rcvTimeoutMs.load());
        if (err != 0) return Fail(err);
    }
}

// ---------------------------------------------------------------- names and byte order

unsigned long inet_addr(const char* cp) {
    if (cp == nullptr || cp[0] == '\0') return WSL_INADDR_NONE;
    struct ::in_addr a;
    if (::inet_aton(cp, &a) == 0) return WSL_INADDR_NONE;
    return a.s_addr;
}

struct hostent* gethostbyname(const char* name) {
    if (!Started()) {
        WSASetLastError(WSANOTINITIALISED);
        return nullptr;
    }
    std::string host = name != nullptr ? name : "";
    if (host.empty()) {
        char self[256] = {0};
        if (::gethostname(self, sizeof(self) - 1) != 0) {
            WSASetLastError(WSANO_RECOVERY);
            return nullptr;
        }
        host = self;
    }
    auto& h = t_host;
    std::memset(&h, 0, sizeof(h));
    int n = 0;
    if (WSAResolverForTesting resolver = g_resolver.load()) {
        n = resolver(host.c_str(), h.addrs, 35);
        if (n > 35) n = 35;
        if (n <= 0) {
            WSASetLastError(n < 0 ? -n : WSAHOST_NOT_FOUND);
            return nullptr;
        }
    } else if (!ResolveSystem(host, h.addrs, &n)) {
        return nullptr;
    }
    std::strncpy(h.name, host.c_str(), sizeof(h.name) - 1);
    for (int k = 0; k < n; ++k) h.addrList[k] = reinterpret_cast<char*>(&h.addrs[k]);
    h.addrList[n] = nullptr;
    h.aliases[0] = nullptr;
    h.entry.h_name = h.name;
    h.entry.h_aliases = h.aliases;
    h.entry.h_addrtype = WSL_AF_INET;
    h.entry.h_length = 4;
    h.entry.h_addr_list = h.addrList;
    return &h.entry;
}

void WSASetResolverForTesting(WSAResolverForTesting resolver) { g_resolver.store(resolver); }

namespace {

// Resolves a name to at most 35 distinct IPv4 addresses, in the resolver's
// order. Sets the Winsock error and returns false when there are none.
bool ResolveSystem(const std::string& host, uint32_t* addrs, int* count) {
    struct addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* res = nullptr;
    int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &res);
    if (rc != 0 || res == nullptr) {
        WSASetLastError(rc == EAI_AGAIN ? WSATRY_AGAIN : (rc == EAI_NONAME || rc == EAI_NODATA) ? WSAHOST_NOT_FOUND : WSANO_RECOVERY);
        if (res != nullptr) ::freeaddrinfo(res);
        return false;
    }
    int n = 0;
    for (struct addrinfo* p = res; p != nullptr && n < 35; p = p->ai_next) {
        if (p->ai_family != AF_INET) continue;
        uint32_t a = reinterpret_cast<struct ::sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (int k = 0; k < n; ++k) seen = seen || addrs[k] == a;
        if (!seen) addrs[n++] = a;
    }
    ::freeaddrinfo(res);
    *count = n;
    if (n == 0) WSASetLastError(WSANO_DATA);
    return n > 0;
}

}  // namespace

// The names are in parentheses because the C library may define them as macros.
u_short(htons)(u_short hostshort) { return htobe16(hostshort); }
u_short(ntohs)(u_short netshort) { return be16toh(netshort); }
u_long(htonl)(u_long hostlong) { return htobe32(static_cast<uint32_t>(hostlong)); }
u_long(ntohl)(u_long netlong) { return be32toh(static_cast<uint32_t>(netlong)); }

}  // namespace winsock_layer
