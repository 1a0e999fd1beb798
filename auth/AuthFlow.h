// The steps that both authentication dialogs run, written once: the
// execute step (compose the enrollment request, seal it, choose and start
// the transport), the parse step (check the reply, fill the result
// properties, hand off to the ACS) and the result capture of the browser's
// completed pages. A dialog owns one CAuthFlow and lends it the few things
// only a dialog can do (end itself, stop its timers, drive its browser).
#pragma once

#include <memory>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "crypto/MPIUtil.h"
#include "transport/HTTPExchange.h"

// Result codes with which an authentication dialog ends.
#define AUTH_RESULT_SUCCESS 0
#define AUTH_ERROR_THREAD 11000
#define AUTH_ERROR_TIMEOUT 11001
#define AUTH_ERROR_NETWORK 11002
#define AUTH_ERROR_TAG 11003
#define AUTH_ERROR_PARAM_NUMBER 11004
#define AUTH_ERROR_SEAL 11006
#define AUTH_ERROR_NO_DOCUMENT 12002
#define AUTH_ERROR_PAGE_TOO_SHORT 12003
#define AUTH_ERROR_NO_RECORD 12004
#define AUTH_ERROR_RECORD_FIELDS 12005
#define AUTH_ERROR_CANCEL 12006

// Window timers of the authentication dialogs.
#define TIMER_EVENT_AUTH_EXECUTE 1
#define TIMER_NO_AUTH_ANALYSIS 2
#define TIMER_EVENT_WAIT_ANIMATION 3
#define TIMER_EVENT_VEREQ_TIMEOUT 4

// Limits of the buffers of one authentication.
#define AUTH_REPLY_MIN 16
#define AUTH_REPLY_MAX 4095
#define AUTH_PAGE_TEXT_SIZE 8096
#define AUTH_RECORD_SIZE 1024
#define AUTH_SLOT_SIZE 1024

// What differs between the dialog kinds: the trace name, the process-wide
// parameter block and the transport entries. (The handles of a run belong
// to the run's exchange, so the cancel path needs nothing of the kind.)
struct AUTH_DIALOG_KIND {
    const char* pszClassName;
    HTTP_THREAD_PARAM* pParam;
    LPTHREAD_START_ROUTINE pfnWininet;
    LPTHREAD_START_ROUTINE pfnSocket;
};

// What the shared steps need from the dialog that runs them.
class IAuthDialogSite {
public:
    virtual void AuthEndDialog(int nResult) = 0;
    virtual void AuthKillTimer(UINT nIDEvent) = 0;
    virtual void AuthNavigate2(VARIANT* pUrl, VARIANT* pFlags, VARIANT* pTarget, VARIANT* pPostData, VARIANT* pHeaders) = 0;
    // The outerHTML of the root element of the browser's current document;
    // false when the browser gives no document.
    virtual bool AuthGetDocumentHTML(BSTR* pHtml) = 0;

protected:
    ~IAuthDialogSite() = default;
};

class CAuthFlow {
public:
    CAuthFlow(const AUTH_DIALOG_KIND& kind, IAuthDialogSite* pSite);
    // Releases the thread handle; the thread itself runs on to its end.
    ~CAuthFlow();
    CAuthFlow(const CAuthFlow&) = delete;
    CAuthFlow& operator=(const CAuthFlow&) = delete;

    CVemoMPIOCXCtrl* m_pVemoMPIOCXCtrl = nullptr;
    CMPIUtil m_Util;
    char m_szLogMsg[10240];
    int m_bUseProxy = 0;
    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadID = 0;
    // The running (or last) exchange; the worker holds its own reference.
    std::shared_ptr<CHTTPExchange> m_pExchange;

    // 0 while the transport thread runs; 1 once it has finished or could
    // not start.
    int ThreadEnded() const;

    // Composes and sends the enrollment request. 0 when the transport
    // thread is running, 1 when it could not start (the dialog then ends).
    int AuthThreadProcessExecute();
    // Checks the reply once the thread has ended. 0 when the hand-off has
    // started; otherwise the code the dialog ends with.
    int AuthThreadProcessParse();
    // The cancel path's part: closes the handles of this dialog's running
    // exchange (CloseRunHandles), whichever transport runs it, and no
    // other run's.
    void CloseTransportHandles();
    // The user cancelled during the exchange: the socket transport gives up
    // before connecting.
    void MarkCancelled();
    // A cancel request (the user's close, or the time-out through it) in the
    // run's present state: 0 while the dialog stays open and waits for the
    // transport to give up; otherwise the code the dialog ends with.
    int CancelRun();
    // Timer 4: whether the enrollment exchange has run out of time, in which
    // case the state is STATE_TIMEOUT and the dialog's cancel path runs. A
    // user's cancel stays a cancel: nothing leaves STATE_CANCEL but the end
    // of the dialog.
    bool TimeOutRun();

    // Browser events.
    void OnBeforeNavigate2(const VARIANT* pUrl);
    void OnDocumentComplete(const VARIANT* pUrl);
    // The capture's text step: reads the result record and the JSON object
    // of a result page's text (at most 8095 bytes) into the control's
    // properties. 0, a failure code, or -1 for the browser's own error page.
    int CaptureResult(const std::string& pageText);

private:
    void HandOff(const CString& paReq, const CString& termUrl, const CString& md, const CString& acsUrl);
    bool Korean() const;

    const AUTH_DIALOG_KIND& m_kind;
    IAuthDialogSite* m_pSite;
    int m_bThreadEnd = 0;
    char m_szParseBuffer[10240];
};

// Composes the enrollment request body from the control's purchase data:
// the sealed form "data=..." when encryption is on (and then masks the card
// number in the control), otherwise the plain form. Returns 0, or 11006
// when sealing fails or the body does not fit bodySize bytes.
int AuthComposeRequest(CVemoMPIOCXCtrl* pCtrl, CMPIUtil& util, char* pszBody, size_t bodySize);

// Text of 8 bits (the thread's code page) of a string variant.
std::string AuthVariantText(const VARIANT* pVar);
