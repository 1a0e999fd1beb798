// What the control finds out about its client: the address of the site
// whose page holds it, the computer's IPv4 address, and whether the user's
// Internet settings use a proxy.
#include <cstdio>
#include <cstring>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/winsock/winsock.h"

namespace {

const char kUnknownUrl[] = "Unknown URL";

// The work buffers of the page address: the full address, the scheme
// prefix and the host name, 2047 characters each.
constexpr size_t kWorkSize = 2048;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix)
        if (Lower(*text) != *prefix) return false;
    return true;
}

// Copies the text when it fits the output whole (NUL included).
bool CopyWhole(char* pszOut, size_t nSize, const char* pszText) {
    size_t len = std::strlen(pszText);
    if (len >= nSize) return false;
    std::memcpy(pszOut, pszText, len + 1);
    return true;
}

}  // namespace

// ------------------------------------------------------------ host page address

bool CVemoMPIOCXCtrl::GetClientPageAddress(std::string* pAddress) {
    pAddress->clear();
    // The container's site; a control created outside a page has none.
    IOleClientSite* pClientSite = GetClientSite();
    if (pClientSite == nullptr) return false;

    // The display name of the container's moniker is the page's address.
    LPOLESTR pszDisplayName = nullptr;
    IMoniker* pMoniker = nullptr;
    HRESULT hr = pClientSite->GetMoniker(OLEGETMONIKER_TEMPFORUSER, OLEWHICHMK_CONTAINER, &pMoniker);
    if (SUCCEEDED(hr) && pMoniker != nullptr) {
        hr = pMoniker->GetDisplayName(nullptr, nullptr, &pszDisplayName);
        if (FAILED(hr) && pszDisplayName != nullptr) {
            CoTaskMemFree(pszDisplayName);
            pszDisplayName = nullptr;
        }
        pMoniker->Release();
    }

    // The address in the ANSI code page.
    if (pszDisplayName != nullptr && pszDisplayName[0] != 0) {
        int nNeeded = WideCharToMultiByte(CP_ACP, 0, pszDisplayName, -1, nullptr, 0, nullptr, nullptr);
        if (nNeeded > 0) {
            std::string strAnsi(static_cast<size_t>(nNeeded), '\0');
            WideCharToMultiByte(CP_ACP, 0, pszDisplayName, -1, strAnsi.data(), nNeeded, nullptr, nullptr);
            pAddress->assign(strAnsi.c_str());
        }
    }
    CoTaskMemFree(pszDisplayName);
    return !pAddress->empty();
}

int CVemoMPIOCXCtrl::GetIWebPointer_Url(char* pszLocalUrl, size_t nSize) {
    char szFullUrl[kWorkSize];
    char szPrefix[kWorkSize];
    char szHost[kWorkSize];
    std::memset(szFullUrl, 0, sizeof(szFullUrl));
    std::memset(szPrefix, 0, sizeof(szPrefix));
    std::memset(szHost, 0, sizeof(szHost));
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] Start");

    // A control created outside a page has no client site.
    if (GetClientSite() == nullptr || pszLocalUrl == nullptr || nSize == 0) {
        m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] No client site");
        return 1;
    }

    // The page's address, cut to the work buffer when longer.
    std::string strAddress;
    GetClientPageAddress(&strAddress);
    bool bCut = strAddress.size() >= sizeof(szFullUrl);
    lstrcpynA(szFullUrl, strAddress.c_str(), static_cast<int>(sizeof(szFullUrl)));
    lstrcpynA(pszLocalUrl, kUnknownUrl, static_cast<int>(nSize < 0x7FFFFFFF ? nSize : 0x7FFFFFFF));
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetIWebPointer_Url] Url:%s", szFullUrl);

    if (szFullUrl[0] == '\0') return 1;

    // The scheme, without regard to case; the prefix written is lower case.
    const char* pszHostPart = nullptr;
    if (StartsWithNoCase(szFullUrl, "http:")) {
        std::strcpy(szPrefix, "http://");
        pszHostPart = szFullUrl + 5;
    } else if (StartsWithNoCase(szFullUrl, "https:")) {
        std::strcpy(szPrefix, "https://");
        pszHostPart = szFullUrl + 6;
    } else if (StartsWithNoCase(szFullUrl, "file:")) {
        if (!CopyWhole(pszLocalUrl, nSize, LOCAL_FILE_SITE_URL)) return 1;
        m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] LocalUrl:" LOCAL_FILE_SITE_URL);
        return 0;
    } else {
        m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] Unknown scheme");
        return 1;
    }

    // The authority: after the slashes, up to the path, query or fragment.
    while (*pszHostPart == '/') ++pszHostPart;
    size_t nToken = std::strcspn(pszHostPart, "/?#");
    if (nToken == 0) return 1;
    if (bCut && pszHostPart[nToken] == '\0') return 1;  // the host may go on past the work buffer
    std::memcpy(szHost, pszHostPart, nToken);
    szHost[nToken] = '\0';

    // The host name alone: no user name or password before it, no port after it.
    char* pszName = szHost;
    if (char* pszAt = std::strrchr(szHost, '@')) pszName = pszAt + 1;
    if (pszName[0] == '[') {
        // An IPv6 address keeps its brackets and colons.
        char* pszClose = std::strchr(pszName, ']');
        if (pszClose == nullptr) return 1;
        pszClose[1] = '\0';
    } else if (char* pszColon = std::strchr(pszName, ':')) {
        *pszColon = '\0';
    }
    if (pszName[0] == '\0') return 1;

    size_t nPrefix = std::strlen(szPrefix);
    size_t nName = std::strlen(pszName);
    if (nPrefix + nName >= nSize) {
        m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] Address too long");
        return 1;
    }
    std::memcpy(pszLocalUrl, szPrefix, nPrefix);
    std::memcpy(pszLocalUrl + nPrefix, pszName, nName + 1);
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetIWebPointer_Url] LocalUrl:%s", pszLocalUrl);
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetIWebPointer_Url] End");
    return 0;
}

// ------------------------------------------------------------ client environment

BSTR CVemoMPIOCXCtrl::GetClientIPAddress() {
    // "255.255.255.255" and its NUL at most.
    char szAddress[16];
    lstrcpynA(szAddress, "0.0.0.0", sizeof(szAddress));
    // The empty name stands for this computer.
    struct hostent* pHost = gethostbyname("");
    if (pHost != nullptr && pHost->h_addrtype == AF_INET && pHost->h_length == 4 && pHost->h_addr_list != nullptr &&
        pHost->h_addr_list[0] != nullptr) {
        const auto* pBytes = reinterpret_cast<const unsigned char*>(pHost->h_addr_list[0]);
        std::snprintf(szAddress, sizeof(szAddress), "%d.%d.%d.%d", pBytes[0], pBytes[1], pBytes[2], pBytes[3]);
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetClientIPAddress] %s", szAddress);
    CString strAddress(szAddress);
    return strAddress.AllocSysString();
}

SHORT CVemoMPIOCXCtrl::GetClientProxySetting() {
    int nProxy = m_Util.IsProxyEnv();
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetClientProxySetting] %d", nProxy);
    return nProxy != 0 ? 1 : 0;
}
