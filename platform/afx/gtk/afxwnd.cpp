// CWnd: geometry, text, style, items, focus, timers and the message
// routing of a window.
#include <algorithm>
#include <cstdarg>
#include <memory>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

// ---------------------------------------------------------------- CWnd

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (Alive(m_hWnd) && m_hWnd->pWnd == this) {
        if (m_hWnd->parent == nullptr) {
            DestroyRecord(m_hWnd);
        } else {
            m_hWnd->pWnd = nullptr;  // the item stays with its dialog, unbound
            if (m_pCtrlSite != nullptr) m_pCtrlSite->m_pWndCtrl = nullptr;
        }
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) { return Alive(hWnd) ? hWnd->pWnd : nullptr; }

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID) {
    if (pParentWnd == nullptr || !Alive(pParentWnd->m_hWnd) || g_occManager == nullptr || m_hWnd != nullptr)
        return FALSE;
    if (pParentWnd->m_pCtrlCont == nullptr) pParentWnd->m_pCtrlCont = g_occManager->CreateContainer(pParentWnd);
    if (pParentWnd->m_pCtrlCont == nullptr) return FALSE;
    COleControlSite* site = g_occManager->CreateSite(pParentWnd->m_pCtrlCont);
    if (site == nullptr) return FALSE;
    if (FAILED(site->CreateControl(this, clsid, lpszWindowName, dwStyle, rect, nID))) {
        delete site;
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!Alive(m_hWnd)) return FALSE;
    HWND h = m_hWnd;
    ::SendMessage(h, WM_DESTROY, 0, 0);
    if (h->parent == nullptr && g_windows.count(h) != 0) {
        for (auto& [id, timer] : h->timers) g_source_remove(timer.source);
        h->timers.clear();
        gtk_widget_hide(h->widget);
    }
    DestroyRecord(h);
    return TRUE;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
    if (!Alive(m_hWnd)) return;
    if (m_hWnd->parent == nullptr) {
        // A top-level window is at most as large as the work area, as the
        // Windows window manager keeps it within its largest tracking size:
        // its drawing surfaces stay bounded whatever size it is asked for.
        // A negative size is an empty window.
        int areaW = 0, areaH = 0;
        WorkAreaSize(&areaW, &areaH);
        nWidth = std::clamp(nWidth, 0, areaW);
        nHeight = std::clamp(nHeight, 0, areaH);
    }
    m_hWnd->x = x;
    m_hWnd->y = y;
    m_hWnd->cx = nWidth;
    m_hWnd->cy = nHeight;
    if (m_hWnd->parent == nullptr)
        ApplyTopGeometry(m_hWnd);
    else
        ApplyChildGeometry(m_hWnd);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect != nullptr)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags) {
    if (!Alive(m_hWnd)) return FALSE;
    int nx = (nFlags & SWP_NOMOVE) ? m_hWnd->x : x;
    int ny = (nFlags & SWP_NOMOVE) ? m_hWnd->y : y;
    int ncx = (nFlags & SWP_NOSIZE) ? m_hWnd->cx : cx;
    int ncy = (nFlags & SWP_NOSIZE) ? m_hWnd->cy : cy;
    MoveWindow(nx, ny, ncx, ncy);
    if (nFlags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
    if (nFlags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    *lpRect = RECT{0, 0, 0, 0};
    if (!Alive(m_hWnd)) return;
    POINT origin{m_hWnd->x, m_hWnd->y};
    if (m_hWnd->parent != nullptr) {
        origin = POINT{0, 0};
        m_hWnd->parent->pWnd->ClientToScreen(&origin);
        origin.x += m_hWnd->x;
        origin.y += m_hWnd->y;
    }
    *lpRect = RECT{origin.x, origin.y, origin.x + m_hWnd->cx, origin.y + m_hWnd->cy};
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    *lpRect = RECT{0, 0, 0, 0};
    if (!Alive(m_hWnd)) return;
    int h = m_hWnd->parent == nullptr ? std::max(0, m_hWnd->cy - m_hWnd->captionHeight) : m_hWnd->cy;
    *lpRect = RECT{0, 0, m_hWnd->cx, h};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    if (lpPoint == nullptr || !Alive(m_hWnd)) return;
    RECT r;
    if (m_hWnd->parent == nullptr) {
        lpPoint->x += m_hWnd->x;
        lpPoint->y += m_hWnd->y + m_hWnd->captionHeight;
    } else {
        GetWindowRect(&r);
        lpPoint->x += r.left;
        lpPoint->y += r.top;
    }
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    if (lpPoint == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(&origin);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(&origin);
    lpRect->left -= origin.x;
    lpRect->right -= origin.x;
    lpRect->top -= origin.y;
    lpRect->bottom -= origin.y;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (!Alive(m_hWnd)) return FALSE;
    BOOL was = IsWindowVisible();
    if (nCmdShow == SW_HIDE) {
        gtk_widget_hide(m_hWnd->widget);
        m_hWnd->hiddenEmpty = false;
        m_hWnd->style &= ~WS_VISIBLE;
    } else {
        if (m_hWnd->parent == nullptr) AfxShowTopLevel(m_hWnd, true);
        else gtk_widget_show_all(m_hWnd->widget);
        m_hWnd->style |= WS_VISIBLE;
    }
    if (m_hWnd->parent != nullptr) InvalidateWindow(m_hWnd->parent, nullptr, true);
    InvalidateWindow(m_hWnd, nullptr, true);
    return was;
}

BOOL CWnd::IsWindowVisible() const {
    return Alive(m_hWnd) && gtk_widget_get_visible(m_hWnd->widget) ? TRUE : FALSE;
}

void CWnd::SetWindowText(LPCSTR lpszString) {
    if (!Alive(m_hWnd)) return;
    m_hWnd->text = lpszString != nullptr ? lpszString : "";
    ShowText(m_hWnd);
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    if (lpszStringBuf == nullptr || nMaxCount <= 0) return 0;
    lpszStringBuf[0] = '\0';
    if (!Alive(m_hWnd)) return 0;
    lstrcpynA(lpszStringBuf, m_hWnd->text, nMaxCount);
    return lstrlenA(lpszStringBuf);
}

void CWnd::GetWindowText(CString& rString) const { rString = Alive(m_hWnd) ? m_hWnd->text.GetString() : ""; }

int CWnd::GetWindowTextLength() const { return Alive(m_hWnd) ? m_hWnd->text.GetLength() : 0; }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    if (!Alive(m_hWnd)) return nullptr;
    return bBigIcon ? m_hWnd->iconBig : m_hWnd->iconSmall;
}

DWORD CWnd::GetStyle() const { return Alive(m_hWnd) ? m_hWnd->style : 0; }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
    if (!Alive(m_hWnd)) return FALSE;
    DWORD before = m_hWnd->style;
    m_hWnd->style = (before & ~dwRemove) | dwAdd;
    if (m_hWnd->headerBar != nullptr)
        gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(m_hWnd->headerBar), (m_hWnd->style & WS_SYSMENU) != 0);
    return before != m_hWnd->style;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!Alive(m_hWnd)) return nullptr;
    for (HWND c : m_hWnd->children)
        if (c->id == static_cast<UINT>(nID)) {
            if (c->pWnd == nullptr) {
                c->ownedWnd = std::make_unique<CWnd>();
                c->pWnd = c->ownedWnd.get();
                c->pWnd->m_hWnd = c;
            }
            return c->pWnd;
        }
    return nullptr;
}

