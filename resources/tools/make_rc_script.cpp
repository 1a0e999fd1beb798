// The resource script of the Windows module, written from the resource
// table: each entry in its language, texts as UTF-16 from the code page of
// that language, pictures as files beside the script.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resources/VemoMPIOCX_tlb.h"
#include "resources/VemoMPIOCX_version.h"
#include "resources/tools/make_rc.h"

namespace makerc {

namespace {

void Append(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Append(std::string* out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *out += line;
}

void AppendLanguage(std::string* out, LANGID lang) {
    Append(out, "LANGUAGE 0x%02X, 0x%02X\n", lang & 0x3FF, lang >> 10);
}

// Text of a template or a string table in its language's code page, as a
// wide literal.
bool Literal(const char* text, size_t length, LANGID lang, std::string* literal, std::string* error) {
    std::u16string wide;
    if (text == nullptr) text = "";
    if (!ToUtf16(text, length, CodePageOf(lang), &wide)) {
        *error = std::string("text not valid in its code page: ") + text;
        return false;
    }
    *literal = WideLiteral(wide);
    return true;
}

bool Literal(const char* text, LANGID lang, std::string* literal, std::string* error) {
    return Literal(text, text == nullptr ? 0 : std::strlen(text), lang, literal, error);
}

bool WriteFile(const std::string& path, const void* data, size_t size, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(data, 1, size, f) == size;
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

// An item's text: "#N" names a resource by number (the icon of an SS_ICON
// static), which the resource compiler writes as an ordinal.
bool ItemText(const AFX_DLGITEMTEMPLATE& item, LANGID lang, std::string* text, std::string* error) {
    const char* t = item.text == nullptr ? "" : item.text;
    if (t[0] == '#' && t[1] != '\0' && std::strspn(t + 1, "0123456789") == std::strlen(t + 1)) {
        *text = t + 1;
        return true;
    }
    return Literal(t, lang, text, error);
}

bool WriteDialog(const AFX_RESOURCE_ENTRY& e, std::string* out, std::string* error) {
    const auto* d = static_cast<const AFX_DLGTEMPLATE*>(e.data);
    if (d == nullptr || e.size != sizeof(AFX_DLGTEMPLATE)) {
        *error = "dialog " + std::to_string(e.id) + " has no template";
        return false;
    }
    std::string caption, face;
    if (!Literal(d->caption, e.lang, &caption, error) || !Literal(d->faceName, e.lang, &face, error)) return false;
    Append(out, "%u DIALOGEX %d, %d, %d, %d\n", e.id, d->x, d->y, d->cx, d->cy);
    Append(out, "STYLE 0x%08lX\n", static_cast<unsigned long>(d->style));
    if (d->exStyle != 0) Append(out, "EXSTYLE 0x%08lX\n", static_cast<unsigned long>(d->exStyle));
    if (d->caption != nullptr && d->caption[0] != '\0') Append(out, "CAPTION %s\n", caption.c_str());
    // Weight 0, not italic, DEFAULT_CHARSET, as the resource compiler writes
    // a FONT statement without them.
    if (d->style & DS_SETFONT) Append(out, "FONT %u, %s, 0, 0, 0x1\n", d->pointSize, face.c_str());
    *out += "BEGIN\n";
    for (int i = 0; i < d->cItems; ++i) {
        const AFX_DLGITEMTEMPLATE& item = d->items[i];
        std::string text, cls;
        if (!ItemText(item, e.lang, &text, error) || !Literal(item.windowClass, e.lang, &cls, error)) return false;
        // 0xFFFF is the id of items nothing refers to, -1 in the script.
        int id = item.id == 0xFFFF ? -1 : item.id;
        Append(out, "    CONTROL %s, %d, %s, 0x%08lX, %d, %d, %d, %d\n", text.c_str(), id, cls.c_str(),
               static_cast<unsigned long>(item.style), item.x, item.y, item.cx, item.cy);
    }
    *out += "END\n\n";
    return true;
}

void WriteVersion(std::string* out) {
    const char* description = g_VemoMPIOCXTypeLib.helpString;
    Append(out,
           "1 VERSIONINFO\n"
           "FILEVERSION %d, %d, %d, %d\n"
           "PRODUCTVERSION %d, %d, %d, %d\n"
           "FILEFLAGSMASK 0x3F\n"
           "FILEFLAGS 0x0\n"
           "FILEOS 0x4\n"      // VOS__WINDOWS32
           "FILETYPE 0x2\n"    // VFT_DLL
           "FILESUBTYPE 0x0\n"
           "BEGIN\n"
           "    BLOCK \"StringFileInfo\"\n"
           "    BEGIN\n"
           "        BLOCK \"040904B0\"\n"
           "        BEGIN\n",
           VEMOMPI_VERSION_MAJOR, VEMOMPI_VERSION_MINOR, VEMOMPI_VERSION_BUILD, VEMOMPI_VERSION_REVISION,
           VEMOMPI_VERSION_MAJOR, VEMOMPI_VERSION_MINOR, VEMOMPI_VERSION_BUILD, VEMOMPI_VERSION_REVISION);
    const char* const values[][2] = {
        {"FileDescription", description},
        {"FileVersion", VEMOMPI_FILE_VERSION_TEXT},
        {"InternalName", "VemoMPIOCX"},
        {"OriginalFilename", "VEMOMPIOCX.OCX"},
        {"ProductName", description},
        {"ProductVersion", VEMOMPI_FILE_VERSION_TEXT},
        // Tells installers that the module registers itself.
        {"OLESelfRegister", ""},
    };
    for (const auto& v : values) Append(out, "            VALUE \"%s\", \"%s\"\n", v[0], v[1]);
    *out +=
        "        END\n"
        "    END\n"
        "    BLOCK \"VarFileInfo\"\n"
        "    BEGIN\n"
        "        VALUE \"Translation\", 0x409, 1200\n"
        "    END\n"
        "END\n\n";
}

}  // namespace

bool WriteResourceScript(const AFX_RESOURCE_ENTRY* entries, int count, const std::string& fileDir,
                         std::string* script, std::string* error) {
    std::string out =
        "// The resources of VemoMPIOCX.ocx, written by vemompi-make-rc from the\n"
        "// module's resource table. Do not edit: it is written again at each build.\n\n";
    std::map<LANGID, std::string> strings;  // the string table of each language
    for (int i = 0; i < count; ++i) {
        const AFX_RESOURCE_ENTRY& e = entries[i];
        std::string literal;
        switch (e.type) {
        case RT_GROUP_ICON_ID:
        case RT_BITMAP_ID: {
            bool icon = e.type == RT_GROUP_ICON_ID;
            std::string path = fileDir + (icon ? "/icon_" : "/bitmap_") + std::to_string(e.id) + (icon ? ".ico" : ".bmp");
            if (!WriteFile(path, e.data, e.size, error)) return false;
            AppendLanguage(&out, e.lang);
            Append(&out, "%u %s \"%s\"\n\n", e.id, icon ? "ICON" : "BITMAP", path.c_str());
            break;
        }
        case RT_DIALOG_ID:
            AppendLanguage(&out, e.lang);
            if (!WriteDialog(e, &out, error)) return false;
            break;
        case RT_STRING_ID: {
            // The text ends at its size or at a NUL, whichever comes first.
            const char* text = static_cast<const char*>(e.data);
            if (!Literal(text, strnlen(text, e.size), e.lang, &literal, error)) return false;
            Append(&strings[e.lang], "    %u, ", e.id);
            strings[e.lang] += literal + "\n";
            break;
        }
        case RT_TYPELIB_ID:
            AppendLanguage(&out, e.lang);
            Append(&out, "%u TYPELIB \"VemoMPIOCX.tlb\"\n\n", e.id);
            break;
        default:
            *error = "resource type " + std::to_string(e.type) + " has no form in a resource script";
            return false;
        }
    }
    for (const auto& [lang, table] : strings) {
        AppendLanguage(&out, lang);
        out += "STRINGTABLE\nBEGIN\n" + table + "END\n\n";
    }
    AppendLanguage(&out, LANG_ENGLISH_US);
    WriteVersion(&out);
    *script = out;
    return true;
}

}  // namespace makerc
