// CDIBitmap and BMP files: loading with its two header checks, the
// refusal of short, truncated and lying files, saving, and round trips.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afx/afxfile.h"
#include "tests/support/tempdir.h"
#include "ui/DIBitmap.h"

namespace {

void Put16(std::vector<BYTE>& v, size_t at, uint32_t x) {
    v[at] = BYTE(x);
    v[at + 1] = BYTE(x >> 8);
}
void Put32(std::vector<BYTE>& v, size_t at, uint32_t x) {
    Put16(v, at, x & 0xFFFF);
    Put16(v, at + 2, x >> 16);
}

// A well-formed bottom-up BI_RGB file; pixel byte i is (i * 7 + 3) & 0xFF.
std::vector<BYTE> MakeBmp(int w, int h, int bits, int colors) {
    const uint32_t stride = ((uint32_t(w) * bits + 31) / 32) * 4;
    const uint32_t offset = 54 + 4 * colors;
    std::vector<BYTE> v(offset + stride * h, 0);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, uint32_t(v.size()));
    Put32(v, 10, offset);
    Put32(v, 14, 40);
    Put32(v, 18, uint32_t(w));
    Put32(v, 22, uint32_t(h));
    Put16(v, 26, 1);
    Put16(v, 28, uint32_t(bits));
    Put32(v, 34, stride * h);
    Put32(v, 46, uint32_t(colors));
    for (int i = 0; i < colors; ++i) {
        v[54 + 4 * i] = BYTE(i);            // blue
        v[54 + 4 * i + 1] = BYTE(255 - i);  // green
        v[54 + 4 * i + 2] = BYTE(i * 3);    // red
    }
    for (uint32_t i = 0; i < stride * h; ++i) v[offset + i] = BYTE((i * 7 + 3) & 0xFF);
    return v;
}

BOOL LoadBytes(CDIBitmap& bmp, const std::vector<BYTE>& bytes) {
    CMemFile f(bytes.data(), UINT(bytes.size()));
    return bmp.Load(f);
}

void ExpectEmpty(const CDIBitmap& bmp) {
    EXPECT_EQ(bmp.GetHeaderPtr(), nullptr);
    EXPECT_EQ(bmp.GetPixelPtr(), nullptr);
    EXPECT_EQ(bmp.GetWidth(), 0);
    EXPECT_EQ(bmp.GetPalette(), nullptr);
}

}  // namespace

TEST(DIBitmapLoad, ReadsHeaderColourTableAndRows) {
    std::vector<BYTE> file = MakeBmp(5, 3, 8, 256);
    CDIBitmap bmp;
    ASSERT_TRUE(LoadBytes(bmp, file));
    EXPECT_EQ(bmp.GetWidth(), 5);
    EXPECT_EQ(bmp.GetHeight(), 3);
    EXPECT_EQ(bmp.GetBitCount(), 8);
    EXPECT_EQ(bmp.NumColors(), 256);
    EXPECT_EQ(bmp.GetPalEntries(), 256);
    EXPECT_EQ(bmp.GetColorTablePtr()[7].rgbRed, 21);
    EXPECT_EQ(bmp.GetColorTablePtr()[7].rgbGreen, 248);
    EXPECT_EQ(0, std::memcmp(bmp.GetPixelPtr(), file.data() + 54 + 1024, 8 * 3));
    ASSERT_NE(bmp.GetPalette(), nullptr);
    PALETTEENTRY e{};
    ASSERT_EQ(bmp.GetPalette()->GetPaletteEntries(7, 1, &e), 1u);
    EXPECT_EQ(e.peRed, 21);
    EXPECT_EQ(e.peGreen, 248);
    EXPECT_EQ(e.peBlue, 7);
}

TEST(DIBitmapLoad, ColourCountOfTheHeaderAndDeepImagesWithoutPalette) {
    CDIBitmap four;
    ASSERT_TRUE(LoadBytes(four, MakeBmp(3, 2, 4, 5)));
    EXPECT_EQ(four.NumColors(), 5);
    EXPECT_EQ(four.GetPalEntries(), 16);
    // Table entries past the file's five belong to the pixels, not the table.
    EXPECT_EQ(four.GetColorTablePtr()[5].rgbRed, 0);
    EXPECT_EQ(four.GetColorTablePtr()[5].rgbBlue, 0);
    CDIBitmap deep;
    ASSERT_TRUE(LoadBytes(deep, MakeBmp(3, 2, 24, 0)));
    EXPECT_EQ(deep.GetPalEntries(), 0);
    EXPECT_EQ(deep.GetPalette(), nullptr);
}

TEST(DIBitmapLoad, StartsAtTheFilesPosition) {
    std::vector<BYTE> bmp = MakeBmp(4, 2, 24, 0);
    std::vector<BYTE> file(100 + bmp.size(), 0xEE);
    std::memcpy(file.data() + 100, bmp.data(), bmp.size());
    CMemFile f(file.data(), UINT(file.size()));
    f.Seek(100, CFile::begin);
    CDIBitmap dib;
    ASSERT_TRUE(dib.Load(f));
    EXPECT_EQ(0, std::memcmp(dib.GetPixelPtr(), bmp.data() + 54, 12 * 2));
}

TEST(DIBitmapLoad, RefusesOtherTypesAndOs2Headers) {
    std::vector<BYTE> notDib = MakeBmp(2, 2, 24, 0);
    notDib[1] = 'A';
    CDIBitmap a;
    EXPECT_FALSE(LoadBytes(a, notDib));
    ExpectEmpty(a);
    std::vector<BYTE> os2 = MakeBmp(2, 2, 24, 0);
    Put32(os2, 14, 12);
    CDIBitmap b;
    EXPECT_FALSE(LoadBytes(b, os2));
    ExpectEmpty(b);
}

