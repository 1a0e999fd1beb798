// The socket POST transport: its three instances against scripted loopback servers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/exchange.h"
#include "tests/support/http.h"
#include "crypto/MPIMask.h"
#include "tests/support/loopback.h"
#include "transport/HTTPTransport.h"
#include "transport/MPISocket.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string Url(unsigned short port, const std::string& path = "/mpi/ve.jsp?x=1", const std::string& scheme = "http") {
    return scheme + "://127.0.0.1:" + std::to_string(port) + path;
}

std::string ExpectedRequest(const std::string& object, const std::string& host, const std::string& body) {
    return "POST " + object + " HTTP/1.1\r\n" +
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "User-Agent: VemoMPI-S\n"
           "Accept: */*\r\n"
           "Host: " + host + "\r\n" +
           "Content-Length: " + std::to_string(body.size()) + "\r\n" +
           "Cache-Control: no-cache\r\n"
           "\r\n" + body;
}

// Runs the plain dialog's instance against a server that answers with `reply` and closes.
std::shared_ptr<CHTTPExchange> Exchange(const std::string& reply) {
    loopback::Server server(httptest::Reply(reply));
    return runtest::Run(HTTPThreadFunction_Socket_Normal, Url(server.Port()), "a=1");
}

void WaitAccepted(const loopback::Server& server, int n) {
    for (int k = 0; k < 1000 && server.Accepted() < n; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the worker is in its receive by now
}

int LoopbackResolver(const char*, uint32_t* addrs, int) {
    addrs[0] = htonl(0x7f000001);
    return 1;
}

class SocketTransport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(helper.SocketInit(), 0); }
    void TearDown() override {
        WSASetResolverForTesting(nullptr);
        helper.SocketClose(0);
    }
    CMPISocket helper;
};

}  // namespace

// ---------------------------------------------------------------- the request

TEST_F(SocketTransport, SendsTheExactRequestAndHandsOverHeaderAndBody) {
    int descriptors = WSAOpenDescriptorsForTesting();
    std::string reply = httptest::Response(200, "<BODY>0000|ok</BODY>");
    loopback::Server server(httptest::Reply(reply));
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(server.Port()), "body=ok&x=%2B");
    ASSERT_TRUE(ex);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Received()[0], ExpectedRequest("/mpi/ve.jsp?x=1", "127.0.0.1", "body=ok&x=%2B"))
        << "Host without the port, a lone LF after the user agent";
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_EQ(std::string(ex->m_szHTTPRecvData), reply) << "status line, header block and body";
    EXPECT_TRUE(ex->m_bClientHTTPData1);
    EXPECT_EQ(std::string(ex->m_strClientHTTPData1), reply);
    EXPECT_STREQ(ex->m_szHTTPStatusCode, "") << "not used by this transport";
    EXPECT_EQ(g_hSocket_Normal.load(), 0u);
    EXPECT_EQ(WSAOpenDescriptorsForTesting(), descriptors);
}

TEST_F(SocketTransport, AnHttpsUrlGoesInClearTextToItsPort) {
    loopback::Server server(httptest::Reply(httptest::Response(200, "clear")));
    auto ex = runtest::Run(HTTPThreadFunction_Socket, Url(server.Port(), "/secure", "https"), "a=1");
    ASSERT_TRUE(ex);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Received()[0], ExpectedRequest("/secure", "127.0.0.1", "a=1"));
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
}

TEST_F(SocketTransport, LongHostsObjectsAndBodiesAreSentWhole) {
    // Beyond 47 host, 255 object and 2047 request characters: sized to the data.
    WSASetResolverForTesting(LoopbackResolver);
    std::string host = std::string(60, 'h') + ".example";
    std::string object = "/" + std::string(300, 'o') + "?q=" + std::string(50, 'q');
    std::string body(4095, 'b');
    loopback::Server server(httptest::Reply(httptest::Response(200, "ok")));
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal,
                           "http://" + host + ":" + std::to_string(server.Port()) + object, body);
    ASSERT_TRUE(ex);
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Received()[0], ExpectedRequest(object, host, body));
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
}

