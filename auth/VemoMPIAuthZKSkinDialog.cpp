#include "auth/VemoMPIAuthZKSkinDialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "auth/AuthDocument.h"
#include "crypto/MPIMask.h"
#include "resources/VemoMPIOCX_rc.h"
#include "transport/HTTPTransport.h"

CVemoMPIAuthZKSkinDialog* g_pVemoMPIAuthZKSkinDialog = nullptr;

namespace {

// The page title that never reaches the title line.
const char kHiddenTitle[] = "Norvatine";

}  // namespace

const AUTH_DIALOG_KIND g_AuthKindZKSkin = {"CVemoMPIAuthZKSkinDialog", &g_HTTPParam, HTTPThreadFunction_Wininet,
                                           HTTPThreadFunction_Socket};

CVemoMPIAuthZKSkinDialog::CVemoMPIAuthZKSkinDialog(CWnd* pParent)
    : CBitmapDialog(IDD_VEMOMPIAUTHZKSKINDIALOG, pParent), m_Flow(g_AuthKindZKSkin, this) {
    g_pVemoMPIAuthZKSkinDialog = this;
}

CVemoMPIAuthZKSkinDialog::~CVemoMPIAuthZKSkinDialog() {
    FreeWaitBitmaps();
    if (g_pVemoMPIAuthZKSkinDialog == this) g_pVemoMPIAuthZKSkinDialog = nullptr;
}

BEGIN_MESSAGE_MAP(CVemoMPIAuthZKSkinDialog, CBitmapDialog)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_MOUSEMOVE()
ON_BN_CLICKED(IDC_BUTTON_CLOSE, OnButtonCancel)
ON_WM_TIMER()
ON_WM_PAINT()
END_MESSAGE_MAP()

void CVemoMPIAuthZKSkinDialog::SetControl(CVemoMPIOCXCtrl* pCtrl) {
    m_pVemoMPIOCXCtrl = pCtrl;
    m_Flow.m_pVemoMPIOCXCtrl = pCtrl;
}

void CVemoMPIAuthZKSkinDialog::DoDataExchange(CDataExchange* pDX) {
    CBitmapDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATIC_TITLE, m_stcTitle);
    DDX_Control(pDX, IDC_BUTTON_CLOSE, m_btnCancel);
    DDX_Control(pDX, IDC_EXPLORER_AUTH, m_ExplorerAuth);
}

const AFX_EVENTSINKMAP* CVemoMPIAuthZKSkinDialog::GetEventSinkMap() const {
    static const AFX_EVENTSINKMAP_ENTRY entries[] = {
        ON_EVENT(CVemoMPIAuthZKSkinDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
        ON_EVENT(CVemoMPIAuthZKSkinDialog, IDC_EXPLORER_AUTH, 250, OnBeforeNavigate2ExplorerAuth),
        ON_EVENT(CVemoMPIAuthZKSkinDialog, IDC_EXPLORER_AUTH, 113, OnTitleChangeExplorerAuth),
    };
    static const AFX_EVENTSINKMAP map = {entries, static_cast<int>(sizeof(entries) / sizeof(entries[0]))};
    return &map;
}

int CVemoMPIAuthZKSkinDialog::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CBitmapDialog::OnCreate(lpCreateStruct) == -1) return -1;
    MPITrace(m_Flow.m_Util, m_Flow.m_szLogMsg, sizeof(m_Flow.m_szLogMsg), "[CVemoMPIAuthZKSkinDialog::OnCreate] LocalUrl:%s",
             m_pVemoMPIOCXCtrl->m_LocalURL);
    return 0;
}

BOOL CVemoMPIAuthZKSkinDialog::OnInitDialog() {
    CBitmapDialog::OnInitDialog();
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthZKSkinDialog::OnInitDialog] Start");
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;

    // A size the page asked for, keeping the top-left corner; the browser
    // then covers the client area. Otherwise the template's size and places.
    if (c->m_bUseWindowSize) {
        CRect rect;
        GetWindowRect(rect);
        MoveWindow(rect.left, rect.top, c->m_nWindowWidth, c->m_nWindowHeight);
        CRect client;
        GetClientRect(client);
        m_ExplorerAuth.MoveWindow(0, 0, client.Width(), client.Height());
    }

    // The frame: background, system menu (so that Alt+F4 reaches the
    // dialog as a close request), title font, close button.
    SetUpFrame();

    VARIANT url, empty1, empty2, empty3, empty4;
    VariantInit(&url);
    VariantInit(&empty1);
    VariantInit(&empty2);
    VariantInit(&empty3);
    VariantInit(&empty4);
    url.vt = VT_BSTR;
    url.bstrVal = AnsiToBstr(c->m_szWaitUrl);
    m_ExplorerAuth.Navigate2(&url, &empty1, &empty2, &empty3, &empty4);
    VariantClear(&url);

    LoadWaitBitmaps();
    LoadSkinPicture();

    SetTimer(TIMER_EVENT_AUTH_EXECUTE, 100);
    SetTimer(TIMER_NO_AUTH_ANALYSIS, 100);
    SetTimer(TIMER_EVENT_WAIT_ANIMATION, 300);
    SetTimer(TIMER_EVENT_VEREQ_TIMEOUT, static_cast<UINT>(c->m_nTimeOut));
    return TRUE;
}

