// The socket POST transport: a hand-written HTTP/1.1 request on a plain
// socket, which no proxy sees. One procedure, three instances.
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "crypto/MPIUtil.h"
#include "platform/afx/afxinet.h"
#include "transport/HTTPTransport.h"
#include "transport/MPIPolicy.h"
#include "transport/MPISocket.h"

namespace {

struct SocketInstance {
    const char* prefix;  // of every trace line
    std::atomic<SOCKET>* phSocket;
    bool report;  // the report instance: reads only the status, reports a number
};

const SocketInstance kNormal = {"[HTTPThreadFunction_Socket_Normal]", &g_hSocket_Normal, false};
const SocketInstance kSkin = {"[HTTPThreadFunction_Socket]", &g_hSocket, false};
const SocketInstance kReport = {"[SendHTTPPostData_S]", &g_hSocket_Report, true};

// The response (header block and body together) must stay below this many
// bytes; the receive buffer has one byte more, which always stays NUL.
constexpr int kRecvLimit = 10240;
// Receive time-out of the connection, whatever the control's own time-out.
constexpr int kRecvTimeOutSec = 25;

// Reads a decimal number as "%d" does (leading white space, an optional
// sign, digits), saturating instead of overflowing. Leaves the value alone
// when there are no digits.
void ScanInt(const char* p, int* value) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) return;
    long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    *value = static_cast<int>(v);
}

// One run: posts the body and leaves the outcome in the exchange
// (authentication instances) or in m_nHC (report).
class CSocketPost {
public:
    CSocketPost(const SocketInstance& inst, const char* url, const char* body, CHTTPExchange* ex, CRunHandles* run)
        : m_inst(inst), m_url(url), m_body(body), m_ex(ex), m_run(run) {}
    CSocketPost(const CSocketPost&) = delete;
    CSocketPost& operator=(const CSocketPost&) = delete;

