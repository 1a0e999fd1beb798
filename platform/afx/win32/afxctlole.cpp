// COleControlOle, embedding and in-place activation: IOleObject,
// IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl and IViewObject2.
// Active in place, the control has a simple child window of the
// container's, which it paints with OnDraw.
#include "platform/afx/win32/afxctlole.h"

#include "platform/afx/afxwin.h"
#include "platform/afx/afxdc.h"
#include "platform/afx/afxmod.h"

namespace {

const char kWindowClass[] = "VemoMPIOleControlWnd";

LRESULT CALLBACK ControlWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* ole = reinterpret_cast<COleControlOle*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    } else if (msg == WM_PAINT && ole != nullptr) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        RECT client;
        GetClientRect(hWnd, &client);
        CDC dc;
        dc.Attach(hdc);
        ole->Outer()->OnDraw(&dc, CRect(client), CRect(ps.rcPaint));
        dc.Detach();
        EndPaint(hWnd, &ps);
        return 0;
    } else if (msg == WM_ERASEBKGND) {
        return 1;  // OnDraw paints the whole control
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &ControlWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kWindowClass;
        return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

COleControlOle::~COleControlOle() {
    if (m_hWnd != nullptr) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
    if (m_pInPlaceSite != nullptr) m_pInPlaceSite->Release();
    if (m_pAdviseHolder != nullptr) m_pAdviseHolder->Release();
    if (m_pViewAdvise != nullptr) m_pViewAdvise->Release();
}

void* COleControlOle::Find(REFIID riid) {
    if (riid == IID_IOleObject) return static_cast<IOleObject*>(this);
    if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
    if (riid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
    if (riid == IID_IOleControl) return static_cast<IOleControl*>(this);
    if (riid == IID_IViewObject || riid == IID_IViewObject2) return static_cast<IViewObject2*>(this);
    if (riid == IID_IPersist || riid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
    if (riid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
    if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2) return static_cast<IProvideClassInfo2*>(this);
    if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    if (riid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
    return nullptr;
}

// ---------------------------------------------------------------- IOleObject

HRESULT COleControlOle::SetClientSite(IOleClientSite* pClientSite) { return m_pOuter->SetClientSite(pClientSite); }

HRESULT COleControlOle::GetClientSite(IOleClientSite** ppClientSite) {
    if (ppClientSite == nullptr) return E_POINTER;
    *ppClientSite = m_pOuter->GetClientSite();
    if (*ppClientSite != nullptr) (*ppClientSite)->AddRef();
    return S_OK;
}

HRESULT COleControlOle::Close(DWORD) {
    InPlaceDeactivate();
    if (m_pAdviseHolder != nullptr) m_pAdviseHolder->SendOnClose();
    return S_OK;
}

HRESULT COleControlOle::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk != nullptr) *ppmk = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControlOle::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject != nullptr) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControlOle::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent,
                               LPCRECT lprcPosRect) {
    switch (iVerb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return ActivateInPlace(pActiveSite != nullptr ? pActiveSite : m_pOuter->GetClientSite(), hwndParent,
                                   lprcPosRect);
        case OLEIVERB_HIDE:
            if (m_hWnd != nullptr) ShowWindow(m_hWnd, SW_HIDE);
            return S_OK;
        default:
            return iVerb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT COleControlOle::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (ppEnumOleVerb != nullptr) *ppEnumOleVerb = nullptr;
    return OLEOBJ_E_NOVERBS;
}

HRESULT COleControlOle::GetUserClassID(CLSID* pClsid) {
    if (pClsid == nullptr) return E_POINTER;
    return m_pOuter->GetClassID(pClsid);
}

HRESULT COleControlOle::GetUserType(DWORD, LPOLESTR* pszUserType) {
    if (pszUserType != nullptr) *pszUserType = nullptr;
    return OLE_S_USEREG;  // the registry's name of the class
}

HRESULT COleControlOle::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    m_sizeExtent = *psizel;
    return S_OK;
}

HRESULT COleControlOle::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (psizel == nullptr) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *psizel = m_sizeExtent;
    return S_OK;
}

// The container's advise sinks are kept by OLE's own advise holder.
HRESULT COleControlOle::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (pdwConnection == nullptr) return E_POINTER;
    *pdwConnection = 0;
    if (m_pAdviseHolder == nullptr) {
        HRESULT hr = CreateOleAdviseHolder(&m_pAdviseHolder);
        if (FAILED(hr)) return hr;
    }
    return m_pAdviseHolder->Advise(pAdvSink, pdwConnection);
}

HRESULT COleControlOle::Unadvise(DWORD dwConnection) {
    return m_pAdviseHolder != nullptr ? m_pAdviseHolder->Unadvise(dwConnection) : OLE_E_NOCONNECTION;
}

