// Device contexts: of windows (their client pixels), of memory (a selected
// bitmap) and of the screen; selection, saved states, attributes and the
// pixel transfers between them.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

std::set<HDC>& LiveDcs() {
    static auto* s = new std::set<HDC>;
    return *s;
}

HDC NewDc(bool memory, HWND hwnd, bool whole) {
    HDC d = new HDC__;
    d->memory = memory;
    d->hwnd = hwnd;
    d->whole = whole;
    d->st.brush = static_cast<BrushObject*>(GdiOf(GetStockObject(WHITE_BRUSH)));
    d->st.pen = static_cast<PenObject*>(GdiOf(GetStockObject(BLACK_PEN)));
    d->st.font = static_cast<FontObject*>(GdiOf(GetStockObject(SYSTEM_FONT)));
    d->st.palette = static_cast<PaletteObject*>(GdiOf(GetStockObject(DEFAULT_PALETTE)));
    if (memory) {
        static BitmapObject* mono = [] {
            BitmapObject* b = NewBitmap(1, 1, 1);
            b->stock = true;
            return b;
        }();
        d->st.bitmap = mono;
    }
    for (GdiObject* o : std::initializer_list<GdiObject*>{d->st.brush, d->st.pen, d->st.font, d->st.palette, d->st.bitmap})
        if (o != nullptr) ++o->selected;
    LiveDcs().insert(d);
    return d;
}

void ReleaseState(DcState& st) {
    for (GdiObject* o : std::initializer_list<GdiObject*>{st.brush, st.pen, st.font, st.palette, st.bitmap})
        ReleaseSelection(o);
}

void HoldState(DcState& st) {
    for (GdiObject* o : std::initializer_list<GdiObject*>{st.brush, st.pen, st.font, st.palette, st.bitmap})
        if (o != nullptr) ++o->selected;
}

void FreeDc(HDC d) {
    ReleaseState(d->st);
    for (DcState& s : d->saved) ReleaseState(s);
    if (d->paintRgn != nullptr) cairo_region_destroy(d->paintRgn);
    LiveDcs().erase(d);
    ForgetDcWrapper(d);
    delete d;
}

uint32_t* Row(cairo_surface_t* s, int y) {
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(s));
}

}  // namespace

namespace afximpl {

bool DcAlive(HDC h) { return h != nullptr && LiveDcs().count(h) != 0; }

HWND DesktopHandle() {
    static HWND__ desktop;
    return &desktop;
}

Target::~Target() {
    if (clip != nullptr) cairo_region_destroy(clip);
}

bool AcquireTarget(HDC hdc, Target* t) {
    if (!DcAlive(hdc)) return false;
    cairo_rectangle_int_t bounds{0, 0, 0, 0};
    if (hdc->memory) {
        BitmapObject* b = hdc->st.bitmap;
        if (b == nullptr || b->surface == nullptr) return false;
        if (b->dibSection) SyncSurfaceFromDib(b);
        t->surface = b->surface;
        t->bitmap = b;
        bounds = {0, 0, b->width, b->height};
    } else {
        HWND h = hdc->hwnd;
        if (h == nullptr || h == DesktopHandle() || !Alive(h)) return false;
        HWND top = TopOf(h);
        EnsureBacking(top);
        if (top->backing == nullptr) return false;
        t->surface = top->backing;
        t->top = top;
        RECT r = ClientRectInTop(h);
        t->ox = r.left;
        t->oy = r.top;
        if (hdc->whole && h == top) t->oy -= top->captionHeight;
        if (hdc->whole && h != top) r = RECT{r.left, r.top, r.right, r.bottom};
        bounds = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        cairo_rectangle_int_t surf{0, 0, cairo_image_surface_get_width(top->backing),
                                   cairo_image_surface_get_height(top->backing)};
        gdk_rectangle_intersect(&bounds, &surf, &bounds);
    }
    t->clip = cairo_region_create_rectangle(&bounds);
    if (hdc->st.hasClip) {
        cairo_rectangle_int_t c{hdc->st.clip.left + t->ox, hdc->st.clip.top + t->oy,
                                hdc->st.clip.right - hdc->st.clip.left, hdc->st.clip.bottom - hdc->st.clip.top};
        cairo_region_intersect_rectangle(t->clip, &c);
    }
    if (hdc->paintRgn != nullptr) {
        cairo_region_t* p = cairo_region_copy(hdc->paintRgn);
        cairo_region_translate(p, t->ox, t->oy);
        cairo_region_intersect(t->clip, p);
        cairo_region_destroy(p);
    }
    return !cairo_region_is_empty(t->clip);
}

void CommitTarget(Target* t, const cairo_rectangle_int_t& r) {
    if (t->bitmap != nullptr && t->bitmap->dibSection) SyncDibFromSurface(t->bitmap);
    if (t->top != nullptr) QueueScreen(t->top, r);
}

cairo_t* CairoOf(HDC hdc, Target* t) {
    cairo_t* cr = cairo_create(t->surface);
    int n = cairo_region_num_rectangles(t->clip);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(t->clip, i, &r);
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    }
    cairo_clip(cr);
    cairo_translate(cr, t->ox + hdc->st.org.x, t->oy + hdc->st.org.y);
    return cr;
}

