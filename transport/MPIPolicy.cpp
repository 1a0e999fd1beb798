// The administrators' policy: reading it from the registry and the origin
// rules of its site list.
#include "transport/MPIPolicy.h"

#include <cstring>

#include "platform/registry/registry.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' || c == '.' || c == '_';
}

bool IsIPv6Char(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// The origin of the text [p, p + n) and where its authority ends (the
// offset of the first '/', '?' or '#' after it, or n).
bool ParseOrigin(const char* p, size_t n, std::string* pOrigin, size_t* pAuthorityEnd) {
    // The scheme, up to the first ':'.
    size_t colon = 0;
    while (colon < n && p[colon] != ':') ++colon;
    if (colon == n) return false;
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) scheme.push_back(Lower(p[i]));
    unsigned long nDefaultPort = 0;
    if (scheme == "http")
        nDefaultPort = 80;
    else if (scheme == "https")
        nDefaultPort = 443;
    else
        return false;
    if (colon + 3 > n || p[colon + 1] != '/' || p[colon + 2] != '/') return false;

    size_t start = colon + 3;
    size_t end = start;
    while (end < n && p[end] != '/' && p[end] != '?' && p[end] != '#') ++end;
    // The host comes after the user name and password, if any.
    size_t host = start;
    for (size_t i = start; i < end; ++i) {
        if (p[i] == '\\') return false;
        if (p[i] == '@') host = i + 1;
    }

    std::string name;
    size_t i = host;
    if (i < end && p[i] == '[') {
        // A bracketed IPv6 address.
        size_t close = i + 1;
        while (close < end && p[close] != ']') {
            if (!IsIPv6Char(p[close])) return false;
            ++close;
        }
        if (close == end || close == i + 1) return false;
        for (size_t k = i; k <= close; ++k) name.push_back(Lower(p[k]));
        i = close + 1;
    } else {
        while (i < end && p[i] != ':') {
            if (!IsHostChar(p[i])) return false;
            name.push_back(Lower(p[i]));
            ++i;
        }
        if (name.empty()) return false;
    }

    unsigned long nPort = nDefaultPort;
    if (i < end) {
        if (p[i] != ':') return false;
        ++i;
        if (i < end) {
            // Digits only, leading zeros allowed; an empty port is the default.
            unsigned long value = 0;
            for (; i < end; ++i) {
                if (!IsDigit(p[i])) return false;
                value = value * 10 + static_cast<unsigned long>(p[i] - '0');
                if (value > 65535) return false;
            }
            if (value == 0) return false;
            nPort = value;
        }
    }

    *pOrigin = scheme + "://" + name + ":" + std::to_string(nPort);
    *pAuthorityEnd = end;
    return true;
}

bool IsSeparator(char c) { return c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

// One registry view's reading.
struct ViewPolicy {
    bool bStrict = false;
    bool bHasSites = false;
    std::vector<std::string> sites;
};

// Reads both values of the key in one view. A key or value that cannot be
// read closes the policy.
ViewPolicy ReadView(REGSAM view) {
    ViewPolicy out;
    HKEY hKey = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, MPI_POLICY_KEY, 0, KEY_QUERY_VALUE | view, &hKey);
    if (rc == ERROR_FILE_NOT_FOUND) return out;
    if (rc != ERROR_SUCCESS) {
        out.bStrict = true;
        out.bHasSites = true;
        return out;
    }

    DWORD dwType = 0;
    BYTE flag[16] = {};
    DWORD cbFlag = sizeof(flag);
    rc = RegQueryValueExA(hKey, MPI_POLICY_STRICT_TRANSPORT, nullptr, &dwType, flag, &cbFlag);
    if (rc == ERROR_SUCCESS) {
        out.bStrict = MPIPolicyFlagOn(dwType, flag, cbFlag);
    } else if (rc != ERROR_FILE_NOT_FOUND) {
        // ERROR_MORE_DATA included: no number is that long.
        out.bStrict = true;
    }

    DWORD cbSites = 0;
    rc = RegQueryValueExA(hKey, MPI_POLICY_ALLOWED_SITES, nullptr, &dwType, nullptr, &cbSites);
    if (rc == ERROR_SUCCESS) {
        out.bHasSites = true;
        if (cbSites <= MPI_POLICY_SITES_MAX) {
            std::vector<BYTE> data(cbSites + 1);
            DWORD cbRead = cbSites;
            // The value may change between the two calls; one that grew is
            // refused below like an unreadable one.
            rc = RegQueryValueExA(hKey, MPI_POLICY_ALLOWED_SITES, nullptr, &dwType, data.data(), &cbRead);
            if (rc == ERROR_SUCCESS && cbRead <= cbSites) out.sites = MPIPolicySiteList(dwType, data.data(), cbRead);
        }
    } else if (rc != ERROR_FILE_NOT_FOUND) {
        out.bHasSites = true;
    }
    RegCloseKey(hKey);
    return out;
}

}  // namespace

