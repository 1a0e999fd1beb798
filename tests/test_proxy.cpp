// The configured proxy: the WinINet transport goes through it, the socket
// transport never does. The proxy is Debian's tinyproxy on loopback.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <string>

#include "platform/wininet/wininet.h"
#include "tests/support/exchange.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/proxy.h"
#include "transport/HTTPTransport.h"
#include "transport/MPISocket.h"

namespace {

const char* const kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"};

class ConfiguredProxy : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* v : kProxyVariables) unsetenv(v);
    }
    void SetUp() override {
        ASSERT_TRUE(proxy.Running()) << proxy.Error();
        ASSERT_EQ(helper.SocketInit(), 0);
        // Set while no worker runs; a worker reads it when it opens its session.
        setenv("http_proxy", proxy.Url().c_str(), 1);
    }
    void TearDown() override {
        for (const char* v : kProxyVariables) unsetenv(v);
        helper.SocketClose(0);
    }
    proxytest::Tinyproxy proxy;
    CMPISocket helper;
};

std::string Url(unsigned short port) { return "http://127.0.0.1:" + std::to_string(port) + "/mpi/ve.jsp"; }

}  // namespace

TEST_F(ConfiguredProxy, TheWininetTransportGoesThroughIt) {
    loopback::Server server(httptest::Reply(httptest::Response(200, "via proxy")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(server.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    EXPECT_STREQ(ex->m_szHTTPRecvData, "via proxy");
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    std::string request = server.Received()[0];
    EXPECT_NE(httptest::HeaderValue(request, "Via").find("tinyproxy"), std::string::npos) << request;
    EXPECT_EQ(httptest::HeaderValue(request, "User-Agent"), "VemoMPI-W");
    EXPECT_EQ(request.substr(request.size() - 3), "a=1");

    auto rep = runtest::StartReport(SendHTTPPostData_W, Url(loopback::UnusedPort()), "data1=a");
    ASSERT_TRUE(rep);
    EXPECT_EQ(runtest::WaitResult(rep->iThreadResult2), -100) << "the proxy's error page is not a 200";
}

TEST_F(ConfiguredProxy, BypassListsAndDirectSessionsGoStraight) {
    setenv("no_proxy", "127.0.0.1", 1);
    loopback::Server bypassed(httptest::Reply(httptest::Response(200, "direct")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet, Url(bypassed.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPRecvData, "direct");
    ASSERT_TRUE(bypassed.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(bypassed.Received()[0], "Via"), "");
    unsetenv("no_proxy");

    loopback::Server direct(httptest::Reply(httptest::Response(200, "direct")));
    HINTERNET hIO = InternetOpenA("Tester", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET hCO = InternetConnectA(hIO, "127.0.0.1", direct.Port(), "", "", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET hIS = HttpOpenRequestA(hCO, "POST", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(hIS, nullptr);
    EXPECT_TRUE(HttpSendRequestA(hIS, nullptr, 0, nullptr, 0));
    InternetCloseHandle(hIO);
    ASSERT_TRUE(direct.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(direct.Received()[0], "Via"), "");
}

TEST_F(ConfiguredProxy, TheSocketTransportBypassesIt) {
    setenv("https_proxy", proxy.Url().c_str(), 1);
    loopback::Server server(httptest::Reply(httptest::Response(200, "direct")));
    auto ex = runtest::Run(HTTPThreadFunction_Socket_Normal, Url(server.Port()), "a=1");
    ASSERT_TRUE(ex);
    EXPECT_STREQ(ex->m_szHTTPLastErrorMessage, "");
    ASSERT_TRUE(server.WaitFinished(1, 5000));
    EXPECT_EQ(server.Received()[0],
              "POST /mpi/ve.jsp HTTP/1.1\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "User-Agent: VemoMPI-S\n"
              "Accept: */*\r\n"
              "Host: 127.0.0.1\r\n"
              "Content-Length: 3\r\n"
              "Cache-Control: no-cache\r\n"
              "\r\n"
              "a=1")
        << "exactly as written, not as a proxy forwards it";

    loopback::Server report(httptest::Reply(httptest::Response(200, "ok")));
    auto rep = runtest::StartReport(SendHTTPPostData_S, Url(report.Port()), "data1=a");
    ASSERT_TRUE(rep);
    EXPECT_EQ(runtest::WaitResult(rep->iThreadResult1), 200);
    ASSERT_TRUE(report.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(report.Received()[0], "Via"), "");
}

TEST_F(ConfiguredProxy, TheUsersInternetSettingsDecide) {
    // The registry's Internet Settings name the proxy; the environment's
    // proxy is ignored when they say something.
    unsetenv("http_proxy");
    char dir[] = "/tmp/vemompi-proxy-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string file = std::string(dir) + "/registry.reg";
    auto writeSettings = [&](int enable, const std::string& server) {
        FILE* f = std::fopen(file.c_str(), "w");
        std::fprintf(f,
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
                     "\"ProxyEnable\"=dword:%08x\r\n\"ProxyServer\"=\"%s\"\r\n",
                     enable, server.c_str());
        std::fclose(f);
    };
    setenv("VEMOMPI_REGISTRY", file.c_str(), 1);
    std::string hostPort = proxy.Url().substr(proxy.Url().find("//") + 2);
    writeSettings(1, "http=" + hostPort);
    loopback::Server viaProxy(httptest::Reply(httptest::Response(200, "ok")));
    auto ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(viaProxy.Port()), "a=1");
    ASSERT_TRUE(ex);
    ASSERT_TRUE(viaProxy.WaitFinished(1, 5000));
    EXPECT_NE(httptest::HeaderValue(viaProxy.Received()[0], "Via").find("tinyproxy"), std::string::npos);

    setenv("http_proxy", proxy.Url().c_str(), 1);
    writeSettings(0, hostPort);
    loopback::Server direct(httptest::Reply(httptest::Response(200, "ok")));
    ex = runtest::Run(HTTPThreadFunction_Wininet_Normal, Url(direct.Port()), "a=1");
    ASSERT_TRUE(ex);
    ASSERT_TRUE(direct.WaitFinished(1, 5000));
    EXPECT_EQ(httptest::HeaderValue(direct.Received()[0], "Via"), "") << "ProxyEnable 0 switches the proxy off";
    unsetenv("VEMOMPI_REGISTRY");
    std::remove(file.c_str());
    std::remove((file + ".lock").c_str());
    rmdir(dir);
}
