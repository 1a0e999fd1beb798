// CVemoMPIAuthZKSkinDialog: the skinned authentication dialog, the one a
// cardholder sees unless the page asked for the plain one. It runs the same
// authentication as CVemoMPIAuthNormalDialog (the same CAuthFlow steps with
// its own parameter block, transport entries and handle set) inside a
// captionless bitmap frame with its own close button, a title line that
// follows the page title, a waiting indicator and the merchant's picture.
//
// The logic lives in auth/VemoMPIAuthZKSkinDialog.cpp; the presentation
// (frame, widgets, painting, title line, picture) in
// ui/VemoMPIAuthZKSkinView.cpp.
#pragma once

#include "auth/AuthFlow.h"
#include "platform/afx/afxgdi.h"
#include "platform/afx/afxwin.h"
#include "platform/browser/mshtml.h"
#include "platform/com/olectl.h"
#include "resources/VemoMPIOCX_rc.h"
#include "ui/BitmapDialog.h"
#include "ui/HoverButton.h"
#include "ui/WebBrowser2.h"

// The framework's cancel result: the dialog was closed by a close request
// (Alt+F4) rather than by its close button.
#define AUTH_RESULT_CLOSED IDCANCEL

// Frames of the waiting indicator: 0 at rest, 1 to 13 while a page loads.
#define SKIN_WAIT_FRAMES 13

class CVemoMPIAuthZKSkinDialog : public CBitmapDialog, private IAuthDialogSite {
public:
    explicit CVemoMPIAuthZKSkinDialog(CWnd* pParent = nullptr);
    ~CVemoMPIAuthZKSkinDialog() override;

    // The control that owns this run; set before DoModal.
    void SetControl(CVemoMPIOCXCtrl* pCtrl);

    CVemoMPIOCXCtrl* m_pVemoMPIOCXCtrl = nullptr;

    // Items of the template, bound in this order by dialog data exchange.
    CStatic m_stcTitle;           // 206, the title line
    CHoverButton m_btnCancel;     // 203, the close button "X"
    CWebBrowser2 m_ExplorerAuth;  // 201

    // The title line's font (the control's m_szTitleFontName and
    // m_nTitleFontSize).
    CFont m_TitleFont;
    // The waiting indicator: bitmap 261 at rest (0), the running frames 1
    // to 13.
    HBITMAP m_hWaitBitmap[SKIN_WAIT_FRAMES + 1] = {};
    // The frame of the waiting animation: 0 stopped, 1 to 13 running.
    int m_nWaitFrame = 1;
    // Used while painting the indicator: the window's device context and
    // the frame's bitmap record.
    HDC m_hWaitDC = nullptr;
    BITMAP m_bmWait = {};

    // Browser events of item 201.
    void OnBeforeNavigate2ExplorerAuth(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                       VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
    void OnDocumentCompleteExplorerAuth(IDispatch* pDisp, VARIANT* URL);
    void OnTitleChangeExplorerAuth(BSTR Text);

    // The steps it shares with the plain dialog, and their state
    // (m_bUseProxy, the thread, the exchange with the worker).
    CAuthFlow m_Flow;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;

    // Click of the "X" button, and the time-out.
    afx_msg void OnButtonCancel();
    // The waiting indicator and the merchant picture over the background.
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    // Presentation (ui/VemoMPIAuthZKSkinView.cpp).
    void SetUpFrame();
    void LoadWaitBitmaps();
    void FreeWaitBitmaps();
    void LoadSkinPicture();
    void ShowTitle(const char* pszTitle);
    void InvalidateWaitFrame();

    void AuthEndDialog(int nResult) override;
    void AuthKillTimer(UINT nIDEvent) override;
    void AuthNavigate2(VARIANT* pUrl, VARIANT* pFlags, VARIANT* pTarget, VARIANT* pPostData, VARIANT* pHeaders) override;
    bool AuthGetDocumentHTML(BSTR* pHtml) override;

    // The result page's document while its text is read; null otherwise.
    IHTMLDocument2* m_pHTMLDocument = nullptr;
};

// The running skinned dialog (set by its constructor, cleared when it goes).
extern CVemoMPIAuthZKSkinDialog* g_pVemoMPIAuthZKSkinDialog;

// What the skinned dialog's steps use of the process: its parameter block
// (g_HTTPParam), transport entries (HTTPThreadFunction_Wininet,
// HTTPThreadFunction_Socket) and handle set (g_hIO, g_hCO, g_hIS, g_hSocket).
extern const AUTH_DIALOG_KIND g_AuthKindZKSkin;

// The merchant picture of the running skinned dialog (from the control's
// m_szSkinImagePath), shared by the process, and the result of its load.
extern IPicture* g_pSkinPicture;
extern HRESULT g_hrSkinPicture;

// Releases the merchant picture that the process holds, if any, and
// clears g_pSkinPicture.
void ReleaseSkinPicture();
