// Pictures: BMP, GIF, JPEG, PNG and ICO (and no other format, nor one over
// the size bound) from files and from a loopback HTTP server,
// sizes in HIMETRIC, drawn upright from the source (0, height) with the
// extent (width, -height), and the failures of missing, refused and
// undecodable pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/afx/afxtest.h"
#include "platform/com/olectl.h"
#include "tests/support/http.h"
#include "tests/support/tempdir.h"

namespace {

// A 2 x 2 GIF: red, green over blue, white (each pixel its own code, with a
// clear code between, so that the codes stay 3 bits wide).
std::string Gif() {
    std::string g = "GIF89a";
    g += std::string("\x02\x00\x02\x00\x81\x00\x00", 7);
    g += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12);
    g += std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02", 11);
    const int codes[] = {4, 0, 4, 1, 4, 2, 4, 3, 5};
    std::string data;
    unsigned acc = 0;
    int bits = 0;
    for (int c : codes) {
        acc |= static_cast<unsigned>(c) << bits;
        bits += 3;
        while (bits >= 8) {
            data += static_cast<char>(acc & 0xff);
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) data += static_cast<char>(acc & 0xff);
    g += static_cast<char>(data.size());
    g += data;
    g += std::string("\x00\x3B", 2);
    return g;
}

COLORREF Quadrant(int x, int y, int w, int h) {
    bool top = y < h / 2, left = x < w / 2;
    return top ? (left ? RGB(255, 0, 0) : RGB(0, 255, 0)) : (left ? RGB(0, 0, 255) : RGB(255, 255, 255));
}

bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) < 40 && std::abs(GetGValue(a) - GetGValue(b)) < 40 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 40;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

HRESULT Load(const std::string& where, IPicture** pic) {
    std::u16string w = Wide(where);
    return OleLoadPicturePath(w.data(), nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(pic));
}

