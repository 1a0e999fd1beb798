// Internal to the drawing layer: the records GDI handles name, device
// contexts and their drawing surfaces, DIB conversions. Not for use outside
// platform/afx.
#pragma once

#include <pango/pangocairo.h>

#include <cstdint>
#include <vector>

#include "platform/afx/gtk/afximpl.h"

namespace afximpl {

// ---------------------------------------------------------------- objects

struct GdiObject {
    explicit GdiObject(DWORD t) : type(t) {}
    virtual ~GdiObject() = default;
    DWORD type;           // OBJ_*
    bool stock = false;   // never deleted
    int selected = 0;     // device contexts it is selected into
    bool doomed = false;  // DeleteObject came while it was selected
};

// A decoded DIB: its header, colour table, masks and rows as stored.
struct DibImage {
    BITMAPINFOHEADER hdr{};
    std::vector<RGBQUAD> colors;
    DWORD masks[3] = {0, 0, 0};  // BI_BITFIELDS
    std::vector<uint8_t> bits;
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    ~BitmapObject() override;
    int width = 0, height = 0;
    WORD bpp = 32;                          // as BITMAP reports it
    cairo_surface_t* surface = nullptr;     // CAIRO_FORMAT_RGB24, the pixels as drawn
    bool dibSection = false;
    DibImage dib;                           // a DIB section's own format and bits
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(OBJ_PEN) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(OBJ_FONT) {}
    ~FontObject() override;
    LOGFONT lf{};
    PangoFontDescription* desc = nullptr;
};

struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};

// The live object a handle names, or null.
GdiObject* GdiOf(const void* handle);
template <class T>
T* GdiAs(const void* handle, DWORD type) {
    GdiObject* o = GdiOf(handle);
    return o != nullptr && o->type == type ? static_cast<T*>(o) : nullptr;
}
HGDIOBJ HandleOf(GdiObject* o);
void ReleaseSelection(GdiObject* o);  // a DC no longer holds o
// The framework's temporary wrapper of an object that goes away goes with it.
void ForgetObjectWrapper(HGDIOBJ h);

BitmapObject* NewBitmap(int width, int height, WORD bpp);
// A DIB section from a decoded image (takes it over).
BitmapObject* NewDibSection(DibImage&& image);

// Colours: COLORREF <-> the 0x00RRGGBB of a cairo RGB24 pixel.
inline uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
inline COLORREF ColorOf(uint32_t p) { return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff); }

// ---------------------------------------------------------------- DIBs

// Geometry of a DIB header: FALSE for what the layer does not read
// (sizes past the limits, unknown depths or compressions).
struct DibLayout {
    int width = 0, height = 0;  // height > 0
    bool topDown = false;
    int bpp = 0;
    size_t stride = 0;
    size_t imageSize = 0;
    int colorCount = 0;         // entries of the colour table
};
bool DibLayoutOf(const BITMAPINFOHEADER& h, DibLayout* layout);
// Parses a BMP file (file header, info header, colour table, rows), checking
// every size and offset against the data. FALSE for anything else.
bool ParseBmpFile(const void* data, size_t size, DibImage* image);
// The colour of pixel (x, row) of a DIB, row counted from the top of the
// image; palette gives the colours of DIB_PAL_COLORS.
uint32_t DibPixel(const DibLayout& l, const BITMAPINFO* bmi, const uint8_t* bits, int x, int row,
                  const std::vector<uint32_t>& table, const DWORD masks[3]);
// The colours of a DIB's table as pixels (DIB_RGB_COLORS or, with a
// palette, DIB_PAL_COLORS).
std::vector<uint32_t> DibColorTable(const BITMAPINFO* bmi, const DibLayout& l, UINT usage, const PaletteObject* pal);
void DibMasks(const BITMAPINFO* bmi, const DibLayout& l, DWORD masks[3]);
// A DIB section's surface from its bits, and its bits from its surface.
void SyncSurfaceFromDib(BitmapObject* b);
void SyncDibFromSurface(BitmapObject* b);

