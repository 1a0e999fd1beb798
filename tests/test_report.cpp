// Whole reports through the control's SendHTTPPost, called by name: the
// report dialog on GTK under Xvfb, the real socket and WinINet attempts,
// and report servers of the tests on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"
#include "resources/VemoMPIOCX_rc.h"
#include "tests/support/dispatch.h"
#include "tests/support/exchange.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tempdir.h"
#include "tests/support/tls.h"
#include "transport/VemoMPIAutoReportDialog.h"

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Url(unsigned short port, const std::string& path = "/report") {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

// A report server that answers its connections in turn with the given
// replies; an empty reply means silence until the peer closes.
loopback::Server::Handler Replies(std::vector<std::string> replies) {
    auto next = std::make_shared<std::atomic<size_t>>(0);
    return [replies, next](loopback::Connection& c) {
        size_t k = next->fetch_add(1);
        std::string reply = k < replies.size() ? replies[k] : "";
        httptest::ReadRequest(c);
        if (reply.empty()) c.WaitForClose(20000);
        else c.Send(reply);
    };
}

// The body each request carried.
std::string BodyOf(const std::string& request) {
    size_t at = request.find("\r\n\r\n");
    return at == std::string::npos ? "" : request.substr(at + 4);
}

void Click(CVemoMPIAutoReportDialog& dlg, UINT id) {
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dlg.GetDlgItem(id)->m_hWnd));
}

class Report : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(v);
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        ctrl = new CVemoMPIOCXCtrl();
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        unsetenv("VEMOMPI_REGISTRY");
        InternetSetTrustedAuthoritiesForTesting(nullptr);
    }

    // SendHTTPPost by name. `during` runs every 10 ms on the dialog's loop
    // while the report dialog runs; a run never outlives a minute.
    int Send(const std::string& url, int encrypt, const std::string& p1, const std::string& p2, const std::string& p3,
             const std::function<void(CVemoMPIAutoReportDialog&)>& during = nullptr) {
        auto alive = std::make_shared<bool>(true);
        auto tick = std::make_shared<std::function<void()>>();
        auto started = std::chrono::steady_clock::now();
        *tick = [&, alive, tick]() {
            if (!*alive) return;
            HWND h = afxtest::ActiveModal();
            auto* dlg = dynamic_cast<CVemoMPIAutoReportDialog*>(CWnd::FromHandle(h));
            if (dlg != nullptr && !dlg->m_bEnded) {
                sawDialog = true;
                report = dlg->m_pReport;
                afxtest::WindowState state;
                if (afxtest::GetWindowState(h, &state) && state.visible) everVisible = true;
                if (during) during(*dlg);
                if (std::chrono::steady_clock::now() - started > std::chrono::seconds(60)) dlg->SendMessage(WM_COMMAND, IDCANCEL);
            }
            std::weak_ptr<std::function<void()>> next = tick;
            afxtest::Post([next, alive]() {
                if (auto t = next.lock(); t && *alive) (*t)();
            }, 10);
        };
        std::weak_ptr<std::function<void()>> first = tick;
        afxtest::Post([first, alive]() {
            if (auto t = first.lock(); t && *alive) (*t)();
        });
        script::Result r =
            script::Call(ctrl, u"SendHTTPPost", {Wide(url), encrypt, Wide(p1), Wide(p2), Wide(p3)});
        *alive = false;
        *tick = nullptr;
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }

    TempDir dir;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    bool sawDialog = false;
    bool everVisible = false;
    std::shared_ptr<CReportExchange> report;  // of the last report
};

}  // namespace

// ---------------------------------------------------------------- outcomes

TEST_F(Report, AcceptedByTheFirstAttemptNoSecondRequestAndNothingShown) {
    loopback::Server server(Replies({httptest::Response(200, "ok")}), 2);
    EXPECT_EQ(Send(Url(server.Port()), 0, "a&b=c", "", "x y"), 0);
    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(everVisible);
    afxtest::Pump(300);
    ASSERT_EQ(server.Accepted(), 1);
    std::string request = server.Received()[0];
    EXPECT_EQ(httptest::HeaderValue(request, "User-Agent"), "VemoMPI-S");
    EXPECT_EQ(BodyOf(request), "data1=a&b=c&data2=&data3=x y&ParamEnd=End");
}

