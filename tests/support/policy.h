// The administrators' policy for tests: written into the test's own
// registry file (VEMOMPI_REGISTRY) under HKEY_LOCAL_MACHINE, and a client
// site that names a page, as a container does.
#pragma once

#include <string>

#include "platform/com/com.h"
#include "platform/com/ole.h"
#include "platform/registry/registry.h"
#include "transport/MPIPolicy.h"

namespace policytest {

// Writes one value under HKEY_LOCAL_MACHINE\SOFTWARE\VemoMPI\Policy (or, with
// root, under another predefined key's SOFTWARE\VemoMPI\Policy).
inline LONG SetValue(const char* name, DWORD type, const void* data, DWORD size, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, MPI_POLICY_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc;
}

inline LONG SetStrict(DWORD value, HKEY root = HKEY_LOCAL_MACHINE) {
    return SetValue(MPI_POLICY_STRICT_TRANSPORT, REG_DWORD, &value, sizeof(value), root);
}

inline LONG SetSites(const std::string& text, HKEY root = HKEY_LOCAL_MACHINE) {
    return SetValue(MPI_POLICY_ALLOWED_SITES, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1), root);
}

// Removes a value of the machine's policy key.
inline LONG Remove(const char* name) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, MPI_POLICY_KEY, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return rc;
}

// The container's site, naming the page with a URL moniker (no page when
// `page` is empty).
class PageSite final : public IOleClientSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++ref; }
    ULONG STDMETHODCALLTYPE Release() override { return --ref; }  // lives in the test
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        ++calls;
        if (page.empty()) {
            *ppmk = nullptr;
            return E_NOTIMPL;
        }
        return CreateURLMoniker(nullptr, page.c_str(), ppmk);
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** pp) override {
        *pp = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    std::u16string page;
    ULONG ref = 1;
    int calls = 0;
};

}  // namespace policytest
