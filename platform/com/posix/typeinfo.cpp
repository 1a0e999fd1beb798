#include "platform/com/typeinfo.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

bool NameEquals(const char* ascii, const OLECHAR* name) {
    if (ascii == nullptr || name == nullptr) return false;
    size_t i = 0;
    for (; ascii[i] != '\0' && name[i] != 0; ++i) {
        OLECHAR c = name[i];
        if (c > 0x7F) return false;
        char a = ascii[i], b = static_cast<char>(c);
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return ascii[i] == '\0' && name[i] == 0;
}

bool NameEqualsAscii(const char* a, const char* b) {
    std::u16string wide;
    for (const char* p = b; *p; ++p) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
    return NameEquals(a, wide.c_str());
}

// The function descriptions of an interface in order: a method gives one,
// a property two (get, then put).
bool LocateFunc(const TypeInterfaceDesc& d, UINT index, const TypeMemberDesc** member, INVOKEKIND* kind) {
    UINT k = 0;
    for (int i = 0; i < d.cMembers; ++i) {
        const TypeMemberDesc& m = d.members[i];
        if (m.kind == TypeMemberKind::Method) {
            if (k++ == index) {
                *member = &m, *kind = INVOKE_FUNC;
                return true;
            }
        } else {
            if (k++ == index) {
                *member = &m, *kind = INVOKE_PROPERTYGET;
                return true;
            }
            if (k++ == index) {
                *member = &m, *kind = INVOKE_PROPERTYPUT;
                return true;
            }
        }
    }
    return false;
}

WORD CountFuncs(const TypeInterfaceDesc& d) {
    WORD n = 0;
    for (int i = 0; i < d.cMembers; ++i) n = static_cast<WORD>(n + (d.members[i].kind == TypeMemberKind::Method ? 1 : 2));
    return n;
}

}  // namespace

BSTR AsciiToBstr(const char* text) {
    if (text == nullptr) return nullptr;
    std::u16string wide;
    for (const char* p = text; *p; ++p) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, DISPID dispid) {
    for (int i = 0; i < itf.cMembers; ++i)
        if (itf.members[i].dispid == dispid) return &itf.members[i];
    return nullptr;
}

const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, const char* name) {
    for (int i = 0; i < itf.cMembers; ++i)
        if (NameEqualsAscii(itf.members[i].name, name)) return &itf.members[i];
    return nullptr;
}

CStaticTypeInfo::CStaticTypeInfo(const TypeInterfaceDesc& desc) : desc_(desc) {}

HRESULT CStaticTypeInfo::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
        *ppvObject = static_cast<ITypeInfo*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT CStaticTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
    if (ppTypeAttr == nullptr) return E_INVALIDARG;
    auto* attr = static_cast<TYPEATTR*>(std::calloc(1, sizeof(TYPEATTR)));
    if (attr == nullptr) return E_OUTOFMEMORY;
    attr->guid = *desc_.iid;
    attr->lcid = 0;
    attr->memidConstructor = MEMBERID_NIL;
    attr->memidDestructor = MEMBERID_NIL;
    attr->typekind = TKIND_DISPATCH;
    attr->cFuncs = CountFuncs(desc_);
    attr->cVars = 0;
    attr->cImplTypes = 1;
    attr->cbSizeVft = 7 * sizeof(void*);
    attr->cbAlignment = 4;
    attr->wTypeFlags = desc_.typeFlags;
    attr->wMajorVerNum = 1;
    attr->wMinorVerNum = 0;
    *ppTypeAttr = attr;
    return S_OK;
}

void CStaticTypeInfo::ReleaseTypeAttr(TYPEATTR* pTypeAttr) { std::free(pTypeAttr); }