HRESULT COleControlOle::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise == nullptr) return E_POINTER;
    *ppenumAdvise = nullptr;
    return m_pAdviseHolder != nullptr ? m_pAdviseHolder->EnumAdvise(ppenumAdvise) : S_OK;
}

HRESULT COleControlOle::GetMiscStatus(DWORD, DWORD* pdwStatus) {
    if (pdwStatus == nullptr) return E_POINTER;
    *pdwStatus = m_pOuter->GetMiscStatus();
    return S_OK;
}

// ---------------------------------------------------------------- in-place activation

HRESULT COleControlOle::ActivateInPlace(IOleClientSite* pSite, HWND hwndParent, LPCRECT lprcPosRect) {
    if (m_hWnd != nullptr) {
        ShowWindow(m_hWnd, SW_SHOW);
        return S_OK;
    }
    IOleInPlaceSite* site = nullptr;
    if (pSite != nullptr && FAILED(pSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))))
        site = nullptr;
    RECT pos{0, 0, 0, 0};
    if (site != nullptr) {
        if (site->CanInPlaceActivate() != S_OK) {
            site->Release();
            return E_FAIL;
        }
        site->OnInPlaceActivate();
        if (hwndParent == nullptr) site->GetWindow(&hwndParent);
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* doc = nullptr;
        RECT clip;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        if (SUCCEEDED(site->GetWindowContext(&frame, &doc, &pos, &clip, &info)) && lprcPosRect == nullptr)
            lprcPosRect = &pos;
        if (frame != nullptr) frame->Release();
        if (doc != nullptr) doc->Release();
    }
    if (lprcPosRect != nullptr) pos = *lprcPosRect;
    if (hwndParent == nullptr || !RegisterWindowClass()) {
        if (site != nullptr) {
            site->OnInPlaceDeactivate();
            site->Release();
        }
        return E_UNEXPECTED;
    }
    m_hWnd = CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, hwndParent, nullptr,
                             AfxGetInstanceHandle(), this);
    if (m_hWnd == nullptr) {
        if (site != nullptr) {
            site->OnInPlaceDeactivate();
            site->Release();
        }
        return E_OUTOFMEMORY;
    }
    m_pInPlaceSite = site;  // the reference taken above
    return S_OK;
}

HRESULT COleControlOle::GetWindow(HWND* phwnd) {
    if (phwnd == nullptr) return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd != nullptr ? S_OK : E_FAIL;
}

HRESULT COleControlOle::InPlaceDeactivate() {
    if (m_hWnd != nullptr) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    if (m_pInPlaceSite != nullptr) {
        IOleInPlaceSite* site = m_pInPlaceSite;
        m_pInPlaceSite = nullptr;
        site->OnInPlaceDeactivate();
        site->Release();
    }
    return S_OK;
}

HRESULT COleControlOle::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
    if (lprcPosRect == nullptr) return E_POINTER;
    if (m_hWnd != nullptr)
        MoveWindow(m_hWnd, lprcPosRect->left, lprcPosRect->top, lprcPosRect->right - lprcPosRect->left,
                   lprcPosRect->bottom - lprcPosRect->top, TRUE);
    return S_OK;
}

// ---------------------------------------------------------------- IOleControl

HRESULT COleControlOle::GetControlInfo(CONTROLINFO* pCI) {
    if (pCI == nullptr) return E_POINTER;
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

// ---------------------------------------------------------------- IViewObject2

HRESULT COleControlOle::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw,
                             LPCRECTL lprcBounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (hdcDraw == nullptr) return E_INVALIDARG;
    RECT bounds{0, 0, 0, 0};
    if (lprcBounds != nullptr) bounds = RECT{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    else if (m_hWnd != nullptr) GetClientRect(m_hWnd, &bounds);
    else return E_INVALIDARG;
    CDC dc;
    dc.Attach(hdcDraw);
    m_pOuter->OnDraw(&dc, CRect(bounds), CRect(bounds));
    dc.Detach();
    return S_OK;
}

HRESULT COleControlOle::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
    if (ppColorSet != nullptr) *ppColorSet = nullptr;
    return S_FALSE;  // no particular colours
}

HRESULT COleControlOle::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
    if (pAdvSink != nullptr) pAdvSink->AddRef();
    if (m_pViewAdvise != nullptr) m_pViewAdvise->Release();
    m_pViewAdvise = pAdvSink;
    m_dwViewAspects = aspects;
    m_dwViewAdvf = advf;
    return S_OK;
}

HRESULT COleControlOle::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects != nullptr) *pAspects = m_dwViewAspects;
    if (pAdvf != nullptr) *pAdvf = m_dwViewAdvf;
    if (ppAdvSink != nullptr) {
        *ppAdvSink = m_pViewAdvise;
        if (m_pViewAdvise != nullptr) m_pViewAdvise->AddRef();
    }
    return S_OK;
}

HRESULT COleControlOle::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*, LPSIZEL lpsizel) {
    return GetExtent(dwDrawAspect, lpsizel);
}
