// A tiny in-process server for the host's tests, with two classes:
// "VemoTest.Unsafe.1", a scriptable object that does not let itself be made
// safe for untrusted callers and data (its IObjectSafety refuses), as a
// control that was never marked safe for scripting; and
// "VemoTest.Throwing.1", safe, whose every call throws a C++ exception out
// of IDispatch::Invoke, as a faulty control might; and "VemoTest.Refused.1",
// registered, but whose class the module does not serve.
#include <dlfcn.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/com/posix/loader.h"
#include "platform/com/objsafe.h"
#include "platform/com/posix/regkeys.h"

namespace {

const CLSID kClsid = {0x5A1E0C3D, 0x7E2B, 0x4C11, {0x9B, 0x10, 0x3F, 0x62, 0xD4, 0x0A, 0x11, 0x7C}};
const CLSID kThrowingClsid = {0x5A1E0C3D, 0x7E2B, 0x4C11, {0x9B, 0x10, 0x3F, 0x62, 0xD4, 0x0A, 0x11, 0x7D}};
const CLSID kRefusedClsid = {0x5A1E0C3D, 0x7E2B, 0x4C11, {0x9B, 0x10, 0x3F, 0x62, 0xD4, 0x0A, 0x11, 0x7E}};
std::atomic<long> g_objects{0};

class Unsafe final : public IDispatch, public IObjectSafety {
public:
    explicit Unsafe(bool throwing) : throwing_(throwing) { ++g_objects; }
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
        if (throwing_) throw std::runtime_error("the control failed");
        if (result != nullptr) result->vt = VT_I4, result->lVal = 42;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID, DWORD* supported, DWORD* enabled) override {
        *supported = *enabled = throwing_ ? 3 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) override {
        return throwing_ ? S_OK : E_FAIL;
    }

private:
    ~Unsafe() { --g_objects; }
    bool throwing_;
    std::atomic<ULONG> ref_{1};
};

class Factory final : public IClassFactory {
public:
    explicit Factory(bool throwing) : throwing_(throwing) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return *ppv = nullptr, E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* o = new Unsafe(throwing_);
        HRESULT hr = o->QueryInterface(riid, ppv);
        o->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    bool throwing_;
};

Factory g_factory(false), g_throwingFactory(true);

std::string ModulePath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&ModulePath), &info);
    return info.dli_fname != nullptr ? info.dli_fname : "";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (clsid == kClsid) return g_factory.QueryInterface(riid, ppv);
    if (clsid == kThrowingClsid) return g_throwingFactory.QueryInterface(riid, ppv);
    return *ppv = nullptr, CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return g_objects.load() == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    bool ok = true;
    for (auto [progId, clsid] : {std::pair{"VemoTest.Unsafe.1", &kClsid}, std::pair{"VemoTest.Throwing.1", &kThrowingClsid},
                                 std::pair{"VemoTest.Refused.1", &kRefusedClsid}}) {
        char text[39];
        GuidToString(*clsid, text);
        ok = ok &&
             com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID", nullptr, text) ==
                 ERROR_SUCCESS &&
             com_layer::RegSetKeyText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + text + "\\InprocServer32",
                                      nullptr, ModulePath()) == ERROR_SUCCESS;
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}
