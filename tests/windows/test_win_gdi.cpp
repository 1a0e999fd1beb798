// The framework's drawing classes over the SDK's GDI: drawing through them
// into memory contexts with DIB sections, the pixels read back from the
// sections' bits, and the ownership of the handles they wrap.
#include "platform/afx/afxgdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kSide = 32;

// A top-down 32-bit DIB section owned by a CBitmap, selected into a memory
// CDC; pixel (x, y) is bits[y * kSide + x] as 0x00RRGGBB.
struct Surface {
    CDC dc;
    CBitmap bitmap;
    DWORD* bits = nullptr;
    CBitmap* previous = nullptr;

    Surface() {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = kSide;
        bmi.bmiHeader.biHeight = -kSide;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* pv = nullptr;
        HBITMAP h = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pv, nullptr, 0);
        if (h == nullptr || !bitmap.Attach(h)) return;
        bits = static_cast<DWORD*>(pv);
        if (!dc.CreateCompatibleDC(nullptr)) return;
        previous = dc.SelectObject(&bitmap);
    }
    ~Surface() {
        if (previous != nullptr) dc.SelectObject(previous);
    }
    bool Ok() const { return bits != nullptr && dc.GetSafeHdc() != nullptr && previous != nullptr; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        DWORD p = bits[y * kSide + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Count(COLORREF c) const {
        int n = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) n += At(x, y) == c;
        return n;
    }
};

TEST(WinGdi, FillRectWithBrushAndFillSolidRectColourOnlyTheirRectangles) {
    Surface s;
    ASSERT_TRUE(s.Ok());
    CBrush white(RGB(255, 255, 255));
    CRect all(0, 0, kSide, kSide);
    s.dc.FillRect(&all, &white);
    CBrush green(RGB(10, 200, 30));
    CRect r(4, 4, 12, 10);
    s.dc.FillRect(&r, &green);
    EXPECT_EQ(s.At(4, 4), RGB(10, 200, 30));
    EXPECT_EQ(s.At(11, 9), RGB(10, 200, 30));
    EXPECT_EQ(s.At(12, 9), RGB(255, 255, 255));
    EXPECT_EQ(s.Count(RGB(10, 200, 30)), 8 * 6);

    // FillSolidRect paints with the colour given and leaves the context's
    // background colour as it was.
    s.dc.SetBkColor(RGB(1, 2, 3));
    s.dc.FillSolidRect(20, 20, 5, 4, RGB(200, 0, 100));
    EXPECT_EQ(s.Count(RGB(200, 0, 100)), 5 * 4);
    EXPECT_EQ(s.At(20, 20), RGB(200, 0, 100));
    EXPECT_EQ(s.dc.GetBkColor(), RGB(1, 2, 3));
}

TEST(WinGdi, BitBltCopiesBetweenMemoryContexts) {
    Surface src, dst;
    ASSERT_TRUE(src.Ok());
    ASSERT_TRUE(dst.Ok());
    src.dc.FillSolidRect(0, 0, kSide, kSide, RGB(0, 0, 255));
    src.dc.SetPixel(3, 5, RGB(255, 0, 0));
    dst.dc.FillSolidRect(0, 0, kSide, kSide, RGB(0, 0, 0));
    ASSERT_TRUE(dst.dc.BitBlt(10, 10, 8, 8, &src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(13, 15), RGB(255, 0, 0));
    EXPECT_EQ(dst.At(10, 10), RGB(0, 0, 255));
    EXPECT_EQ(dst.At(9, 10), RGB(0, 0, 0));
    EXPECT_EQ(dst.Count(RGB(0, 0, 255)) + dst.Count(RGB(255, 0, 0)), 8 * 8);
    // The context's current bitmap is the framework object selected into it.
    EXPECT_EQ(dst.dc.GetCurrentBitmap(), &dst.bitmap);
}

TEST(WinGdi, TextDrawsWithTheSelectedFont) {
    Surface s;
    ASSERT_TRUE(s.Ok());
    s.dc.FillSolidRect(0, 0, kSide, kSide, RGB(255, 255, 255));
    CFont small, large;
    ASSERT_TRUE(small.CreatePointFont(60, "Arial", &s.dc));
    ASSERT_TRUE(large.CreatePointFont(180, "Arial", &s.dc));
    CFont* old = s.dc.SelectObject(&small);
    ASSERT_NE(old, nullptr);
    CSize smallExtent = s.dc.GetTextExtent("W", 1);
    EXPECT_EQ(s.dc.SelectObject(&large), &small);
    EXPECT_EQ(s.dc.GetCurrentFont(), &large);
    CSize largeExtent = s.dc.GetTextExtent("W", 1);
    EXPECT_GT(largeExtent.cy, smallExtent.cy);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.SetTextColor(RGB(0, 0, 0));
    ASSERT_TRUE(s.dc.TextOut(2, 2, "W", 1));
    EXPECT_GT(kSide * kSide - s.Count(RGB(255, 255, 255)), 10) << "no ink from TextOut";
    s.dc.SelectObject(old);
}

TEST(WinGdi, PaletteIndexedDibDrawsWithTheSelectedPalette) {
    Surface s;
    ASSERT_TRUE(s.Ok());
    // A logical palette of four colours.
    alignas(LOGPALETTE) BYTE buffer[sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY)] = {};
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer);
    lp->palVersion = 0x300;
    lp->palNumEntries = 4;
    const PALETTEENTRY colours[4] = {{0, 0, 0, 0}, {250, 10, 10, 0}, {10, 250, 10, 0}, {10, 10, 250, 0}};
    std::memcpy(lp->palPalEntry, colours, sizeof colours);
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(lp));
    EXPECT_EQ(palette.GetEntryCount(), 4);
    CPalette* old = s.dc.SelectPalette(&palette, FALSE);
    ASSERT_NE(old, nullptr);
    s.dc.RealizePalette();

    // An 8-bit DIB, 4 x 1, whose colour table is indices into the palette
    // (reversed, so that drawing the indices as colours would differ).
    struct {
        BITMAPINFOHEADER hdr;
        WORD indices[4];
    } bmi{};
    bmi.hdr.biSize = sizeof(BITMAPINFOHEADER);
    bmi.hdr.biWidth = 4;
    bmi.hdr.biHeight = 1;
    bmi.hdr.biPlanes = 1;
    bmi.hdr.biBitCount = 8;
    bmi.hdr.biClrUsed = 4;
    bmi.indices[0] = 3;
    bmi.indices[1] = 2;
    bmi.indices[2] = 1;
    bmi.indices[3] = 0;
    const BYTE pixels[4] = {0, 1, 2, 3};
    s.dc.FillSolidRect(0, 0, kSide, kSide, RGB(255, 255, 255));
    int lines = ::StretchDIBits(s.dc.GetSafeHdc(), 0, 0, 8, 2, 0, 0, 4, 1, pixels,
                                reinterpret_cast<const BITMAPINFO*>(&bmi), DIB_PAL_COLORS, SRCCOPY);
    EXPECT_GT(lines, 0);
    EXPECT_EQ(s.At(0, 0), RGB(10, 10, 250));
    EXPECT_EQ(s.At(3, 1), RGB(10, 250, 10));
    EXPECT_EQ(s.At(5, 0), RGB(250, 10, 10));
    EXPECT_EQ(s.At(7, 1), RGB(0, 0, 0));
    EXPECT_EQ(s.dc.SelectPalette(old, FALSE), &palette);
}

