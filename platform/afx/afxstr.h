// CString: the framework's growable 8-bit string, in the thread's ANSI code
// page, and the memory exception that the framework throws when a string
// cannot be allocated.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/com/com.h"

class CMemoryException {
public:
    CMemoryException() = default;
};

// Throws CMemoryException, as the framework does when memory runs out.
[[noreturn]] void AfxThrowMemoryException();

class CString {
public:
    CString() = default;
    CString(LPCSTR psz) : s_(psz != nullptr ? psz : "") {}  // NOLINT: implicit as in the framework
    CString(LPCSTR pch, int nLength) : s_(pch != nullptr && nLength > 0 ? std::string(pch, static_cast<size_t>(nLength)) : std::string()) {}

    CString& operator=(LPCSTR psz) {
        s_ = psz != nullptr ? psz : "";
        return *this;
    }
    CString& operator+=(LPCSTR psz) {
        if (psz != nullptr) s_ += psz;
        return *this;
    }
    CString& operator+=(char ch) {
        s_.push_back(ch);
        return *this;
    }

    operator LPCSTR() const { return s_.c_str(); }  // NOLINT: implicit as in the framework
    LPCSTR GetString() const { return s_.c_str(); }
    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    int Find(LPCSTR sub, int start = 0) const;

    void Format(LPCSTR fmt, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR fmt, va_list args);

    // A new BSTR holding the text converted from the ANSI code page; throws
    // CMemoryException when it cannot be allocated.
    BSTR AllocSysString() const;

    // Replaces the text by the conversion of a UTF-16 string to the ANSI code
    // page (characters the code page lacks become "?").
    void SetFromWide(const OLECHAR* text, UINT length);

    bool operator==(LPCSTR other) const { return s_ == (other != nullptr ? other : ""); }
    bool operator!=(LPCSTR other) const { return !(*this == other); }
    bool operator==(const CString& other) const { return s_ == other.s_; }
    bool operator!=(const CString& other) const { return s_ != other.s_; }

private:
    std::string s_;
};

// Conversions at the scripting boundary.
BSTR AnsiToBstr(LPCSTR text, int length = -1);  // null when memory runs out
std::string BstrToAnsi(const OLECHAR* text, UINT length);