TEST_F(SocketTransport, TraceLinesOfTheRequestAndReplyShowNoSecretInClear) {
    static std::mutex lock;
    static std::vector<std::string> lines;
    lines.clear();
    MPISetTraceSinkForTesting([](const char* line) {
        std::lock_guard<std::mutex> guard(lock);
        lines.emplace_back(line);
    });
    loopback::Server server(httptest::Reply(httptest::Response(200, "<BODY>cavv=AAABBJkZUQAAAAAAAAAAAAAAAAA=</BODY>")));
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(server.Port()), "cardnum=4111222233334444&y=2029");
    MPISetTraceSinkForTesting(nullptr);
    ASSERT_TRUE(ex);
    EXPECT_NE(std::string(ex->m_szHTTPRecvData).find("AAABBJkZUQAAAAAAAAAAAAAAAAA="), std::string::npos);
    std::lock_guard<std::mutex> guard(lock);
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    EXPECT_NE(all.find("SEND OK"), std::string::npos) << all;
    EXPECT_NE(all.find("cardnum=************4444"), std::string::npos) << all;
    EXPECT_EQ(all.find("4111222233334444"), std::string::npos) << all;
    EXPECT_EQ(all.find("AAABBJkZUQ"), std::string::npos) << all;
}

// ---------------------------------------------------------------- odd replies

TEST_F(SocketTransport, TheHeaderEndsAtFourLineEndCharactersInAnyMix) {
    for (std::string end : {"\r\n\r\n", "\n\n\n\n", "\r\n\n\n"}) {
        std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 5" + end + "hello";
        auto ex = Exchange(reply);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
        EXPECT_EQ(std::string(ex->m_szHTTPRecvData), reply);
    }
    // LF LF is not an end: reception runs on through the body and the close.
    std::string lflf = "HTTP/1.1 200 OK\nContent-Length: 5\n\nhello";
    auto ex = Exchange(lflf);
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Header receive Error! RecvCount:10240");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "");
    EXPECT_EQ(std::string(ex->m_strClientHTTPData1), lflf) << "what was received still goes to the control";
}

TEST_F(SocketTransport, ContentLengthIsFoundAndReadAsWritten) {
    auto ex = Exchange("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "HTTP Error Detected (CL NotFound) HC:200");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "");

    ex = Exchange("HTTP/1.0 404 Not Found\r\ncontent-length: 5\r\n\r\nhello");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "HTTP Error Detected (CL NotFound) HC:404");

    // Without the blank the first digit is skipped: 15 reads as 5.
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length:15\r\n\r\n";
    ex = Exchange(head + "0123456789ABCDE");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_EQ(std::string(ex->m_szHTTPRecvData), head + "01234");

    head = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    ex = Exchange(head);
    ASSERT_TRUE(ex);
    EXPECT_EQ(std::string(ex->m_szHTTPRecvData), head) << "the header block alone";
}

TEST_F(SocketTransport, AnyStatusAndShortBodiesAreAcceptedAsReceived) {
    for (int status : {500, 404}) {
        std::string reply = httptest::Response(status, "<html>status page</html>");
        auto ex = Exchange(reply);
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
        EXPECT_EQ(std::string(ex->m_szHTTPRecvData), reply);
    }
    std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly part";
    auto ex = Exchange(cut);
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_EQ(std::string(ex->m_szHTTPRecvData), cut);
}

TEST_F(SocketTransport, HeaderAndBodyMustFitTheReceiveBuffer) {
    for (size_t size : {4095u, 4096u}) {
        std::string reply = httptest::Response(200, std::string(size, 'z'));
        auto ex = Exchange(reply);
        ASSERT_TRUE(ex);
        EXPECT_EQ(std::string(ex->m_szHTTPRecvData), reply) << size;
    }
    // Header and body fit while together they stay below 10240 bytes.
    auto sized = [](size_t total) {
        size_t head = httptest::Response(200, std::string(10000, 'x')).size() - 10000;
        return httptest::Response(200, std::string(total - head, 'x'));
    };
    auto ex = Exchange(sized(10239));
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_EQ(std::strlen(ex->m_szHTTPRecvData), 10239u);
    ex = Exchange(sized(10240));
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Data receive Error! HC:200, CL:10239");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "");
    ex = Exchange("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\nx");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Data receive Error! HC:200, CL:2147483697") << "saturated, not wrapped";
}

