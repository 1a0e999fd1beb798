// Whole runs of the skinned authentication dialog: real GTK and WebKitGTK
// under Xvfb, the real transports, and the sandbox's MPI server, ACS and
// result page on loopback. The first group checks the run's logic (result
// codes, cancel, close request, time-out, title line); the second what the
// cardholder sees, on the window's pixels.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "auth/VemoMPIAuthZKSkinDialog.h"
#include "platform/afx/afxtest.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/loopback.h"
#include "transport/HTTPTransport.h"
#include "ui/CustomOccManager.h"

namespace {

using Clock = std::chrono::steady_clock;

// A page of the sandbox with the given title (UTF-8).
sandbox::HttpResponse TitledPage(const std::string& title) {
    sandbox::HttpResponse r;
    r.contentType = "text/html; charset=utf-8";
    r.body = "<html><head><meta charset=\"utf-8\"><title>" + sandbox::HtmlEscape(title) +
             "</title></head><body style=\"font-family:sans-serif\"><p>" + sandbox::HtmlEscape(title) + "</p></body></html>";
    return r;
}

class SkinDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        std::snprintf(dir, sizeof(dir), "/tmp/vemompi-skin-XXXXXX");
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
    // runs, then runs the skinned dialog modally. `during` is called every
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

        auto dlg = std::make_unique<CVemoMPIAuthZKSkinDialog>();
        dlg->SetControl(ctrl);
        current = dlg.get();
        auto started = Clock::now();
        // The ticks of this run stop with it: one may still be queued when
        // the dialog ends, and must not touch the run's locals then.
        auto alive = std::make_shared<bool>(true);
        auto tick = std::make_shared<std::function<void()>>();
        CVemoMPIAuthZKSkinDialog* d = dlg.get();
        *tick = [&, d, alive, tick]() {
            if (!*alive) return;
            HWND hwnd = d->GetSafeHwnd();
            if (hwnd != nullptr && afxtest::ActiveModal() == hwnd) {
                if (during) during(hwnd);
                // A run never outlives a minute: a close request ends it.
                if (Clock::now() - started > std::chrono::seconds(60)) afxtest::SendCloseRequest(hwnd);
            }
            std::weak_ptr<std::function<void()>> next = tick;
            afxtest::Post([next, alive]() {
                if (auto t = next.lock(); t && *alive) (*t)();
            }, 100);
        };
        afxtest::Post([tick]() { (*tick)(); }, 100);
        int result = static_cast<int>(dlg->DoModal());
        *alive = false;
        *tick = nullptr;
        elapsed = Clock::now() - started;
        exchange = dlg->m_Flow.m_pExchange;
        waitFrameAtEnd = dlg->m_nWaitFrame;
        current = nullptr;
        dlg.reset();
        ctrl->m_iAuthState = STATE_COMPLETE;
        return result;
    }

    // The text of an item of the running dialog (ANSI code page).
    static std::string ItemText(HWND hwnd, int id) {
        CWnd* item = CWnd::FromHandle(hwnd)->GetDlgItem(id);
        if (item == nullptr) return "<none>";
        CString s;
        item->GetWindowText(s);
        return std::string(s.GetString());
    }

    // Clicks the close button "X" as its parent hears it.
    static void ClickClose(HWND hwnd) { SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_CLOSE, 0), 0); }

    char dir[64] = {0};
    sandbox::MpiSandbox mpi;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    CVemoMPIAuthZKSkinDialog* current = nullptr;
    Clock::duration elapsed{};
    std::shared_ptr<CHTTPExchange> exchange;
    int waitFrameAtEnd = -1;
};

}  // namespace

// ---------------------------------------------------------------- the run's logic

TEST_F(SkinDialog, SuccessfulAuthenticationFillsEveryResult) {
    sandbox::ResultPage page;
    page.json = "{\"status\":\"Y\",\"eci\":\"05\"}";
    mpi.SetResultPage(page);
    std::memset(&g_HTTPParam, 0, sizeof(g_HTTPParam));
    std::memset(&g_HTTPParam_Normal, 0, sizeof(g_HTTPParam_Normal));

    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(ctrl->m_Code1, "0");
    EXPECT_STREQ(ctrl->m_Msg1, "Enrolled");
    EXPECT_STREQ(ctrl->m_Code2, "0");
    EXPECT_STREQ(ctrl->m_Msg2, "Authenticated");
    EXPECT_STREQ(ctrl->m_Cavv, "AAABBJAgdQAAAAAAAAAAAAAAAAA=");
    EXPECT_STREQ(ctrl->m_Md, "md-0001");
    EXPECT_STREQ(ctrl->m_Eci, "05");
    EXPECT_STREQ(ctrl->m_CavvAlg, "2");
    EXPECT_STREQ(ctrl->m_realPan, "4111111111111111");
    EXPECT_STREQ(ctrl->m_json, "{\"status\":\"Y\",\"eci\":\"05\"}");
    EXPECT_STREQ(ctrl->m_strClientHTTPUrl, mpi.TermUrl().c_str());
    EXPECT_EQ(waitFrameAtEnd, 0) << "the indicator rests once a document has completed";
    ASSERT_EQ(mpi.Enrollments().size(), 1u);
    ASSERT_EQ(mpi.AcsPosts().size(), 1u);
    // The skinned dialog's own parameter block carried the request; the
    // plain dialog's was not touched.
    EXPECT_STREQ(g_HTTPParam.szUrl, mpi.EnrollUrl().c_str());
    EXPECT_EQ(std::strncmp(g_HTTPParam.szPostData, "data=", 5), 0);
    EXPECT_STREQ(g_HTTPParam_Normal.szUrl, "");
}