    void Run();
    // The status read from the response, 0 when none.
    int StatusCode() const { return m_nHC; }

private:
    void Trace(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Stores the failure message (authentication instances) and traces it.
    void Fail(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Returns true once the header block is complete; false after a failure.
    bool ReceiveHeader();
    // This run's socket; 0 once the cancel path has taken (and closed) it.
    SOCKET Current() const { return m_run->m_hSocket.Get(); }
    void End(bool success);

    const SocketInstance& m_inst;
    const char* m_url;
    const char* m_body;
    CHTTPExchange* m_ex;  // null for the report
    CRunHandles* m_run;   // the handles of this run
    CMPIUtil m_util;
    CMPISocket m_socket;
    int m_nHC = 0;
    int m_nHeaderCount = 0;
    // For the debugger line of the run: when it started, the bytes
    // received and the failure text.
    DWORD m_dwStart = 0;
    long m_nReceived = 0;
    char m_szError[512] = {};
    char m_szLog[4200] = {};
    char m_szRecv[kRecvLimit + 1] = {};
};

void CSocketPost::Trace(const char* fmt, ...) {
    char text[4096];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    MPITrace(m_util, m_szLog, sizeof(m_szLog), "%s %s", m_inst.prefix, text);
}

void CSocketPost::Fail(const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    Trace("%s", text);
    std::snprintf(m_szError, sizeof(m_szError), "%s", text);
    if (m_ex != nullptr) std::snprintf(m_ex->m_szHTTPLastErrorMessage, sizeof(m_ex->m_szHTTPLastErrorMessage), "%s", text);
}

bool CSocketPost::ReceiveHeader() {
    // One byte per receive, until four CR or LF bytes in a row (in any mix).
    std::memset(m_szRecv, 0, sizeof(m_szRecv));
    int nLineEnds = 0;
    m_nHeaderCount = 0;
    for (;;) {
        int r = m_socket.SocketRecv(Current(), &m_szRecv[m_nHeaderCount], 1);
        if (r < 0) {
            Fail("Header RECV Error Code:%d", r);
            return false;
        }
        m_nReceived += r;
        // A receive of 0 bytes (the peer closed) leaves a zero byte, an
        // ordinary byte here: a closed connection runs into the limit.
        char c = m_szRecv[m_nHeaderCount];
        bool lineEnd = c == '\r' || c == '\n';
        if (lineEnd && nLineEnds == 3) return true;
        nLineEnds = lineEnd ? nLineEnds + 1 : 0;
        if (++m_nHeaderCount >= kRecvLimit) {
            Fail("Header receive Error! RecvCount:%d", m_nHeaderCount);
            return false;
        }
    }
}

void CSocketPost::Run() {
    bool success = false;
    m_dwStart = GetTickCount();
    if (m_inst.report)
        Trace("Start");
    else
        Trace("Start Url:%s", m_url);

    DWORD dwServiceType = 0;
    CString strServer, strObject;
    INTERNET_PORT nPort = 0;
    if (!AfxParseURL(m_url, dwServiceType, strServer, strObject, nPort)) {
        if (m_inst.report) {
            Trace("AfxParseURL:%s", m_url);
            std::snprintf(m_szError, sizeof(m_szError), "AfxParseURL Error");
        } else {
            Fail("AfxParseURL Error");
        }
        return End(false);
    }
    // The service type is only traced: an https URL goes in clear text to its port.
    if (m_inst.report) {
        Trace("szHTTPUrl:%s, strServer:%s, nPort:%d", m_url, strServer.GetString(), nPort);
    } else {
        Trace("Start Url:%s, dwServiceType:%d, strServer:%s, strObject:%s, nPort:%d", m_url,
              static_cast<int>(dwServiceType), strServer.GetString(), strObject.GetString(), nPort);
        if (m_ex->m_bCancelled.load() != 0) {
            Trace("STATE_CANCEL GotoEnd");
            std::snprintf(m_szError, sizeof(m_szError), "STATE_CANCEL");
            return End(false);
        }
    }

    INT_PTR s = m_socket.SocketConnect(strServer, nPort, kRecvTimeOutSec);
    if (s < 0) {
        if (m_inst.report) {
            Trace("SOCKET_CONNECT Error Code:%d", static_cast<int>(s));
            std::snprintf(m_szError, sizeof(m_szError), "SOCKET_CONNECT Error Code:%d", static_cast<int>(s));
        } else
            Fail("SOCKET_CONNECT Error Code:%d", static_cast<int>(s));
        return End(false);
    }
    Trace("SOCKET_CONNECT OK");
    // The socket is this run's. When the run was closed while it connected,
    // the socket is closed at once and the send fails.
    m_run->m_hSocket.Keep(static_cast<SOCKET>(s), m_inst.phSocket, m_run->m_bClosed);

    // The request, sized to its parts. The User-Agent line ends in a lone LF.
    int nPostLen = static_cast<int>(std::strlen(m_body));
    char szLength[24];
    std::snprintf(szLength, sizeof(szLength), "%d\r\n", nPostLen);
    std::string request;
    request.reserve(static_cast<size_t>(strObject.GetLength() + strServer.GetLength() + nPostLen) + 200);
    struct Wipe {  // the body may hold card data: wiped when the run ends
        std::string& s;
        ~Wipe() { SecureZeroMemory(s.data(), s.size()); }
    } wipeRequest{request};
    request += "POST ";
    request += strObject.GetString();
    request += " HTTP/1.1\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "User-Agent: ";
    request += MPI_SOCKET_AGENT;
    request += "\nAccept: */*\r\n";
    request += "Host: ";
    request += strServer.GetString();
    request += "\r\n";
    request += "Content-Length: ";
    request += szLength;
    request += "Cache-Control: no-cache\r\n\r\n";
    request += m_body;

    int sent = m_socket.SocketSend(Current(), request.data(), static_cast<int>(request.size()));
    if (sent < 0) {
        Fail("SEND Error Code:%d", sent);
        return End(false);
    }
    Trace("SEND OK %s", request.c_str());

    if (!ReceiveHeader()) return End(false);

    // Status: after the first "HTTP/1.1", else the first "HTTP/1.0".
    const char* version = std::strstr(m_szRecv, "HTTP/1.1");
    if (version == nullptr) version = std::strstr(m_szRecv, "HTTP/1.0");
    if (version != nullptr) ScanInt(version + 8, &m_nHC);
    if (m_inst.report) return End(true);

    // Content-Length, exactly so written; its value is read 16 characters
    // after the start of the name.
    const char* name = std::strstr(m_szRecv, "Content-Length");
    if (name == nullptr) {
        Fail("HTTP Error Detected (CL NotFound) HC:%d", m_nHC);
        return End(false);
    }
    int nCL = 0;
    size_t after = std::strlen(name);
    ScanInt(name + (after < 16 ? after : 16), &nCL);
    long long total = static_cast<long long>(nCL) + m_nHeaderCount;
    if (total + 1 >= kRecvLimit) {
        Fail("Data receive Error! HC:%d, CL:%lld", m_nHC, total);
        return End(false);
    }
    int r = m_socket.SocketRecv(Current(), &m_szRecv[m_nHeaderCount + 1], nCL);
    if (r < 0) {
        Fail("Data RECV Error HC:%d, SRC:%d", m_nHC, r);
        return End(false);
    }
    m_nReceived += r;
    success = true;
    End(success);
}

void CSocketPost::End(bool success) {
    if (m_ex != nullptr) {
        // Whatever was received, on every path.
        m_ex->m_strClientHTTPData1.Format("%s", m_szRecv);
        m_ex->m_bClientHTTPData1 = true;
    }
    // This run's socket, unless the cancel path has closed it already.
    m_run->m_hSocket.Close();
    MPITraceAttempt(m_inst.prefix, m_inst.report, m_url, "socket", m_nHC, m_nReceived, GetTickCount() - m_dwStart,
                    m_inst.report ? m_nHC : (success ? 0 : 1), success ? nullptr : m_szError);
    if (m_inst.report) {
        Trace("End Code:%d", m_nHC);
        return;
    }
    if (success) {
        Trace("%s", m_szRecv);
        // A success leaves at most kRecvLimit - 1 bytes, which fit.
        size_t len = strnlen(m_szRecv, sizeof(m_ex->m_szHTTPRecvData) - 1);
        std::memcpy(m_ex->m_szHTTPRecvData, m_szRecv, len);
        m_ex->m_szHTTPRecvData[len] = '\0';
    } else {
        m_ex->m_szHTTPRecvData[0] = '\0';
    }
}

DWORD SocketAuthThread(const SocketInstance& inst, LPVOID lpParam) {
    std::unique_ptr<HTTP_THREAD_START> start(static_cast<HTTP_THREAD_START*>(lpParam));
    if (!start || !start->exchange) return 0;
    HTTP_THREAD_PARAM& p = start->param;
    p.szUrl[sizeof(p.szUrl) - 1] = '\0';
    p.szPostData[sizeof(p.szPostData) - 1] = '\0';
    CHTTPExchange& ex = *start->exchange;
    if (start->bStrictTransport) {
        // The StrictTransport policy never lets this transport post: it
        // would send an https address's data in clear text.
        std::snprintf(ex.m_szHTTPLastErrorMessage, sizeof(ex.m_szHTTPLastErrorMessage), "%s", MPI_POLICY_MSG_TRANSPORT);
        ex.m_szHTTPRecvData[0] = '\0';
    } else {
        auto run = std::make_unique<CSocketPost>(inst, p.szUrl, p.szPostData, &ex, &ex.m_Handles);
        run->Run();
    }
    SecureZeroMemory(p.szPostData, sizeof(p.szPostData));
    ex.m_bThreadEnd.store(1);
    return 0;
}

}  // namespace

DWORD WINAPI HTTPThreadFunction_Socket_Normal(LPVOID lpParam) { return SocketAuthThread(kNormal, lpParam); }

DWORD WINAPI HTTPThreadFunction_Socket(LPVOID lpParam) { return SocketAuthThread(kSkin, lpParam); }

DWORD WINAPI SendHTTPPostData_S(LPVOID lpParam) {
    auto req = std::make_unique<REPORT_REQUEST>();
    if (!TakeReportRequest(lpParam, req.get())) return 0;
    int status = 0;
    if (!req->bStrictTransport) {
        auto run = std::make_unique<CSocketPost>(kReport, req->szUrl, req->szBody, nullptr, &req->report->m_Handles);
        run->Run();
        status = run->StatusCode();
    }
    SecureZeroMemory(req->szBody, sizeof(req->szBody));
    req->report->iThreadResult1.store(status);
    return 0;
}
