// CVemoMPIAuthNormalDialog: the plain authentication dialog. It shows the
// wait page in its browser, runs the enrollment exchange on a worker thread
// under the time-out, hands the cardholder to the issuer's ACS and captures
// the result page, and ends with the result code that GetPAReq2 returns.
#pragma once

#include "auth/AuthFlow.h"
#include "platform/afx/afxwin.h"
#include "platform/browser/mshtml.h"
#include "ui/WebBrowser2.h"

class CVemoMPIAuthNormalDialog : public CDialog, private IAuthDialogSite {
public:
    explicit CVemoMPIAuthNormalDialog(CWnd* pParent = nullptr);
    ~CVemoMPIAuthNormalDialog() override;

    // The control that owns this run; set before DoModal.
    void SetControl(CVemoMPIOCXCtrl* pCtrl);

    CVemoMPIOCXCtrl* m_pVemoMPIOCXCtrl = nullptr;
    CWebBrowser2 m_ExplorerAuth;

    // Browser events of item 201.
    void OnBeforeNavigate2ExplorerAuth(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                       VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
    void OnDocumentCompleteExplorerAuth(IDispatch* pDisp, VARIANT* URL);
    void OnTitleChangeExplorerAuth(BSTR Text);

    // The steps it shares with the skinned dialog, and their state
    // (m_bUseProxy, the thread, the exchange with the worker).
    CAuthFlow m_Flow;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnCancel() override;
    void OnDestroy() override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;

private:
    void AuthEndDialog(int nResult) override;
    void AuthKillTimer(UINT nIDEvent) override;
    void AuthNavigate2(VARIANT* pUrl, VARIANT* pFlags, VARIANT* pTarget, VARIANT* pPostData, VARIANT* pHeaders) override;
    bool AuthGetDocumentHTML(BSTR* pHtml) override;

    // The result page's document while its text is read; null otherwise.
    IHTMLDocument2* m_pHTMLDocument = nullptr;
};

// The running plain dialog (set by its constructor, cleared when it goes).
extern CVemoMPIAuthNormalDialog* g_pVemoMPIAuthNormalDialog;

// What the plain dialog's steps use of the process: its parameter block,
// transport entries and handle set.
extern const AUTH_DIALOG_KIND g_AuthKindNormal;
