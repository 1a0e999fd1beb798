// The event sink of a contained control: advised on the control's
// connection point for its events (the browser's DWebBrowserEvents2), it
// hands every event to the site, which routes it by control id and dispatch
// id to the container window's event sink map. The arguments go as the
// control passed them: by-reference ones (the browser's Cancel flag) are
// written back by the sink map's entry before Invoke returns.
#include "platform/afx/win32/afxoccimpl.h"

#include <exdisp.h>

using namespace afxwin32;

bool EventSink::Advise(IUnknown* control) {
    if (control == nullptr || m_point != nullptr) return false;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        container == nullptr)
        return false;
    HRESULT hr = container->FindConnectionPoint(m_events, &m_point);
    container->Release();
    if (FAILED(hr) || m_point == nullptr) {
        m_point = nullptr;
        return false;
    }
    if (FAILED(m_point->Advise(static_cast<IDispatch*>(this), &m_cookie))) {
        m_point->Release();
        m_point = nullptr;
        m_cookie = 0;
        return false;
    }
    return true;
}

void EventSink::Unadvise() {
    m_site = nullptr;
    IConnectionPoint* point = m_point;
    m_point = nullptr;
    if (point == nullptr) return;
    point->Unadvise(m_cookie);
    m_cookie = 0;
    point->Release();
}

HRESULT EventSink::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_events)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG EventSink::Release() {
    ULONG r = --m_ref;
    if (r == 0) delete this;
    return r;
}

HRESULT EventSink::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT EventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                          EXCEPINFO*, UINT*) {
    if (pVarResult != nullptr) ::VariantInit(pVarResult);
    if (m_site == nullptr) return S_OK;  // unadvised: the control's late events go nowhere
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    // The handler may end the dialog and with it the site, this sink's
    // advice and the control's last reference of it: the sink lives until
    // the call is over, and touches nothing of the site after it.
    AddRef();
    m_site->FireEvent(dispIdMember, pDispParams != nullptr ? pDispParams : &none);
    Release();
    return S_OK;
}

bool afxwin32::AdviseControlEvents(COleControlSite* site, IUnknown* control, EventSink** sink) {
    *sink = nullptr;
    // The browser's events first; another control's default source
    // interface, as its class information names it.
    IID events = DIID_DWebBrowserEvents2;
    auto* candidate = new EventSink(site, events);
    if (candidate->Advise(control)) {
        *sink = candidate;
        return true;
    }
    candidate->Release();
    IProvideClassInfo2* info = nullptr;
    if (FAILED(control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info))) || info == nullptr)
        return false;
    HRESULT hr = info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events);
    info->Release();
    if (FAILED(hr)) return false;
    candidate = new EventSink(site, events);
    if (candidate->Advise(control)) {
        *sink = candidate;
        return true;
    }
    candidate->Release();
    return false;
}
