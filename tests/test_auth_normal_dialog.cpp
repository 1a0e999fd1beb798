// Whole runs of the plain authentication dialog: real GTK and WebKitGTK
// under Xvfb, the real transports, and the sandbox's MPI server, ACS and
// result page on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "auth/VemoMPIAuthNormalDialog.h"
#include "platform/afx/afxtest.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/loopback.h"
#include "ui/CustomOccManager.h"
#include "platform/winsock/winsock.h"

namespace {

using Clock = std::chrono::steady_clock;

class NormalDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        std::snprintf(dir, sizeof(dir), "/tmp/vemompi-dialog-XXXXXX");
        ASSERT_NE(mkdtemp(dir), nullptr);
        setenv("VEMOMPI_REGISTRY", (std::string(dir) + "/registry.reg").c_str(), 1);
        ctrl = new CVemoMPIOCXCtrl();
        ctrl->m_nForcedProxyEnv = 1;  // the socket transport unless a test says otherwise
        mpi.SetAcsAutoSubmit(true);
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        unsetenv("VEMOMPI_REGISTRY");
        std::string cmd = std::string("rm -rf ") + dir;
        if (dir[0] != '\0') {
            EXPECT_EQ(std::system(cmd.c_str()), 0);
        }
    }

    // Prepares the control as an authentication does before its dialog
    // runs, then runs the plain dialog modally. `during` is called every
    // 100 ms on the dialog's loop with the dialog's window.
    int Run(const std::function<void(HWND)>& during = nullptr) {
        ctrl->m_iAuthState = STATE_VEREQ;
        for (CString* p : {&ctrl->m_Code1, &ctrl->m_Msg1, &ctrl->m_PaReq, &ctrl->m_AcsUrl, &ctrl->m_Md, &ctrl->m_Md64,
                           &ctrl->m_Code2, &ctrl->m_Msg2, &ctrl->m_Cavv, &ctrl->m_Eci, &ctrl->m_CavvAlg, &ctrl->m_TermUrl,
                           &ctrl->m_realPan, &ctrl->m_json})
            p->Empty();
        std::strcpy(ctrl->m_szMallID, "SHOP01");
        std::strcpy(ctrl->m_szMallName, "Corner Shop");
        std::strcpy(ctrl->m_szCardNum, "4111222233334444");
        std::strcpy(ctrl->m_szExpiryYear, "2029");
        std::strcpy(ctrl->m_szExpiryMonth, "07");
        std::strcpy(ctrl->m_szTotalPrice, "15000");
        std::strcpy(ctrl->m_szInstallment, "00");
        std::strcpy(ctrl->m_szDesc, "coffee");
        std::strcpy(ctrl->m_LocalURL, "http://shop.example");
        if (ctrl->m_szServerUrl[0] == '\0') std::strcpy(ctrl->m_szServerUrl, mpi.EnrollUrl().c_str());
        if (ctrl->m_szWaitUrl[0] == '\0') std::strcpy(ctrl->m_szWaitUrl, mpi.WaitUrl().c_str());
        ctrl->m_nTimeOut = ctrl->m_nPrimaryTimeOut;

        CVemoMPIAuthNormalDialog dlg;
        dlg.SetControl(ctrl);
        auto started = Clock::now();
        // The ticks of this run stop with it: one may still be queued when
        // the dialog ends, and must not touch the run's locals then.
        auto alive = std::make_shared<bool>(true);
        auto tick = std::make_shared<std::function<void()>>();
        *tick = [&, alive, tick]() {
            if (!*alive) return;
            HWND hwnd = dlg.GetSafeHwnd();
            if (hwnd != nullptr && afxtest::ActiveModal() == hwnd) {
                if (during) during(hwnd);
                // A run never outlives a minute: close it twice (the second
                // close ends it in any state).
                if (Clock::now() - started > std::chrono::seconds(60)) {
                    afxtest::SendCloseRequest(hwnd);
                    afxtest::SendCloseRequest(hwnd);
                }
            }
            std::weak_ptr<std::function<void()>> next = tick;
            afxtest::Post([next, alive]() {
                if (auto t = next.lock(); t && *alive) (*t)();
            }, 100);
        };
        afxtest::Post([tick]() { (*tick)(); }, 100);
        int result = static_cast<int>(dlg.DoModal());
        *alive = false;
        *tick = nullptr;
        elapsed = Clock::now() - started;
        ctrl->m_iAuthState = STATE_COMPLETE;
        return result;
    }

    char dir[64] = {0};
    sandbox::MpiSandbox mpi;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    Clock::duration elapsed{};
};

}  // namespace

