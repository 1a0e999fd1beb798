// Device-independent bitmaps: their layout, BMP files, DIB sections, and
// the transfers between DIBs and device contexts.
#include <algorithm>
#include <cstring>

#include "platform/afx/gtk/afxgdiimpl.h"

using namespace afximpl;

namespace {

constexpr int kMaxDimension = 32768;

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

int MaskShift(DWORD m) {
    int s = 0;
    while (m != 0 && (m & 1) == 0) {
        m >>= 1;
        ++s;
    }
    return s;
}

uint32_t ByMask(uint32_t v, DWORD m) {
    if (m == 0) return 0;
    uint32_t x = (v & m) >> MaskShift(m);
    uint32_t max = m >> MaskShift(m);
    return max == 0 ? 0 : (x * 255 + max / 2) / max;
}

// The nearest entry of a colour table.
int Nearest(const std::vector<uint32_t>& table, uint32_t p) {
    int best = 0;
    long bestD = -1;
    for (size_t i = 0; i < table.size(); ++i) {
        long dr = static_cast<long>((table[i] >> 16) & 0xff) - ((p >> 16) & 0xff);
        long dg = static_cast<long>((table[i] >> 8) & 0xff) - ((p >> 8) & 0xff);
        long db = static_cast<long>(table[i] & 0xff) - (p & 0xff);
        long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) {
            bestD = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Writes pixel p as value of a row of depth bpp.
void PutPixel(uint8_t* row, int x, int bpp, uint32_t p, const std::vector<uint32_t>& table) {
    switch (bpp) {
        case 1: case 4: case 8: {
            int idx = Nearest(table, p);
            if (bpp == 8) {
                row[x] = static_cast<uint8_t>(idx);
            } else if (bpp == 4) {
                uint8_t& b = row[x / 2];
                b = (x % 2 == 0) ? static_cast<uint8_t>((b & 0x0f) | (idx << 4)) : static_cast<uint8_t>((b & 0xf0) | idx);
            } else {
                uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
                row[x / 8] = idx ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
            }
            break;
        }
        case 16: {
            uint16_t v = static_cast<uint16_t>((((p >> 19) & 0x1f) << 10) | (((p >> 11) & 0x1f) << 5) | ((p >> 3) & 0x1f));
            row[x * 2] = static_cast<uint8_t>(v & 0xff);
            row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
            break;
        }
        case 24:
            row[x * 3] = p & 0xff;
            row[x * 3 + 1] = (p >> 8) & 0xff;
            row[x * 3 + 2] = (p >> 16) & 0xff;
            break;
        case 32:
            row[x * 4] = p & 0xff;
            row[x * 4 + 1] = (p >> 8) & 0xff;
            row[x * 4 + 2] = (p >> 16) & 0xff;
            row[x * 4 + 3] = 0;
            break;
        default:
            break;
    }
}

// The colour table GetDIBits gives a bitmap that has none of that depth.
std::vector<uint32_t> DefaultTable(int bpp) {
    std::vector<uint32_t> t;
    if (bpp == 1) return {0x000000, 0xffffff};
    if (bpp == 4) {
        static const uint32_t vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xc0c0c0,
                                         0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
        return std::vector<uint32_t>(vga, vga + 16);
    }
    // 8 bits: a 6 x 6 x 6 colour cube and a grey ramp.
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) t.push_back(static_cast<uint32_t>((r * 51) << 16 | (g * 51) << 8 | (b * 51)));
    for (int i = 0; i < 40; ++i) {
        uint32_t v = static_cast<uint32_t>(i * 255 / 39);
        t.push_back(v << 16 | v << 8 | v);
    }
    return t;
}

uint32_t* SurfaceRow(cairo_surface_t* s, int y) {
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(s));
}

}  // namespace

