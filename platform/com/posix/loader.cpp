#include "platform/com/posix/loader.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/com/posix/regkeys.h"
#include "platform/win/posix/winmod.h"

namespace {

// Modules loaded for their classes, by the path InprocServer32 gives; one
// loader reference each.
// Held while a module's export runs, so that no module is unloaded under a
// call into it.
std::recursive_mutex g_modulesMutex;
std::map<std::string, HMODULE>& LoadedModules() {
    static auto* modules = new std::map<std::string, HMODULE>();  // outlives static destruction
    return *modules;
}

std::string ProgIdText(LPCOLESTR text) {
    std::string out;
    for (; *text != 0; ++text) {
        // ProgIDs are ASCII: letters, digits and dots.
        if (*text > 0x7E || *text < 0x20 || *text == '\\') return std::string();
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (lpszProgID == nullptr || lpclsid == nullptr) return E_INVALIDARG;
    *lpclsid = IID_NULL;
    std::string progId = ProgIdText(lpszProgID);
    if (progId.empty()) return CO_E_CLASSSTRING;
    std::string text;
    if (com_layer::RegGetKeyText(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr, &text) != ERROR_SUCCESS)
        return CO_E_CLASSSTRING;
    CLSID clsid;
    if (!GuidFromString(text.c_str(), &clsid)) return CO_E_CLASSSTRING;
    *lpclsid = clsid;
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pServerInfo, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    if (pServerInfo != nullptr) return E_INVALIDARG;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    char clsidText[39];
    GuidToString(rclsid, clsidText);
    std::string path;
    if (com_layer::RegGetKeyText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsidText + "\\InprocServer32", nullptr,
                                 &path) != ERROR_SUCCESS ||
        path.empty())
        return REGDB_E_CLASSNOTREG;

    std::lock_guard<std::recursive_mutex> lock(g_modulesMutex);
    HMODULE module = nullptr;
    auto it = LoadedModules().find(path);
    if (it != LoadedModules().end()) {
        module = it->second;
    } else {
        module = LoadLibraryA(path.c_str());
        if (module == nullptr) return CO_E_DLLNOTFOUND;
        LoadedModules()[path] = module;
    }
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    if (getClassObject == nullptr) {
        // Not a server: nothing of it can be in use.
        FreeLibrary(module);
        LoadedModules().erase(path);
        return CO_E_ERRORINDLL;
    }
    return getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) return E_INVALIDARG;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<LPVOID*>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries() {
    std::lock_guard<std::recursive_mutex> lock(g_modulesMutex);
    auto& modules = LoadedModules();
    for (auto it = modules.begin(); it != modules.end();) {
        auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(it->second, "DllCanUnloadNow"));
        if (canUnloadNow != nullptr && canUnloadNow() == S_OK) {
            FreeLibrary(it->second);
            it = modules.erase(it);
        } else {
            ++it;
        }
    }
}

BOOL CoIsModuleLoaded(LPCSTR lpszModulePath) {
    if (lpszModulePath == nullptr) return FALSE;
    std::lock_guard<std::recursive_mutex> lock(g_modulesMutex);
    return LoadedModules().count(lpszModulePath) != 0 ? TRUE : FALSE;
}
