// CDIBitmap with GDI bitmaps: LoadResource and CreateFromBitmap at 8 and
// 24 bits per pixel (header, colour table, rows), round trips through Save
// and Load, the palette it builds, and the three forms of DrawDIB.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "resources/VemoMPIOCX_rc.h"
#include "tests/support/resource_bitmap.h"
#include "ui/BmpPalette.h"
#include "ui/DIBitmap.h"

namespace {

class DIBitmapGdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        setenv("LANG", "C", 1);
    }
};

// The colour of pixel (x, y), top-down, of a held image.
COLORREF DibAt(const CDIBitmap& dib, int x, int y) {
    const BITMAPINFOHEADER& h = dib.GetHeaderPtr()->bmiHeader;
    const DWORD stride = ((DWORD(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    const BYTE* row = dib.GetPixelPtr() + stride * DWORD(h.biHeight - 1 - y);
    if (h.biBitCount == 8) {
        const RGBQUAD& q = dib.GetColorTablePtr()[row[x]];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

BOOL RoundTrip(CDIBitmap& from, CDIBitmap& to) {
    CMemFile file;
    if (!from.Save(file)) return FALSE;
    file.SeekToBegin();
    return to.Load(file);
}

}  // namespace

TEST_F(DIBitmapGdiTest, EightBitResourceKeepsItsIndicesAndColourTable) {
    const AFX_RESOURCE_ENTRY* e = AfxFindModuleResource(RT_BITMAP_ID, IDB_SKIN_BACKGROUND);
    ASSERT_NE(e, nullptr);
    const BYTE* file = static_cast<const BYTE*>(e->data);
    CDIBitmap dib;
    ASSERT_TRUE(dib.LoadResource(IDB_SKIN_BACKGROUND));
    const BITMAPINFOHEADER& h = dib.GetHeaderPtr()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 444);
    EXPECT_EQ(h.biHeight, 506);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 444u * 506u);
    EXPECT_EQ(dib.GetPalEntries(), 256);
    // The file's colour table (as many entries as it has) and its rows.
    const DWORD colours = file[46] | file[47] << 8;
    ASSERT_GT(colours, 0u);
    EXPECT_EQ(0, std::memcmp(dib.GetColorTablePtr(), file + 54, 4 * colours));
    EXPECT_EQ(0, std::memcmp(dib.GetPixelPtr(), file + 54 + 4 * colours, 444 * 506));
    // Its palette carries the table's colours.
    ASSERT_NE(dib.GetPalette(), nullptr);
    PALETTEENTRY pe{};
    ASSERT_EQ(dib.GetPalette()->GetPaletteEntries(3, 1, &pe), 1u);
    EXPECT_EQ(pe.peRed, dib.GetColorTablePtr()[3].rgbRed);
    EXPECT_EQ(pe.peBlue, dib.GetColorTablePtr()[3].rgbBlue);
    EXPECT_EQ(pe.peFlags, 0);

    CDIBitmap again;
    ASSERT_TRUE(RoundTrip(dib, again));
    EXPECT_EQ(again.GetBitCount(), 8);
    EXPECT_EQ(0, std::memcmp(again.GetPixelPtr(), dib.GetPixelPtr(), 444 * 506));
    EXPECT_EQ(0, std::memcmp(again.GetColorTablePtr(), dib.GetColorTablePtr(), 1024));
}

TEST_F(DIBitmapGdiTest, DeepBitmapsBecomeTwentyFourBitRows) {
    // A 16-bit resource (5-5-5) and a 32-bit bitmap of the display.
    ResourceBitmap frame(IDB_WAIT_07);
    CDIBitmap dib;
    ASSERT_TRUE(dib.LoadResource(IDB_WAIT_07));
    EXPECT_EQ(dib.GetBitCount(), 24);
    EXPECT_EQ(dib.GetPalEntries(), 0);
    EXPECT_EQ(dib.GetPalette(), nullptr);
    EXPECT_EQ(dib.GetHeaderPtr()->bmiHeader.biSizeImage, 104u * 15u);  // 34 * 3 padded to 104
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 34; ++x) ASSERT_TRUE(NearColour(DibAt(dib, x, y), frame.At(x, y), 7)) << x << "," << y;

    CClientDC screen(nullptr);
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateCompatibleBitmap(&screen, 5, 3));
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
    CBitmap* old = mem.SelectObject(&bmp);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) mem.SetPixel(x, y, RGB(x * 50, y * 100, 7 + x + y));
    mem.SelectObject(old);
    CDIBitmap deep;
    ASSERT_TRUE(deep.CreateFromBitmap(&screen, &bmp));
    EXPECT_EQ(deep.GetBitCount(), 24);
    EXPECT_EQ(deep.GetHeaderPtr()->bmiHeader.biSizeImage, 16u * 3u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(DibAt(deep, x, y), RGB(x * 50, y * 100, 7 + x + y));

    CDIBitmap again;
    ASSERT_TRUE(RoundTrip(deep, again));
    EXPECT_EQ(again.GetBitCount(), 24);
    EXPECT_EQ(0, std::memcmp(again.GetPixelPtr(), deep.GetPixelPtr(), 16 * 3));
}

