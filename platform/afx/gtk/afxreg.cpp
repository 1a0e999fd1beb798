// Self-registration of a control module: the entries that the framework
// writes for a control class, a property page class and the module's type
// library.
#include <cstdio>
#include <string>

#include "platform/afx/afxmod.h"
#include "platform/com/posix/regkeys.h"
#include "platform/com/posix/regtlib.h"

using com_layer::RegGetKeyText;
using com_layer::RegRemoveTree;
using com_layer::RegSetKeyText;

namespace {

std::string GuidText(REFGUID guid) {
    char text[39];
    GuidToString(guid, text);
    return text;
}

bool LoadText(UINT id, std::string* text) {
    char buffer[256];
    if (AfxLoadString(id, buffer, sizeof(buffer)) == 0) return false;
    *text = buffer;
    return true;
}

bool ModulePath(std::string* path) {
    char buffer[4096];
    if (!AfxGetModuleFileName(buffer, sizeof(buffer))) return false;
    *path = buffer;
    return true;
}

bool Set(const std::string& key, LPCSTR valueName, const std::string& text) {
    return RegSetKeyText(HKEY_CLASSES_ROOT, key, valueName, text) == ERROR_SUCCESS;
}

const TypeLibDesc* ModuleTypeLib(REFGUID tlid) {
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_TYPELIB_ID, 1);
    if (res == nullptr || res->data == nullptr) return nullptr;
    const auto* desc = static_cast<const TypeLibDesc*>(res->data);
    return desc->libid != nullptr && *desc->libid == tlid ? desc : nullptr;
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
    std::string typeName;
    if (!LoadText(idTypeName, &typeName)) return FALSE;
    return Set("CLSID\\" + GuidText(clsid), nullptr, typeName) ? TRUE : FALSE;
}

BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID) {
    if (pszProgID != nullptr && pszProgID[0] != '\0') {
        // A ProgID that names another class is not ours to remove.
        std::string named;
        bool other = RegGetKeyText(HKEY_CLASSES_ROOT, std::string(pszProgID) + "\\CLSID", nullptr, &named) ==
                         ERROR_SUCCESS &&
                     named != GuidText(clsid);
        if (!other && RegRemoveTree(HKEY_CLASSES_ROOT, pszProgID) != ERROR_SUCCESS) return FALSE;
    }
    return RegRemoveTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(clsid)) == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL AfxOleRegisterTypeLib(HINSTANCE, REFGUID tlid, LPCSTR pszFileName, LPCSTR pszHelpDir) {
    const TypeLibDesc* desc = ModuleTypeLib(tlid);
    std::string path;
    if (pszFileName != nullptr) path = pszFileName;
    else if (!ModulePath(&path)) return FALSE;
    return desc != nullptr && SUCCEEDED(RegisterTypeLib(desc, path.c_str(), pszHelpDir)) ? TRUE : FALSE;
}

BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid) {
    const TypeLibDesc* desc = ModuleTypeLib(tlid);
    if (desc == nullptr || desc->majorVersion != wVerMajor || desc->minorVersion != wVerMinor) return FALSE;
    return SUCCEEDED(UnRegisterTypeLib(desc, lcid, TypeLibSysKind())) ? TRUE : FALSE;
}
