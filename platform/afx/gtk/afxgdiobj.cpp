// GDI objects: bitmaps, brushes, pens, fonts and palettes, the stock
// objects, and their framework wrappers.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

std::set<GdiObject*>& Live() {
    static auto* live = new std::set<GdiObject*>;
    return *live;
}

template <class T>
T* Register(T* o) {
    Live().insert(o);
    return o;
}

GdiObject* Stock(int i) {
    static GdiObject* stock[DEFAULT_GUI_FONT + 1] = {};
    if (i < 0 || i > DEFAULT_GUI_FONT) return nullptr;
    if (stock[i] != nullptr) return stock[i];
    GdiObject* o = nullptr;
    auto brush = [](COLORREF c, bool hollow) {
        auto* b = new BrushObject;
        b->color = c;
        b->hollow = hollow;
        return b;
    };
    auto pen = [](COLORREF c, int style) {
        auto* p = new PenObject;
        p->color = c;
        p->style = style;
        return p;
    };
    switch (i) {
        case WHITE_BRUSH: o = brush(RGB(255, 255, 255), false); break;
        case LTGRAY_BRUSH: o = brush(RGB(192, 192, 192), false); break;
        case GRAY_BRUSH: o = brush(RGB(128, 128, 128), false); break;
        case DKGRAY_BRUSH: o = brush(RGB(64, 64, 64), false); break;
        case BLACK_BRUSH: o = brush(RGB(0, 0, 0), false); break;
        case NULL_BRUSH: o = brush(0, true); break;
        case WHITE_PEN: o = pen(RGB(255, 255, 255), PS_SOLID); break;
        case BLACK_PEN: o = pen(RGB(0, 0, 0), PS_SOLID); break;
        case NULL_PEN: o = pen(0, PS_NULL); break;
        case DEFAULT_PALETTE: {
            auto* p = new PaletteObject;
            static const BYTE vga[16][3] = {{0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
                                            {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},
                                            {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
            for (auto& c : vga) p->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
            o = p;
            break;
        }
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FIXED_FONT:
        case ANSI_VAR_FONT:
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        case DEFAULT_GUI_FONT: {
            auto* f = new FontObject;
            bool fixed = i == OEM_FIXED_FONT || i == ANSI_FIXED_FONT || i == SYSTEM_FIXED_FONT;
            f->lf.lfHeight = i == DEFAULT_GUI_FONT || i == ANSI_VAR_FONT ? -11 : 16;
            f->lf.lfWeight = i == SYSTEM_FONT || i == DEVICE_DEFAULT_FONT ? FW_BOLD : FW_NORMAL;
            f->lf.lfPitchAndFamily = fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
            strcpy(f->lf.lfFaceName, fixed ? "Courier" : i == SYSTEM_FONT ? "System" : "MS Shell Dlg");
            f->desc = FontDescriptionOf(f->lf);
            o = f;
            break;
        }
        default:
            return nullptr;
    }
    o->stock = true;
    stock[i] = Register(o);
    return o;
}

void Destroy(GdiObject* o) {
    Live().erase(o);
    ForgetObjectWrapper(HandleOf(o));
    delete o;
}

}  // namespace

namespace afximpl {

BitmapObject::~BitmapObject() {
    if (surface != nullptr) cairo_surface_destroy(surface);
}

FontObject::~FontObject() {
    if (desc != nullptr) pango_font_description_free(desc);
}

GdiObject* GdiOf(const void* handle) {
    auto* o = static_cast<GdiObject*>(const_cast<void*>(handle));
    return o != nullptr && Live().count(o) != 0 ? o : nullptr;
}

HGDIOBJ HandleOf(GdiObject* o) { return reinterpret_cast<HGDIOBJ>(o); }

void ReleaseSelection(GdiObject* o) {
    if (o == nullptr || Live().count(o) == 0) return;
    if (o->selected > 0) --o->selected;
    if (o->selected == 0 && o->doomed) Destroy(o);
}

BitmapObject* NewBitmap(int width, int height, WORD bpp) {
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    auto* b = new BitmapObject;
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->surface = s;
    // A new bitmap is black, as a compatible bitmap starts on Windows.
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return Register(b);
}

BitmapObject* NewDibSection(DibImage&& image) {
    DibLayout l;
    if (!DibLayoutOf(image.hdr, &l)) return nullptr;
    BitmapObject* b = NewBitmap(l.width, l.height, static_cast<WORD>(l.bpp));
    if (b == nullptr) return nullptr;
    b->dibSection = true;
    b->dib = std::move(image);
    b->dib.bits.resize(l.imageSize);
    SyncSurfaceFromDib(b);
    return b;
}

}  // namespace afximpl

// ---------------------------------------------------------------- Win32 calls

HGDIOBJ GetStockObject(int i) { return HandleOf(Stock(i)); }

BOOL DeleteObject(HGDIOBJ ho) {
    GdiObject* o = GdiOf(ho);
    if (o == nullptr) return FALSE;
    if (o->stock) return TRUE;
    if (o->selected > 0) {
        // Windows refuses; the object is freed once no context holds it,
        // so that a wrapper going away never leaves a dangling selection.
        o->doomed = true;
        return FALSE;
    }
    Destroy(o);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h) {
    GdiObject* o = GdiOf(h);
    if (o != nullptr) return o->type;
    return DcAlive(reinterpret_cast<HDC>(h)) ? (reinterpret_cast<HDC>(h)->memory ? OBJ_MEMDC : OBJ_DC) : 0;
}

int GetObject(HGDIOBJ h, int c, LPVOID pv) {
    GdiObject* o = GdiOf(h);
    if (o == nullptr) return 0;
    switch (o->type) {
        case OBJ_BITMAP: {
            auto* b = static_cast<BitmapObject*>(o);
            if (pv == nullptr) return sizeof(BITMAP);
            if (c < static_cast<int>(sizeof(BITMAP))) return 0;
            BITMAP bm{};
            bm.bmWidth = b->width;
            bm.bmHeight = b->height;
            bm.bmWidthBytes = ((b->width * b->bpp + 15) / 16) * 2;
            bm.bmPlanes = 1;
            bm.bmBitsPixel = b->bpp;
            bm.bmBits = b->dibSection ? b->dib.bits.data() : nullptr;
            if (b->dibSection) bm.bmWidthBytes = ((b->width * b->bpp + 31) / 32) * 4;
            memcpy(pv, &bm, sizeof bm);
            return sizeof bm;
        }
        case OBJ_BRUSH: {
            auto* b = static_cast<BrushObject*>(o);
            if (pv == nullptr) return sizeof(LOGBRUSH);
            if (c < static_cast<int>(sizeof(LOGBRUSH))) return 0;
            LOGBRUSH lb{b->hollow ? static_cast<UINT>(BS_NULL) : static_cast<UINT>(BS_SOLID), b->color, 0};
            memcpy(pv, &lb, sizeof lb);
            return sizeof lb;
        }
        case OBJ_FONT: {
            auto* f = static_cast<FontObject*>(o);
            if (pv == nullptr) return sizeof(LOGFONT);
            int n = std::min<int>(c, sizeof(LOGFONT));
            if (n <= 0) return 0;
            memcpy(pv, &f->lf, static_cast<size_t>(n));
            return n;
        }
        case OBJ_PAL: {
            if (pv == nullptr || c < static_cast<int>(sizeof(WORD))) return sizeof(WORD);
            WORD n = static_cast<WORD>(static_cast<PaletteObject*>(o)->entries.size());
            memcpy(pv, &n, sizeof n);
            return sizeof n;
        }
        default:
            return 0;
    }
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* b = Register(new BrushObject);
    b->color = color & 0xFFFFFF;
    return reinterpret_cast<HBRUSH>(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (plbrush == nullptr) return nullptr;
    if (plbrush->lbStyle == BS_NULL) return reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return CreateSolidBrush(plbrush->lbColor);
}

DWORD GetSysColor(int nIndex) {
    switch (nIndex) {
        case COLOR_WINDOW: return RGB(255, 255, 255);
        case COLOR_BTNFACE: return RGB(240, 240, 240);
        default: return RGB(0, 0, 0);
    }
}

HBRUSH GetSysColorBrush(int nIndex) {
    static auto* brushes = new std::map<int, HBRUSH>;
    auto it = brushes->find(nIndex);
    if (it != brushes->end()) return it->second;
    HBRUSH b = CreateSolidBrush(GetSysColor(nIndex));
    GdiOf(b)->stock = true;
    (*brushes)[nIndex] = b;
    return b;
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    auto* p = Register(new PenObject);
    p->style = iStyle;
    p->width = std::max(1, cWidth);
    p->color = color & 0xFFFFFF;
    return reinterpret_cast<HPEN>(p);
}

HFONT CreateFontIndirect(const LOGFONT* lplf) {
    if (lplf == nullptr) return nullptr;
    auto* f = new FontObject;
    f->lf = *lplf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    f->desc = FontDescriptionOf(f->lf);
    return reinterpret_cast<HFONT>(Register(f));
}

HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                 DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    LOGFONT lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic);
    lf.lfUnderline = static_cast<BYTE>(bUnderline);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName != nullptr) lstrcpynA(lf.lfFaceName, pszFaceName, LF_FACESIZE);
    return CreateFontIndirect(&lf);
}

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
    if (plpal == nullptr || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) return nullptr;
    auto* p = Register(new PaletteObject);
    p->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return reinterpret_cast<HPALETTE>(p);
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    auto* p = GdiAs<PaletteObject>(hpal, OBJ_PAL);
    if (p == nullptr) return 0;
    UINT n = static_cast<UINT>(p->entries.size());
    if (pPalEntries == nullptr) return n;
    if (iStart >= n) return 0;
    UINT count = std::min(cEntries, n - iStart);
    std::copy_n(p->entries.begin() + iStart, count, pPalEntries);
    return count;
}

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    long long p = static_cast<long long>(nNumber) * nNumerator;
    long long d = nDenominator;
    if (d < 0) {
        p = -p;
        d = -d;
    }
    long long r = p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d);
    if (r > 0x7FFFFFFFLL || r < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(r);
}

