// The transports under the StrictTransport policy, against loopback peers:
// TLS servers with certificates of an authority made at test time (trusted
// through the WinINet layer's hook) and plain listeners that record what
// reaches them. Each case is run without the policy too, where that shows
// that the peer would have received the data.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/support/exchange.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tls.h"
#include "transport/HTTPTransport.h"
#include "transport/MPIPolicy.h"
#include "transport/MPISocket.h"

namespace {

const char kBody[] = "data=sealed-card-data";

std::string Url(const std::string& scheme, unsigned short port, const std::string& path = "/mpi/enroll") {
    return scheme + "://127.0.0.1:" + std::to_string(port) + path;
}

// Runs an authentication worker with or without the policy, to its end.
std::shared_ptr<CHTTPExchange> Post(LPTHREAD_START_ROUTINE entry, const std::string& url, bool strict) {
    auto ex = std::make_shared<CHTTPExchange>();
    auto* start = new HTTP_THREAD_START;
    std::memset(&start->param, 0, sizeof(start->param));
    std::snprintf(start->param.szUrl, sizeof(start->param.szUrl), "%s", url.c_str());
    std::snprintf(start->param.szPostData, sizeof(start->param.szPostData), "%s", kBody);
    start->param.bPostRequest = 1;
    start->exchange = ex;
    start->bStrictTransport = strict;
    HANDLE h = CreateThread(nullptr, 0, entry, start, 0, nullptr);
    if (h == nullptr) {
        delete start;
        return nullptr;
    }
    CloseHandle(h);
    if (!runtest::WaitEnd(*ex)) return nullptr;
    return ex;
}

// Runs a report worker with or without the policy; its result.
int Report(LPTHREAD_START_ROUTINE entry, const std::string& url, bool strict) {
    auto rep = std::make_shared<CReportExchange>();
    std::snprintf(rep->szHTTPUrl, sizeof(rep->szHTTPUrl), "%s", url.c_str());
    std::snprintf(rep->szPostParam, sizeof(rep->szPostParam), "%s", kBody);
    auto* start = new REPORT_THREAD_START{rep, strict};
    HANDLE h = CreateThread(nullptr, 0, entry, start, 0, nullptr);
    if (h == nullptr) {
        delete start;
        return -999;
    }
    CloseHandle(h);
    return runtest::WaitResult(entry == SendHTTPPostData_S ? rep->iThreadResult1 : rep->iThreadResult2);
}

std::string All(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& p : parts) all += p;
    return all;
}

class StrictTransport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(v);
    }
    // Winsock is started, as a control does, so that the socket transport
    // could connect if it tried.
    void SetUp() override {
        ASSERT_EQ(helper.SocketInit(), 0);
        InternetSetTrustedAuthoritiesForTesting(tlstest::TestPki().caFile.c_str());
    }
    void TearDown() override {
        InternetSetTrustedAuthoritiesForTesting(nullptr);
        helper.SocketClose(0);
    }
    CMPISocket helper;
};

const LPTHREAD_START_ROUTINE kWininetEntries[] = {HTTPThreadFunction_Wininet_Normal, HTTPThreadFunction_Wininet};

}  // namespace

TEST_F(StrictTransport, AVerifiedServerGetsTheRequestOverTls) {
    for (LPTHREAD_START_ROUTINE entry : kWininetEntries) {
        tlstest::TlsServer server(tlstest::TestPki().good, httptest::Response(200, "<BODY>0|ok|a|b|c|d</BODY>"));
        auto ex = Post(entry, Url("https", server.Port()), true);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
        EXPECT_STREQ(ex->m_szHTTPRecvData, "<BODY>0|ok|a|b|c|d</BODY>");
        ASSERT_TRUE(server.WaitFinished(1, 5000));
        ASSERT_EQ(server.Received().size(), 1u);
        EXPECT_NE(server.Received()[0].find(std::string("\r\n\r\n") + kBody), std::string::npos);
    }
    tlstest::TlsServer report(tlstest::TestPki().good, httptest::Response(200, "ok"));
    EXPECT_EQ(Report(SendHTTPPostData_W, Url("https", report.Port(), "/report"), true), 200);
}

TEST_F(StrictTransport, AServerWhoseCertificateDoesNotVerifyGetsNoRequestBytes) {
    const tlstest::Pki& pki = tlstest::TestPki();
    struct Case {
        const tlstest::Credentials* creds;
        const char* why;
        const char* error;
    } cases[] = {
        {&pki.otherAuthority, "unknown authority", "HttpSendRequest Error (GetLastError : 12045)"},
        {&pki.expired, "expired", "HttpSendRequest Error (GetLastError : 12037)"},
        {&pki.wrongName, "another name", "HttpSendRequest Error (GetLastError : 12038)"},
    };
    for (const Case& k : cases) {
        for (LPTHREAD_START_ROUTINE entry : kWininetEntries) {
            tlstest::TlsServer server(*k.creds, httptest::Response(200, "tls"), 2);
            auto ex = Post(entry, Url("https", server.Port()), true);
            ASSERT_TRUE(ex);
            EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, k.error) << k.why;
            EXPECT_STREQ(ex->m_szHTTPRecvData, "");
            ASSERT_TRUE(server.WaitFinished(1, 5000));
            EXPECT_EQ(server.Accepted(), 1) << k.why << ": one attempt, no retry";
            EXPECT_EQ(All(server.Received()), "") << k.why;
            EXPECT_TRUE(server.ClearRequests().empty()) << k.why;
        }
        tlstest::TlsServer report(*k.creds, httptest::Response(200, "ok"), 2);
        EXPECT_EQ(Report(SendHTTPPostData_W, Url("https", report.Port(), "/report"), true), -100) << k.why;
        ASSERT_TRUE(report.WaitFinished(1, 5000));
        EXPECT_EQ(All(report.Received()), "") << k.why;
        EXPECT_EQ(report.Accepted(), 1) << k.why;

        // Without the policy the same server gets the card data.
        tlstest::TlsServer relaxed(*k.creds, httptest::Response(200, "tls"), 2);
        auto ex = Post(HTTPThreadFunction_Wininet_Normal, Url("https", relaxed.Port()), false);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "") << k.why;
        ASSERT_TRUE(relaxed.WaitFinished(relaxed.Accepted(), 5000));
        EXPECT_NE(All(relaxed.Received()).find(kBody), std::string::npos) << k.why;
    }
}