TEST_F(SocketTransport, ASilentServerEndsWithTheReceiveTimeOut) {
    loopback::Server silent(httptest::Silence(40000));
    auto start = Clock::now();
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(silent.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Header RECV Error Code:-1");
    EXPECT_GE(MsSince(start), 24000) << "25 seconds, fixed";
    EXPECT_EQ(std::string(ex->m_strClientHTTPData1), "");
}

TEST_F(SocketTransport, UnreachableAndUnparsableUrlsFailBeforeSending) {
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(loopback::UnusedPort()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "SOCKET_CONNECT Error Code:-1");
    EXPECT_TRUE(ex->m_bClientHTTPData1);
    EXPECT_EQ(std::string(ex->m_strClientHTTPData1), "");
    for (const char* url : {"", "no scheme at all", "http:///x"}) {
        ex = runtest::Run(HTTPThreadFunction_Socket_Normal, url, "a=1");
        ASSERT_TRUE(ex);
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "AfxParseURL Error") << url;
    }
}

// ---------------------------------------------------------------- cancel

TEST_F(SocketTransport, ACancelBeforeTheConnectSendsNothing) {
    loopback::Server server(httptest::Reply(httptest::Response(200, "x")));
    auto ex = std::make_shared<CHTTPExchange>();
    ex->m_bCancelled.store(1);
    auto* start = new HTTP_THREAD_START;
    std::memset(&start->param, 0, sizeof(start->param));
    std::snprintf(start->param.szUrl, sizeof(start->param.szUrl), "%s", Url(server.Port()).c_str());
    start->exchange = ex;
    HANDLE h = CreateThread(nullptr, 0, HTTPThreadFunction_Socket_Normal, start, 0, nullptr);
    ASSERT_NE(h, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(runtest::WaitEnd(*ex));
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(SocketTransport, ClosingTheSocketEndsABlockedReceivePromptly) {
    long long worst = 0;
    {
        loopback::Server silent(httptest::Silence(20000));
        auto ex = runtest::Start(HTTPThreadFunction_Socket_Normal, Url(silent.Port()), "a=1");
        ASSERT_TRUE(ex);
        WaitAccepted(silent, 1);
        ASSERT_EQ(ex->m_bThreadEnd.load(), 0);
        auto closedAt = Clock::now();
        EXPECT_NE(g_hSocket_Normal.load(), 0u) << "the variable shows the running run's socket";
        CloseRunHandles(*ex);
        ASSERT_TRUE(runtest::WaitEnd(*ex, 5000));
        worst = std::max(worst, MsSince(closedAt));
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Header RECV Error Code:-10038");
        EXPECT_EQ(g_hSocket_Normal.load(), 0u);
    }
    {
        loopback::Server trickle([](loopback::Connection& c) {
            httptest::ReadRequest(c);
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
            c.WaitForClose(20000);
        });
        auto ex = runtest::Start(HTTPThreadFunction_Socket, Url(trickle.Port()), "a=1");
        ASSERT_TRUE(ex);
        WaitAccepted(trickle, 1);
        ASSERT_EQ(ex->m_bThreadEnd.load(), 0);
        auto closedAt = Clock::now();
        CloseRunHandles(*ex);
        ASSERT_TRUE(runtest::WaitEnd(*ex, 5000));
        worst = std::max(worst, MsSince(closedAt));
        EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "Data RECV Error HC:200, SRC:-10038");
        EXPECT_EQ(ex->m_strClientHTTPData1.Find("HTTP/1.1 200 OK"), 0);
    }
    {
        loopback::Server silent(httptest::Silence(20000));
        auto rep = runtest::StartReport(SendHTTPPostData_S, Url(silent.Port()), "data1=a");
        ASSERT_TRUE(rep);
        WaitAccepted(silent, 1);
        auto closedAt = Clock::now();
        CloseRunHandles(*rep);
        EXPECT_EQ(runtest::WaitResult(rep->iThreadResult1, 5000), 0);
        worst = std::max(worst, MsSince(closedAt));
    }
    EXPECT_LT(worst, 1000);
    RecordProperty("cancel_latency_ms", static_cast<int>(worst));
}

TEST_F(SocketTransport, ASocketOfAnotherRunInTheVariableIsLeftAlone) {
    loopback::Server idle([](loopback::Connection& c) { c.WaitForClose(10000); });
    INT_PTR other = helper.SocketConnect("127.0.0.1", idle.Port(), 0);
    ASSERT_GT(other, 0);
    g_hSocket_Normal.store(static_cast<SOCKET>(other));
    loopback::Server server(httptest::Reply(httptest::Response(200, "ok")));
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(server.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_EQ(g_hSocket_Normal.load(), static_cast<SOCKET>(other)) << "neither replaced nor cleared";
    EXPECT_EQ(closesocket(static_cast<SOCKET>(other)), 0) << "still open";
    g_hSocket_Normal.store(0);
}

// ---------------------------------------------------------------- report instance

TEST_F(SocketTransport, TheReportInstanceReportsTheStatusOnly) {
    struct {
        std::string reply;
        int status;
    } cases[] = {{httptest::Response(200, "ok"), 200},
                 {httptest::Response(404, "missing"), 404},
                 {"HTTP/1.0 503 Busy\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 503},
                 {"garbage\r\n\r\n", 0}};
    for (auto& c : cases) {
        loopback::Server server(httptest::Reply(c.reply));
        auto rep = runtest::StartReport(SendHTTPPostData_S, Url(server.Port(), "/report"), "data1=a&ParamEnd=End");
        ASSERT_TRUE(rep);
        EXPECT_EQ(runtest::WaitResult(rep->iThreadResult1), c.status) << c.reply;
        ASSERT_TRUE(server.WaitFinished(1, 5000));
        EXPECT_EQ(server.Received()[0], ExpectedRequest("/report", "127.0.0.1", "data1=a&ParamEnd=End"));
        EXPECT_EQ(rep->iThreadResult2.load(), -999);
    }
    for (std::string url : {Url(loopback::UnusedPort()), std::string()}) {
        auto rep = runtest::StartReport(SendHTTPPostData_S, url, "data1=a");
        ASSERT_TRUE(rep);
        EXPECT_EQ(runtest::WaitResult(rep->iThreadResult1), 0) << url;
    }
    EXPECT_EQ(g_hSocket_Report.load(), 0u);
}

// ---------------------------------------------------------------- runs of one instance

namespace {

// Names beginning with "slow." take 700 ms to resolve; all resolve to loopback.
int DelayedResolver(const char* name, uint32_t* addrs, int) {
    if (std::strncmp(name, "slow.", 5) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(700));
    addrs[0] = htonl(0x7f000001);
    return 1;
}

}  // namespace

TEST_F(SocketTransport, ALateConnectOfAnEndedRunLeavesTheNextRunAlone) {
    // Run A's dialog is closed (twice) while its worker still resolves, and
    // run B starts at once and waits for a silent server. A's connect comes
    // while B waits.
    WSASetResolverForTesting(DelayedResolver);
    loopback::Server serverA(httptest::Silence(20000));
    loopback::Server serverB(httptest::Silence(20000));
    auto a = runtest::Start(HTTPThreadFunction_Socket_Normal,
                            "http://slow.example:" + std::to_string(serverA.Port()) + "/mpi", "a=1");
    ASSERT_TRUE(a);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    a->m_bCancelled.store(1);
    CloseRunHandles(*a);  // A's cancel path
    auto b = runtest::Start(HTTPThreadFunction_Socket_Normal, Url(serverB.Port()), "b=1");
    ASSERT_TRUE(b);
    WaitAccepted(serverB, 1);
    for (int k = 0; k < 400 && serverA.Accepted() < 1; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(serverA.Accepted(), 1) << "A's late connect";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    EXPECT_EQ(b->m_bThreadEnd.load(), 0) << "B still waits for its reply: " << b->m_szHTTPLastErrorMessage;
    EXPECT_NE(b->m_Handles.m_hSocket.Get(), 0u);
    EXPECT_EQ(g_hSocket_Normal.load(), b->m_Handles.m_hSocket.Get()) << "the variable shows B's socket";

    auto closedAt = Clock::now();
    CloseRunHandles(*b);  // B's cancel path
    ASSERT_TRUE(runtest::WaitEnd(*b, 5000));
    EXPECT_LT(MsSince(closedAt), 1000);
    EXPECT_STREQ(b->m_szHTTPLastErrorMessage, "Header RECV Error Code:-10038");
    EXPECT_TRUE(runtest::WaitEnd(*a, 5000)) << "A's late socket is closed at once";
    EXPECT_STREQ(a->m_szHTTPLastErrorMessage, "SEND Error Code:-10038");
    EXPECT_EQ(g_hSocket_Normal.load(), 0u);
}