TEST_F(SkinDialog, RefusalEndsWithItsCode) {
    sandbox::EnrollmentReply reply;
    reply.code = "31";
    reply.message = "Card not enrolled";
    mpi.SetEnrollmentReply(reply);
    ctrl->m_nForcedProxyEnv = 2;
    EXPECT_EQ(Run(), 31);
    EXPECT_STREQ(ctrl->m_Code1, "31");
    EXPECT_STREQ(ctrl->m_Msg1, "Card not enrolled");
    EXPECT_TRUE(mpi.AcsPosts().empty());
}

TEST_F(SkinDialog, ReplyWithoutBodyTagsEndsWith11003) {
    sandbox::EnrollmentReply reply;
    reply.raw = "<html>no tags here at all</html>";
    mpi.SetEnrollmentReply(reply);
    EXPECT_EQ(Run(), 11003);
    EXPECT_EQ(std::string(ctrl->m_Msg1).rfind("Network or Server Error, Try Again! (Tag invalid Error 0, 0)", 0), 0u)
        << ctrl->m_Msg1.GetString();
}

TEST_F(SkinDialog, ServerThatNeverAnswersTimesOutOnBothTransports) {
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    ctrl->m_nPrimaryTimeOut = 700;
    for (int forced : {1, 2}) {
        ctrl->m_nForcedProxyEnv = forced;
        EXPECT_EQ(Run(), 11001) << forced;
        EXPECT_LT(elapsed, std::chrono::seconds(10)) << "the time-out, not the transport's own limit";
        EXPECT_STREQ(ctrl->m_Msg1, "");
        ASSERT_TRUE(exchange);
        EXPECT_EQ(exchange->m_bThreadEnd.load(), 1);
    }
}

TEST_F(SkinDialog, CloseButtonDuringTheEnrollmentWaitsForTheTransport) {
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    for (int forced : {1, 2}) {
        ctrl->m_nForcedProxyEnv = forced;
        bool clicked = false;
        int stateAfterClick = -1;
        int result = Run([&](HWND hwnd) {
            if (clicked || mpi.Enrollments().size() < static_cast<size_t>(forced)) return;
            clicked = true;
            ClickClose(hwnd);
            stateAfterClick = ctrl->m_iAuthState;
            // The time-out that comes after the click does not turn the
            // user's cancel into a time-out.
            SendMessage(hwnd, WM_TIMER, TIMER_EVENT_VEREQ_TIMEOUT, 0);
        });
        EXPECT_TRUE(clicked);
        EXPECT_EQ(stateAfterClick, STATE_CANCEL) << "the dialog stays open until the transport gives up";
        EXPECT_EQ(result, 12006) << forced;
        EXPECT_LT(elapsed, std::chrono::seconds(10));
    }
}

TEST_F(SkinDialog, CloseButtonAtTheAcsPageEndsAtOnce) {
    mpi.SetAcsAutoSubmit(false);
    bool clicked = false, escaped = false, returned = false;
    auto seenAt = Clock::now();
    int result = Run([&](HWND hwnd) {
        if (mpi.AcsPosts().empty()) return;
        if (!escaped) {
            escaped = true;
            seenAt = Clock::now();
            afxtest::FocusWindow(hwnd);
            afxtest::PressKey("Escape");  // does nothing
            return;
        }
        if (!returned) {
            returned = true;
            SendMessage(hwnd, WM_COMMAND, IDOK, 0);  // the OK command never ends it
            return;
        }
        if (!clicked && Clock::now() - seenAt > std::chrono::milliseconds(1000)) {
            clicked = true;
            ClickClose(hwnd);
            EXPECT_TRUE(current->m_bEnded) << "ended at once";
        }
    });
    EXPECT_TRUE(clicked) << "Escape or the OK command ended the dialog";
    EXPECT_EQ(result, 12006);
}

