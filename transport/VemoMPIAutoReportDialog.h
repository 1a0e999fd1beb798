// CVemoMPIAutoReportDialog: the small modal dialog that posts one error
// report. A 100 ms timer drives a state machine that posts the report body
// over a plain socket first and, when that does not bring status 200, a
// second time through WinINet; the dialog ends with the outcome. It stays
// invisible for its first three seconds, so that a quick report is never
// seen; after that it says that a report is in progress and offers Exit.
#pragma once

#include <memory>

#include "crypto/MPIUtil.h"
#include "platform/afx/afxwin.h"
#include "transport/HTTPExchange.h"

// States of the report's state machine (CReportExchange::iThreadState).
// The first and the last are STATE_INIT and STATE_COMPLETE of the report;
// they bear a prefix here because the authentication states use the same
// names with other values.
#define REPORT_STATE_INIT 0
#define STATE_THREAD_1 1  // the socket attempt runs
#define STATE_THREAD_2 2  // the WinINet attempt runs
#define REPORT_STATE_COMPLETE 3

// Timers of the report dialog.
#define TIMER_REPORT_STATE 101  // one step of the state machine, every 100 ms
#define TIMER_REPORT_SHOW 102   // shows the dialog after 3000 ms

// Results of the dialog besides the framework's (IDCANCEL for Escape, -1
// when the window cannot be made).
#define REPORT_RESULT_OK 0
#define REPORT_RESULT_FAIL (-100)
#define REPORT_RESULT_EXIT 999

// The form body of a report holds at most this many characters.
#define REPORT_BODY_MAX 4095

class CVemoMPIAutoReportDialog : public CDialog {
public:
    explicit CVemoMPIAutoReportDialog(CWnd* pParent = nullptr);
    ~CVemoMPIAutoReportDialog() override;

    // Prepares a new report: the URL, and the body
    // "data1=%s&data2=%s&data3=%s&ParamEnd=End" of the three parameters,
    // each sealed when bEncrypt is not 0. Returns 1; returns 0, and leaves
    // the report empty so that nothing can be posted, when a text is longer
    // than 4095 characters or the body would not fit its 4095; returns
    // REPORT_RESULT_FAIL, the report likewise empty, when bEncrypt is not 0
    // and a parameter cannot be sealed (its sealed form would not fit its
    // 4095 characters): no parameter is ever posted in clear beside sealed
    // ones. Must run before DoModal.
    int SetPostData(LPCSTR szUrl, int bEncrypt, LPCSTR szParam1, LPCSTR szParam2, LPCSTR szParam3);

    // The running report's variables, shared with its workers. A new set for
    // each SetPostData.
    std::shared_ptr<CReportExchange> m_pReport;

    // The StrictTransport policy of this report (set before DoModal): the
    // socket attempt is left out, and the WinINet attempt posts only to
    // https with every certificate check on.
    bool m_bStrictTransport = false;

    CMPIUtil m_Util;
    // The client rectangle recorded at start-up, and the size of the window
    // around it.
    CRect m_rcClient;
    CSize m_szWindow;

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR nIDEvent) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnButtonExit();

private:
    void StepStateMachine();
    // Starts the worker of one attempt on the report; a worker that cannot
    // be started counts as a failed attempt.
    void StartAttempt(LPTHREAD_START_ROUTINE pfnEntry, std::atomic<int>& result, int nFailResult);

    // The worker started last.
    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadID = 0;
    char m_szLogMsg[4352] = {};
};
