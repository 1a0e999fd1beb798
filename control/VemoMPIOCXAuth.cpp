// GetPAReq2: one authentication. It prepares the control for a new run,
// warns about an export-grade SSL provider, checks and stores the purchase
// data, completes the settings the page left open (site address, currency,
// wait page) and runs one of the two dialogs modally; the dialog's result is
// the method's result.
#include <cstdio>
#include <cstring>

#include "control/VemoMPIOCXAuth.h"
#include "platform/afx/afxresstr.h"
#include "resources/VemoMPIOCX_rc.h"
#include "transport/MPIPolicy.h"
#include "transport/MPISocket.h"

namespace {

// Copies an admitted argument into its store. The check has made sure that
// it fits; a value that does not is never stored in part.
template <size_t N>
void Store(char (&field)[N], LPCTSTR text) {
    size_t len = std::strlen(text);
    if (len > N - 1) return;
    std::memcpy(field, text, len + 1);
}

// One line of the argument check: the length in bytes at least nMin and at
// most nMax, and (when bNotNull) not exactly the text "(null)".
bool ArgumentFits(LPCTSTR text, size_t nMin, size_t nMax, bool bNotNull) {
    size_t len = std::strlen(text);
    if (len < nMin || len > nMax) return false;
    if (bNotNull && std::strcmp(text, "(null)") == 0) return false;
    return true;
}

// The description of a provider that offers only export-grade keys.
bool IsExportGradeProvider(const char* pszDescription) {
    return std::strcmp(pszDescription, MPI_SSL_EXPORT_PROVIDER_TLS) == 0 ||
           std::strcmp(pszDescription, MPI_SSL_EXPORT_PROVIDER_PCT) == 0;
}

bool IsAsciiAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether the n letters at p are the lower-case word, in any letter case.
bool LettersAre(const char* p, size_t n, const char* word) {
    if (std::strlen(word) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if ((p[i] | 0x20) != word[i]) return false;
    return true;
}

}  // namespace

BOOL MakeDefaultWaitUrl(const char* pszServerUrl, char* pszOut, size_t nSize) {
    if (pszOut == nullptr || nSize == 0) return FALSE;
    auto fallback = [&]() -> BOOL {
        if (sizeof(NO_WAIT_URL) <= nSize) std::memcpy(pszOut, NO_WAIT_URL, sizeof(NO_WAIT_URL));
        else pszOut[0] = '\0';
        return FALSE;
    };
    if (pszServerUrl == nullptr) return fallback();

    // The scheme, without regard to case, and the two slashes.
    const char* pszScheme = nullptr;
    const char* p = pszServerUrl;
    size_t nScheme = 0;
    while (IsAsciiAlpha(p[nScheme])) ++nScheme;
    if (LettersAre(p, nScheme, "http")) pszScheme = "http://";
    else if (LettersAre(p, nScheme, "https")) pszScheme = "https://";
    if (pszScheme == nullptr || std::strncmp(p + nScheme, "://", 3) != 0) return fallback();
    p += nScheme + 3;

    // The authority, up to the path, query or fragment, without its user
    // name and password.
    size_t nAuthority = std::strcspn(p, "/?#\\");
    const char* pszEnd = p + nAuthority;
    for (const char* q = pszEnd; q > p; --q) {
        if (q[-1] == '@') {
            p = q;
            break;
        }
    }
    // The host: an IPv6 address in brackets, or a name or IPv4 address.
    const char* pszHostEnd = p;
    if (*p == '[') {
        const char* pszClose = static_cast<const char*>(std::memchr(p, ']', static_cast<size_t>(pszEnd - p)));
        if (pszClose == nullptr || pszClose == p + 1) return fallback();
        pszHostEnd = pszClose + 1;
    } else {
        while (pszHostEnd < pszEnd && *pszHostEnd != ':') ++pszHostEnd;
        if (pszHostEnd == p) return fallback();
    }
    for (const char* q = p; q < pszHostEnd; ++q) {
        unsigned char c = static_cast<unsigned char>(*q);
        if (c <= 0x20 || c == 0x7F) return fallback();
    }
    // The port as given: digits after one colon (an empty port is none).
    const char* pszPortEnd = pszHostEnd;
    if (pszHostEnd < pszEnd) {
        if (*pszHostEnd != ':') return fallback();
        long nPort = 0;
        for (const char* q = pszHostEnd + 1; q < pszEnd; ++q) {
            if (*q < '0' || *q > '9') return fallback();
            nPort = nPort * 10 + (*q - '0');
            if (nPort > 65535) return fallback();
        }
        if (pszEnd > pszHostEnd + 1) {
            if (nPort == 0) return fallback();
            pszPortEnd = pszEnd;
        }
    }

    size_t nPrefix = std::strlen(pszScheme);
    size_t nHostPort = static_cast<size_t>(pszPortEnd - p);
    size_t nPath = sizeof(DEFAULT_WAIT_PATH) - 1;
    if (nPrefix + nHostPort + nPath >= nSize) return fallback();
    std::memcpy(pszOut, pszScheme, nPrefix);
    std::memcpy(pszOut + nPrefix, p, nHostPort);
    std::memcpy(pszOut + nPrefix + nHostPort, DEFAULT_WAIT_PATH, nPath + 1);
    return TRUE;
}

LONG CVemoMPIOCXCtrl::GetPAReq2(LPCTSTR _ID, LPCTSTR _Name, LPCTSTR _Pan, LPCTSTR _Expiry_Year, LPCTSTR _Expiry_Month,
                                LPCTSTR _Amount, LPCTSTR _Installment, LPCTSTR _Desc, LPCTSTR _Url) {
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetPAReq2] Start");
    // A missing argument is the empty text.
    LPCTSTR* args[] = {&_ID, &_Name, &_Pan, &_Expiry_Year, &_Expiry_Month, &_Amount, &_Installment, &_Desc, &_Url};
    for (LPCTSTR* p : args)
        if (*p == nullptr) *p = "";

