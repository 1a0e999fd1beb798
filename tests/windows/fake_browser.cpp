// TEST DOUBLE: the fake browser control (see fake_browser.h).
#include "tests/windows/fake_browser.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <olectl.h>

#include "tests/windows/fake_document.h"

// {5B0C1E24-8E0B-4C1D-9D51-3A6F2D1C7E10}
const CLSID kFakeBrowserClsid = {0x5b0c1e24, 0x8e0b, 0x4c1d, {0x9d, 0x51, 0x3a, 0x6f, 0x2d, 0x1c, 0x7e, 0x10}};

FakeBrowserLog g_fakeBrowser;

namespace {

const wchar_t kViewClass[] = L"FakeBrowserView";
const UINT kFireNavigation = WM_APP + 1;
// The browser's dispatch ids of Navigate2 and Document.
const DISPID kNavigate2 = 500;
const DISPID kDocument = 203;

class FakeBrowser;

// The connection point for DWebBrowserEvents2.
class EventsPoint : public IConnectionPoint {
public:
    explicit EventsPoint(FakeBrowser* outer) : m_outer(outer) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* pIID) override {
        if (pIID == nullptr) return E_POINTER;
        *pIID = DIID_DWebBrowserEvents2;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** pp) override;
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    STDMETHODIMP Unadvise(DWORD dwCookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** pp) override {
        if (pp != nullptr) *pp = nullptr;
        return E_NOTIMPL;
    }

    std::vector<std::pair<DWORD, IDispatch*>> sinks;
    int firing = 0;

private:
    FakeBrowser* m_outer;
    DWORD m_next = 1;
};

