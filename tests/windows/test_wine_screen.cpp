// What the screen shows of the Windows module's skinned dialog under Wine,
// read as a person's tool reads it (xwd's picture of the root window): the
// dialog has the size of its background bitmap, stands in the middle of the
// screen, and its header and footer show the bitmap's pixels. Wine's
// "System" font is smaller than Windows', and a dialog sized by that font
// came out cut, at the top-left corner, without its header and footer.
// And what a person does there: the close button and Alt+F4 at the
// issuer's page, pressed through the X server, end the call with 12006.
// Skips, with the reason, without wine64, the Windows module or a display.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
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

// The module registered in the harness's prefix; a script of
// tests/windows run by cscript on a thread of its own while the test looks
// at the screen.
class WineScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (winetest::Wine64().empty()) GTEST_SKIP() << "wine64 is not installed (Debian package wine64)";
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the dialog needs a display (xvfb-run)";
        if (!winetest::IsFile(WindowsModule()))
            GTEST_SKIP() << WindowsModule() << " is not built (scripts/build-windows.sh builds it)";
        if (!Prefix::Get().Ready()) GTEST_SKIP() << "no Wine prefix: " << Prefix::Get().Error();
        Outcome reg = Prefix::Get().Run({"regsvr32", "/s", winetest::WinePath(WindowsModule())});
        ASSERT_EQ(reg.code, 0) << reg.out << reg.err;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (run.joinable()) run.join();
        if (display != nullptr) XCloseDisplay(display);
    }
    void Start(const std::string& name, const std::string& prelude) {
        std::string text;
        ASSERT_TRUE(hosttest::ReadFile(std::string(VEMOMPI_WINDOWS_SCRIPTS) + "/" + name, &text));
        std::string script = dir / name;
        hosttest::WriteText(script, prelude + text);
        run = std::thread([this, script] {
            result = Prefix::Get().Run({"cscript", "//nologo", winetest::WinePath(script)}, 120);
            done = true;
        });
    }
    // The dialog, once it has been up a moment (its first paint done).
    bool WaitForDialog(screentest::Rect* dlg) {
        bool seen = false;
        for (int step = 0; step < 200 && !done && !seen; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            seen = screentest::FindDialog(display, dlg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return seen;
    }
    std::string Output() {
        if (run.joinable()) run.join();
        return winetest::Lines(result.out);
    }

    sandbox::MpiSandbox mpi;
    TempDir dir;
    Display* display = nullptr;
    std::thread run;
    std::atomic<bool> done{false};
    Outcome result;
};

}  // namespace

TEST_F(WineScreen, TheSkinnedDialogShowsItsBitmapWholeInTheMiddleOfTheScreen) {
    Picture background = LoadPicture(std::string(VEMOMPI_BITMAPS) + "/skin_background.bmp");
    ASSERT_GT(background.width, 400);
    mpi.UseTestCards(true);
    Start("skin_wait.js", "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() +
                              "\", TIMEOUT_MS = 15000;\n");
    screentest::Rect dlg;
    bool seen = WaitForDialog(&dlg);
    int width = DisplayWidth(display, DefaultScreen(display)), height = DisplayHeight(display, DefaultScreen(display));
    std::vector<uint32_t> screen = seen ? screentest::ScreenByXwd(dlg.x, dlg.y, dlg.w, dlg.h) : std::vector<uint32_t>();
    EXPECT_EQ(Output(), "rc=11001\n") << result.err;
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

// The cardholder closes the dialog at the issuer's page, which waits for
// the password: with the close button of the skinned dialog, with Alt+F4 in
// the plain one, once clicked (no window manager draws its caption here). The stand-in
// browser shows the pages (Wine has no HTML engine here).
TEST_F(WineScreen, ClosingTheDialogAtTheIssuersPageEndsTheCallWith12006) {
    std::string standIn = WindowsModule().substr(0, WindowsModule().rfind('/')) + "/VemoMPIStandInBrowser.dll";
    if (!winetest::IsFile(standIn)) GTEST_SKIP() << standIn << " is not built (scripts/build-windows.sh builds it)";
    ASSERT_EQ(Prefix::Get().Run({"regsvr32", "/s", winetest::WinePath(standIn)}).code, 0);
    mpi.UseTestCards(true);
    Start("acs_cards.js", "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() +
                              "\", CARDS = [[\"password\", \"4000000000000010\"]];\n");
    for (size_t call = 1; call <= 2; ++call) {
        // The issuer's page has been asked for in this call's dialog.
        for (int step = 0; step < 300 && !done && mpi.AcsPosts().size() < call; ++step)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        screentest::Rect dlg;
        if (!WaitForDialog(&dlg)) break;
        if (call == 1) {
            // The middle of the close button, at the top right.
            XTestFakeMotionEvent(display, DefaultScreen(display), dlg.x + dlg.w - 24, dlg.y + 18, CurrentTime);
            XTestFakeButtonEvent(display, 1, True, CurrentTime);
            XTestFakeButtonEvent(display, 1, False, 50);
        } else {
            // A click in the window first: without a window manager nothing
            // else gives it the keyboard.
            XTestFakeMotionEvent(display, DefaultScreen(display), dlg.x + dlg.w / 2, dlg.y + dlg.h / 2, CurrentTime);
            XTestFakeButtonEvent(display, 1, True, CurrentTime);
            XTestFakeButtonEvent(display, 1, False, 50);
            KeyCode alt = XKeysymToKeycode(display, XK_Alt_L), f4 = XKeysymToKeycode(display, XK_F4);
            XTestFakeKeyEvent(display, alt, True, 300);
            XTestFakeKeyEvent(display, f4, True, 30);
            XTestFakeKeyEvent(display, f4, False, 30);
            XTestFakeKeyEvent(display, alt, False, 30);
        }
        XFlush(display);
    }
    std::string out = Output();
    Prefix::Get().Run({"regsvr32", "/s", "/u", winetest::WinePath(standIn)});
    EXPECT_TRUE(out.find("password skinned: rc=12006 Code2=[] ") != std::string::npos) << out << result.err;
    EXPECT_TRUE(out.find("password plain: rc=12006 Code2=[] ") != std::string::npos) << out << result.err;
    EXPECT_EQ(mpi.TermPosts().size(), 0u) << "the issuer's page was answered";
}