TEST_F(SkinDialog, CloseRequestDuringTheEnrollmentEndsWith2AndLeavesTheWorker) {
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    bool closed = false;
    int result = Run([&](HWND hwnd) {
        if (closed || mpi.Enrollments().empty()) return;
        closed = true;
        afxtest::FocusWindow(hwnd);
        afxtest::PressKey("F4", "alt");
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(result, 2);
    ASSERT_TRUE(exchange);
    auto late = exchange;
    EXPECT_EQ(late->m_bThreadEnd.load(), 0) << "the worker still runs after the dialog has gone";

    // The next run, while the first worker still waits on the server.
    mpi.SetEnrollmentReply(sandbox::EnrollmentReply{});
    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(ctrl->m_Code2, "0");
    EXPECT_EQ(late->m_bThreadEnd.load(), 0);

    // The first worker finishes into its own exchange once the server lets
    // go, long after its dialog object is gone.
    mpi.Server().Stop();
    for (int i = 0; i < 1000 && late->m_bThreadEnd.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(late->m_bThreadEnd.load(), 1);
    EXPECT_EQ(g_pVemoMPIAuthZKSkinDialog, nullptr);
}

TEST_F(SkinDialog, CloseRequestEndsWith2InEveryState) {
    mpi.SetAcsAutoSubmit(false);
    bool closed = false;
    int result = Run([&](HWND hwnd) {
        if (closed || mpi.AcsPosts().empty()) return;
        closed = true;
        afxtest::SendCloseRequest(hwnd);
    });
    EXPECT_EQ(result, 2);
    EXPECT_STREQ(ctrl->m_Code1, "0");
}

TEST_F(SkinDialog, TitleLineFollowsThePageButNotNorvatine) {
    mpi.Server().Route("/acs/t/", [](const sandbox::HttpRequest& req) {
        if (req.Path() == "/acs/t/ko") return TitledPage("\xEC\xB9\xB4\xEB\x93\x9C \xEC\x9D\xB8\xEC\xA6\x9D");  // "카드 인증"
        return TitledPage("Norvatine");
    });
    mpi.SetAcsUrlInReply(mpi.Server().Url("/acs/t/ko"));
    setenv("LANG", "ko_KR.UTF-8", 1);  // a Korean system: titles in code page 949
    std::string seen[5];
    CString caption = "<unread>";
    int stage = 0;
    auto stageAt = Clock::now();
    // A title as the browser reports it.
    auto title = [this](const char16_t* text) {
        BSTR b = SysAllocString(text);
        current->OnTitleChangeExplorerAuth(b);
        SysFreeString(b);
    };
    int result = Run([&](HWND hwnd) {
        if (Clock::now() - stageAt < std::chrono::milliseconds(1200)) return;
        std::string url = ctrl->m_strClientHTTPUrl.GetString();
        if (stage == 0 && url.find("/acs/t/ko") != std::string::npos) {
            seen[0] = ItemText(hwnd, IDC_STATIC_TITLE);
            CWnd::FromHandle(hwnd)->GetWindowText(caption);
            title(u"Norvatine");
            seen[1] = ItemText(hwnd, IDC_STATIC_TITLE);
            title(u"norvatine");
            seen[2] = ItemText(hwnd, IDC_STATIC_TITLE);
            title(u"Norvatine Bank");
            seen[3] = ItemText(hwnd, IDC_STATIC_TITLE);
            std::string go = "location.href='" + mpi.Server().Url("/acs/t/norvatine") + "'";
            afxtest::EvaluateInBrowser(CWnd::FromHandle(hwnd)->GetDlgItem(IDC_EXPLORER_AUTH)->GetSafeHwnd(), go.c_str());
            stage = 1;
            stageAt = Clock::now();
        } else if (stage == 1 && url.find("/acs/t/norvatine") != std::string::npos) {
            seen[4] = ItemText(hwnd, IDC_STATIC_TITLE);
            stage = 2;
            afxtest::SendCloseRequest(hwnd);
        }
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(seen[0], "\xC4\xAB\xB5\xE5 \xC0\xCE\xC1\xF5") << "the Korean title, in code page 949";
    EXPECT_EQ(seen[1], seen[0]) << "a title Norvatine leaves the line as it was";
    EXPECT_EQ(seen[2], "norvatine");
    EXPECT_EQ(seen[3], "Norvatine Bank");
    // The browser names a page by its address until its title comes; a
    // page titled Norvatine so keeps its address in the line.
    EXPECT_EQ(seen[4], mpi.Server().Url("/acs/t/norvatine"));
    EXPECT_STREQ(caption, "") << "the window's own text never changes";
}

TEST_F(SkinDialog, TitleLineStaysEmptyWithoutBrowserTitle) {
    mpi.SetAcsAutoSubmit(false);
    ctrl->SetBrowserTitle(0);
    std::string seen = "<unread>";
    auto acsAt = Clock::time_point{};
    int result = Run([&](HWND hwnd) {
        if (mpi.AcsPosts().empty()) return;
        if (acsAt == Clock::time_point{}) acsAt = Clock::now();
        if (Clock::now() - acsAt < std::chrono::milliseconds(1500)) return;
        seen = ItemText(hwnd, IDC_STATIC_TITLE);
        ClickClose(hwnd);
    });
    EXPECT_EQ(result, 12006);
    EXPECT_EQ(seen, "");
}
