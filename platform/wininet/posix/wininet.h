// WinINet as the subsystems use it: an HTTP client with sessions,
// connections and requests, the configured proxy, TLS with WinINet's
// security flags, and WinINet's error numbers through GetLastError.
//
// An HINTERNET is a handle of this layer: handles are numbered upwards and
// never reused, so a closed handle stays invalid for good. Closing a handle
// closes every handle opened under it, and makes a call blocked on any of
// them (a send waiting for the response, a read waiting for data) fail with
// ERROR_INTERNET_OPERATION_CANCELLED at once, whichever thread closes it.
#pragma once

#include "platform/win/win.h"

typedef void* HINTERNET;
typedef WORD INTERNET_PORT;
typedef uintptr_t DWORD_PTR;

// ---------------------------------------------------------------- errors

#define INTERNET_ERROR_BASE 12000
#define ERROR_INTERNET_OUT_OF_HANDLES 12001
#define ERROR_INTERNET_TIMEOUT 12002
#define ERROR_INTERNET_INTERNAL_ERROR 12004
#define ERROR_INTERNET_INVALID_URL 12005
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007
#define ERROR_INTERNET_INVALID_OPTION 12009
#define ERROR_INTERNET_BAD_OPTION_LENGTH 12010
#define ERROR_INTERNET_OPERATION_CANCELLED 12017
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018
#define ERROR_INTERNET_INCORRECT_HANDLE_STATE 12019
#define ERROR_INTERNET_CANNOT_CONNECT 12029
#define ERROR_INTERNET_CONNECTION_ABORTED 12030
#define ERROR_INTERNET_CONNECTION_RESET 12031
#define ERROR_INTERNET_SEC_CERT_DATE_INVALID 12037
#define ERROR_INTERNET_SEC_CERT_CN_INVALID 12038
#define ERROR_INTERNET_INVALID_CA 12045
#define ERROR_INTERNET_SEC_CERT_REVOKED 12170
#define ERROR_INTERNET_SEC_INVALID_CERT 12169
#define ERROR_HTTP_HEADER_NOT_FOUND 12150
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152
#define ERROR_HTTP_REDIRECT_FAILED 12156
#define ERROR_INTERNET_SECURITY_CHANNEL_ERROR 12157

// ---------------------------------------------------------------- sessions and connections

#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3

#define INTERNET_INVALID_PORT_NUMBER 0
#define INTERNET_DEFAULT_FTP_PORT 21
#define INTERNET_DEFAULT_HTTP_PORT 80
#define INTERNET_DEFAULT_HTTPS_PORT 443

#define INTERNET_SERVICE_FTP 1
#define INTERNET_SERVICE_GOPHER 2
#define INTERNET_SERVICE_HTTP 3

#define INTERNET_FLAG_RELOAD 0x80000000
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000
#define INTERNET_FLAG_SECURE 0x00800000
#define INTERNET_FLAG_NO_AUTO_REDIRECT 0x00200000
#define INTERNET_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000
#define INTERNET_FLAG_IGNORE_CERT_CN_INVALID 0x00001000

// ---------------------------------------------------------------- options

#define INTERNET_OPTION_CONNECT_TIMEOUT 2
#define INTERNET_OPTION_SEND_TIMEOUT 5
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6
#define INTERNET_OPTION_SECURITY_FLAGS 31

#define SECURITY_FLAG_SECURE 0x00000001
#define SECURITY_FLAG_IGNORE_REVOCATION 0x00000080
#define SECURITY_FLAG_IGNORE_UNKNOWN_CA 0x00000100
#define SECURITY_FLAG_IGNORE_WRONG_USAGE 0x00000200
#define SECURITY_FLAG_IGNORE_CERT_CN_INVALID 0x00001000
#define SECURITY_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000
#define SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS 0x00004000
#define SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP 0x00008000

// ---------------------------------------------------------------- queries

#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_STATUS_TEXT 20
#define HTTP_QUERY_FLAG_NUMBER 0x20000000

// ---------------------------------------------------------------- URLs

typedef int INTERNET_SCHEME;
#define INTERNET_SCHEME_UNKNOWN (-1)
#define INTERNET_SCHEME_DEFAULT 0
#define INTERNET_SCHEME_FTP 1
#define INTERNET_SCHEME_HTTP 3
#define INTERNET_SCHEME_HTTPS 4

// A component is requested by a non-zero length. With a null pointer the
// call points into the URL and gives the component's true length; with a
// buffer (length = its size) it copies the component and its NUL, or fails
// with ERROR_INSUFFICIENT_BUFFER and the size needed. The URL path keeps
// the query and fragment unless the extra information is requested too.
struct URL_COMPONENTSA {
    DWORD dwStructSize;  // sizeof(URL_COMPONENTSA)
    LPSTR lpszScheme;
    DWORD dwSchemeLength;
    INTERNET_SCHEME nScheme;
    LPSTR lpszHostName;
    DWORD dwHostNameLength;
    INTERNET_PORT nPort;  // explicit, or the scheme's default
    LPSTR lpszUserName;
    DWORD dwUserNameLength;
    LPSTR lpszPassword;
    DWORD dwPasswordLength;
    LPSTR lpszUrlPath;
    DWORD dwUrlPathLength;
    LPSTR lpszExtraInfo;
    DWORD dwExtraInfoLength;
};
typedef URL_COMPONENTSA* LPURL_COMPONENTSA;

// ---------------------------------------------------------------- calls

// INTERNET_OPEN_TYPE_PRECONFIG applies the proxy configured for the current
// user; DIRECT uses none; PROXY uses lpszProxy ("host:port", or
// "http=host:port;https=host:port") with the bypass list lpszProxyBypass.
HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy, LPCSTR lpszProxyBypass,
                        DWORD dwFlags);
// Only flags 0 is supported (no decoding or escaping).
BOOL InternetCrackUrlA(LPCSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags, LPURL_COMPONENTSA lpUrlComponents);
// HTTP connections only; nothing is contacted until a request is sent.
HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext);
HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName, LPCSTR lpszVersion,
                           LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR dwContext);
// INTERNET_OPTION_SECURITY_FLAGS (requests) and the three time-outs in
// milliseconds (any handle; new handles inherit them from their parent).
BOOL InternetQueryOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, LPDWORD lpdwBufferLength);
BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength);
// Sends the request with the caller's headers (CR LF separated; a length of
// (DWORD)-1 means NUL-terminated) and body, follows redirects unless the
// request says otherwise, and returns once the final response's headers
// have arrived. May be called again on the same request, for example after
// relaxing the security flags.
BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength, LPVOID lpOptional,
                      DWORD dwOptionalLength);
// HTTP_QUERY_STATUS_CODE and HTTP_QUERY_STATUS_TEXT as text (the length in
// and out as WinINet counts it), or with HTTP_QUERY_FLAG_NUMBER the status
// as a DWORD.
BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpdwBufferLength,
                    LPDWORD lpdwIndex);
// Blocks until the requested number of bytes is there or the response has
// ended; a count of 0 with TRUE means the end of the response.
BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead);
BOOL InternetCloseHandle(HINTERNET hInternet);

// ---------------------------------------------------------------- test support

// Replaces the system's certificate authorities by those in a PEM file
// (null restores the system's).
void InternetSetTrustedAuthoritiesForTesting(LPCSTR lpszPemFile);
// The number of handles open (not yet closed).
int InternetOpenHandlesForTesting();
