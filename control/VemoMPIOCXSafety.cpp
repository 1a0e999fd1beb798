// The control's object safety: it declares itself safe for scripting by
// untrusted callers and for initialisation from untrusted data, for every
// interface it has, and refuses to be made less safe.
#include "control/VemoMPIOCXCtrl.h"

namespace {

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

// Whether the control has the interface (its own interface lookup).
bool HasInterface(CVemoMPIOCXCtrl* ctrl, REFIID riid) {
    void* itf = nullptr;
    HRESULT hr = ctrl->QueryInterface(riid, &itf);
    if (SUCCEEDED(hr) && itf != nullptr) static_cast<IUnknown*>(itf)->Release();
    return SUCCEEDED(hr) && itf != nullptr;
}

}  // namespace

void* CVemoMPIOCXCtrl::GetInterfaceHook(REFIID iid) {
    if (iid == IID_IObjectSafety) return static_cast<IObjectSafety*>(&m_xObjSafe);
    return COleControl::GetInterfaceHook(iid);
}

HRESULT CVemoMPIOCXCtrl::XObjSafe::QueryInterface(REFIID riid, void** ppvObj) {
    return m_pThis->QueryInterface(riid, ppvObj);
}

ULONG CVemoMPIOCXCtrl::XObjSafe::AddRef() { return m_pThis->AddRef(); }

ULONG CVemoMPIOCXCtrl::XObjSafe::Release() { return m_pThis->Release(); }

HRESULT CVemoMPIOCXCtrl::XObjSafe::GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                             DWORD* pdwEnabledOptions) {
    if (pdwSupportedOptions == nullptr || pdwEnabledOptions == nullptr) return E_POINTER;
    bool has = HasInterface(m_pThis, riid);
    *pdwSupportedOptions = kSafetyOptions;
    *pdwEnabledOptions = kSafetyOptions;
    return has ? S_OK : E_NOINTERFACE;
}

HRESULT CVemoMPIOCXCtrl::XObjSafe::SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask,
                                                             DWORD dwEnabledOptions) {
    if (!HasInterface(m_pThis, riid)) return E_NOINTERFACE;
    if ((dwOptionSetMask & ~kSafetyOptions) != 0) return E_FAIL;
    // Switching a safety option off is refused: the control stays safe.
    if ((dwOptionSetMask & dwEnabledOptions) != dwOptionSetMask) return E_FAIL;
    return S_OK;
}
