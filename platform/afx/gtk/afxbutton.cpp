// Controls the layer draws itself: static texts and owner-drawn buttons
// (painted into their dialog's pixels, with WM_CTLCOLOR* and WM_DRAWITEM),
// the toolkit's push buttons and trackbars; the default processing of the
// drawing messages; window classes.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

HFONT FontOf(HWND h) {
    if (h->font != nullptr) return h->font;
    HWND top = TopOf(h);
    return top != nullptr ? top->ownFont : nullptr;
}

// Fills behind a control what its parent's WM_CTLCOLOR* answers: a hollow
// brush lets the parent's background show through.
void EraseControl(HWND h, HDC dc, UINT message, const RECT& area) {
    HBRUSH br = reinterpret_cast<HBRUSH>(SendMessage(h->parent, message, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(h)));
    if (!Alive(h)) return;
    auto* b = GdiAs<BrushObject>(br, OBJ_BRUSH);
    if (b != nullptr && b->hollow) {
        EraseParentUnder(h, dc, area);
    } else {
        RECT all{0, 0, h->cx, h->cy};
        FillRect(dc, &all, b != nullptr ? br : GetSysColorBrush(COLOR_BTNFACE));
    }
}

void PaintStatic(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc == nullptr) return;
    EraseControl(h, dc, WM_CTLCOLORSTATIC, ps.rcPaint);
    if (Alive(h)) {
        HFONT f = FontOf(h);
        if (f != nullptr) SelectObject(dc, f);
        UINT format = DT_WORDBREAK;
        if (h->style & SS_CENTER) format |= DT_CENTER;
        if ((h->style & 0x3) == SS_RIGHT) format = (format & ~DT_CENTER) | DT_RIGHT;
        if (h->style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
        if (h->style & SS_NOPREFIX) format |= DT_NOPREFIX;
        RECT rc{0, 0, h->cx, h->cy};
        DrawText(dc, h->text, -1, &rc, format);
    }
    EndPaint(h, &ps);
}

void PaintOwnerButton(HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc == nullptr) return;
    EraseControl(h, dc, WM_CTLCOLORBTN, ps.rcPaint);
    if (Alive(h) && Alive(h->parent)) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = h->id;
        dis.itemAction = ODA_DRAWENTIRE;
        if (h->pushedLook) dis.itemState |= ODS_SELECTED;
        if (h->disabled) dis.itemState |= ODS_DISABLED;
        if (h->widget != nullptr && gtk_widget_has_focus(h->widget)) dis.itemState |= ODS_FOCUS;
        dis.hwndItem = h;
        dis.hDC = dc;
        dis.rcItem = RECT{0, 0, h->cx, h->cy};
        int saved = SaveDC(dc);
        SendMessage(h->parent, WM_DRAWITEM, h->id, reinterpret_cast<LPARAM>(&dis));
        RestoreDC(dc, saved);
    }
    EndPaint(Alive(h) ? h : nullptr, &ps);
}

bool Inside(HWND h, LPARAM lParam) {
    CPoint p(lParam);
    return p.x >= 0 && p.y >= 0 && p.x < h->cx && p.y < h->cy;
}

bool OwnerButtonProc(HWND h, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            if (h->disabled) return true;
            h->pressed = true;
            h->pushedLook = true;
            if (gtk_widget_get_can_focus(h->widget)) gtk_widget_grab_focus(h->widget);
            InvalidateWindow(h, nullptr, true);
            return true;
        case WM_MOUSEMOVE:
            if (h->pressed && Inside(h, lParam) != h->pushedLook) {
                h->pushedLook = !h->pushedLook;
                InvalidateWindow(h, nullptr, true);
            }
            return true;
        case WM_LBUTTONUP: {
            if (!h->pressed) return true;
            h->pressed = false;
            bool click = h->pushedLook && Inside(h, lParam);
            h->pushedLook = false;
            InvalidateWindow(h, nullptr, true);
            if (click && Alive(h->parent))
                SendMessage(h->parent, WM_COMMAND, MAKEWPARAM(h->id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

namespace afximpl {

bool ClassWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
        case WM_SETFONT:
            h->font = reinterpret_cast<HFONT>(wParam);
            if (lParam) InvalidateWindow(h, nullptr, true);
            return true;
        case WM_GETFONT:
            *result = reinterpret_cast<LRESULT>(FontOf(h));
            return true;
        case WM_ERASEBKGND:
            if (h->parent == nullptr && h->backing != nullptr) {
                RECT rc{0, 0, h->cx, h->cy};
                FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
                *result = TRUE;
            } else {
                *result = h->kind == AFX_KIND_STATIC || h->kind == AFX_KIND_OWNERBUTTON;
            }
            return true;
        case WM_PAINT:
            if (h->kind == AFX_KIND_STATIC) {
                PaintStatic(h);
            } else if (h->kind == AFX_KIND_OWNERBUTTON) {
                PaintOwnerButton(h);
            } else {
                PAINTSTRUCT ps;
                if (BeginPaint(h, &ps) != nullptr) EndPaint(h, &ps);
            }
            return true;
        case WM_QUERYNEWPALETTE:
        case WM_PALETTECHANGED:
            return true;
        default:
            break;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_BTNFACE));
        *result = reinterpret_cast<LRESULT>(GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE));
        return true;
    }
    if (h->kind == AFX_KIND_OWNERBUTTON) return OwnerButtonProc(h, message, lParam);
    return false;
}

