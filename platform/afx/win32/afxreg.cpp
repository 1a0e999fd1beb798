// Self-registration of a control module on Windows: the registry entries
// of a control class, a property page class and the module's type library
// (resource TYPELIB 1 of the module), in the system's registry.
#include <string>

#include "platform/afx/afxmod.h"
#include "platform/afx/afxres.h"
#include "platform/com/typeinfo.h"

namespace {

std::string GuidText(REFGUID guid) {
    WCHAR wide[40];
    char text[40];
    if (StringFromGUID2(guid, wide, 40) == 0) return std::string();
    for (int i = 0; i < 40; ++i) {
        text[i] = static_cast<char>(wide[i]);
        if (wide[i] == 0) break;
    }
    text[39] = '\0';
    return text;
}

bool LoadText(UINT id, std::string* text) {
    char buffer[256];
    if (AfxLoadString(id, buffer, sizeof(buffer)) == 0) return false;
    *text = buffer;
    return true;
}

bool ModulePath(std::string* path) {
    char buffer[MAX_PATH];
    if (!AfxGetModuleFileName(buffer, sizeof(buffer))) return false;
    *path = buffer;
    return true;
}

// Writes one text value (the key's default when valueName is null),
// making the key as needed.
bool Set(const std::string& key, LPCSTR valueName, const std::string& text) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(hKey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

bool Get(const std::string& key, std::string* text) {
    char buffer[256];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    *text = buffer;
    return true;
}

// A key that is already gone counts as removed.
bool RemoveTree(const std::string& key) {
    LONG rc = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());  // RegDeleteTree empties the key; this removes it
        return true;
    }
    return false;
}

bool KeyExists(const std::string& key) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
}

// The module's own type library when it has the identifier tlid (and, when
// asked, the version); the caller releases it.
ITypeLib* ModuleTypeLib(const std::string& path, REFGUID tlid, int major = -1, int minor = -1) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) return nullptr;
    ITypeLib* lib = nullptr;
    if (FAILED(LoadTypeLibEx(wide, REGKIND_NONE, &lib))) return nullptr;
    TLIBATTR* attr = nullptr;
    bool match = SUCCEEDED(lib->GetLibAttr(&attr)) && attr->guid == tlid &&
                 (major < 0 || (attr->wMajorVerNum == major && attr->wMinorVerNum == minor));
    if (attr != nullptr) lib->ReleaseTLibAttr(attr);
    if (!match) {
        lib->Release();
        return nullptr;
    }
    return lib;
}

}  // namespace

BOOL AfxOleRegisterControlClass(HINSTANCE, REFCLSID clsid, LPCSTR pszProgID, UINT idTypeName, UINT idBitmap,
                                int nRegFlags, DWORD dwMiscStatus, REFGUID tlid, WORD wVerMajor, WORD wVerMinor) {
    std::string typeName, path;
    if (pszProgID == nullptr || pszProgID[0] == '\0' || !LoadText(idTypeName, &typeName) || !ModulePath(&path))
        return FALSE;
    const std::string key = "CLSID\\" + GuidText(clsid);
    const std::string version = std::to_string(wVerMajor) + "." + std::to_string(wVerMinor);
    bool ok = Set(pszProgID, nullptr, typeName) && Set(std::string(pszProgID) + "\\CLSID", nullptr, GuidText(clsid)) &&
              Set(key, nullptr, typeName) && Set(key + "\\ProgID", nullptr, pszProgID) &&
              Set(key + "\\InprocServer32", nullptr, path);
    if (ok && (nRegFlags & (afxRegApartmentThreading | afxRegFreeThreading)) != 0)
        ok = Set(key + "\\InprocServer32", "ThreadingModel",
                 (nRegFlags & afxRegFreeThreading) != 0 ? "Free" : "Apartment");
    ok = ok && Set(key + "\\ToolboxBitmap32", nullptr, path + ", " + std::to_string(idBitmap)) &&
         Set(key + "\\MiscStatus", nullptr, "0") && Set(key + "\\MiscStatus\\1", nullptr, std::to_string(dwMiscStatus)) &&
         Set(key + "\\Control", nullptr, "") && Set(key + "\\TypeLib", nullptr, GuidText(tlid)) &&
         Set(key + "\\Version", nullptr, version);
    if (ok && (nRegFlags & afxRegInsertable) != 0) ok = Set(key + "\\Insertable", nullptr, "");
    return ok ? TRUE : FALSE;
}

BOOL AfxOleRegisterPropertyPageClass(HINSTANCE, REFCLSID clsid, UINT idTypeName) {
    std::string typeName, path;
    if (!LoadText(idTypeName, &typeName) || !ModulePath(&path)) return FALSE;
    const std::string key = "CLSID\\" + GuidText(clsid);
    // On Windows the system's property frame makes the page through COM,
    // so the class names its server as well; it names no threading model.
    return Set(key, nullptr, typeName) && Set(key + "\\InprocServer32", nullptr, path) ? TRUE : FALSE;
}

BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID) {
    if (pszProgID != nullptr && pszProgID[0] != '\0') {
        // A ProgID that names another class is not ours to remove.
        std::string named;
        bool other = Get(std::string(pszProgID) + "\\CLSID", &named) && named != GuidText(clsid);
        if (!other && !RemoveTree(pszProgID)) return FALSE;
    }
    return RemoveTree("CLSID\\" + GuidText(clsid)) ? TRUE : FALSE;
}

BOOL AfxOleRegisterTypeLib(HINSTANCE, REFGUID tlid, LPCSTR pszFileName, LPCSTR pszHelpDir) {
    std::string modulePath;
    if (!ModulePath(&modulePath)) return FALSE;
    ITypeLib* lib = ModuleTypeLib(modulePath, tlid);
    if (lib == nullptr) return FALSE;
    std::string file = pszFileName != nullptr ? pszFileName : modulePath;
    WCHAR wideFile[MAX_PATH], wideHelp[MAX_PATH];
    bool ok = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wideFile, MAX_PATH) != 0 &&
              (pszHelpDir == nullptr || MultiByteToWideChar(CP_ACP, 0, pszHelpDir, -1, wideHelp, MAX_PATH) != 0) &&
              SUCCEEDED(RegisterTypeLib(lib, wideFile, pszHelpDir != nullptr ? wideHelp : nullptr));
    lib->Release();
    return ok ? TRUE : FALSE;
}

BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid) {
    std::string modulePath;
    if (!ModulePath(&modulePath)) return FALSE;
    ITypeLib* lib = ModuleTypeLib(modulePath, tlid, wVerMajor, wVerMinor);
    if (lib == nullptr) return FALSE;
    lib->Release();
    const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    if (SUCCEEDED(UnRegisterTypeLib(tlid, wVerMajor, wVerMinor, lcid, kind))) return TRUE;
    // Already gone counts as removed.
    char version[16];
    wsprintfA(version, "%x.%x", wVerMajor, wVerMinor);
    return KeyExists("TypeLib\\" + GuidText(tlid) + "\\" + version) ? FALSE : TRUE;
}
