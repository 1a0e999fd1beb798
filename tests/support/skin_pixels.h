// Pixels for the skinned dialog's presentation tests: what the window shows
// (a snapshot read back), and what the module's bitmap resources hold, read
// from their BMP bytes independently of the bitmap classes under test.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afx/afxres.h"
#include "platform/afx/afxtest.h"

namespace skintest {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// A picture held as rows of RGB, top-down.
struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> px;
    bool Empty() const { return width <= 0 || height <= 0; }
    Rgb At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// What the window shows now (through a PNG file at pngPath).
inline Image Capture(HWND hwnd, const std::string& pngPath) {
    Image img;
    if (!afxtest::Snapshot(hwnd, pngPath.c_str())) return img;
    GdkPixbuf* pb = gdk_pixbuf_new_from_file(pngPath.c_str(), nullptr);
    if (pb == nullptr) return img;
    img.width = gdk_pixbuf_get_width(pb);
    img.height = gdk_pixbuf_get_height(pb);
    int stride = gdk_pixbuf_get_rowstride(pb), n = gdk_pixbuf_get_n_channels(pb);
    const guchar* data = gdk_pixbuf_read_pixels(pb);
    img.px.resize(static_cast<size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const guchar* p = data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * n;
            img.px[static_cast<size_t>(y) * img.width + x] = Rgb{p[0], p[1], p[2]};
        }
    g_object_unref(pb);
    return img;
}

// A bitmap resource of the module (8, 16 as 5-5-5, or 24 bits per pixel,
// bottom-up, uncompressed).
inline Image ResourceBitmap(WORD id) {
    Image img;
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_BITMAP_ID, id);
    if (res == nullptr || res->size < 54) return img;
    const uint8_t* d = static_cast<const uint8_t*>(res->data);
    auto u32 = [d](size_t o) { return static_cast<uint32_t>(d[o] | d[o + 1] << 8 | d[o + 2] << 16 | d[o + 3] << 24); };
    auto u16 = [d](size_t o) { return static_cast<uint32_t>(d[o] | d[o + 1] << 8); };
    uint32_t offset = u32(10), w = u32(18), h = u32(22), bpp = u16(28), used = u32(46);
    uint32_t colours = used != 0 ? used : (bpp <= 8 ? 1u << bpp : 0);
    size_t row = ((w * bpp + 31) / 32) * 4;
    if (offset + row * h > res->size || 54 + 4 * colours > offset) return img;
    img.width = static_cast<int>(w);
    img.height = static_cast<int>(h);
    img.px.resize(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* r = d + offset + (h - 1 - y) * row;
        for (uint32_t x = 0; x < w; ++x) {
            Rgb c;
            if (bpp == 8) {
                const uint8_t* q = d + 54 + 4 * r[x];
                c = Rgb{q[2], q[1], q[0]};
            } else if (bpp == 16) {
                uint32_t v = static_cast<uint32_t>(r[2 * x] | r[2 * x + 1] << 8);
                auto ch = [v](int shift) { return static_cast<int>(((v >> shift) & 31) * 255 / 31); };
                c = Rgb{ch(10), ch(5), ch(0)};
            } else if (bpp == 24) {
                c = Rgb{r[3 * x + 2], r[3 * x + 1], r[3 * x]};
            }
            img.px[static_cast<size_t>(y) * w + x] = c;
        }
    }
    return img;
}

// Pixels of `shot` in the rectangle (x, y, w, h) that differ from `want`
// placed at (x - dx, y - dy) of `want`, beyond the tolerance.
inline int Mismatches(const Image& shot, const Image& want, int x, int y, int w, int h, int dx, int dy, int tolerance) {
    int bad = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            int wi = i - dx, wj = j - dy;
            if (i < 0 || j < 0 || i >= shot.width || j >= shot.height || wi < 0 || wj < 0 || wi >= want.width ||
                wj >= want.height || !Near(shot.At(i, j), want.At(wi, wj), tolerance))
                ++bad;
        }
    return bad;
}

// The part (x, y, w, h) of an image.
inline Image Crop(const Image& img, int x, int y, int w, int h) {
    Image out;
    if (x < 0 || y < 0 || x + w > img.width || y + h > img.height) return out;
    out.width = w;
    out.height = h;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) out.px.push_back(img.At(i, j));
    return out;
}

// Writes a 24-bit BMP file of one colour.
inline bool WriteSolidBmp(const std::string& path, int w, int h, Rgb c) {
    size_t row = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4, size = 54 + row * h;
    std::vector<uint8_t> d(size, 0);
    auto put32 = [&d](size_t o, uint32_t v) {
        for (int k = 0; k < 4; ++k) d[o + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    d[0] = 'B';
    d[1] = 'M';
    put32(2, static_cast<uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    d[26] = 1;
    d[28] = 24;
    put32(34, static_cast<uint32_t>(row * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = d.data() + 54 + y * row + 3 * x;
            p[0] = static_cast<uint8_t>(c.b);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.r);
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(d.data(), 1, d.size(), f) == d.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace skintest