class FakeBrowser final : public IOleObject,
                          public IOleInPlaceObject,
                          public IOleInPlaceActiveObject,
                          public IDispatch,
                          public IConnectionPointContainer {
public:
    FakeBrowser() : m_point(this) { ++g_fakeBrowser.liveObjects; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
            *ppv = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceObject) || IsEqualIID(riid, IID_IOleWindow))
            *ppv = static_cast<IOleInPlaceObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
            *ppv = static_cast<IOleInPlaceActiveObject*>(this);
        else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser2))
            *ppv = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, IID_IConnectionPointContainer))
            *ppv = static_cast<IConnectionPointContainer*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG r = --m_ref;
        if (r == 0) delete this;
        return r;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override {
        if (pClientSite == nullptr) {
            g_fakeBrowser.siteCleared = true;
            ReleaseSite();
            return S_OK;
        }
        ReleaseSite();
        m_site = pClientSite;
        m_site->AddRef();
        AskSite();
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** pp) override {
        if (pp == nullptr) return E_POINTER;
        *pp = m_site;
        if (m_site != nullptr) m_site->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        ++g_fakeBrowser.closes;
        g_fakeBrowser.deactivatedBeforeClose = m_inPlaceSite == nullptr;
        InPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND hwndParent, LPCRECT) override {
        if (iVerb == OLEIVERB_INPLACEACTIVATE) return ActivateInPlace(hwndParent);
        if (iVerb == OLEIVERB_UIACTIVATE) {
            HRESULT hr = ActivateInPlace(hwndParent);
            if (FAILED(hr)) return hr;
            ++g_fakeBrowser.uiActivations;
            m_inPlaceSite->OnUIActivate();
            if (m_frame != nullptr) m_frame->SetActiveObject(this, L"fake");
            ::SetFocus(m_view);
            g_fakeBrowser.focusInOwnWindow = ::GetFocus() == m_view;
            IOleControlSite* control = nullptr;
            if (SUCCEEDED(m_site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&control)))) {
                control->OnFocus(TRUE);
                control->Release();
            }
            return S_OK;
        }
        return OLEOBJ_S_INVALIDVERB;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override {
        if (pClsid == nullptr) return E_POINTER;
        *pClsid = kFakeBrowserClsid;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* pdwStatus) override {
        if (pdwStatus == nullptr) return E_POINTER;
        *pdwStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (of the in-place and the active object)
    STDMETHODIMP GetWindow(HWND* phwnd) override {
        if (phwnd == nullptr) return E_POINTER;
        *phwnd = m_view;
        return m_view != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override {
        if (m_inPlaceSite == nullptr) return S_OK;
        ++g_fakeBrowser.inPlaceDeactivations;
        if (m_view != nullptr) ::DestroyWindow(m_view);
        m_view = nullptr;
        if (m_frame != nullptr) m_frame->Release();
        m_frame = nullptr;
        IOleInPlaceSite* site = m_inPlaceSite;
        m_inPlaceSite = nullptr;
        site->OnInPlaceDeactivate();
        site->Release();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT) override {
        if (lprcPosRect == nullptr) return E_POINTER;
        g_fakeBrowser.objectRect = *lprcPosRect;
        if (m_view != nullptr)
            ::MoveWindow(m_view, lprcPosRect->left, lprcPosRect->top, lprcPosRect->right - lprcPosRect->left,
                         lprcPosRect->bottom - lprcPosRect->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject: Tab moves within the page (taken), the
    // other keys are the page's own (left to its window).
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg) override {
        if (lpmsg == nullptr || lpmsg->message != WM_KEYDOWN) return S_FALSE;
        g_fakeBrowser.acceleratorKeys.push_back(lpmsg->wParam);
        return lpmsg->wParam == VK_TAB ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IDispatch: Navigate2 (500) and Document (203).
    STDMETHODIMP GetTypeInfoCount(UINT* p) override {
        if (p != nullptr) *p = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** pp) override {
        if (pp != nullptr) *pp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override {
        if (pp == nullptr) return E_POINTER;
        *pp = nullptr;
        if (!IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
        *pp = &m_point;
        AddRef();
        return S_OK;
    }

    void FireNavigation(size_t index);

private:
    ~FakeBrowser() {
        InPlaceDeactivate();
        ReleaseSite();
        for (auto& s : m_point.sinks) s.second->Release();
        --g_fakeBrowser.liveObjects;
    }
    void ReleaseSite() {
        if (m_site != nullptr) m_site->Release();
        m_site = nullptr;
    }
    void AskSite();
    HRESULT ActivateInPlace(HWND parent);
    void Fire(const std::vector<IDispatch*>& sinks, DISPID id, std::vector<VARIANTARG>& args);

    ULONG m_ref = 1;
    EventsPoint m_point;
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    IOleInPlaceFrame* m_frame = nullptr;
    HWND m_view = nullptr;
    std::vector<std::wstring> m_pending;
    friend class EventsPoint;
};

LRESULT CALLBACK ViewProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* browser = reinterpret_cast<FakeBrowser*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (message == kFireNavigation && browser != nullptr) {
        browser->FireNavigation(static_cast<size_t>(wParam));
        return 0;
    }
    if (message == WM_KEYDOWN) g_fakeBrowser.windowKeys.push_back(wParam);
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    return ::DefWindowProcW(h, message, wParam, lParam);
}

HRESULT EventsPoint::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}
ULONG EventsPoint::AddRef() { return m_outer->AddRef(); }
ULONG EventsPoint::Release() { return m_outer->Release(); }
HRESULT EventsPoint::GetConnectionPointContainer(IConnectionPointContainer** pp) {
    if (pp == nullptr) return E_POINTER;
    *pp = m_outer;
    m_outer->AddRef();
    return S_OK;
}
HRESULT EventsPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (pUnkSink == nullptr || pdwCookie == nullptr) return E_POINTER;
    IDispatch* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))) || sink == nullptr)
        return CONNECT_E_CANNOTCONNECT;
    *pdwCookie = m_next++;
    sinks.emplace_back(*pdwCookie, sink);
    ++g_fakeBrowser.advised;
    return S_OK;
}
HRESULT EventsPoint::Unadvise(DWORD dwCookie) {
    for (auto it = sinks.begin(); it != sinks.end(); ++it) {
        if (it->first != dwCookie) continue;
        it->second->Release();
        sinks.erase(it);
        --g_fakeBrowser.advised;
        if (firing > 0) ++g_fakeBrowser.unadvisedWhileFiring;
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

void FakeBrowser::AskSite() {
    IOleInPlaceSite* inPlace = nullptr;
    g_fakeBrowser.inPlaceSite =
        SUCCEEDED(m_site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))) && inPlace;
    if (inPlace != nullptr) inPlace->Release();
    IOleControlSite* control = nullptr;
    g_fakeBrowser.controlSite =
        SUCCEEDED(m_site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&control))) && control;
    if (control != nullptr) control->Release();
    IDispatch* ambient = nullptr;
    if (SUCCEEDED(m_site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))) && ambient) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT v;
        ::VariantInit(&v);
        g_fakeBrowser.userModeResult = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                                       DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
        if (v.vt == VT_BOOL) g_fakeBrowser.userMode = v.boolVal;
        ::VariantClear(&v);
        g_fakeBrowser.uiDeadResult = ambient->Invoke(DISPID_AMBIENT_UIDEAD, IID_NULL, LOCALE_USER_DEFAULT,
                                                     DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
        if (v.vt == VT_BOOL) g_fakeBrowser.uiDead = v.boolVal;
        ::VariantClear(&v);
        ambient->Release();
    }
    IDocHostUIHandler* handler = nullptr;
    if (SUCCEEDED(m_site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler))) && handler) {
        g_fakeBrowser.uiHandler = true;
        DOCHOSTUIINFO info{};
        info.cbSize = sizeof(info);
        info.dwFlags = 0x40000;  // what the browser had: replaced
        info.dwDoubleClick = 1;
        if (SUCCEEDED(handler->GetHostInfo(&info))) {
            g_fakeBrowser.hostFlags = info.dwFlags;
            g_fakeBrowser.hostDoubleClick = info.dwDoubleClick;
        }
        POINT pt{10, 10};
        g_fakeBrowser.contextMenu = handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &pt, nullptr, nullptr);
        MSG msg{};
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_RETURN;
        g_fakeBrowser.uiHandlerAccelerator = handler->TranslateAccelerator(&msg, nullptr, 0);
        handler->Release();
    }
}

