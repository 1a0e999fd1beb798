// Whole calls of GetPAReq2 and SendHTTPPost under the administrators'
// policy, through the scripting interface with real GTK and WebKitGTK under
// Xvfb: the sandbox on loopback for what may pass, a TLS server with a
// certificate of an authority made at test time (trusted through the
// WinINet layer's hook) as an https MPI and report server, and plain
// listeners that record whatever reaches them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "control/VemoMPIOCXAuth.h"
#include "platform/afx/afxtest.h"
#include "platform/wininet/wininet.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/ui_repeat.h"
#include "tests/support/dispatch.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/policy.h"
#include "tests/support/tempdir.h"
#include "tests/support/tls.h"
#include "ui/CustomOccManager.h"

using script::Arg;
using script::Call;
using script::Get;

namespace {

using Clock = std::chrono::steady_clock;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string All(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& p : parts) all += p;
    return all;
}

class PolicyRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(v);
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        setenv("VEMOMPI_SYSTEM_DIR", dir.path().c_str(), 1);
        InternetSetTrustedAuthoritiesForTesting(tlstest::TestPki().caFile.c_str());
        mpi.SetAcsAutoSubmit(true);
        ctrl = new CVemoMPIOCXCtrl();
        // The plain dialog and the socket transport, which the policy must overrule.
        EXPECT_EQ(Call(ctrl, u"SetNormalDialog", {1}).Long(), 0);
        EXPECT_EQ(Call(ctrl, u"SetForcedProxyEnv", {1}).Long(), 0);
        EXPECT_EQ(Call(ctrl, u"SetWaitUrl", {U16(mpi.WaitUrl())}).Long(), 0);
    }
    void TearDown() override {
        if (ctrl != nullptr) {
            ctrl->SetClientSite(nullptr);
            ctrl->Release();
        }
        InternetSetTrustedAuthoritiesForTesting(nullptr);
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("VEMOMPI_SYSTEM_DIR");
    }

    // Calls a method by name; a dialog still open after a minute gets two
    // close requests (which end it in any state).
    LONG Call2(const char16_t* method, const std::vector<Arg>& args) {
        auto started = Clock::now();
        testsupport::RepeatOnUi watch([&]() {
            HWND hwnd = afxtest::ActiveModal();
            if (hwnd != nullptr) {
                sawDialog = true;
                if (Clock::now() - started > std::chrono::seconds(60)) {
                    afxtest::SendCloseRequest(hwnd);
                    afxtest::SendCloseRequest(hwnd);
                }
            }
        }, 100, 100);
        script::Result r = Call(ctrl, method, args);
        watch.Stop();
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }
    LONG GetPAReq2(const std::string& url) {
        return Call2(u"GetPAReq2", {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00",
                                    u"coffee", U16(url)});
    }
    LONG SendHTTPPost(const std::string& url) { return Call2(u"SendHTTPPost", {U16(url), 0, u"e1", u"e2", u"e3"}); }

    TempDir dir;
    sandbox::MpiSandbox mpi;
    // The container's site; it outlives the control's hold on it.
    policytest::PageSite site;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    bool sawDialog = false;
};

std::string EnrollmentReply(const std::string& acs, const std::string& term) {
    return httptest::Response(200, "<html><BODY>0|Enrolled|pareq-1|" + acs + "|md-1|" + term + "</BODY></html>");
}

}  // namespace

TEST_F(PolicyRun, AnHttpsMpiIsReachedOverVerifiedTlsAndAnHttpAcsIsRefused) {
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    loopback::Server acs(httptest::Reply(httptest::Response(200, "acs")), 1);
    std::string acsUrl = "http://127.0.0.1:" + std::to_string(acs.Port()) + "/acs";
    tlstest::TlsServer server(tlstest::TestPki().good, EnrollmentReply(acsUrl, "https://127.0.0.1/MPI/VerifyPARes"), 2);
    std::string url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/mpi/enroll";

    EXPECT_EQ(GetPAReq2(url), 11002);
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(Get(ctrl, u"Code1").Text(), u"0");
    EXPECT_EQ(Get(ctrl, u"Msg1").Text(), U16(MPI_POLICY_MSG_ACS_HTTPS_EN));
    EXPECT_EQ(Get(ctrl, u"AcsUrl").Text(), U16(acsUrl));
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Handshakes(), 1) << "WinINet over TLS, although the page asked for the socket transport";
    EXPECT_TRUE(server.ClearRequests().empty());
    ASSERT_EQ(server.Received().size(), 1u);
    EXPECT_NE(server.Received()[0].find("\r\n\r\ndata="), std::string::npos) << "the sealed request";
    EXPECT_EQ(acs.Accepted(), 0) << "the browser never went to the http ACS";
}

