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
#include "platform/wininet/wininet.h"
#include "platform/winsock/winsock.h"

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
// Each report has its own set, so that a worker of an earlier report that
// is still running can neither write into a later report nor reach its
// connections.
class CReportExchange {
public:
    CReportExchange() = default;
    CReportExchange(const CReportExchange&) = delete;
    CReportExchange& operator=(const CReportExchange&) = delete;
    // Whoever lets go of the report last closes what its attempts left open
    // (a failed WinINet attempt keeps its handles).
    ~CReportExchange() {
        for (std::atomic<HINTERNET>* h : {&hIS, &hCO, &hIO}) {
            HINTERNET left = h->exchange(nullptr);
            if (left != nullptr) InternetCloseHandle(left);
        }
        SOCKET s = hSocket.exchange(0);
        if (s != 0) closesocket(s);
    }

    char szHTTPUrl[4096] = {};
    char szPostParam[4096] = {};
    // The three parameters, plain or sealed.
    char szParam1[4096] = {};
    char szParam2[4096] = {};
    char szParam3[4096] = {};
    // State of the report dialog's state machine (the user-interface
    // thread's alone).
    int iThreadState = 0;
    // -999 while pending; then the HTTP status read by the socket attempt
    // (0 when none), and 200 or -100 from the WinINet attempt.
    std::atomic<int> iThreadResult1{-999};
    std::atomic<int> iThreadResult2{-999};
    // This report's connections: the socket of its socket attempt, and the
    // session, connection and request of its WinINet attempt. Its workers
    // store them here; its Exit path takes them out (each in one atomic
    // step) and closes them.
    std::atomic<SOCKET> hSocket{0};
    std::atomic<HINTERNET> hIO{nullptr};
    std::atomic<HINTERNET> hCO{nullptr};
    std::atomic<HINTERNET> hIS{nullptr};
};

// The argument of a report worker: a new block that the worker owns and deletes.
struct REPORT_THREAD_START {
    std::shared_ptr<CReportExchange> report;
};
