// A tiny in-process server for the host's tests: its one class,
// "VemoTest.Unsafe.1", is a scriptable object that does not let itself be
// made safe for untrusted callers and data (its IObjectSafety refuses), as
// a control that was never marked safe for scripting.
#include <dlfcn.h>

#include <atomic>
#include <string>

#include "platform/com/loader.h"
#include "platform/com/objsafe.h"
#include "platform/com/regkeys.h"

namespace {

const CLSID kClsid = {0x5A1E0C3D, 0x7E2B, 0x4C11, {0x9B, 0x10, 0x3F, 0x62, 0xD4, 0x0A, 0x11, 0x7C}};
std::atomic<long> g_objects{0};

class Unsafe final : public IDispatch, public IObjectSafety {
public:
    Unsafe() { ++g_objects; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        else if (riid == IID_IObjectSafety)
            *ppv = static_cast<IObjectSafety*>(this);
        else
            return *ppv = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++ref_; }
    ULONG Release() override {
        ULONG n = --ref_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** pp) override { return *pp = nullptr, DISP_E_BADINDEX; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        return ids[0] = 1, S_OK;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (result != nullptr) result->vt = VT_I4, result->lVal = 42;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID, DWORD* supported, DWORD* enabled) override {
        *supported = 0;
        *enabled = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) override { return E_FAIL; }

private:
    ~Unsafe() { --g_objects; }
    std::atomic<ULONG> ref_{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return *ppv = nullptr, E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* o = new Unsafe;
        HRESULT hr = o->QueryInterface(riid, ppv);
        o->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

std::string ModulePath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&ModulePath), &info);
    return info.dli_fname != nullptr ? info.dli_fname : "";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (clsid != kClsid) return *ppv = nullptr, CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return g_objects.load() == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    char text[39];
    GuidToString(kClsid, text);
    bool ok = com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, "VemoTest.Unsafe.1\\CLSID", nullptr, text) == ERROR_SUCCESS &&
              com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + text + "\\InprocServer32",
                                       nullptr, ModulePath()) == ERROR_SUCCESS;
    return ok ? S_OK : SELFREG_E_CLASS;
}
