// What the screen shows of the control's dialogs while a page's call runs
// them, read as a person's tool reads it: xwd's picture of the root window
// (which puts each window in by its own visual and colour map), in the
// dialog's rectangle, must be the dialog's own pixels. A dialog painted
// through the toolkit's GL path came out there as a black rectangle while
// its own surface was right.
#include <gtest/gtest.h>

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
#include "tests/support/screen.h"

namespace {

using hosttest::Host;
using hosttest::Outcome;
using screentest::Differing;
using screentest::FindDialog;
using screentest::Pixels;
using screentest::Rect;
using screentest::ScreenByXwd;

constexpr char kPasswordCard[] = "4000000000000010";

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
