// WinINet on libcurl: InternetCrackUrlA, the splitting of a URL into its
// components, written into the caller's buffers or pointed at in the URL.

#include <cctype>
#include <cstring>
#include <string>

#include "platform/wininet/posix/wininet_layer.h"
#include "platform/wininet/wininet.h"

namespace wininet_layer {
namespace {

int DefaultPort(INTERNET_SCHEME scheme) {
    switch (scheme) {
        case INTERNET_SCHEME_HTTP:
            return INTERNET_DEFAULT_HTTP_PORT;
        case INTERNET_SCHEME_HTTPS:
            return INTERNET_DEFAULT_HTTPS_PORT;
        case INTERNET_SCHEME_FTP:
            return INTERNET_DEFAULT_FTP_PORT;
        default:
            return INTERNET_INVALID_PORT_NUMBER;
    }
}

// Hands one component to the caller: a pointer into the URL, or a copy.
// Returns false (with the size needed in the length) when the caller's
// buffer is too small.
bool GiveComponent(LPCSTR url, size_t start, size_t length, LPSTR* ptr, DWORD* len) {
    if (*ptr == nullptr && *len == 0) return true;  // not requested
    if (*ptr == nullptr) {
        *ptr = const_cast<LPSTR>(url + start);
        *len = static_cast<DWORD>(length);
        return true;
    }
    if (*len <= length) {
        *len = static_cast<DWORD>(length + 1);
        return false;
    }
    std::memcpy(*ptr, url + start, length);
    (*ptr)[length] = '\0';
    *len = static_cast<DWORD>(length);
    return true;
}

}  // namespace
}  // namespace wininet_layer

using namespace wininet_layer;  // NOLINT: the API lives in the global namespace, as on Windows

BOOL InternetCrackUrlA(LPCSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags, LPURL_COMPONENTSA uc) {
    if (lpszUrl == nullptr || uc == nullptr || uc->dwStructSize != sizeof(URL_COMPONENTSA) || dwFlags != 0)
        return Fail(ERROR_INVALID_PARAMETER);
    size_t n = dwUrlLength != 0 ? dwUrlLength : std::strlen(lpszUrl);
    std::string url(lpszUrl, n);
    // scheme ":" "//" [user [":" password] "@"] host [":" port] [path]
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    for (size_t k = 0; k < colon; ++k) {
        char c = url[k];
        bool ok = std::isalpha(static_cast<unsigned char>(c)) ||
                  (k > 0 && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'));
        if (!ok) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    }
    std::string scheme = url.substr(0, colon);
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
    if (strcasecmp(scheme.c_str(), "http") == 0) nScheme = INTERNET_SCHEME_HTTP;
    if (strcasecmp(scheme.c_str(), "https") == 0) nScheme = INTERNET_SCHEME_HTTPS;
    if (strcasecmp(scheme.c_str(), "ftp") == 0) nScheme = INTERNET_SCHEME_FTP;
    if (nScheme == INTERNET_SCHEME_UNKNOWN) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    if (url.compare(colon + 1, 2, "//") != 0) return Fail(ERROR_INTERNET_INVALID_URL);

    size_t authStart = colon + 3;
    size_t authEnd = url.find_first_of("/?#", authStart);
    if (authEnd == std::string::npos) authEnd = n;
    size_t at = url.rfind('@', authEnd == 0 ? 0 : authEnd - 1);
    size_t userStart = authStart, userLen = 0, passStart = authStart, passLen = 0;
    size_t hostStart = authStart;
    if (at != std::string::npos && at >= authStart) {
        size_t sep = url.find(':', authStart);
        if (sep != std::string::npos && sep < at) {
            userLen = sep - authStart;
            passStart = sep + 1;
            passLen = at - sep - 1;
        } else {
            userLen = at - authStart;
        }
        hostStart = at + 1;
    }
    size_t portSep = url.find(':', hostStart);
    size_t hostEnd = (portSep != std::string::npos && portSep < authEnd) ? portSep : authEnd;
    if (hostEnd == hostStart) return Fail(ERROR_INTERNET_INVALID_URL);
    for (size_t k = authStart; k < authEnd; ++k) {
        unsigned char c = static_cast<unsigned char>(url[k]);
        if (c <= 0x20 || c == 0x7F) return Fail(ERROR_INTERNET_INVALID_URL);  // no blank or control in a host
    }
    int port = DefaultPort(nScheme);
    if (hostEnd < authEnd && hostEnd + 1 < authEnd) {
        long value = 0;
        for (size_t k = hostEnd + 1; k < authEnd; ++k) {
            if (!std::isdigit(static_cast<unsigned char>(url[k]))) return Fail(ERROR_INTERNET_INVALID_URL);
            value = value * 10 + (url[k] - '0');
            if (value > 65535) return Fail(ERROR_INTERNET_INVALID_URL);
        }
        if (value == 0) return Fail(ERROR_INTERNET_INVALID_URL);
        port = static_cast<int>(value);
    }
    size_t pathStart = authEnd, pathLen = n - authEnd, extraStart = n, extraLen = 0;
    bool extraRequested = uc->lpszExtraInfo != nullptr || uc->dwExtraInfoLength != 0;
    if (extraRequested) {
        size_t q = url.find_first_of("?#", authEnd);
        if (q != std::string::npos) {
            pathLen = q - authEnd;
            extraStart = q;
            extraLen = n - q;
        }
    }

    bool ok = true;
    ok = GiveComponent(lpszUrl, 0, colon, &uc->lpszScheme, &uc->dwSchemeLength) && ok;
    ok = GiveComponent(lpszUrl, hostStart, hostEnd - hostStart, &uc->lpszHostName, &uc->dwHostNameLength) && ok;
    ok = GiveComponent(lpszUrl, userStart, userLen, &uc->lpszUserName, &uc->dwUserNameLength) && ok;
    ok = GiveComponent(lpszUrl, passStart, passLen, &uc->lpszPassword, &uc->dwPasswordLength) && ok;
    ok = GiveComponent(lpszUrl, pathStart, pathLen, &uc->lpszUrlPath, &uc->dwUrlPathLength) && ok;
    ok = GiveComponent(lpszUrl, extraStart, extraLen, &uc->lpszExtraInfo, &uc->dwExtraInfoLength) && ok;
    uc->nScheme = nScheme;
    uc->nPort = static_cast<INTERNET_PORT>(port);
    if (!ok) return Fail(ERROR_INSUFFICIENT_BUFFER);
    return Succeed();
}
