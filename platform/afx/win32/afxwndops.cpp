// CWnd's calls on its window: geometry, text (in the ANSI code page),
// icons, styles, dialog items, focus, capture, timers, painting, device
// contexts, fonts, messages and calls into a contained control.
#include <algorithm>
#include <set>

#include "platform/afx/win32/afxwinimpl.h"

using namespace afxwin32;

namespace {

// The contexts GetDC / GetWindowDC handed out, released by ReleaseDC.
std::set<CDC*>& HandedOut() {
    static auto* dcs = new std::set<CDC*>;
    return *dcs;
}

CDC* WrapDC(HDC hdc) {
    if (hdc == nullptr) return nullptr;
    auto* dc = new CDC();
    dc->Attach(hdc);
    HandedOut().insert(dc);
    return dc;
}

}  // namespace

// ---------------------------------------------------------------- geometry

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    if (m_hWnd != nullptr) ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect != nullptr)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    if (m_hWnd == nullptr) return FALSE;
    HWND after = pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr;
    if (after == nullptr) nFlags |= SWP_NOZORDER;
    return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, nFlags);
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    if (m_hWnd == nullptr || !::GetWindowRect(m_hWnd, lpRect)) *lpRect = RECT{0, 0, 0, 0};
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr) return;
    if (m_hWnd == nullptr || !::GetClientRect(m_hWnd, lpRect)) *lpRect = RECT{0, 0, 0, 0};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    if (m_hWnd != nullptr && lpPoint != nullptr) ::ClientToScreen(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    if (m_hWnd != nullptr && lpPoint != nullptr) ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    if (m_hWnd == nullptr || lpRect == nullptr) return;
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

BOOL CWnd::ShowWindow(int nCmdShow) { return m_hWnd != nullptr ? ::ShowWindow(m_hWnd, nCmdShow) : FALSE; }

BOOL CWnd::IsWindowVisible() const { return m_hWnd != nullptr ? ::IsWindowVisible(m_hWnd) : FALSE; }

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    if (m_hWnd == nullptr) return;
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    // The work area of the monitor the window is on bounds the result.
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    RECT area = mi.rcWork;
    HWND over = pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    bool child = (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    RECT center = area;
    if (child) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &center);
        ::MapWindowPoints(parent, nullptr, reinterpret_cast<LPPOINT>(&center), 2);
    } else if (over != nullptr && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &center);
    }
    int w = self.right - self.left;
    int hgt = self.bottom - self.top;
    int x = (center.left + center.right - w) / 2;
    int y = (center.top + center.bottom - hgt) / 2;
    if (!child) {
        x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - w));
        y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - hgt));
    } else {
        POINT p{x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- text, icons, styles

void CWnd::SetWindowText(LPCSTR lpszString) {
    if (m_hWnd != nullptr) ::SetWindowTextW(m_hWnd, Widen(lpszString != nullptr ? lpszString : "").c_str());
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    if (lpszStringBuf == nullptr || nMaxCount <= 0) return 0;
    lpszStringBuf[0] = '\0';
    if (m_hWnd == nullptr) return 0;
    CString s;
    GetWindowText(s);
    int n = std::min(s.GetLength(), nMaxCount - 1);
    std::copy_n(static_cast<LPCSTR>(s), n, lpszStringBuf);
    lpszStringBuf[n] = '\0';
    return n;
}

void CWnd::GetWindowText(CString& rString) const {
    rString = "";
    if (m_hWnd == nullptr) return;
    int len = ::GetWindowTextLengthW(m_hWnd);
    if (len <= 0) return;
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, w.data(), len + 1);
    rString = Narrow(w.c_str(), std::max(got, 0)).c_str();
}

int CWnd::GetWindowTextLength() const {
    CString s;
    GetWindowText(s);
    return s.GetLength();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return m_hWnd != nullptr
               ? reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0))
               : nullptr;
}

DWORD CWnd::GetStyle() const {
    return m_hWnd != nullptr ? static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) : 0;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    if (m_hWnd == nullptr) return FALSE;
    DWORD before = GetStyle();
    DWORD after = (before & ~dwRemove) | dwAdd;
    if (after == before) return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(after));
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | nFlags);
    return TRUE;
}

// ---------------------------------------------------------------- items, focus, capture

CWnd* CWnd::GetDlgItem(int nID) const {
    return m_hWnd != nullptr ? FromHandle(::GetDlgItem(m_hWnd, nID)) : nullptr;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd != nullptr ? ::GetDlgCtrlID(m_hWnd) : 0; }

