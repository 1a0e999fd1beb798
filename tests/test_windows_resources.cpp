// The Windows module's resources against the tables they are written from.
//
// The generator's own faults are caught here on every run. The resources of
// the Windows builds (build/windows/x64 and x86, or VEMOMPI_WINDOWS_BUILD)
// are checked when those builds exist: the x64 resource lister
// (vemompi-resources-dump.exe, which carries the module's resource object)
// runs under wine64 with a Korean and an English system language, and its
// list must equal the one the tables give; the x86 resource object (Wine
// here runs no 32-bit programs) must decompile as the x64 one does, and its
// type library must be a Win32 one.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/afx/afxres.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "resources/VemoMPIOCX_version.h"
#include "resources/tools/make_rc.h"
#include "tests/windows/dump_resources.h"

namespace fs = std::filesystem;

namespace {

// How a compiler that reads every hex digit after \x reads a wide literal.
std::u16string ReadGreedily(const std::string& literal) {
    std::u16string out;
    for (size_t i = 2; i + 1 < literal.size(); ++i) {
        if (literal[i] == '\\' && literal[i + 1] == 'x') {
            unsigned v = 0;
            for (i += 2; i + 1 < literal.size() && std::isxdigit(static_cast<unsigned char>(literal[i])); ++i) {
                v = v * 16 + static_cast<unsigned>(std::stoi(std::string(1, literal[i]), nullptr, 16));
            }
            out.push_back(static_cast<char16_t>(v));
            --i;
        } else {
            out.push_back(static_cast<char16_t>(literal[i]));
        }
    }
    return out;
}

TEST(MakeRc, WideLiteralsReadBackWhateverFollowsAnEscape) {
    const std::u16string texts[] = {u"Torvu\uD074\uB9AD", u"\uD074abc1 \uB9AD\"q\\", u"\n\nA-Fa-f09", u""};
    for (const auto& text : texts) {
        std::string literal = makerc::WideLiteral(text);
        ASSERT_EQ(literal.substr(0, 2), "L\"");
        EXPECT_EQ(ReadGreedily(literal), text) << literal;
    }
}

TEST(MakeRc, AnEntryWithNoScriptFormFailsTheGenerator) {
    const AFX_RESOURCE_ENTRY entries[] = {{RT_ICON_ID, 3, LANG_ENGLISH_US, "x", 1}};
    std::string script, error;
    EXPECT_FALSE(makerc::WriteResourceScript(entries, 1, "/nonexistent", &script, &error));
    EXPECT_FALSE(error.empty());
}

// A text of the tables (code page 949 for Korean, 1252 otherwise) as UTF-8,
// converted here on its own, not by the generator.
std::string Utf8(const char* text, size_t length, LANGID lang) {
    iconv_t cd = iconv_open("UTF-8", lang == LANG_KOREAN_DEFAULT ? "CP949" : "CP1252");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(length * 4 + 4, '\0');
    char* in = const_cast<char*>(text == nullptr ? "" : text);
    char* to = out.data();
    size_t inLeft = length, outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Utf8(const char* text, LANGID lang) { return Utf8(text, text == nullptr ? 0 : std::strlen(text), lang); }

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\x%02X", c);
        if (c < 0x20 || c == '\\') out += esc;
        else out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return line;
}

std::string Guid(const GUID& g) {
    return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1), g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
}

const char* StringText(const AFX_RESOURCE_ENTRY& e, size_t* length) {
    const char* text = static_cast<const char*>(e.data);
    *length = strnlen(text, e.size);
    return text;
}

// The string the framework loads for id on a system of language systemLang:
// that language, then US English, then any.
const AFX_RESOURCE_ENTRY* PickString(WORD id, LANGID systemLang) {
    for (LANGID lang : {systemLang, LANG_ENGLISH_US, LANGID(0)}) {
        for (int i = 0; i < g_afxModuleResourceCount; ++i) {
            const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
            if (e.type == RT_STRING_ID && e.id == id && (lang == 0 || e.lang == lang)) return &e;
        }
    }
    return nullptr;
}

