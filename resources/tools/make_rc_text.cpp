// Texts of the resource script: code pages and wide string literals.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "resources/tools/make_rc.h"

namespace makerc {

namespace {

constexpr WORD kLangKorean = 0x12;  // primary language id

bool IsHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

unsigned CodePageOf(LANGID lang) { return (lang & 0x3FF) == kLangKorean ? 949 : 1252; }

bool ToUtf16(const char* text, size_t length, unsigned codePage, std::u16string* out) {
    out->clear();
    char from[16];
    std::snprintf(from, sizeof from, "CP%u", codePage);
    iconv_t cd = iconv_open("UTF-16LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string bytes(length * 4 + 4, '\0');
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    char* outPtr = bytes.data();
    size_t outLeft = bytes.size();
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0) return false;
    size_t produced = bytes.size() - outLeft;
    for (size_t i = 0; i + 1 < produced; i += 2) {
        out->push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return true;
}

std::string WideLiteral(const std::u16string& text) {
    std::string out = "L\"";
    bool escaped = false;
    for (char16_t c : text) {
        bool plain = c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\' && !(escaped && IsHexDigit(c));
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%04X", static_cast<unsigned>(c));
            out += esc;
        }
        escaped = !plain;
    }
    out.push_back('"');
    return out;
}

}  // namespace makerc