bool MPIPolicyFlagOn(DWORD dwType, const BYTE* pData, DWORD cbData) {
    if (pData == nullptr) cbData = 0;
    if (dwType == REG_DWORD || dwType == REG_QWORD) {
        if (cbData != (dwType == REG_DWORD ? 4u : 8u)) return true;
        for (DWORD i = 0; i < cbData; ++i)
            if (pData[i] != 0) return true;
        return false;
    }
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ) {
        // A decimal number, blanks around it allowed: "0" is off.
        DWORD i = 0;
        while (i < cbData && (pData[i] == ' ' || pData[i] == '\t')) ++i;
        DWORD digits = i;
        bool bNonZero = false;
        for (; i < cbData && IsDigit(static_cast<char>(pData[i])); ++i)
            if (pData[i] != '0') bNonZero = true;
        if (i == digits) return true;
        while (i < cbData && (pData[i] == ' ' || pData[i] == '\t')) ++i;
        if (i < cbData && pData[i] != '\0') return true;
        return bNonZero;
    }
    return true;
}

std::vector<std::string> MPIPolicySiteList(DWORD dwType, const BYTE* pData, DWORD cbData) {
    std::vector<std::string> sites;
    if (pData == nullptr) return sites;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ && dwType != REG_MULTI_SZ) return sites;
    const char* text = reinterpret_cast<const char*>(pData);
    size_t n = cbData;
    if (dwType != REG_MULTI_SZ) n = strnlen(text, n);
    size_t i = 0;
    while (i < n) {
        while (i < n && IsSeparator(text[i])) ++i;
        size_t start = i;
        while (i < n && !IsSeparator(text[i])) ++i;
        std::string origin;
        if (i > start && MPIPolicyEntryOrigin(text + start, i - start, &origin)) sites.push_back(origin);
    }
    return sites;
}

bool MPIUrlOrigin(const char* pszUrl, std::string* pOrigin) {
    if (pszUrl == nullptr) return false;
    std::string origin;
    size_t end = 0;
    if (!ParseOrigin(pszUrl, std::strlen(pszUrl), &origin, &end)) return false;
    if (pOrigin != nullptr) *pOrigin = origin;
    return true;
}

bool MPIPolicyEntryOrigin(const char* pszEntry, size_t nLength, std::string* pOrigin) {
    if (pszEntry == nullptr) return false;
    std::string origin;
    size_t end = 0;
    if (!ParseOrigin(pszEntry, nLength, &origin, &end)) return false;
    // Nothing but one "/" may follow the authority.
    if (end < nLength && !(end + 1 == nLength && pszEntry[end] == '/')) return false;
    if (pOrigin != nullptr) *pOrigin = origin;
    return true;
}

bool MPIIsHttpsUrl(const char* pszUrl) {
    std::string origin;
    return MPIUrlOrigin(pszUrl, &origin) && origin.compare(0, 8, "https://") == 0;
}

bool MPIPolicySiteAllowed(const MPI_POLICY& policy, const char* pszPageUrl) {
    if (!policy.SiteLock()) return true;
    std::string origin;
    if (pszPageUrl == nullptr || !MPIUrlOrigin(pszPageUrl, &origin)) return false;
    for (const std::vector<std::string>& list : policy.siteLists) {
        bool bListed = false;
        for (const std::string& site : list) bListed = bListed || site == origin;
        if (!bListed) return false;
    }
    return true;
}

MPI_POLICY MPIReadPolicy() {
    MPI_POLICY policy;
    for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_WOW64_32KEY)}) {
        ViewPolicy v = ReadView(view);
        policy.bStrictTransport = policy.bStrictTransport || v.bStrict;
        if (v.bHasSites) policy.siteLists.push_back(v.sites);
    }
    return policy;
}
