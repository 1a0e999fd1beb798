#include "transport/VemoMPIAutoReportDialog.h"

#include <cstdio>
#include <cstring>

#include "crypto/MPISeal.h"
#include "resources/VemoMPIOCX_rc.h"
#include "transport/HTTPTransport.h"

namespace {

// The result variables' mark of a result still to come.
constexpr int kPending = -999;

// Seals the parameter in place. A parameter that cannot be sealed (its
// sealed form does not fit the buffer, or a step fails) is wiped and false
// returned: with encryption on, nothing goes out in clear.
bool SealInPlace(CMPIUtil& util, char (&param)[4096]) {
    char sealed[sizeof(param)];
    int n = MPISealParam(util, param, std::strlen(param), sealed, sizeof(sealed));
    if (n > 0) std::memcpy(param, sealed, static_cast<size_t>(n) + 1);
    else SecureZeroMemory(param, sizeof(param));
    SecureZeroMemory(sealed, sizeof(sealed));
    return n > 0;
}

}  // namespace

CVemoMPIAutoReportDialog::CVemoMPIAutoReportDialog(CWnd* pParent)
    : CDialog(IDD_VEMOMPIAUTOREPORTDIALOG, pParent), m_pReport(std::make_shared<CReportExchange>()) {}

CVemoMPIAutoReportDialog::~CVemoMPIAutoReportDialog() {
    // The workers are not waited for; they hold the report themselves.
    if (m_hThread != nullptr) CloseHandle(m_hThread);
}

int CVemoMPIAutoReportDialog::SetPostData(LPCSTR szUrl, int bEncrypt, LPCSTR szParam1, LPCSTR szParam2,
                                          LPCSTR szParam3) {
    // A new set of report variables: state STATE_INIT, both results
    // pending, no connection, every buffer zero. A worker of an earlier
    // report keeps the set it was started with.
    auto report = std::make_shared<CReportExchange>();
    if (m_hThread != nullptr) CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_dwThreadID = 0;
    m_pReport = report;

    CReportExchange& r = *report;
    // A text that its buffer cannot hold whole is refused, never cut.
    for (LPCSTR text : {szUrl, szParam1, szParam2, szParam3}) {
        if (text != nullptr && std::strlen(text) > sizeof(r.szHTTPUrl) - 1) {
            m_Util.WriteLog("[CVemoMPIAutoReportDialog::SetPostData] argument too long, report refused");
            return 0;
        }
    }
    std::snprintf(r.szHTTPUrl, sizeof(r.szHTTPUrl), "%s", szUrl != nullptr ? szUrl : "");
    std::snprintf(r.szParam1, sizeof(r.szParam1), "%s", szParam1 != nullptr ? szParam1 : "");
    std::snprintf(r.szParam2, sizeof(r.szParam2), "%s", szParam2 != nullptr ? szParam2 : "");
    std::snprintf(r.szParam3, sizeof(r.szParam3), "%s", szParam3 != nullptr ? szParam3 : "");
    if (bEncrypt != 0) {
        bool sealed = SealInPlace(m_Util, r.szParam1);
        sealed = SealInPlace(m_Util, r.szParam2) && sealed;
        sealed = SealInPlace(m_Util, r.szParam3) && sealed;
        if (!sealed) {
            // A report asked to go sealed never goes out in part clear.
            m_Util.WriteLog("[CVemoMPIAutoReportDialog::SetPostData] a parameter cannot be sealed, report refused");
            m_pReport = std::make_shared<CReportExchange>();
            return REPORT_RESULT_FAIL;
        }
    }

    // A body that does not fit is refused whole rather than cut: a cut
    // report would reach the server as a different one.
    int n = std::snprintf(r.szPostParam, sizeof(r.szPostParam), "data1=%s&data2=%s&data3=%s&ParamEnd=End", r.szParam1,
                          r.szParam2, r.szParam3);
    if (n < 0 || n > REPORT_BODY_MAX) {
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg),
                 "[CVemoMPIAutoReportDialog::SetPostData] szPostParam too long (%d), report refused", n);
        m_pReport = std::make_shared<CReportExchange>();
        return 0;
    }
    MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[CVemoMPIAutoReportDialog::SetPostData] szPostParam [%s]",
             r.szPostParam);
    return 1;
}

BOOL CVemoMPIAutoReportDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    GetClientRect(m_rcClient);
    CRect rcWindow;
    GetWindowRect(rcWindow);
    m_szWindow = rcWindow.Size();
    SetTimer(TIMER_REPORT_STATE, 100);
    SetTimer(TIMER_REPORT_SHOW, 3000);
    // Nothing of the window shows until timer 102.
    MoveWindow(0, 0, 0, 0);
    return TRUE;
}

