#include "transport/MPISocket.h"

#include <cstring>

const char g_szMPIFallbackAddress[] = "127.0.0.1";

namespace {

int NegatedError() {
    int err = WSAGetLastError();
    if (err > 0) return -err;
    return err < 0 ? err : -1;
}

}  // namespace

CMPISocket::~CMPISocket() = default;

int CMPISocket::SocketInit() {
    WSADATA data;
    int rc = WSAStartup(MAKEWORD(2, 2), &data);
    if (rc != 0) return rc;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
        WSACleanup();
        return -1;
    }
    return 0;
}

void CMPISocket::SocketClose(SOCKET s) {
    if (s != 0) closesocket(s);
    WSACleanup();
}

INT_PTR CMPISocket::SocketConnect(const char* pszHost, unsigned short nPort, int nTimeOutSec) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(nPort);
    addr.sin_addr.s_addr = static_cast<uint32_t>(inet_addr(pszHost));
    if (addr.sin_addr.s_addr == INADDR_NONE) {
        hostent* host = gethostbyname(pszHost);
        if (host != nullptr && host->h_addr_list != nullptr && host->h_addr_list[0] != nullptr)
            std::memcpy(&addr.sin_addr.s_addr, host->h_addr_list[0], 4);
        else
            addr.sin_addr.s_addr = static_cast<uint32_t>(inet_addr(g_szMPIFallbackAddress));
    }

    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return -1;

    linger lin;
    lin.l_onoff = 1;
    lin.l_linger = 3;
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lin), sizeof(lin));
    if (nTimeOutSec != 0) {
        DWORD ms = static_cast<DWORD>(nTimeOutSec) * 1000u;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof(ms));
    }

    if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (s != 0) closesocket(s);
        return -1;
    }
    return static_cast<INT_PTR>(s);
}

int CMPISocket::SocketSend(SOCKET s, const char* pData, int nLen) {
    int sent = 0;
    while (sent < nLen) {
        int n = send(s, pData + sent, nLen - sent, 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEINTR) continue;
            return NegatedError();
        }
        sent += n;
    }
    return nLen;
}

int CMPISocket::SocketRecv(SOCKET s, char* pBuf, int nLen) {
    if (nLen <= 0) return 0;
    int got = 0;
    while (got < nLen) {
        int n = recv(s, pBuf + got, nLen - got, 0);
        if (n == 0) break;
        if (n == SOCKET_ERROR) {
            int err = WSAGetLastError();
            if (err == WSAEINTR) continue;
            if (err == WSAEWOULDBLOCK || err == WSAETIMEDOUT) return -1;
            return NegatedError();
        }
        got += n;
    }
    return got;
}
