#include "resources/tools/bmp_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

namespace skin {

Rgb Mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto m = [t](uint8_t u, uint8_t v) { return static_cast<uint8_t>(std::lround(u + (v - u) * t)); };
    return Rgb{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Canvas::Canvas(int width, int height, Rgb fill) : w_(width), h_(height), px_(static_cast<size_t>(width) * height, fill) {}

void Canvas::Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    px_[static_cast<size_t>(y) * w_ + x] = c;
}

void Canvas::Blend(int x, int y, Rgb c, double a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    a = std::round(std::clamp(a, 0.0, 1.0) * levels_) / levels_;
    if (a <= 0.0) return;
    Set(x, y, Mix(At(x, y), c, a));
}

void Canvas::Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Set(x, y, c);
}

void Canvas::Frame(int x0, int y0, int x1, int y1, Rgb c) {
    Fill(x0, y0, x1, y0 + 1, c);
    Fill(x0, y1 - 1, x1, y1, c);
    Fill(x0, y0, x0 + 1, y1, c);
    Fill(x1 - 1, y0, x1, y1, c);
}

void Canvas::Gradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y) {
        double t = y1 - y0 > 1 ? double(y - y0) / (y1 - y0 - 1) : 0.0;
        Fill(x0, y, x1, y + 1, Mix(top, bottom, t));
    }
}

template <class F>
void Canvas::Cover(int x0, int y0, int x1, int y1, Rgb c, F inside) {
    for (int y = std::max(y0, 0); y < std::min(y1, h_); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, w_); ++x) {
            int n = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++n;
            Blend(x, y, c, n / 16.0);
        }
    }
}

void Canvas::RoundRect(double x0, double y0, double x1, double y1, double rad, Rgb c) {
    Cover(int(std::floor(x0)), int(std::floor(y0)), int(std::ceil(x1)), int(std::ceil(y1)), c,
          [=](double px, double py) {
              if (px < x0 || px >= x1 || py < y0 || py >= y1) return false;
              double cx = std::clamp(px, x0 + rad, x1 - rad);
              double cy = std::clamp(py, y0 + rad, y1 - rad);
              return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= rad * rad;
          });
}

void Canvas::Disc(double cx, double cy, double radius, Rgb c) {
    Cover(int(std::floor(cx - radius)), int(std::floor(cy - radius)), int(std::ceil(cx + radius)),
          int(std::ceil(cy + radius)), c,
          [=](double px, double py) { return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius; });
}

void Canvas::Line(double xa, double ya, double xb, double yb, double width, Rgb c) {
    double r = width / 2.0;
    double dx = xb - xa, dy = yb - ya, len2 = dx * dx + dy * dy;
    Cover(int(std::floor(std::min(xa, xb) - r)), int(std::floor(std::min(ya, yb) - r)),
          int(std::ceil(std::max(xa, xb) + r)), int(std::ceil(std::max(ya, yb) + r)), c, [=](double px, double py) {
              double t = len2 > 0 ? std::clamp(((px - xa) * dx + (py - ya) * dy) / len2, 0.0, 1.0) : 0.0;
              double qx = xa + t * dx - px, qy = ya + t * dy - py;
              return qx * qx + qy * qy <= r * r;
          });
}

