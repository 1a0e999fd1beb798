#include "platform/win/win.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iconv.h>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

// ---------------------------------------------------------------- last error

namespace {
thread_local DWORD t_lastError = 0;
std::atomic<DWORD> g_nextThreadId{1000};
thread_local DWORD t_threadId = 0;
}  // namespace

void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
DWORD GetLastError() { return t_lastError; }

// ---------------------------------------------------------------- threads

namespace {

struct ThreadHandle {
    DWORD id;
};

struct ThreadStart {
    LPTHREAD_START_ROUTINE fn;
    LPVOID param;
    DWORD id;
};

void* ThreadTrampoline(void* arg) {
    ThreadStart start = *static_cast<ThreadStart*>(arg);
    delete static_cast<ThreadStart*>(arg);
    t_threadId = start.id;
    start.fn(start.param);
    return nullptr;
}

}  // namespace

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr || dwCreationFlags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* handle = new ThreadHandle{g_nextThreadId.fetch_add(4)};
    auto* start = new ThreadStart{lpStartAddress, lpParameter, handle->id};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    int rc = pthread_create(&tid, &attr, ThreadTrampoline, start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete start;
        delete handle;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId != nullptr) *lpThreadId = handle->id;
    return handle;
}

BOOL CloseHandle(HANDLE hObject) {
    if (hObject == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete static_cast<ThreadHandle*>(hObject);
    return TRUE;
}

DWORD GetCurrentThreadId() {
    if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(4);
    return t_threadId;
}

void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    struct timespec ts;
    ts.tv_sec = dwMilliseconds / 1000;
    ts.tv_nsec = static_cast<long>(dwMilliseconds % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

DWORD GetTickCount() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString == nullptr || std::getenv("VEMOMPI_DEBUG") == nullptr) return;
    std::string line(lpOutputString);
    if (line.empty() || line.back() != '\n') line.push_back('\n');
    // One write per line, so that lines of several threads do not interleave.
    ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
}

// ---------------------------------------------------------------- secrets in memory

void* SecureZeroMemory(void* ptr, size_t cnt) {
    if (ptr != nullptr && cnt > 0) explicit_bzero(ptr, cnt);
    return ptr;
}

BOOL VemoDisableCoreDumps() {
    struct rlimit none = {0, 0};
    bool noCore = setrlimit(RLIMIT_CORE, &none) == 0;
    bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return noCore && notDumpable ? TRUE : FALSE;
}

void VemoSetBinaryStdio() {}

// ---------------------------------------------------------------- language

LANGID GetSystemDefaultLangID() {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return (value[0] == 'k' && value[1] == 'o') ? LANG_KOREAN_DEFAULT : LANG_ENGLISH_US;
        }
    }
    return LANG_ENGLISH_US;
}

LANGID GetUserDefaultLangID() { return GetSystemDefaultLangID(); }

UINT GetACP() { return GetSystemDefaultLangID() == LANG_KOREAN_DEFAULT ? CP_KOREAN : CP_WESTERN; }

// ---------------------------------------------------------------- code pages

namespace {

const char* IconvName(UINT codePage) {
    switch (codePage) {
        case CP_KOREAN:
            return "CP949";
        case CP_WESTERN:
            return "CP1252";
        case CP_UTF8:
            return "UTF-8";
        default:
            return nullptr;
    }
}

const char* Utf16Name() {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return "UTF-16LE";
#else
    return "UTF-16BE";
#endif
}

// One converter per thread, code page and direction, opened on first use.
class Converter {
public:
    Converter(UINT codePage, bool toWide) {
        const char* name = IconvName(codePage);
        if (name != nullptr) cd_ = toWide ? iconv_open(Utf16Name(), name) : iconv_open(name, Utf16Name());
    }
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        return cd_;
    }

private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

Converter* GetConverter(UINT codePage, bool toWide) {
    thread_local Converter c949w(CP_KOREAN, true), c949n(CP_KOREAN, false);
    thread_local Converter c1252w(CP_WESTERN, true), c1252n(CP_WESTERN, false);
    thread_local Converter c8w(CP_UTF8, true), c8n(CP_UTF8, false);
    Converter* c = nullptr;
    switch (codePage) {
        case CP_KOREAN:
            c = toWide ? &c949w : &c949n;
            break;
        case CP_WESTERN:
            c = toWide ? &c1252w : &c1252n;
            break;
        case CP_UTF8:
            c = toWide ? &c8w : &c8n;
            break;
        default:
            return nullptr;
    }
    return c->ok() ? c : nullptr;
}

UINT ResolveCodePage(UINT codePage) { return codePage == CP_ACP ? GetACP() : codePage; }

// Converts n bytes to UTF-16. Returns false only for an invalid byte when
// strict is set.
bool ToWide(UINT codePage, const char* src, size_t n, std::u16string& out, bool strict) {
    out.clear();
    out.reserve(n);
    size_t i = 0;
    while (i < n && static_cast<unsigned char>(src[i]) < 0x80) out.push_back(static_cast<char16_t>(src[i++]));
    if (i == n) return true;
    Converter* conv = GetConverter(codePage, true);
    if (conv == nullptr) return false;
    iconv_t cd = conv->get();
    char16_t chunk[512];
    while (i < n) {
        char* in = const_cast<char*>(src + i);
        size_t inLeft = n - i;
        char* outp = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof(chunk);
        size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
        int err = (rc == static_cast<size_t>(-1)) ? errno : 0;
        out.append(chunk, (sizeof(chunk) - outLeft) / sizeof(char16_t));
        i = n - inLeft;
        if (err == E2BIG || err == 0) continue;
        // An invalid or incomplete sequence at byte i.
        unsigned char b = static_cast<unsigned char>(src[i]);
        if (codePage == CP_WESTERN && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)) {
            out.push_back(static_cast<char16_t>(b));
        } else {
            if (strict) return false;
            out.push_back(u'\uFFFD');
        }
        ++i;
        cd = conv->get();
    }
    return true;
}

