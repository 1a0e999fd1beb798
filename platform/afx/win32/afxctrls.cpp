// The controls of afxctrls.h on the system's window classes: static texts
// and buttons ("Static", "Button"), owner-drawn bitmap buttons, tooltips
// ("tooltips_class32") and trackbars ("msctls_trackbar32").
#include "platform/afx/win32/afxwinimpl.h"

// (After windows.h, which the layer's header brings.)
#include <commctrl.h>

using namespace afxwin32;

namespace {

bool InitCommonControlClasses() {
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{};
        icc.dwSize = sizeof(icc);
        icc.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES;
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    return done;
}

// Creates a child window of a system class and binds pWnd to it.
BOOL CreateChild(CWnd* pWnd, const wchar_t* cls, LPCSTR text, DWORD style, const RECT& r, CWnd* parent, UINT id) {
    if (pWnd->m_hWnd != nullptr || parent == nullptr || parent->m_hWnd == nullptr) return FALSE;
    HWND h = ::CreateWindowExW(0, cls, Widen(text).c_str(), style | WS_CHILD, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               AfxGetInstanceHandle(), nullptr);
    if (h == nullptr) return FALSE;
    if (!Bind(pWnd, h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    // The parent's font, as a dialog's items have.
    ::SendMessageW(h, WM_SETFONT, ::SendMessageW(parent->m_hWnd, WM_GETFONT, 0, 0), FALSE);
    return TRUE;
}

// A tool of a tooltip control: the window itself when it has neither a
// rectangle nor an id, else the id over a rectangle of the window.
TOOLINFOA ToolInfo(HWND tool, UINT_PTR id, LPCRECT rect) {
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the control
    ti.hwnd = ::GetParent(tool) != nullptr ? ::GetParent(tool) : tool;
    if (rect == nullptr && id == 0) {
        ti.uFlags = TTF_IDISHWND;
        ti.uId = reinterpret_cast<UINT_PTR>(tool);
    } else {
        ti.hwnd = tool;
        ti.uId = id;
        if (rect != nullptr) ti.rect = *rect;
        else ::GetClientRect(tool, &ti.rect);
    }
    return ti;
}

}  // namespace

// ---------------------------------------------------------------- static texts and buttons

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateChild(this, L"STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateChild(this, L"BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

UINT CButton::GetState() const {
    return m_hWnd != nullptr ? static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0)) : 0;
}

void CButton::SetState(BOOL bHighlight) {
    if (m_hWnd != nullptr) ::SendMessageW(m_hWnd, BM_SETSTATE, bHighlight, 0);
}

UINT CButton::GetButtonStyle() const { return GetStyle() & 0xff; }

void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
    if (m_hWnd != nullptr) ::SendMessageW(m_hWnd, BM_SETSTYLE, nStyle & 0xffff, bRedraw);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM) return FALSE;
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult != nullptr) *pResult = TRUE;
    return TRUE;
}

// ---------------------------------------------------------------- bitmap buttons

BOOL CBitmapButton::LoadBitmaps(UINT a, UINT b, UINT c, UINT d) {
    return LoadBitmaps(MAKEINTRESOURCEA(a), b != 0 ? MAKEINTRESOURCEA(b) : nullptr,
                       c != 0 ? MAKEINTRESOURCEA(c) : nullptr, d != 0 ? MAKEINTRESOURCEA(d) : nullptr);
}