TEST_F(NormalDialog, SuccessfulAuthenticationFillsEveryResult) {
    sandbox::ResultPage page;
    page.json = "{\"status\":\"Y\",\"eci\":\"05\"}";
    mpi.SetResultPage(page);
    std::strcpy(ctrl->m_ExtraParams, "shop_order=77&lang=ko");

    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(ctrl->m_Code1, "0");
    EXPECT_STREQ(ctrl->m_Msg1, "Enrolled");
    EXPECT_STREQ(ctrl->m_AcsUrl, mpi.AcsUrl().c_str());
    EXPECT_STREQ(ctrl->m_TermUrl, mpi.TermUrl().c_str());
    EXPECT_STREQ(ctrl->m_Code2, "0");
    EXPECT_STREQ(ctrl->m_Msg2, "Authenticated");
    EXPECT_STREQ(ctrl->m_Cavv, "AAABBJAgdQAAAAAAAAAAAAAAAAA=");
    EXPECT_STREQ(ctrl->m_Md, "md-0001");
    EXPECT_STREQ(ctrl->m_Eci, "05");
    EXPECT_STREQ(ctrl->m_CavvAlg, "2");
    EXPECT_STREQ(ctrl->m_realPan, "4111111111111111");
    EXPECT_STREQ(ctrl->m_json, "{\"status\":\"Y\",\"eci\":\"05\"}");
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);

    // What the script reads back besides the properties.
    EXPECT_EQ(std::string(ctrl->m_strClientHTTPData1).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(std::string(ctrl->m_strClientHTTPData2).find(">('0','Authenticated'"), std::string::npos);
    EXPECT_STREQ(ctrl->m_strClientHTTPUrl, mpi.TermUrl().c_str());

    // The sealed request: every field in its order, the whole card number;
    // the control keeps it masked.
    auto enrolled = mpi.Enrollments();
    ASSERT_EQ(enrolled.size(), 1u);
    EXPECT_TRUE(enrolled[0].sealed);
    EXPECT_EQ(enrolled[0].fieldCount, 11u);
    EXPECT_EQ(sandbox::FormValue(enrolled[0].fields, "cardnum"), "4111222233334444");
    EXPECT_EQ(sandbox::FormValue(enrolled[0].fields, "installment"), "00");
    EXPECT_EQ(sandbox::FormValue(enrolled[0].fields, "currency"), "KRW");
    EXPECT_EQ(sandbox::FormValue(enrolled[0].fields, "ExtraParams"), "shop%5Forder%3D77%26lang%3Dko");
    EXPECT_STREQ(ctrl->m_szCardNum, "411122223333****");

    // The hand-off form reached the ACS field by field, the extra
    // parameters appended as they were given.
    auto acs = mpi.AcsPosts();
    ASSERT_EQ(acs.size(), 1u);
    EXPECT_EQ(sandbox::FormValue(acs[0], "PaReq"), "eJzzSM3JyVcozy/KSQEAGgQEXQ==");
    EXPECT_EQ(sandbox::FormValue(acs[0], "TermUrl"), mpi.TermUrl());
    EXPECT_EQ(sandbox::FormValue(acs[0], "MD"), "md-0001");
    EXPECT_EQ(sandbox::FormValue(acs[0], "shop_order"), "77");
    EXPECT_EQ(sandbox::FormValue(acs[0], "lang"), "ko");
    auto requests = mpi.Server().Requests();
    bool acsPostSeen = false;
    for (const auto& r : requests)
        if (r.Path() == "/acs/auth") {
            acsPostSeen = true;
            EXPECT_EQ(r.method, "POST");
            EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
        }
    EXPECT_TRUE(acsPostSeen);
}

