#include "transport/HTTPTransport.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "crypto/MPIMask.h"

HTTP_THREAD_PARAM g_HTTPParam_Normal;
HTTP_THREAD_PARAM g_HTTPParam;

std::atomic<HINTERNET> g_hIO_Normal{nullptr}, g_hCO_Normal{nullptr}, g_hIS_Normal{nullptr};
std::atomic<HINTERNET> g_hIO{nullptr}, g_hCO{nullptr}, g_hIS{nullptr};
std::atomic<HINTERNET> g_hIO_Report{nullptr}, g_hCO_Report{nullptr}, g_hIS_Report{nullptr};

std::atomic<SOCKET> g_hSocket_Normal{0}, g_hSocket{0}, g_hSocket_Report{0};

void CloseRunHandle(HINTERNET h) { InternetCloseHandle(h); }

void CloseRunHandle(SOCKET s) { closesocket(s); }

void CloseRunHandles(CHTTPExchange& run) { run.m_Handles.CloseAll(); }

void CloseRunHandles(CReportExchange& report) { report.m_Handles.CloseAll(); }

namespace {

// Copies a text field into a buffer of n bytes, cut and terminated within them.
void CopyTextField(char* dst, const char* src, size_t n) {
    size_t len = strnlen(src, n - 1);
    std::memcpy(dst, src, len);
    dst[len] = '\0';
}

}  // namespace

bool TakeReportRequest(LPVOID lpParam, REPORT_REQUEST* pRequest) {
    std::unique_ptr<REPORT_THREAD_START> start(static_cast<REPORT_THREAD_START*>(lpParam));
    if (!start || !start->report) return false;
    pRequest->report = start->report;
    pRequest->bStrictTransport = start->bStrictTransport;
    CopyTextField(pRequest->szUrl, start->report->szHTTPUrl, sizeof(pRequest->szUrl));
    CopyTextField(pRequest->szBody, start->report->szPostParam, sizeof(pRequest->szBody));
    return true;
}

namespace {

// The address without user name, password, query or fragment.
std::string TracedAddress(const char* pszUrl) {
    std::string url = pszUrl != nullptr ? pszUrl : "";
    size_t cut = url.find_first_of("?#");
    if (cut != std::string::npos) url.resize(cut);
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find('/', start);
    if (end == std::string::npos) end = url.size();
    size_t at = url.rfind('@', end == 0 ? 0 : end - 1);
    if (at != std::string::npos && at >= start && at < end) url.erase(start, at + 1 - start);
    return url;
}

}  // namespace

void MPITraceAttempt(const char* pszPrefix, bool bReport, const char* pszUrl, const char* pszTransport, int nStatus,
                     long nBytes, DWORD dwMs, int nResult, const char* pszError) {
    char line[1400];
    std::snprintf(line, sizeof(line), "%s %s %.1023s transport=%s status=%d bytes=%ld ms=%lu result=%d%s%.256s",
                  pszPrefix, bReport ? "report" : "exchange", TracedAddress(pszUrl).c_str(), pszTransport, nStatus,
                  nBytes, static_cast<unsigned long>(dwMs), nResult,
                  pszError != nullptr && pszError[0] != '\0' ? " error=" : "", pszError != nullptr ? pszError : "");
    MPIDebugOutput(line);
}