int CWnd::GetDlgCtrlID() const { return Alive(m_hWnd) ? static_cast<int>(m_hWnd->id) : 0; }

CWnd* CWnd::GetParent() const { return Alive(m_hWnd) && m_hWnd->parent != nullptr ? m_hWnd->parent->pWnd : nullptr; }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr || !Alive(pParent->m_hWnd) || m_hWnd != nullptr) return FALSE;
    for (HWND c : pParent->m_hWnd->children) {
        if (c->id != nID) continue;
        COleControlSite* site = c->pWnd != nullptr ? c->pWnd->m_pCtrlSite : nullptr;
        if (c->pWnd != nullptr) {
            c->pWnd->m_hWnd = nullptr;
            c->pWnd->m_pCtrlSite = nullptr;
        }
        c->pWnd = this;
        m_hWnd = c;
        m_pCtrlSite = site;
        if (site != nullptr) site->m_pWndCtrl = this;
        return TRUE;
    }
    return FALSE;
}

CWnd* CWnd::SetFocus() {
    CWnd* before = GetFocus();
    if (Alive(m_hWnd)) gtk_widget_grab_focus(m_hWnd->widget);
    return before;
}

CWnd* CWnd::GetFocus() {
    for (HWND h : g_windows) {
        if (h->parent != nullptr || h->messageBox || !gtk_window_is_active(GTK_WINDOW(h->widget))) continue;
        HWND f = FocusWindow(h);
        return f->pWnd;
    }
    return nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    if (!Alive(m_hWnd) || Ended(m_hWnd) || nIDEvent == 0) return 0;
    KillTimer(nIDEvent);
    UINT interval = std::max<UINT>(nElapse, USER_TIMER_MINIMUM);
    auto* tick = new TimerTick{m_hWnd, nIDEvent};
    tick->source = g_timeout_add_full(G_PRIORITY_DEFAULT, interval, DeliverTimer, tick, FreeTimerTick);
    m_hWnd->timers[nIDEvent] = HWND__::Timer{tick->source, lpfnTimer};
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    if (!Alive(m_hWnd)) return FALSE;
    auto it = m_hWnd->timers.find(nIDEvent);
    if (it == m_hWnd->timers.end()) return FALSE;
    g_source_remove(it->second.source);
    m_hWnd->timers.erase(it);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    if (m_pCtrlSite != nullptr) {
        m_pCtrlSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } else {
        OutputDebugStringA("[CWnd::InvokeHelper] the window holds no control");
        if (vtRet == VT_DISPATCH && pvRet != nullptr) *static_cast<IDispatch**>(pvRet) = nullptr;
    }
    va_end(args);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MessageScope scope(this, message, wParam, lParam);
    // The class's message map first (commands go through OnCommand).
    LRESULT result = 0;
    if (message != WM_COMMAND && AfxDispatchMessageMap(this, message, wParam, lParam, &result)) return result;
    switch (message) {
        case WM_CREATE:
            return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wParam), CPoint(lParam));
            return 0;
        case WM_COMMAND:
            if (OnCommand(wParam, lParam)) return 0;
            break;
        case WM_DRAWITEM:
            OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
            return TRUE;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Alive(m_hWnd)) return 0;
    HWND h = m_hWnd;
    LRESULT classResult = 0;
    if (ClassWindowProc(h, message, wParam, lParam, &classResult)) return classResult;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) return ::SendMessage(TopOf(h), WM_CLOSE, 0, 0);
            return 0;
        case WM_SETTEXT:
            SetWindowText(reinterpret_cast<LPCSTR>(lParam));
            return TRUE;
        case WM_SETICON: {
            HICON* slot = wParam == ICON_BIG ? &h->iconBig : &h->iconSmall;
            HICON before = *slot;
            *slot = reinterpret_cast<HICON>(lParam);
            ApplyIcon(h);
            return reinterpret_cast<LRESULT>(before);
        }
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCAPTION && h->parent == nullptr && gtk_widget_get_realized(h->widget)) {
                // Dragging by the caption: the window follows the pointer
                // while the left button stays down.
                GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(h->widget));
                GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
                int x = 0, y = 0;
                if (pointer != nullptr) gdk_device_get_position(pointer, nullptr, &x, &y);
                // As on Windows the drag starts where the button went down,
                // even if the pointer moved on before this message came.
                GdkModifierType mask = static_cast<GdkModifierType>(0);
                if (pointer != nullptr)
                    gdk_window_get_device_position(gtk_widget_get_window(h->widget), pointer, nullptr, nullptr, &mask);
                if ((mask & GDK_BUTTON1_MASK) && h->dragX >= 0) {
                    x = h->dragX;
                    y = h->dragY;
                }
                gtk_window_begin_move_drag(GTK_WINDOW(h->widget), 1, x, y, GDK_CURRENT_TIME);
            }
            return 0;
        default:
            return 0;
    }
}

int CWnd::OnCreate(LPCREATESTRUCT) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::OnClose() { DefWindowProc(WM_CLOSE, 0, 0); }
void CWnd::OnTimer(UINT_PTR nIDEvent) { DefWindowProc(WM_TIMER, nIDEvent, 0); }
void CWnd::OnMouseMove(UINT nFlags, CPoint point) { DefWindowProc(WM_MOUSEMOVE, nFlags, MAKELPARAM(point.x, point.y)); }
BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    return AfxDispatchMessageMap(this, WM_COMMAND, wParam, lParam, nullptr);
}


CWnd* afxcore::BoundWindow(HWND hWnd) { return Alive(hWnd) ? hWnd->pWnd : nullptr; }
