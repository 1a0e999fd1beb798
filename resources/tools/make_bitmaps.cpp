// Draws the module's bitmaps and writes them as BMP files into the folder
// given as the only argument (resources/bitmaps in the source tree):
//
//   skin_background.bmp   234  444 x 506, 8 bits  the skinned dialog's frame
//   close_disabled.bmp    212   21 x 19,  8 bits  close button, disabled
//   close_pressed.bmp     213   21 x 19,  8 bits  close button, pressed
//   close_hover.bmp       214   21 x 19,  8 bits  close button, mouse over it
//   close_normal.bmp      215   21 x 19,  8 bits  close button
//   wait_01.bmp ... 13    239-242, 252-260, 34 x 15, 16 bits  waiting indicator
//   wait_rest.bmp         261   34 x 15,  8 bits  indicator at rest
//   toolbox.bmp             1   16 x 15,  4 bits  the control's toolbox picture
//
// The skinned dialog is 444 x 506 pixels; its template places the close
// button at (410, 8), the title line at (82, 44) 300 x 16, the waiting
// indicator at (395, 40) and the browser at (14, 72) 416 x 408. The close
// button and indicator images are cut from the drawn background at their
// places, so that they sit on it seamlessly.
//
// Build the target vemompi-make-bitmaps and run it, or build the target
// bitmaps, which writes into resources/bitmaps; then commit the files.
#include <cmath>
#include <cstdio>
#include <string>

#include "resources/tools/bmp_canvas.h"

using skin::Canvas;
using skin::Hex;
using skin::Mix;
using skin::Rgb;

namespace {

constexpr int kWidth = 444, kHeight = 506;
// Browser item 201: 7, 36, 208 x 204 dialog units at 8 x 16 base units.
constexpr int kBrowserX = 14, kBrowserY = 72, kBrowserW = 416, kBrowserH = 408;
constexpr int kCloseX = 410, kCloseY = 8;
constexpr int kWaitX = 395, kWaitY = 40;

constexpr Rgb kNavyTop = Hex(0x16305A);
constexpr Rgb kNavyBottom = Hex(0x295088);
constexpr Rgb kEdge = Hex(0x102646);
constexpr Rgb kBase = Hex(0xE8EDF4);
constexpr Rgb kWhite = Hex(0xFFFFFF);
constexpr Rgb kAccent = Hex(0x2C6BD6);
constexpr Rgb kAccentDark = Hex(0x1B4A9C);
constexpr Rgb kGold = Hex(0xE6BE5A);
constexpr Rgb kFrame = Hex(0xA5B3C7);
constexpr Rgb kShadow = Hex(0xD1D9E4);
constexpr Rgb kMuted = Hex(0x5A6A82);
constexpr Rgb kSubtitle = Hex(0xAFC6E6);
constexpr Rgb kDotIdle = Hex(0xC9D4E4);

constexpr int kHeaderBottom = 38;  // header band rows 1 .. 37
constexpr int kStripBottom = 66;   // title strip rows 38 .. 65

// A padlock of the given height (body and shackle) with its top-left at (x, y).
void Padlock(Canvas& c, double x, double y, double s, Rgb ink, Rgb hole) {
    double w = 13 * s;
    double cx = x + w / 2;
    double r = 3.6 * s;
    double sy = y + r + 0.8 * s;
    // Shackle: two legs and a half circle.
    c.Line(cx - r, sy, cx - r, y + 8 * s, 1.6 * s, ink);
    c.Line(cx + r, sy, cx + r, y + 8 * s, 1.6 * s, ink);
    for (int i = 0; i < 12; ++i) {
        double a0 = M_PI * i / 12, a1 = M_PI * (i + 1) / 12;
        c.Line(cx - r * std::cos(a0), sy - r * std::sin(a0), cx - r * std::cos(a1), sy - r * std::sin(a1), 1.6 * s,
               ink);
    }
    c.RoundRect(x, y + 7.5 * s, x + w, y + 18 * s, 2 * s, ink);
    c.Disc(cx, y + 11.6 * s, 1.5 * s, hole);
    c.Line(cx, y + 12 * s, cx, y + 15 * s, 1.2 * s, hole);
}

Canvas Background() {
    Canvas c(kWidth, kHeight, kBase);
    c.SetLevels(4);
    // Header band with the product's name and a padlock.
    c.Gradient(1, 1, kWidth - 1, kHeaderBottom, kNavyTop, kNavyBottom);
    Padlock(c, 14, 7, 1.2, kWhite, Mix(kNavyTop, kNavyBottom, 0.5));
    c.Text(36, 10, "TORVU CLICK", 2, kWhite);
    c.Text(36 + Canvas::TextWidth("TORVU CLICK", 2) + 10, 17, "SECURE PAYMENT", 1, kSubtitle);
    // Title strip: the page's title is written on it at (82, 44); a card
    // picture stands before it, the waiting indicator after it.
    c.Fill(1, kHeaderBottom, kWidth - 1, kStripBottom, kWhite);
    c.RoundRect(50, 45, 74, 60, 2, kAccent);
    c.Fill(50, 48, 74, 51, kAccentDark);
    c.RoundRect(54, 53, 60, 57, 1, kGold);
    c.Fill(1, kStripBottom, kWidth - 1, kStripBottom + 2, kAccent);
    // The browser's place, framed, with a soft shadow to the lower right.
    c.Fill(kBrowserX + 2, kBrowserY + kBrowserH + 1, kBrowserX + kBrowserW + 2, kBrowserY + kBrowserH + 2, kShadow);
    c.Fill(kBrowserX + kBrowserW + 1, kBrowserY + 2, kBrowserX + kBrowserW + 2, kBrowserY + kBrowserH + 2, kShadow);
    c.Frame(kBrowserX - 1, kBrowserY - 1, kBrowserX + kBrowserW + 1, kBrowserY + kBrowserH + 1, kFrame);
    c.Fill(kBrowserX, kBrowserY, kBrowserX + kBrowserW, kBrowserY + kBrowserH, kWhite);
    // Footer: a small padlock and the protection note, centred.
    const std::string note = "PROTECTED BY 3-D SECURE";
    int noteW = Canvas::TextWidth(note, 1);
    int total = 8 + 6 + noteW;
    int x0 = (kWidth - total) / 2;
    Padlock(c, x0, 487, 0.6, kMuted, kBase);
    c.Text(x0 + 14, 491, note, 1, kMuted);
    // Window edge.
    c.Frame(0, 0, kWidth, kHeight, kEdge);
    return c;
}

Canvas Crop(const Canvas& src, int x, int y, int w, int h) {
    Canvas c(w, h, Rgb{});
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) c.Set(i, j, src.At(x + i, y + j));
    return c;
}