TEST_F(NormalDialog, WininetTransportAndPlainRequest) {
    ctrl->m_nForcedProxyEnv = 2;
    ctrl->m_bUseEnc = 0;
    EXPECT_EQ(Run(), 0);
    auto enrolled = mpi.Enrollments();
    ASSERT_EQ(enrolled.size(), 1u);
    EXPECT_FALSE(enrolled[0].sealed);
    EXPECT_EQ(enrolled[0].body.rfind("mall_id=SHOP01&mall_name=Corner Shop&", 0), 0u);
    for (const auto& r : mpi.Server().Requests())
        if (r.Path() == "/mpi/enroll") {
            EXPECT_EQ(r.Header("User-Agent"), "VemoMPI-W");
        }
    EXPECT_EQ(std::string(ctrl->m_strClientHTTPData1).rfind("<html>", 0), 0u) << "WinINet hands over the body only";
}

TEST_F(NormalDialog, RefusalEndsWithItsCode) {
    sandbox::EnrollmentReply reply;
    reply.code = "31";
    reply.message = "Card not enrolled";
    mpi.SetEnrollmentReply(reply);
    EXPECT_EQ(Run(), 31);
    EXPECT_STREQ(ctrl->m_Code1, "31");
    EXPECT_STREQ(ctrl->m_Msg1, "Card not enrolled");
    EXPECT_STREQ(ctrl->m_PaReq, "eJzzSM3JyVcozy/KSQEAGgQEXQ==");
    EXPECT_STREQ(ctrl->m_Md64, "bWQtMDAwMQ==");
    EXPECT_STREQ(ctrl->m_Code2, "");
}

TEST_F(NormalDialog, ReplyFailures) {
    struct Case {
        std::string raw;
        int code;
        const char* msg1Start;
    } cases[] = {
        {"<html>no tags here at all</html>", 11003, "Network or Server Error, Try Again! (Tag invalid Error 0, 0)"},
        {"<html><body>0|a|b|c|d</body></html>", 11004, "Network or Server Error, Try Again! (Param Number : 5)"},
        // Too short: WinINet hands over the body alone (the socket
        // transport's reply starts with the status line).
        {"short", 11002, "Network or Server Error, Try Again! (Size : 5) ()"},
    };
    for (const auto& k : cases) {
        sandbox::EnrollmentReply reply;
        reply.raw = k.raw;
        mpi.SetEnrollmentReply(reply);
        ctrl->m_nForcedProxyEnv = k.code == 11002 ? 2 : 1;
        EXPECT_EQ(Run(), k.code) << k.raw;
        EXPECT_EQ(std::string(ctrl->m_Msg1).rfind(k.msg1Start, 0), 0u) << ctrl->m_Msg1.GetString();
        EXPECT_STREQ(ctrl->m_Code1, "");
    }
    ctrl->m_nForcedProxyEnv = 1;
    std::snprintf(ctrl->m_szServerUrl, sizeof(ctrl->m_szServerUrl), "http://127.0.0.1:%u/mpi/enroll", loopback::UnusedPort());
    EXPECT_EQ(Run(), 11002);
    EXPECT_STREQ(ctrl->m_Msg1, "Network or Server Error, Try Again! (SOCKET_CONNECT Error Code:-1)");
}

TEST_F(NormalDialog, CaptureFailures) {
    struct Case {
        const char* page;
        int code;
        const char* type = "text/html; charset=windows-1252";
    } cases[] = {
        // An HTML document is never that short; an XML one can be.
        {"<r>short</r>", 12003, "application/xml"},
        {"<html><body>Authentication finished without a record.</body></html>", 12004},
        {"<html><body><div>('0','only two')</div></body></html>", 12005},
    };
    for (const auto& k : cases) {
        sandbox::ResultPage page;
        page.raw = k.page;
        page.contentType = k.type;
        mpi.SetResultPage(page);
        EXPECT_EQ(Run(), k.code) << k.page;
        EXPECT_STREQ(ctrl->m_strClientHTTPUrl, mpi.TermUrl().c_str());
        EXPECT_STREQ(ctrl->m_Code2, "");
    }
}

