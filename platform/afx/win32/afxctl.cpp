// COleControl on Windows: the control's identity (IUnknown), IDispatch with
// the module's own type library, and the framework operations a control
// overrides. The OLE interfaces are COleControlOle's (afxctlole.h).
#include "platform/afx/afxctl.h"

#include <string>

#include "platform/afx/afxmod.h"
#include "platform/afx/afxwin.h"
#include "platform/afx/win32/afxctlole.h"

namespace {

// ASCII text of an OLE name; false when it holds anything else (no member
// of a description has such a name).
bool NameToAscii(const OLECHAR* name, std::string* out) {
    out->clear();
    if (name == nullptr) return false;
    for (const OLECHAR* p = name; *p != 0; ++p) {
        if (*p > 0x7f || out->size() > 255) return false;
        out->push_back(static_cast<char>(*p));
    }
    return true;
}

bool AsciiEqualsNoCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

ITypeLib* AfxGetModuleTypeLib() {
    static ITypeLib* const lib = [] {
        char path[MAX_PATH];
        if (!AfxGetModuleFileName(path, sizeof(path))) return static_cast<ITypeLib*>(nullptr);
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) return static_cast<ITypeLib*>(nullptr);
        ITypeLib* loaded = nullptr;
        if (FAILED(LoadTypeLibEx(wide, REGKIND_NONE, &loaded))) return static_cast<ITypeLib*>(nullptr);
        return loaded;  // kept for the life of the process
    }();
    return lib;
}

// Each control is one of the module's live objects.
COleControl::COleControl() : m_pOle(new COleControlOle(this)) { AfxOleLockApp(); }

COleControl::~COleControl() {
    delete m_pOle;
    if (m_pClientSite != nullptr) m_pClientSite->Release();
    AfxOleUnlockApp();
}

void COleControl::OnDraw(CDC*, const CRect&, const CRect&) {}

void COleControl::DoPropExchange(CPropExchange*) {}

void COleControl::OnResetState() {
    CResetPropExchange px;
    DoPropExchange(&px);
}

HRESULT COleControl::GetClassID(CLSID* pClsid) {
    if (pClsid != nullptr) *pClsid = IID_NULL;
    return E_NOTIMPL;
}

const CLSID* COleControl::GetPropPageIDs(ULONG& cPropPages) {
    cPropPages = 0;
    return nullptr;
}

DWORD COleControl::GetMiscStatus() { return 0; }

BOOL COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert) {
    return pPX->ExchangeVersion(m_dwVersionLoaded, dwVersionDefault, bConvert);
}

HRESULT COleControl::SetClientSite(IOleClientSite* pClientSite) {
    if (pClientSite != nullptr) pClientSite->AddRef();
    IOleClientSite* old = m_pClientSite;
    m_pClientSite = pClientSite;
    if (old != nullptr) old->Release();
    return S_OK;
}

void COleControl::InitializeIIDs(const IID* piidPrimary, const IID* piidEvents) {
    m_piidPrimary = piidPrimary;
    m_piidEvents = piidEvents;
}

HRESULT COleControl::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    void* itf = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (m_piidPrimary != nullptr && riid == *m_piidPrimary))
        itf = static_cast<IDispatch*>(this);
    else if ((itf = m_pOle->Find(riid)) == nullptr)
        itf = GetInterfaceHook(riid);
    *ppvObject = itf;
    if (itf == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG COleControl::AddRef() { return ++m_dwRef; }

ULONG COleControl::Release() {
    ULONG n = --m_dwRef;
    if (n == 0) delete this;
    return n;
}

HRESULT COleControl::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = AfxGetModuleTypeLib() != nullptr ? 1 : 0;
    return S_OK;
}

HRESULT COleControl::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    ITypeLib* lib = AfxGetModuleTypeLib();
    if (lib == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return lib->GetTypeInfoOfGuid(*GetDispatchDesc().iid, ppTInfo);
}

// Names are looked up in the interface description, as OLE Automation
// compares them (without regard to case): the member first, then the
// names of its parameters.
HRESULT COleControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (cNames == 0) return S_OK;
    if (rgszNames == nullptr || rgDispId == nullptr) return E_POINTER;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    std::string name;
    const TypeMemberDesc* member =
        NameToAscii(rgszNames[0], &name) ? FindTypeMember(GetDispatchDesc(), name.c_str()) : nullptr;
    if (member == nullptr) return DISP_E_UNKNOWNNAME;
    rgDispId[0] = member->dispid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        bool found = false;
        if (NameToAscii(rgszNames[i], &name)) {
            for (int p = 0; p < member->cParams && !found; ++p) {
                if (AsciiEqualsNoCase(member->params[p].name, name.c_str())) {
                    rgDispId[i] = p;
                    found = true;
                }
            }
        }
        if (!found) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}
