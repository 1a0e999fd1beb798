// Control containment: sites, containers, the container manager, the
// creation of a control (CoCreateInstance, then in-place activation inside
// a child window at the item's rectangle, with a minimal client site of the
// framework) and the delivery of control events to event sinks.
#include <algorithm>
#include <vector>

#include "platform/afx/win32/afxwinimpl.h"

// (After windows.h, which the layer's header brings.)
#include <ole2.h>

using namespace afxwin32;

namespace {

const wchar_t kControlWindowClass[] = L"AfxOleControl";

bool RegisterControlWindowClass() {
    static bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kControlWindowClass;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The framework's client site of one control: the control's window and the
// in-place site over it; other interfaces come from the COleControlSite
// (its derived classes' interface maps).
class ClientSite : public IOleClientSite, public IOleInPlaceSite {
public:
    ClientSite(COleControlSite* site, HWND window) : m_site(site), m_window(window) {}

    void Detach() { m_site = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *ppv = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleWindow))
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (m_site != nullptr)
            return m_site->ExternalQueryInterface(&riid, ppv);
        if (*ppv == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG r = --m_ref;
        if (r == 0) delete this;
        return r;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        if (ppmk != nullptr) *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override {
        if (ppContainer != nullptr) *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        if (phwnd == nullptr) return E_POINTER;
        *phwnd = m_window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
        if (ppFrame != nullptr) *ppFrame = nullptr;
        if (ppDoc != nullptr) *ppDoc = nullptr;
        RECT r{};
        ::GetClientRect(m_window, &r);
        if (lprcPosRect != nullptr) *lprcPosRect = r;
        if (lprcClipRect != nullptr) *lprcClipRect = r;
        if (lpFrameInfo != nullptr) {
            lpFrameInfo->fMDIApp = FALSE;
            lpFrameInfo->hwndFrame = ::GetAncestor(m_window, GA_ROOT);
            lpFrameInfo->haccel = nullptr;
            lpFrameInfo->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    virtual ~ClientSite() = default;
    COleControlSite* m_site;
    HWND m_window;
    ULONG m_ref = 1;
};

}  // namespace

// The control of a site: its OLE object and the framework's client site.
class AfxPlatformControl {
public:
    AfxPlatformControl(IOleObject* object, ClientSite* clientSite) : m_object(object), m_clientSite(clientSite) {}
    ~AfxPlatformControl() {
        m_clientSite->Detach();
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_object->Release();
        m_clientSite->Release();
    }
    AfxPlatformControl(const AfxPlatformControl&) = delete;
    AfxPlatformControl& operator=(const AfxPlatformControl&) = delete;

private:
    IOleObject* m_object;
    ClientSite* m_clientSite;
};

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
    if (m_pObject != nullptr) m_pObject->Release();
    m_pObject = nullptr;
    delete m_pPlatformControl;
    m_pPlatformControl = nullptr;
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
        pWndCtrl->m_hWnd != nullptr || !::IsWindow(m_pCtrlCont->m_pWnd->m_hWnd) || !RegisterControlWindowClass())
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
    auto* clientSite = new ClientSite(this, window);
    RECT inside{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    hr = object->SetClientSite(clientSite);
    if (SUCCEEDED(hr)) hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, window, &inside);
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(hr)) hr = object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    m_pPlatformControl = new AfxPlatformControl(object, clientSite);
    if (FAILED(hr)) {
        delete m_pPlatformControl;
        m_pPlatformControl = nullptr;
        ::DestroyWindow(window);
        return hr;
    }
    m_clsid = clsid;
    m_nID = nID;
    m_pObject = dispatch;
    m_hWnd = window;
    if (!Bind(pWndCtrl, window)) {
        ::DestroyWindow(window);
        return E_UNEXPECTED;
    }
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
