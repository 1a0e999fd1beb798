// Control containment: sites, containers, the container manager and the
// delivery of control events to event sinks.
#include <algorithm>
#include <cstdarg>
#include <vector>

#include "platform/afx/gtk/afximpl.h"
#include "platform/browser/exdisp.h"

using namespace afximpl;

// ---------------------------------------------------------------- control containment

struct COleControlContainer::SiteList {
    std::vector<COleControlSite*> sites;
};

COleControlContainer::COleControlContainer(CWnd* pWnd) : m_pWnd(pWnd), m_pSites(new SiteList) {}

COleControlContainer::~COleControlContainer() {
    for (COleControlSite* site : m_pSites->sites) {
        site->m_pCtrlCont = nullptr;
        if (site->m_pWndCtrl != nullptr) site->m_pWndCtrl->m_pCtrlSite = nullptr;
        delete site;
    }
    delete m_pSites;
}

COleControlSite* COleControlContainer::FindItem(UINT nID) const {
    for (COleControlSite* site : m_pSites->sites)
        if (site->m_nID == nID) return site;
    return nullptr;
}

COleControlSite::COleControlSite(COleControlContainer* pCtrlCont) : m_pCtrlCont(pCtrlCont) {}

COleControlSite::~COleControlSite() {
    delete m_pPlatformControl;
    m_pPlatformControl = nullptr;
    m_pObject = nullptr;
    if (m_pCtrlCont != nullptr) {
        auto& sites = m_pCtrlCont->m_pSites->sites;
        sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
    }
}

HRESULT COleControlSite::ExternalQueryInterface(const IID* iid, LPVOID* ppvObj) {
    if (iid == nullptr || ppvObj == nullptr) return E_POINTER;
    *ppvObj = nullptr;
    IUnknown* itf = GetInterfaceHook(*iid);
    if (itf == nullptr) return E_NOINTERFACE;
    itf->AddRef();
    *ppvObj = itf;
    return S_OK;
}

ULONG COleControlSite::ExternalAddRef() { return ++m_dwRef; }

ULONG COleControlSite::ExternalRelease() {
    // The container owns the site; the count only tracks the interfaces
    // handed out.
    return m_dwRef > 1 ? --m_dwRef : 1;
}

HRESULT COleControlSite::CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle,
                                       const RECT& rect, UINT nID) {
    if (m_pCtrlCont == nullptr || pWndCtrl == nullptr || !Alive(m_pCtrlCont->m_pWnd->m_hWnd)) return E_UNEXPECTED;
    m_clsid = clsid;
    m_nID = nID;
    if (clsid == CLSID_WebBrowser) {
        m_pPlatformControl = AfxCreateWebBrowserControl(this);
    }
    if (m_pPlatformControl == nullptr) return REGDB_E_CLASSNOTREG;
    m_pObject = m_pPlatformControl->GetDispatch();
    m_pCtrlCont->m_pSites->sites.push_back(this);
    HWND h = CreateChild(m_pCtrlCont->m_pWnd->m_hWnd, pWndCtrl, m_pPlatformControl->GetWidget(), nID,
                         dwStyle | WS_VISIBLE, rect);
    h->text = lpszWindowName != nullptr ? lpszWindowName : "";
    m_hWnd = h;
    m_pWndCtrl = pWndCtrl;
    pWndCtrl->m_pCtrlSite = this;
    return S_OK;
}

BOOL COleControlSite::FireEvent(DISPID dispid, DISPPARAMS* pParams) {
    if (m_pCtrlCont == nullptr || m_pCtrlCont->m_pWnd == nullptr) return FALSE;
    CWnd* target = m_pCtrlCont->m_pWnd;
    if (Ended(target->m_hWnd)) return FALSE;
    const AFX_EVENTSINKMAP* map = target->GetEventSinkMap();
    if (map == nullptr) return FALSE;
    for (int i = 0; i < map->nCount; ++i) {
        const AFX_EVENTSINKMAP_ENTRY& e = map->lpEntries[i];
        if (e.nCtlID == m_nID && e.dispid == dispid) {
            if (!e.pfnCall(target, pParams)) OutputDebugStringA("[COleControlSite::FireEvent] event arguments do not fit the sink");
            return TRUE;
        }
    }
    return FALSE;
}

COccManager::~COccManager() = default;

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) { return new COleControlSite(pCtrlCont); }

COleControlContainer* COccManager::CreateContainer(CWnd* pWnd) { return new COleControlContainer(pWnd); }

void AfxEnableControlContainer(COccManager* pOccManager) {
    if (pOccManager == nullptr) pOccManager = new COccManager;
    // The framework owns the manager from now on; one installed before is
    // replaced (its sites live on with their containers).
    if (g_occManager != pOccManager) delete g_occManager;
    g_occManager = pOccManager;
    // Controls are to be contained: the browser's process starts now, so
    // that the first dialog that hosts one does not wait for it.
    AfxPrestartWebBrowser();
}

void AfxTermControlContainer() {
    delete g_occManager;
    g_occManager = nullptr;
    AfxStopWebBrowserPrestart();
}

HWND AfxInnermostModal() { return g_modal.empty() ? nullptr : g_modal.back().hwnd; }