void FromWide(UINT codePage, const char16_t* src, size_t n, const char* defaultChar, std::string& out, bool& usedDefault) {
    out.clear();
    out.reserve(n);
    usedDefault = false;
    size_t i = 0;
    while (i < n && src[i] < 0x80) out.push_back(static_cast<char>(src[i++]));
    if (i == n) return;
    Converter* conv = GetConverter(codePage, false);
    if (conv == nullptr) return;
    iconv_t cd = conv->get();
    char chunk[1024];
    auto c1Byte = [codePage](char16_t u) {
        return codePage == CP_WESTERN && (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D);
    };
    while (i < n) {
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(src + i));
        size_t inLeft = (n - i) * sizeof(char16_t);
        char* outp = chunk;
        size_t outLeft = sizeof(chunk);
        size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
        int err = (rc == static_cast<size_t>(-1)) ? errno : 0;
        out.append(chunk, sizeof(chunk) - outLeft);
        i = n - inLeft / sizeof(char16_t);
        if (err == E2BIG || err == 0) continue;
        // A character the code page cannot hold, or a lone surrogate.
        if (c1Byte(src[i])) {
            out.push_back(static_cast<char>(src[i]));
        } else if (codePage == CP_UTF8) {
            out.append("\xEF\xBF\xBD");
        } else {
            out.append(defaultChar != nullptr ? defaultChar : "?");
            usedDefault = true;
        }
        ++i;
        cd = conv->get();
    }
}

}  // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) {
    UINT cp = ResolveCodePage(CodePage);
    if (IconvName(cp) == nullptr || lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    std::u16string wide;
    if (!ToWide(cp, lpMultiByteStr, n, wide, (dwFlags & MB_ERR_INVALID_CHARS) != 0)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (cchWideChar == 0) return static_cast<int>(wide.size());
    if (wide.size() > static_cast<size_t>(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(char16_t));
    return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) {
    UINT cp = ResolveCodePage(CodePage);
    if (IconvName(cp) == nullptr || lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (cp == CP_UTF8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cchWideChar < 0 ? static_cast<size_t>(lstrlenW(lpWideCharStr)) + 1 : static_cast<size_t>(cchWideChar);
    std::string narrow;
    bool used = false;
    FromWide(cp, lpWideCharStr, n, lpDefaultChar, narrow, used);
    if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = used ? TRUE : FALSE;
    if (cbMultiByte == 0) return static_cast<int>(narrow.size());
    if (narrow.size() > static_cast<size_t>(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpMultiByteStr, narrow.data(), narrow.size());
    return static_cast<int>(narrow.size());
}

// ---------------------------------------------------------------- strings

int lstrlenA(LPCSTR lpString) { return lpString == nullptr ? 0 : static_cast<int>(std::strlen(lpString)); }

int lstrlenW(LPCWSTR lpString) {
    if (lpString == nullptr) return 0;
    int n = 0;
    while (lpString[n] != 0) ++n;
    return n;
}

LPSTR lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (lpString1 == nullptr || lpString2 == nullptr || iMaxLength <= 0) return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i] != '\0'; ++i) lpString1[i] = lpString2[i];
    lpString1[i] = '\0';
    return lpString1;
}