void FillPixels(HDC hdc, const RECT& rc, uint32_t pixel) {
    Target t;
    if (!AcquireTarget(hdc, &t)) return;
    int ox = t.ox + hdc->st.org.x, oy = t.oy + hdc->st.org.y;
    cairo_rectangle_int_t all{std::min(rc.left, rc.right) + ox, std::min(rc.top, rc.bottom) + oy,
                              std::abs(rc.right - rc.left), std::abs(rc.bottom - rc.top)};
    cairo_region_t* area = cairo_region_create_rectangle(&all);
    cairo_region_intersect(area, t.clip);
    cairo_surface_flush(t.surface);
    for (int k = 0; k < cairo_region_num_rectangles(area); ++k) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(area, k, &r);
        for (int y = r.y; y < r.y + r.height; ++y) std::fill_n(Row(t.surface, y) + r.x, r.width, pixel);
    }
    cairo_surface_mark_dirty(t.surface);
    cairo_rectangle_int_t ext;
    cairo_region_get_extents(area, &ext);
    cairo_region_destroy(area);
    CommitTarget(&t, ext);
}

}  // namespace afximpl

// ---------------------------------------------------------------- contexts

HWND GetDesktopWindow() { return DesktopHandle(); }

HDC GetDC(HWND hWnd) {
    if (hWnd != nullptr && hWnd != DesktopHandle() && !Alive(hWnd)) return nullptr;
    return NewDc(false, hWnd != nullptr ? hWnd : DesktopHandle(), false);
}

HDC GetWindowDC(HWND hWnd) {
    if (hWnd != nullptr && hWnd != DesktopHandle() && !Alive(hWnd)) return nullptr;
    return NewDc(false, hWnd != nullptr ? hWnd : DesktopHandle(), true);
}

int ReleaseDC(HWND, HDC hDC) {
    if (!DcAlive(hDC) || hDC->memory) return 0;
    FreeDc(hDC);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && !DcAlive(hdc)) return nullptr;
    return NewDc(true, nullptr, false);
}