    // A new run: nothing of the last one is left.
    m_iAuthState = STATE_VEREQ;
    for (CString* p : {&m_Code1, &m_Msg1, &m_PaReq, &m_AcsUrl, &m_Md, &m_Md64, &m_Code2, &m_Msg2, &m_Cavv, &m_Eci,
                       &m_CavvAlg, &m_TermUrl, &m_realPan, &m_json})
        p->Empty();
    ClearPurchaseData();

    m_nTimeOut = m_nPrimaryTimeOut;
    std::memset(m_szServerUrl, 0, sizeof(m_szServerUrl));
    std::memset(m_szPrimaryUrl, 0, sizeof(m_szPrimaryUrl));

    // Winsock: a start-up that failed before is tried again.
    if (m_nSocketInitError != 0) {
        CMPISocket socketInit;
        m_nSocketInitError = socketInit.SocketInit();
        if (m_nSocketInitError != 0) {
            MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetPAReq2] Socket init Error:%d",
                     m_nSocketInitError);
            return GETPAREQ_ERROR_WINSOCK;
        }
    }

    CheckSSLProvider();

    // The arguments, in their order; the first that fails ends the check.
    struct Rule {
        LPCTSTR text;
        size_t nMin, nMax;
        bool bNotNull;
    } const rules[] = {
        {_ID, 1, GETPAREQ_MAX_ID, true},
        {_Name, 1, GETPAREQ_MAX_NAME, true},
        {_Pan, 1, GETPAREQ_MAX_PAN, true},
        {_Expiry_Year, 1, GETPAREQ_MAX_EXPIRY_YEAR, true},
        {_Expiry_Month, 1, GETPAREQ_MAX_EXPIRY_MONTH, true},
        {_Amount, 1, GETPAREQ_MAX_AMOUNT, true},
        {_Installment, 1, GETPAREQ_MAX_INSTALLMENT, true},
        {_Desc, 0, GETPAREQ_MAX_DESC, false},
        {_Url, 1, GETPAREQ_MAX_URL, true},
    };
    for (size_t i = 0; i < sizeof(rules) / sizeof(rules[0]); ++i) {
        if (ArgumentFits(rules[i].text, rules[i].nMin, rules[i].nMax, rules[i].bNotNull)) continue;
        std::snprintf(m_szLogMsg, sizeof(m_szLogMsg), "%s",
                      GetSystemDefaultLangID() == LANG_KOREAN_DEFAULT ? GETPAREQ_MSG_ARGUMENT_KO
                                                                      : GETPAREQ_MSG_ARGUMENT_EN);
        m_Msg1 = m_szLogMsg;
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetPAReq2] Input Parameter invalid (%lu)",
                 static_cast<unsigned long>(i + 1));
        return GETPAREQ_ERROR_ARGUMENT;
    }

    // The administrators' policy, read afresh: a page whose site is not
    // allowed, or an MPI address that is not https under StrictTransport,
    // ends the call here with 11002 and the policy named in Msg1, before
    // any connection is made.
    bool bStrict = false;
    int nPolicy = CheckNetworkPolicy(_Url, &bStrict);
    if (nPolicy != POLICY_ALLOWED) {
        bool bKorean = GetSystemDefaultLangID() == LANG_KOREAN_DEFAULT;
        if (nPolicy == POLICY_SITE_REFUSED)
            m_Msg1 = bKorean ? MPI_POLICY_MSG_SITE_KO : MPI_POLICY_MSG_SITE_EN;
        else
            m_Msg1 = bKorean ? MPI_POLICY_MSG_MPI_HTTPS_KO : MPI_POLICY_MSG_MPI_HTTPS_EN;
        return GETPAREQ_ERROR_POLICY;
    }
    m_bStrictTransport = bStrict ? 1 : 0;

    Store(m_szMallID, _ID);
    Store(m_szMallName, _Name);
    Store(m_szCardNum, _Pan);
    Store(m_szExpiryYear, _Expiry_Year);
    Store(m_szExpiryMonth, _Expiry_Month);
    Store(m_szTotalPrice, _Amount);
    Store(m_szInstallment, _Installment);
    Store(m_szDesc, _Desc);
    Store(m_szServerUrl, _Url);
    Store(m_szPrimaryUrl, _Url);
    // The wait page: the page's own when it set one, otherwise the MPI
    // service's, made anew from this call's MPI address.
    if (m_szWaitUrl[0] == '\0' || m_bDefaultWaitUrl) {
        MakeDefaultWaitUrl(m_szServerUrl, m_szWaitUrl, sizeof(m_szWaitUrl));
        m_bDefaultWaitUrl = TRUE;
    }
    // The card number stays out of the trace.
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetPAReq2] ID:%s, Amount:%s, Url:%s", m_szMallID,
             m_szTotalPrice, m_szServerUrl);

    // The merchant's site: found once in the life of the control, unless the
    // page named it.
    if (m_LocalURL[0] == '\0') {
        if (GetIWebPointer_Url(m_LocalURL, sizeof(m_LocalURL)) != 0 || m_LocalURL[0] == '\0')
            lstrcpynA(m_LocalURL, UNKNOWN_SITE_URL, static_cast<int>(sizeof(m_LocalURL)));
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetPAReq2] LocalUrl:%s", m_LocalURL);

    if (std::strlen(m_szCurrency) != 3) std::strcpy(m_szCurrency, "KRW");

    LONG nRet = m_bUseNormal != 0 ? RunAuthNormalDialog(this) : RunAuthZKSkinDialog(this);
    // The request has gone: nothing reads the card data any more (the page
    // reads only the result properties).
    WipeCardData();
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::get_PAReq2] DoModal AF nRet:%ld", static_cast<long>(nRet));

    m_iAuthState = STATE_COMPLETE;
    Sleep(100);
    m_Util.WriteLog("[CVemoMPIOCXCtrl::GetPAReq2] End");
    return nRet;
}