// The close button, drawn on its part of the header. The button item is
// 20 x 20 pixels, so the image's last column is never shown: the face
// stays within the first 20.
Canvas CloseButton(const Canvas& bg, Rgb face, Rgb ink, int shift, bool sunken) {
    Canvas c = Crop(bg, kCloseX, kCloseY, 21, 19);
    c.RoundRect(1, 1, 20, 18, 3, face);
    if (sunken) c.Line(3, 2, 18, 2, 1, Mix(face, Hex(0x000000), 0.3));
    double o = shift;
    c.Line(7.5 + o, 6.5 + o, 13.5 + o, 12.5 + o, 1.9, ink);
    c.Line(13.5 + o, 6.5 + o, 7.5 + o, 12.5 + o, 1.9, ink);
    return c;
}

// Five dots; a bright head runs from left to right with a fading tail.
// frame 1 .. 13, or 0 for the indicator at rest.
Canvas WaitFrame(const Canvas& bg, int frame) {
    Canvas c = Crop(bg, kWaitX, kWaitY, 34, 15);
    c.SetLevels(16);
    for (int k = 0; k < 5; ++k) {
        double cx = 5 + 6 * k, cy = 7.5;
        if (frame == 0) {
            c.Disc(cx, cy, 2.3, Hex(0x9AAECB));
            continue;
        }
        double head = -0.6 + (frame - 1) * 6.6 / 13.0;
        double d = head - k;
        double t = d >= 0 ? std::max(0.0, 1.0 - d / 2.6) : std::max(0.0, 1.0 + d / 0.9);
        c.Disc(cx, cy, 2.0 + 0.9 * t, Mix(kDotIdle, kAccent, t));
    }
    return c;
}

// The control's toolbox picture: a card with its chip on grey.
Canvas Toolbox() {
    Canvas c(16, 15, Hex(0xC0C0C0));
    c.Fill(1, 3, 15, 13, Hex(0x000080));
    c.Fill(1, 5, 15, 7, Hex(0x000000));
    c.Fill(3, 9, 6, 11, Hex(0xFFFF00));
    c.Fill(8, 10, 13, 11, Hex(0xFFFFFF));
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output-folder\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = true;
    Canvas bg = Background();
    ok = ok && skin::WriteBmp8(bg, dir + "skin_background.bmp");
    ok = ok && skin::WriteBmp8(CloseButton(bg, Hex(0x36608F), kWhite, 0, false), dir + "close_normal.bmp");
    ok = ok && skin::WriteBmp8(CloseButton(bg, Hex(0xD9443A), kWhite, 0, false), dir + "close_hover.bmp");
    ok = ok && skin::WriteBmp8(CloseButton(bg, Hex(0xA3302A), Hex(0xF3D6D3), 1, true), dir + "close_pressed.bmp");
    ok = ok && skin::WriteBmp8(CloseButton(bg, Hex(0x56698A), Hex(0x9AA8BB), 0, false), dir + "close_disabled.bmp");
    for (int f = 1; f <= 13; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "wait_%02d.bmp", f);
        ok = ok && skin::WriteBmp16(WaitFrame(bg, f), dir + name);
    }
    ok = ok && skin::WriteBmp8(WaitFrame(bg, 0), dir + "wait_rest.bmp");
    ok = ok && skin::WriteBmp4(Toolbox(), dir + "toolbox.bmp");
    if (!ok) {
        std::fprintf(stderr, "writing the bitmaps failed\n");
        return 1;
    }
    return 0;
}