namespace afximpl {

bool DibLayoutOf(const BITMAPINFOHEADER& h, DibLayout* l) {
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > kMaxDimension || h.biHeight == 0 ||
        h.biHeight < -kMaxDimension || h.biHeight > kMaxDimension)
        return false;
    int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
    l->width = h.biWidth;
    l->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    l->topDown = h.biHeight < 0;
    l->bpp = bpp;
    l->stride = ((static_cast<size_t>(l->width) * bpp + 31) / 32) * 4;
    l->imageSize = l->stride * static_cast<size_t>(l->height);
    l->colorCount = bpp <= 8 ? (h.biClrUsed != 0 && h.biClrUsed < (1u << bpp) ? static_cast<int>(h.biClrUsed) : 1 << bpp) : 0;
    return true;
}

void DibMasks(const BITMAPINFO* bmi, const DibLayout& l, DWORD masks[3]) {
    if (bmi->bmiHeader.biCompression == BI_BITFIELDS) {
        memcpy(masks, reinterpret_cast<const uint8_t*>(bmi) + bmi->bmiHeader.biSize, 3 * sizeof(DWORD));
    } else if (l.bpp == 16) {
        masks[0] = 0x7c00;
        masks[1] = 0x03e0;
        masks[2] = 0x001f;
    } else {
        masks[0] = 0xff0000;
        masks[1] = 0x00ff00;
        masks[2] = 0x0000ff;
    }
}

std::vector<uint32_t> DibColorTable(const BITMAPINFO* bmi, const DibLayout& l, UINT usage, const PaletteObject* pal) {
    std::vector<uint32_t> t;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bmi) + bmi->bmiHeader.biSize;
    for (int i = 0; i < l.colorCount; ++i) {
        if (usage == DIB_PAL_COLORS) {
            WORD idx;
            memcpy(&idx, p + 2 * i, 2);
            PALETTEENTRY e{0, 0, 0, 0};
            if (pal != nullptr && idx < pal->entries.size()) e = pal->entries[idx];
            t.push_back(static_cast<uint32_t>(e.peRed) << 16 | static_cast<uint32_t>(e.peGreen) << 8 | e.peBlue);
        } else {
            RGBQUAD q;
            memcpy(&q, p + 4 * i, 4);
            t.push_back(static_cast<uint32_t>(q.rgbRed) << 16 | static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue);
        }
    }
    return t;
}

uint32_t DibPixel(const DibLayout& l, const BITMAPINFO*, const uint8_t* bits, int x, int row,
                  const std::vector<uint32_t>& table, const DWORD masks[3]) {
    int stored = l.topDown ? row : l.height - 1 - row;
    const uint8_t* r = bits + static_cast<size_t>(stored) * l.stride;
    auto lookup = [&](size_t i) { return i < table.size() ? table[i] : 0u; };
    switch (l.bpp) {
        case 1: return lookup((r[x / 8] >> (7 - x % 8)) & 1);
        case 4: return lookup(x % 2 == 0 ? r[x / 2] >> 4 : r[x / 2] & 0x0f);
        case 8: return lookup(r[x]);
        case 16: {
            uint32_t v = static_cast<uint32_t>(r[x * 2] | (r[x * 2 + 1] << 8));
            if (masks[0] == 0x7c00 && masks[1] == 0x03e0 && masks[2] == 0x001f)
                return Expand5((v >> 10) & 0x1f) << 16 | Expand5((v >> 5) & 0x1f) << 8 | Expand5(v & 0x1f);
            return ByMask(v, masks[0]) << 16 | ByMask(v, masks[1]) << 8 | ByMask(v, masks[2]);
        }
        case 24: return static_cast<uint32_t>(r[x * 3 + 2]) << 16 | static_cast<uint32_t>(r[x * 3 + 1]) << 8 | r[x * 3];
        case 32: {
            uint32_t v;
            memcpy(&v, r + x * 4, 4);
            if (masks[0] == 0xff0000 && masks[1] == 0xff00 && masks[2] == 0xff) return v & 0xffffff;
            return ByMask(v, masks[0]) << 16 | ByMask(v, masks[1]) << 8 | ByMask(v, masks[2]);
        }
        default: return 0;
    }
}

