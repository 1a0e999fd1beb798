// Control containment: containers and their sites, the container manager,
// the creation of a control (CoCreateInstance, then in-place activation
// inside a child window at the item's rectangle, with the framework's client
// site of afxoccsite.cpp and the event sink of afxoccevents.cpp), the
// control's size, focus and keystrokes, and its orderly end.
#include <algorithm>
#include <vector>

#include "platform/afx/win32/afxoccimpl.h"

using namespace afxwin32;

namespace {

const wchar_t kControlWindowClass[] = L"AfxOleControl";

AfxPlatformControl* ControlOf(HWND window) {
    return reinterpret_cast<AfxPlatformControl*>(::GetWindowLongPtrW(window, 0));
}

// The control's window: its size is the control's, its focus goes on to
// the control.
LRESULT CALLBACK ControlWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    AfxPlatformControl* control = ControlOf(h);
    if (control != nullptr) {
        if (message == WM_SIZE) control->Resize(LOWORD(lParam), HIWORD(lParam));
        if (message == WM_SETFOCUS) {
            control->Focus();
            return 0;
        }
    }
    return ::DefWindowProcW(h, message, wParam, lParam);
}

bool RegisterControlWindowClass() {
    static bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ControlWindowProc;
        wc.cbWndExtra = sizeof(AfxPlatformControl*);
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kControlWindowClass;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// A site's control, out of place, closed and released (once).
void ReleaseControl(COleControlSite* site) {
    if (site->m_pObject != nullptr) site->m_pObject->Release();
    site->m_pObject = nullptr;
    AfxPlatformControl* control = site->m_pPlatformControl;
    site->m_pPlatformControl = nullptr;
    delete control;
}

bool IsKeystroke(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

}  // namespace

// ---------------------------------------------------------------- the control of a site

AfxPlatformControl::~AfxPlatformControl() {
    HWND window = m_clientSite->Window();
    if (::IsWindow(window) && ControlOf(window) == this) ::SetWindowLongPtrW(window, 0, 0);
    // No event reaches the site from here on.
    if (m_sink != nullptr) {
        m_sink->Unadvise();
        m_sink->Release();
        m_sink = nullptr;
    }
    if (IOleInPlaceObject* inPlace = m_clientSite->InPlaceObject()) {
        inPlace->AddRef();
        inPlace->InPlaceDeactivate();
        inPlace->Release();
    }
    m_object->Close(OLECLOSE_NOSAVE);
    m_object->SetClientSite(nullptr);
    m_clientSite->Detach();
    m_object->Release();
    m_clientSite->Release();
}

void AfxPlatformControl::Resize(int cx, int cy) {
    IOleInPlaceObject* inPlace = m_clientSite->InPlaceObject();
    if (inPlace == nullptr) return;
    RECT r{0, 0, cx, cy};
    inPlace->SetObjectRects(&r, &r);
}

void AfxPlatformControl::Focus() {
    if (m_focusing) return;
    m_focusing = true;
    HWND window = m_clientSite->Window();
    RECT r{};
    ::GetClientRect(window, &r);
    m_object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, m_clientSite, 0, window, &r);
    // A control that took no focus on activation gets it in its own window.
    IOleInPlaceObject* inPlace = m_clientSite->InPlaceObject();
    HWND own = nullptr;
    if (::GetFocus() == window && inPlace != nullptr && SUCCEEDED(inPlace->GetWindow(&own)) && own != nullptr &&
        ::IsChild(window, own))
        ::SetFocus(own);
    m_focusing = false;
}

// Keystrokes in the control go to its accelerators first (Tab moves within
// the page); what they leave goes to the control's window as it is, so that
// Return submits the page's form instead of confirming the dialog. Tab and
// Escape the control leaves, and Alt keys, stay the dialog's: Tab leaves the
// control, Escape cancels.
BOOL AfxPlatformControl::PreTranslateInput(MSG* pMsg) {
    if (pMsg == nullptr || !IsKeystroke(pMsg->message)) return FALSE;
    IOleInPlaceActiveObject* active = m_clientSite->ActiveObject();
    if (active != nullptr) {
        active->AddRef();
    } else if (FAILED(m_object->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active)))) {
        active = nullptr;
    }
    HRESULT hr = active != nullptr ? active->TranslateAccelerator(pMsg) : S_FALSE;
    if (active != nullptr) active->Release();
    if (hr == S_OK) return TRUE;
    if (pMsg->message == WM_SYSKEYDOWN || pMsg->message == WM_SYSKEYUP || pMsg->message == WM_SYSCHAR ||
        pMsg->message == WM_SYSDEADCHAR || pMsg->wParam == VK_TAB || pMsg->wParam == VK_ESCAPE)
        return FALSE;
    ::TranslateMessage(pMsg);
    ::DispatchMessageW(pMsg);
    return TRUE;
}