CWnd* CWnd::GetParent() const { return m_hWnd != nullptr ? FromHandle(::GetParent(m_hWnd)) : nullptr; }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr || pParent->m_hWnd == nullptr || m_hWnd != nullptr) return FALSE;
    HWND item = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return item != nullptr && Bind(this, item) ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() { return m_hWnd != nullptr ? FromHandle(::SetFocus(m_hWnd)) : nullptr; }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }

BOOL CWnd::EnableWindow(BOOL bEnable) { return m_hWnd != nullptr ? ::EnableWindow(m_hWnd, bEnable) : FALSE; }
BOOL CWnd::IsWindowEnabled() const { return m_hWnd != nullptr ? ::IsWindowEnabled(m_hWnd) : FALSE; }

BOOL CWnd::IsChild(const CWnd* pWnd) const {
    return m_hWnd != nullptr && pWnd != nullptr && pWnd->m_hWnd != nullptr ? ::IsChild(m_hWnd, pWnd->m_hWnd) : FALSE;
}

CWnd* CWnd::SetCapture() { return m_hWnd != nullptr ? FromHandle(::SetCapture(m_hWnd)) : nullptr; }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }
CWnd* CWnd::GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }

// ---------------------------------------------------------------- timers

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    if (m_hWnd == nullptr || Ended(m_hWnd)) return 0;
    UINT_PTR id = ::SetTimer(m_hWnd, nIDEvent, std::max<UINT>(nElapse, USER_TIMER_MINIMUM), lpfnTimer);
    if (id != 0) {
        if (WndRecord* r = Find(m_hWnd)) r->timers.insert(nIDEvent);
    }
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    if (m_hWnd == nullptr) return FALSE;
    if (WndRecord* r = Find(m_hWnd)) r->timers.erase(nIDEvent);
    return ::KillTimer(m_hWnd, nIDEvent);
}

// ---------------------------------------------------------------- painting, contexts, fonts

void CWnd::Invalidate(BOOL bErase) { InvalidateRect(nullptr, bErase); }

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    if (m_hWnd == nullptr) return;
    // A top-level window's invalidation takes in the children it covers.
    if (!(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD))
        ::RedrawWindow(m_hWnd, lpRect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | (bErase ? RDW_ERASE : 0));
    else
        ::InvalidateRect(m_hWnd, lpRect, bErase);
}

void CWnd::ValidateRect(LPCRECT lpRect) {
    if (m_hWnd != nullptr) ::ValidateRect(m_hWnd, lpRect);
}

void CWnd::UpdateWindow() {
    if (m_hWnd != nullptr) ::UpdateWindow(m_hWnd);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void* prgnUpdate, UINT flags) {
    return m_hWnd != nullptr ? ::RedrawWindow(m_hWnd, lpRectUpdate, static_cast<HRGN>(prgnUpdate), flags) : FALSE;
}

CDC* CWnd::GetDC() { return m_hWnd != nullptr ? WrapDC(::GetDC(m_hWnd)) : nullptr; }
CDC* CWnd::GetWindowDC() { return m_hWnd != nullptr ? WrapDC(::GetWindowDC(m_hWnd)) : nullptr; }

int CWnd::ReleaseDC(CDC* pDC) {
    if (pDC == nullptr || HandedOut().erase(pDC) == 0) return 0;
    HDC hdc = pDC->Detach();
    delete pDC;
    return hdc != nullptr ? ::ReleaseDC(m_hWnd, hdc) : 0;
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    if (m_hWnd != nullptr)
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(pFont != nullptr ? pFont->m_hObject : nullptr),
                       bRedraw);
}

CFont* CWnd::GetFont() const {
    if (m_hWnd == nullptr) return nullptr;
    auto font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    return font != nullptr ? CFont::FromHandle(font) : nullptr;
}

// ---------------------------------------------------------------- messages, controls

// The framework speaks the ANSI code page: text messages go through the
// ANSI forms, which the system converts for the (Unicode) window.
LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd != nullptr ? ::SendMessageA(m_hWnd, message, wParam, lParam) : 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd != nullptr ? ::PostMessageA(m_hWnd, message, wParam, lParam) : FALSE;
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    if (m_pCtrlSite != nullptr) {
        m_pCtrlSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } else {
        // No control: the call fails, with a zero result.
        OutputDebugStringA("[CWnd::InvokeHelper] the window holds no control");
        if (pvRet != nullptr) {
            if (vtRet == VT_DISPATCH) *static_cast<IDispatch**>(pvRet) = nullptr;
            if (vtRet == VT_BSTR) *static_cast<CString*>(pvRet) = "";
            if (vtRet == VT_I4) *static_cast<LONG*>(pvRet) = 0;
            if (vtRet == VT_BOOL) *static_cast<BOOL*>(pvRet) = FALSE;
        }
    }
    va_end(args);
}