BOOL DeleteDC(HDC hdc) {
    if (!DcAlive(hdc)) return FALSE;
    FreeDc(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    GdiObject* o = GdiOf(h);
    if (!DcAlive(hdc) || o == nullptr) return nullptr;
    GdiObject* old = nullptr;
    switch (o->type) {
        case OBJ_BRUSH: old = hdc->st.brush; hdc->st.brush = static_cast<BrushObject*>(o); break;
        case OBJ_PEN: old = hdc->st.pen; hdc->st.pen = static_cast<PenObject*>(o); break;
        case OBJ_FONT: old = hdc->st.font; hdc->st.font = static_cast<FontObject*>(o); break;
        case OBJ_BITMAP: {
            // Only into memory contexts, and into one context at a time.
            auto* b = static_cast<BitmapObject*>(o);
            if (!hdc->memory || (b->selected > 0 && b != hdc->st.bitmap && !b->stock)) return nullptr;
            old = hdc->st.bitmap;
            hdc->st.bitmap = b;
            break;
        }
        default:
            return nullptr;
    }
    ++o->selected;
    HGDIOBJ oldHandle = HandleOf(old);
    ReleaseSelection(old);
    return oldHandle;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    if (!DcAlive(hdc)) return nullptr;
    switch (type) {
        case OBJ_BRUSH: return HandleOf(hdc->st.brush);
        case OBJ_PEN: return HandleOf(hdc->st.pen);
        case OBJ_FONT: return HandleOf(hdc->st.font);
        case OBJ_PAL: return HandleOf(hdc->st.palette);
        case OBJ_BITMAP: return HandleOf(hdc->st.bitmap);
        default: return nullptr;
    }
}

int SaveDC(HDC hdc) {
    if (!DcAlive(hdc)) return 0;
    hdc->saved.push_back(hdc->st);
    HoldState(hdc->saved.back());
    return static_cast<int>(hdc->saved.size());
}

BOOL RestoreDC(HDC hdc, int nSavedDC) {
    if (!DcAlive(hdc) || hdc->saved.empty()) return FALSE;
    int n = static_cast<int>(hdc->saved.size());
    int level = nSavedDC < 0 ? n + 1 + nSavedDC : nSavedDC;
    if (level < 1 || level > n) return FALSE;
    DcState st = hdc->saved[static_cast<size_t>(level - 1)];
    ReleaseState(hdc->st);
    hdc->st = st;  // the saved state's holds move to the current one
    for (int i = n - 1; i >= level; --i) ReleaseState(hdc->saved[static_cast<size_t>(i)]);
    hdc->saved.resize(static_cast<size_t>(level - 1));
    return TRUE;
}

#define DC_ATTR(type, Set, Get, field, fail)        \
    type Set(HDC hdc, type v) {                     \
        if (!DcAlive(hdc)) return fail;             \
        type old = hdc->st.field;                   \
        hdc->st.field = v;                          \
        return old;                                 \
    }                                               \
    type Get(HDC hdc) { return DcAlive(hdc) ? hdc->st.field : fail; }

int SetBkMode(HDC hdc, int mode) {
    if (!DcAlive(hdc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = hdc->st.bkMode;
    hdc->st.bkMode = mode;
    return old;
}
int GetBkMode(HDC hdc) { return DcAlive(hdc) ? hdc->st.bkMode : 0; }
DC_ATTR(COLORREF, SetBkColor, GetBkColor, bkColor, CLR_INVALID)
DC_ATTR(COLORREF, SetTextColor, GetTextColor, textColor, CLR_INVALID)
int SetStretchBltMode(HDC hdc, int mode) {
    if (!DcAlive(hdc) || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    int old = hdc->st.stretchMode;
    hdc->st.stretchMode = mode;
    return old;
}
int GetStretchBltMode(HDC hdc) { return DcAlive(hdc) ? hdc->st.stretchMode : 0; }

int GetDeviceCaps(HDC hdc, int index) {
    if (!DcAlive(hdc)) return 0;
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case BITSPIXEL: return hdc->memory && hdc->st.bitmap != nullptr && hdc->st.bitmap->bpp == 1 ? 1 : 32;
        case PLANES: return 1;
        case NUMCOLORS: return -1;
        case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;  // no RC_PALETTE
        case SIZEPALETTE:
        case NUMRESERVED: return 0;
        case COLORRES: return 24;
        case HORZRES:
        case VERTRES: {
            GdkDisplay* d = gdk_display_get_default();
            GdkMonitor* m = d != nullptr ? gdk_display_get_primary_monitor(d) : nullptr;
            if (m == nullptr && d != nullptr) m = gdk_display_get_monitor(d, 0);
            GdkRectangle r{0, 0, 1024, 768};
            if (m != nullptr) gdk_monitor_get_geometry(m, &r);
            return index == HORZRES ? r.width : r.height;
        }
        default: return 0;
    }
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (!DcAlive(hdc)) return FALSE;
    if (lppt != nullptr) *lppt = hdc->st.org;
    hdc->st.org = POINT{x, y};
    return TRUE;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    if (!DcAlive(hdc)) return RGN_ERROR;
    RECT r{left + hdc->st.org.x, top + hdc->st.org.y, right + hdc->st.org.x, bottom + hdc->st.org.y};
    if (hdc->st.hasClip) {
        r.left = std::max(r.left, hdc->st.clip.left);
        r.top = std::max(r.top, hdc->st.clip.top);
        r.right = std::min(r.right, hdc->st.clip.right);
        r.bottom = std::min(r.bottom, hdc->st.clip.bottom);
    }
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    hdc->st.hasClip = true;
    hdc->st.clip = r;
    return r.right > r.left && r.bottom > r.top ? SIMPLEREGION : NULLREGION;
}

int GetClipBox(HDC hdc, LPRECT lprect) {
    if (lprect == nullptr) return RGN_ERROR;
    *lprect = RECT{0, 0, 0, 0};
    Target t;
    if (!DcAlive(hdc)) return RGN_ERROR;
    if (!AcquireTarget(hdc, &t)) return NULLREGION;
    cairo_rectangle_int_t e;
    cairo_region_get_extents(t.clip, &e);
    int ox = t.ox + hdc->st.org.x, oy = t.oy + hdc->st.org.y;
    *lprect = RECT{e.x - ox, e.y - oy, e.x + e.width - ox, e.y + e.height - oy};
    return cairo_region_num_rectangles(t.clip) > 1 ? COMPLEXREGION : SIMPLEREGION;
}

// ---------------------------------------------------------------- transfers

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop) {
    if (!DcAlive(hdcDest) || wDest == 0 || hDest == 0) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(hdcDest, xDest, yDest, wDest, hDest, rop);
    if (!DcAlive(hdcSrc) || wSrc == 0 || hSrc == 0) return FALSE;
    if (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT && rop != SRCINVERT) return FALSE;
    Target src;
    bool haveSrc = AcquireTarget(hdcSrc, &src);
    // The source is read whole first: the two contexts may share a surface.
    int sw = std::abs(wSrc), sh = std::abs(hSrc);
    int sx0 = wSrc < 0 ? xSrc + wSrc + 1 : xSrc, sy0 = hSrc < 0 ? ySrc + hSrc + 1 : ySrc;
    std::vector<uint32_t> pixels(static_cast<size_t>(sw) * sh, 0);
    if (haveSrc) {
        cairo_surface_flush(src.surface);
        int sox = src.ox + hdcSrc->st.org.x, soy = src.oy + hdcSrc->st.org.y;
        int W = cairo_image_surface_get_width(src.surface), H = cairo_image_surface_get_height(src.surface);
        for (int y = 0; y < sh; ++y) {
            int yy = sy0 + y + soy;
            if (yy < 0 || yy >= H) continue;
            const uint32_t* row = Row(src.surface, yy);
            for (int x = 0; x < sw; ++x) {
                int xx = sx0 + x + sox;
                if (xx >= 0 && xx < W) pixels[static_cast<size_t>(y) * sw + x] = row[xx] & 0xffffff;
            }
        }
    }
    Target t;
    if (!AcquireTarget(hdcDest, &t)) return TRUE;
    bool flipX = (wDest < 0) != (wSrc < 0), flipY = (hDest < 0) != (hSrc < 0);
    int dw = std::abs(wDest), dh = std::abs(hDest);
    int dx0 = wDest < 0 ? xDest + wDest + 1 : xDest, dy0 = hDest < 0 ? yDest + hDest + 1 : yDest;
    int ox = t.ox + hdcDest->st.org.x, oy = t.oy + hdcDest->st.org.y;
    cairo_rectangle_int_t all{dx0 + ox, dy0 + oy, dw, dh};
    cairo_region_t* area = cairo_region_create_rectangle(&all);
    cairo_region_intersect(area, t.clip);
    cairo_surface_flush(t.surface);
    for (int k = 0; k < cairo_region_num_rectangles(area); ++k) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(area, k, &r);
        for (int y = r.y; y < r.y + r.height; ++y) {
            int j = static_cast<int>((static_cast<long long>(y - dy0 - oy) * 2 + 1) * sh / (2LL * dh));
            if (flipY) j = sh - 1 - j;
            uint32_t* out = Row(t.surface, y);
            for (int x = r.x; x < r.x + r.width; ++x) {
                int i = static_cast<int>((static_cast<long long>(x - dx0 - ox) * 2 + 1) * sw / (2LL * dw));
                if (flipX) i = sw - 1 - i;
                uint32_t s = pixels[static_cast<size_t>(j) * sw + i], d = out[x] & 0xffffff;
                out[x] = rop == SRCCOPY ? s : rop == SRCAND ? (s & d) : rop == SRCPAINT ? (s | d) : (s ^ d);
            }
        }
    }
    cairo_surface_mark_dirty(t.surface);
    cairo_rectangle_int_t ext;
    cairo_region_get_extents(area, &ext);
    cairo_region_destroy(area);
    CommitTarget(&t, ext);
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (!DcAlive(hdc)) return FALSE;
    uint32_t p = 0;
    if (rop == WHITENESS) {
        p = 0xffffff;
    } else if (rop == PATCOPY) {
        if (hdc->st.brush == nullptr || hdc->st.brush->hollow) return TRUE;
        p = PixelOf(hdc->st.brush->color);
    } else if (rop != BLACKNESS) {
        return FALSE;
    }
    FillPixels(hdc, RECT{x, y, x + w, y + h}, p);
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Target t;
    if (!AcquireTarget(hdc, &t)) return CLR_INVALID;
    int px = x + t.ox + hdc->st.org.x, py = y + t.oy + hdc->st.org.y;
    if (!cairo_region_contains_point(t.clip, px, py)) return CLR_INVALID;
    cairo_surface_flush(t.surface);
    return ColorOf(Row(t.surface, py)[px]);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    FillPixels(hdc, RECT{x, y, x + 1, y + 1}, PixelOf(color));
    return color & 0xffffff;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    auto* b = GdiAs<BrushObject>(hbr, OBJ_BRUSH);
    if (!DcAlive(hDC) || lprc == nullptr || b == nullptr) return 0;
    if (!b->hollow && lprc->right > lprc->left && lprc->bottom > lprc->top) FillPixels(hDC, *lprc, PixelOf(b->color));
    return 1;
}

namespace {

void StrokeSetup(cairo_t* cr, PenObject* pen) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, GetRValue(pen->color) / 255.0, GetGValue(pen->color) / 255.0, GetBValue(pen->color) / 255.0);
    cairo_set_line_width(cr, pen->width);
}

}  // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    if (!DcAlive(hdc)) return FALSE;
    if (hdc->st.brush != nullptr && !hdc->st.brush->hollow)
        FillPixels(hdc, RECT{left, top, right, bottom}, PixelOf(hdc->st.brush->color));
    PenObject* pen = hdc->st.pen;
    if (pen == nullptr || pen->style == PS_NULL) return TRUE;
    Target t;
    if (!AcquireTarget(hdc, &t)) return TRUE;
    cairo_t* cr = CairoOf(hdc, &t);
    StrokeSetup(cr, pen);
    cairo_rectangle(cr, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(t.clip, &e);
    CommitTarget(&t, e);
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (!DcAlive(hdc)) return FALSE;
    if (lppt != nullptr) *lppt = hdc->st.pos;
    hdc->st.pos = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    if (!DcAlive(hdc)) return FALSE;
    POINT from = hdc->st.pos;
    hdc->st.pos = POINT{x, y};
    PenObject* pen = hdc->st.pen;
    Target t;
    if (pen == nullptr || pen->style == PS_NULL || !AcquireTarget(hdc, &t)) return TRUE;
    cairo_t* cr = CairoOf(hdc, &t);
    StrokeSetup(cr, pen);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, x + 0.5, y + 0.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_rectangle_int_t e;
    cairo_region_get_extents(t.clip, &e);
    CommitTarget(&t, e);
    return TRUE;
}

// ---------------------------------------------------------------- palettes

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
    auto* p = GdiAs<PaletteObject>(hPal, OBJ_PAL);
    if (!DcAlive(hdc) || p == nullptr) return nullptr;
    PaletteObject* old = hdc->st.palette;
    hdc->st.palette = p;
    ++p->selected;
    HPALETTE oldHandle = reinterpret_cast<HPALETTE>(HandleOf(old));
    ReleaseSelection(old);
    return oldHandle;
}

namespace {
std::atomic<RealizePaletteHookForTesting> g_realizeHook{nullptr};
}  // namespace

void SetRealizePaletteHookForTesting(RealizePaletteHookForTesting hook) { g_realizeHook.store(hook); }

// The display has no hardware palette: realising maps no entry.
UINT RealizePalette(HDC hdc) {
    if (!DcAlive(hdc)) return GDI_ERROR;
    if (RealizePaletteHookForTesting hook = g_realizeHook.load())
        return hook(hdc, reinterpret_cast<HPALETTE>(HandleOf(hdc->st.palette)));
    return 0;
}
