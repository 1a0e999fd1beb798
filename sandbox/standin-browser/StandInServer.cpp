// Test equipment only, Windows only: the stand-in WebBrowser control's
// in-process server: its class object, and its registration with regsvr32.
//
// DllRegisterServer writes HKCR\CLSID\{581963E0-AB9B-4BAA-B85D-F99CFC901024}
// (InprocServer32: this module, ThreadingModel Apartment) and
// HKCR\CLSID\{8856F961-340A-11D0-A96B-00C04FD705A2}\TreatAs naming it, so
// that CoCreateInstance(CLSID_WebBrowser) makes the stand-in.
// DllUnregisterServer removes its own key and that TreatAs (only when it
// names the stand-in), and CLSID_WebBrowser's key too when registration had
// made it and nothing else is left in it.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "sandbox/standin-browser/StandInBrowser.h"

namespace standin {

namespace {

HINSTANCE g_instance = nullptr;
LONG g_objects = 0;  // live objects and server locks

const wchar_t kStandInKey[] = L"CLSID\\{581963E0-AB9B-4BAA-B85D-F99CFC901024}";
const wchar_t kStandInClsid[] = L"{581963E0-AB9B-4BAA-B85D-F99CFC901024}";
const wchar_t kWebBrowserKey[] = L"CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}";
const wchar_t kName[] = L"VemoMPI stand-in WebBrowser control (Windows tests only)";
// A value in the stand-in's key: CLSID_WebBrowser's key was made by the
// registration and goes with it.
const wchar_t kMadeBrowserKey[] = L"MadeWebBrowserKey";

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleAddRef();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleRelease();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* browser = new Browser;
        HRESULT hr = browser->QueryInterface(riid, ppv);
        static_cast<IWebBrowser2*>(browser)->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ModuleAddRef();
        else ModuleRelease();
        return S_OK;
    }
};

ClassFactory g_factory;

bool SetString(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS) return false;
    LONG r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

std::wstring GetString(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buf[256];
    DWORD size = sizeof(buf) - sizeof(wchar_t), type = 0;
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return L"";
    LONG r = RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS || type != REG_SZ) return L"";
    buf[size / sizeof(wchar_t)] = L'\0';
    return buf;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

bool KeyEmpty(HKEY root, const std::wstring& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0, values = 0;
    LONG r = RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr);
    RegCloseKey(h);
    return r == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

}  // namespace

void ModuleAddRef() { InterlockedIncrement(&g_objects); }
void ModuleRelease() { InterlockedDecrement(&g_objects); }
HINSTANCE ModuleInstance() { return g_instance; }

}  // namespace standin

using namespace standin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_StandInBrowser) && !IsEqualCLSID(rclsid, CLSID_WebBrowser))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    wchar_t path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(g_instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    path[n] = L'\0';
    std::wstring key = kStandInKey;
    bool madeBrowserKey = !KeyExists(HKEY_CLASSES_ROOT, kWebBrowserKey);
    bool ok = SetString(HKEY_CLASSES_ROOT, key.c_str(), nullptr, kName) &&
              SetString(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), nullptr, path) &&
              SetString(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), L"ThreadingModel", L"Apartment") &&
              (!madeBrowserKey || SetString(HKEY_CLASSES_ROOT, key.c_str(), kMadeBrowserKey, L"1")) &&
              SetString(HKEY_CLASSES_ROOT, (std::wstring(kWebBrowserKey) + L"\\TreatAs").c_str(), nullptr,
                        kStandInClsid);
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    std::wstring treatAs = std::wstring(kWebBrowserKey) + L"\\TreatAs";
    bool madeBrowserKey = GetString(HKEY_CLASSES_ROOT, kStandInKey, kMadeBrowserKey) == L"1";
    if (lstrcmpiW(GetString(HKEY_CLASSES_ROOT, treatAs, nullptr).c_str(), kStandInClsid) == 0)
        RegDeleteKeyW(HKEY_CLASSES_ROOT, treatAs.c_str());
    if (madeBrowserKey && KeyEmpty(HKEY_CLASSES_ROOT, kWebBrowserKey)) RegDeleteKeyW(HKEY_CLASSES_ROOT, kWebBrowserKey);
    LONG r = RegDeleteTreeW(HKEY_CLASSES_ROOT, kStandInKey);
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