void AddDialog(const AFX_RESOURCE_ENTRY& e, std::set<std::string>* lines) {
    const auto* d = static_cast<const AFX_DLGTEMPLATE*>(e.data);
    bool font = (d->style & DS_SETFONT) != 0;
    lines->insert(Format("dialog %u %u style=0x%08lX font=%u,%s caption=%s items=%d", e.id, e.lang,
                         static_cast<unsigned long>(d->style), font ? d->pointSize : 0,
                         font ? Utf8(d->faceName, e.lang).c_str() : "", Utf8(d->caption, e.lang).c_str(), d->cItems));
    for (int i = 0; i < d->cItems; ++i) {
        const AFX_DLGITEMTEMPLATE& it = d->items[i];
        lines->insert(Format("item %u %u %d class=%s text=%s style=0x%08lX %d,%d,%d,%d", e.id, e.lang,
                             it.id == 0xFFFF ? -1 : it.id, it.windowClass, Utf8(it.text, e.lang).c_str(),
                             static_cast<unsigned long>(it.style), it.x, it.y, it.cx, it.cy));
    }
}

void AddTypeLib(std::set<std::string>* lines) {
    const TypeLibDesc& lib = g_VemoMPIOCXTypeLib;
    lines->insert(Format("lib %s %s %u.%u help=%s helpfile=%s", Guid(*lib.libid).c_str(), lib.name, lib.majorVersion,
                         lib.minorVersion, lib.helpString, lib.helpFile));
    for (int i = 0; i < lib.cInterfaces; ++i) {
        const TypeInterfaceDesc& itf = *lib.interfaces[i];
        lines->insert(Format("type %s kind=4 %s flags=0x%X help=%s", itf.name, Guid(*itf.iid).c_str(), itf.typeFlags,
                             itf.helpString));
        for (int m = 0; m < itf.cMembers; ++m) {
            const TypeMemberDesc& mem = itf.members[m];
            if (mem.kind == TypeMemberKind::Property) {
                lines->insert(Format("prop %s %ld %s vt=%u", itf.name, static_cast<long>(mem.dispid), mem.name, mem.vt));
                continue;
            }
            std::string params;
            for (int p = 0; p < mem.cParams; ++p) {
                params += Format("%s%s:%u", p > 0 ? "," : "", mem.params[p].name, mem.params[p].vt);
            }
            lines->insert(Format("method %s %ld %s ret=%u params=%s", itf.name, static_cast<long>(mem.dispid), mem.name,
                                 mem.vt == VT_EMPTY ? unsigned(VT_VOID) : mem.vt, params.c_str()));
        }
    }
    const TypeCoClassDesc& c = *lib.coclass;
    lines->insert(Format("type %s kind=5 %s flags=0x%X help=%s", c.name, Guid(*c.clsid).c_str(), c.typeFlags,
                         c.helpString));
    lines->insert(Format("impl %s %s flags=1", c.name, c.defaultInterface->name));        // IMPLTYPEFLAG_FDEFAULT
    lines->insert(Format("impl %s %s flags=3", c.name, c.defaultSource->name));           // and FSOURCE
}

// What vemompi-resources-dump lists on a system of language systemLang.
std::set<std::string> Expected(LANGID systemLang) {
    std::set<std::string> lines;
    std::set<WORD> stringIds;
    for (int i = 0; i < g_afxModuleResourceCount; ++i) {
        const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
        const auto* bytes = static_cast<const unsigned char*>(e.data);
        size_t length = 0;
        switch (e.type) {
        case RT_DIALOG_ID: AddDialog(e, &lines); break;
        case RT_BITMAP_ID:  // the resource is the file without its 14-byte file header
            lines.insert(Format("bitmap %u %u bytes=%zu fnv=%08X", e.id, e.lang, e.size - 14,
                                static_cast<unsigned>(Fnv1a(bytes + 14, e.size - 14))));
            break;
        case RT_GROUP_ICON_ID: lines.insert(Format("icon %u %u images=%u", e.id, e.lang, bytes[4] | (bytes[5] << 8))); break;
        case RT_STRING_ID: {
            const char* text = StringText(e, &length);
            lines.insert(Format("string %u %u %s", e.id, e.lang, Printable(Utf8(text, length, e.lang)).c_str()));
            stringIds.insert(e.id);
            break;
        }
        case RT_TYPELIB_ID: lines.insert(Format("typelib %u %u", e.id, e.lang)); break;
        default: ADD_FAILURE() << "an entry of type " << e.type << " has no expected form";
        }
    }
    for (WORD id : stringIds) {
        const AFX_RESOURCE_ENTRY* e = PickString(id, systemLang);
        size_t length = 0;
        const char* text = StringText(*e, &length);
        std::string hex;
        for (size_t i = 0; i < length; ++i) hex += Format("%02X", static_cast<unsigned char>(text[i]));
        lines.insert(Format("ansi %u %u %s", id, e->lang, hex.c_str()));
    }
    lines.insert(Format("version 1 %u file=%s product=%s OLESelfRegister=yes", LANG_ENGLISH_US,
                        VEMOMPI_FILE_VERSION_TEXT, VEMOMPI_FILE_VERSION_TEXT));
    AddTypeLib(&lines);
    return lines;
}