TEST_F(StrictTransport, NothingGoesInClearToAnHttpsAddress) {
    // A plain listener at the https address's port: the socket transport,
    // which sends there in clear text without the policy, refuses to run.
    for (LPTHREAD_START_ROUTINE entry : {HTTPThreadFunction_Socket_Normal, HTTPThreadFunction_Socket}) {
        loopback::Server listener(httptest::Reply(httptest::Response(200, "<BODY>0|ok|a|b|c|d</BODY>")), 1);
        auto ex = Post(entry, Url("https", listener.Port()), true);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, MPI_POLICY_MSG_TRANSPORT);
        EXPECT_STREQ(ex->m_szHTTPRecvData, "");
        EXPECT_EQ(listener.Accepted(), 0);
    }
    loopback::Server reportListener(httptest::Reply(httptest::Response(200, "ok")), 1);
    EXPECT_EQ(Report(SendHTTPPostData_S, Url("https", reportListener.Port(), "/report"), true), 0);
    EXPECT_EQ(reportListener.Accepted(), 0);
    EXPECT_EQ(Report(SendHTTPPostData_S, Url("https", reportListener.Port(), "/report"), false), 200)
        << "without the policy the report goes there in clear";

    // WinINet speaks TLS there: the listener sees a handshake, never the request.
    loopback::Server plain([](loopback::Connection& c) { c.ReadUntil("\r\n\r\n", 3000); }, 1);
    auto ex = Post(HTTPThreadFunction_Wininet_Normal, Url("https", plain.Port()), true);
    ASSERT_TRUE(ex);
    EXPECT_NE(std::string(ex->m_szHTTPLastErrorMessage).find("HttpSendRequest Error"), std::string::npos)
        << ex->m_szHTTPLastErrorMessage;
    ASSERT_TRUE(plain.WaitFinished(1, 10000));
    std::string seen = All(plain.Received());
    EXPECT_EQ(seen.find("POST"), std::string::npos);
    EXPECT_EQ(seen.find(kBody), std::string::npos);

    // Without the policy the socket transport sends the body there in clear.
    loopback::Server clear(httptest::Reply(httptest::Response(200, "x")), 1);
    ex = Post(HTTPThreadFunction_Socket_Normal, Url("https", clear.Port()), false);
    ASSERT_TRUE(ex);
    ASSERT_TRUE(clear.WaitFinished(1, 5000));
    EXPECT_NE(All(clear.Received()).find(kBody), std::string::npos);
}

TEST_F(StrictTransport, AnHttpAddressIsRefusedBeforeAnyConnection) {
    for (const char* scheme : {"http", "HTTP", "hTtP"}) {
        loopback::Server listener(httptest::Reply(httptest::Response(200, "x")), 1);
        for (LPTHREAD_START_ROUTINE entry : kWininetEntries) {
            auto ex = Post(entry, Url(scheme, listener.Port()), true);
            ASSERT_TRUE(ex);
            EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, MPI_POLICY_MSG_TRANSPORT) << scheme;
        }
        EXPECT_EQ(Report(SendHTTPPostData_W, Url(scheme, listener.Port(), "/report"), true), -100);
        EXPECT_EQ(listener.Accepted(), 0) << scheme;
    }
}

TEST_F(StrictTransport, ARedirectIsAFailureAndIsNotFollowed) {
    tlstest::TlsServer target(tlstest::TestPki().good, httptest::Response(200, "moved here"), 1);
    loopback::Server plainTarget(httptest::Reply(httptest::Response(200, "moved here")), 1);
    for (const std::string& location : {Url("https", target.Port(), "/next"), Url("http", plainTarget.Port(), "/next")}) {
        std::string redirect = "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
        tlstest::TlsServer first(tlstest::TestPki().good, redirect, 2);
        auto ex = Post(HTTPThreadFunction_Wininet_Normal, Url("https", first.Port()), true);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage,
                     "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : 307)");
        EXPECT_STREQ(ex->m_szHTTPStatusCode, "307");
        EXPECT_EQ(first.Accepted(), 1);

        tlstest::TlsServer reportFirst(tlstest::TestPki().good, redirect, 2);
        EXPECT_EQ(Report(SendHTTPPostData_W, Url("https", reportFirst.Port(), "/report"), true), -100);
    }
    EXPECT_EQ(target.Accepted(), 0);
    EXPECT_EQ(plainTarget.Accepted(), 0);

    // Without the policy the redirect carries the body to the other host,
    // from https to http too.
    std::string redirect = "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + Url("http", plainTarget.Port(), "/next") +
                           "\r\nContent-Length: 0\r\n\r\n";
    tlstest::TlsServer first(tlstest::TestPki().good, redirect, 1);
    auto ex = Post(HTTPThreadFunction_Wininet_Normal, Url("https", first.Port()), false);
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPRecvData, "moved here");
    ASSERT_TRUE(plainTarget.WaitFinished(1, 5000));
    EXPECT_NE(All(plainTarget.Received()).find(kBody), std::string::npos);
}