TEST_F(NormalDialog, ServerThatNeverAnswersTimesOut) {
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    ctrl->m_nPrimaryTimeOut = 700;
    for (int forced : {1, 2}) {
        ctrl->m_nForcedProxyEnv = forced;
        EXPECT_EQ(Run(), 11001) << forced;
        EXPECT_LT(elapsed, std::chrono::seconds(10)) << "the time-out, not the transport's own limit";
        EXPECT_STREQ(ctrl->m_Msg1, "");
    }
}

TEST_F(NormalDialog, CloseDuringTheEnrollmentWaitsForTheTransport) {
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    bool closed = false;
    int result = Run([&](HWND hwnd) {
        if (!closed && !mpi.Enrollments().empty()) {
            closed = true;
            afxtest::SendCloseRequest(hwnd);
        }
    });
    EXPECT_EQ(result, 12006);
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// Names beginning with "slow." resolve to loopback after 3 seconds.
std::atomic<int> g_resolving{0};
int SlowResolver(const char* name, uint32_t* addrs, int) {
    if (std::strncmp(name, "slow.", 5) == 0) {
        g_resolving.store(1);
        std::this_thread::sleep_for(std::chrono::seconds(3));
    }
    addrs[0] = htonl(0x7f000001);
    return 1;
}

TEST_F(NormalDialog, ACloseThatTheTimeOutOvertakesIsStillACancel) {
    // The worker is still resolving when the time-out passes after the
    // user's close: closing finds no connection to end it sooner.
    WSASetResolverForTesting(SlowResolver);
    g_resolving.store(0);
    std::string url = mpi.EnrollUrl();
    url.replace(url.find("127.0.0.1"), 9, "slow.example");
    std::snprintf(ctrl->m_szServerUrl, sizeof(ctrl->m_szServerUrl), "%s", url.c_str());
    ctrl->m_nPrimaryTimeOut = 1000;
    bool closed = false;
    int result = Run([&](HWND hwnd) {
        if (!closed && g_resolving.load() != 0) {
            closed = true;
            afxtest::SendCloseRequest(hwnd);
        }
    });
    WSASetResolverForTesting(nullptr);
    EXPECT_TRUE(closed);
    EXPECT_EQ(result, 12006) << "the user's cancel, not a time-out";
    EXPECT_STREQ(ctrl->m_Msg1, "");
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST_F(NormalDialog, CloseAtTheAcsPageEndsAtOnce) {
    mpi.SetAcsAutoSubmit(false);
    bool closed = false, escaped = false;
    auto seenAt = Clock::now();
    auto closedAt = Clock::now();
    std::string caption;
    int result = Run([&](HWND hwnd) {
        if (mpi.AcsPosts().empty()) return;
        if (!escaped) {
            escaped = true;
            seenAt = Clock::now();
            afxtest::FocusWindow(hwnd);
            afxtest::PressKey("Escape");  // does nothing
            return;
        }
        if (!closed && Clock::now() - seenAt > std::chrono::milliseconds(1500)) {
            afxtest::WindowState state;
            afxtest::GetWindowState(hwnd, &state);
            caption = state.captionUtf8;
            if (const char* dir = std::getenv("VEMOMPI_SCREENSHOT_DIR"))
                afxtest::Snapshot(hwnd, (std::string(dir) + "/auth-normal-acs.png").c_str());
            closed = true;
            closedAt = Clock::now();
            afxtest::SendCloseRequest(hwnd);
        }
    });
    EXPECT_EQ(result, 12006);
    EXPECT_TRUE(closed) << "Escape must not have ended the dialog";
    EXPECT_LT(Clock::now() - closedAt, std::chrono::seconds(10)) << "ended by the close, not by the test's guard";
    EXPECT_EQ(caption, "Issuer Authentication") << "the caption follows the page title";
}

TEST_F(NormalDialog, BrowserErrorPageStaysUntilClosed) {
    std::string acs = "http://127.0.0.1:" + std::to_string(loopback::UnusedPort()) + "/acs";
    mpi.SetAcsUrlInReply(acs);
    auto firstSeen = Clock::time_point{};
    bool closed = false;
    std::string caption;
    int stateBeforeClose = -1;
    int result = Run([&](HWND hwnd) {
        // The browser's own error page has completed at the ACS address;
        // its title reaches the caption.
        afxtest::WindowState state;
        afxtest::GetWindowState(hwnd, &state);
        if (std::string(ctrl->m_strClientHTTPUrl) != acs || state.captionUtf8 != "Cannot find server") return;
        if (firstSeen == Clock::time_point{}) firstSeen = Clock::now();
        if (!closed && Clock::now() - firstSeen > std::chrono::seconds(3)) {
            closed = true;
            caption = state.captionUtf8;
            stateBeforeClose = ctrl->m_iAuthState;
            afxtest::SendCloseRequest(hwnd);
        }
    });
    EXPECT_TRUE(closed) << "the error page was shown, and the dialog stayed open on it";
    EXPECT_EQ(caption, "Cannot find server");
    EXPECT_EQ(stateBeforeClose, STATE_PAREQ);
    EXPECT_EQ(result, 12006);
    EXPECT_LT(elapsed, std::chrono::seconds(30)) << "ended by the close, not by the test's guard";
}

TEST_F(NormalDialog, WindowSizeAndCaption) {
    mpi.SetAcsAutoSubmit(false);
    struct Seen {
        afxtest::WindowState state;
        RECT browser{};
        bool done = false;
        Clock::time_point acsAt{};
    };
    auto measure = [&](Seen* seen) {
        return [this, seen](HWND hwnd) {
            if (seen->done || mpi.AcsPosts().empty()) return;
            if (seen->acsAt == Clock::time_point{}) seen->acsAt = Clock::now();
            if (Clock::now() - seen->acsAt < std::chrono::milliseconds(1500)) return;
            afxtest::GetWindowState(hwnd, &seen->state);
            CWnd* item = CWnd::FromHandle(hwnd)->GetDlgItem(201);
            afxtest::GetChildAllocation(item->GetSafeHwnd(), &seen->browser);
            seen->done = true;
            afxtest::SendCloseRequest(hwnd);
        };
    };
    Seen normal;
    EXPECT_EQ(Run(measure(&normal)), 12006);
    EXPECT_EQ(normal.state.width, 424);
    EXPECT_EQ(normal.state.height, 464);
    EXPECT_EQ(normal.browser.right - normal.browser.left, normal.state.clientWidth);
    EXPECT_EQ(normal.browser.bottom - normal.browser.top, normal.state.clientHeight);

    ctrl->SetWindowSize(500, 600);
    ctrl->SetBrowserTitle(0);
    Seen sized;
    EXPECT_EQ(Run(measure(&sized)), 12006);
    EXPECT_EQ(sized.state.width, 500);
    EXPECT_EQ(sized.state.height, 600);
    EXPECT_EQ(sized.browser.right - sized.browser.left, sized.state.clientWidth);
    EXPECT_EQ(sized.browser.bottom - sized.browser.top, sized.state.clientHeight);
    EXPECT_EQ(sized.state.captionUtf8, "Torvu Click Plug-in") << "titles do not reach the caption";
    EXPECT_GT(sized.state.iconWidth, 0);
}

TEST_F(NormalDialog, UnreachableResultPageShowsTheErrorPageAndWaits) {
    sandbox::EnrollmentReply reply;
    reply.raw = "<html><body>0|Enrolled|pareq|" + mpi.AcsUrl() + "|md-9|http://127.0.0.1:" +
                std::to_string(loopback::UnusedPort()) + "/MPI/VerifyPARes</body></html>";
    mpi.SetEnrollmentReply(reply);
    auto firstSeen = Clock::time_point{};
    bool closed = false;
    int stateBeforeClose = -1;
    int result = Run([&](HWND hwnd) {
        if (std::string(ctrl->m_strClientHTTPUrl).find("VerifyPARes") == std::string::npos) return;
        if (firstSeen == Clock::time_point{}) firstSeen = Clock::now();
        if (!closed && Clock::now() - firstSeen > std::chrono::seconds(2)) {
            closed = true;
            stateBeforeClose = ctrl->m_iAuthState;
            afxtest::SendCloseRequest(hwnd);
        }
    });
    EXPECT_TRUE(closed) << "the dialog stayed open on the browser's error page";
    EXPECT_EQ(stateBeforeClose, STATE_PAREQ);
    EXPECT_EQ(result, 12006);
    EXPECT_NE(std::string(ctrl->m_strClientHTTPData2).find("Cannot find server"), std::string::npos);
}