// ---------------------------------------------------------------- wrappers

namespace {

std::map<HGDIOBJ, CGdiObject*>& Permanent() {
    static auto* m = new std::map<HGDIOBJ, CGdiObject*>;
    return *m;
}

std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>& Temporaries() {
    static auto* temps = new std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>;
    return *temps;
}

template <class W>
W* TemporaryFor(HGDIOBJ h) {
    if (h == nullptr) return nullptr;
    auto it = Permanent().find(h);
    if (it != Permanent().end()) return static_cast<W*>(it->second);
    // Temporary wrappers, one per handle, until the object goes.
    auto& slot = Temporaries()[h];
    if (slot == nullptr || dynamic_cast<W*>(slot.get()) == nullptr) {
        if (slot != nullptr) slot->m_hObject = nullptr;  // the handle is not the wrapper's to delete
        auto* w = new W;
        w->m_hObject = h;
        slot.reset(w);
    }
    return static_cast<W*>(slot.get());
}

}  // namespace

namespace afximpl {

void ForgetObjectWrapper(HGDIOBJ h) {
    auto it = Temporaries().find(h);
    if (it == Temporaries().end()) return;
    it->second->m_hObject = nullptr;  // not the wrapper's to delete
    Temporaries().erase(it);
}

}  // namespace afximpl

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = hObject;
    Permanent()[hObject] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h != nullptr) {
        auto it = Permanent().find(h);
        if (it != Permanent().end() && it->second == this) Permanent().erase(it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    HGDIOBJ h = Detach();
    return ::DeleteObject(h);
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObject(m_hObject, nCount, lpObject); }
UINT CGdiObject::GetObjectType() const { return ::GetObjectType(m_hObject); }
BOOL CGdiObject::CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return TemporaryFor<CGdiObject>(hObject); }

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return TemporaryFor<CBitmap>(reinterpret_cast<HGDIOBJ>(hBitmap)); }
BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCE(nIDResource)); }
BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
    return Attach(reinterpret_cast<HGDIOBJ>(::LoadBitmap(AfxGetResourceHandle(), lpszResourceName)));
}
BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits)));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    return Attach(reinterpret_cast<HGDIOBJ>(
        ::CreateCompatibleBitmap(pDC != nullptr ? pDC->m_hDC : nullptr, nWidth, nHeight)));
}
int CBitmap::GetBitmap(BITMAP* pBitMap) { return ::GetObject(m_hObject, sizeof(BITMAP), pBitMap); }