bool ParseBmpFile(const void* data, size_t size, DibImage* image) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (p == nullptr || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
    BITMAPFILEHEADER fh;
    memcpy(&fh, p, sizeof fh);
    if (fh.bfType != 0x4D42) return false;
    BITMAPINFOHEADER h;
    memcpy(&h, p + sizeof fh, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size - sizeof fh) return false;
    if (h.biPlanes != 1) return false;
    DibLayout l;
    if (!DibLayoutOf(h, &l)) return false;
    size_t pos = sizeof fh + h.biSize;
    DWORD masks[3] = {0, 0, 0};
    if (h.biCompression == BI_BITFIELDS) {
        if (h.biSize >= 52) {
            memcpy(masks, p + sizeof fh + 40, sizeof masks);
        } else {
            if (size - pos < sizeof masks) return false;
            memcpy(masks, p + pos, sizeof masks);
            pos += sizeof masks;
        }
    }
    size_t tableBytes = static_cast<size_t>(l.colorCount) * 4;
    if (size - pos < tableBytes) return false;
    image->colors.resize(static_cast<size_t>(l.colorCount));
    if (tableBytes != 0) memcpy(image->colors.data(), p + pos, tableBytes);
    size_t offBits = fh.bfOffBits != 0 ? fh.bfOffBits : pos + tableBytes;
    if (offBits > size || size - offBits < l.imageSize) return false;
    image->hdr = h;
    image->hdr.biSize = sizeof(BITMAPINFOHEADER);
    image->hdr.biClrUsed = static_cast<DWORD>(l.colorCount);
    image->hdr.biSizeImage = static_cast<DWORD>(l.imageSize);
    memcpy(image->masks, masks, sizeof masks);
    image->bits.assign(p + offBits, p + offBits + l.imageSize);
    return true;
}

// A BITMAPINFO of a DIB image (header, masks or colour table).
static std::vector<uint8_t> InfoOf(const DibImage& d) {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 12 + d.colors.size() * 4);
    BITMAPINFOHEADER h = d.hdr;
    h.biSize = sizeof h;
    memcpy(info.data(), &h, sizeof h);
    if (h.biCompression == BI_BITFIELDS)
        memcpy(info.data() + sizeof h, d.masks, 12);
    else if (!d.colors.empty())
        memcpy(info.data() + sizeof h, d.colors.data(), d.colors.size() * 4);
    return info;
}

void SyncSurfaceFromDib(BitmapObject* b) {
    if (!b->dibSection) return;
    DibLayout l;
    if (!DibLayoutOf(b->dib.hdr, &l) || b->dib.bits.size() < l.imageSize) return;
    std::vector<uint8_t> info = InfoOf(b->dib);
    auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
    std::vector<uint32_t> table = DibColorTable(bmi, l, DIB_RGB_COLORS, nullptr);
    DWORD masks[3];
    DibMasks(bmi, l, masks);
    cairo_surface_flush(b->surface);
    for (int y = 0; y < l.height; ++y) {
        uint32_t* row = SurfaceRow(b->surface, y);
        for (int x = 0; x < l.width; ++x) row[x] = DibPixel(l, bmi, b->dib.bits.data(), x, y, table, masks);
    }
    cairo_surface_mark_dirty(b->surface);
}

void SyncDibFromSurface(BitmapObject* b) {
    if (!b->dibSection) return;
    DibLayout l;
    if (!DibLayoutOf(b->dib.hdr, &l) || b->dib.bits.size() < l.imageSize) return;
    std::vector<uint32_t> table;
    for (const RGBQUAD& q : b->dib.colors)
        table.push_back(static_cast<uint32_t>(q.rgbRed) << 16 | static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue);
    cairo_surface_flush(b->surface);
    for (int y = 0; y < l.height; ++y) {
        const uint32_t* src = SurfaceRow(b->surface, y);
        int stored = l.topDown ? y : l.height - 1 - y;
        uint8_t* row = b->dib.bits.data() + static_cast<size_t>(stored) * l.stride;
        for (int x = 0; x < l.width; ++x) PutPixel(row, x, l.bpp, src[x] & 0xffffff, table);
    }
}

}  // namespace afximpl

