// A small RGB canvas with the drawing the skin bitmaps need (filled and
// rounded rectangles, anti-aliased discs and strokes, a 5 x 7 pixel font),
// and writers of Windows BMP files at 4, 8 and 16 bits per pixel. Used only
// by the generator of the module's bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator<(const Rgb& o) const {
        return (r << 16 | g << 8 | b) < (o.r << 16 | o.g << 8 | o.b);
    }
};

constexpr Rgb Hex(uint32_t v) { return Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
// a + (b - a) * t, t in [0, 1].
Rgb Mix(Rgb a, Rgb b, double t);

class Canvas {
public:
    Canvas(int width, int height, Rgb fill);

    int Width() const { return w_; }
    int Height() const { return h_; }
    Rgb At(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    void Set(int x, int y, Rgb c);
    // Lays c over the pixel with coverage a in [0, 1], quantised to a few
    // levels so that 8-bit images keep a small palette.
    void Blend(int x, int y, Rgb c, double a);
    // Coverage levels Blend keeps (8 unless set): fewer levels, fewer colours.
    void SetLevels(int levels) { levels_ = levels; }

    // Rectangles are [x0, x1) x [y0, y1), top-down.
    void Fill(int x0, int y0, int x1, int y1, Rgb c);
    void Frame(int x0, int y0, int x1, int y1, Rgb c);
    // Vertical gradient from top to bottom, one colour per row.
    void Gradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom);
    // A rectangle with rounded corners of radius rad, anti-aliased.
    void RoundRect(double x0, double y0, double x1, double y1, double rad, Rgb c);
    void Disc(double cx, double cy, double radius, Rgb c);
    // A stroke of the given width between two points, round ends.
    void Line(double xa, double ya, double xb, double yb, double width, Rgb c);

    // Text in the 5 x 7 font (upper case, digits, a few signs), each font
    // pixel drawn as scale x scale pixels, one font column of space between
    // characters. Returns the width drawn.
    int Text(int x, int y, const std::string& text, int scale, Rgb c);
    static int TextWidth(const std::string& text, int scale);

private:
    // Coverage of the shape inside(px, py) over pixel (x, y), 4 x 4 samples.
    template <class F>
    void Cover(int x0, int y0, int x1, int y1, Rgb c, F inside);

    int w_, h_;
    int levels_ = 8;
    std::vector<Rgb> px_;
};

// BMP files, bottom-up rows padded to 4 bytes, BI_RGB. False when the image
// has more colours than the depth can index.
bool WriteBmp8(const Canvas& img, const std::string& path);
bool WriteBmp16(const Canvas& img, const std::string& path);  // 5-5-5
// 4 bits per pixel on the 16 standard VGA colours (nearest colour).
bool WriteBmp4(const Canvas& img, const std::string& path);

}  // namespace skin
