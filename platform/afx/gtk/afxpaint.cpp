// Painting of windows: each top-level window keeps its client area's pixels
// in a surface that its device contexts draw into and that the screen shows;
// update regions, BeginPaint and EndPaint, and the WM_PAINT rounds run from
// the user-interface loop once nothing else is pending.
#include <algorithm>
#include <vector>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

guint g_paintSource = 0;

bool Painted(HWND h) { return h->kind == AFX_KIND_STATIC || h->kind == AFX_KIND_OWNERBUTTON; }

bool HasUpdate(HWND h) { return h->update != nullptr && !cairo_region_is_empty(h->update); }

void ClearUpdate(HWND h) {
    if (h->update != nullptr) cairo_region_destroy(h->update);
    h->update = nullptr;
    h->erase = false;
}

void PaintOne(HWND h) {
    if (!Alive(h) || !HasUpdate(h)) return;
    if (Ended(h)) {
        ClearUpdate(h);
        return;
    }
    SendMessage(h, WM_PAINT, 0, 0);
    // A handler that never began painting leaves the region validated all
    // the same, so that painting does not run in circles.
    if (Alive(h) && !h->inPaint) ClearUpdate(h);
}

gboolean RunPaints(gpointer) {
    g_paintSource = 0;
    std::vector<HWND> tops;
    for (HWND h : g_windows)
        if (h->parent == nullptr && h->backing != nullptr) tops.push_back(h);
    for (HWND top : tops) {
        if (!Alive(top)) continue;
        if (top->painted != nullptr) cairo_region_destroy(top->painted);
        top->painted = cairo_region_create();
        PaintOne(top);
        if (!Alive(top)) continue;
        std::vector<HWND> children = top->children;
        for (HWND c : children)
            if (Alive(c) && Painted(c)) PaintOne(c);
        if (Alive(top) && top->painted != nullptr) {
            cairo_region_destroy(top->painted);
            top->painted = nullptr;
        }
    }
    return G_SOURCE_REMOVE;
}

gboolean OnClientDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    HWND h = static_cast<HWND>(data);
    if (!Alive(h) || h->backing == nullptr) return FALSE;
    cairo_set_source_surface(cr, h->backing, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    return FALSE;  // the children draw over it
}

int ClientHeight(HWND h) { return h->parent == nullptr ? std::max(0, h->cy - h->captionHeight) : h->cy; }

}  // namespace

namespace afximpl {

void SchedulePaint() {
    if (g_paintSource == 0) g_paintSource = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RunPaints, nullptr, nullptr);
}

RECT ClientRectInTop(HWND h) {
    if (h->parent == nullptr) return RECT{0, 0, h->cx, ClientHeight(h)};
    RECT p = ClientRectInTop(h->parent);
    return RECT{p.left + h->x, p.top + h->y, p.left + h->x + h->cx, p.top + h->y + h->cy};
}

void EnsureBacking(HWND top) {
    if (top == nullptr || top->parent != nullptr || top->client == nullptr) return;
    int w = std::max(1, top->cx), hgt = std::max(1, ClientHeight(top));
    if (top->backing != nullptr && cairo_image_surface_get_width(top->backing) == w &&
        cairo_image_surface_get_height(top->backing) == hgt)
        return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, hgt);
    cairo_t* cr = cairo_create(s);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    cairo_set_source_rgb(cr, GetRValue(face) / 255.0, GetGValue(face) / 255.0, GetBValue(face) / 255.0);
    cairo_paint(cr);
    if (top->backing != nullptr) {
        cairo_set_source_surface(cr, top->backing, 0, 0);
        cairo_paint(cr);
        cairo_surface_destroy(top->backing);
    }
    cairo_destroy(cr);
    top->backing = s;
    InvalidateWindow(top, nullptr, true);
}

void FreePaintState(HWND h) {
    ClearUpdate(h);
    if (h->backing != nullptr) cairo_surface_destroy(h->backing);
    h->backing = nullptr;
    if (h->painted != nullptr) cairo_region_destroy(h->painted);
    h->painted = nullptr;
    if (h->ownFont != nullptr) DeleteObject(h->ownFont);
    h->ownFont = nullptr;
}

void InvalidateWindow(HWND h, const RECT* r, bool erase) {
    if (!Alive(h)) return;
    if (h->parent != nullptr && !Painted(h)) return;  // toolkit widgets draw themselves
    cairo_rectangle_int_t all{0, 0, h->cx, ClientHeight(h)};
    cairo_rectangle_int_t rect = all;
    if (r != nullptr) {
        cairo_rectangle_int_t asked{std::min(r->left, r->right), std::min(r->top, r->bottom), std::abs(r->right - r->left),
                                    std::abs(r->bottom - r->top)};
        if (!gdk_rectangle_intersect(&asked, &all, &rect)) return;
    }
    if (h->update == nullptr) h->update = cairo_region_create();
    cairo_region_union_rectangle(h->update, &rect);
    if (erase) h->erase = true;
    // Dialogs do not clip their children: the children under the area are
    // painted again after it.
    if (h->parent == nullptr) {
        for (HWND c : h->children) {
            if (!Painted(c) || !(c->style & WS_VISIBLE)) continue;
            RECT cr{rect.x - c->x, rect.y - c->y, rect.x + rect.width - c->x, rect.y + rect.height - c->y};
            RECT cc{0, 0, c->cx, c->cy};
            if (cr.right <= cc.left || cr.left >= cc.right || cr.bottom <= cc.top || cr.top >= cc.bottom) continue;
            InvalidateWindow(c, &cr, true);
        }
    }
    SchedulePaint();
}

