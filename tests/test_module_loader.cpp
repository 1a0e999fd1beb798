// A container's view of the module: registered into a fresh registry, the
// control is created by its ProgID through the COM loader and driven
// through IDispatch by name; the module stays loaded while anything of it
// lives and goes when DllCanUnloadNow allows; after unregistration the
// ProgID no longer resolves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/com/posix/loader.h"
#include "platform/com/objsafe.h"
#include "platform/registry/registry.h"
#include "platform/win/posix/winmod.h"
#include "tests/support/dispatch.h"
#include "tests/support/tempdir.h"

using script::Call;
using script::Get;
using script::Put;

namespace {

const CLSID kClsid = {0x1176C766, 0x9B4C, 0x47B6, {0xAE, 0x82, 0x72, 0x4A, 0x7F, 0xE6, 0xD2, 0x3B}};
const CLSID kPageClsid = {0x601F0710, 0x5859, 0x4628, {0xB7, 0x2E, 0x4E, 0x0D, 0x32, 0x78, 0x07, 0xE8}};

HRESULT CallExport(const char* name) {
    HMODULE m = LoadLibraryA(VEMOMPI_MODULE);
    if (m == nullptr) return E_FAIL;
    auto fn = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(m, name));
    HRESULT hr = fn != nullptr ? fn() : E_FAIL;
    FreeLibrary(m);
    return hr;
}

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        unsetenv("LC_ALL");
        setenv("LANG", "en_US.UTF-8", 1);
        ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
        char resolved[4096];
        ASSERT_NE(realpath(VEMOMPI_MODULE, resolved), nullptr);
        path = resolved;
    }
    void TearDown() override { CoFreeUnusedLibraries(); }
    TempDir dir;
    std::string path;
};

TEST_F(Loader, CreatesTheControlByItsProgIdAndCallsItByName) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"VEMOMPIOCX.VemoMPIOCXCtrl.1", &clsid), S_OK);
    EXPECT_EQ(clsid, kClsid);
    IDispatch* ctrl = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&ctrl)),
              S_OK);
    ASSERT_NE(ctrl, nullptr);
    EXPECT_TRUE(CoIsModuleLoaded(path.c_str()));

    EXPECT_EQ(Call(ctrl, u"SetTimeOut", {5000}).Long(), 0);
    EXPECT_EQ(Call(ctrl, u"SetExtraParams", {std::u16string(1024, u'x')}).Long(), -1);
    EXPECT_EQ(Call(ctrl, u"SetExtraParams", {u"a=1"}).Long(), 0);
    EXPECT_EQ(Get(ctrl, u"Code1").Text(), u"");
    EXPECT_EQ(Put(ctrl, u"Code1", u"0000"), S_OK);
    EXPECT_EQ(Get(ctrl, u"code1").Text(), u"0000");
    EXPECT_EQ(Call(ctrl, u"GetClientHTTPData1").Text(), u"");
    EXPECT_EQ(script::IdOf(ctrl, u"AboutBox"), DISPID_ABOUTBOX);

    IObjectSafety* safety = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, 3u);

    // Alive objects keep the module.
    CoFreeUnusedLibraries();
    EXPECT_TRUE(CoIsModuleLoaded(path.c_str()));
    safety->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(CoIsModuleLoaded(path.c_str()));
    ctrl->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(CoIsModuleLoaded(path.c_str()));
    EXPECT_FALSE(IsModuleLoaded(path.c_str())) << "the module really left the process";
}

TEST_F(Loader, AFactoryOrALockKeepsTheModule) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(CoIsModuleLoaded(path.c_str())) << "locked";
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    factory->LockServer(FALSE);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(CoIsModuleLoaded(path.c_str())) << "a factory reference is held";
    IUnknown* unk = nullptr;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(&unk), IID_IUnknown, reinterpret_cast<void**>(&unk)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(&unk)), E_NOINTERFACE);
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(CoIsModuleLoaded(path.c_str()));
}

TEST_F(Loader, ThePropertyPageComesFromTheModulesFactory) {
    IUnknown* page = nullptr;
    EXPECT_EQ(CoCreateInstance(kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&page)),
              REGDB_E_CLASSNOTREG)
        << "registered by type name only, not for creation through the registry";
    HMODULE m = LoadLibraryA(VEMOMPI_MODULE);
    auto get = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(m, "DllGetClassObject"));
    ASSERT_NE(get, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(get(kPageClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&page)), S_OK);
    page->Release();
    factory->Release();
    const CLSID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(get(other, IID_IClassFactory, reinterpret_cast<void**>(&factory)), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    FreeLibrary(m);
}

TEST_F(Loader, AfterUnregistrationNothingResolves) {
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"VEMOMPIOCX.VemoMPIOCXCtrl.1", &clsid), CO_E_CLASSSTRING);
    IUnknown* unk = nullptr;
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CLSIDFromProgID(u"No.Such.Class", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"Bad\\Name", &clsid), CO_E_CLASSSTRING);
}

TEST_F(Loader, RefusesWhatItCannotServe) {
    IUnknown* unk = nullptr;
    EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              REGDB_E_CLASSNOTREG);
    // A class whose server file is gone, and one whose file is no server.
    const char* fakeKey = "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32";
    const CLSID fake = {0x00000000, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, fakeKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::string missing = dir / "missing.so";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(missing.c_str()),
                   static_cast<DWORD>(missing.size() + 1));
    EXPECT_EQ(CoCreateInstance(fake, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              CO_E_DLLNOTFOUND);
    const char libm[] = "libm.so.6";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(libm), sizeof(libm));
    RegCloseKey(key);
    EXPECT_EQ(CoCreateInstance(fake, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unk)),
              CO_E_ERRORINDLL);
    EXPECT_FALSE(CoIsModuleLoaded(libm));
}

}  // namespace