TEST_F(DIBitmapGdiTest, FailedLoadsLeaveNoImage) {
    CDIBitmap dib;
    ASSERT_TRUE(dib.LoadResource(IDB_WAIT_REST));
    EXPECT_FALSE(dib.LoadResource(9999));
    EXPECT_EQ(dib.GetHeaderPtr(), nullptr);
    EXPECT_EQ(dib.GetPixelPtr(), nullptr);
    EXPECT_EQ(dib.GetPalette(), nullptr);
    CClientDC screen(nullptr);
    CBitmap empty;
    EXPECT_FALSE(dib.CreateFromBitmap(&screen, &empty));
    EXPECT_EQ(dib.GetPixelPtr(), nullptr);
    // Drawing nothing is harmless.
    dib.DrawDIB(&screen, 0, 0);
}

TEST_F(DIBitmapGdiTest, DrawDibInItsThreeForms) {
    ResourceBitmap img(IDB_WAIT_REST);  // 34 x 15, 8 bits
    CDIBitmap dib;
    ASSERT_TRUE(dib.LoadResource(IDB_WAIT_REST));
    CClientDC screen(nullptr);
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
    CBitmap target;
    ASSERT_TRUE(target.CreateCompatibleBitmap(&screen, 120, 60));
    CBitmap* old = mem.SelectObject(&target);
    const COLORREF fill = RGB(250, 0, 250);
    auto clear = [&] { mem.FillSolidRect(0, 0, 120, 60, fill); };

    // Whole image at its size.
    clear();
    dib.DrawDIB(&mem, 10, 5);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 34; ++x) ASSERT_EQ(mem.GetPixel(10 + x, 5 + y), img.At(x, y));
    EXPECT_EQ(mem.GetPixel(9, 5), fill);
    EXPECT_EQ(mem.GetPixel(44, 19), fill);

    // Stretched to twice its size.
    clear();
    dib.DrawDIB(&mem, 0, 0, 68, 30);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 34; ++x) ASSERT_EQ(mem.GetPixel(2 * x + 1, 2 * y + 1), img.At(x, y));
    EXPECT_EQ(mem.GetPixel(68, 10), fill);

    // A part, unscaled: rows and columns 5.. of the image (top-down) at (50, 40).
    clear();
    dib.DrawDIB(&mem, CRect(50, 40, 60, 46), CRect(5, 3, 15, 9));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(mem.GetPixel(50 + x, 40 + y), img.At(5 + x, 3 + y)) << x << "," << y;
    EXPECT_EQ(mem.GetPixel(60, 40), fill);
    EXPECT_EQ(mem.GetPixel(50, 46), fill);
    mem.SelectObject(old);
}