void QueueScreen(HWND top, const cairo_rectangle_int_t& r) {
    if (Alive(top) && top->client != nullptr && r.width > 0 && r.height > 0)
        gtk_widget_queue_draw_area(top->client, r.x, r.y, r.width, r.height);
}

void ConnectPainting(HWND top) {
    gtk_widget_set_app_paintable(top->client, TRUE);
    g_signal_connect(top->client, "draw", G_CALLBACK(OnClientDraw), top);
    EnsureBacking(top);
}

void EraseParentUnder(HWND h, HDC, const RECT& r) {
    HWND p = h->parent;
    if (p == nullptr || !Alive(p) || p->pWnd == nullptr) return;
    cairo_rectangle_int_t rect{r.left + h->x, r.top + h->y, r.right - r.left, r.bottom - r.top};
    cairo_region_t* rgn = cairo_region_create_rectangle(&rect);
    if (p->painted != nullptr) cairo_region_subtract(rgn, p->painted);
    if (!cairo_region_is_empty(rgn)) {
        HDC dc = GetDC(p);
        if (dc != nullptr) {
            dc->paintRgn = rgn;
            rgn = nullptr;
            SendMessage(p, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            ReleaseDC(p, dc);
        }
    }
    if (rgn != nullptr) cairo_region_destroy(rgn);
}

}  // namespace afximpl

// ---------------------------------------------------------------- Win32 calls

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (lpPaint == nullptr) return nullptr;
    *lpPaint = PAINTSTRUCT{};
    if (!Alive(hWnd)) return nullptr;
    HDC dc = GetDC(hWnd);
    if (dc == nullptr) return nullptr;
    cairo_rectangle_int_t none{0, 0, 0, 0};
    dc->paintRgn = HasUpdate(hWnd) ? cairo_region_copy(hWnd->update) : cairo_region_create_rectangle(&none);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(dc->paintRgn, &e);
    lpPaint->hdc = dc;
    lpPaint->rcPaint = RECT{e.x, e.y, e.x + e.width, e.y + e.height};
    bool erase = hWnd->erase;
    if (hWnd->update != nullptr) cairo_region_destroy(hWnd->update);
    hWnd->update = nullptr;
    hWnd->erase = false;
    hWnd->inPaint = true;
    HWND top = TopOf(hWnd);
    if (hWnd == top && top->painted != nullptr) {
        // What shows under its transparent children from now on.
        cairo_region_t* p = cairo_region_copy(dc->paintRgn);
        RECT r = ClientRectInTop(hWnd);
        cairo_region_translate(p, r.left, r.top);
        cairo_region_union(top->painted, p);
        cairo_region_destroy(p);
    }
    lpPaint->fErase = FALSE;
    if (erase) lpPaint->fErase = SendMessage(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (lpPaint == nullptr || lpPaint->hdc == nullptr) return FALSE;
    if (Alive(hWnd)) hWnd->inPaint = false;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (!Alive(hWnd)) return FALSE;
    InvalidateWindow(hWnd, lpRect, bErase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
    if (!Alive(hWnd)) return FALSE;
    if (lpRect == nullptr) {
        ClearUpdate(hWnd);
    } else if (hWnd->update != nullptr) {
        cairo_rectangle_int_t r{lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top};
        cairo_region_subtract_rectangle(hWnd->update, &r);
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
    if (!Alive(hWnd) || !HasUpdate(hWnd)) {
        if (lpRect != nullptr) *lpRect = RECT{0, 0, 0, 0};
        return FALSE;
    }
    cairo_rectangle_int_t e;
    cairo_region_get_extents(hWnd->update, &e);
    if (lpRect != nullptr) *lpRect = RECT{e.x, e.y, e.x + e.width, e.y + e.height};
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    if (!Alive(hWnd)) return FALSE;
    HWND top = TopOf(hWnd);
    bool own = top->painted == nullptr;
    if (own) top->painted = cairo_region_create();
    PaintOne(hWnd);
    if (Alive(hWnd) && hWnd == top) {
        std::vector<HWND> children = top->children;
        for (HWND c : children)
            if (Alive(c) && Painted(c)) PaintOne(c);
    }
    if (own && Alive(top) && top->painted != nullptr) {
        cairo_region_destroy(top->painted);
        top->painted = nullptr;
    }
    return TRUE;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN, UINT flags) {
    if (!Alive(hWnd)) return FALSE;
    if (flags & RDW_INVALIDATE) InvalidateWindow(hWnd, lprcUpdate, (flags & RDW_ERASE) != 0);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hWnd);
    return TRUE;
}

// ---------------------------------------------------------------- CWnd

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void*, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, nullptr, flags);
}
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* pDC) { return pDC != nullptr ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0; }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont != nullptr ? pFont->m_hObject : nullptr), bRedraw);
}
CFont* CWnd::GetFont() const {
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0)));
}

CWnd* CWnd::GetDesktopWindow() {
    static CWnd desktop;
    desktop.m_hWnd = DesktopHandle();
    return &desktop;
}
