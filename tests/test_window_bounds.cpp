// Window sizes from the page: SetWindowSize stores any value, and the
// authentication dialogs are never larger than the screen's work area, so
// that an extreme size neither holds up the dialog (its drawing surfaces
// stay bounded) nor hides its time-out. Real GTK and WebKitGTK under Xvfb,
// a silent MPI server on 127.0.0.1 and a one-second time-out.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/ui_repeat.h"
#include "tests/support/dispatch.h"
#include "ui/CustomOccManager.h"

using script::Call;

namespace {

using Clock = std::chrono::steady_clock;

struct Seen {
    bool dialog = false;
    int maxWidth = 0, maxHeight = 0;  // the largest outer size the window had
    int lastWidth = 0, lastHeight = 0;
};

class WindowBounds : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LC_ALL", "en_US.UTF-8", 1);
        sandbox::EnrollmentReply reply;
        reply.silent = true;
        mpi.SetEnrollmentReply(reply);
        GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
        if (monitor == nullptr) monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
        ASSERT_NE(monitor, nullptr);
        gdk_monitor_get_workarea(monitor, &area);
    }

    // One authentication with the size, in the plain or the skinned dialog;
    // the window's size is looked at every 100 ms while it runs.
    LONG Run(int normal, int width, int height, Seen* seen, double* seconds) {
        auto* ctrl = new CVemoMPIOCXCtrl();
        EXPECT_EQ(Call(ctrl, u"SetNormalDialog", {normal}).Long(), 0);
        EXPECT_EQ(Call(ctrl, u"SetForcedProxyEnv", {1}).Long(), 0);
        EXPECT_EQ(Call(ctrl, u"SetTimeOut", {1000}).Long(), 0);
        std::string wait = mpi.WaitUrl();
        EXPECT_EQ(Call(ctrl, u"SetWaitUrl", {std::u16string(wait.begin(), wait.end())}).Long(), 0);
        EXPECT_EQ(Call(ctrl, u"SetWindowSize", {static_cast<short>(width), static_cast<short>(height)}).Long(), 0);
        // Stored as given.
        EXPECT_EQ(ctrl->m_nWindowWidth, width);
        EXPECT_EQ(ctrl->m_nWindowHeight, height);
        EXPECT_EQ(ctrl->m_bUseWindowSize, 1);

        testsupport::RepeatOnUi watch([seen]() {
            HWND hwnd = afxtest::ActiveModal();
            afxtest::WindowState state;
            if (hwnd != nullptr && afxtest::GetWindowState(hwnd, &state)) {
                seen->dialog = true;
                seen->maxWidth = std::max(seen->maxWidth, state.width);
                seen->maxHeight = std::max(seen->maxHeight, state.height);
                seen->lastWidth = state.width;
                seen->lastHeight = state.height;
            }
        }, 50, 100);
        std::string enroll = mpi.EnrollUrl();
        auto started = Clock::now();
        LONG rc = Call(ctrl, u"GetPAReq2",
                       {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00", u"coffee",
                        std::u16string(enroll.begin(), enroll.end())})
                      .Long();
        *seconds = std::chrono::duration<double>(Clock::now() - started).count();
        watch.Stop();
        EXPECT_EQ(ctrl->m_nWindowWidth, width) << "the stored size is not changed by the run";
        EXPECT_EQ(ctrl->m_nWindowHeight, height);
        ctrl->Release();
        return rc;
    }

    sandbox::MpiSandbox mpi;
    GdkRectangle area{};
};

}  // namespace

TEST_F(WindowBounds, ExtremeSizesEndWithTheTimeOutInAWindowThatFitsTheScreen) {
    struct Size {
        int w, h;
    } sizes[] = {{32767, 32767}, {8000, 8000}, {32767, 300}, {0, 0}, {-100, -50}};
    for (int normal : {1, 0}) {
        for (const Size& s : sizes) {
            Seen seen;
            double seconds = 0;
            LONG rc = Run(normal, s.w, s.h, &seen, &seconds);
            std::string what = std::to_string(s.w) + " x " + std::to_string(s.h) + (normal ? " plain" : " skinned");
            EXPECT_EQ(rc, 11001) << what;
            // The time-out is one second; ten catch a hang.
            EXPECT_LT(seconds, 10.0) << what;
            EXPECT_LE(seen.maxWidth, area.width) << what;
            EXPECT_LE(seen.maxHeight, area.height) << what;
            if (s.w >= area.width && s.h >= area.height) {
                // As large as the work area allows.
                EXPECT_TRUE(seen.dialog) << what;
                EXPECT_EQ(seen.lastWidth, area.width) << what;
                EXPECT_EQ(seen.lastHeight, area.height) << what;
            }
        }
    }
}

TEST_F(WindowBounds, SizeWithinTheScreenIsKept) {
    for (int normal : {1, 0}) {
        Seen seen;
        double seconds = 0;
        EXPECT_EQ(Run(normal, 500, 600, &seen, &seconds), 11001);
        EXPECT_LT(seconds, 10.0);
        ASSERT_TRUE(seen.dialog);
        EXPECT_EQ(seen.lastWidth, 500) << (normal ? "plain" : "skinned");
        EXPECT_EQ(seen.lastHeight, 600) << (normal ? "plain" : "skinned");
    }
}