void CVemoMPIOCXCtrl::CheckSSLProvider() {
    // The system directory (MAX_PATH characters) and the provider's file.
    char szPath[MAX_PATH];
    char szLevel[1024];
    std::memset(szLevel, 0, sizeof(szLevel));
    UINT nDir = GetSystemDirectoryA(szPath, sizeof(szPath));
    int nProbe = 0;
    if (nDir > 0 && nDir < sizeof(szPath)) {
        int nPath = std::snprintf(szPath + nDir, sizeof(szPath) - nDir, "\\schannel.dll");
        // A path that does not fit is not probed in part.
        if (nPath > 0 && static_cast<size_t>(nPath) < sizeof(szPath) - nDir)
            nProbe = m_Util.GetSSLVersion(szPath, szLevel, static_cast<int>(sizeof(szLevel)));
    }
    bool bExport = nProbe == 1 && IsExportGradeProvider(szLevel);
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIOCXCtrl::GetPAReq2] SSL Check:%s, Ret:%s, SSL Level:%s",
             nProbe == 1 ? "SUCCESS" : "FAIL", bExport ? "FAIL" : "SUCCESS", szLevel);
    if (!bExport) return;

    CString strWarning;
    if (AfxLoadString(IDS_SSL_WARNING, strWarning)) AfxMessageBox(strWarning, MB_ICONINFORMATION | MB_OK);
}