// A child window of a predefined class ("STATIC", "BUTTON",
// "msctls_trackbar32"), as templates and Create make them.
HWND CreateControlWindow(HWND parent, CWnd* pWnd, LPCSTR cls, LPCSTR text, DWORD style, const RECT& r, UINT id) {
    if (!Alive(parent) || parent->fixed == nullptr) return nullptr;
    GtkWidget* widget = nullptr;
    int kind = AFX_KIND_OTHER;
    std::string utf8 = AfxAnsiToUtf8(text);
    if (cls != nullptr && g_ascii_strcasecmp(cls, "BUTTON") == 0) {
        if ((style & BS_TYPEMASK) == BS_OWNERDRAW) {
            widget = gtk_event_box_new();
            gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget), FALSE);
            gtk_widget_set_can_focus(widget, (style & WS_TABSTOP) != 0);
            kind = AFX_KIND_OWNERBUTTON;
        } else {
            widget = gtk_button_new_with_label(utf8.c_str());
            kind = AFX_KIND_BUTTON;
        }
    } else if (cls != nullptr && g_ascii_strcasecmp(cls, "msctls_trackbar32") == 0) {
        widget = gtk_scale_new_with_range((style & TBS_VERT) ? GTK_ORIENTATION_VERTICAL : GTK_ORIENTATION_HORIZONTAL,
                                          0, 100, 1);
        gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
        kind = AFX_KIND_SLIDER;
    } else {
        if (style & SS_NOTIFY) {
            widget = gtk_event_box_new();
            gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget), FALSE);
        } else {
            widget = gtk_fixed_new();  // draws nothing, takes no input
        }
        kind = AFX_KIND_STATIC;
    }
    HWND c = CreateChild(parent, pWnd, widget, id, style | WS_CHILD, r);
    c->kind = kind;
    c->text = text != nullptr ? text : "";
    c->disabled = (style & WS_DISABLED) != 0;
    if (kind == AFX_KIND_OWNERBUTTON || (kind == AFX_KIND_STATIC && (style & SS_NOTIFY))) ConnectMouse(c, widget, false);
    InvalidateWindow(c, nullptr, true);
    return c;
}

}  // namespace afximpl

// ---------------------------------------------------------------- class names and state

int GetClassName(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    if (!Alive(hWnd) || lpClassName == nullptr || nMaxCount <= 0) return 0;
    const char* name = "Static";
    switch (hWnd->kind) {
        case AFX_KIND_BUTTON:
        case AFX_KIND_OWNERBUTTON: name = "Button"; break;
        case AFX_KIND_SLIDER: name = "msctls_trackbar32"; break;
        case AFX_KIND_TOOLTIP: name = "tooltips_class32"; break;
        case AFX_KIND_STATIC: name = "Static"; break;
        default:
            name = hWnd->parent == nullptr ? "#32770" : hWnd->pWnd != nullptr && hWnd->pWnd->m_pCtrlSite != nullptr
                                                         ? "Shell Embedding" : "Static";
            if (hWnd->kind == AFX_KIND_OTHER && hWnd->parent != nullptr && GTK_IS_BUTTON(hWnd->widget)) name = "Button";
            break;
    }
    lstrcpynA(lpClassName, name, nMaxCount);
    return lstrlenA(lpClassName);
}

HWND GetParent(HWND hWnd) { return Alive(hWnd) ? (hWnd->parent != nullptr ? hWnd->parent : hWnd->owner) : nullptr; }

BOOL IsChild(HWND hWndParent, HWND hWnd) {
    if (!Alive(hWndParent) || !Alive(hWnd)) return FALSE;
    for (HWND p = hWnd->parent; p != nullptr; p = p->parent)
        if (p == hWndParent) return TRUE;
    return FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    if (!Alive(hWnd)) return FALSE;
    BOOL wasDisabled = hWnd->disabled ? TRUE : FALSE;
    hWnd->disabled = !bEnable;
    if (hWnd->widget != nullptr) gtk_widget_set_sensitive(hWnd->widget, bEnable ? TRUE : FALSE);
    InvalidateWindow(hWnd, nullptr, true);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) { return Alive(hWnd) && !hWnd->disabled ? TRUE : FALSE; }

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsChild(const CWnd* pWnd) const { return pWnd != nullptr && ::IsChild(m_hWnd, pWnd->m_hWnd); }