HRESULT FakeBrowser::ActivateInPlace(HWND parent) {
    if (m_inPlaceSite != nullptr) return S_OK;
    if (m_site == nullptr ||
        FAILED(m_site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&m_inPlaceSite))))
        return E_UNEXPECTED;
    if (m_inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    m_inPlaceSite->OnInPlaceActivate();
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    if (SUCCEEDED(m_inPlaceSite->GetWindowContext(&m_frame, &doc, &pos, &clip, &info))) {
        g_fakeBrowser.windowContext = m_frame != nullptr;
        g_fakeBrowser.posRect = pos;
        if (m_frame != nullptr) m_frame->GetWindow(&g_fakeBrowser.frameWindow);
        if (doc != nullptr) doc->Release();
    }
    m_inPlaceSite->GetWindow(&g_fakeBrowser.siteWindow);
    static bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ViewProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kViewClass;
        return ::RegisterClassW(&wc) != 0;
    }();
    if (!registered) return E_FAIL;
    m_view = ::CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, pos.left, pos.top,
                               pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (m_view == nullptr) return E_FAIL;
    ::SetWindowLongPtrW(m_view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return S_OK;
}

HRESULT FakeBrowser::Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                            UINT*) {
    if (id == kNavigate2 && (wFlags & DISPATCH_METHOD)) {
        if (dp == nullptr || dp->cArgs != 5) return DISP_E_BADPARAMCOUNT;
        for (UINT i = 0; i < 5; ++i)
            if (dp->rgvarg[i].vt != (VT_VARIANT | VT_BYREF) || dp->rgvarg[i].pvarVal == nullptr)
                return DISP_E_TYPEMISMATCH;
        const VARIANT* url = dp->rgvarg[4].pvarVal;
        const VARIANT* post = dp->rgvarg[1].pvarVal;
        const VARIANT* headers = dp->rgvarg[0].pvarVal;
        if (url->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        ++g_fakeBrowser.navigations;
        g_fakeBrowser.url = url->bstrVal;
        g_fakeBrowser.flagsAndTargetEmpty =
            dp->rgvarg[3].pvarVal->vt == VT_EMPTY && dp->rgvarg[2].pvarVal->vt == VT_EMPTY;
        g_fakeBrowser.postData.clear();
        if (post->vt == (VT_ARRAY | VT_UI1) && post->parray != nullptr) {
            LONG lo = 0, hi = -1;
            ::SafeArrayGetLBound(post->parray, 1, &lo);
            ::SafeArrayGetUBound(post->parray, 1, &hi);
            void* data = nullptr;
            if (SUCCEEDED(::SafeArrayAccessData(post->parray, &data))) {
                g_fakeBrowser.postData.assign(static_cast<const char*>(data), static_cast<size_t>(hi - lo + 1));
                ::SafeArrayUnaccessData(post->parray);
            }
        }
        g_fakeBrowser.headers = headers->vt == VT_BSTR && headers->bstrVal != nullptr ? headers->bstrVal : L"";
        // The navigation runs later, as a browser's does.
        m_pending.push_back(g_fakeBrowser.url);
        if (m_view != nullptr) ::PostMessageW(m_view, kFireNavigation, m_pending.size() - 1, 0);
        return S_OK;
    }
    if (id == kDocument && (wFlags & DISPATCH_PROPERTYGET)) {
        if (result == nullptr) return E_POINTER;
        result->vt = VT_DISPATCH;
        result->pdispVal = static_cast<IDispatch*>(MakeFakeDocument(
            m_pending.empty() ? L"about:blank" : m_pending.back().c_str(),
            L"<html><head><title>ACS</title></head><body>PaRes=eJzLSM3JyVcozy/KSQEAGgQEXQ==</body></html>",
            &g_fakeBrowser.documentsReleased));
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

void FakeBrowser::Fire(const std::vector<IDispatch*>& sinks, DISPID id, std::vector<VARIANTARG>& args) {
    DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    for (IDispatch* sink : sinks) {
        bool stillAdvised = false;
        for (auto& s : m_point.sinks) stillAdvised = stillAdvised || s.second == sink;
        if (!stillAdvised) ++g_fakeBrowser.eventsAfterUnadvise;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    }
}

// BeforeNavigate2; unless cancelled, TitleChange and DocumentComplete. The
// sinks are those advised when the navigation began, held for its length
// (as a browser that copies its connections before it fires).
void FakeBrowser::FireNavigation(size_t index) {
    if (index >= m_pending.size()) return;
    AddRef();
    ++m_point.firing;
    std::vector<IDispatch*> sinks;
    for (auto& s : m_point.sinks) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    BSTR url = ::SysAllocString(m_pending[index].c_str());
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    ::VariantInit(&vUrl);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = url;
    ::VariantInit(&vFlags);
    vFlags.vt = VT_I4;
    ::VariantInit(&vTarget);
    ::VariantInit(&vPost);
    ::VariantInit(&vHeaders);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    auto byRef = [](VARIANT* v) {
        VARIANTARG a;
        ::VariantInit(&a);
        a.vt = VT_VARIANT | VT_BYREF;
        a.pvarVal = v;
        return a;
    };
    VARIANTARG disp;
    ::VariantInit(&disp);
    disp.vt = VT_DISPATCH;
    disp.pdispVal = static_cast<IDispatch*>(this);
    VARIANTARG cancelArg;
    ::VariantInit(&cancelArg);
    cancelArg.vt = VT_BOOL | VT_BYREF;
    cancelArg.pboolVal = &cancel;
    std::vector<VARIANTARG> before{cancelArg, byRef(&vHeaders), byRef(&vPost), byRef(&vTarget), byRef(&vFlags),
                                   byRef(&vUrl), disp};
    Fire(sinks, DISPID_BEFORENAVIGATE2, before);
    g_fakeBrowser.cancels.emplace_back(m_pending[index], cancel != VARIANT_FALSE);
    if (cancel == VARIANT_FALSE) {
        VARIANTARG title;
        ::VariantInit(&title);
        title.vt = VT_BSTR;
        title.bstrVal = ::SysAllocString(L"Issuer's page");
        std::vector<VARIANTARG> titleArgs{title};
        Fire(sinks, DISPID_TITLECHANGE, titleArgs);
        ::SysFreeString(title.bstrVal);
        std::vector<VARIANTARG> complete{byRef(&vUrl), disp};
        Fire(sinks, DISPID_DOCUMENTCOMPLETE, complete);
    }
    ::SysFreeString(url);
    for (IDispatch* sink : sinks) sink->Release();
    --m_point.firing;
    Release();
}

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* browser = new FakeBrowser;
        HRESULT hr = browser->QueryInterface(riid, ppv);
        browser->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

DWORD RegisterFakeBrowser() {
    g_fakeBrowser = FakeBrowserLog{};
    DWORD cookie = 0;
    if (FAILED(::CoRegisterClassObject(kFakeBrowserClsid, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                       &cookie)))
        return 0;
    return cookie;
}

void RevokeFakeBrowser(DWORD cookie) {
    if (cookie != 0) ::CoRevokeClassObject(cookie);
}
