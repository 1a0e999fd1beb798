// What a transport worker is given and what it gives back.
//
// A worker never writes into a dialog or the control. Its results go to an
// exchange block that the starting dialog and the worker share (each holds a
// reference; the last one to let go frees it), so that a dialog that has
// ended, or a control that is gone, is never written to, however late the
// worker finishes. The dialog reads the block only after it has seen
// m_bThreadEnd become 1, and hands the reply text on to the control then.
//
// Each worker runs on its own copy of the parameter block, so that a later
// run of the same dialog kind, which refills the process-wide block, cannot
// change a request that an earlier worker is still sending.
#pragma once

#include <atomic>
#include <memory>

#include "platform/afx/afxstr.h"
#include "platform/win/win.h"

struct HTTP_THREAD_PARAM {
    char szUrl[4096];
    int32_t bPostRequest;
    char szPostData[4096];
};

// The results of one enrollment exchange.
class CHTTPExchange {
public:
    // Status text of the response, in its first 32 bytes (WinINet transport).
    char m_szHTTPStatusCode[64] = {};
    // Reply text, NUL-terminated.
    char m_szHTTPRecvData[10240] = {};
    // Error text of a failed exchange; empty after success.
    char m_szHTTPLastErrorMessage[9012] = {};
    // The text that the transport hands to the control's
    // m_strClientHTTPData1, and whether it did (the WinINet transport only
    // after a success, the socket transport on every path).
    CString m_strClientHTTPData1;
    bool m_bClientHTTPData1 = false;
    // Set by the dialog when the user cancels during the exchange (the
    // control's m_iAuthState becomes STATE_CANCEL); the socket transport
    // looks at it once, before it connects.
    std::atomic<int> m_bCancelled{0};
    // 0 while the worker runs; 1 once it has finished, written last.
    std::atomic<int> m_bThreadEnd{0};
};

// The argument of an authentication worker: a new block that the worker
// owns and deletes.
struct HTTP_THREAD_START {
    HTTP_THREAD_PARAM param;
    std::shared_ptr<CHTTPExchange> exchange;
};

// One report's variables, shared by the report dialog and its workers.
class CReportExchange {
public:
    char szHTTPUrl[4096] = {};
    char szPostParam[4096] = {};
    // -999 while pending; then the HTTP status read by the socket attempt
    // (0 when none), and 200 or -100 from the WinINet attempt.
    std::atomic<int> iThreadResult1{-999};
    std::atomic<int> iThreadResult2{-999};
};

// The argument of a report worker: a new block that the worker owns and deletes.
struct REPORT_THREAD_START {
    std::shared_ptr<CReportExchange> report;
};
