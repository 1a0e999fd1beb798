// COlePropertyPage, the part common to both window layers: its COM
// identity, its site, the objects it shows and the page exchange. Creating,
// showing and sizing its window is each layer's (gtk/afxpage.cpp,
// win32/afxpage.cpp).
#include "platform/afx/afxpage.h"

#include "platform/afx/afxmod.h"

void DDP_PostProcessing(CDataExchange*) {}

COlePropertyPage::COlePropertyPage(UINT idTemplate, UINT idCaption)
    : CDialog(idTemplate), m_idCaption(idCaption), m_idTemplate(idTemplate) {
    AfxOleLockApp();
}

COlePropertyPage::~COlePropertyPage() {
    Deactivate();
    ReleaseObjects();
    if (m_pPageSite != nullptr) m_pPageSite->Release();
    AfxOleUnlockApp();
}

HRESULT COlePropertyPage::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPropertyPage) {
        *ppvObject = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG COlePropertyPage::AddRef() { return ++m_dwRef; }

ULONG COlePropertyPage::Release() {
    ULONG n = --m_dwRef;
    if (n == 0) delete this;
    return n;
}

HRESULT COlePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
    if (pPageSite != nullptr) pPageSite->AddRef();
    if (m_pPageSite != nullptr) m_pPageSite->Release();
    m_pPageSite = pPageSite;
    return S_OK;
}

void COlePropertyPage::ReleaseObjects() {
    for (ULONG i = 0; i < m_nObjects; ++i)
        if (m_ppObjects[i] != nullptr) m_ppObjects[i]->Release();
    delete[] m_ppObjects;
    m_ppObjects = nullptr;
    m_nObjects = 0;
}

HRESULT COlePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
    if (cObjects > 0 && ppUnk == nullptr) return E_POINTER;
    ReleaseObjects();
    if (cObjects == 0) return S_OK;
    m_ppObjects = new IUnknown*[cObjects];
    for (ULONG i = 0; i < cObjects; ++i) {
        m_ppObjects[i] = ppUnk[i];
        if (m_ppObjects[i] != nullptr) m_ppObjects[i]->AddRef();
    }
    m_nObjects = cObjects;
    return S_OK;
}

IUnknown* const* COlePropertyPage::GetObjectArray(ULONG* pnObjects) const {
    if (pnObjects != nullptr) *pnObjects = m_nObjects;
    return m_ppObjects;
}

HRESULT COlePropertyPage::IsPageDirty() { return S_FALSE; }

HRESULT COlePropertyPage::Apply() { return UpdateData(TRUE) ? S_OK : E_FAIL; }

HRESULT COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
