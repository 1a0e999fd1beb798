// Test equipment only, Windows only: the stand-in WebBrowser control's
// connection point for DWebBrowserEvents2 and the events it fires, with the
// arguments the WebBrowser control gives them (in reverse order in the
// DISPPARAMS, as IDispatch::Invoke takes them).
#include <exdispid.h>

#include <vector>

#include "sandbox/standin-browser/StandInBrowser.h"
#include "sandbox/standin-browser/StandInEvents.h"

namespace standin {

namespace {

BSTR Bstr(const std::wstring& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

std::wstring Widen(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

}  // namespace

// ---------------------------------------------------------------- connection point

EventPoint::EventPoint(IConnectionPointContainer* owner) : owner_(owner) { ModuleAddRef(); }

EventPoint::~EventPoint() {
    for (auto& s : sinks_) s.second->Release();
    ModuleRelease();
}

void EventPoint::Detach() {
    owner_ = nullptr;
    for (auto& s : sinks_) s.second->Release();
    sinks_.clear();
}

HRESULT EventPoint::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG EventPoint::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG EventPoint::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT EventPoint::GetConnectionInterface(IID* pIID) {
    if (pIID == nullptr) return E_POINTER;
    *pIID = DIID_DWebBrowserEvents2;
    return S_OK;
}

HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (ppCPC == nullptr) return E_POINTER;
    *ppCPC = owner_;
    if (owner_ == nullptr) return E_UNEXPECTED;
    owner_->AddRef();
    return S_OK;
}

HRESULT EventPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (pUnkSink == nullptr || pdwCookie == nullptr) return E_POINTER;
    *pdwCookie = 0;
    IDispatch* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))) &&
        FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
        return CONNECT_E_CANNOTCONNECT;
    *pdwCookie = ++lastCookie_;
    sinks_.emplace_back(*pdwCookie, sink);
    return S_OK;
}

HRESULT EventPoint::Unadvise(DWORD dwCookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it)
        if (it->first == dwCookie) {
            IDispatch* sink = it->second;
            sinks_.erase(it);
            sink->Release();
            return S_OK;
        }
    return CONNECT_E_NOCONNECTION;
}

void EventPoint::Fire(DISPID dispid, DISPPARAMS* params) {
    // A sink may unadvise, or the control end, while it is called.
    std::vector<IDispatch*> sinks;
    for (auto& s : sinks_) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    AddRef();
    for (IDispatch* sink : sinks) {
        sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
        sink->Release();
    }
    Release();
}

// ---------------------------------------------------------------- the events

void Browser::Fire(DISPID dispid, DISPPARAMS* params) {
    if (events_ != nullptr) events_->Fire(dispid, params);
}

void Browser::FireBeforeNavigate2(const Request& request, const VARIANT* flags, const VARIANT* target, bool* cancel) {
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    VariantInit(&vUrl);
    VariantInit(&vFlags);
    VariantInit(&vTarget);
    VariantInit(&vPost);
    VariantInit(&vHeaders);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = Bstr(Widen(request.url));
    vFlags.vt = VT_I4;
    vFlags.lVal = flags != nullptr && flags->vt == VT_I4 ? flags->lVal : 0;
    vTarget.vt = VT_BSTR;
    vTarget.bstrVal = target != nullptr && target->vt == VT_BSTR && target->bstrVal != nullptr
                          ? SysAllocStringLen(target->bstrVal, SysStringLen(target->bstrVal))
                          : SysAllocString(L"");
    if (request.method == "POST") {
        SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(request.body.size()));
        void* data = nullptr;
        if (bytes != nullptr && SUCCEEDED(SafeArrayAccessData(bytes, &data))) {
            if (!request.body.empty()) CopyMemory(data, request.body.data(), request.body.size());
            SafeArrayUnaccessData(bytes);
            vPost.vt = VT_ARRAY | VT_UI1;
            vPost.parray = bytes;
        } else if (bytes != nullptr) {
            SafeArrayDestroy(bytes);
        }
    }
    vHeaders.vt = VT_BSTR;
    vHeaders.bstrVal = Bstr(Widen(request.headers));
    VARIANT_BOOL vCancel = VARIANT_FALSE;

    // In reverse order: Cancel, Headers, PostData, TargetFrameName, Flags, URL, pDisp.
    VARIANTARG args[7];
    for (auto& a : args) VariantInit(&a);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &vCancel;
    args[1].vt = VT_VARIANT | VT_BYREF;
    args[1].pvarVal = &vHeaders;
    args[2].vt = VT_VARIANT | VT_BYREF;
    args[2].pvarVal = &vPost;
    args[3].vt = VT_VARIANT | VT_BYREF;
    args[3].pvarVal = &vTarget;
    args[4].vt = VT_VARIANT | VT_BYREF;
    args[4].pvarVal = &vFlags;
    args[5].vt = VT_VARIANT | VT_BYREF;
    args[5].pvarVal = &vUrl;
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = Self();
    DISPPARAMS dp{args, nullptr, 7, 0};
    Fire(DISPID_BEFORENAVIGATE2, &dp);
    *cancel = vCancel != VARIANT_FALSE;
    VariantClear(&vUrl);
    VariantClear(&vFlags);
    VariantClear(&vTarget);
    VariantClear(&vPost);
    VariantClear(&vHeaders);
}

// NavigateComplete2 and DocumentComplete: pDisp, URL.
void Browser::FireUrlEvent(DISPID dispid, const std::wstring& url) {
    VARIANT vUrl;
    VariantInit(&vUrl);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = Bstr(url);
    VARIANTARG args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &vUrl;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = Self();
    DISPPARAMS dp{args, nullptr, 2, 0};
    Fire(dispid, &dp);
    VariantClear(&vUrl);
}

void Browser::FireTitleChange(const std::wstring& title) {
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = Bstr(title);
    DISPPARAMS dp{&arg, nullptr, 1, 0};
    Fire(DISPID_TITLECHANGE, &dp);
    VariantClear(&arg);
}

// NavigateError: pDisp, URL, Frame, StatusCode, Cancel.
void Browser::FireNavigateError(const std::wstring& url, long status) {
    VARIANT vUrl, vFrame, vStatus;
    VariantInit(&vUrl);
    VariantInit(&vFrame);
    VariantInit(&vStatus);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = Bstr(url);
    vFrame.vt = VT_BSTR;
    vFrame.bstrVal = SysAllocString(L"");
    vStatus.vt = VT_I4;
    vStatus.lVal = status;
    VARIANT_BOOL vCancel = VARIANT_FALSE;
    VARIANTARG args[5];
    for (auto& a : args) VariantInit(&a);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &vCancel;
    args[1].vt = VT_VARIANT | VT_BYREF;
    args[1].pvarVal = &vStatus;
    args[2].vt = VT_VARIANT | VT_BYREF;
    args[2].pvarVal = &vFrame;
    args[3].vt = VT_VARIANT | VT_BYREF;
    args[3].pvarVal = &vUrl;
    args[4].vt = VT_DISPATCH;
    args[4].pdispVal = Self();
    DISPPARAMS dp{args, nullptr, 5, 0};
    Fire(DISPID_NAVIGATEERROR, &dp);
    VariantClear(&vUrl);
    VariantClear(&vFrame);
}

}  // namespace standin