BOOL afxwin32::PreTranslateControlInput(COleControlSite* site, MSG* pMsg) {
    if (site == nullptr || site->m_pPlatformControl == nullptr) return FALSE;
    return site->m_pPlatformControl->PreTranslateInput(pMsg);
}

// ---------------------------------------------------------------- containers and sites

struct COleControlContainer::SiteList {
    std::vector<COleControlSite*> sites;
};

COleControlContainer::COleControlContainer(CWnd* pWnd) : m_pWnd(pWnd), m_pSites(new SiteList) {}

COleControlContainer::~COleControlContainer() {
    std::vector<COleControlSite*> sites;
    sites.swap(m_pSites->sites);
    for (COleControlSite* site : sites) {
        site->m_pCtrlCont = nullptr;
        if (site->m_pWndCtrl != nullptr) site->m_pWndCtrl->m_pCtrlSite = nullptr;
        // The control ends while the site is whole: a derived site's
        // interfaces (the browser's UI handler) are there until it let go.
        ReleaseControl(site);
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
    ReleaseControl(this);
    if (m_pWndCtrl != nullptr && m_pWndCtrl->m_pCtrlSite == this) m_pWndCtrl->m_pCtrlSite = nullptr;
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
    if (m_pCtrlCont == nullptr || m_pCtrlCont->m_pWnd == nullptr || pWndCtrl == nullptr ||
        pWndCtrl->m_hWnd != nullptr || m_pPlatformControl != nullptr || !::IsWindow(m_pCtrlCont->m_pWnd->m_hWnd) ||
        !RegisterControlWindowClass())
        return E_UNEXPECTED;
    // The control's window, at the item's place among the dialog's items.
    HWND window = ::CreateWindowExW(0, kControlWindowClass, Widen(lpszWindowName).c_str(),
                                    (dwStyle & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD | WS_CLIPCHILDREN,
                                    rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                    m_pCtrlCont->m_pWnd->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                                    AfxGetInstanceHandle(), nullptr);
    if (window == nullptr) return HRESULT_FROM_WIN32(::GetLastError());
    // CoCreateInstance (not the class object directly): a class's TreatAs
    // is followed.
    IOleObject* object = nullptr;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&object));
    if (FAILED(hr) || object == nullptr) {
        ::DestroyWindow(window);
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    m_clsid = clsid;
    m_nID = nID;
    auto* clientSite = new ClientSite(this, window);
    clientSite->SetObject(object);
    m_pPlatformControl = new AfxPlatformControl(object, clientSite);
    // The site first (the browser wants it before anything else), then a
    // new state, the event sink (events of the first activation included),
    // the control's extent and its activation in place in the window.
    hr = object->SetClientSite(clientSite);
    if (SUCCEEDED(hr)) {
        IPersistStreamInit* persist = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) &&
            persist != nullptr) {
            persist->InitNew();
            persist->Release();
        }
        EventSink* sink = nullptr;
        if (AdviseControlEvents(this, object, &sink)) m_pPlatformControl->SetEventSink(sink);
        HDC dc = ::GetDC(nullptr);
        int dpiX = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
        int dpiY = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc != nullptr) ::ReleaseDC(nullptr, dc);
        SIZEL extent{::MulDiv(rect.right - rect.left, 2540, dpiX), ::MulDiv(rect.bottom - rect.top, 2540, dpiY)};
        object->SetExtent(DVASPECT_CONTENT, &extent);
        RECT inside{0, 0, rect.right - rect.left, rect.bottom - rect.top};
        hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, window, &inside);
    }
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(hr)) hr = object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (SUCCEEDED(hr) && dispatch == nullptr) hr = E_NOINTERFACE;
    if (SUCCEEDED(hr) && !Bind(pWndCtrl, window)) hr = E_UNEXPECTED;
    if (FAILED(hr)) {
        if (dispatch != nullptr) dispatch->Release();
        delete m_pPlatformControl;
        m_pPlatformControl = nullptr;
        ::DestroyWindow(window);
        return hr;
    }
    ::SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(m_pPlatformControl));
    m_pObject = dispatch;
    m_hWnd = window;
    m_pWndCtrl = pWndCtrl;
    pWndCtrl->m_pCtrlSite = this;
    m_pCtrlCont->m_pSites->sites.push_back(this);
    if (dwStyle & WS_VISIBLE) ::ShowWindow(window, SW_SHOWNA);
    return S_OK;
}