CBrush::CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
CBrush* CBrush::FromHandle(HBRUSH hBrush) { return TemporaryFor<CBrush>(reinterpret_cast<HGDIOBJ>(hBrush)); }
BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return Attach(reinterpret_cast<HGDIOBJ>(::CreateSolidBrush(crColor))); }
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreateBrushIndirect(lpLogBrush)));
}
BOOL CBrush::CreateSysColorBrush(int nIndex) { return Attach(reinterpret_cast<HGDIOBJ>(::GetSysColorBrush(nIndex))); }
int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) { return ::GetObject(m_hObject, sizeof(LOGBRUSH), pLogBrush); }

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
CPen* CPen::FromHandle(HPEN hPen) { return TemporaryFor<CPen>(reinterpret_cast<HGDIOBJ>(hPen)); }
BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreatePen(nPenStyle, nWidth, crColor)));
}

CFont* CFont::FromHandle(HFONT hFont) { return TemporaryFor<CFont>(reinterpret_cast<HGDIOBJ>(hFont)); }
BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreateFontIndirect(lpLogFont)));
}
BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreateFont(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                                                         bUnderline, cStrikeOut, nCharSet, nOutPrecision,
                                                         nClipPrecision, nQuality, nPitchAndFamily, lpszFacename)));
}
BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC*) {
    LOGFONT lf{};
    lf.lfHeight = -MulDiv(nPointSize, 96, 720);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName != nullptr) lstrcpynA(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    return CreateFontIndirect(&lf);
}
int CFont::GetLogFont(LOGFONT* pLogFont) { return ::GetObject(m_hObject, sizeof(LOGFONT), pLogFont); }

CPalette* CPalette::FromHandle(HPALETTE hPalette) {
    return TemporaryFor<CPalette>(reinterpret_cast<HGDIOBJ>(hPalette));
}
BOOL CPalette::CreatePalette(LPLOGPALETTE lpLogPalette) {
    return Attach(reinterpret_cast<HGDIOBJ>(::CreatePalette(lpLogPalette)));
}
int CPalette::GetEntryCount() {
    WORD n = 0;
    return ::GetObject(m_hObject, sizeof n, &n) != 0 ? n : 0;
}
UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, LPPALETTEENTRY lpPaletteColors) const {
    return ::GetPaletteEntries(reinterpret_cast<HPALETTE>(m_hObject), nStartIndex, nNumEntries, lpPaletteColors);
}
