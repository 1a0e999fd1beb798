#include "crypto/MPIMask.h"

#include <atomic>
#include <cstring>

#include "platform/win/win.h"

namespace {

constexpr size_t kCardMin = 12;
constexpr size_t kCardMax = 19;
constexpr size_t kKeptDigits = 4;
constexpr size_t kBase64Cryptogram = 27;  // 20 bytes, without the "=" padding
constexpr size_t kHexCryptogram = 40;

std::atomic<MPITraceSinkForTesting> g_traceSink{nullptr};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsBase64(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '+' || c == '/'; }
bool IsSeparator(char c) { return c == ' ' || c == '-'; }

// Masks the cryptograms of the text, in place.
void MaskCryptograms(std::string& s) {
    size_t n = s.size();
    for (size_t i = 0; i < n;) {
        if (!IsBase64(s[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < n && IsBase64(s[end])) ++end;
        size_t len = end - i;
        bool hex = len == kHexCryptogram;
        for (size_t k = i; hex && k < end; ++k) hex = IsHex(s[k]);
        if (len == kBase64Cryptogram) {
            if (end < n && s[end] == '=') ++end;
            s.replace(i, end - i, end - i, '*');
        } else if (hex) {
            s.replace(i, len, len, '*');
        }
        i = end;
    }
}

// Masks the card numbers of the text, in place.
void MaskCardNumbers(std::string& s) {
    size_t n = s.size();
    for (size_t i = 0; i < n;) {
        if (!IsDigit(s[i])) {
            ++i;
            continue;
        }
        // The run: digits, single separators between digits.
        size_t end = i, digits = 0;
        bool separated = false;
        for (;;) {
            while (end < n && IsDigit(s[end])) {
                ++end;
                ++digits;
            }
            if (end + 1 < n && IsSeparator(s[end]) && IsDigit(s[end + 1])) {
                separated = true;
                ++end;
                continue;
            }
            break;
        }
        if (digits >= kCardMin && (digits <= kCardMax || separated)) {
            size_t toMask = digits - kKeptDigits;
            for (size_t k = i; k < end && toMask > 0; ++k) {
                if (IsDigit(s[k])) {
                    s[k] = '*';
                    --toMask;
                }
            }
        }
        i = end;
    }
}

}  // namespace

std::string MPIMaskSecrets(const std::string& text) {
    std::string s = text;
    MaskCryptograms(s);
    MaskCardNumbers(s);
    return s;
}

void MPIMaskSecretsInPlace(char* pszText) {
    if (pszText == nullptr) return;
    std::string masked = MPIMaskSecrets(pszText);
    std::memcpy(pszText, masked.data(), masked.size());
}

void MPIDebugOutput(const char* pszLine) {
    if (pszLine == nullptr) return;
    OutputDebugStringA(MPIMaskSecrets(pszLine).c_str());
}

void MPITraceSink(const char* pszLine) {
    if (pszLine == nullptr) return;
    MPITraceSinkForTesting sink = g_traceSink.load();
    if (sink == nullptr) return;  // no log file: the line goes nowhere
    sink(MPIMaskSecrets(pszLine).c_str());
}

void MPISetTraceSinkForTesting(MPITraceSinkForTesting sink) { g_traceSink.store(sink); }
