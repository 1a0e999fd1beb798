// Winsock 2.2 on POSIX sockets: declarations in the layer's own namespace.
// Subsystem code includes "platform/winsock/winsock.h", which brings these
// names and Winsock's constants into the global namespace as on Windows.
#pragma once

#include "platform/win/win.h"

// Winsock error numbers.
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEMSGSIZE 10040
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

namespace winsock_layer {

typedef UINT_PTR SOCKET;
typedef unsigned short u_short;
typedef unsigned long u_long;

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

struct in_addr {
    uint32_t s_addr;  // network byte order
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    u_short sin_port;
    struct in_addr sin_addr;
    char sin_zero[8];
};

struct hostent {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};

struct linger {
    u_short l_onoff;
    u_short l_linger;
};

// Winsock's values of the constants (they differ from the POSIX ones).
constexpr int WSL_AF_INET = 2;
constexpr int WSL_SOCK_STREAM = 1;
constexpr int WSL_IPPROTO_TCP = 6;
constexpr int WSL_SOL_SOCKET = 0xffff;
constexpr int WSL_SO_LINGER = 0x0080;
constexpr int WSL_SO_SNDTIMEO = 0x1005;
constexpr int WSL_SO_RCVTIMEO = 0x1006;
constexpr uint32_t WSL_INADDR_NONE = 0xffffffffu;

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int iError);

SOCKET socket(int af, int type, int protocol);
int connect(SOCKET s, const struct sockaddr* name, int namelen);
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int closesocket(SOCKET s);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);

unsigned long inet_addr(const char* cp);
struct hostent* gethostbyname(const char* name);
u_short htons(u_short hostshort);
u_short ntohs(u_short netshort);
u_long htonl(u_long hostlong);
u_long ntohl(u_long netlong);

// Test support. The highest version the layer offers (2.2 normally), and a
// start-up error to report instead of starting (0 for none).
void WSASetOfferedVersionForTesting(WORD version);
void WSASetStartupErrorForTesting(int error);
// Replaces name resolution (for tests that must not reach a name server):
// the function fills up to `max` IPv4 addresses in network order and returns
// their number, or a Winsock error number as a negative value. Null restores
// the system's resolver.
typedef int (*WSAResolverForTesting)(const char* name, uint32_t* addrs, int max);
void WSASetResolverForTesting(WSAResolverForTesting resolver);
// The number of WSAStartup calls not yet matched by WSACleanup.
int WSAStartupCountForTesting();
// The number of descriptors still held for sockets (closed or not).
int WSAOpenDescriptorsForTesting();

}  // namespace winsock_layer