BOOL COleControlSite::FireEvent(DISPID dispid, DISPPARAMS* pParams) {
    if (m_pCtrlCont == nullptr || m_pCtrlCont->m_pWnd == nullptr) return FALSE;
    CWnd* target = m_pCtrlCont->m_pWnd;
    if (target->m_hWnd == nullptr || Ended(target->m_hWnd)) return FALSE;
    const AFX_EVENTSINKMAP* map = target->GetEventSinkMap();
    if (map == nullptr) return FALSE;
    for (int i = 0; i < map->nCount; ++i) {
        const AFX_EVENTSINKMAP_ENTRY& e = map->lpEntries[i];
        if (e.nCtlID == m_nID && e.dispid == dispid) {
            if (!e.pfnCall(target, pParams))
                OutputDebugStringA("[COleControlSite::FireEvent] event arguments do not fit the sink");
            return TRUE;
        }
    }
    return FALSE;
}

// ---------------------------------------------------------------- the container manager

COccManager::~COccManager() = default;

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) { return new COleControlSite(pCtrlCont); }

COleControlContainer* COccManager::CreateContainer(CWnd* pWnd) { return new COleControlContainer(pWnd); }

void AfxEnableControlContainer(COccManager* pOccManager) {
    if (pOccManager == nullptr) pOccManager = new COccManager;
    // The framework owns the manager from now on; one installed before is
    // replaced (its sites live on with their containers).
    if (g_occManager != pOccManager) delete g_occManager;
    g_occManager = pOccManager;
}

void AfxTermControlContainer() {
    delete g_occManager;
    g_occManager = nullptr;
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID) {
    if (pParentWnd == nullptr || pParentWnd->m_hWnd == nullptr || g_occManager == nullptr || m_hWnd != nullptr)
        return FALSE;
    if (pParentWnd->m_pCtrlCont == nullptr) pParentWnd->m_pCtrlCont = g_occManager->CreateContainer(pParentWnd);
    if (pParentWnd->m_pCtrlCont == nullptr) return FALSE;
    COleControlSite* site = g_occManager->CreateSite(pParentWnd->m_pCtrlCont);
    if (site == nullptr) return FALSE;
    if (FAILED(site->CreateControl(this, clsid, lpszWindowName, dwStyle, rect, nID))) {
        delete site;
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- template items

bool afxwin32::IsActiveXItem(const AFX_DLGITEMTEMPLATE& item, CLSID* clsid) {
    if (item.windowClass == nullptr || item.windowClass[0] != '{') return false;
    std::wstring text = Widen(item.windowClass);
    return SUCCEEDED(::CLSIDFromString(text.c_str(), clsid));
}

void afxwin32::CreateActiveXItems(CWnd* pOwner, const AFX_DLGTEMPLATE* t) {
    for (int i = 0; i < t->cItems; ++i) {
        const AFX_DLGITEMTEMPLATE& it = t->items[i];
        CLSID clsid;
        if (!IsActiveXItem(it, &clsid)) continue;
        RECT r = AfxItemPixels(t, it);
        auto* item = new CWnd();  // replaced by the member that data exchange binds
        if (item->CreateControl(clsid, it.text, it.style, r, pOwner, it.id) && item->m_hWnd != nullptr) {
            Adopt(item->m_hWnd, item);
        } else {
            // The dialog runs without it: the control's calls find no
            // control and fail.
            OutputDebugStringA("[CDialog] an ActiveX control of the template could not be created");
            delete item;
        }
    }
}
