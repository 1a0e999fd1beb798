#include "platform/afx/afxstr.h"

#include <cstdio>
#include <cstring>
#include <vector>

void AfxThrowMemoryException() { throw CMemoryException(); }

int CString::Find(LPCSTR sub, int start) const {
    if (sub == nullptr || start < 0 || static_cast<size_t>(start) > s_.size()) return -1;
    size_t pos = s_.find(sub, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

void CString::Format(LPCSTR fmt, ...) {
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void CString::FormatV(LPCSTR fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) {
        s_.clear();
        return;
    }
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
    s_.swap(out);
}

BSTR CString::AllocSysString() const {
    BSTR b = AnsiToBstr(s_.data(), static_cast<int>(s_.size()));
    if (b == nullptr) AfxThrowMemoryException();
    return b;
}

void CString::SetFromWide(const OLECHAR* text, UINT length) { s_ = BstrToAnsi(text, length); }

BSTR AnsiToBstr(LPCSTR text, int length) {
    if (text == nullptr) text = "";
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (length == 0) return SysAllocStringLen(nullptr, 0);  // an empty string
    int n = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::vector<OLECHAR> wide(static_cast<size_t>(n > 0 ? n : 1));
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), n);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(n > 0 ? n : 0));
}

std::string BstrToAnsi(const OLECHAR* text, UINT length) {
    if (text == nullptr || length == 0) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}
