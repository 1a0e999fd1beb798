// Whole runs of the skinned authentication dialog: real GTK and WebKitGTK
// under Xvfb, the real transports, and the sandbox's MPI server, ACS and
// result page on loopback: result codes, cancel by the close button, the
// close request, the time-out, the OK command and the title line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/winsock/winsock.h"
#include "tests/support/skin_dialog_run.h"

using skintest::Clock;
using skintest::SkinDialog;
using skintest::TitledPage;

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
    // The skinned dialog's own parameter block carried the request (sealed);
    // the plain dialog's was not touched. The body leaves the block as soon
    // as the worker has its own copy.
    EXPECT_STREQ(g_HTTPParam.szUrl, mpi.EnrollUrl().c_str());
    EXPECT_TRUE(mpi.Enrollments()[0].sealed);
    EXPECT_STREQ(g_HTTPParam.szPostData, "");
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
    // At the issuer's page, a listener of the page records the keys it
    // gets. Escape is swallowed by the dialog: the page never sees it, and
    // the key typed right after it ("a") shows that the keyboard reached the
    // dialog. Return is passed on to the page, which sees it. Neither ends
    // the dialog, nor does the OK command; the close button then ends it at
    // once.
    mpi.SetAcsAutoSubmit(false);
    enum Stage { kLoad, kEscape, kReturn, kOk, kClose, kDone } stage = kLoad;
    bool clicked = false;
    std::string keys;
    auto stageAt = Clock::now();
    auto pageKeys = [](HWND hwnd) {
        HWND browser = CWnd::FromHandle(hwnd)->GetDlgItem(IDC_EXPLORER_AUTH)->GetSafeHwnd();
        return afxtest::EvaluateInBrowser(browser, "String(window.keysSeen)");
    };
    int result = Run([&](HWND hwnd) {
        if (mpi.AcsPosts().empty() || ctrl->m_strClientHTTPUrl.Find("/acs/auth") < 0) return;
        HWND browser = CWnd::FromHandle(hwnd)->GetDlgItem(IDC_EXPLORER_AUTH)->GetSafeHwnd();
        bool late = Clock::now() - stageAt > std::chrono::seconds(10);
        switch (stage) {
            case kLoad:
                // The page's own focus leaves its form, so that Return submits nothing.
                if (afxtest::EvaluateInBrowser(browser,
                                               "window.keysSeen = [];"
                                               "document.addEventListener('keydown', function (e) {"
                                               "  window.keysSeen.push(e.key); }, true);"
                                               "document.activeElement && document.activeElement.blur(); 'ready'") !=
                    "ready")
                    return;
                afxtest::FocusWindow(hwnd);
                CWnd::FromHandle(browser)->SetFocus();
                afxtest::Pump(100);
                afxtest::PressKey("Escape");  // swallowed by the dialog
                afxtest::PressKey("a");       // reaches the page
                stage = kEscape;
                stageAt = Clock::now();
                return;
            case kEscape:
                keys = pageKeys(hwnd);
                if (keys.find('a') == std::string::npos && !late) return;
                EXPECT_EQ(keys, "a") << "the keys arrived, and Escape stayed with the dialog";
                EXPECT_FALSE(current->m_bEnded);
                afxtest::PressKey("Return");  // passed on to the page
                stage = kReturn;
                stageAt = Clock::now();
                return;
            case kReturn:
                keys = pageKeys(hwnd);
                if (keys.find("Enter") == std::string::npos && !late) return;
                EXPECT_EQ(keys, "a,Enter") << "Return reached the page";
                EXPECT_FALSE(current->m_bEnded);
                SendMessage(hwnd, WM_COMMAND, IDOK, 0);  // the OK command never ends it
                stage = kOk;
                return;
            case kOk:
                stage = kClose;
                return;
            case kClose:
                clicked = true;
                EXPECT_FALSE(current->m_bEnded) << "nothing ended it before the click";
                ClickClose(hwnd);
                EXPECT_TRUE(current->m_bEnded) << "ended at once";
                stage = kDone;
                return;
            case kDone:
                return;
        }
    });
    EXPECT_TRUE(clicked) << "Escape, Return or the OK command ended the dialog (keys seen: " << keys << ")";
    EXPECT_EQ(result, 12006);
    EXPECT_TRUE(mpi.TermPosts().empty()) << "Return submitted nothing";
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

