// The type library's IDL, written from its description: the library, its
// dispatch interfaces with their members and dispids, and the control class.
#include <cstdio>
#include <string>

#include "resources/tools/make_rc.h"

namespace makerc {

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.Data1),
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return text;
}

namespace {

// The IDL name of an Automation type; null for one the description does not use.
const char* TypeName(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY: return "void";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_R4: return "float";
    case VT_R8: return "double";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_UI1: return "unsigned char";
    default: return nullptr;
    }
}

// A text in double quotes (the description's texts are plain ASCII).
std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '"' || *p == '\\') out.push_back('\\');
        out.push_back(*p);
    }
    return out + "\"";
}

std::string DispId(DISPID id) {
    char text[16];
    std::snprintf(text, sizeof text, id < 0 ? "0x%08X" : "%u", static_cast<unsigned>(id));
    return text;
}

bool WriteInterface(const TypeInterfaceDesc& itf, std::string* out, std::string* error) {
    *out += "    [\n        uuid(" + GuidText(*itf.iid) + ")";
    if (itf.helpString != nullptr) *out += ",\n        helpstring(" + Quoted(itf.helpString) + ")";
    if (itf.typeFlags & TYPEFLAG_FHIDDEN) *out += ",\n        hidden";
    *out += "\n    ]\n    dispinterface " + std::string(itf.name) + "\n    {\n        properties:\n";
    std::string methods;
    for (int i = 0; i < itf.cMembers; ++i) {
        const TypeMemberDesc& m = itf.members[i];
        const char* type = TypeName(m.vt);
        if (type == nullptr) {
            *error = std::string("member ") + m.name + " has a type with no IDL name";
            return false;
        }
        if (m.kind == TypeMemberKind::Property) {
            *out += "            [id(" + DispId(m.dispid) + ")] " + type + " " + m.name + ";\n";
            continue;
        }
        methods += "            [id(" + DispId(m.dispid) + ")] " + type + " " + m.name + "(";
        for (int p = 0; p < m.cParams; ++p) {
            const char* ptype = TypeName(m.params[p].vt);
            if (ptype == nullptr || m.params[p].vt == VT_EMPTY) {
                *error = std::string("a parameter of ") + m.name + " has a type with no IDL name";
                return false;
            }
            methods += (p > 0 ? ", " : "") + std::string(ptype) + " " + m.params[p].name;
        }
        methods += ");\n";
    }
    *out += "        methods:\n" + methods + "    };\n\n";
    return true;
}

}  // namespace

bool WriteIdl(const TypeLibDesc& lib, std::string* idl, std::string* error) {
    std::string out =
        "// The type library of VemoMPIOCX.ocx, written by vemompi-make-rc from the\n"
        "// module's type library description. Do not edit.\n\n"
        // widl knows Automation types by their names and IDispatch from the
        // imported stdole2.tlb; these declarations only introduce the names
        // (no oaidl.idl is at hand).
        "typedef wchar_t OLECHAR;\n"
        "typedef OLECHAR* BSTR;\n"
        "typedef short VARIANT_BOOL;\n"
        "interface IDispatch;\n\n";
    char version[16];
    std::snprintf(version, sizeof version, "%u.%u", lib.majorVersion, lib.minorVersion);
    out += "[\n    uuid(" + GuidText(*lib.libid) + "),\n    version(" + version + ")";
    if (lib.helpFile != nullptr) out += ",\n    helpfile(" + Quoted(lib.helpFile) + ")";
    if (lib.helpString != nullptr) out += ",\n    helpstring(" + Quoted(lib.helpString) + ")";
    out += "\n]\nlibrary " + std::string(lib.name) + "\n{\n    importlib(\"stdole2.tlb\");\n\n";
    for (int i = 0; i < lib.cInterfaces; ++i) {
        if (!WriteInterface(*lib.interfaces[i], &out, error)) return false;
    }
    if (const TypeCoClassDesc* c = lib.coclass) {
        out += "    [\n        uuid(" + GuidText(*c->clsid) + ")";
        if (c->helpString != nullptr) out += ",\n        helpstring(" + Quoted(c->helpString) + ")";
        if (c->typeFlags & TYPEFLAG_FCONTROL) out += ",\n        control";
        if (!(c->typeFlags & TYPEFLAG_FCANCREATE)) out += ",\n        noncreatable";
        out += "\n    ]\n    coclass " + std::string(c->name) + "\n    {\n";
        if (c->defaultInterface != nullptr)
            out += "        [default] dispinterface " + std::string(c->defaultInterface->name) + ";\n";
        if (c->defaultSource != nullptr)
            out += "        [default, source] dispinterface " + std::string(c->defaultSource->name) + ";\n";
        out += "    };\n";
    }
    out += "};\n";
    *idl = out;
    return true;
}

}  // namespace makerc
