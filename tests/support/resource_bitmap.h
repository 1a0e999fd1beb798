// The pixels of a bitmap of the module's resources, read straight from its
// BMP bytes, for tests that compare what a window shows with the picture.
#pragma once

#include <cstdint>

#include "platform/afx/afxres.h"
#include "platform/afx/afxwin.h"

class ResourceBitmap {
public:
    explicit ResourceBitmap(WORD id) {
        const AFX_RESOURCE_ENTRY* e = AfxFindModuleResource(RT_BITMAP_ID, id);
        if (e == nullptr || e->size < 54) return;
        p_ = static_cast<const BYTE*>(e->data);
        offset_ = U32(10);
        width_ = static_cast<int>(U32(18));
        height_ = static_cast<int>(U32(22));
        bits_ = p_[28];
    }
    bool ok() const { return p_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The colour at (x, y), top-down, as a COLORREF. 8 and 16 bits per
    // pixel (5-5-5 widened as x << 3 | x >> 2).
    COLORREF At(int x, int y) const {
        const uint32_t stride = ((uint32_t(width_) * bits_ + 31) / 32) * 4;
        const BYTE* row = p_ + offset_ + stride * uint32_t(height_ - 1 - y);
        if (bits_ == 8) {
            const BYTE* q = p_ + 54 + 4 * row[x];
            return RGB(q[2], q[1], q[0]);
        }
        const unsigned v = row[2 * x] | row[2 * x + 1] << 8;
        auto widen = [](unsigned c) { return BYTE(c << 3 | c >> 2); };
        return RGB(widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31));
    }

private:
    uint32_t U32(int at) const {
        return p_[at] | p_[at + 1] << 8 | p_[at + 2] << 16 | uint32_t(p_[at + 3]) << 24;
    }
    const BYTE* p_ = nullptr;
    uint32_t offset_ = 0;
    int width_ = 0, height_ = 0, bits_ = 0;
};

// Colours equal within tol per channel.
inline bool NearColour(COLORREF a, COLORREF b, int tol = 0) {
    auto d = [](int u, int v) { return u > v ? u - v : v - u; };
    return d(GetRValue(a), GetRValue(b)) <= tol && d(GetGValue(a), GetGValue(b)) <= tol &&
           d(GetBValue(a), GetBValue(b)) <= tol;
}
