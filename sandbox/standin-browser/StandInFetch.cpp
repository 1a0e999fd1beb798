// Test equipment only, Windows only: the stand-in WebBrowser control's page
// fetch (see StandInFetch.h). WinINet follows redirects as the browser does
// (a POST answered by 302 or 303 goes on as a GET); the address it ends at
// is the page's. Every wait is bounded by WinINet's time-outs.
#include "sandbox/standin-browser/StandInFetch.h"

#include <wininet.h>

#include <vector>

namespace standin {

namespace {

constexpr DWORD kTimeoutMs = 60000;
const char kAgent[] = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1; VemoMPI stand-in browser)";

void Close(HINTERNET h) {
    if (h != nullptr) InternetCloseHandle(h);
}

void Run(Fetch* f) {
    const Request& r = f->request;
    if (lstrcmpiA(r.url.c_str(), "about:blank") == 0) {
        f->answered = true;
        f->finalUrl = r.url;
        return;
    }
    std::vector<char> host(256), path(8192), extra(8192);
    URL_COMPONENTSA uc{};
    uc.dwStructSize = sizeof(uc);
    uc.lpszHostName = host.data();
    uc.dwHostNameLength = static_cast<DWORD>(host.size());
    uc.lpszUrlPath = path.data();
    uc.dwUrlPathLength = static_cast<DWORD>(path.size());
    uc.lpszExtraInfo = extra.data();
    uc.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(r.url.c_str(), 0, 0, &uc) ||
        (uc.nScheme != INTERNET_SCHEME_HTTP && uc.nScheme != INTERNET_SCHEME_HTTPS)) {
        f->error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        return;
    }
    std::string object = std::string(path.data()) + extra.data();
    if (object.empty()) object = "/";
    HINTERNET inet = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET con = nullptr, req = nullptr;
    if (inet != nullptr) {
        DWORD t = kTimeoutMs;
        InternetSetOptionA(inet, INTERNET_OPTION_CONNECT_TIMEOUT, &t, sizeof(t));
        InternetSetOptionA(inet, INTERNET_OPTION_SEND_TIMEOUT, &t, sizeof(t));
        InternetSetOptionA(inet, INTERNET_OPTION_RECEIVE_TIMEOUT, &t, sizeof(t));
        con = InternetConnectA(inet, host.data(), uc.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    }
    if (con != nullptr) {
        const char* accept[] = {"*/*", nullptr};
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                      (uc.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
        req = HttpOpenRequestA(con, r.method.c_str(), object.c_str(), "HTTP/1.1", nullptr, accept, flags, 0);
    }
    bool sent = req != nullptr &&
                HttpSendRequestA(req, r.headers.empty() ? nullptr : r.headers.c_str(),
                                 static_cast<DWORD>(r.headers.size()),
                                 r.body.empty() ? nullptr : const_cast<char*>(r.body.data()),
                                 static_cast<DWORD>(r.body.size()));
    if (!sent) {
        f->error = GetLastError();
        if (f->error == 0) f->error = ERROR_INTERNET_CANNOT_CONNECT;
    } else {
        DWORD status = 0, len = sizeof(status);
        if (HttpQueryInfoA(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr))
            f->status = static_cast<long>(status);
        std::vector<char> buf(8192);
        len = static_cast<DWORD>(buf.size());
        if (HttpQueryInfoA(req, HTTP_QUERY_CONTENT_TYPE, buf.data(), &len, nullptr))
            f->contentType.assign(buf.data(), len < buf.size() ? len : buf.size());
        len = static_cast<DWORD>(buf.size());
        if (InternetQueryOptionA(req, INTERNET_OPTION_URL, buf.data(), &len))
            f->finalUrl.assign(buf.data(), len < buf.size() ? len : buf.size());
        while (f->finalUrl.size() > 0 && f->finalUrl.back() == '\0') f->finalUrl.pop_back();
        if (f->finalUrl.empty()) f->finalUrl = r.url;
        DWORD got = 0;
        while (f->body.size() < kMaxPageBytes && InternetReadFile(req, buf.data(), static_cast<DWORD>(buf.size()), &got) &&
               got > 0)
            f->body.append(buf.data(), got);
        if (f->body.size() > kMaxPageBytes) f->body.resize(kMaxPageBytes);
        f->answered = true;
    }
    Close(req);
    Close(con);
    Close(inet);
}

DWORD WINAPI FetchThread(LPVOID param) {
    auto* f = static_cast<Fetch*>(param);
    Run(f);
    if (!PostMessageW(f->queue, kFetchedMessage, 0, reinterpret_cast<LPARAM>(f))) delete f;
    // The module stays loaded until this thread has left its code.
    FreeLibraryAndExitThread(ModuleInstance(), 0);
}

}  // namespace

bool StartFetch(Fetch* fetch) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&FetchThread), &self))
        return false;
    HANDLE thread = CreateThread(nullptr, 0, FetchThread, fetch, 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(self);
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace standin