// ---------------------------------------------------------------- controls

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (pParentWnd == nullptr || m_hWnd != nullptr) return FALSE;
    return CreateControlWindow(pParentWnd->m_hWnd, this, "STATIC", lpszText, dwStyle, rect, nID) != nullptr;
}

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (pParentWnd == nullptr || m_hWnd != nullptr) return FALSE;
    return CreateControlWindow(pParentWnd->m_hWnd, this, "BUTTON", lpszCaption, dwStyle, rect, nID) != nullptr;
}

UINT CButton::GetState() const {
    if (!Alive(m_hWnd)) return 0;
    UINT s = m_hWnd->pushedLook ? BST_PUSHED : 0;
    if (m_hWnd->widget != nullptr && gtk_widget_has_focus(m_hWnd->widget)) s |= BST_FOCUS;
    return s;
}

void CButton::SetState(BOOL bHighlight) {
    if (!Alive(m_hWnd)) return;
    m_hWnd->pushedLook = bHighlight != FALSE;
    InvalidateWindow(m_hWnd, nullptr, true);
}

UINT CButton::GetButtonStyle() const { return Alive(m_hWnd) ? (m_hWnd->style & 0xff) : 0; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
    if (!Alive(m_hWnd)) return;
    m_hWnd->style = (m_hWnd->style & ~0xffu) | (nStyle & 0xff);
    if (bRedraw) InvalidateWindow(m_hWnd, nullptr, true);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM) return FALSE;
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult != nullptr) *pResult = TRUE;
    return TRUE;
}

BOOL CBitmapButton::LoadBitmaps(UINT a, UINT b, UINT c, UINT d) {
    return LoadBitmaps(MAKEINTRESOURCE(a), b != 0 ? MAKEINTRESOURCE(b) : nullptr,
                       c != 0 ? MAKEINTRESOURCE(c) : nullptr, d != 0 ? MAKEINTRESOURCE(d) : nullptr);
}

BOOL CBitmapButton::LoadBitmaps(LPCSTR a, LPCSTR b, LPCSTR c, LPCSTR d) {
    m_bitmap.DeleteObject();
    m_bitmapSel.DeleteObject();
    m_bitmapFocus.DeleteObject();
    m_bitmapDisabled.DeleteObject();
    if (a == nullptr || !m_bitmap.LoadBitmap(a)) return FALSE;
    BOOL ok = TRUE;
    if (b != nullptr && !m_bitmapSel.LoadBitmap(b)) ok = FALSE;
    if (c != nullptr && !m_bitmapFocus.LoadBitmap(c)) ok = FALSE;
    if (d != nullptr && !m_bitmapDisabled.LoadBitmap(d)) ok = FALSE;
    return ok;
}

void CBitmapButton::SizeToContent() {
    BITMAP bm{};
    if (m_bitmap.m_hObject == nullptr || !m_bitmap.GetBitmap(&bm) || !Alive(m_hWnd)) return;
    SetWindowPos(nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    if (lpDIS == nullptr) return;
    CBitmap* pick = &m_bitmap;
    if ((lpDIS->itemState & ODS_SELECTED) && m_bitmapSel.m_hObject != nullptr) pick = &m_bitmapSel;
    else if ((lpDIS->itemState & ODS_FOCUS) && m_bitmapFocus.m_hObject != nullptr) pick = &m_bitmapFocus;
    else if ((lpDIS->itemState & ODS_DISABLED) && m_bitmapDisabled.m_hObject != nullptr) pick = &m_bitmapDisabled;
    if (pick->m_hObject == nullptr) return;
    HDC mem = CreateCompatibleDC(lpDIS->hDC);
    HGDIOBJ old = SelectObject(mem, pick->m_hObject);
    const RECT& r = lpDIS->rcItem;
    BitBlt(lpDIS->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (pParentWnd == nullptr || m_hWnd != nullptr) return FALSE;
    return CreateControlWindow(pParentWnd->m_hWnd, this, "msctls_trackbar32", "", dwStyle, rect, nID) != nullptr;
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL) {
    if (!Alive(m_hWnd) || m_hWnd->kind != AFX_KIND_SLIDER || nMax <= nMin) return;
    gtk_range_set_range(GTK_RANGE(m_hWnd->widget), nMin, nMax);
}
void CSliderCtrl::SetPos(int nPos) {
    if (Alive(m_hWnd) && m_hWnd->kind == AFX_KIND_SLIDER) gtk_range_set_value(GTK_RANGE(m_hWnd->widget), nPos);
}
int CSliderCtrl::GetPos() const {
    return Alive(m_hWnd) && m_hWnd->kind == AFX_KIND_SLIDER
               ? static_cast<int>(gtk_range_get_value(GTK_RANGE(m_hWnd->widget)))
               : 0;
}
