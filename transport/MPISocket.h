// CMPISocket: the system's small wrapper over Winsock: library start-up and
// clean-up, connect with name resolution, send-all and receive-exactly.
// It holds no state; any number of instances may exist on any threads.
#pragma once

#include "platform/winsock/winsock.h"

// Where a connection goes when the host name cannot be resolved. The
// deployment's value: the local machine, so that a failed look-up never
// sends a request to a host nobody chose.
extern const char g_szMPIFallbackAddress[];

class CMPISocket {
public:
    CMPISocket() = default;
    virtual ~CMPISocket();

    // 0 when Winsock 2.2 is available; the start-up's error code, or -1 when
    // the library offers another version (the start-up is then undone).
    int SocketInit();
    // Closes the socket unless it is 0, then ends this use of the library.
    void SocketClose(SOCKET s);
    // The connected socket, or a negative value. A timeout of 0 sets no
    // receive time-out.
    INT_PTR SocketConnect(const char* pszHost, unsigned short nPort, int nTimeOutSec);
    // The length once everything was sent, or a negative error code.
    int SocketSend(SOCKET s, const char* pData, int nLen);
    // n bytes, fewer when the peer closed, or a negative error code (-1 when
    // the receive time-out passed).
    int SocketRecv(SOCKET s, char* pBuf, int nLen);
};
