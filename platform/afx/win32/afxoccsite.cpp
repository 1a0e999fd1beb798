// The framework's client site of a contained control: the client and
// in-place sites over the control's window, the in-place frame it is given,
// the control site, and the ambient properties the control asks for through
// the site's IDispatch.
#include "platform/afx/win32/afxoccimpl.h"

using namespace afxwin32;

namespace {

template <class T>
void ReleaseAndClear(T*& p) {
    if (p != nullptr) p->Release();
    p = nullptr;
}

}  // namespace

// ---------------------------------------------------------------- the in-place frame

HRESULT InPlaceFrame::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
        *ppv = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG InPlaceFrame::AddRef() { return m_outer->AddRef(); }

ULONG InPlaceFrame::Release() { return m_outer->Release(); }

HRESULT InPlaceFrame::GetWindow(HWND* phwnd) {
    if (phwnd == nullptr) return E_POINTER;
    *phwnd = TopOf(m_outer->Window());
    return *phwnd != nullptr ? S_OK : E_FAIL;
}

HRESULT InPlaceFrame::SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) {
    m_outer->SetActiveObject(pActiveObject);
    return S_OK;
}

// ---------------------------------------------------------------- the client site

ClientSite::ClientSite(COleControlSite* site, HWND window) : m_site(site), m_window(window), m_frame(this) {}

ClientSite::~ClientSite() {
    ReleaseAndClear(m_activeObject);
    ReleaseAndClear(m_inPlaceObject);
}

void ClientSite::Detach() {
    m_site = nullptr;
    m_object = nullptr;
    ReleaseAndClear(m_activeObject);
    ReleaseAndClear(m_inPlaceObject);
}

void ClientSite::SetActiveObject(IOleInPlaceActiveObject* object) {
    if (object != nullptr) object->AddRef();
    ReleaseAndClear(m_activeObject);
    m_activeObject = object;
}

HRESULT ClientSite::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleWindow))
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleControlSite))
        *ppv = static_cast<IOleControlSite*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
        *ppv = static_cast<IDispatch*>(this);
    else if (m_site != nullptr)
        return m_site->ExternalQueryInterface(&riid, ppv);  // the site's interface map
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ClientSite::Release() {
    ULONG r = --m_ref;
    if (r == 0) delete this;
    return r;
}

HRESULT ClientSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk != nullptr) *ppmk = nullptr;
    return E_NOTIMPL;
}

HRESULT ClientSite::GetContainer(IOleContainer** ppContainer) {
    if (ppContainer != nullptr) *ppContainer = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClientSite::GetWindow(HWND* phwnd) {
    if (phwnd == nullptr) return E_POINTER;
    *phwnd = m_window;
    return S_OK;
}

HRESULT ClientSite::OnInPlaceActivate() {
    if (m_site == nullptr || m_object == nullptr) return E_UNEXPECTED;
    ReleaseAndClear(m_inPlaceObject);
    return m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
}

HRESULT ClientSite::OnInPlaceDeactivate() {
    ReleaseAndClear(m_activeObject);
    ReleaseAndClear(m_inPlaceObject);
    return S_OK;
}

HRESULT ClientSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                     LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (ppFrame == nullptr || ppDoc == nullptr || lprcPosRect == nullptr || lprcClipRect == nullptr)
        return E_POINTER;
    // The frame serves as the document window too (none of its own).
    *ppFrame = &m_frame;
    m_frame.AddRef();
    *ppDoc = nullptr;
    RECT r{};
    ::GetClientRect(m_window, &r);
    *lprcPosRect = r;
    *lprcClipRect = r;
    if (lpFrameInfo != nullptr) {
        // cb is the caller's: the fields up to the accelerators.
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = TopOf(m_window);
        lpFrameInfo->haccel = nullptr;
        lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT ClientSite::OnPosRectChange(LPCRECT lprcPosRect) {
    if (lprcPosRect == nullptr) return E_POINTER;
    // The control stays inside its window: the window's client area clips it.
    RECT clip{};
    ::GetClientRect(m_window, &clip);
    if (m_inPlaceObject != nullptr) m_inPlaceObject->SetObjectRects(lprcPosRect, &clip);
    return S_OK;
}

HRESULT ClientSite::GetExtendedControl(IDispatch** ppDisp) {
    if (ppDisp == nullptr) return E_POINTER;
    *ppDisp = nullptr;
    return E_NOTIMPL;
}

HRESULT ClientSite::TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) {
    if (pPtlHimetric == nullptr || pPtfContainer == nullptr) return E_POINTER;
    // Container coordinates are pixels of the screen.
    HDC dc = ::GetDC(nullptr);
    float dpiX = static_cast<float>(dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96);
    float dpiY = static_cast<float>(dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96);
    if (dc != nullptr) ::ReleaseDC(nullptr, dc);
    const float kHimetricPerInch = 2540.0f;
    if (dwFlags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        pPtfContainer->x = static_cast<float>(pPtlHimetric->x) * dpiX / kHimetricPerInch;
        pPtfContainer->y = static_cast<float>(pPtlHimetric->y) * dpiY / kHimetricPerInch;
        return S_OK;
    }
    if (dwFlags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        pPtlHimetric->x = static_cast<LONG>(pPtfContainer->x * kHimetricPerInch / dpiX + 0.5f);
        pPtlHimetric->y = static_cast<LONG>(pPtfContainer->y * kHimetricPerInch / dpiY + 0.5f);
        return S_OK;
    }
    return E_INVALIDARG;
}

// ---------------------------------------------------------------- ambient properties

HRESULT ClientSite::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT ClientSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

// The control runs for the user (not being designed), its user interface
// alive, without hatching or grab handles; it reflects no messages. Others
// (the browser's download control among them) are not answered: the
// control keeps its defaults.
HRESULT ClientSite::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                           EXCEPINFO*, UINT*) {
    if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (pVarResult == nullptr) return E_POINTER;
    ::VariantInit(pVarResult);
    switch (dispIdMember) {
        case DISPID_AMBIENT_USERMODE:
            pVarResult->vt = VT_BOOL;
            pVarResult->boolVal = VARIANT_TRUE;
            return S_OK;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
            pVarResult->vt = VT_BOOL;
            pVarResult->boolVal = VARIANT_FALSE;
            return S_OK;
        case DISPID_AMBIENT_LOCALEID:
            pVarResult->vt = VT_I4;
            pVarResult->lVal = static_cast<LONG>(::GetUserDefaultLCID());
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}
