// Test equipment only, Windows only: the stand-in WebBrowser control's
// connection point for DWebBrowserEvents2 (see StandInBrowser.h).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <utility>
#include <vector>

namespace standin {

class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(IConnectionPointContainer* owner);
    // The control ends: its sinks are let go.
    void Detach();
    void Fire(DISPID dispid, DISPPARAMS* params);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    ~EventPoint();
    LONG refs_ = 1;
    IConnectionPointContainer* owner_;  // not held: the control holds this point
    DWORD lastCookie_ = 0;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
};

}  // namespace standin
