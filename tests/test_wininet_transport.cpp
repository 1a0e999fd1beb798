// The WinINet POST transport: its three instances against loopback servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/exchange.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tls.h"
#include "transport/HTTPTransport.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string Url(unsigned short port, const std::string& path = "/mpi/ve.jsp?x=1", const std::string& scheme = "http") {
    return scheme + "://127.0.0.1:" + std::to_string(port) + path;
}

void WaitAccepted(const loopback::Server& server, int n) {
    for (int k = 0; k < 1000 && server.Accepted() < n; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the worker is in its call by now
}

class WininetTransport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(v);
    }
    void TearDown() override { InternetSetTrustedAuthoritiesForTesting(nullptr); }
};

}  // namespace

// ---------------------------------------------------------------- success

TEST_F(WininetTransport, PostsTheExactRequestAndHandsOverStatusAndReply) {
    int handles = InternetOpenHandlesForTesting();
    loopback::Server server(httptest::Reply(httptest::Response(200, "<BODY>0000|ok|a|b|c|d</BODY>")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(server.Port()), "body=ok&x=%2B");
    ASSERT_TRUE(ex);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Received()[0],
              "POST /mpi/ve.jsp?x=1 HTTP/1.1\r\n"
              "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"
              "User-Agent: VemoMPI-W\r\n"
              "Accept: */*\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 13\r\n"
              "\r\n"
              "body=ok&x=%2B");
    EXPECT_STREQ(ex->m_szHTTPStatusCode, "200");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "<BODY>0000|ok|a|b|c|d</BODY>");
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_TRUE(ex->m_bClientHTTPData1);
    EXPECT_STREQ(ex->m_strClientHTTPData1, "<BODY>0000|ok|a|b|c|d</BODY>");
    EXPECT_EQ(g_hIO_Normal.load(), nullptr);
    EXPECT_EQ(g_hCO_Normal.load(), nullptr);
    EXPECT_EQ(g_hIS_Normal.load(), nullptr);
    EXPECT_EQ(InternetOpenHandlesForTesting(), handles) << "a success closes its three handles";
}

TEST_F(WininetTransport, TheOtherInstancesUseTheirOwnAgentAndHandles) {
    loopback::Server skin(httptest::Reply(httptest::Response(200, "skin")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet, Url(skin.Port(), "/s"), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPRecvData, "skin");
    ASSERT_TRUE(skin.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(skin.Received()[0], "User-Agent"), "VemoMPI-W");

    loopback::Server report(httptest::Reply(httptest::Response(200, "ignored body")));
    auto rep = runtest::StartReport(SendHTTPPostData_W, Url(report.Port(), "/r"), "data1=x&ParamEnd=End");
    ASSERT_TRUE(rep);
    EXPECT_EQ(runtest::WaitResult(rep->iThreadResult2), 200);
    ASSERT_TRUE(report.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(report.Received()[0], "User-Agent"), "VemoMPI-WR");
    EXPECT_EQ(g_hIS_Report.load(), nullptr);
    EXPECT_EQ(rep->iThreadResult1.load(), -999) << "the WinINet attempt writes only its own result";
}

TEST_F(WininetTransport, PlainAndSecureFlagsFollowTheFirstFiveCharacters) {
    // "hTtP:" is plain HTTP: a plain server answers.
    loopback::Server plain(httptest::Reply(httptest::Response(200, "plain")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, "hTtP://127.0.0.1:" + std::to_string(plain.Port()) + "/", "a");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPRecvData, "plain");

    // Secure requests relax every certificate check: an expired certificate
    // of an authority nobody trusts, and one for another name, both pass.
    const tlstest::Pki& pki = tlstest::TestPki();
    for (const tlstest::Credentials* creds : {&pki.expired, &pki.wrongName, &pki.otherAuthority}) {
        tlstest::TlsServer server(*creds, httptest::Response(200, "tls"));
        auto sec = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(server.Port(), "/t", "https"), "a=1");
        ASSERT_TRUE(sec);
        EXPECT_STREQ(sec->m_szHTTPLastErrorMessage, "");
        EXPECT_STREQ(sec->m_szHTTPRecvData, "tls");
        EXPECT_EQ(server.Handshakes(), 1);
    }
}