HRESULT CStaticTypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
    if (ppFuncDesc == nullptr) return E_INVALIDARG;
    const TypeMemberDesc* m = nullptr;
    INVOKEKIND kind = INVOKE_FUNC;
    if (!LocateFunc(desc_, index, &m, &kind)) return TYPE_E_ELEMENTNOTFOUND;
    int nParams = kind == INVOKE_PROPERTYGET ? 0 : kind == INVOKE_PROPERTYPUT ? 1 : m->cParams;
    // One block: the description followed by its parameter descriptions.
    auto* fd = static_cast<FUNCDESC*>(std::calloc(1, sizeof(FUNCDESC) + sizeof(ELEMDESC) * (nParams > 0 ? nParams : 1)));
    if (fd == nullptr) return E_OUTOFMEMORY;
    auto* params = reinterpret_cast<ELEMDESC*>(fd + 1);
    fd->memid = m->dispid;
    fd->funckind = FUNC_DISPATCH;
    fd->invkind = kind;
    fd->callconv = CC_STDCALL;
    fd->cParams = static_cast<SHORT>(nParams);
    fd->lprgelemdescParam = nParams > 0 ? params : nullptr;
    if (kind == INVOKE_PROPERTYPUT) {
        params[0].tdesc.vt = m->vt;
        params[0].paramdesc.wParamFlags = PARAMFLAG_FIN;
        fd->elemdescFunc.tdesc.vt = VT_VOID;
    } else {
        for (int i = 0; i < nParams; ++i) {
            params[i].tdesc.vt = m->params[i].vt;
            params[i].paramdesc.wParamFlags = PARAMFLAG_FIN;
        }
        fd->elemdescFunc.tdesc.vt = (kind == INVOKE_FUNC && m->vt == VT_EMPTY) ? static_cast<VARTYPE>(VT_VOID) : m->vt;
    }
    *ppFuncDesc = fd;
    return S_OK;
}

void CStaticTypeInfo::ReleaseFuncDesc(FUNCDESC* pFuncDesc) { std::free(pFuncDesc); }

HRESULT CStaticTypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
    if (rgBstrNames == nullptr || pcNames == nullptr) return E_INVALIDARG;
    const TypeMemberDesc* m = FindTypeMember(desc_, memid);
    if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    UINT n = 0;
    if (n < cMaxNames) rgBstrNames[n++] = AsciiToBstr(m->name);
    for (int i = 0; i < m->cParams && n < cMaxNames; ++i) rgBstrNames[n++] = AsciiToBstr(m->params[i].name);
    *pcNames = n;
    return S_OK;
}

HRESULT CStaticTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
    if (rgszNames == nullptr || pMemId == nullptr || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i) pMemId[i] = MEMBERID_NIL;
    const TypeMemberDesc* found = nullptr;
    for (int i = 0; i < desc_.cMembers && found == nullptr; ++i)
        if (NameEquals(desc_.members[i].name, rgszNames[0])) found = &desc_.members[i];
    if (found == nullptr) return DISP_E_UNKNOWNNAME;
    pMemId[0] = found->dispid;
    HRESULT hr = S_OK;
    for (UINT k = 1; k < cNames; ++k) {
        for (int p = 0; p < found->cParams; ++p)
            if (NameEquals(found->params[p].name, rgszNames[k])) pMemId[k] = p;
        if (pMemId[k] == MEMBERID_NIL) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CStaticTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                          DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    const char* name = nullptr;
    const char* doc = nullptr;
    if (memid == MEMBERID_NIL) {
        name = desc_.name;
        doc = desc_.helpString;
    } else {
        const TypeMemberDesc* m = FindTypeMember(desc_, memid);
        if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        name = m->name;
    }
    if (pBstrName != nullptr) *pBstrName = AsciiToBstr(name);
    if (pBstrDocString != nullptr) *pBstrDocString = doc != nullptr ? AsciiToBstr(doc) : nullptr;
    if (pdwHelpContext != nullptr) *pdwHelpContext = 0;
    if (pBstrHelpFile != nullptr) *pBstrHelpFile = nullptr;
    return S_OK;
}

CStaticTypeInfo* GetStaticTypeInfo(const TypeInterfaceDesc& desc) {
    static std::mutex lock;
    static std::map<const TypeInterfaceDesc*, std::unique_ptr<CStaticTypeInfo>> infos;
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = infos[&desc];
    if (!slot) slot = std::make_unique<CStaticTypeInfo>(desc);
    return slot.get();
}
