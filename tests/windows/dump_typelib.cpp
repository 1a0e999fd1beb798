// The type library part of vemompi-resources-dump: the library that the
// program's own image carries (TYPELIB 1), loaded with LoadTypeLibEx as the
// module's registration loads it, one line per library, type and member:
//
//   lib {GUID} NAME MAJOR.MINOR help=TEXT helpfile=NAME
//   type NAME kind=N {GUID} flags=0x... help=TEXT
//   prop TYPE DISPID NAME vt=N
//   method TYPE DISPID NAME ret=N params=NAME:VT,...
//   impl TYPE INTERFACE flags=N
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "tests/windows/dump_resources.h"

namespace {

std::string Text(BSTR b) { return b == nullptr ? std::string() : Utf8(std::wstring(b, SysStringLen(b))); }

std::string Guid(const GUID& g) {
    WCHAR text[40] = {};
    StringFromGUID2(g, text, 40);
    return Utf8(text);
}

// The name and help text of a type (memid MEMBERID_NIL) or a member.
std::string Doc(ITypeInfo* ti, MEMBERID id, std::string* help = nullptr) {
    BSTR name = nullptr, doc = nullptr;
    if (FAILED(ti->GetDocumentation(id, &name, &doc, nullptr, nullptr))) return "?";
    std::string out = Text(name);
    if (help != nullptr) *help = Text(doc);
    SysFreeString(name);
    SysFreeString(doc);
    return out;
}

void DumpType(ITypeInfo* ti) {
    TYPEATTR* attr = nullptr;
    if (FAILED(ti->GetTypeAttr(&attr))) return;
    std::string help;
    std::string name = Doc(ti, MEMBERID_NIL, &help);
    std::printf("type %s kind=%d %s flags=0x%X help=%s\n", name.c_str(), static_cast<int>(attr->typekind),
                Guid(attr->guid).c_str(), attr->wTypeFlags, help.c_str());
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* var = nullptr;
        if (FAILED(ti->GetVarDesc(i, &var))) continue;
        std::printf("prop %s %ld %s vt=%u\n", name.c_str(), static_cast<long>(var->memid), Doc(ti, var->memid).c_str(),
                    var->elemdescVar.tdesc.vt);
        ti->ReleaseVarDesc(var);
    }
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        if (FAILED(ti->GetFuncDesc(i, &func))) continue;
        BSTR names[32] = {};
        UINT count = 0;
        ti->GetNames(func->memid, names, 32, &count);
        std::string params;
        for (SHORT p = 0; p < func->cParams; ++p) {
            if (p > 0) params += ",";
            params += (static_cast<UINT>(p) + 1 < count ? Text(names[p + 1]) : std::string("?")) + ":" +
                      std::to_string(func->lprgelemdescParam[p].tdesc.vt);
        }
        std::printf("method %s %ld %s ret=%u params=%s\n", name.c_str(), static_cast<long>(func->memid),
                    count > 0 ? Text(names[0]).c_str() : "?", func->elemdescFunc.tdesc.vt, params.c_str());
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
        ti->ReleaseFuncDesc(func);
    }
    if (attr->typekind == TKIND_COCLASS) {
        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            HREFTYPE href = 0;
            ITypeInfo* ref = nullptr;
            INT flags = 0;
            if (FAILED(ti->GetRefTypeOfImplType(i, &href)) || FAILED(ti->GetRefTypeInfo(href, &ref))) continue;
            ti->GetImplTypeFlags(i, &flags);
            std::printf("impl %s %s flags=%d\n", name.c_str(), Doc(ref, MEMBERID_NIL).c_str(), flags);
            ref->Release();
        }
    }
    ti->ReleaseTypeAttr(attr);
}

}  // namespace

bool DumpTypeLib() {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr)) {
        std::printf("typelib-unloadable 0x%08lX\n", static_cast<unsigned long>(hr));
        return false;
    }
    TLIBATTR* attr = nullptr;
    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&attr))) {
        lib->GetDocumentation(-1, &name, &doc, nullptr, &helpFile);
        std::printf("lib %s %s %u.%u help=%s helpfile=%s\n", Guid(attr->guid).c_str(), Text(name).c_str(),
                    attr->wMajorVerNum, attr->wMinorVerNum, Text(doc).c_str(), Text(helpFile).c_str());
        SysFreeString(name);
        SysFreeString(doc);
        SysFreeString(helpFile);
        lib->ReleaseTLibAttr(attr);
    }
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ITypeInfo* ti = nullptr;
        if (SUCCEEDED(lib->GetTypeInfo(i, &ti))) {
            DumpType(ti);
            ti->Release();
        }
    }
    lib->Release();
    return true;
}