BOOL CBitmapButton::LoadBitmaps(LPCSTR a, LPCSTR b, LPCSTR c, LPCSTR d) {
    CBitmap* slots[] = {&m_bitmap, &m_bitmapSel, &m_bitmapFocus, &m_bitmapDisabled};
    LPCSTR names[] = {a, b, c, d};
    BOOL ok = TRUE;
    for (int i = 0; i < 4; ++i) {
        slots[i]->DeleteObject();
        if (names[i] == nullptr) {
            if (i == 0) ok = FALSE;
            continue;
        }
        HANDLE bm = ::LoadImageA(AfxGetResourceHandle(), names[i], IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        if (bm == nullptr || !slots[i]->Attach(bm)) {
            if (bm != nullptr) ::DeleteObject(bm);
            ok = FALSE;
            if (i == 0) return FALSE;
        }
    }
    return ok;
}

void CBitmapButton::SizeToContent() {
    BITMAP bm{};
    if (m_bitmap.m_hObject == nullptr || m_hWnd == nullptr ||
        ::GetObjectW(m_bitmap.m_hObject, sizeof(bm), &bm) == 0)
        return;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    if (lpDIS == nullptr) return;
    CBitmap* pick = &m_bitmap;
    if ((lpDIS->itemState & ODS_SELECTED) && m_bitmapSel.m_hObject != nullptr) pick = &m_bitmapSel;
    else if ((lpDIS->itemState & ODS_FOCUS) && m_bitmapFocus.m_hObject != nullptr) pick = &m_bitmapFocus;
    else if ((lpDIS->itemState & ODS_DISABLED) && m_bitmapDisabled.m_hObject != nullptr) pick = &m_bitmapDisabled;
    if (pick->m_hObject == nullptr) return;
    HDC mem = ::CreateCompatibleDC(lpDIS->hDC);
    if (mem == nullptr) return;
    HGDIOBJ old = ::SelectObject(mem, pick->m_hObject);
    const RECT& r = lpDIS->rcItem;
    ::BitBlt(lpDIS->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
}

// ---------------------------------------------------------------- tooltips

struct CToolTipCtrl::State {};

CToolTipCtrl::CToolTipCtrl() : m_pState(nullptr) {}
CToolTipCtrl::~CToolTipCtrl() = default;  // the window goes with the object (CWnd)

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
    if (m_hWnd != nullptr || !InitCommonControlClasses()) return FALSE;
    HWND parent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
    HWND h = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                               AfxGetInstanceHandle(), nullptr);
    if (h == nullptr) return FALSE;
    if (!Bind(this, h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    return TRUE;
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr || m_hWnd == nullptr) return FALSE;
    TOOLINFOA ti = ToolInfo(pWnd->m_hWnd, nIDTool, lpRectTool);
    ti.lpszText = const_cast<LPSTR>(lpszText);
    return static_cast<BOOL>(::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr || m_hWnd == nullptr) return FALSE;
    TOOLINFOA ti = ToolInfo(pWnd->m_hWnd, nIDTool, lpRectTool);
    // The text is the module's string nIDText, which the control loads.
    ti.hinst = AfxGetResourceHandle();
    ti.lpszText = MAKEINTRESOURCEA(nIDText);
    return static_cast<BOOL>(::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr || m_hWnd == nullptr) return;
    TOOLINFOA ti = ToolInfo(pWnd->m_hWnd, nIDTool, nullptr);
    ::SendMessageA(m_hWnd, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

int CToolTipCtrl::GetToolCount() const {
    return m_hWnd != nullptr ? static_cast<int>(::SendMessageA(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

void CToolTipCtrl::GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool) const {
    str = "";
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr || m_hWnd == nullptr) return;
    char buf[1024] = "";
    TOOLINFOA ti = ToolInfo(pWnd->m_hWnd, nIDTool, nullptr);
    ti.lpszText = buf;
    // (wParam: the buffer's size, for the versions of the control that take it.)
    ::SendMessageA(m_hWnd, TTM_GETTEXTA, sizeof(buf), reinterpret_cast<LPARAM>(&ti));
    buf[sizeof(buf) - 1] = '\0';
    str = buf;
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr || m_hWnd == nullptr) return;
    TOOLINFOA ti = ToolInfo(pWnd->m_hWnd, nIDTool, nullptr);
    ti.lpszText = const_cast<LPSTR>(lpszText);
    ::SendMessageA(m_hWnd, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::Activate(BOOL bActivate) {
    if (m_hWnd != nullptr) ::SendMessageA(m_hWnd, TTM_ACTIVATE, bActivate, 0);
}

void CToolTipCtrl::RelayEvent(LPMSG lpMsg) {
    if (m_hWnd != nullptr && lpMsg != nullptr) ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg));
}

void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime) {
    if (m_hWnd != nullptr)
        ::SendMessageA(m_hWnd, TTM_SETDELAYTIME, static_cast<WPARAM>(iTime), MAKELPARAM(LOWORD(dwDuration), 0));
}

void CToolTipCtrl::SetDelayTime(UINT nDelay) {
    if (m_hWnd != nullptr) ::SendMessageA(m_hWnd, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(LOWORD(nDelay), 0));
}

void CToolTipCtrl::Pop() {
    if (m_hWnd != nullptr) ::SendMessageA(m_hWnd, TTM_POP, 0, 0);
}

// ---------------------------------------------------------------- trackbars

BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (!InitCommonControlClasses()) return FALSE;
    return CreateChild(this, TRACKBAR_CLASSW, "", dwStyle, rect, pParentWnd, nID);
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
    if (m_hWnd == nullptr) return;
    ::SendMessageW(m_hWnd, TBM_SETRANGEMIN, FALSE, nMin);
    ::SendMessageW(m_hWnd, TBM_SETRANGEMAX, bRedraw, nMax);
}

void CSliderCtrl::SetPos(int nPos) {
    if (m_hWnd != nullptr) ::SendMessageW(m_hWnd, TBM_SETPOS, TRUE, nPos);
}

int CSliderCtrl::GetPos() const {
    return m_hWnd != nullptr ? static_cast<int>(::SendMessageW(m_hWnd, TBM_GETPOS, 0, 0)) : 0;
}
