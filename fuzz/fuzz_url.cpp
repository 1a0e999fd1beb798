// URL cracking: InternetCrackUrlA with its components asked for as copies
// into buffers of the input's sizes or as pointers into the URL, and
// AfxParseURL over it. Copies end in their NUL inside their buffers and
// pointers stay inside the URL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/afxinet.h"
#include "platform/wininet/wininet.h"

namespace {

struct Part {
    LPSTR* ptr;
    DWORD* len;
    std::unique_ptr<char[]> buf;  // exactly the size given, none for 0
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Six size bytes (0: not asked for, 1: a pointer into the URL, n: a
    // buffer of n - 2 bytes), a flag byte, then the URL.
    if (size < 7) return 0;
    std::string url(reinterpret_cast<const char*>(data + 7), size - 7);
    url.resize(std::strlen(url.c_str()));  // the API reads a C string
    bool giveLength = (data[6] & 1) != 0;

    URL_COMPONENTSA uc;
    std::memset(&uc, 0, sizeof(uc));
    uc.dwStructSize = sizeof(uc);
    Part parts[6] = {{&uc.lpszScheme, &uc.dwSchemeLength, {}},     {&uc.lpszHostName, &uc.dwHostNameLength, {}},
                     {&uc.lpszUserName, &uc.dwUserNameLength, {}}, {&uc.lpszPassword, &uc.dwPasswordLength, {}},
                     {&uc.lpszUrlPath, &uc.dwUrlPathLength, {}},   {&uc.lpszExtraInfo, &uc.dwExtraInfoLength, {}}};
    for (int i = 0; i < 6; ++i) {
        uint8_t s = data[i];
        if (s == 1) {
            *parts[i].len = 1;
        } else if (s >= 2) {
            parts[i].buf.reset(new char[s - 2u]);
            *parts[i].ptr = parts[i].buf.get();
            *parts[i].len = static_cast<DWORD>(s - 2u);
        }
    }
    // The URL in a buffer of its own exact size, so that reading past it is seen.
    std::vector<char> text(url.begin(), url.end());
    text.push_back('\0');
    BOOL ok = InternetCrackUrlA(text.data(), giveLength ? static_cast<DWORD>(url.size()) : 0, 0, &uc);
    for (int i = 0; i < 6; ++i) {
        uint8_t s = data[i];
        if (s == 1 && *parts[i].ptr != nullptr) {
            const char* p = *parts[i].ptr;
            if (p < text.data() || p + *parts[i].len > text.data() + url.size()) std::abort();
        } else if (s >= 2 && ok) {
            if (*parts[i].len >= s - 2u || parts[i].buf[*parts[i].len] != '\0' ||
                std::strlen(parts[i].buf.get()) != *parts[i].len)
                std::abort();
        }
    }

    DWORD service = 0;
    CString server, object;
    INTERNET_PORT port = 0;
    BOOL parsed = AfxParseURL(text.data(), service, server, object, port);
    if (!parsed && service != AFX_INET_SERVICE_UNK) std::abort();
    if (parsed && object.GetLength() == 0) std::abort();  // "/" at least
    return 0;
}