// ---------------------------------------------------------------- DIBs to devices

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop) {
    if (lpBits == nullptr || lpbmi == nullptr || rop != SRCCOPY || DestWidth == 0 || DestHeight == 0 ||
        SrcWidth == 0 || SrcHeight == 0)
        return 0;
    DibLayout l;
    if (!DibLayoutOf(lpbmi->bmiHeader, &l)) return 0;
    Target t;
    if (!DcAlive(hdc)) return 0;
    std::vector<uint32_t> table = DibColorTable(lpbmi, l, iUsage, hdc->st.palette);
    DWORD masks[3];
    DibMasks(lpbmi, l, masks);
    const auto* bits = static_cast<const uint8_t*>(lpBits);
    // The source rectangle in rows from the top of the image: the origin
    // of a bottom-up DIB is its lower-left corner.
    bool flipX = (DestWidth < 0) != (SrcWidth < 0);
    bool flipY = (DestHeight < 0) != (SrcHeight < 0);
    int sw = std::abs(SrcWidth), sh = std::abs(SrcHeight);
    int sx0 = SrcWidth < 0 ? xSrc + SrcWidth : xSrc;
    int sy0 = SrcHeight < 0 ? ySrc + SrcHeight : ySrc;
    int srcTop = l.topDown ? sy0 : l.height - (sy0 + sh);
    int dw = std::abs(DestWidth), dh = std::abs(DestHeight);
    int dx0 = DestWidth < 0 ? xDest + DestWidth + 1 : xDest;
    int dy0 = DestHeight < 0 ? yDest + DestHeight + 1 : yDest;
    if (!AcquireTarget(hdc, &t)) return sh;  // drawn nowhere, as on a screen nobody sees
    int ox = t.ox + hdc->st.org.x, oy = t.oy + hdc->st.org.y;
    cairo_surface_flush(t.surface);
    cairo_rectangle_int_t all{dx0 + ox, dy0 + oy, dw, dh};
    cairo_region_t* area = cairo_region_create_rectangle(&all);
    cairo_region_intersect(area, t.clip);
    int n = cairo_region_num_rectangles(area);
    for (int k = 0; k < n; ++k) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(area, k, &r);
        for (int y = r.y; y < r.y + r.height; ++y) {
            int i = y - (dy0 + oy);
            int j = static_cast<int>((static_cast<long long>(i) * 2 + 1) * sh / (2LL * dh));
            if (flipY) j = sh - 1 - j;
            int row = srcTop + j;
            if (row < 0 || row >= l.height) continue;
            uint32_t* out = SurfaceRow(t.surface, y);
            for (int x = r.x; x < r.x + r.width; ++x) {
                int ii = x - (dx0 + ox);
                int jj = static_cast<int>((static_cast<long long>(ii) * 2 + 1) * sw / (2LL * dw));
                if (flipX) jj = sw - 1 - jj;
                int col = sx0 + jj;
                if (col < 0 || col >= l.width) continue;
                out[x] = DibPixel(l, lpbmi, bits, col, row, table, masks);
            }
        }
    }
    cairo_surface_mark_dirty(t.surface);
    cairo_rectangle_int_t ext;
    cairo_region_get_extents(area, &ext);
    cairo_region_destroy(area);
    CommitTarget(&t, ext);
    return sh;
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                      UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse) {
    if (lpvBits == nullptr || lpbmi == nullptr || w == 0 || h == 0 || !DcAlive(hdc)) return 0;
    DibLayout l;
    if (!DibLayoutOf(lpbmi->bmiHeader, &l)) return 0;
    if (w > static_cast<DWORD>(kMaxDimension) || h > static_cast<DWORD>(kMaxDimension)) return 0;
    // lpvBits holds cLines scan lines starting at DIB line StartScan; only
    // those lines are read.
    if (StartScan >= static_cast<UINT>(l.height)) return 0;
    UINT lines = std::min<UINT>(cLines, static_cast<UINT>(l.height) - StartScan);
    std::vector<uint32_t> table = DibColorTable(lpbmi, l, ColorUse, hdc->st.palette);
    DWORD masks[3];
    DibMasks(lpbmi, l, masks);
    Target t;
    if (!AcquireTarget(hdc, &t)) return static_cast<int>(lines);
    int ox = t.ox + hdc->st.org.x, oy = t.oy + hdc->st.org.y;
    cairo_surface_flush(t.surface);
    cairo_rectangle_int_t all{xDest + ox, yDest + oy, static_cast<int>(w), static_cast<int>(h)};
    cairo_region_t* area = cairo_region_create_rectangle(&all);
    cairo_region_intersect(area, t.clip);
    // A partial DIB of the lines [StartScan, StartScan + lines), as its own
    // image of that height.
    DibLayout part = l;
    part.height = static_cast<int>(lines);
    const auto* bits = static_cast<const uint8_t*>(lpvBits);
    int n = cairo_region_num_rectangles(area);
    for (int k = 0; k < n; ++k) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(area, k, &r);
        for (int y = r.y; y < r.y + r.height; ++y) {
            // DIB y of this destination row (origin at the lower-left for a
            // bottom-up image).
            int dibY = l.topDown ? ySrc + (y - yDest - oy) : ySrc + static_cast<int>(h) - 1 - (y - yDest - oy);
            int line = l.topDown ? dibY : dibY;  // scan line number from the bottom (bottom-up) or top
            if (line < static_cast<int>(StartScan) || line >= static_cast<int>(StartScan + lines)) continue;
            int rowInPart = l.topDown ? line - static_cast<int>(StartScan)
                                      : part.height - 1 - (line - static_cast<int>(StartScan));
            uint32_t* out = SurfaceRow(t.surface, y);
            for (int x = r.x; x < r.x + r.width; ++x) {
                int col = xSrc + (x - xDest - ox);
                if (col < 0 || col >= l.width) continue;
                out[x] = DibPixel(part, lpbmi, bits, col, rowInPart, table, masks);
            }
        }
    }
    cairo_surface_mark_dirty(t.surface);
    cairo_rectangle_int_t ext;
    cairo_region_get_extents(area, &ext);
    cairo_region_destroy(area);
    CommitTarget(&t, ext);
    return static_cast<int>(lines);
}