namespace {

// Names under "slow." take two seconds to resolve (to 127.0.0.1), so that a
// worker is still under way, in a known step, while the dialog is closed.
std::atomic<int> g_resolving{0};
int SlowResolver(const char* name, uint32_t* addrs, int) {
    if (std::strncmp(name, "slow.", 5) == 0) {
        g_resolving.store(1);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        g_resolving.store(2);
    }
    addrs[0] = htonl(0x7f000001);
    return 1;
}

}  // namespace

TEST_F(SkinDialog, CloseRequestEndsWith2InEveryState) {
    // Each state the dialog can be closed in: the exchange under way, the
    // user's cancel waiting for the transport, the time-out waiting for it,
    // and the ACS pages. The close request comes in that state and ends the
    // dialog with 2 at once, whatever the worker still does.
    struct Case {
        const char* name;
        int state;
    } const cases[] = {{"STATE_VEREQ", STATE_VEREQ},
                       {"STATE_CANCEL", STATE_CANCEL},
                       {"STATE_TIMEOUT", STATE_TIMEOUT},
                       {"STATE_PAREQ", STATE_PAREQ}};
    WSASetResolverForTesting(SlowResolver);
    mpi.SetAcsAutoSubmit(false);
    for (const Case& k : cases) {
        g_resolving.store(0);
        std::string url = mpi.EnrollUrl();
        if (k.state != STATE_PAREQ) url.replace(url.find("127.0.0.1"), 9, "slow.example");
        std::snprintf(ctrl->m_szServerUrl, sizeof(ctrl->m_szServerUrl), "%s", url.c_str());
        ctrl->m_nPrimaryTimeOut = k.state == STATE_TIMEOUT ? 300 : 20000;
        int stateAtClose = -1;
        bool clicked = false;
        auto closedAt = Clock::now();
        int result = Run([&](HWND hwnd) {
            if (stateAtClose != -1) return;
            int state = ctrl->m_iAuthState;
            bool resolving = g_resolving.load() == 1;
            bool ready = false;
            switch (k.state) {
                case STATE_VEREQ:
                    ready = resolving && state == STATE_VEREQ;
                    break;
                case STATE_CANCEL:
                    if (resolving && state == STATE_VEREQ && !clicked) {
                        clicked = true;
                        ClickClose(hwnd);  // the dialog now waits for the transport
                        return;
                    }
                    ready = resolving && state == STATE_CANCEL;
                    break;
                case STATE_TIMEOUT:
                    ready = resolving && state == STATE_TIMEOUT;
                    break;
                case STATE_PAREQ:
                    ready = state == STATE_PAREQ && !mpi.AcsPosts().empty();
                    break;
            }
            if (!ready) return;
            stateAtClose = state;
            closedAt = Clock::now();
            afxtest::SendCloseRequest(hwnd);
        });
        EXPECT_EQ(stateAtClose, k.state) << k.name << ": closed in that state";
        EXPECT_EQ(result, 2) << k.name;
        EXPECT_LT(Clock::now() - closedAt, std::chrono::milliseconds(1500)) << k.name << ": ended at once";
        if (k.state == STATE_PAREQ) {
            EXPECT_STREQ(ctrl->m_Code1, "0");
        } else {
            EXPECT_EQ(g_resolving.load(), 1) << k.name << ": ended while the worker was still resolving";
            for (int i = 0; i < 500 && g_resolving.load() == 1; ++i) afxtest::Pump(10);
        }
        ctrl->m_szServerUrl[0] = '\0';
    }
    WSASetResolverForTesting(nullptr);
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

TEST_F(SkinDialog, DraggingTheFrameMovesTheWindow) {
    mpi.SetAcsAutoSubmit(false);
    afxtest::WindowState before, after;
    bool done = false;
    auto acsAt = Clock::time_point{};
    int result = Run([&](HWND hwnd) {
        if (done || mpi.AcsPosts().empty()) return;
        if (acsAt == Clock::time_point{}) acsAt = Clock::now();
        if (Clock::now() - acsAt < std::chrono::milliseconds(1000)) return;
        done = true;
        afxtest::GetWindowState(hwnd, &before);
        // The header band, away from the title line and the close button.
        int x = before.x + 200, y = before.y + 20;
        afxtest::MovePointer(x, y);
        afxtest::PointerButton(1, true);
        for (int i = 1; i <= 8; ++i) afxtest::MovePointer(x + 5 * i, y + 3 * i);
        afxtest::PointerButton(1, false);
        afxtest::PumpUntil([&] { return afxtest::GetWindowState(hwnd, &after) && after.x != before.x; }, 2000);
        afxtest::Pump(50);
        afxtest::GetWindowState(hwnd, &after);
        afxtest::SendCloseRequest(hwnd);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(after.x - before.x, 40);
    EXPECT_EQ(after.y - before.y, 24);
}

// ---------------------------------------------------------------- debugger output

TEST_F(SkinDialog, DebuggerOutputNeverShowsACardNumberFromATitleOrTheRecord) {
    // The issuer's page names the card in its title, in three writings, then
    // goes on to the result page, whose record names it too.
    std::string term = mpi.TermUrl();
    mpi.Server().Route("/acs/titled", [term](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r = TitledPage("Paying with card 4000 0000 0000 0010");
        r.body += "<script>setTimeout(function () { document.title = 'Card 4000000000000010 pays 10000'; }, 300);"
                  "setTimeout(function () { document.title = 'Card 4000-0000-0000-0010'; }, 600);"
                  "setTimeout(function () { location.href = '" + term + "'; }, 900);</script>";
        return r;
    });
    mpi.SetAcsUrlInReply(mpi.Server().Url("/acs/titled"));
    sandbox::ResultPage page;
    page.values = {"0", "Paid 10000 with 4000 0000 0000 0010", "AAABBJAgdQAAAAAAAAAAAAAAAAA=", "4000-0000-0000-0010",
                   "05", "2", "4000000000000010"};
    mpi.SetResultPage(page);

    setenv("VEMOMPI_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    int result = Run();
    std::string out = testing::internal::GetCapturedStderr();
    unsetenv("VEMOMPI_DEBUG");

    ASSERT_EQ(result, 0);
    EXPECT_STREQ(ctrl->m_realPan, "4000000000000010") << "the properties keep what the page gave";
    for (const char* clear : {"4000000000000010", "4000 0000 0000 0010", "4000-0000-0000-0010", "4000 0000", "4000-0000"})
        EXPECT_EQ(out.find(clear), std::string::npos) << clear << " in:\n" << out;
    // The lines went out, masked where the numbers stood.
    EXPECT_NE(out.find("[CVemoMPIAuthZKSkinDialog::OnTitleChangeExplorerAuth] Paying with card **** **** **** 0010"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[CVemoMPIAuthZKSkinDialog::OnTitleChangeExplorerAuth] Card ************0010 pays 10000"),
              std::string::npos)
        << "a harmless number stays: " << out;
    EXPECT_NE(out.find("[CVemoMPIAuthZKSkinDialog::OnTitleChangeExplorerAuth] Card ****-****-****-0010"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Paid 10000 with **** **** **** 0010"), std::string::npos) << out;
    EXPECT_NE(out.find("****-****-****-0010"), std::string::npos) << out;
    EXPECT_NE(out.find("************0010"), std::string::npos) << out;
}
