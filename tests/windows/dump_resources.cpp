// Lists the resources of its own image, one line each, as UTF-8 text on
// standard output, for tests/test_windows_resources.cpp, which compares the
// list with the module's tables. The program carries the module's resource
// object (vemompi_winres), so it sees what VemoMPIOCX.ocx carries, through
// the system's own resource and type library functions.
//
//   dialog ID LANG style=0x... font=PT,FACE caption=TEXT items=N
//   item ID LANG ITEM class=CLASS text=TEXT style=0x... X,Y,CX,CY
//   bitmap ID LANG bytes=N fnv=HASH      (the BMP file without its 14-byte header)
//   icon ID LANG images=N
//   string ID LANG TEXT                  (control characters as \xHH)
//   version ID LANG file=A.B.C.D product=A.B.C.D OLESelfRegister=yes|no
//   typelib ID LANG
//   ansi ID LANG HEX                     (string ID as the framework loads it in
//                                        the system language: its 8-bit bytes)
//   then the type library's own lines (dump_typelib.cpp).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/afx/win32/afxresload.h"
#include "tests/windows/dump_resources.h"

namespace {

struct Entry {
    std::wstring type;  // "#N" for a numbered type
    std::wstring name;
    WORD lang;
};

std::wstring IdText(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id));
    return id;
}

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<Entry>*>(param)->push_back({IdText(type), IdText(name), lang});
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
    EnumResourceNamesW(module, type, OnName, param);
    return TRUE;
}

// Reads a dialog template, refusing to go past its end.
struct Reader {
    const BYTE* p;
    const BYTE* end;
    bool ok = true;

    WORD Word() {
        if (end - p < 2) {
            ok = false;
            return 0;
        }
        WORD w = static_cast<WORD>(p[0] | (p[1] << 8));
        p += 2;
        return w;
    }
    DWORD Dword() {
        DWORD lo = Word();
        return lo | (static_cast<DWORD>(Word()) << 16);
    }
    // A text or an ordinal (0xFFFF, then the number: "#N").
    std::wstring SzOrOrd() {
        WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (WORD c = first; ok && c != 0; c = Word()) s.push_back(static_cast<wchar_t>(c));
        return s;
    }
    void AlignDword(const BYTE* base) {
        while (((p - base) & 3) != 0 && p < end) ++p;
    }
};

// The predefined classes by their ordinals, as their names.
std::wstring ClassName(const std::wstring& cls) {
    if (cls == L"#128") return L"BUTTON";
    if (cls == L"#130") return L"STATIC";
    return cls;
}

void DumpDialog(const Entry& e, const std::string& id, const BYTE* data, DWORD size) {
    Reader r{data, data + size};
    WORD version = r.Word(), signature = r.Word();
    if (version != 1 || signature != 0xFFFF) {
        std::printf("dialog %s %u not-a-DIALOGEX\n", id.c_str(), e.lang);
        return;
    }
    r.Dword();  // help id
    r.Dword();  // extended style
    DWORD style = r.Dword();
    WORD count = r.Word();
    for (int i = 0; i < 4; ++i) r.Word();  // x, y, cx, cy
    r.SzOrOrd();                           // menu
    r.SzOrOrd();                           // class
    std::wstring caption = r.SzOrOrd();
    WORD points = 0;
    std::wstring face;
    if (style & DS_SETFONT) {
        points = r.Word();
        r.Word();  // weight
        r.Word();  // italic, character set
        face = r.SzOrOrd();
    }
    std::printf("dialog %s %u style=0x%08lX font=%u,%s caption=%s items=%u\n", id.c_str(), e.lang,
                static_cast<unsigned long>(style), points, Utf8(face).c_str(), Utf8(caption).c_str(), count);
    for (WORD i = 0; i < count && r.ok; ++i) {
        r.AlignDword(data);
        r.Dword();  // help id
        r.Dword();  // extended style
        DWORD itemStyle = r.Dword();
        short pos[4];
        for (short& v : pos) v = static_cast<short>(r.Word());
        DWORD itemId = r.Dword();
        std::wstring cls = ClassName(r.SzOrOrd());
        std::wstring text = r.SzOrOrd();
        WORD extra = r.Word();
        r.p += extra <= r.end - r.p ? extra : r.end - r.p;
        std::printf("item %s %u %ld class=%s text=%s style=0x%08lX %d,%d,%d,%d\n", id.c_str(), e.lang,
                    static_cast<long>(static_cast<LONG>(itemId)), Utf8(cls).c_str(), Utf8(text).c_str(),
                    static_cast<unsigned long>(itemStyle), pos[0], pos[1], pos[2], pos[3]);
    }
    if (!r.ok) std::printf("dialog %s %u truncated\n", id.c_str(), e.lang);
}