TEST_F(Report, A404GetsTheSameBodyThroughWininetWhose200IsAcceptance) {
    ctrl->m_strClientHTTPData1 = "reply of the enrollment";
    ctrl->m_strClientHTTPData2 = "<html>result</html>";
    ctrl->m_strClientHTTPUrl = "https://acs.example/VerifyPARes";
    loopback::Server server(Replies({httptest::Response(404, "no"), httptest::Response(200, "ok")}), 2);
    EXPECT_EQ(Send(Url(server.Port()), 1, "11002", "Network or Server Error", ""), 0);
    ASSERT_TRUE(server.WaitFinished(2, 5000));
    auto got = server.Received();
    EXPECT_EQ(httptest::HeaderValue(got[1], "User-Agent"), "VemoMPI-WR");
    EXPECT_EQ(BodyOf(got[1]), BodyOf(got[0]));
    EXPECT_EQ(BodyOf(got[0]), report->szPostParam);
    EXPECT_FALSE(everVisible);
    // A report leaves what script reads of the authentication alone.
    EXPECT_EQ(script::Call(ctrl, u"GetClientHTTPData1").Text(), u"reply of the enrollment");
    EXPECT_EQ(script::Call(ctrl, u"GetClientHTTPData2").Text(), u"<html>result</html>");
    EXPECT_EQ(script::Call(ctrl, u"GetClientHTTPUrl").Text(), u"https://acs.example/VerifyPARes");
}

TEST_F(Report, BothAttemptsFailingGiveMinus100) {
    int handles = InternetOpenHandlesForTesting();
    loopback::Server server(Replies({httptest::Response(404, "no"), httptest::Response(500, "down")}), 2);
    EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c"), -100);
    EXPECT_EQ(server.Accepted(), 2);
    EXPECT_EQ(Send(Url(loopback::UnusedPort()), 0, "a", "b", "c"), -100);
    EXPECT_EQ(Send("", 0, "a", "b", "c"), -100);
    // What the failed WinINet attempts left open goes with their reports.
    report.reset();
    for (int k = 0; k < 200 && InternetOpenHandlesForTesting() != handles; ++k) afxtest::Pump(10);
    EXPECT_EQ(InternetOpenHandlesForTesting(), handles);
}

