#include "platform/com/posix/regkeys.h"

#include <vector>

namespace com_layer {

LONG RegGetKeyText(HKEY root, const std::string& subkey, LPCSTR valueName, std::string* text) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD type = 0;
    DWORD size = 0;
    rc = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) rc = ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_SUCCESS) {
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &got);
        if (rc == ERROR_SUCCESS) text->assign(buffer.data());
    }
    RegCloseKey(key);
    return rc;
}

LONG RegSetKeyText(HKEY root, const std::string& subkey, LPCSTR valueName, const std::string& text) {
    std::string now;
    if (RegGetKeyText(root, subkey, valueName, &now) == ERROR_SUCCESS && now == text) return ERROR_SUCCESS;
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                              nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return rc;
}

namespace {

// ERROR_FILE_NOT_FOUND when the key does not exist, ERROR_ACCESS_DENIED when
// it may not be changed.
LONG OpenForChange(HKEY root, const std::string& subkey) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_SET_VALUE | DELETE, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    return rc;
}

}  // namespace

LONG RegRemoveTree(HKEY root, const std::string& subkey) {
    LONG rc = OpenForChange(root, subkey);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteTreeA(root, subkey.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG RegRemoveKeyIfLeaf(HKEY root, const std::string& subkey) {
    LONG rc = OpenForChange(root, subkey);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    // The key may be changed; a refusal now means it still has subkeys.
    rc = RegDeleteKeyA(root, subkey.c_str());
    return rc == ERROR_ACCESS_DENIED || rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace com_layer
