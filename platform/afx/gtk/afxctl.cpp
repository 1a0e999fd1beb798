#include "platform/afx/afxctl.h"

#include "platform/afx/afxmod.h"

// ------------------------------------------------------------ the module's objects and locks

namespace {
std::atomic<LONG> g_lockCount{0};
}  // namespace

void AfxOleLockApp() { ++g_lockCount; }

void AfxOleUnlockApp() { --g_lockCount; }

LONG AfxOleLockCount() { return g_lockCount.load(); }

// ------------------------------------------------------------ COleControl

// Each control is one of the module's live objects.
COleControl::COleControl() { AfxOleLockApp(); }

COleControl::~COleControl() {
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

HRESULT COleControl::XOleObject::GetClientSite(IOleClientSite** ppClientSite) {
    if (ppClientSite == nullptr) return E_POINTER;
    *ppClientSite = m_pOuter->m_pClientSite;
    if (*ppClientSite != nullptr) (*ppClientSite)->AddRef();
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
    else if (riid == IID_IOleObject)
        itf = static_cast<IOleObject*>(&m_xOleObject);
    else
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
    *pctinfo = 1;
    return S_OK;
}

HRESULT COleControl::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    *ppTInfo = GetStaticTypeInfo(GetDispatchDesc());
    return S_OK;
}

HRESULT COleControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return GetStaticTypeInfo(GetDispatchDesc())->GetIDsOfNames(rgszNames, cNames, rgDispId);
}
