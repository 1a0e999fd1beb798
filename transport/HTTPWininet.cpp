// The WinINet POST transport: one procedure, three instances.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "crypto/MPIUtil.h"
#include "transport/HTTPTransport.h"
#include "transport/MPIPolicy.h"

namespace {

// What tells the instances apart.
struct WininetInstance {
    const char* prefix;  // of every trace line
    const char* agent;
    std::atomic<HINTERNET>* phIO;
    std::atomic<HINTERNET>* phCO;
    std::atomic<HINTERNET>* phIS;
    const char* statusName;  // how the trace of the status text names it
    bool report;              // the report instance: no body read, a number instead of a message
};

const WininetInstance kNormal = {
    "[HTTPThreadFunction_Wininet_Normal]",
    MPI_WININET_AGENT,
    &g_hIO_Normal,
    &g_hCO_Normal,
    &g_hIS_Normal,
    "g_pVemoMPIAuthNormalDialog->m_szHTTPStatusCode",
    false,
};

const WininetInstance kSkin = {
    "[HTTPThreadFunction_Wininet]",
    MPI_WININET_AGENT,
    &g_hIO,
    &g_hCO,
    &g_hIS,
    "g_pVemoMPIAuthZKSkinDialog->m_szHTTPStatusCode",
    false,
};

const WininetInstance kReport = {
    "[SendHTTPPostData_W]",
    MPI_WININET_REPORT_AGENT,
    &g_hIO_Report,
    &g_hCO_Report,
    &g_hIS_Report,
    "m_szHTTPStatusCode",
    true,
};

const DWORD kSecureRequestFlags =
    INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
const DWORD kRelaxedSecurityFlags = SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA |
                                    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                                    SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS | SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP;
// Under the StrictTransport policy: TLS with every certificate check on,
// and no redirect followed (a 3xx reply is then the final status).
const DWORD kStrictRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT;

// One run: posts the body to the URL and leaves the outcome in the
// exchange (authentication instances) or in the status buffer (report).
class CWininetPost {
public:
    CWininetPost(const WininetInstance& inst, const char* url, bool postRequest, const char* body, CHTTPExchange* ex,
                 CRunHandles* run, bool strict)
        : m_inst(inst), m_url(url), m_bPostRequest(postRequest), m_body(body), m_ex(ex), m_run(run), m_bStrict(strict) {}
    CWininetPost(const CWininetPost&) = delete;
    CWininetPost& operator=(const CWininetPost&) = delete;

