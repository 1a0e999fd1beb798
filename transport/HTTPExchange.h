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
//
// The WinINet handles and the socket of a run belong to that run: they are
// kept in the block (CRunHandles), and only the run's own worker and the
// cancel path of the run's own dialog close them. A worker that outlives its
// dialog therefore never touches the handles of the next run.
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

// Closes one WinINet handle or socket (the transport's close call).
void CloseRunHandle(HINTERNET h);
void CloseRunHandle(SOCKET s);

// One handle of a run, and the kind's process-wide variable that shows it
// while the run holds it. The handle leaves the run only through Take, one
// atomic step, so whoever takes it closes it, exactly once.
template <class H>
class CRunHandle {
public:
    // The run's handle, or 0 (null) once it has been taken.
    H Get() const { return m_h.load(); }

    // The worker's part: makes h the run's handle and shows it in *pShown
    // when that variable is free (a variable that shows another run's
    // handle is left alone). When the run has been closed already, h is
    // closed at once and false returned; the next call on the handle then
    // fails like a call on a handle the cancel path closed.
    bool Keep(H h, std::atomic<H>* pShown, const std::atomic<int>& bClosed) {
        if (h == H{}) return true;
        if (bClosed.load() != 0) {
            CloseRunHandle(h);
            return false;
        }
        m_pShown.store(pShown);
        H none{};
        if (pShown != nullptr) pShown->compare_exchange_strong(none, h);
        m_h.store(h);
        // A close that came meanwhile may have found nothing to take.
        if (bClosed.load() != 0) {
            if (H mine = Take()) CloseRunHandle(mine);
            return false;
        }
        return true;
    }

    // Takes the handle out of the run (0 when there is none) and out of the
    // process-wide variable if that shows it; the caller closes it. The
    // variable is cleared before the handle can be closed, so it never shows
    // a closed handle whose number a later run may get again.
    H Take() {
        H h = m_h.exchange(H{});
        if (h == H{}) return h;
        if (std::atomic<H>* shown = m_pShown.load()) {
            H expected = h;
            shown->compare_exchange_strong(expected, H{});
        }
        return h;
    }

    // Takes and closes the handle if the run still holds it.
    void Close() {
        if (H h = Take()) CloseRunHandle(h);
    }

private:
    std::atomic<H> m_h{};
    std::atomic<std::atomic<H>*> m_pShown{nullptr};
};

// The handles of one run: the WinINet session, connection and request, or
// the socket.
class CRunHandles {
public:
    CRunHandle<HINTERNET> m_hIO;
    CRunHandle<HINTERNET> m_hCO;
    CRunHandle<HINTERNET> m_hIS;
    CRunHandle<SOCKET> m_hSocket;
    // Set once by the cancel path; a handle the worker gets afterwards is
    // closed at once.
    std::atomic<int> m_bClosed{0};

    // The cancel path: marks the run closed and closes the request,
    // connection, session and socket, each that the run holds. Any thread
    // may call it, any number of times.
    void CloseAll() {
        m_bClosed.store(1);
        m_hIS.Close();
        m_hCO.Close();
        m_hIO.Close();
        m_hSocket.Close();
    }
};

// The results of one enrollment exchange.
class CHTTPExchange {
public:
    // The handles of the run.
    CRunHandles m_Handles;
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
    // The StrictTransport policy of the run (MPIPolicy.h): the WinINet
    // transport posts only to https with every check on; the socket
    // transport refuses the run.
    bool bStrictTransport = false;
};

// One report's variables, shared by the report dialog and its workers.
class CReportExchange {
public:
    // The parameters and the body may hold card data or sealed texts.
    ~CReportExchange() {
        for (char* p : {szPostParam, szParam1, szParam2, szParam3}) SecureZeroMemory(p, sizeof(szPostParam));
    }

    // The handles of the report's runs (the socket attempt, then WinINet).
    CRunHandles m_Handles;
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
};

// The argument of a report worker: a new block that the worker owns and deletes.
struct REPORT_THREAD_START {
    std::shared_ptr<CReportExchange> report;
    // The StrictTransport policy of the report, as for HTTP_THREAD_START.
    bool bStrictTransport = false;
};