// ---------------------------------------------------------------- device contexts

struct DcState {
    BrushObject* brush = nullptr;
    PenObject* pen = nullptr;
    FontObject* font = nullptr;
    PaletteObject* palette = nullptr;
    BitmapObject* bitmap = nullptr;  // memory contexts
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int stretchMode = BLACKONWHITE;
    POINT org{0, 0};
    bool hasClip = false;
    RECT clip{0, 0, 0, 0};  // device coordinates
    POINT pos{0, 0};
};

}  // namespace afximpl

struct HDC__ {
    bool memory = false;
    HWND hwnd = nullptr;     // window contexts; the desktop's for a screen context
    bool whole = false;      // GetWindowDC: the window's origin, not its client area's
    cairo_region_t* paintRgn = nullptr;  // BeginPaint: the update region (device coordinates)
    afximpl::DcState st;
    std::vector<afximpl::DcState> saved;
};

namespace afximpl {

bool DcAlive(HDC h);
// The framework's temporary CDC of a context that goes away goes with it.
void ForgetDcWrapper(HDC h);
HWND DesktopHandle();

// Where a context draws: a surface, the offset of the context's device
// origin in it, and the region it may touch (surface coordinates).
struct Target {
    cairo_surface_t* surface = nullptr;
    int ox = 0, oy = 0;
    cairo_region_t* clip = nullptr;  // owned
    BitmapObject* bitmap = nullptr;  // the memory context's bitmap
    HWND top = nullptr;              // the window whose pixels these are
    Target() = default;
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    ~Target();
};
// False when the context draws nowhere (a screen context, an empty clip).
bool AcquireTarget(HDC hdc, Target* t);
// After drawing into r (surface coordinates): the DIB section's bits or the
// window on the screen follow.
void CommitTarget(Target* t, const cairo_rectangle_int_t& r);
// A cairo context on the target, clipped, with the device origin and the
// viewport origin applied.
cairo_t* CairoOf(HDC hdc, Target* t);

// Fills rectangle r (logical coordinates) with the pixel colour.
void FillPixels(HDC hdc, const RECT& r, uint32_t pixel);

// ---------------------------------------------------------------- fonts and text

PangoFontDescription* FontDescriptionOf(const LOGFONT& lf);
// The font a context draws with (its selected font, or the system font).
FontObject* FontOfDc(HDC hdc);
// The dialog font of a template (the face and size it names).
HFONT CreateTemplateFont(const AFX_DLGTEMPLATE* t);

// ---------------------------------------------------------------- painting

// Window client pixels (afxpaint.cpp).
void EnsureBacking(HWND top);
void FreePaintState(HWND h);
void SchedulePaint();
// Adds r (client coordinates of h; null for all) to h's update region.
void InvalidateWindow(HWND h, const RECT* r, bool erase);
// The rectangle of h's client area in its top-level window's client area.
RECT ClientRectInTop(HWND h);
// Asks h's parent to erase the part r (client coordinates of h) that it did
// not paint in this round: what shows through a transparent control.
void EraseParentUnder(HWND h, HDC hdc, const RECT& r);
// Queues the screen update of r (top-level client coordinates).
void QueueScreen(HWND top, const cairo_rectangle_int_t& r);
// Connects the client area's drawing to the backing store.
void ConnectPainting(HWND top);

// Class procedures of the windows the layer draws (afxbutton.cpp): TRUE
// when the message was one of the class's.
bool ClassWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

HWND CreateControlWindow(HWND parent, CWnd* pWnd, LPCSTR cls, LPCSTR text, DWORD style, const RECT& r, UINT id);

// Mouse input (afxmouse.cpp).
void ConnectMouse(HWND h, GtkWidget* widget, bool topLevel);
void CancelTracking(HWND h);

}  // namespace afximpl