// Renders the picture upright (or as asked) into a 16 x 16 canvas and
// reads its corners.
struct Rendered {
    COLORREF topLeft, bottomRight;
};
Rendered Render(IPicture* p, bool upright) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 16, 16);
    HGDIOBJ old = SelectObject(dc, bmp);
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    p->get_Width(&w);
    p->get_Height(&h);
    RECT bounds{0, 0, 16, 16};
    HRESULT hr = upright ? p->Render(dc, 0, 0, 16, 16, 0, h, w, -h, &bounds) : p->Render(dc, 0, 0, 16, 16, 0, 0, w, h, &bounds);
    EXPECT_EQ(hr, S_OK);
    Rendered r{GetPixel(dc, 1, 1), GetPixel(dc, 14, 14)};
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return r;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string ReadAll(const std::string& path) {
    std::string s;
    FILE* f = fopen(path.c_str(), "rb");
    char buf[4096];
    size_t n;
    while (f != nullptr && (n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    if (f != nullptr) fclose(f);
    return s;
}

TEST(Picture, FilesOfEachFormatLoadWithHimetricSizesAndDrawUpright) {
    TempDir dir;
    WriteFile(dir / "a.gif", Gif());
    ASSERT_TRUE(afxtest::SaveImage((dir / "a.jpg").c_str(), "jpeg", 32, 32, [](int x, int y) { return Quadrant(x, y, 32, 32); }));
    ASSERT_TRUE(afxtest::SaveImage((dir / "a.bmp").c_str(), "bmp", 32, 32, [](int x, int y) { return Quadrant(x, y, 32, 32); }));
    for (const char* name : {"a.gif", "a.jpg", "a.bmp"}) {
        SCOPED_TRACE(name);
        IPicture* p = nullptr;
        ASSERT_EQ(Load(dir / name, &p), S_OK);
        ASSERT_NE(p, nullptr);
        OLE_XSIZE_HIMETRIC w = 0;
        p->get_Width(&w);
        EXPECT_EQ(w, std::string(name) == "a.gif" ? MulDiv(2, 2540, 96) : MulDiv(32, 2540, 96));
        Rendered up = Render(p, true);
        EXPECT_TRUE(Near(up.topLeft, RGB(255, 0, 0))) << std::hex << up.topLeft;
        EXPECT_TRUE(Near(up.bottomRight, RGB(255, 255, 255))) << std::hex << up.bottomRight;
        Rendered down = Render(p, false);
        EXPECT_TRUE(Near(down.topLeft, RGB(0, 0, 255))) << std::hex << down.topLeft;
        EXPECT_EQ(p->Release(), 0u);
    }
    IPicture* p = nullptr;
    EXPECT_EQ(Load("file://" + (dir / "a.gif"), &p), S_OK);
    if (p != nullptr) p->Release();
}

TEST(Picture, FailuresGiveFailureCodesAndNoPicture) {
    TempDir dir;
    IPicture* p = reinterpret_cast<IPicture*>(1);
    EXPECT_EQ(Load(dir / "none.gif", &p), CTL_E_PATHFILEACCESSERROR);
    EXPECT_EQ(p, nullptr);
    WriteFile(dir / "junk.gif", "GIF89a not really");
    EXPECT_EQ(Load(dir / "junk.gif", &p), CTL_E_INVALIDPICTURE);
    std::string gif = Gif();
    WriteFile(dir / "cut.gif", gif.substr(0, 20));
    EXPECT_TRUE(FAILED(Load(dir / "cut.gif", &p)));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(OleLoadPicturePath(nullptr, nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(&p)), E_INVALIDARG);
}

TEST(Picture, AddressesAreDownloadedAndRefusalsFail) {
    TempDir dir;
    ASSERT_TRUE(afxtest::SaveImage((dir / "a.jpg").c_str(), "jpeg", 32, 32, [](int x, int y) { return Quadrant(x, y, 32, 32); }));
    std::string jpeg = ReadAll(dir / "a.jpg");
    {
        loopback::Server server(httptest::Reply(httptest::Response(200, jpeg)));
        IPicture* p = nullptr;
        ASSERT_EQ(Load("http://127.0.0.1:" + std::to_string(server.Port()) + "/logo.jpg", &p), S_OK);
        Rendered up = Render(p, true);
        EXPECT_TRUE(Near(up.topLeft, RGB(255, 0, 0)));
        p->Release();
        ASSERT_EQ(server.Received().size(), 1u);
        EXPECT_EQ(server.Received()[0].rfind("GET /logo.jpg ", 0), 0u);
    }
    {
        loopback::Server server(httptest::Reply(httptest::Response(404, "missing")));
        IPicture* p = nullptr;
        EXPECT_EQ(Load("http://127.0.0.1:" + std::to_string(server.Port()) + "/x.gif", &p), INET_E_RESOURCE_NOT_FOUND);
        EXPECT_EQ(p, nullptr);
    }
    {
        loopback::Server server(httptest::Reply(httptest::Response(200, "<html>not a picture</html>")));
        IPicture* p = nullptr;
        EXPECT_EQ(Load("http://127.0.0.1:" + std::to_string(server.Port()) + "/x.gif", &p), CTL_E_INVALIDPICTURE);
    }
    {
        // Nobody listens there any more.
        unsigned short port;
        { loopback::Server gone(httptest::Reply(""), 0); port = gone.Port(); }
        IPicture* p = nullptr;
        EXPECT_EQ(Load("http://127.0.0.1:" + std::to_string(port) + "/x.gif", &p), INET_E_DOWNLOAD_FAILURE);
    }
}

}  // namespace

// Only BMP, JPEG, GIF, PNG and ICO are decoded, each at most
// AFX_PICTURE_MAX_SIDE pixels each way; anything else is not a picture.
TEST(Picture, OnlyTheFiveFormatsWithinTheSizeBoundAreDecoded) {
    TempDir dir;
    auto white = [](int, int) { return RGB(255, 255, 255); };
    const int max = AFX_PICTURE_MAX_SIDE;
    struct Case {
        const char* name;
        const char* type;
        int w, h;
        bool loads;
    } cases[] = {
        {"at.png", "png", max, max, true},      {"wide.png", "png", max + 1, 1, false},
        {"tall.png", "png", 1, max + 1, false}, {"at.bmp", "bmp", max, 1, true},
        {"wide.bmp", "bmp", max + 1, 1, false}, {"tall.jpg", "jpeg", 1, max + 1, false},
        {"a.ico", "ico", 32, 32, true},         {"a.tiff", "tiff", 16, 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(afxtest::SaveImage((dir / c.name).c_str(), c.type, c.w, c.h, white));
        IPicture* p = nullptr;
        HRESULT hr = Load(dir / c.name, &p);
        if (c.loads) {
            ASSERT_EQ(hr, S_OK);
            OLE_XSIZE_HIMETRIC w = 0;
            OLE_YSIZE_HIMETRIC h = 0;
            p->get_Width(&w);
            p->get_Height(&h);
            EXPECT_EQ(w, MulDiv(c.w, 2540, 96));
            EXPECT_EQ(h, MulDiv(c.h, 2540, 96));
            p->Release();
        } else {
            EXPECT_EQ(hr, CTL_E_INVALIDPICTURE);
            EXPECT_EQ(p, nullptr);
        }
    }

    // Pictures of other formats that gdk-pixbuf could read, and a GIF that
    // claims a screen of 65535 x 65535.
    WriteFile(dir / "a.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                             "<rect width=\"10\" height=\"10\" fill=\"red\"/></svg>");
    WriteFile(dir / "a.xpm", "/* XPM */\nstatic char * a[] = {\"2 2 1 1\", \". c #FF0000\", \"..\", \"..\"};\n");
    std::string huge = Gif();
    huge[6] = huge[7] = huge[8] = huge[9] = '\xFF';
    huge[30] = huge[31] = huge[32] = huge[33] = '\xFF';  // the image descriptor's size too
    WriteFile(dir / "huge.gif", huge);
    for (const char* name : {"a.svg", "a.xpm", "huge.gif"}) {
        SCOPED_TRACE(name);
        IPicture* p = nullptr;
        EXPECT_EQ(Load(dir / name, &p), CTL_E_INVALIDPICTURE);
        EXPECT_EQ(p, nullptr);
    }
    // Decoded from memory as from a file.
    IPicture* p = nullptr;
    std::string gif = Gif();
    ASSERT_EQ(AfxDecodePicture(gif.data(), gif.size(), &p), S_OK);
    p->Release();
    std::string svg = ReadAll(dir / "a.svg");
    EXPECT_EQ(AfxDecodePicture(svg.data(), svg.size(), &p), CTL_E_INVALIDPICTURE);
}