TEST(WinGdi, OwnedHandlesGoWithTheirWrappersTemporariesNeverDelete) {
    HGDIOBJ owned = nullptr;
    HDC ownedDc = nullptr;
    {
        CBrush brush(RGB(1, 2, 3));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        owned = brush.GetSafeHandle();
        ownedDc = dc.GetSafeHdc();
        ASSERT_EQ(::GetObjectType(owned), static_cast<DWORD>(OBJ_BRUSH));
        // The wrapper attached to a handle is the one FromHandle answers.
        EXPECT_EQ(CBrush::FromHandle(reinterpret_cast<HBRUSH>(owned)), &brush);
        EXPECT_EQ(CDC::FromHandle(ownedDc), &dc);
    }
    EXPECT_EQ(::GetObjectType(owned), 0u);
    EXPECT_EQ(::GetObjectType(ownedDc), 0u);

    // A handle nobody attached gets a temporary wrapper, the same one each
    // time; neither it nor the purges of temporaries delete the handle.
    HBRUSH loose = ::CreateSolidBrush(RGB(4, 5, 6));
    HDC looseDc = ::CreateCompatibleDC(nullptr);
    CBrush* temp = CBrush::FromHandle(loose);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(CBrush::FromHandle(loose), temp);
    ASSERT_NE(CDC::FromHandle(looseDc), nullptr);
    // Enough live handles at once for the temporaries to be purged on the
    // way (GDI reuses the handle values of deleted objects).
    std::vector<HBRUSH> brushes;
    std::vector<HDC> dcs;
    for (int i = 0; i < 300; ++i) {
        brushes.push_back(::CreateSolidBrush(RGB(i & 0xFF, 0, 0)));
        ASSERT_NE(CBrush::FromHandle(brushes.back()), nullptr);
        if (i < 100) {
            dcs.push_back(::CreateCompatibleDC(nullptr));
            ASSERT_NE(CDC::FromHandle(dcs.back()), nullptr);
        }
    }
    for (HBRUSH b : brushes) EXPECT_EQ(::GetObjectType(b), static_cast<DWORD>(OBJ_BRUSH));
    for (HDC d : dcs) EXPECT_EQ(::GetObjectType(d), static_cast<DWORD>(OBJ_MEMDC));
    for (HBRUSH b : brushes) ::DeleteObject(b);
    for (HDC d : dcs) ::DeleteDC(d);
    EXPECT_EQ(::GetObjectType(loose), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(::GetObjectType(looseDc), static_cast<DWORD>(OBJ_MEMDC));
    // A detached handle outlives its wrapper.
    HGDIOBJ detached = nullptr;
    {
        CPen pen(PS_SOLID, 1, RGB(7, 8, 9));
        detached = pen.Detach();
    }
    EXPECT_EQ(::GetObjectType(detached), static_cast<DWORD>(OBJ_PEN));
    ::DeleteObject(detached);
    ::DeleteObject(loose);
    ::DeleteDC(looseDc);
}

TEST(WinGdi, SelectObjectAnswersTheFrameworkObjectSelectedBefore) {
    Surface s;
    ASSERT_TRUE(s.Ok());
    CBrush first(RGB(1, 1, 1)), second(RGB(2, 2, 2));
    CBrush* original = s.dc.SelectObject(&first);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(s.dc.SelectObject(&second), &first);
    EXPECT_EQ(s.dc.SelectObject(original), &second);
    // The bitmap selected first comes back from the memory context as its
    // own (a 1 x 1 monochrome) bitmap, not as ours.
    ASSERT_NE(s.previous, nullptr);
    EXPECT_NE(s.previous, &s.bitmap);
    BITMAP bm{};
    ASSERT_NE(s.previous->GetBitmap(&bm), 0);
    EXPECT_EQ(bm.bmWidth, 1);
}

}  // namespace
