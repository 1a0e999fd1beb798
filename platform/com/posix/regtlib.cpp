#include "platform/com/posix/regtlib.h"

#include <cstdio>
#include <string>

#include "platform/com/posix/regkeys.h"

using com_layer::RegGetKeyText;
using com_layer::RegRemoveKeyIfLeaf;
using com_layer::RegRemoveTree;
using com_layer::RegSetKeyText;

namespace {

// The automation marshaller, the proxy of every dispatch interface.
const char kPSDispatch[] = "{00020420-0000-0000-C000-000000000046}";

std::string GuidText(REFGUID guid) {
    char text[39];
    GuidToString(guid, text);
    return text;
}

std::string VersionText(WORD major, WORD minor) { return std::to_string(major) + "." + std::to_string(minor); }

std::string VersionKey(const TypeLibDesc* ptlib) {
    return "TypeLib\\" + GuidText(*ptlib->libid) + "\\" + VersionText(ptlib->majorVersion, ptlib->minorVersion);
}

std::string LcidText(LCID lcid) {
    char text[16];
    std::snprintf(text, sizeof(text), "%x", static_cast<unsigned>(lcid));
    return text;
}

const char* SysKindName(SYSKIND syskind) {
    switch (syskind) {
        case SYS_WIN16:
            return "win16";
        case SYS_MAC:
            return "mac";
        case SYS_WIN64:
            return "win64";
        case SYS_WIN32:
        default:
            return "win32";
    }
}

bool IsDispatchInterface(const TypeInterfaceDesc* itf) {
    return itf != nullptr && itf->iid != nullptr && (itf->typeFlags & TYPEFLAG_FDISPATCHABLE) != 0;
}

HRESULT Result(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS; }

}  // namespace

SYSKIND TypeLibSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

HRESULT RegisterTypeLib(const TypeLibDesc* ptlib, LPCSTR szFullPath, LPCSTR szHelpDir) {
    if (ptlib == nullptr || ptlib->libid == nullptr || szFullPath == nullptr || szFullPath[0] != '/')
        return E_INVALIDARG;
    const std::string version = VersionKey(ptlib);
    const std::string libid = GuidText(*ptlib->libid);
    const char* doc = ptlib->helpString != nullptr ? ptlib->helpString : ptlib->name;

    LONG rc = RegSetKeyText(HKEY_CLASSES_ROOT, version, nullptr, doc != nullptr ? doc : "");
    if (rc == ERROR_SUCCESS) rc = RegSetKeyText(HKEY_CLASSES_ROOT, version + "\\FLAGS", nullptr, "0");
    if (rc == ERROR_SUCCESS)
        rc = RegSetKeyText(HKEY_CLASSES_ROOT, version + "\\" + LcidText(0) + "\\" + SysKindName(TypeLibSysKind()),
                           nullptr, szFullPath);
    if (rc == ERROR_SUCCESS && szHelpDir != nullptr)
        rc = RegSetKeyText(HKEY_CLASSES_ROOT, version + "\\HELPDIR", nullptr, szHelpDir);
    for (int i = 0; i < ptlib->cInterfaces && rc == ERROR_SUCCESS; ++i) {
        const TypeInterfaceDesc* itf = ptlib->interfaces[i];
        if (!IsDispatchInterface(itf)) continue;
        const std::string key = "Interface\\" + GuidText(*itf->iid);
        rc = RegSetKeyText(HKEY_CLASSES_ROOT, key, nullptr, itf->name);
        if (rc == ERROR_SUCCESS) rc = RegSetKeyText(HKEY_CLASSES_ROOT, key + "\\ProxyStubClsid", nullptr, kPSDispatch);
        if (rc == ERROR_SUCCESS)
            rc = RegSetKeyText(HKEY_CLASSES_ROOT, key + "\\ProxyStubClsid32", nullptr, kPSDispatch);
        if (rc == ERROR_SUCCESS) rc = RegSetKeyText(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, libid);
        if (rc == ERROR_SUCCESS)
            rc = RegSetKeyText(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version",
                               VersionText(ptlib->majorVersion, ptlib->minorVersion));
    }
    return Result(rc);
}

HRESULT UnRegisterTypeLib(const TypeLibDesc* ptlib, LCID lcid, SYSKIND syskind) {
    if (ptlib == nullptr || ptlib->libid == nullptr) return E_INVALIDARG;
    const std::string version = VersionKey(ptlib);
    const std::string libid = GuidText(*ptlib->libid);
    const std::string language = version + "\\" + LcidText(lcid);

    // The interfaces first, while the library's keys still tell what it is.
    LONG rc = ERROR_SUCCESS;
    for (int i = 0; i < ptlib->cInterfaces && rc == ERROR_SUCCESS; ++i) {
        const TypeInterfaceDesc* itf = ptlib->interfaces[i];
        if (!IsDispatchInterface(itf)) continue;
        const std::string key = "Interface\\" + GuidText(*itf->iid);
        std::string owner;
        // An interface key that another library has taken over stays.
        if (RegGetKeyText(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, &owner) == ERROR_SUCCESS && owner != libid)
            continue;
        rc = RegRemoveTree(HKEY_CLASSES_ROOT, key);
    }
    if (rc == ERROR_SUCCESS) rc = RegRemoveTree(HKEY_CLASSES_ROOT, language + "\\" + SysKindName(syskind));
    if (rc == ERROR_SUCCESS) rc = RegRemoveKeyIfLeaf(HKEY_CLASSES_ROOT, language);
    if (rc == ERROR_SUCCESS) rc = RegRemoveTree(HKEY_CLASSES_ROOT, version + "\\FLAGS");
    if (rc == ERROR_SUCCESS) rc = RegRemoveTree(HKEY_CLASSES_ROOT, version + "\\HELPDIR");
    if (rc == ERROR_SUCCESS) rc = RegRemoveKeyIfLeaf(HKEY_CLASSES_ROOT, version);
    if (rc == ERROR_SUCCESS) rc = RegRemoveKeyIfLeaf(HKEY_CLASSES_ROOT, "TypeLib\\" + libid);
    return Result(rc);
}
