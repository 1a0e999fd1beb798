// What the screen shows of the control's dialogs while a page's call runs
// them, read as a person's tool reads it: xwd's picture of the root window
// (which puts each window in by its own visual and colour map), in the
// dialog's rectangle, must be the dialog's own pixels. A dialog painted
// through the toolkit's GL path came out there as a black rectangle while
// its own surface was right.
#include <gtest/gtest.h>
// Xlib's macros after the test framework, whose names they would take.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "sandbox/MpiSandbox.h"
#include "sandbox/ShopPages.h"
#include "tests/host/host_run.h"

namespace {

using hosttest::Host;
using hosttest::Outcome;

constexpr char kPasswordCard[] = "4000000000000010";

struct Rect {
    Window id = 0;
    int x = 0, y = 0, w = 0, h = 0;
};

// The pixels of a drawable's rectangle, 24 bits each.
std::vector<uint32_t> Pixels(Display* d, Drawable from, int x, int y, int w, int h) {
    std::vector<uint32_t> px;
    XImage* img = XGetImage(d, from, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (img == nullptr) return px;
    px.reserve(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) px.push_back(static_cast<uint32_t>(XGetPixel(img, i, j) & 0xFFFFFF));
    XDestroyImage(img);
    return px;
}

// The dialog: a mapped top-level window that is neither the page's window
// (1024 x 768) nor one of the toolkit's small helper windows.
bool FindDialog(Display* d, Rect* out) {
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n)) return false;
    bool found = false;
    for (unsigned k = n; k-- > 0 && !found;) {  // top of the stack first
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[k], &a) || a.map_state != IsViewable || a.c_class != InputOutput)
            continue;
        if (a.width < 300 || a.height < 300 || a.width >= 1024) continue;
        *out = Rect{children[k], a.x, a.y, a.width, a.height};
        found = true;
    }
    if (children != nullptr) XFree(children);
    return found;
}

// The screen as a person's tool reads it: xwd's picture of the root window
// (its own format: a big-endian header, the colour map, then the rows),
// cut to a rectangle. Empty when the tool or its picture fails.
std::vector<uint32_t> ScreenByXwd(int x, int y, int w, int h) {
    std::vector<uint32_t> px;
    Outcome r = hosttest::RunProcess({"/usr/bin/xwd", "-root", "-silent"}, {}, 30);
    const std::string& f = r.out;
    auto be = [&](size_t at) {
        return at + 4 <= f.size() ? (uint32_t(uint8_t(f[at])) << 24) | (uint32_t(uint8_t(f[at + 1])) << 16) |
                                        (uint32_t(uint8_t(f[at + 2])) << 8) | uint32_t(uint8_t(f[at + 3]))
                                  : 0u;
    };
    if (r.code != 0 || f.size() < 100 || be(4) != 7) return px;
    uint32_t headerSize = be(0), width = be(16), height = be(20), byteOrder = be(28), bpp = be(44), stride = be(48),
             colours = be(76);
    size_t data = size_t(headerSize) + size_t(colours) * 12;
    // 32 bits a pixel, or 24 (as xwd writes when the screen's windows have
    // visuals of more than one kind), padded to four bytes or packed.
    size_t step = bpp == 32 || (bpp == 24 && stride >= width * 4) ? 4 : bpp == 24 ? 3 : 0;
    if (step == 0 || x < 0 || y < 0 || uint32_t(x + w) > width || uint32_t(y + h) > height ||
        size_t(stride) < width * step || data + size_t(stride) * height > f.size())
        return px;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) {
            const auto* b = reinterpret_cast<const uint8_t*>(f.data() + data + size_t(j) * stride + size_t(i) * step);
            uint32_t v = 0;
            for (size_t k = 0; k < step; ++k)
                v |= uint32_t(b[k]) << (byteOrder == 0 ? 8 * k : 8 * (step - 1 - k));
            px.push_back(v & 0xFFFFFF);
        }
    return px;
}

size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

class HostScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "no display";
        ASSERT_TRUE(host.Registered());
        mpi.UseTestCards(true);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
    }

    // Pays with the password card in the given dialog; while the issuer's
    // password page shows, compares the screen with the dialog's pixels.
    void CheckScreenWhilePaying(bool plain) {
        // The merchant's checkout page, the plain dialog asked for by "?plain".
        std::string page;
        ASSERT_TRUE(hosttest::ReadFile(std::string(VEMOMPI_EXAMPLES) + "/checkout.html", &page));
        const std::string anchor = "mpi.SetCurrency(\"KRW\");";
        size_t at = page.find(anchor);
        ASSERT_NE(at, std::string::npos);
        page.insert(at + anchor.size(), "\n  if (location.search === \"?plain\") mpi.SetNormalDialog(1);");
        std::string site = host.Dir() / "site";
        mkdir(site.c_str(), 0700);
        hosttest::WriteText(site + "/checkout.html", page);
        sandbox::ServeShopPages(mpi.Server(), site);
        std::string url = mpi.Server().Url(std::string("/shop/checkout.html") + (plain ? "?plain" : "") + "#" +
                                           kPasswordCard);
        // The cardholder answers the issuer only after the screen was read.
        std::string cardholder = host.Dir() / "cardholder.js";
        hosttest::WriteText(cardholder,
                            "const f = document.getElementById('pw');\n"
                            "if (f && f.form) setTimeout(() => { f.value = '1234'; f.form.submit(); }, 6000);\n");
        Outcome r;
        std::atomic<bool> done{false};
        std::thread run([&] {
            r = host.Start({url, "--timeout", "60", "--driver", VEMOMPI_DEMO_DRIVER, "--cardholder", cardholder,
                            "--screenshots", host.Dir() / "shots"});
            done = true;
        });

        // The issuer's page has been asked for: give it time to be painted,
        // then read the dialog's own pixels and the screen's in its place,
        // and again the dialog's, so that a repaint in between is not taken
        // for a difference.
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done && mpi.AcsPosts().empty() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        int compared = 0;
        size_t worst = 0;
        Rect dlg;
        for (int attempt = 0; attempt < 20 && compared < 3 && !done; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!FindDialog(display, &dlg)) continue;
            auto own1 = Pixels(display, dlg.id, 0, 0, dlg.w, dlg.h);
            auto screen = ScreenByXwd(dlg.x, dlg.y, dlg.w, dlg.h);
            auto own2 = Pixels(display, dlg.id, 0, 0, dlg.w, dlg.h);
            if (own1.empty() || own1 != own2 || screen.empty()) continue;
            ++compared;
            worst = std::max(worst, Differing(own1, screen));
        }
        run.join();
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("outcome: success"), std::string::npos) << r.out;
        ASSERT_GT(compared, 0) << "the dialog was never seen steady on the screen";
        EXPECT_EQ(worst, 0u) << "of " << dlg.w * dlg.h << " pixels of the dialog, " << worst
                             << " differ on the screen";
    }

    Host host;
    sandbox::MpiSandbox mpi;
    Display* display = nullptr;
};

}  // namespace

TEST_F(HostScreen, TheSkinnedDialogOnTheScreenIsWhatItDraws) { CheckScreenWhilePaying(false); }

TEST_F(HostScreen, ThePlainDialogOnTheScreenIsWhatItDraws) { CheckScreenWhilePaying(true); }