void DumpStrings(const Entry& e, const BYTE* data, DWORD size) {
    unsigned block = static_cast<unsigned>(std::stoul(e.name.substr(1)));
    for (unsigned i = 0; i < 16; ++i) {
        const WCHAR* text = nullptr;
        size_t length = 0;
        if (!AfxStringInBlock(data, size, i, &text, &length)) {
            std::printf("string-block %u %u truncated\n", block, e.lang);
            return;
        }
        if (length == 0) continue;
        std::printf("string %u %u %s\n", (block - 1) * 16 + i, e.lang, Printable(Utf8(std::wstring(text, length))).c_str());
    }
}

void DumpVersion(const Entry& e, const std::string& id) {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    std::vector<BYTE> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    LPVOID value = nullptr;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &len) || fixed == nullptr) {
        std::printf("version %s %u unreadable\n", id.c_str(), e.lang);
        return;
    }
    bool selfRegister = VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OLESelfRegister", &value, &len);
    std::printf("version %s %u file=%lu.%lu.%lu.%lu product=%lu.%lu.%lu.%lu OLESelfRegister=%s\n",
                id.c_str(), e.lang, fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF, fixed->dwProductVersionMS >> 16,
                fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16,
                fixed->dwProductVersionLS & 0xFFFF, selfRegister ? "yes" : "no");
}

}  // namespace

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == '\\') {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    HMODULE self = GetModuleHandleW(nullptr);
    std::vector<Entry> entries;
    EnumResourceTypesW(self, OnType, reinterpret_cast<LONG_PTR>(&entries));
    for (const Entry& e : entries) {
        LPCWSTR type = e.type[0] == L'#' ? MAKEINTRESOURCEW(std::stoul(e.type.substr(1))) : e.type.c_str();
        LPCWSTR name = e.name[0] == L'#' ? MAKEINTRESOURCEW(std::stoul(e.name.substr(1))) : e.name.c_str();
        HRSRC res = FindResourceExW(self, type, name, e.lang);
        HGLOBAL loaded = res != nullptr ? LoadResource(self, res) : nullptr;
        const BYTE* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        DWORD size = res != nullptr ? SizeofResource(self, res) : 0;
        std::string id = Utf8(e.name.substr(e.name[0] == L'#' ? 1 : 0));
        if (data == nullptr) {
            std::printf("unloadable %s %s %u\n", Utf8(e.type).c_str(), id.c_str(), e.lang);
        } else if (e.type == L"#5") {
            DumpDialog(e, id, data, size);
        } else if (e.type == L"#2") {
            std::printf("bitmap %s %u bytes=%lu fnv=%08lX\n", id.c_str(), e.lang, static_cast<unsigned long>(size),
                        static_cast<unsigned long>(Fnv1a(data, size)));
        } else if (e.type == L"#14") {
            std::printf("icon %s %u images=%u\n", id.c_str(), e.lang, size >= 6 ? data[4] | (data[5] << 8) : 0);
        } else if (e.type == L"#6") {
            DumpStrings(e, data, size);
        } else if (e.type == L"#16") {
            DumpVersion(e, id);
        } else if (e.type == L"TYPELIB") {
            std::printf("typelib %s %u\n", id.c_str(), e.lang);
        } else if (e.type != L"#3") {  // the icon's images, counted by their group
            std::printf("other %s %s %u\n", Utf8(e.type).c_str(), id.c_str(), e.lang);
        }
    }
    std::vector<UINT> ids;
    for (const Entry& e : entries) {
        if (e.type != L"#6") continue;
        UINT first = (static_cast<UINT>(std::stoul(e.name.substr(1))) - 1) * 16;
        for (UINT id = first; id < first + 16; ++id) {
            std::string text;
            LANGID lang = 0;
            bool seen = false;
            for (UINT other : ids) seen = seen || other == id;
            if (seen || !AfxLoadResourceString(self, id, &text, &lang)) continue;
            ids.push_back(id);
            std::printf("ansi %u %u ", id, lang);
            for (unsigned char c : text) std::printf("%02X", c);
            std::printf("\n");
        }
    }
    return DumpTypeLib() ? 0 : 1;
}
