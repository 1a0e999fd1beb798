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

void COleControlSite::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                                    va_list argList) {
    std::vector<VARIANTARG> args;
    std::vector<BSTR> temporaries;
    const BYTE* p = pbParamInfo != nullptr ? pbParamInfo : reinterpret_cast<const BYTE*>("");
    for (; *p != 0; ++p) {
        VARIANTARG v;
        VariantInit(&v);
        switch (*p) {
            case 0x02:
                v.vt = VT_I2;
                v.iVal = static_cast<SHORT>(va_arg(argList, int));
                break;
            case 0x03:
                v.vt = VT_I4;
                v.lVal = va_arg(argList, LONG);
                break;
            case 0x08: {
                v.vt = VT_BSTR;
                v.bstrVal = AnsiToBstr(va_arg(argList, LPCSTR));
                temporaries.push_back(v.bstrVal);
                break;
            }
            case 0x09:
                v.vt = VT_DISPATCH;
                v.pdispVal = va_arg(argList, IDispatch*);
                break;
            case 0x0B:
                v.vt = VT_BOOL;
                v.boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case 0x0C:
                v = *va_arg(argList, const VARIANT*);
                break;
            case 0x4C:
                v.vt = VT_VARIANT | VT_BYREF;
                v.pvarVal = va_arg(argList, VARIANT*);
                break;
            default:
                OutputDebugStringA("[COleControlSite::InvokeHelperV] unsupported parameter type");
                break;
        }
        args.push_back(v);
    }
    std::reverse(args.begin(), args.end());
    DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        dp.rgdispidNamedArgs = &put;
        dp.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_pObject != nullptr
                     ? m_pObject->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                         vtRet != VT_EMPTY ? &result : nullptr, nullptr, nullptr)
                     : E_UNEXPECTED;
    for (BSTR b : temporaries) SysFreeString(b);
    if (FAILED(hr)) OutputDebugStringA("[COleControlSite::InvokeHelperV] the control refused the call");
    if (pvRet == nullptr) {
        VariantClear(&result);
        return;
    }
    switch (vtRet) {
        case VT_DISPATCH:
            *static_cast<IDispatch**>(pvRet) = SUCCEEDED(hr) && result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
            if (!(SUCCEEDED(hr) && result.vt == VT_DISPATCH)) VariantClear(&result);
            return;  // the caller releases the interface
        case VT_BSTR:
            *static_cast<CString*>(pvRet) =
                SUCCEEDED(hr) && result.vt == VT_BSTR ? BstrToAnsi(result.bstrVal, SysStringLen(result.bstrVal)).c_str()
                                                       : "";
            break;
        case VT_I4:
            *static_cast<LONG*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_I4 ? result.lVal : 0;
            break;
        case VT_BOOL:
            *static_cast<BOOL*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
            break;
        default:
            break;
    }
    VariantClear(&result);
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
