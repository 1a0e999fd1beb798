#include "platform/win/posix/winfile.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace win_layer {

namespace {

bool IsAscii(const char* text, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

std::u16string ToWide(UINT codePage, const char* text, size_t n) {
    std::u16string wide;
    if (n == 0) return wide;
    int len = static_cast<int>(n);
    int count = MultiByteToWideChar(codePage, 0, text, len, nullptr, 0);
    if (count <= 0) return wide;
    wide.resize(static_cast<size_t>(count));
    MultiByteToWideChar(codePage, 0, text, len, wide.data(), count);
    return wide;
}

std::string FromWide(UINT codePage, const char16_t* text, size_t n, bool* lossy) {
    std::string out;
    if (lossy != nullptr) *lossy = false;
    if (n == 0) return out;
    int len = static_cast<int>(n);
    BOOL used = FALSE;
    BOOL* pUsed = codePage == CP_UTF8 ? nullptr : &used;
    int count = WideCharToMultiByte(codePage, 0, text, len, nullptr, 0, nullptr, pUsed);
    if (count <= 0) return out;
    out.resize(static_cast<size_t>(count));
    WideCharToMultiByte(codePage, 0, text, len, out.data(), count, nullptr, pUsed);
    if (lossy != nullptr) *lossy = used != FALSE;
    return out;
}

}  // namespace

std::string AnsiToUtf8(const char* text, size_t n) {
    if (IsAscii(text, n)) return std::string(text, n);
    std::u16string wide = ToWide(CP_ACP, text, n);
    return FromWide(CP_UTF8, wide.data(), wide.size(), nullptr);
}

std::string Utf8ToAnsi(const std::string& text, bool* lossy) {
    if (IsAscii(text.data(), text.size())) {
        if (lossy != nullptr) *lossy = false;
        return text;
    }
    std::u16string wide = ToWide(CP_UTF8, text.data(), text.size());
    return FromWide(CP_ACP, wide.data(), wide.size(), lossy);
}

std::string WideToAnsi(const char16_t* text, size_t n, bool* lossy) { return FromWide(CP_ACP, text, n, lossy); }

std::string WideToUtf8(const char16_t* text, size_t n) { return FromWide(CP_UTF8, text, n, nullptr); }

std::u16string Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text.data(), text.size()); }

std::string NativePath(const char* path) {
    if (path == nullptr) return std::string();
    std::string native = AnsiToUtf8(path, std::strlen(path));
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}

std::string UserConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr ? home : "";
    if (base.empty()) {
        struct passwd pw;
        struct passwd* found = nullptr;
        char buf[4096];
        if (getpwuid_r(getuid(), &pw, buf, sizeof(buf), &found) == 0 && found != nullptr && found->pw_dir != nullptr)
            base = found->pw_dir;
    }
    if (base.empty()) return std::string();
    return base + "/.config";
}

}  // namespace win_layer

// ---------------------------------------------------------------- system directory

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    const char* value = std::getenv("VEMOMPI_SYSTEM_DIR");
    std::string dir = (value != nullptr && value[0] != '\0') ? value : "/usr/lib/vemompi/system32";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    bool lossy = false;
    std::string ansi = win_layer::Utf8ToAnsi(dir, &lossy);
    if (lossy) {
        // A directory the ANSI code page cannot name cannot be reached
        // through it either.
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (lpBuffer == nullptr || ansi.size() + 1 > uSize) return static_cast<UINT>(ansi.size() + 1);
    std::memcpy(lpBuffer, ansi.c_str(), ansi.size() + 1);
    return static_cast<UINT>(ansi.size());
}
