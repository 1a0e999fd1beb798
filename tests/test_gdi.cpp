// The drawing layer without windows: DIBs of every depth drawn upright,
// partial DIB copies, GetDIBits of DIB sections, BMP files that lie,
// selection and saved states, bit transfers cut at the edges, stock
// brushes, palettes on the true-colour display, MulDiv, and Korean text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "tests/support/tempdir.h"

namespace {

// A memory context with a w x h display bitmap selected, filled white.
struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    Canvas(int w, int h) : dc(CreateCompatibleDC(nullptr)), bmp(CreateCompatibleBitmap(nullptr, w, h)) {
        old = SelectObject(dc, bmp);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
};

// A bottom-up 2 x 2 DIB: colours are given top row first.
struct Dib {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
    const BITMAPINFO* bmi() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

Dib MakeDib(int bpp, const uint32_t top[2], const uint32_t bottom[2]) {
    Dib d;
    int colors = bpp <= 8 ? 1 << bpp : 0;
    d.info.assign(sizeof(BITMAPINFOHEADER) + 4 * colors, 0);
    BITMAPINFOHEADER h{sizeof h, 2, 2, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    memcpy(d.info.data(), &h, sizeof h);
    auto* table = reinterpret_cast<RGBQUAD*>(d.info.data() + sizeof h);
    uint32_t px[4] = {bottom[0], bottom[1], top[0], top[1]};  // stored bottom row first
    for (int i = 0; i < 4 && colors != 0; ++i)
        table[i % colors] = RGBQUAD{static_cast<BYTE>(px[i]), static_cast<BYTE>(px[i] >> 8), static_cast<BYTE>(px[i] >> 16), 0};
    size_t stride = ((2 * static_cast<size_t>(bpp) + 31) / 32) * 4;
    d.bits.assign(stride * 2, 0);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 2; ++x) {
            uint32_t c = px[row * 2 + x];
            uint8_t* r = d.bits.data() + row * stride;
            int idx = (row * 2 + x) % (colors ? colors : 1);
            switch (bpp) {
                case 1: r[0] |= static_cast<uint8_t>(idx << (7 - x)); break;
                case 4: r[0] |= static_cast<uint8_t>(idx << (x == 0 ? 4 : 0)); break;
                case 8: r[x] = static_cast<uint8_t>(idx); break;
                case 16: {
                    uint16_t v = static_cast<uint16_t>(((c >> 19) & 0x1f) << 10 | ((c >> 11) & 0x1f) << 5 | ((c >> 3) & 0x1f));
                    memcpy(r + 2 * x, &v, 2);
                    break;
                }
                case 24: r[3 * x] = c & 0xff; r[3 * x + 1] = (c >> 8) & 0xff; r[3 * x + 2] = (c >> 16) & 0xff; break;
            }
        }
    return d;
}

COLORREF Ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff); }

TEST(GdiDib, EveryDepthIsDrawnUprightByStretchDIBits) {
    // 1 bpp holds two colours: the top row is black and white, the bottom
    // row the same (pixel index = position modulo the table size).
    for (int bpp : {1, 4, 8, 16, 24}) {
        SCOPED_TRACE(bpp);
        uint32_t top[2] = {0xff0000, 0x00ff00}, bottom[2] = {0x0000ff, 0xffffff};
        if (bpp == 1) top[0] = bottom[0] = 0x000000, top[1] = bottom[1] = 0xffffff;
        Dib d = MakeDib(bpp, top, bottom);
        Canvas c(4, 4);
        ASSERT_EQ(StretchDIBits(c.dc, 0, 0, 4, 4, 0, 0, 2, 2, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCCOPY), 2);
        EXPECT_EQ(GetPixel(c.dc, 0, 0), Ref(top[0]));
        EXPECT_EQ(GetPixel(c.dc, 3, 1), Ref(top[1]));
        EXPECT_EQ(GetPixel(c.dc, 1, 3), Ref(bottom[0]));
        EXPECT_EQ(GetPixel(c.dc, 2, 2), Ref(bottom[1]));
    }
}