TEST(DIBitmapLoad, RefusesShortTruncatedAndLyingFiles) {
    const std::vector<BYTE> good = MakeBmp(6, 4, 24, 0);
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"file header only", std::vector<BYTE>(good.begin(), good.begin() + 14)});
    cases.push_back({"half an info header", std::vector<BYTE>(good.begin(), good.begin() + 30)});
    cases.push_back({"rows cut", std::vector<BYTE>(good.begin(), good.end() - 1)});
    auto mutate = [&](const char* what, auto fn) {
        std::vector<BYTE> v = good;
        fn(v);
        cases.push_back({what, v});
    };
    mutate("file size past the end", [](auto& v) { Put32(v, 2, uint32_t(v.size()) + 1); });
    mutate("pixel offset past the end", [](auto& v) { Put32(v, 10, uint32_t(v.size()) + 10); });
    mutate("pixel offset inside the headers", [](auto& v) { Put32(v, 10, 20); });
    mutate("file size below the offset", [](auto& v) { Put32(v, 2, 40); });
    mutate("rows beyond the file size", [](auto& v) { Put32(v, 22, 400); });
    mutate("width of 2^31 - 1", [](auto& v) { Put32(v, 18, 0x7FFFFFFF); });
    mutate("zero width", [](auto& v) { Put32(v, 18, 0); });
    mutate("negative height", [](auto& v) { Put32(v, 22, uint32_t(-4)); });
    mutate("side over 16384", [](auto& v) { Put32(v, 18, 16385); });
    mutate("two planes", [](auto& v) { Put16(v, 26, 2); });
    mutate("7 bits per pixel", [](auto& v) { Put16(v, 28, 7); });
    mutate("run-length compression", [](auto& v) { Put32(v, 30, 1); });
    mutate("more colours than 256", [](auto& v) { Put32(v, 46, 257); });
    std::vector<BYTE> pal4 = MakeBmp(4, 4, 4, 16);
    Put32(pal4, 46, 17);
    cases.push_back({"more colours than 4 bits index", pal4});
    for (const Case& c : cases) {
        CDIBitmap bmp;
        ASSERT_TRUE(LoadBytes(bmp, good));  // a previous image is freed by the failed load
        EXPECT_FALSE(LoadBytes(bmp, c.bytes)) << c.what;
        ExpectEmpty(bmp);
    }
}

TEST(DIBitmapLoad, MissingFileAndLargeImageAtTheLimit) {
    CDIBitmap bmp;
    EXPECT_FALSE(bmp.Load("/nonexistent/dir/picture.bmp"));
    // 16384 x 1024 at 32 bits is exactly 64 MiB of rows: accepted.
    std::vector<BYTE> big = MakeBmp(16384, 1024, 32, 0);
    EXPECT_TRUE(LoadBytes(bmp, big));
    // One row more is refused.
    std::vector<BYTE> bigger = MakeBmp(16384, 1025, 32, 0);
    EXPECT_FALSE(LoadBytes(bmp, bigger));
}

TEST(DIBitmapSave, RoundTripsThroughFilesAt8And24Bits) {
    for (int bits : {8, 24, 1, 16}) {
        const int colors = bits == 8 ? 256 : bits == 1 ? 2 : 0;
        std::vector<BYTE> file = MakeBmp(7, 5, bits, colors);
        CDIBitmap bmp;
        ASSERT_TRUE(LoadBytes(bmp, file)) << bits;
        TempDir dir;
        const std::string path = dir.path() + "/picture.bmp";
        ASSERT_TRUE(bmp.Save(path.c_str()));
        CDIBitmap again;
        ASSERT_TRUE(again.Load(path.c_str())) << bits;
        EXPECT_EQ(again.GetWidth(), 7);
        EXPECT_EQ(again.GetHeight(), 5);
        EXPECT_EQ(again.GetBitCount(), bits);
        const size_t rows = ((7u * bits + 31) / 32) * 4 * 5;
        EXPECT_EQ(0, std::memcmp(again.GetPixelPtr(), bmp.GetPixelPtr(), rows)) << bits;
        EXPECT_EQ(0, std::memcmp(again.GetColorTablePtr(), bmp.GetColorTablePtr(), 4 * bmp.GetPalEntries()));
    }
}

TEST(DIBitmapSave, WritesTheLayoutItDescribes) {
    CDIBitmap bmp;
    ASSERT_TRUE(LoadBytes(bmp, MakeBmp(3, 2, 8, 16)));
    CMemFile out;
    ASSERT_TRUE(bmp.Save(out));
    const std::vector<BYTE>& v = out.Data();
    ASSERT_EQ(v.size(), 14u + 40 + 1024 + 8);
    EXPECT_EQ(v[0], 'B');
    EXPECT_EQ(v[1], 'M');
    auto at32 = [&](size_t i) { return uint32_t(v[i] | v[i + 1] << 8 | v[i + 2] << 16 | v[i + 3] << 24); };
    EXPECT_EQ(at32(2), v.size());
    EXPECT_EQ(at32(6), 0u);
    EXPECT_EQ(at32(10), 14u + 40 + 1024);
    EXPECT_EQ(at32(14), 40u);
    EXPECT_EQ(at32(34), 8u);  // image size
    EXPECT_EQ(at32(46), 16u);
    CDIBitmap empty;
    CMemFile none;
    EXPECT_FALSE(empty.Save(none));
    EXPECT_TRUE(none.Data().empty());
}
