// What the files of the WinINet layer on libcurl share.
#pragma once

#include <curl/curl.h>

#include "platform/wininet/wininet.h"

namespace wininet_layer {

// The call fails with this error (SetLastError), or succeeds with
// ERROR_SUCCESS.
BOOL Fail(DWORD error);
BOOL Succeed();

// The certificate checks of one sending: the request's security flags,
// and the WinINet error of the first check they did not relax.
struct TlsCheck {
    DWORD securityFlags = 0;
    DWORD failure = 0;
};

// Once, with curl's global set-up.
void InitTls();
// CURLOPT_SSL_CTX_FUNCTION, with the sending's TlsCheck as its data.
CURLcode SslContextCallback(CURL* curl, void* sslctx, void* userptr);
// WinINet's error number for a failed transfer.
DWORD MapCurlError(CURLcode rc, DWORD tlsFailure);

}  // namespace wininet_layer
