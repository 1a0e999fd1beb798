#include "auth/VemoMPIAuthNormalDialog.h"

#include <cstring>

#include "auth/AuthDocument.h"

#include "crypto/MPIMask.h"
#include "resources/VemoMPIOCX_rc.h"
#include "transport/HTTPTransport.h"

CVemoMPIAuthNormalDialog* g_pVemoMPIAuthNormalDialog = nullptr;

namespace {

// The default window size in pixels.
constexpr int kDefaultWidth = 424;
constexpr int kDefaultHeight = 464;

}  // namespace

const AUTH_DIALOG_KIND g_AuthKindNormal = {"CVemoMPIAuthNormalDialog", &g_HTTPParam_Normal,
                                           HTTPThreadFunction_Wininet_Normal, HTTPThreadFunction_Socket_Normal};

CVemoMPIAuthNormalDialog::CVemoMPIAuthNormalDialog(CWnd* pParent)
    : CDialog(IDD_VEMOMPIAUTHNORMALDIALOG, pParent), m_Flow(g_AuthKindNormal, this) {
    g_pVemoMPIAuthNormalDialog = this;
}

CVemoMPIAuthNormalDialog::~CVemoMPIAuthNormalDialog() {
    if (g_pVemoMPIAuthNormalDialog == this) g_pVemoMPIAuthNormalDialog = nullptr;
}

void CVemoMPIAuthNormalDialog::SetControl(CVemoMPIOCXCtrl* pCtrl) {
    m_pVemoMPIOCXCtrl = pCtrl;
    m_Flow.m_pVemoMPIOCXCtrl = pCtrl;
}

void CVemoMPIAuthNormalDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_EXPLORER_AUTH, m_ExplorerAuth);
}

const AFX_EVENTSINKMAP* CVemoMPIAuthNormalDialog::GetEventSinkMap() const {
    static const AFX_EVENTSINKMAP_ENTRY entries[] = {
        ON_EVENT(CVemoMPIAuthNormalDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
        ON_EVENT(CVemoMPIAuthNormalDialog, IDC_EXPLORER_AUTH, 250, OnBeforeNavigate2ExplorerAuth),
        ON_EVENT(CVemoMPIAuthNormalDialog, IDC_EXPLORER_AUTH, 113, OnTitleChangeExplorerAuth),
    };
    static const AFX_EVENTSINKMAP map = {entries, static_cast<int>(sizeof(entries) / sizeof(entries[0]))};
    return &map;
}

int CVemoMPIAuthNormalDialog::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
    MPITrace(m_Flow.m_Util, m_Flow.m_szLogMsg, sizeof(m_Flow.m_szLogMsg), "[CVemoMPIAuthNormalDialog::OnCreate] LocalUrl:%s",
             m_pVemoMPIOCXCtrl->m_LocalURL);
    return 0;
}

BOOL CVemoMPIAuthNormalDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthNormalDialog::OnInitDialog] Start");
    MPIDebugOutput("[CVemoMPIAuthNormalDialog::OnInitDialog] Start");
    CVemoMPIOCXCtrl* c = m_pVemoMPIOCXCtrl;

    // Size the window, keeping its top-left corner; the browser fills the
    // client area.
    CRect rect;
    GetWindowRect(rect);
    if (c->m_bUseWindowSize) MoveWindow(rect.left, rect.top, c->m_nWindowWidth, c->m_nWindowHeight);
    else MoveWindow(rect.left, rect.top, kDefaultWidth, kDefaultHeight);
    CRect client;
    GetClientRect(client);
    m_ExplorerAuth.MoveWindow(0, 0, client.Width(), client.Height());

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

    SetTimer(TIMER_EVENT_AUTH_EXECUTE, 100);
    SetTimer(TIMER_NO_AUTH_ANALYSIS, 100);
    SetTimer(TIMER_EVENT_VEREQ_TIMEOUT, static_cast<UINT>(c->m_nTimeOut));

    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDI_VEMOMPIAUTH_SMALL))));
    return TRUE;
}

void CVemoMPIAuthNormalDialog::OnTimer(UINT_PTR nIDEvent) {
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
            case TIMER_EVENT_VEREQ_TIMEOUT:
                if (m_Flow.TimeOutRun()) OnCancel();
                KillTimer(TIMER_EVENT_VEREQ_TIMEOUT);
                break;
            default:
                break;
        }
    }
    CDialog::OnTimer(nIDEvent);
}

void CVemoMPIAuthNormalDialog::OnCancel() {
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthNormalDialog::OnCancel] Start (Cancel or TimeOut)");
    // The running exchange's handles (g_hIS, g_hCO, g_hIO or g_hSocket
    // while it holds them) are the only ones closed.
    int nResult = m_Flow.CancelRun();
    if (nResult != 0) EndDialog(nResult);
}

BOOL CVemoMPIAuthNormalDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->wParam == VK_ESCAPE) return TRUE;  // Escape never closes the dialog
    if (pMsg->wParam == VK_RETURN) {
        // Return goes to the page, not to a default button.
        TranslateMessage(pMsg);
        DispatchMessage(pMsg);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CVemoMPIAuthNormalDialog::OnMouseMove(UINT nFlags, CPoint point) {
    // Dragging the dialog's own surface with the left button moves it.
    if (nFlags == MK_LBUTTON) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    CDialog::OnMouseMove(nFlags, point);
}

void CVemoMPIAuthNormalDialog::OnDestroy() {
    CDialog::OnDestroy();
    m_Flow.m_Util.WriteLog("[CVemoMPIAuthNormalDialog::OnDestroy]");
}

// ---------------------------------------------------------------- browser events

void CVemoMPIAuthNormalDialog::OnBeforeNavigate2ExplorerAuth(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*,
                                                             VARIANT*, BOOL*) {
    m_Flow.OnBeforeNavigate2(URL);
}

void CVemoMPIAuthNormalDialog::OnDocumentCompleteExplorerAuth(IDispatch*, VARIANT* URL) { m_Flow.OnDocumentComplete(URL); }

void CVemoMPIAuthNormalDialog::OnTitleChangeExplorerAuth(BSTR Text) {
    std::string title = BstrToAnsi(Text, SysStringLen(Text));
    MPITrace(m_Flow.m_Util, m_Flow.m_szLogMsg, sizeof(m_Flow.m_szLogMsg),
             "[CVemoMPIAuthNormalDialog::OnTitleChangeExplorerAuth] %s", title.c_str());
    if (m_pVemoMPIOCXCtrl->m_bUseTitle) SetWindowText(title.c_str());
}

// ---------------------------------------------------------------- what the shared steps ask of the dialog

void CVemoMPIAuthNormalDialog::AuthEndDialog(int nResult) { EndDialog(nResult); }

void CVemoMPIAuthNormalDialog::AuthKillTimer(UINT nIDEvent) { KillTimer(nIDEvent); }

void CVemoMPIAuthNormalDialog::AuthNavigate2(VARIANT* pUrl, VARIANT* pFlags, VARIANT* pTarget, VARIANT* pPostData,
                                             VARIANT* pHeaders) {
    m_ExplorerAuth.Navigate2(pUrl, pFlags, pTarget, pPostData, pHeaders);
}

bool CVemoMPIAuthNormalDialog::AuthGetDocumentHTML(BSTR* pHtml) {
    return AuthReadDocumentHTML(m_ExplorerAuth, m_pHTMLDocument, pHtml);
}