namespace {

// Rows of the 5 x 7 font, the high bit of each row's five bits on the left.
const std::map<char, std::array<uint8_t, 7>>& Font() {
    static const std::map<char, std::array<uint8_t, 7>> font = {
        {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
        {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
        {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
        {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
        {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
        {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}}, {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
        {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
        {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
        {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x0A, 0x0A, 0x04}},
        {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
        {'-', {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
        {' ', {0, 0, 0, 0, 0, 0, 0}},
    };
    return font;
}

}  // namespace

int Canvas::TextWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

int Canvas::Text(int x, int y, const std::string& text, int scale, Rgb c) {
    int cx = x;
    for (char ch : text) {
        auto it = Font().find(ch);
        if (it != Font().end()) {
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (it->second[row] & (0x10 >> col)) Fill(cx + col * scale, y + row * scale, cx + (col + 1) * scale,
                                                              y + (row + 1) * scale, c);
        }
        cx += 6 * scale;
    }
    return TextWidth(text, scale);
}

// ---------------------------------------------------------------- BMP files

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// File header, info header and colour table; rows follow.
std::vector<uint8_t> Headers(int w, int h, int bits, const std::vector<Rgb>& table) {
    uint32_t stride = ((uint32_t(w) * bits + 31) / 32) * 4;
    uint32_t offset = 14 + 40 + 4 * uint32_t(table.size());
    std::vector<uint8_t> v;
    v.push_back('B');
    v.push_back('M');
    Put32(v, offset + stride * h);
    Put32(v, 0);
    Put32(v, offset);
    Put32(v, 40);
    Put32(v, uint32_t(w));
    Put32(v, uint32_t(h));
    Put16(v, 1);
    Put16(v, uint16_t(bits));
    Put32(v, 0);  // BI_RGB
    Put32(v, stride * h);
    Put32(v, 2835);  // 72 dots per inch
    Put32(v, 2835);
    Put32(v, uint32_t(table.size()));
    Put32(v, 0);
    for (Rgb c : table) {
        v.push_back(c.b);
        v.push_back(c.g);
        v.push_back(c.r);
        v.push_back(0);
    }
    return v;
}

bool WriteFile(const std::vector<uint8_t>& bytes, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void PadRow(std::vector<uint8_t>& v, size_t rowStart) {
    while ((v.size() - rowStart) % 4 != 0) v.push_back(0);
}

}  // namespace

bool WriteBmp8(const Canvas& img, const std::string& path) {
    std::map<Rgb, int> index;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) index.emplace(img.At(x, y), 0);
    if (index.size() > 256) {
        std::fprintf(stderr, "%s: %zu colours do not fit 8 bits\n", path.c_str(), index.size());
        return false;
    }
    std::vector<Rgb> table;
    for (auto& [c, i] : index) {
        i = static_cast<int>(table.size());
        table.push_back(c);
    }
    std::vector<uint8_t> v = Headers(img.Width(), img.Height(), 8, table);
    for (int y = img.Height() - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < img.Width(); ++x) v.push_back(uint8_t(index[img.At(x, y)]));
        PadRow(v, start);
    }
    return WriteFile(v, path);
}

bool WriteBmp16(const Canvas& img, const std::string& path) {
    std::vector<uint8_t> v = Headers(img.Width(), img.Height(), 16, {});
    for (int y = img.Height() - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < img.Width(); ++x) {
            Rgb c = img.At(x, y);
            auto five = [](uint8_t u) { return uint32_t((u * 31 + 127) / 255); };
            Put16(v, five(c.r) << 10 | five(c.g) << 5 | five(c.b));
        }
        PadRow(v, start);
    }
    return WriteFile(v, path);
}

bool WriteBmp4(const Canvas& img, const std::string& path) {
    static const std::vector<Rgb> vga = {
        Hex(0x000000), Hex(0x800000), Hex(0x008000), Hex(0x808000), Hex(0x000080), Hex(0x800080),
        Hex(0x008080), Hex(0xC0C0C0), Hex(0x808080), Hex(0xFF0000), Hex(0x00FF00), Hex(0xFFFF00),
        Hex(0x0000FF), Hex(0xFF00FF), Hex(0x00FFFF), Hex(0xFFFFFF),
    };
    auto nearest = [](Rgb c) {
        int best = 0, bestD = 1 << 30;
        for (int i = 0; i < 16; ++i) {
            int dr = c.r - vga[i].r, dg = c.g - vga[i].g, db = c.b - vga[i].b;
            int d = dr * dr + dg * dg + db * db;
            if (d < bestD) bestD = d, best = i;
        }
        return best;
    };
    std::vector<uint8_t> v = Headers(img.Width(), img.Height(), 4, vga);
    for (int y = img.Height() - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < img.Width(); x += 2) {
            int hi = nearest(img.At(x, y));
            int lo = x + 1 < img.Width() ? nearest(img.At(x + 1, y)) : 0;
            v.push_back(uint8_t(hi << 4 | lo));
        }
        PadRow(v, start);
    }
    return WriteFile(v, path);
}

}  // namespace skin
