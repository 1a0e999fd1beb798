// The two environment probes of CMPIUtil: which SSL provider the system has,
// and whether the user's Internet settings use a proxy.
#include <cstdio>
#include <cstring>

#include "crypto/MPIUtil.h"
#include "platform/registry/registry.h"
#include "platform/version/version.h"

namespace {

// The version-information block is read whole into a buffer of this size.
constexpr DWORD kVersionInfoSize = 8192;

// Language and code page of the descriptions looked for, in this order.
const WORD kTranslations[][2] = {
    {0x0409, 0x04B0},  // U.S. English, Unicode
    {0x0409, 0x04E4},  // U.S. English, Windows Latin-1
    {0x0412, 0x04B0},  // Korean, Unicode
    {0x0412, 0x04E4},  // Korean, Windows Latin-1
};

const char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Registry texts are read into buffers of this size; a longer value counts
// as absent.
constexpr DWORD kRegTextSize = 1024;

// A text value that was read whole and is not empty.
bool ReadText(HKEY hKey, const char* pszName, char* pszBuf) {
    DWORD dwType = REG_NONE;
    DWORD dwSize = kRegTextSize;
    std::memset(pszBuf, 0, kRegTextSize);
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<LPBYTE>(pszBuf), &dwSize) != ERROR_SUCCESS)
        return false;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ) return false;
    return dwSize != 0 && pszBuf[0] != '\0';
}

}  // namespace

int CMPIUtil::GetSSLVersion(const char* pszFilePath, char* pszOut, int nOutSize) {
    char logMsg[512];
    MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::GetSSLVersion] Start");
    if (pszFilePath == nullptr || pszOut == nullptr || nOutSize < 1) return 0;

    static_assert(kVersionInfoSize == 8192, "the block is 8192 bytes");
    unsigned char verInfo[kVersionInfoSize];
    std::memset(verInfo, 0, sizeof(verInfo));
    if (!GetFileVersionInfoA(pszFilePath, 0, sizeof(verInfo), verInfo)) {
        MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::GetSSLVersion] No version info:%lu",
                 static_cast<unsigned long>(GetLastError()));
        return 0;
    }

    const char* pszDesc = nullptr;
    for (const WORD* pair : kTranslations) {
        char szQuery[64];
        std::snprintf(szQuery, sizeof(szQuery), "\\StringFileInfo\\%04X%04X\\FileDescription", pair[0], pair[1]);
        LPVOID pValue = nullptr;
        UINT nLen = 0;
        if (VerQueryValueA(verInfo, szQuery, &pValue, &nLen) && pValue != nullptr) {
            pszDesc = static_cast<const char*>(pValue);
            break;
        }
    }
    if (pszDesc == nullptr) {
        MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::GetSSLVersion] No description");
        return 0;
    }
    lstrcpynA(pszOut, pszDesc, nOutSize);
    MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::GetSSLVersion] End:%s", pszOut);
    return 1;
}

int CMPIUtil::IsProxyEnv() {
    char logMsg[512];
    HKEY hKey = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, kInternetSettingsKey, 0, KEY_ALL_ACCESS, &hKey);
    if (rc != ERROR_SUCCESS) {
        // Settings that cannot be opened (a restricted process) are taken
        // for a proxy: the WinINet transport then follows the system's own
        // settings.
        MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::IsProxyEnv] RegOpenKeyEx:%ld", static_cast<long>(rc));
        return 1;
    }

    char szValue[kRegTextSize];
    if (ReadText(hKey, "AutoConfigURL", szValue)) {
        MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::IsProxyEnv] AutoConfigURL:%s", szValue);
        RegCloseKey(hKey);
        return 1;
    }

    DWORD dwEnable = 0;
    DWORD dwType = REG_NONE;
    DWORD dwSize = sizeof(dwEnable);
    if (RegQueryValueExA(hKey, "ProxyEnable", nullptr, &dwType, reinterpret_cast<LPBYTE>(&dwEnable), &dwSize) ==
            ERROR_SUCCESS &&
        dwSize == sizeof(dwEnable) && (dwType == REG_DWORD || dwType == REG_BINARY) && dwEnable != 0) {
        if (ReadText(hKey, "ProxyServer", szValue)) {
            MPITrace(*this, logMsg, sizeof(logMsg), "[CMPIUtil::IsProxyEnv] ProxyServer:%s", szValue);
            RegCloseKey(hKey);
            return 1;
        }
    }
    RegCloseKey(hKey);
    return 0;
}
