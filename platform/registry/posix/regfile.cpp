#include "platform/registry/posix/regfile.h"

#include <cstdio>
#include <cstring>

#include "platform/registry/registry.h"
#include "platform/win/posix/winfile.h"

namespace reg_layer {

namespace {

const char kHeader5[] = "Windows Registry Editor Version 5.00";
const char kHeader4[] = "REGEDIT4";

const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                              "HKEY_CURRENT_CONFIG"};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string ParentOf(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// Texts cross to UTF-16 and back exactly, whatever bytes they hold: a byte
// that does not start a valid UTF-8 sequence goes over as the lone low
// surrogate U+DC00 plus the byte (U+DC80 to U+DCFF), and comes back as that
// byte. Valid UTF-8 never holds a surrogate, so the two cannot be confused;
// any other lone surrogate comes back in the three-byte form of its value.
size_t ValidUtf8At(const std::string& s, size_t i, char32_t* cp) {
    unsigned char b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    size_t n = b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3 : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    char32_t c = b0 & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) {
        unsigned char b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if ((n == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)))
        return 0;  // an overlong form, a surrogate, or beyond U+10FFFF
    *cp = c;
    return n;
}

void AppendUtf8(std::string* out, char32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16LE bytes as text. The terminating NUL goes; a NUL inside stays, as
// the value holds it.
bool Utf16LeToText(const std::string& bytes, std::string* text) {
    if (bytes.size() % 2 != 0) return false;
    std::u16string wide;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    if (!wide.empty() && wide.back() == u'\0') wide.pop_back();
    text->clear();
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            text->push_back(static_cast<char>(c - 0xDC00));
            continue;
        }
        AppendUtf8(text, c);
    }
    return true;
}

// A quoted text starting at s[pos] (the opening quote). Leaves pos after the
// closing quote. "\\" and "\"" are the escapes; any other backslash stays.
bool ReadQuoted(const std::string& s, size_t* pos, std::string* out) {
    size_t i = *pos;
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out->clear();
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out->push_back(s[i + 1]);
            i += 2;
            continue;
        }
        out->push_back(c);
        ++i;
    }
    return false;
}

// "aa,bb,cc" (blanks allowed around the bytes; an empty list is no bytes).
bool ReadHexBytes(const std::string& list, std::string* out) {
    out->clear();
    std::string t = Trim(list);
    if (t.empty()) return true;
    size_t i = 0;
    while (true) {
        while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
        int hi = i < t.size() ? HexValue(t[i]) : -1;
        int lo = i + 1 < t.size() ? HexValue(t[i + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
        if (i == t.size()) return true;
        if (t[i] != ',') return false;
        ++i;
    }
}

// The data part of a value line: everything after "=".
bool ReadData(const std::string& data, RegValue* value, bool* remove) {
    *remove = false;
    std::string d = Trim(data);
    if (d == "-") {
        *remove = true;
        return true;
    }
    if (!d.empty() && d[0] == '"') {
        size_t pos = 0;
        std::string text;
        if (!ReadQuoted(d, &pos, &text) || !Trim(d.substr(pos)).empty()) return false;
        value->type = REG_SZ;
        value->data = text;
        return true;
    }
    if (d.size() > 6 && SameText(d.substr(0, 6), "dword:")) {
        std::string digits = d.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t v = 0;
        for (char c : digits) {
            int h = HexValue(c);
            if (h < 0) return false;
            v = v * 16 + static_cast<uint32_t>(h);
        }
        value->type = REG_DWORD;
        value->data.clear();
        for (int b = 0; b < 4; ++b) value->data.push_back(static_cast<char>((v >> (8 * b)) & 0xFF));  // little-endian
        return true;
    }
    if (d.size() >= 4 && SameText(d.substr(0, 3), "hex")) {
        DWORD type = REG_BINARY;
        size_t colon = 3;
        if (d[3] == '(') {
            size_t close = d.find(')', 4);
            if (close == std::string::npos || close == 4 || close - 4 > 8) return false;
            type = 0;
            for (size_t i = 4; i < close; ++i) {
                int h = HexValue(d[i]);
                if (h < 0) return false;
                type = type * 16 + static_cast<DWORD>(h);
            }
            colon = close + 1;
        }
        if (colon >= d.size() || d[colon] != ':') return false;
        std::string bytes;
        if (!ReadHexBytes(d.substr(colon + 1), &bytes)) return false;
        value->type = type;
        if (type == REG_SZ) return Utf16LeToText(bytes, &value->data);
        value->data = bytes;
        return true;
    }
    return false;
}

void AppendEscaped(std::string* out, const std::string& text) {
    out->push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') out->push_back('\\');
        out->push_back(c);
    }
    out->push_back('"');
}

void AppendHex(std::string* out, const std::string& head, const std::string& bytes) {
    // Lines are wrapped as the registry editor does: at most 77 characters,
    // then "\" and the next line indented by two blanks.
    size_t lineStart = out->rfind('\n');
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    *out += head;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%02x", static_cast<unsigned char>(bytes[i]));
        if (out->size() - lineStart + 3 > 77) {
            *out += "\\\r\n";
            lineStart = out->size();
            *out += "  ";
        }
        *out += hex;
        if (i + 1 < bytes.size()) out->push_back(',');
    }
}