    // True after an exchange that succeeded. The run's handles are closed
    // at its end, after a failure too: no other run may close them.
    bool Run();

private:
    bool Steps();
    void Trace(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Stores the failure message (authentication instances) and traces it.
    bool Fail(bool trace, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    // The handles to use for the next call: this run's own; null once the
    // cancel path has taken them.
    HINTERNET Session() const { return m_run->m_hIO.Get(); }
    HINTERNET Connection() const { return m_run->m_hCO.Get(); }
    HINTERNET Request() const { return m_run->m_hIS.Get(); }
    // Closes this run's handles that the cancel path has not taken.
    void CloseOwn();

    const WininetInstance& m_inst;
    const char* m_url;
    bool m_bPostRequest;
    const char* m_body;
    CHTTPExchange* m_ex;  // null for the report
    CRunHandles* m_run;   // the handles of this run
    bool m_bStrict;       // the StrictTransport policy
    CMPIUtil m_util;
    char m_szLog[4200] = {};
    char m_szStatus[32] = {};  // the report's status text
    // For the debugger line of the run: the status read, the body bytes
    // read and the failure text.
    int m_nStatus = 0;
    long m_nBytes = 0;
    char m_szError[512] = {};
};

void CWininetPost::Trace(const char* fmt, ...) {
    char text[4096];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    MPITrace(m_util, m_szLog, sizeof(m_szLog), "%s %s", m_inst.prefix, text);
}

bool CWininetPost::Fail(bool trace, const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    if (m_ex != nullptr) std::snprintf(m_ex->m_szHTTPLastErrorMessage, sizeof(m_ex->m_szHTTPLastErrorMessage), "%s", text);
    std::snprintf(m_szError, sizeof(m_szError), "%s", text);
    if (trace) Trace("%s", text);
    return false;
}

void CWininetPost::CloseOwn() {
    m_run->m_hIS.Close();
    m_run->m_hCO.Close();
    m_run->m_hIO.Close();
}

bool CWininetPost::Run() {
    DWORD dwStart = GetTickCount();
    bool ok = Steps();
    CloseOwn();
    MPITraceAttempt(m_inst.prefix, m_inst.report, m_url, "WinINet", m_nStatus, m_nBytes, GetTickCount() - dwStart,
                    m_inst.report ? (ok ? 200 : -100) : (ok ? 0 : 1), ok ? nullptr : m_szError);
    return ok;
}

bool CWininetPost::Steps() {
    if (!m_inst.report) Trace("Start Url:%s", m_url);

    // Each handle is the run's as soon as it is opened; when the run was
    // closed meanwhile it is closed at once and the next call fails.
    HINTERNET hIO = InternetOpenA(m_inst.agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (hIO == nullptr) return Fail(true, "InternetOpen Error (GetLastError : %d)", static_cast<int>(GetLastError()));
    m_run->m_hIO.Keep(hIO, m_inst.phIO, m_run->m_bClosed);

    if (!m_inst.report && !m_bPostRequest) return Fail(true, "No Post Request");

    int nPostLen = static_cast<int>(std::strlen(m_body));
    Trace("PostDataLength:%d", nPostLen);

    // Host and path with their true lengths; the path keeps the query.
    URL_COMPONENTSA uc;
    std::memset(&uc, 0, sizeof(uc));
    uc.dwStructSize = sizeof(uc);
    uc.dwHostNameLength = 1;
    uc.dwUrlPathLength = 1;
    if (!InternetCrackUrlA(m_url, static_cast<DWORD>(std::strlen(m_url)), 0, &uc) || uc.lpszHostName == nullptr ||
        uc.dwHostNameLength == 0)
        return Fail(true, "InternetCrackUrl Error (GetLastError : %d)", static_cast<int>(GetLastError()));
    // Under the policy nothing but https is posted (the control has refused
    // other addresses already).
    if (m_bStrict && (uc.nScheme != INTERNET_SCHEME_HTTPS || !MPIIsHttpsUrl(m_url)))
        return Fail(true, "%s", MPI_POLICY_MSG_TRANSPORT);
    // The URL holds at most 4095 characters, so its parts fit these buffers.
    char szHostName[4096] = {};
    char szUrlPath[4096] = {};
    size_t hostLen = uc.dwHostNameLength < sizeof(szHostName) ? uc.dwHostNameLength : sizeof(szHostName) - 1;
    std::memcpy(szHostName, uc.lpszHostName, hostLen);
    if (uc.lpszUrlPath != nullptr) {
        size_t pathLen = uc.dwUrlPathLength < sizeof(szUrlPath) ? uc.dwUrlPathLength : sizeof(szUrlPath) - 1;
        std::memcpy(szUrlPath, uc.lpszUrlPath, pathLen);
    }

    char szHeader[256] = {};
    std::snprintf(szHeader, sizeof(szHeader), "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n",
                  nPostLen);

    HINTERNET hCO = InternetConnectA(Session(), szHostName, uc.nPort, "", "", INTERNET_SERVICE_HTTP,
                             INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (hCO == nullptr) return Fail(true, "InternetConnect Error (GetLastError : %d)", static_cast<int>(GetLastError()));
    m_run->m_hCO.Keep(hCO, m_inst.phCO, m_run->m_bClosed);

    // "HTTP:" in any letter case is plain HTTP; anything else is secure.
    char szScheme[7] = {};
    std::strncpy(szScheme, m_url, 6);
    szScheme[6] = '\0';
    for (char& c : szScheme) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool bSecure = std::strncmp(szScheme, "HTTP:", 5) != 0;
    DWORD dwFlags = bSecure ? kSecureRequestFlags : INTERNET_FLAG_NO_CACHE_WRITE;
    if (m_bStrict) dwFlags = kStrictRequestFlags;

    LPCSTR acceptTypes[] = {"*/*", nullptr};
    HINTERNET hIS = HttpOpenRequestA(Connection(), "POST", szUrlPath, nullptr, nullptr, acceptTypes, dwFlags, 0);
    if (hIS == nullptr) return Fail(true, "HttpOpenRequest Error (GetLastError : %d)", static_cast<int>(GetLastError()));
    m_run->m_hIS.Keep(hIS, m_inst.phIS, m_run->m_bClosed);

    if (bSecure && !m_bStrict) {
        DWORD dwFlags = 0;
        DWORD dwLen = sizeof(dwFlags);
        InternetQueryOptionA(Request(), INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, &dwLen);
        dwFlags |= kRelaxedSecurityFlags;
        if (!InternetSetOptionA(Request(), INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, sizeof(dwFlags)))
            return Fail(true, "InternetSetOption Error (GetLastError : %d)", static_cast<int>(GetLastError()));
    }

    if (!HttpSendRequestA(Request(), szHeader, static_cast<DWORD>(std::strlen(szHeader)),
                          const_cast<char*>(m_body), static_cast<DWORD>(nPostLen))) {
        // Under the policy a failed send is the end: no certificate check
        // is relaxed for a second try.
        if (m_bStrict)
            return Fail(true, "HttpSendRequest Error (GetLastError : %d)", static_cast<int>(GetLastError()));
        // An unknown authority is accepted on a second try; any other
        // failure shows at the next step.
        if (GetLastError() == ERROR_INTERNET_INVALID_CA) {
            DWORD dwFlags = 0;
            DWORD dwLen = sizeof(dwFlags);
            InternetQueryOptionA(Request(), INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, &dwLen);
            dwFlags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            InternetSetOptionA(Request(), INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, sizeof(dwFlags));
            if (!HttpSendRequestA(Request(), szHeader, static_cast<DWORD>(std::strlen(szHeader)),
                                  const_cast<char*>(m_body), static_cast<DWORD>(nPostLen)))
                return Fail(true, "HttpSendRequest Error (GetLastError : %d)", static_cast<int>(GetLastError()));
        }
    }

    char* szStatus = m_ex != nullptr ? m_ex->m_szHTTPStatusCode : m_szStatus;
    std::memset(szStatus, 0, 32);
    DWORD dwStatusLen = 32;
    if (!HttpQueryInfoA(Request(), HTTP_QUERY_STATUS_CODE, szStatus, &dwStatusLen, nullptr))
        return Fail(false, "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : %d)",
                    static_cast<int>(GetLastError()));
    szStatus[31] = '\0';
    long nStatus = std::atol(szStatus);
    m_nStatus = static_cast<int>(nStatus);
    Trace("%s : %s", m_inst.statusName, szStatus);
    if (nStatus != 200)
        return Fail(true, "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : %d)",
                    static_cast<int>(nStatus));

    if (m_ex != nullptr) {
        // One read of at most 4096 bytes; a reply that fills it is refused.
        DWORD dwRead = 0;
        bool bRead = InternetReadFile(Request(), m_ex->m_szHTTPRecvData, 4096, &dwRead) != FALSE;
        m_nBytes = static_cast<long>(dwRead);
        if (!bRead) return Fail(true, "InternetReadFile Error (GetLastError : %d)", static_cast<int>(GetLastError()));
        if (dwRead >= 4096) {
            m_ex->m_szHTTPRecvData[4096] = '\0';
            return Fail(true, "InternetReadFile Error (RetReadByte:%d) (GetLastError : %d)", static_cast<int>(dwRead),
                        static_cast<int>(GetLastError()));
        }
        m_ex->m_szHTTPRecvData[dwRead] = '\0';
    }

    CloseOwn();
    Trace("End");
    if (m_ex != nullptr) {
        m_ex->m_strClientHTTPData1.Format("%s", m_ex->m_szHTTPRecvData);
        m_ex->m_bClientHTTPData1 = true;
    }
    return true;
}

// Makes sure the worker's own copy of the parameter block is terminated.
void TerminateParam(HTTP_THREAD_PARAM& p) {
    p.szUrl[sizeof(p.szUrl) - 1] = '\0';
    p.szPostData[sizeof(p.szPostData) - 1] = '\0';
}

DWORD WininetAuthThread(const WininetInstance& inst, LPVOID lpParam) {
    std::unique_ptr<HTTP_THREAD_START> start(static_cast<HTTP_THREAD_START*>(lpParam));
    if (!start || !start->exchange) return 1;
    TerminateParam(start->param);
    CHTTPExchange& ex = *start->exchange;
    bool ok = false;
    {
        CWininetPost run(inst, start->param.szUrl, start->param.bPostRequest != 0, start->param.szPostData, &ex,
                         &ex.m_Handles, start->bStrictTransport);
        ok = run.Run();
    }
    SecureZeroMemory(start->param.szPostData, sizeof(start->param.szPostData));
    ex.m_bThreadEnd.store(1);
    return ok ? 0 : 1;
}

}  // namespace

DWORD WINAPI HTTPThreadFunction_Wininet_Normal(LPVOID lpParam) { return WininetAuthThread(kNormal, lpParam); }

DWORD WINAPI HTTPThreadFunction_Wininet(LPVOID lpParam) { return WininetAuthThread(kSkin, lpParam); }

DWORD WINAPI SendHTTPPostData_W(LPVOID lpParam) {
    auto req = std::make_unique<REPORT_REQUEST>();
    if (!TakeReportRequest(lpParam, req.get())) return 1;
    bool ok = false;
    {
        CWininetPost run(kReport, req->szUrl, true, req->szBody, nullptr, &req->report->m_Handles,
                         req->bStrictTransport);
        ok = run.Run();
    }
    SecureZeroMemory(req->szBody, sizeof(req->szBody));
    req->report->iThreadResult2.store(ok ? 200 : -100);
    return ok ? 0 : 1;
}