int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT) {
    auto* b = GdiAs<BitmapObject>(hbm, OBJ_BITMAP);
    if (b == nullptr || lpbmi == nullptr || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (h.biBitCount == 0) {
        // Only the header is asked for: the bitmap's own format.
        h.biWidth = b->width;
        h.biHeight = b->height;
        h.biPlanes = 1;
        h.biBitCount = b->bpp;
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(((static_cast<size_t>(b->width) * b->bpp + 31) / 32) * 4 * b->height);
        h.biClrUsed = 0;
        return lpvBits == nullptr ? 1 : 0;
    }
    if (h.biWidth != b->width || (h.biHeight != b->height && h.biHeight != -b->height)) {
        if (lpvBits != nullptr) return 0;
        h.biWidth = b->width;
        h.biHeight = b->height;
    }
    h.biCompression = BI_RGB;
    h.biClrUsed = 0;
    DibLayout l;
    if (!DibLayoutOf(h, &l)) return 0;
    h.biSizeImage = static_cast<DWORD>(l.imageSize);
    // The colour table: a DIB section's own at its own depth, else the
    // default one of the depth.
    std::vector<uint32_t> table;
    bool same = b->dibSection && b->dib.hdr.biBitCount == l.bpp && l.bpp <= 8;
    if (same) {
        for (const RGBQUAD& q : b->dib.colors)
            table.push_back(static_cast<uint32_t>(q.rgbRed) << 16 | static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue);
        table.resize(static_cast<size_t>(1) << l.bpp, 0);
    } else if (l.bpp <= 8) {
        table = DefaultTable(l.bpp);
        table.resize(static_cast<size_t>(1) << l.bpp, 0);
    }
    for (size_t i = 0; i < table.size(); ++i)
        lpbmi->bmiColors[i] = RGBQUAD{static_cast<BYTE>(table[i] & 0xff), static_cast<BYTE>((table[i] >> 8) & 0xff),
                                      static_cast<BYTE>((table[i] >> 16) & 0xff), 0};
    if (lpvBits == nullptr) return static_cast<int>(l.height);
    if (start >= static_cast<UINT>(l.height)) return 0;
    UINT lines = std::min<UINT>(cLines, static_cast<UINT>(l.height) - start);
    auto* out = static_cast<uint8_t*>(lpvBits);
    DibLayout src;
    if (same && DibLayoutOf(b->dib.hdr, &src) && !src.topDown && !l.topDown && src.stride == l.stride) {
        memcpy(out, b->dib.bits.data() + start * l.stride, lines * l.stride);
        return static_cast<int>(lines);
    }
    if (b->dibSection) SyncSurfaceFromDib(b);
    cairo_surface_flush(b->surface);
    memset(out, 0, lines * l.stride);
    for (UINT i = 0; i < lines; ++i) {
        UINT line = start + i;  // from the bottom (bottom-up) or the top
        int y = l.topDown ? static_cast<int>(line) : l.height - 1 - static_cast<int>(line);
        const uint32_t* row = SurfaceRow(b->surface, y);
        uint8_t* dst = out + static_cast<size_t>(i) * l.stride;
        for (int x = 0; x < l.width; ++x) PutPixel(dst, x, l.bpp, row[x] & 0xffffff, table);
    }
    return static_cast<int>(lines);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE, DWORD) {
    if (ppvBits != nullptr) *ppvBits = nullptr;
    if (pbmi == nullptr) return nullptr;
    DibLayout l;
    if (!DibLayoutOf(pbmi->bmiHeader, &l)) return nullptr;
    DibImage d;
    d.hdr = pbmi->bmiHeader;
    d.hdr.biSize = sizeof(BITMAPINFOHEADER);
    d.hdr.biSizeImage = static_cast<DWORD>(l.imageSize);
    d.hdr.biClrUsed = static_cast<DWORD>(l.colorCount);
    for (uint32_t c : DibColorTable(pbmi, l, usage, nullptr))
        d.colors.push_back(RGBQUAD{static_cast<BYTE>(c & 0xff), static_cast<BYTE>((c >> 8) & 0xff),
                                   static_cast<BYTE>((c >> 16) & 0xff), 0});
    DibMasks(pbmi, l, d.masks);
    d.bits.assign(l.imageSize, 0);
    BitmapObject* b = NewDibSection(std::move(d));
    if (b == nullptr) return nullptr;
    if (ppvBits != nullptr) *ppvBits = b->dib.bits.data();
    return reinterpret_cast<HBITMAP>(HandleOf(b));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    // A memory context's bitmap decides its depth; the display is 32 bits.
    WORD bpp = 32;
    if (DcAlive(hdc) && hdc->memory && hdc->st.bitmap != nullptr) bpp = hdc->st.bitmap->bpp == 1 ? 1 : 32;
    return reinterpret_cast<HBITMAP>(HandleOf(NewBitmap(cx, cy, bpp)));
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)) return nullptr;
    BitmapObject* b = NewBitmap(nWidth, nHeight, static_cast<WORD>(nBitCount));
    if (b == nullptr) return nullptr;
    if (lpBits != nullptr) {
        const auto* p = static_cast<const uint8_t*>(lpBits);
        size_t stride = ((static_cast<size_t>(nWidth) * nBitCount + 15) / 16) * 2;
        cairo_surface_flush(b->surface);
        for (int y = 0; y < nHeight; ++y) {
            uint32_t* row = SurfaceRow(b->surface, y);
            const uint8_t* src = p + y * stride;
            for (int x = 0; x < nWidth; ++x) {
                if (nBitCount == 1)
                    row[x] = (src[x / 8] >> (7 - x % 8)) & 1 ? 0xffffff : 0;
                else
                    row[x] = static_cast<uint32_t>(src[x * 4 + 2]) << 16 | static_cast<uint32_t>(src[x * 4 + 1]) << 8 | src[x * 4];
            }
        }
        cairo_surface_mark_dirty(b->surface);
    }
    return reinterpret_cast<HBITMAP>(HandleOf(b));
}