TEST_F(WininetTransport, AnUnknownAuthorityFailsTheFirstSendAndPassesTheSecond) {
    // A plain request redirected to TLS carries no relaxed flags: the first
    // send meets the unknown authority, the retry adds exactly that flag.
    tlstest::TlsServer secure(tlstest::TestPki().good, httptest::Response(200, "accepted"), 2);
    std::string location = Url(secure.Port(), "/secure", "https");
    std::string redirect = "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
    loopback::Server first(
        [redirect](loopback::Connection& c) {
            httptest::ReadRequest(c);
            c.Send(redirect);
        },
        2);
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(first.Port(), "/start"), "pan=sealed");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "accepted");
    EXPECT_EQ(first.Accepted(), 2) << "sent twice";
    ASSERT_TRUE(secure.WaitFinished(2, 5000));
    EXPECT_EQ(secure.Handshakes(), 1) << "refused once, accepted once";
    std::string delivered;
    for (const std::string& r : secure.Received()) delivered += r;
    EXPECT_NE(delivered.find("\r\n\r\npan=sealed"), std::string::npos);

    // The report instance takes the same path.
    tlstest::TlsServer secure2(tlstest::TestPki().good, httptest::Response(200, "ok"), 2);
    std::string redirect2 = "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + Url(secure2.Port(), "/r", "https") +
                            "\r\nContent-Length: 0\r\n\r\n";
    loopback::Server first2(
        [redirect2](loopback::Connection& c) {
            httptest::ReadRequest(c);
            c.Send(redirect2);
        },
        2);
    auto rep = runtest::StartReport(SendHTTPPostData_W, Url(first2.Port(), "/r"), "data1=a");
    ASSERT_TRUE(rep);
    EXPECT_EQ(runtest::WaitResult(rep->iThreadResult2), 200);
}

TEST_F(WininetTransport, RepliesUpTo4095BytesFitAndAnEmptyReplyIsASuccess) {
    std::string reply(4095, 'r');
    loopback::Server server(httptest::Reply(httptest::Response(200, reply)));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(server.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_EQ(std::string(ex->m_szHTTPRecvData), reply);
    EXPECT_EQ(std::string(ex->m_strClientHTTPData1), reply);

    loopback::Server empty(httptest::Reply(httptest::Response(200, "")));
    auto none = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(empty.Port()), "a=1");
    ASSERT_TRUE(none);
    EXPECT_STREQ(none->m_szHTTPLastErrorMessage, "");
    EXPECT_STREQ(none->m_szHTTPRecvData, "");
    EXPECT_TRUE(none->m_bClientHTTPData1);
}

// ---------------------------------------------------------------- failures

TEST_F(WininetTransport, EachFailingStepLeavesItsMessage) {
    std::string big(4096, 'b');
    loopback::Server tooBig(httptest::Reply(httptest::Response(200, big + "more")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(tooBig.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "InternetReadFile Error (RetReadByte:4096) (GetLastError : 0)");
    EXPECT_EQ(std::strlen(ex->m_szHTTPRecvData), 4096u) << "cut at byte 4096";
    EXPECT_FALSE(ex->m_bClientHTTPData1) << "the control's copy keeps its earlier value";

    loopback::Server notFound(httptest::Reply(httptest::Response(404, "missing")));
    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(notFound.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage,
                 "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : 404)");
    EXPECT_STREQ(ex->m_szHTTPStatusCode, "404");

    loopback::Server error(httptest::Reply(httptest::Response(500, "<html>oops</html>")));
    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(error.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage,
                 "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : 500)");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "");

    // A refused connection fails the first send silently; the status query reports it.
    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(loopback::UnusedPort()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 12019)");

    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, "www.example.com/no-scheme", "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "InternetCrackUrl Error (GetLastError : 12006)");
    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, "", "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "InternetCrackUrl Error (GetLastError : 12006)");

    loopback::Server reportNotFound(httptest::Reply(httptest::Response(404, "missing")));
    for (std::string url : {Url(reportNotFound.Port()), Url(loopback::UnusedPort()), std::string("no scheme"), std::string()}) {
        auto rep = runtest::StartReport(SendHTTPPostData_W, url, "data1=a");
        ASSERT_TRUE(rep);
        EXPECT_EQ(runtest::WaitResult(rep->iThreadResult2), -100) << url;
    }
}

TEST_F(WininetTransport, AFailedRunClosesItsOwnHandlesAndNoOtherRunsHandles) {
    int handles = InternetOpenHandlesForTesting();
    HINTERNET other = InternetOpenA("other run", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(other, nullptr);
    g_hIO_Normal.store(other);
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(loopback::UnusedPort()), "a=1", 0);
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "No Post Request");
    loopback::Server notFound(httptest::Reply(httptest::Response(404, "")));
    auto skin = runtest::Run(HTTPThreadFunction_Wininet, Url(notFound.Port()), "a=1");
    ASSERT_TRUE(skin);
    EXPECT_STREQ(skin->m_szHTTPLastErrorMessage,
                 "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : 404)");
    EXPECT_EQ(g_hIO.load(), nullptr);
    EXPECT_EQ(g_hCO.load(), nullptr);
    EXPECT_EQ(g_hIS.load(), nullptr);
    EXPECT_EQ(g_hIO_Normal.load(), other) << "another run's handle is neither replaced nor cleared";
    DWORD value = 0, len = sizeof(value);
    EXPECT_TRUE(InternetQueryOptionA(other, INTERNET_OPTION_CONNECT_TIMEOUT, &value, &len)) << "nor closed";
    EXPECT_TRUE(InternetCloseHandle(other));
    g_hIO_Normal.store(nullptr);
    EXPECT_EQ(InternetOpenHandlesForTesting(), handles) << "the failed runs left nothing open";
}

