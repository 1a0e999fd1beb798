#include "transport/HTTPTransport.h"

#include <cstring>
#include <memory>

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