bool NeedsHexText(const std::string& text) {
    for (char c : text)
        if (c == '\r' || c == '\n') return true;
    return false;
}

// The text as UTF-16LE with its terminating NUL (see ValidUtf8At).
std::string TextAsUtf16Le(const std::string& text) {
    std::string bytes;
    auto put = [&bytes](char32_t c) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    };
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        size_t n = ValidUtf8At(text, i, &c);
        if (n == 0) {
            put(0xDC00 + static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
        i += n;
    }
    bytes.append(2, '\0');
    return bytes;
}

// The file's bytes as UTF-8 text (the byte-order mark removed).
std::string DecodeFile(const std::string& bytes) {
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        bool little = bytes[0] == '\xFF';
        std::u16string wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            wide.push_back(static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b)));
        }
        return win_layer::WideToUtf8(wide.data(), wide.size());
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------- keys and paths

RegValue* RegKey::Find(const std::string& name) {
    for (RegValue& v : values)
        if (SameText(v.name, name)) return &v;
    return nullptr;
}

const RegValue* RegKey::Find(const std::string& name) const {
    for (const RegValue& v : values)
        if (SameText(v.name, name)) return &v;
    return nullptr;
}

void RegKey::Set(RegValue value) {
    if (RegValue* old = Find(value.name)) {
        old->type = value.type;
        old->data = std::move(value.data);
    } else {
        values.push_back(std::move(value));
    }
}