void CVemoMPIAutoReportDialog::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
        case TIMER_REPORT_STATE:
            StepStateMachine();
            break;
        case TIMER_REPORT_SHOW:
            KillTimer(TIMER_REPORT_SHOW);
            // Back to the size the dialog was made with (its whole window,
            // so that the recorded client area, the Exit button in it,
            // shows entirely), centred over its owner or the screen.
            MoveWindow(m_rcClient.left, m_rcClient.top, m_szWindow.cx, m_szWindow.cy);
            CenterWindow();
            break;
        default:
            KillTimer(nIDEvent);
            break;
    }
    CDialog::OnTimer(nIDEvent);
}

void CVemoMPIAutoReportDialog::StartAttempt(LPTHREAD_START_ROUTINE pfnEntry, std::atomic<int>& result,
                                            int nFailResult) {
    if (m_hThread != nullptr) CloseHandle(m_hThread);
    auto* start = new REPORT_THREAD_START{m_pReport, m_bStrictTransport};
    m_hThread = CreateThread(nullptr, 0, pfnEntry, start, 0, &m_dwThreadID);
    if (m_hThread == nullptr) {
        delete start;
        m_dwThreadID = 0;
        MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg), "[SendHTTPPostData_S] CreateThread Error (GetLastError : %d)",
                 static_cast<int>(GetLastError()));
        result.store(nFailResult);
    }
}

void CVemoMPIAutoReportDialog::StepStateMachine() {
    CReportExchange& r = *m_pReport;
    switch (r.iThreadState) {
        case REPORT_STATE_INIT:
            if (m_bStrictTransport) {
                // The policy leaves out the clear-text socket attempt.
                m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_INIT->STATE_THREAD_2 (StrictTransport)");
                r.iThreadResult1.store(0);
                StartAttempt(SendHTTPPostData_W, r.iThreadResult2, REPORT_RESULT_FAIL);
                r.iThreadState = STATE_THREAD_2;
                break;
            }
            m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_INIT->STATE_THREAD_1");
            StartAttempt(SendHTTPPostData_S, r.iThreadResult1, 0);
            r.iThreadState = STATE_THREAD_1;
            break;
        case STATE_THREAD_1: {
            int result = r.iThreadResult1.load();
            if (result == kPending) break;
            if (result == 200) {
                m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_THREAD_1->STATE_COMPLETE, ThreadResult1:200");
                r.iThreadState = REPORT_STATE_COMPLETE;
            } else {
                m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_THREAD_2");
                StartAttempt(SendHTTPPostData_W, r.iThreadResult2, REPORT_RESULT_FAIL);
                r.iThreadState = STATE_THREAD_2;
            }
            break;
        }
        case STATE_THREAD_2: {
            int result = r.iThreadResult2.load();
            if (result == kPending) break;
            if (result == 200) {
                m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_THREAD_2->STATE_COMPLETE, ThreadResult2:200");
                r.iThreadState = REPORT_STATE_COMPLETE;
            } else {
                m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_THREAD_2->STATE_COMPLETE, ThreadResult2:Fail");
                r.iThreadState = REPORT_STATE_COMPLETE;
                KillTimer(TIMER_REPORT_STATE);
                KillTimer(TIMER_REPORT_SHOW);
                EndDialog(result);
            }
            break;
        }
        case REPORT_STATE_COMPLETE:
            KillTimer(TIMER_REPORT_STATE);
            KillTimer(TIMER_REPORT_SHOW);
            m_Util.WriteLog("[SendHTTPPostData_S] iThreadState : STATE_COMPLETE");
            EndDialog(REPORT_RESULT_OK);
            break;
        default:
            break;
    }
}

BOOL CVemoMPIAutoReportDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_BUTTON_EXIT && HIWORD(wParam) == BN_CLICKED) {
        OnButtonExit();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CVemoMPIAutoReportDialog::OnButtonExit() {
    KillTimer(TIMER_REPORT_STATE);
    KillTimer(TIMER_REPORT_SHOW);
    // Only this report's own connections: the socket of the socket attempt,
    // or the request, connection and session of the WinINet attempt. Each
    // is taken out of the report and closed in one step, so a worker
    // finishing at the same moment never closes it a second time; one the
    // worker gets later is closed at once.
    CReportExchange& r = *m_pReport;
    if (r.iThreadState == STATE_THREAD_1 || r.iThreadState == STATE_THREAD_2) CloseRunHandles(r);
    EndDialog(REPORT_RESULT_EXIT);
}
