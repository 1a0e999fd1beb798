// What the screen shows of the Windows module's skinned dialog under Wine,
// read as a person's tool reads it (xwd's picture of the root window): the
// dialog has the size of its background bitmap, stands in the middle of the
// screen, and its header and footer show the bitmap's pixels. Wine's
// "System" font is smaller than Windows', and a dialog sized by that font
// came out cut, at the top-left corner, without its header and footer.
// Skips, with the reason, without wine64, the Windows module or a display.
#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sandbox/MpiSandbox.h"
#include "tests/host/host_run.h"
#include "tests/support/screen.h"
#include "tests/windows/wine_run.h"

namespace {

using hosttest::Outcome;
using winetest::Prefix;

// The background bitmap's pixels, 24 bits each, top-down.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
};

Picture LoadPicture(const std::string& path) {
    Picture pic;
    GdkPixbuf* pb = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    if (pb == nullptr) return pic;
    pic.width = gdk_pixbuf_get_width(pb);
    pic.height = gdk_pixbuf_get_height(pb);
    int stride = gdk_pixbuf_get_rowstride(pb), n = gdk_pixbuf_get_n_channels(pb);
    const guchar* data = gdk_pixbuf_read_pixels(pb);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const guchar* p = data + y * stride + x * n;
            pic.px.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]));
        }
    g_object_unref(pb);
    return pic;
}

// Each channel within a few steps: 16-bit colours widen to 24 bits by more
// than one rule.
bool Near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) return false;
    return true;
}

std::string WindowsModule() {
    const char* dir = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return std::string(dir != nullptr && *dir != '\0' ? dir : VEMOMPI_WINDOWS_BUILD) + "/VemoMPIOCX.ocx";
}

}  // namespace

TEST(WineScreen, TheSkinnedDialogShowsItsBitmapWholeInTheMiddleOfTheScreen) {
    if (winetest::Wine64().empty()) GTEST_SKIP() << "wine64 is not installed (Debian package wine64)";
    if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the dialog needs a display (xvfb-run)";
    if (!winetest::IsFile(WindowsModule()))
        GTEST_SKIP() << WindowsModule() << " is not built (scripts/build-windows.sh builds it)";
    Prefix& wine = Prefix::Get();
    if (!wine.Ready()) GTEST_SKIP() << "no Wine prefix: " << wine.Error();
    Picture background = LoadPicture(std::string(VEMOMPI_BITMAPS) + "/skin_background.bmp");
    ASSERT_GT(background.width, 400);
    Outcome reg = wine.Run({"regsvr32", "/s", winetest::WinePath(WindowsModule())});
    ASSERT_EQ(reg.code, 0) << reg.out << reg.err;

    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    TempDir dir;
    std::string text;
    ASSERT_TRUE(hosttest::ReadFile(std::string(VEMOMPI_WINDOWS_SCRIPTS) + "/skin_wait.js", &text));
    std::string script = dir / "skin_wait.js";
    hosttest::WriteText(script, "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() +
                                    "\", TIMEOUT_MS = 15000;\n" + text);
    Outcome r;
    std::atomic<bool> done{false};
    std::thread run([&] {
        r = wine.Run({"cscript", "//nologo", winetest::WinePath(script)}, 120);
        done = true;
    });

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    // The dialog, once it has been up a moment (its first paint done).
    screentest::Rect dlg;
    bool seen = false;
    for (int step = 0; step < 200 && !done && !seen; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        seen = screentest::FindDialog(display, &dlg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    int width = DisplayWidth(display, DefaultScreen(display)), height = DisplayHeight(display, DefaultScreen(display));
    std::vector<uint32_t> screen = seen ? screentest::ScreenByXwd(dlg.x, dlg.y, dlg.w, dlg.h) : std::vector<uint32_t>();
    XCloseDisplay(display);
    run.join();
    EXPECT_EQ(winetest::Lines(r.out), "rc=11001\n") << r.err;
    ASSERT_TRUE(seen) << "no dialog on the screen";
    EXPECT_EQ(dlg.w, background.width);
    EXPECT_EQ(dlg.h, background.height);
    EXPECT_LE(std::abs(2 * dlg.x + dlg.w - width), 1) << "x " << dlg.x << " of " << width;
    EXPECT_LE(std::abs(2 * dlg.y + dlg.h - height), 1) << "y " << dlg.y << " of " << height;
    ASSERT_EQ(screen.size(), size_t(dlg.w) * size_t(dlg.h)) << "xwd's picture could not be read";
    if (dlg.w != background.width || dlg.h != background.height) return;

    // The header left of the close button, and the footer: nothing but the
    // bitmap is drawn there.
    struct Band {
        const char* name;
        int top, bottom, right;
    } bands[] = {{"header", 0, 34, 400}, {"footer", background.height - 24, background.height, background.width}};
    for (const Band& b : bands) {
        int differing = 0, compared = 0;
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = 0; x < b.right; ++x, ++compared)
                differing += !Near(screen[size_t(y) * dlg.w + x], background.px[size_t(y) * background.width + x]);
        EXPECT_EQ(differing, 0) << "of " << compared << " pixels of the " << b.name << ", " << differing
                                << " differ from the bitmap on the screen";
    }
}