bool RegKey::Remove(const std::string& name) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (SameText(it->name, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

const char* CanonicalRoot(const std::string& name) {
    for (const char* root : kRoots)
        if (SameText(name, root)) return root;
    return nullptr;
}

bool SplitPath(const std::string& path, std::vector<std::string>* parts) {
    parts->clear();
    if (path.empty()) return true;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty()) return end == std::string::npos && !parts->empty();  // only a single trailing "\\"
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return false;
        parts->push_back(part);
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool PathLess::operator()(const std::string& a, const std::string& b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = a[i] == '\\' ? 0 : static_cast<unsigned char>(a[i]) + 1;
        int cb = b[i] == '\\' ? 0 : static_cast<unsigned char>(b[i]) + 1;
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

std::string FoldPath(const std::string& path) {
    std::string folded = path;
    for (char& c : folded) c = Lower(c);
    return folded;
}

RegKey* RegTree::Find(const std::string& path) {
    auto it = keys_.find(FoldPath(path));
    return it == keys_.end() ? nullptr : &it->second;
}

const RegKey* RegTree::Find(const std::string& path) const {
    auto it = keys_.find(FoldPath(path));
    return it == keys_.end() ? nullptr : &it->second;
}

bool RegTree::Exists(const std::string& path) const {
    return path.find('\\') == std::string::npos ? CanonicalRoot(path) != nullptr : Find(path) != nullptr;
}

RegKey& RegTree::Ensure(const std::string& path, bool* created) {
    if (created != nullptr) *created = false;
    std::string folded = FoldPath(path);
    auto it = keys_.find(folded);
    if (it != keys_.end()) return it->second;
    std::string parent = ParentOf(path);
    if (!parent.empty() && parent.find('\\') != std::string::npos) Ensure(parent);
    if (created != nullptr) *created = true;
    RegKey& key = keys_[folded];
    key.path = path;
    return key;
}

bool RegTree::HasSubkeys(const std::string& path) const {
    std::string prefix = FoldPath(path) + "\\";
    auto it = keys_.lower_bound(prefix);
    return it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

void RegTree::EraseTree(const std::string& path, bool withKey) {
    std::string folded = FoldPath(path);
    std::string prefix = folded + "\\";
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
        it = keys_.erase(it);
    auto self = keys_.find(folded);
    if (self == keys_.end()) return;
    if (withKey) keys_.erase(self);
    else self->second.values.clear();
}

// ---------------------------------------------------------------- reading

bool ParseRegText(const std::string& bytes, RegTree* tree, int* badLine) {
    *badLine = 0;
    std::string text = DecodeFile(bytes);

    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }

    size_t i = 0;
    while (i < lines.size() && Trim(lines[i]).empty()) ++i;
    if (i == lines.size()) return true;  // an empty file: an empty registry
    std::string header = Trim(lines[i]);
    if (header == kHeader4) {
        // The older format holds ANSI text.
        for (size_t k = i + 1; k < lines.size(); ++k) lines[k] = win_layer::AnsiToUtf8(lines[k]);
    } else if (header != kHeader5) {
        *badLine = static_cast<int>(i) + 1;
        return false;
    }

    RegKey* current = nullptr;  // null before the first section and inside a "[-key]" section
    bool inSection = false;
    for (++i; i < lines.size(); ++i) {
        int lineNo = static_cast<int>(i) + 1;
        std::string line = Trim(lines[i]);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close == std::string::npos || !Trim(line.substr(close + 1)).empty()) {
                *badLine = lineNo;
                return false;
            }
            bool remove = line.size() > 1 && line[1] == '-';
            std::string path = line.substr(remove ? 2 : 1, close - (remove ? 2 : 1));
            std::vector<std::string> parts;
            if (!SplitPath(path, &parts) || parts.empty() || CanonicalRoot(parts[0]) == nullptr) {
                *badLine = lineNo;
                return false;
            }
            std::string canonical = CanonicalRoot(parts[0]);
            for (size_t p = 1; p < parts.size(); ++p) canonical += "\\" + parts[p];
            inSection = true;
            if (remove) {
                tree->EraseTree(canonical, parts.size() > 1);
                current = nullptr;
            } else {
                current = &tree->Ensure(canonical);
            }
            continue;
        }
        if (!inSection) {
            *badLine = lineNo;
            return false;
        }
        // A value line: name, "=", data; hex data may go on over lines ending in "\".
        RegValue value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, &pos, &value.name)) {
            *badLine = lineNo;
            return false;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') {
            *badLine = lineNo;
            return false;
        }
        std::string data = Trim(line.substr(pos + 1));
        if (data.size() >= 3 && SameText(data.substr(0, 3), "hex")) {
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                data += Trim(lines[++i]);
            }
        }
        bool remove = false;
        if (!ReadData(data, &value, &remove)) {
            *badLine = lineNo;
            return false;
        }
        if (current == nullptr) continue;  // values of a deleted key
        if (remove) current->Remove(value.name);
        else current->Set(std::move(value));
    }
    return true;
}

// ---------------------------------------------------------------- writing

std::string FormatRegText(const RegTree& tree) {
    std::string out = kHeader5;
    out += "\r\n";
    for (const auto& [folded, key] : tree.Keys()) {
        bool isRoot = key.path.find('\\') == std::string::npos;
        if (isRoot && key.values.empty()) continue;
        out += "\r\n[";
        out += key.path;
        out += "]\r\n";
        // The default value first, as the registry editor writes it.
        for (int pass = 0; pass < 2; ++pass) {
            for (const RegValue& v : key.values) {
                if ((pass == 0) != v.name.empty()) continue;
                if (v.name.empty()) out += "@";
                else AppendEscaped(&out, v.name);
                out += "=";
                if (v.type == REG_SZ && !NeedsHexText(v.data)) {
                    AppendEscaped(&out, v.data);
                } else if (v.type == REG_SZ) {
                    AppendHex(&out, "hex(1):", TextAsUtf16Le(v.data));
                } else if (v.type == REG_DWORD && v.data.size() == 4) {
                    uint32_t d = 0;
                    for (int b = 3; b >= 0; --b) d = (d << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(b)]);
                    char buf[32];
                    std::snprintf(buf, sizeof(buf), "dword:%08x", d);
                    out += buf;
                } else if (v.type == REG_BINARY) {
                    AppendHex(&out, "hex:", v.data);
                } else {
                    char head[32];
                    std::snprintf(head, sizeof(head), "hex(%x):", v.type);
                    AppendHex(&out, head, v.data);
                }
                out += "\r\n";
            }
        }
    }
    out += "\r\n";
    return out;
}

}  // namespace reg_layer