void CVemoMPIAuthZKSkinDialog::OnTimer(UINT_PTR nIDEvent) {
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;
    if (c->m_iAuthState != STATE_COMPLETE) {
        switch (nIDEvent) {
            case TIMER_EVENT_AUTH_EXECUTE:
                KillTimer(TIMER_EVENT_AUTH_EXECUTE);
                m_Flow.AuthThreadProcessExecute();
                break;
            case TIMER_NO_AUTH_ANALYSIS:
                if (m_Flow.ThreadEnded()) {
                    KillTimer(TIMER_EVENT_VEREQ_TIMEOUT);
                    KillTimer(TIMER_NO_AUTH_ANALYSIS);
                    int result = m_Flow.AuthThreadProcessParse();
                    if (result != 0) EndDialog(result);
                }
                break;
            case TIMER_EVENT_WAIT_ANIMATION:
                if (m_nWaitFrame != 0) {
                    ++m_nWaitFrame;
                    if (m_nWaitFrame > SKIN_WAIT_FRAMES) m_nWaitFrame = 1;
                }
                InvalidateWaitFrame();
                break;
            case TIMER_EVENT_VEREQ_TIMEOUT:
                if (m_Flow.TimeOutRun()) OnButtonCancel();
                KillTimer(TIMER_EVENT_VEREQ_TIMEOUT);
                break;
            default:
                break;
        }
    }
    CBitmapDialog::OnTimer(nIDEvent);
}

void CVemoMPIAuthZKSkinDialog::OnButtonCancel() {
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthZKSkinDialog::OnButtonCancel] Start (Cancel or TimeOut)");
    // The running exchange's handles (g_hIS, g_hCO, g_hIO or g_hSocket
    // while it holds them) are the only ones closed.
    int nResult = m_Flow.CancelRun();
    if (nResult != 0) EndDialog(nResult);
}

void CVemoMPIAuthZKSkinDialog::OnClose() {
    // A close request (Alt+F4): the picture goes, then the framework issues
    // the cancel command. The transport is left to finish into its own
    // exchange; nothing of it reaches this dialog any more.
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthZKSkinDialog::OnClose]");
    ReleaseSkinPicture();
    CBitmapDialog::OnClose();
}

void CVemoMPIAuthZKSkinDialog::OnCancel() {
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthZKSkinDialog::OnCancel]");
    EndDialog(AUTH_RESULT_CLOSED);
}

void CVemoMPIAuthZKSkinDialog::OnOK() { MPIDebugOutput("[CVemoMPIAuthZKSkinDialog::OnOK]"); }

BOOL CVemoMPIAuthZKSkinDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->wParam == VK_ESCAPE) return TRUE;  // Escape never closes the dialog
    if (pMsg->wParam == VK_RETURN) {
        // Return goes to the page, not to a default button.
        TranslateMessage(pMsg);
        DispatchMessage(pMsg);
        return TRUE;
    }
    return CBitmapDialog::PreTranslateMessage(pMsg);
}

void CVemoMPIAuthZKSkinDialog::OnMouseMove(UINT nFlags, CPoint point) {
    // Dragging the dialog's own surface with the left button moves it.
    if (nFlags == MK_LBUTTON) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    CBitmapDialog::OnMouseMove(nFlags, point);
}

void CVemoMPIAuthZKSkinDialog::OnDestroy() {
    CBitmapDialog::OnDestroy();
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthZKSkinDialog::OnDestroy]");
    ReleaseSkinPicture();
}

// ---------------------------------------------------------------- browser events

void CVemoMPIAuthZKSkinDialog::OnBeforeNavigate2ExplorerAuth(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*,
                                                             VARIANT*, BOOL*) {
    m_Flow.OnBeforeNavigate2(URL);
    m_nWaitFrame = 1;  // the indicator runs while a page loads
}

void CVemoMPIAuthZKSkinDialog::OnDocumentCompleteExplorerAuth(IDispatch*, VARIANT* URL) {
    m_nWaitFrame = 0;  // at rest once a document has completed
    m_Flow.OnDocumentComplete(URL);
}

void CVemoMPIAuthZKSkinDialog::OnTitleChangeExplorerAuth(BSTR Text) {
    std::string title = BstrToAnsi(Text, SysStringLen(Text));
    std::snprintf(m_Flow.m_szLogMsg, sizeof(m_Flow.m_szLogMsg), "[CVemoMPIAuthZKSkinDialog::OnTitleChangeExplorerAuth] %s",
                  title.c_str());
    // A page may name the card in its title: the line goes out masked.
    MPIDebugOutput(m_Flow.m_szLogMsg);
    // The title line follows the page; the window's own text never does.
    if (m_pVemoMPIOCXCtrl->m_bUseTitle && title != kHiddenTitle) ShowTitle(title.c_str());
}

// ---------------------------------------------------------------- what the shared steps ask of the dialog

void CVemoMPIAuthZKSkinDialog::AuthEndDialog(int nResult) { EndDialog(nResult); }

void CVemoMPIAuthZKSkinDialog::AuthKillTimer(UINT nIDEvent) { KillTimer(nIDEvent); }

void CVemoMPIAuthZKSkinDialog::AuthNavigate2(VARIANT* pUrl, VARIANT* pFlags, VARIANT* pTarget, VARIANT* pPostData,
                                             VARIANT* pHeaders) {
    m_ExplorerAuth.Navigate2(pUrl, pFlags, pTarget, pPostData, pHeaders);
}

bool CVemoMPIAuthZKSkinDialog::AuthGetDocumentHTML(BSTR* pHtml) {
    return AuthReadDocumentHTML(m_ExplorerAuth, m_pHTMLDocument, pHtml);
}