std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    *status = pclose(p);
    return out;
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.insert(text.substr(start, end - start));
    }
    return lines;
}

fs::path WindowsBuild(const char* arch) {
    const char* env = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return fs::path(env != nullptr ? env : VEMOMPI_WINDOWS_BUILD) / arch;
}

fs::path Wine64() {
    for (const char* p : {"/usr/lib/wine/wine64", "/usr/bin/wine64"}) {
        if (fs::exists(p)) return p;
    }
    return {};
}

TEST(WindowsResources, X64ImageCarriesTheTablesInBothLanguages) {
    fs::path dump = WindowsBuild("x64") / "vemompi-resources-dump.exe";
    if (!fs::exists(dump)) GTEST_SKIP() << "no x64 Windows build with vemompi-resources-dump.exe at " << dump;
    fs::path wine = Wine64();
    if (wine.empty()) GTEST_SKIP() << "wine64 is not installed";
    char prefixTemplate[] = "/tmp/vemompi-winres-XXXXXX";
    ASSERT_NE(mkdtemp(prefixTemplate), nullptr);
    fs::path prefix = prefixTemplate;
    for (auto [locale, lang] : {std::pair{"ko_KR.UTF-8", LANG_KOREAN_DEFAULT}, std::pair{"en_US.UTF-8", LANG_ENGLISH_US}}) {
        SCOPED_TRACE(locale);
        int status = -1;
        std::string out = RunCommand(std::string("LANG=") + locale + " LC_ALL=" + locale + " WINEPREFIX=" + prefix.string() +
                                  " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' timeout 300 " + wine.string() +
                                  " '" + dump.string() + "' 2>/dev/null",
                              &status);
        EXPECT_EQ(status, 0) << out;
        std::set<std::string> got = Lines(out), want = Expected(lang);
        for (const auto& line : want) EXPECT_TRUE(got.count(line)) << "missing: " << line;
        for (const auto& line : got) EXPECT_TRUE(want.count(line)) << "not in the tables: " << line;
    }
    int ignored = 0;
    RunCommand("WINEPREFIX=" + prefix.string() + " " + (wine.parent_path() / "wineserver").string() + " -k 2>/dev/null",
        &ignored);
    fs::remove_all(prefix);
}

// The resource object of a build (CMake names it after the script).
fs::path ResourceObject(const fs::path& build) {
    fs::path dir = build / "CMakeFiles" / "vemompi_winres.dir";
    if (!fs::exists(dir)) return {};
    for (const auto& f : fs::recursive_directory_iterator(dir)) {
        if (f.path().filename().string().rfind("VemoMPIOCX.rc.", 0) == 0) return f.path();
    }
    return {};
}

// The decompiled resources without the type library's bytes.
std::string Decompile(const fs::path& object) {
    int status = -1;
    std::string rc = RunCommand("x86_64-w64-mingw32-windres -J coff -O rc -i '" + object.string() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << rc;
    size_t at = rc.find("1 \"TYPELIB\"");
    size_t end = at == std::string::npos ? at : rc.find("\nEND", at);
    EXPECT_NE(end, std::string::npos) << "no TYPELIB 1";
    if (end != std::string::npos) rc.erase(at, end - at);
    return rc;
}

TEST(WindowsResources, X86ObjectEqualsTheX64OneWithAWin32TypeLibrary) {
    fs::path x86 = ResourceObject(WindowsBuild("x86")), x64 = ResourceObject(WindowsBuild("x64"));
    if (x86.empty() || x64.empty()) GTEST_SKIP() << "needs both Windows builds under " << WindowsBuild("");
    EXPECT_EQ(Decompile(x86), Decompile(x64));
    // The type library's header: its flags word at offset 0x14 holds the
    // system kind in its low bits (1 Win32, 3 Win64).
    for (auto [arch, kind] : {std::pair{"x86", 1}, std::pair{"x64", 3}}) {
        FILE* f = std::fopen((WindowsBuild(arch) / "winres" / "VemoMPIOCX.tlb").c_str(), "rb");
        ASSERT_NE(f, nullptr) << arch;
        unsigned char header[0x18] = {};
        size_t n = std::fread(header, 1, sizeof header, f);
        std::fclose(f);
        ASSERT_EQ(n, sizeof header);
        EXPECT_EQ(std::memcmp(header, "MSFT", 4), 0) << arch;
        EXPECT_EQ(header[0x14] & 0x0F, kind) << arch;
    }
}

}  // namespace
