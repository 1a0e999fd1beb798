// The screen as a person's tool reads it, for the tests of what the
// control's dialogs show: xwd's picture of the root window (which puts each
// window in by its own visual and colour map), a window's own pixels, and
// the dialog among the top-level windows.
#pragma once

// Xlib's macros after the test framework, whose names they would take.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/host/host_run.h"

namespace screentest {

using hosttest::Outcome;

struct Rect {
    Window id = 0;
    int x = 0, y = 0, w = 0, h = 0;
};

// The pixels of a drawable's rectangle, 24 bits each.
inline std::vector<uint32_t> Pixels(Display* d, Drawable from, int x, int y, int w, int h) {
    std::vector<uint32_t> px;
    XImage* img = XGetImage(d, from, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (img == nullptr) return px;
    px.reserve(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) px.push_back(static_cast<uint32_t>(XGetPixel(img, i, j) & 0xFFFFFF));
    XDestroyImage(img);
    return px;
}

// The dialog: a mapped top-level window that is neither the page's window
// (1024 x 768) nor one of the toolkit's small helper windows.
inline bool FindDialog(Display* d, Rect* out) {
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n)) return false;
    bool found = false;
    for (unsigned k = n; k-- > 0 && !found;) {  // top of the stack first
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[k], &a) || a.map_state != IsViewable || a.c_class != InputOutput)
            continue;
        if (a.width < 300 || a.height < 300 || a.width >= 1024) continue;
        *out = Rect{children[k], a.x, a.y, a.width, a.height};
        found = true;
    }
    if (children != nullptr) XFree(children);
    return found;
}

// The screen as a person's tool reads it: xwd's picture of the root window
// (its own format: a big-endian header, the colour map, then the rows),
// cut to a rectangle. Empty when the tool or its picture fails.
inline std::vector<uint32_t> ScreenByXwd(int x, int y, int w, int h) {
    std::vector<uint32_t> px;
    Outcome r = hosttest::RunProcess({"/usr/bin/xwd", "-root", "-silent"}, {}, 30);
    const std::string& f = r.out;
    auto be = [&](size_t at) {
        return at + 4 <= f.size() ? (uint32_t(uint8_t(f[at])) << 24) | (uint32_t(uint8_t(f[at + 1])) << 16) |
                                        (uint32_t(uint8_t(f[at + 2])) << 8) | uint32_t(uint8_t(f[at + 3]))
                                  : 0u;
    };
    if (r.code != 0 || f.size() < 100 || be(4) != 7) return px;
    uint32_t headerSize = be(0), width = be(16), height = be(20), byteOrder = be(28), bpp = be(44), stride = be(48),
             colours = be(76);
    size_t data = size_t(headerSize) + size_t(colours) * 12;
    // 32 bits a pixel, or 24 packed (as xwd writes when the screen's windows
    // have visuals of more than one kind, its rows still as long as those of
    // 32 bits).
    size_t step = bpp == 32 ? 4 : bpp == 24 ? 3 : 0;
    if (step == 0 || x < 0 || y < 0 || uint32_t(x + w) > width || uint32_t(y + h) > height ||
        size_t(stride) < width * step || data + size_t(stride) * height > f.size())
        return px;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            const auto* b = reinterpret_cast<const uint8_t*>(f.data() + data + size_t(j) * stride + size_t(i) * step);
            uint32_t v = 0;
            for (size_t k = 0; k < step; ++k)
                v |= uint32_t(b[k]) << (byteOrder == 0 ? 8 * k : 8 * (step - 1 - k));
            px.push_back(v & 0xFFFFFF);
        }
    return px;
}

inline size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

}  // namespace screentest