TEST_F(Report, AnHttpsAddressGoesInClearToPort443ThenThroughWininetOverTls) {
    const tlstest::Pki& pki = tlstest::TestPki();
    InternetSetTrustedAuthoritiesForTesting(pki.caFile.c_str());
    tlstest::TlsServer server(pki.good, httptest::Response(200, "ok"), 2, 443);
    if (server.Port() != 443) GTEST_SKIP() << "port 443 cannot be bound here";
    EXPECT_EQ(Send("https://127.0.0.1/report", 0, "a", "b", "c"), 0);
    ASSERT_TRUE(server.WaitFinished(2, 5000));
    ASSERT_EQ(server.ClearRequests().size(), 1u);
    EXPECT_EQ(server.ClearRequests()[0].rfind("POST /report HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(server.Handshakes(), 1);
    EXPECT_EQ(BodyOf(server.Received()[1]), "data1=a&data2=b&data3=c&ParamEnd=End");
}

// ---------------------------------------------------------------- over-long reports

TEST_F(Report, OverLongArgumentsAndBodiesPostNothingAndShowNoDialog) {
    loopback::Server server(Replies({httptest::Response(200, "ok")}), 1);
    std::string arg4096(4096, 'p');
    EXPECT_EQ(Send(Url(server.Port()), 0, "a", arg4096, "c"), 0);
    EXPECT_EQ(Send(Url(server.Port()) + "/" + std::string(4096, 'u'), 0, "a", "b", "c"), 0);
    // Each argument fits, the body does not.
    std::string arg4095(4095, 'p');
    EXPECT_EQ(Send(Url(server.Port()), 0, arg4095, "", ""), 0);
    EXPECT_FALSE(sawDialog);
    afxtest::Pump(200);
    EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(Report, AParameterThatCannotBeSealedIsNeverPostedAndGivesMinus100) {
    loopback::Server server(Replies({httptest::Response(200, "ok")}), 1);
    // Fits its argument, but not once sealed; its neighbours seal fine.
    std::string clear = "card 4000 0000 0000 0010 " + std::string(2900, 'x');
    EXPECT_EQ(Send(Url(server.Port()), 1, "11002", clear, "third"), -100);
    EXPECT_FALSE(sawDialog) << "refused before any dialog";
    afxtest::Pump(300);
    EXPECT_EQ(server.Accepted(), 0) << "nothing reached the server";
    // The same report unsealed goes out, as asked.
    EXPECT_EQ(Send(Url(server.Port()), 0, "11002", "short", "third"), 0);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Accepted(), 1);
}

// ---------------------------------------------------------------- Exit and Escape

TEST_F(Report, ExitInEachStateEndsWith999AndClosesOnlyTheRunningAttempt) {
    {  // before the first step
        loopback::Server server(Replies({httptest::Response(200, "ok")}), 1);
        EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [](CVemoMPIAutoReportDialog& d) {
                      if (d.m_pReport->iThreadState == REPORT_STATE_INIT) Click(d, IDC_BUTTON_EXIT);
                  }),
                  999);
        afxtest::Pump(300);
        EXPECT_EQ(server.Accepted(), 0);
    }
    {  // the socket attempt waits for its answer
        loopback::Server server(Replies({""}), 2);
        EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [](CVemoMPIAutoReportDialog& d) {
                      if (d.m_pReport->iThreadState == STATE_THREAD_1 && d.m_pReport->m_Handles.m_hSocket.Get() != 0)
                          Click(d, IDC_BUTTON_EXIT);
                  }),
                  999);
        EXPECT_TRUE(server.WaitFinished(1, 5000)) << "the server saw the connection close";
        EXPECT_EQ(report->m_Handles.m_hSocket.Get(), 0u);
        EXPECT_EQ(runtest::WaitResult(report->iThreadResult1), 0);
        EXPECT_EQ(server.Accepted(), 1) << "no second attempt";
    }
    {  // the WinINet attempt waits for its answer
        loopback::Server server(Replies({httptest::Response(404, "no"), ""}), 2);
        EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [&](CVemoMPIAutoReportDialog& d) {
                      if (d.m_pReport->iThreadState == STATE_THREAD_2 && server.Accepted() == 2 &&
                          d.m_pReport->m_Handles.m_hIS.Get() != nullptr)
                          Click(d, IDC_BUTTON_EXIT);
                  }),
                  999);
        EXPECT_TRUE(server.WaitFinished(2, 5000)) << "the server saw the connection close";
        EXPECT_EQ(report->m_Handles.m_hIS.Get(), nullptr);
        EXPECT_EQ(report->m_Handles.m_hCO.Get(), nullptr);
        EXPECT_EQ(report->m_Handles.m_hIO.Get(), nullptr);
        EXPECT_EQ(runtest::WaitResult(report->iThreadResult2), -100);
    }
    {  // accepted, in the tick before the dialog ends
        loopback::Server server(Replies({httptest::Response(200, "ok")}), 1);
        EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [](CVemoMPIAutoReportDialog& d) {
                      if (d.m_pReport->iThreadState == REPORT_STATE_COMPLETE) Click(d, IDC_BUTTON_EXIT);
                  }),
                  999);
        EXPECT_EQ(report->iThreadResult1.load(), 200);
    }
}

TEST_F(Report, AfterThreeSecondsTheDialogShowsCentredAndEscapeEndsItWith2ClosingNothing) {
    loopback::Server server(Replies({""}), 1);
    afxtest::WindowState shown;
    EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [&](CVemoMPIAutoReportDialog& d) {
                  afxtest::WindowState s;
                  if (shown.visible || !afxtest::GetWindowState(d.m_hWnd, &s) || !s.visible) return;
                  shown = s;
                  afxtest::FocusWindow(d.m_hWnd);
                  afxtest::Pump(200);
                  if (const char* shots = std::getenv("VEMOMPI_SCREENSHOT_DIR"))
                      afxtest::Snapshot(d.m_hWnd, (std::string(shots) + "/report.png").c_str());
                  afxtest::PressKey("Escape");
              }),
              IDCANCEL);
    ASSERT_TRUE(shown.visible);
    EXPECT_EQ(shown.captionUtf8, "Torvu Click Plug-in");
    // Centred on the 1280 x 1024 screen, within a few pixels.
    EXPECT_NEAR(shown.x + shown.width / 2, 640, 4);
    EXPECT_NEAR(shown.y + shown.height / 2, 512, 4);
    // Escape closes nothing: the report's socket is still connected.
    EXPECT_NE(report->m_Handles.m_hSocket.Get(), 0u);
    EXPECT_FALSE(server.WaitFinished(1, 300));
    CloseRunHandles(*report);
}