TEST_F(PolicyRun, AnHttpsMpiBehindAPlainListenerGetsNothingInClear) {
    loopback::Server listener([](loopback::Connection& c) { c.ReadUntil("\r\n\r\n", 3000); }, 2);
    std::string url = "https://127.0.0.1:" + std::to_string(listener.Port()) + "/mpi/enroll";
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    EXPECT_EQ(GetPAReq2(url), 11002);
    EXPECT_EQ(std::u16string(Get(ctrl, u"Msg1").Text()).rfind(u"Network or Server Error, Try Again! (HttpSendRequest Error", 0),
              0u);
    ASSERT_TRUE(listener.WaitFinished(1, 10000));
    EXPECT_EQ(All(listener.Received()).find("POST"), std::string::npos);
    EXPECT_EQ(All(listener.Received()).find("cardnum"), std::string::npos);
    EXPECT_EQ(All(listener.Received()).find("data="), std::string::npos);

    // Without the policy the socket transport sends the request there in clear.
    ASSERT_EQ(policytest::SetStrict(0), ERROR_SUCCESS);
    EXPECT_NE(GetPAReq2(url), 0);
    ASSERT_TRUE(listener.WaitFinished(2, 10000));
    EXPECT_NE(All(listener.Received()).find("POST /mpi/enroll HTTP/1.1"), std::string::npos);
}

TEST_F(PolicyRun, TheSiteLockLetsTheListedPageThroughAndNoOther) {
    ASSERT_EQ(policytest::SetSites("https://shop.example.com;https://pay.example.com:8443"), ERROR_SUCCESS);
    site.page = u"https://shop.example.com/cart/pay.jsp?order=7";
    ctrl->SetClientSite(&site);
    EXPECT_EQ(GetPAReq2(mpi.EnrollUrl()), 0);
    EXPECT_EQ(mpi.Enrollments().size(), 1u);
    EXPECT_EQ(Get(ctrl, u"Code2").Text(), u"0");
    EXPECT_EQ(SendHTTPPost(mpi.ReportUrl()), 0);

    // Another origin, the same host on another port or scheme: nothing goes out.
    for (const char16_t* other : {u"https://evil.example/", u"https://shop.example.com:8443/cart", u"http://shop.example.com/"}) {
        site.page = other;
        sawDialog = false;
        EXPECT_EQ(GetPAReq2(mpi.EnrollUrl()), 11002);
        EXPECT_EQ(Get(ctrl, u"Msg1").Text(), U16(MPI_POLICY_MSG_SITE_EN));
        EXPECT_EQ(SendHTTPPost(mpi.ReportUrl()), -100);
        EXPECT_FALSE(sawDialog);
    }
    ctrl->SetClientSite(nullptr);
    EXPECT_EQ(GetPAReq2(mpi.EnrollUrl()), 11002) << "no client site";
    EXPECT_EQ(mpi.Enrollments().size(), 1u);
}

TEST_F(PolicyRun, AReportGoesOnlyThroughVerifiedTls) {
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    tlstest::TlsServer server(tlstest::TestPki().good, httptest::Response(200, "ok"), 2);
    std::string url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/report";
    EXPECT_EQ(SendHTTPPost(url), 0);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Accepted(), 1) << "one attempt, through WinINet";
    EXPECT_TRUE(server.ClearRequests().empty());
    EXPECT_NE(All(server.Received()).find("data1=e1&data2=e2&data3=e3&ParamEnd=End"), std::string::npos);

    tlstest::TlsServer untrusted(tlstest::TestPki().otherAuthority, httptest::Response(200, "ok"), 2);
    EXPECT_EQ(SendHTTPPost("https://127.0.0.1:" + std::to_string(untrusted.Port()) + "/report"), -100);
    ASSERT_TRUE(untrusted.WaitFinished(1, 5000));
    EXPECT_EQ(All(untrusted.Received()), "");
    EXPECT_TRUE(untrusted.ClearRequests().empty());

    // Without the policy the first attempt writes the report in clear to
    // the https port.
    ASSERT_EQ(policytest::SetStrict(0), ERROR_SUCCESS);
    tlstest::TlsServer relaxed(tlstest::TestPki().good, httptest::Response(200, "ok"), 2);
    EXPECT_EQ(SendHTTPPost("https://127.0.0.1:" + std::to_string(relaxed.Port()) + "/report"), 0);
    ASSERT_TRUE(relaxed.WaitFinished(2, 5000));
    EXPECT_NE(All(relaxed.ClearRequests()).find("data1=e1"), std::string::npos);
}
