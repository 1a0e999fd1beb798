// The two HTTP POST transports and their worker entries.
//
// The WinINet transport posts through the WinINet layer, so that the
// configured proxy applies; the socket transport writes its own HTTP/1.1
// request on a plain socket and bypasses every proxy. Each is one procedure
// with three instances: the plain authentication dialog's, the skinned
// dialog's and the report's. The instances differ only in the handle set or
// socket variable they use, their trace prefix and where their results go.
//
// A run's WinINet handles and socket belong to that run: they live in the
// run's exchange block (CRunHandles in HTTPExchange.h), where the owning
// dialog's cancel path on the user-interface thread finds them while the
// worker is blocked on them. Whoever closes one takes it out of the run in
// the same atomic step, so each is closed exactly once. A worker never
// closes, replaces or clears a handle of another run, and a cancel closes
// exactly the running run's handles, however late an earlier worker is.
//
// The process-wide variables of each instance show the handles of the run
// that holds them (the kind's running one), for whoever wants to look; they
// are never closed through.
#pragma once

#include <atomic>

#include "platform/win/win.h"
#include "platform/wininet/wininet.h"
#include "platform/winsock/winsock.h"
#include "transport/HTTPExchange.h"

// ---------------------------------------------------------------- parameter blocks

// Filled by the authentication dialogs before they start a worker; the
// worker gets its own copy in an HTTP_THREAD_START.
extern HTTP_THREAD_PARAM g_HTTPParam_Normal;  // plain dialog
extern HTTP_THREAD_PARAM g_HTTPParam;         // skinned dialog

// ---------------------------------------------------------------- handle sets and sockets

// Session, connection and request of the WinINet transport, per instance:
// those of the run that holds them, null when none.
extern std::atomic<HINTERNET> g_hIO_Normal, g_hCO_Normal, g_hIS_Normal;
extern std::atomic<HINTERNET> g_hIO, g_hCO, g_hIS;
extern std::atomic<HINTERNET> g_hIO_Report, g_hCO_Report, g_hIS_Report;

// Connection of the socket transport, per instance: that of the run that
// holds it, 0 when none.
extern std::atomic<SOCKET> g_hSocket_Normal, g_hSocket, g_hSocket_Report;

// ---------------------------------------------------------------- the cancel path

// Closes the handles of one run: its request, connection and session, in
// that order, and its socket, each that the run still holds; marks the run
// closed, so that a handle its worker gets afterwards (a connect still
// under way, say) is closed at once. A worker blocked on one of the handles
// fails at once, with its step's message. The handles of every other run,
// and the process-wide variables unless they show this run's handles, stay
// as they are. Any thread may call it, any number of times.
//
// An authentication dialog calls it with its running exchange when the
// user closes it or the time-out passes (CAuthFlow::CloseTransportHandles
// does so); the report dialog with its report.
void CloseRunHandles(CHTTPExchange& run);
void CloseRunHandles(CReportExchange& report);

// What a report worker posts: its own copy of the report's URL and body
// (written before the first worker started, read within their buffers), and
// the report whose result it sets.
struct REPORT_REQUEST {
    std::shared_ptr<CReportExchange> report;
    char szUrl[sizeof(CReportExchange::szHTTPUrl)];
    char szBody[sizeof(CReportExchange::szPostParam)];
    bool bStrictTransport;
};

// Takes over a report worker's REPORT_THREAD_START (and deletes it). False
// when there is no report to post.
bool TakeReportRequest(LPVOID lpParam, REPORT_REQUEST* pRequest);

// ---------------------------------------------------------------- worker entries

// Started with the win layer's CreateThread. The authentication entries take
// a new HTTP_THREAD_START, the report entries a new REPORT_THREAD_START; the
// worker owns the block and deletes it. Results go to the block's exchange;
// m_bThreadEnd (authentication) or the result variable (report) is written
// last.
//
// WinINet transport: exit code 0 after success, 1 after a failure.
DWORD WINAPI HTTPThreadFunction_Wininet_Normal(LPVOID lpParam);
DWORD WINAPI HTTPThreadFunction_Wininet(LPVOID lpParam);
DWORD WINAPI SendHTTPPostData_W(LPVOID lpParam);  // sets iThreadResult2 to 200 or -100
// Socket transport: exit code 0.
DWORD WINAPI HTTPThreadFunction_Socket_Normal(LPVOID lpParam);
DWORD WINAPI HTTPThreadFunction_Socket(LPVOID lpParam);
DWORD WINAPI SendHTTPPostData_S(LPVOID lpParam);  // sets iThreadResult1 to the status read, 0 when none

// ---------------------------------------------------------------- debugger output

// One line per enrollment exchange and per report attempt, to the debugger
// output (standard error when VEMOMPI_DEBUG is set), through the masking of
// MPIDebugOutput:
//
//   PREFIX exchange|report ADDRESS transport=WinINet|socket status=N bytes=N ms=N result=N[ error=TEXT]
//
// ADDRESS is the scheme, host, port and path the attempt posted to, without
// a user name, password, query or fragment. status is the HTTP status read
// (0 when none), bytes the bytes of the response the transport received
// (header and body for the socket, the body for WinINet), ms the time the
// attempt took. result is 0 after an exchange that succeeded and 1 after one
// that failed, with the failure text as error (the text that Msg1 shows);
// for a report attempt, the value the attempt gives the report's state
// machine (the status read by the socket attempt, 200 or -100 from the
// WinINet attempt). The body that was posted never appears.
void MPITraceAttempt(const char* pszPrefix, bool bReport, const char* pszUrl, const char* pszTransport, int nStatus,
                     long nBytes, DWORD dwMs, int nResult, const char* pszError);

// User agents of the transports.
#define MPI_WININET_AGENT "VemoMPI-W"
#define MPI_WININET_REPORT_AGENT "VemoMPI-WR"
#define MPI_SOCKET_AGENT "VemoMPI-S"
