// The execute and parse steps with the real transports against the
// sandbox's MPI server, without a window: the transport choice, the request
// as the server reads it, the worker's hand-over and the cancel path.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "auth/AuthFlow.h"
#include "sandbox/MpiSandbox.h"
#include "transport/HTTPTransport.h"

namespace {

class RecordingSite : public IAuthDialogSite {
public:
    void AuthEndDialog(int nResult) override { ended.push_back(nResult); }
    void AuthKillTimer(UINT) override {}
    void AuthNavigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { navigated = AuthVariantText(url); }
    bool AuthGetDocumentHTML(BSTR*) override { return false; }
    std::vector<int> ended;
    std::string navigated;
};

const AUTH_DIALOG_KIND kKind = {"CTestDialog", &g_HTTPParam_Normal, HTTPThreadFunction_Wininet_Normal,
                                HTTPThreadFunction_Socket_Normal};

class AuthExchange : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LANG", "en_US.UTF-8", 1);
        // No proxy anywhere: an empty registry file and no proxy variables.
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        std::snprintf(dir, sizeof(dir), "/tmp/vemompi-auth-XXXXXX");
        ASSERT_NE(mkdtemp(dir), nullptr);
        setenv("VEMOMPI_REGISTRY", (std::string(dir) + "/registry.reg").c_str(), 1);
        ctrl = new CVemoMPIOCXCtrl();
        flow.m_pVemoMPIOCXCtrl = ctrl;
        std::strcpy(ctrl->m_szMallID, "SHOP01");
        std::strcpy(ctrl->m_szMallName, "Shop");
        std::strcpy(ctrl->m_LocalURL, "http://shop.example");
        std::strcpy(ctrl->m_szCardNum, "4111222233334444");
        std::strcpy(ctrl->m_szExpiryYear, "2029");
        std::strcpy(ctrl->m_szExpiryMonth, "07");
        std::strcpy(ctrl->m_szTotalPrice, "1000");
        std::strcpy(ctrl->m_szInstallment, "00");
        std::strncpy(ctrl->m_szServerUrl, mpi.EnrollUrl().c_str(), sizeof(ctrl->m_szServerUrl) - 1);
        ctrl->m_iAuthState = STATE_VEREQ;
    }
    void TearDown() override {
        ctrl->Release();
        unsetenv("VEMOMPI_REGISTRY");
        std::string cmd = std::string("rm -rf ") + dir;
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    bool WaitThreadEnd(int ms) {
        for (int i = 0; i < ms / 10; ++i) {
            if (flow.ThreadEnded()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    char dir[64];
    sandbox::MpiSandbox mpi;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    RecordingSite site;
    CAuthFlow flow{kKind, &site};
};

}  // namespace

TEST_F(AuthExchange, ForcedTransportsReachTheServer) {
    struct Case {
        int forced;
        int useProxy;
        const char* agent;
    } cases[] = {{1, 0, "VemoMPI-S"}, {2, 1, "VemoMPI-W"}, {0, 0, "VemoMPI-S"}};
    for (const auto& k : cases) {
        ctrl->m_nForcedProxyEnv = k.forced;
        ctrl->m_iAuthState = STATE_VEREQ;
        std::strcpy(ctrl->m_szCardNum, "4111222233334444");
        ASSERT_EQ(flow.AuthThreadProcessExecute(), 0);
        EXPECT_EQ(flow.m_bUseProxy, k.useProxy) << k.forced;
        ASSERT_TRUE(WaitThreadEnd(10000));
        EXPECT_EQ(flow.AuthThreadProcessParse(), 0) << flow.m_pExchange->m_szHTTPLastErrorMessage;
        EXPECT_EQ(site.navigated, mpi.AcsUrl());
        EXPECT_STREQ(ctrl->m_Code1, "0");
        auto requests = mpi.Server().Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().Header("User-Agent"), k.agent);
        auto enrolled = mpi.Enrollments().back();
        EXPECT_EQ(sandbox::FormValue(enrolled.fields, "cardnum"), "4111222233334444") << "the request carries the whole number";
        EXPECT_STREQ(ctrl->m_szCardNum, "411122223333****");
        // The socket transport hands the whole response to the control.
        if (k.useProxy == 0) EXPECT_EQ(std::string(ctrl->m_strClientHTTPData1).rfind("HTTP/1.1 200 OK", 0), 0u);
        else EXPECT_EQ(std::string(ctrl->m_strClientHTTPData1).rfind("<html>", 0), 0u);
    }
    EXPECT_TRUE(site.ended.empty());
}

TEST_F(AuthExchange, CancelDuringTheExchangeClosesTheConnection) {
    sandbox::EnrollmentReply silent;
    silent.silent = true;
    mpi.SetEnrollmentReply(silent);
    for (int forced : {1, 2}) {
        ctrl->m_nForcedProxyEnv = forced;
        ctrl->m_iAuthState = STATE_VEREQ;
        ASSERT_EQ(flow.AuthThreadProcessExecute(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(flow.ThreadEnded());
        ctrl->m_iAuthState = STATE_CANCEL;
        flow.MarkCancelled();
        auto start = std::chrono::steady_clock::now();
        flow.CloseTransportHandles();
        ASSERT_TRUE(WaitThreadEnd(5000)) << forced;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_STRNE(flow.m_pExchange->m_szHTTPLastErrorMessage, "") << forced;
        EXPECT_EQ(flow.AuthThreadProcessParse(), AUTH_ERROR_CANCEL);
    }
}

TEST_F(AuthExchange, UnreachableServerIsANetworkError) {
    std::strcpy(ctrl->m_szServerUrl, "http://127.0.0.1:1/mpi/enroll");
    ctrl->m_nForcedProxyEnv = 1;
    ASSERT_EQ(flow.AuthThreadProcessExecute(), 0);
    ASSERT_TRUE(WaitThreadEnd(10000));
    EXPECT_EQ(flow.AuthThreadProcessParse(), AUTH_ERROR_NETWORK);
    EXPECT_STREQ(ctrl->m_Msg1, "Network or Server Error, Try Again! (SOCKET_CONNECT Error Code:-1)");
}

TEST_F(AuthExchange, WorkerOutlivesItsDialog) {
    // The dialog ends (and goes) while its worker still waits for the
    // server; the worker finishes later into its own exchange and touches
    // nothing of the dialog or the control.
    sandbox::EnrollmentReply slow;
    slow.delayMs = 600;
    mpi.SetEnrollmentReply(slow);
    std::weak_ptr<CHTTPExchange> exchange;
    for (int forced : {1, 2}) {
        ctrl->m_nForcedProxyEnv = forced;
        ctrl->m_iAuthState = STATE_VEREQ;
        size_t before = mpi.Enrollments().size();
        {
            RecordingSite gone;
            CAuthFlow dialogFlow(kKind, &gone);
            dialogFlow.m_pVemoMPIOCXCtrl = ctrl;
            ASSERT_EQ(dialogFlow.AuthThreadProcessExecute(), 0);
            exchange = dialogFlow.m_pExchange;
        }
        for (int i = 0; i < 500 && !exchange.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(exchange.expired()) << "the worker finished and let go of its exchange";
        EXPECT_EQ(mpi.Enrollments().size(), before + 1);
    }
}