// ---------------------------------------------------------------- cancel

TEST_F(WininetTransport, TheCancelPathEndsABlockedRunPromptlyWithTheStepsMessage) {
    long long worst = 0;
    {
        loopback::Server silent(httptest::Silence(20000));
        auto ex = runtest::Start(HTTPThreadFunction_Wininet_Normal, Url(silent.Port()), "a=1");
        ASSERT_TRUE(ex);
        WaitAccepted(silent, 1);
        ASSERT_EQ(ex->m_bThreadEnd.load(), 0) << "blocked in the send";
        auto closedAt = Clock::now();
        EXPECT_NE(g_hIS_Normal.load(), nullptr) << "the variables show the running run's handles";
        CloseRunHandles(*ex);
        ASSERT_TRUE(runtest::WaitEnd(*ex, 5000));
        worst = std::max(worst, MsSince(closedAt));
        // The interrupted send is not reported itself; the status query on
        // the closed request is.
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 6)");
    }
    {
        loopback::Server trickle([](loopback::Connection& c) {
            httptest::ReadRequest(c);
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
            c.WaitForClose(20000);
        });
        auto ex = runtest::Start(HTTPThreadFunction_Wininet, Url(trickle.Port()), "a=1");
        ASSERT_TRUE(ex);
        WaitAccepted(trickle, 1);
        ASSERT_EQ(ex->m_bThreadEnd.load(), 0) << "blocked in the read";
        auto closedAt = Clock::now();
        CloseRunHandles(*ex);
        ASSERT_TRUE(runtest::WaitEnd(*ex, 5000));
        worst = std::max(worst, MsSince(closedAt));
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "InternetReadFile Error (GetLastError : 12017)");
    }
    {
        loopback::Server silent(httptest::Silence(20000));
        auto rep = runtest::StartReport(SendHTTPPostData_W, Url(silent.Port()), "data1=a");
        ASSERT_TRUE(rep);
        WaitAccepted(silent, 1);
        auto closedAt = Clock::now();
        CloseRunHandles(*rep);
        EXPECT_EQ(runtest::WaitResult(rep->iThreadResult2, 5000), -100);
        worst = std::max(worst, MsSince(closedAt));
    }
    EXPECT_LT(worst, 1000);
    RecordProperty("cancel_latency_ms", static_cast<int>(worst));
}

// ---------------------------------------------------------------- runs of one instance

TEST_F(WininetTransport, ALateWorkerOfAnEndedRunLeavesTheNextRunAlone) {
    // Run A's dialog closed it and ended before A's worker got going; run B
    // started at once and waits for a silent server when A's worker runs.
    int handles = InternetOpenHandlesForTesting();
    loopback::Server serverA(httptest::Reply(httptest::Response(200, "late")));
    loopback::Server serverB(httptest::Silence(20000));
    auto a = std::make_shared<CHTTPExchange>();
    CloseRunHandles(*a);  // A's cancel path
    auto b = runtest::Start(HTTPThreadFunction_Wininet_Normal, Url(serverB.Port()), "b=1");
    ASSERT_TRUE(b);
    WaitAccepted(serverB, 1);
    HINTERNET requestB = g_hIS_Normal.load();
    ASSERT_NE(requestB, nullptr);

    auto* start = new HTTP_THREAD_START;
    std::memset(&start->param, 0, sizeof(start->param));
    std::snprintf(start->param.szUrl, sizeof(start->param.szUrl), "%s", Url(serverA.Port()).c_str());
    std::snprintf(start->param.szPostData, sizeof(start->param.szPostData), "a=1");
    start->param.bPostRequest = 1;
    start->exchange = a;
    HANDLE h = CreateThread(nullptr, 0, HTTPThreadFunction_Wininet_Normal, start, 0, nullptr);
    ASSERT_NE(h, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(runtest::WaitEnd(*a, 5000));
    EXPECT_STREQ(a->m_szHTTPLastErrorMessage, "InternetConnect Error (GetLastError : 6)") << "the closed run sends nothing";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    EXPECT_EQ(b->m_bThreadEnd.load(), 0) << "B still waits for its reply: " << b->m_szHTTPLastErrorMessage;
    EXPECT_EQ(g_hIS_Normal.load(), requestB);
    auto closedAt = Clock::now();
    CloseRunHandles(*b);  // B's cancel path
    ASSERT_TRUE(runtest::WaitEnd(*b, 5000));
    EXPECT_LT(MsSince(closedAt), 1000);
    EXPECT_STREQ(b->m_szHTTPLastErrorMessage, "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 6)");
    EXPECT_EQ(serverA.Accepted(), 0);
    EXPECT_EQ(InternetOpenHandlesForTesting(), handles);
}