TEST_F(Report, TheKoreanDialogIsShownOnAKoreanSystemAndItsExitButtonEndsIt) {
    setenv("LANG", "ko_KR.UTF-8", 1);
    loopback::Server server(Replies({""}), 1);
    std::string caption, button;
    bool clicked = false;
    EXPECT_EQ(Send(Url(server.Port()), 0, "a", "b", "c", [&](CVemoMPIAutoReportDialog& d) {
                  afxtest::WindowState s;
                  if (clicked || !afxtest::GetWindowState(d.m_hWnd, &s) || !s.visible) return;
                  caption = s.captionUtf8;
                  afxtest::Pump(200);
                  if (const char* shots = std::getenv("VEMOMPI_SCREENSHOT_DIR"))
                      afxtest::Snapshot(d.m_hWnd, (std::string(shots) + "/report-ko.png").c_str());
                  CString text;
                  d.GetDlgItem(IDC_BUTTON_EXIT)->GetWindowText(text);
                  button = text.GetString();
                  // A real click on the button, through the X server.
                  CRect r;
                  d.GetDlgItem(IDC_BUTTON_EXIT)->GetWindowRect(r);
                  afxtest::MovePointer(r.left + r.Width() / 2, r.top + r.Height() / 2);
                  afxtest::Pump(100);
                  afxtest::PointerButton(1, true);
                  afxtest::PointerButton(1, false);
                  clicked = true;
              }),
              999);
    EXPECT_EQ(caption, "Torvu\xED\x81\xB4\xEB\xA6\xAD ");             // "Torvu클릭 "
    EXPECT_EQ(button, "\xC1\xBE\xB7\xE1");                            // "종료" in code page 949
    EXPECT_TRUE(server.WaitFinished(1, 5000)) << "Exit closed the socket";
    setenv("LANG", "en_US.UTF-8", 1);
}

// ---------------------------------------------------------------- one report's connections are its own

namespace {

// "slow.test" resolves to the loopback address after 700 ms; other names at once.
int SlowResolver(const char* name, uint32_t* addrs, int) {
    if (std::string(name) == "slow.test") std::this_thread::sleep_for(std::chrono::milliseconds(700));
    addrs[0] = htonl(0x7f000001);
    return 1;
}

}  // namespace

TEST_F(Report, ALateWorkerOfAnExitedReportNeverTouchesTheNextReport) {
    WSASetResolverForTesting(SlowResolver);
    loopback::Server serverA(Replies({""}), 1);
    loopback::Server serverB(Replies({""}), 1);
    // Report A ends while its socket attempt is still resolving.
    EXPECT_EQ(Send("http://slow.test:" + std::to_string(serverA.Port()) + "/a", 0, "a", "", "",
                   [](CVemoMPIAutoReportDialog& d) {
                       if (d.m_pReport->iThreadState == STATE_THREAD_1) Click(d, IDC_BUTTON_EXIT);
                   }),
              999);
    std::shared_ptr<CReportExchange> a = report;
    // Report B runs while A's worker connects late: A's connection is
    // closed as soon as it is made, and B's stays open until B's own Exit.
    bool bothConnected = false;
    EXPECT_EQ(Send(Url(serverB.Port(), "/b"), 0, "b", "", "", [&](CVemoMPIAutoReportDialog& d) {
                  if (d.m_pReport->m_Handles.m_hSocket.Get() == 0 || serverA.Accepted() == 0) return;
                  if (!serverA.WaitFinished(1, 2000)) return;
                  bothConnected = true;
                  afxtest::Pump(200);
                  EXPECT_EQ(serverB.Accepted(), 1);
                  EXPECT_FALSE(serverB.WaitFinished(1, 0)) << "B's socket is B's alone";
                  Click(d, IDC_BUTTON_EXIT);
              }),
              999);
    WSASetResolverForTesting(nullptr);
    ASSERT_TRUE(bothConnected);
    EXPECT_TRUE(serverB.WaitFinished(1, 5000)) << "B's Exit closed B's socket";
    EXPECT_EQ(BodyOf(serverB.Received()[0]), "data1=b&data2=&data3=&ParamEnd=End");
    EXPECT_EQ(runtest::WaitResult(a->iThreadResult1, 5000), 0) << "A's worker ended in A's own report";
    EXPECT_EQ(runtest::WaitResult(report->iThreadResult1, 5000), 0);
}