TEST(GdiDib, SetDIBitsToDeviceCopiesTheSourceRectangleUnscaled) {
    uint32_t top[2] = {0xff0000, 0x00ff00}, bottom[2] = {0x0000ff, 0x808080};
    Dib d = MakeDib(24, top, bottom);
    Canvas c(4, 4);
    // The lower-right pixel alone: DIB origin at the lower-left corner.
    ASSERT_EQ(SetDIBitsToDevice(c.dc, 1, 1, 1, 1, 1, 0, 0, 2, d.bits.data(), d.bmi(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(c.dc, 2, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(c.dc, 1, 2), RGB(255, 255, 255));
}

TEST(GdiDib, GetDIBitsGivesADibSectionsOwnIndicesAndTableOrTrueColour) {
    uint32_t top[2] = {0x112233, 0x445566}, bottom[2] = {0x778899, 0xaabbcc};
    Dib d = MakeDib(8, top, bottom);
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, d.bmi(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(h, nullptr);
    memcpy(bits, d.bits.data(), d.bits.size());
    BITMAP bm{};
    ASSERT_EQ(GetObject(h, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 8);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 1024, 0);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> out(8, 0xEE);
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, h, 0, 2, out.data(), bi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[4], 2);
    EXPECT_EQ(bi->bmiColors[3].rgbRed, 0x44);
    bi->bmiHeader.biBitCount = 24;
    std::vector<uint8_t> rgb(16, 0);
    ASSERT_EQ(GetDIBits(screen, h, 0, 2, rgb.data(), bi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(rgb[0], 0x99);  // bottom-left pixel, blue first
    EXPECT_EQ(rgb[2], 0x77);
    EXPECT_EQ(GetDIBits(screen, h, 2, 1, rgb.data(), bi, DIB_RGB_COLORS), 0);  // no line 2
    ReleaseDC(nullptr, screen);
    DeleteObject(h);
}

std::vector<uint8_t> BmpFile(const Dib& d) {
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, static_cast<DWORD>(14 + d.info.size())};
    fh.bfSize = static_cast<DWORD>(14 + d.info.size() + d.bits.size());
    std::vector<uint8_t> f(14);
    memcpy(f.data(), &fh, 14);
    f.insert(f.end(), d.info.begin(), d.info.end());
    f.insert(f.end(), d.bits.begin(), d.bits.end());
    return f;
}

HANDLE LoadFromBytes(const TempDir& dir, const std::vector<uint8_t>& bytes) {
    std::string path = dir / "x.bmp";
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return LoadImage(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
}

TEST(GdiDib, LoadImageReadsAFileAndRefusesTruncatedOrLyingOnes) {
    TempDir dir;
    uint32_t top[2] = {0xff0000, 0x00ff00}, bottom[2] = {0x0000ff, 0xffffff};
    std::vector<uint8_t> good = BmpFile(MakeDib(8, top, bottom));
    HANDLE h = LoadFromBytes(dir, good);
    ASSERT_NE(h, nullptr);
    BITMAP bm{};
    GetObject(h, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmBitsPixel, 8);
    Canvas c(2, 2);
    HDC mem = CreateCompatibleDC(c.dc);
    HGDIOBJ old = SelectObject(mem, h);
    BitBlt(c.dc, 0, 0, 2, 2, mem, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(255, 0, 0));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(h);

    std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
    EXPECT_EQ(LoadFromBytes(dir, truncated), nullptr);
    std::vector<uint8_t> lying = good;
    lying[10] = 0xF0;  // pixels past the end
    EXPECT_EQ(LoadFromBytes(dir, lying), nullptr);
    std::vector<uint8_t> huge = good;
    huge[18 + 3] = 0x7F;  // width of two thousand million pixels
    EXPECT_EQ(LoadFromBytes(dir, huge), nullptr);
    EXPECT_EQ(LoadImage(nullptr, (dir / "none.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(GdiDc, SelectionSavedStatesAndBlitsCutAtTheEdges) {
    Canvas c(4, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ before = SelectObject(c.dc, red);
    EXPECT_EQ(before, GetStockObject(WHITE_BRUSH));
    int saved = SaveDC(c.dc);
    SetBkMode(c.dc, TRANSPARENT);
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(RestoreDC(c.dc, saved));
    EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), static_cast<HGDIOBJ>(red));
    PatBlt(c.dc, 0, 0, 2, 2, PATCOPY);
    EXPECT_EQ(GetPixel(c.dc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(255, 255, 255));
    // A red brush selected cannot go; it goes once deselected.
    EXPECT_FALSE(DeleteObject(red));
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));

    Canvas d(3, 3);
    EXPECT_TRUE(BitBlt(d.dc, -1, -1, 10, 10, c.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(d.dc, 0, 0), RGB(255, 0, 0));  // source (1, 1)
    EXPECT_EQ(GetPixel(d.dc, 1, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d.dc, 5, 5), CLR_INVALID);

    RECT all{0, 0, 3, 3};
    FillRect(d.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
    EXPECT_EQ(GetPixel(d.dc, 0, 0), RGB(255, 0, 0));  // the hollow brush paints nothing
    FillRect(d.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetPixel(d.dc, 0, 0), RGB(255, 255, 255));
}

TEST(GdiDc, PalettesRealiseNothingOnTheTrueColourDisplay) {
    Canvas c(1, 1);
    std::vector<uint8_t> buf(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, 0, 0};
    CPalette pal;
    ASSERT_TRUE(pal.CreatePalette(lp));
    EXPECT_EQ(pal.GetEntryCount(), 256);
    CDC* dc = CDC::FromHandle(c.dc);
    CPalette* old = dc->SelectPalette(&pal, FALSE);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(dc->RealizePalette(), 0u);
    dc->SelectPalette(old, FALSE);
    EXPECT_EQ(GetDeviceCaps(c.dc, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(c.dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(c.dc, LOGPIXELSY), 96);
}

TEST(GdiDc, MulDivRoundsAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(MulDiv(5, 3, 2), 8);  // 7.5 rounds away from zero
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(2540, 96, 2540), 96);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1);
}

TEST(GdiText, TheKoreanFaceFallsBackToAKoreanFontAndDrawsGlyphs) {
    // "굴림" and "한국어" in code page 949.
    const char gulim[] = "\xB1\xBC\xB8\xB2";
    CFont font;
    ASSERT_TRUE(font.CreateFont(12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FF_SWISS, gulim));
    EXPECT_EQ(afxtest::UnknownGlyphs(font, "한국어 카드 인증"), 0);
    Canvas c(80, 20);
    HGDIOBJ old = SelectObject(c.dc, font.m_hObject);
    SetBkMode(c.dc, TRANSPARENT);
    EXPECT_TRUE(TextOut(c.dc, 0, 0, "\xC7\xD1\xB1\xB9\xBE\xEE", 6));
    int dark = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) dark += GetRValue(GetPixel(c.dc, x, y)) < 128;
    EXPECT_GT(dark, 10);
    SIZE s{};
    GetTextExtentPoint32(c.dc, "\xC7\xD1\xB1\xB9\xBE\xEE", 6, &s);
    EXPECT_GE(s.cy, 10);
    EXPECT_LE(s.cy, 20);  // a cell of about 12 pixels
    SelectObject(c.dc, old);
}

}  // namespace
