// The WinINet layer against loopback HTTP and TLS servers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "platform/afx/afxinet.h"
#include "platform/wininet/wininet.h"
#include "platform/wininet/posix/wininet_proxy.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tls.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// One request's three handles, closed at the end of the test.
struct Request {
    HINTERNET hIO = nullptr, hCO = nullptr, hIS = nullptr;
    ~Request() {
        if (hIS) InternetCloseHandle(hIS);
        if (hCO) InternetCloseHandle(hCO);
        if (hIO) InternetCloseHandle(hIO);
    }
};

void Open(Request& r, unsigned short port, const char* object, DWORD flags, const char* host = "127.0.0.1") {
    r.hIO = InternetOpenA("Tester", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(r.hIO, nullptr);
    r.hCO = InternetConnectA(r.hIO, host, port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(r.hCO, nullptr);
    LPCSTR accept[] = {"*/*", nullptr};
    r.hIS = HttpOpenRequestA(r.hCO, "POST", object, nullptr, nullptr, accept, flags, 0);
    ASSERT_NE(r.hIS, nullptr);
}

BOOL Send(const Request& r, const std::string& body = "a=1") {
    const char* headers = "Content-Type: application/x-www-form-urlencoded\r\n";
    return HttpSendRequestA(r.hIS, headers, static_cast<DWORD>(-1), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size()));
}

std::string Status(const Request& r) {
    char buf[32] = {};
    DWORD len = sizeof(buf);
    if (!HttpQueryInfoA(r.hIS, HTTP_QUERY_STATUS_CODE, buf, &len, nullptr)) return "error " + std::to_string(GetLastError());
    return std::string(buf, len);
}

std::string ReadAll(const Request& r) {
    std::string out;
    char buf[1000];
    for (int k = 0; k < 10000; ++k) {
        DWORD got = 0;
        if (!InternetReadFile(r.hIS, buf, sizeof(buf), &got)) return out + "<error " + std::to_string(GetLastError()) + ">";
        if (got == 0) break;
        out.append(buf, got);
    }
    return out;
}

void SetSecurityFlags(const Request& r, DWORD add) {
    DWORD flags = 0, len = sizeof(flags);
    ASSERT_TRUE(InternetQueryOptionA(r.hIS, INTERNET_OPTION_SECURITY_FLAGS, &flags, &len));
    flags |= add;
    ASSERT_TRUE(InternetSetOptionA(r.hIS, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags)));
}

class WininetLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(v);
    }
    void TearDown() override { InternetSetTrustedAuthoritiesForTesting(nullptr); }
};

}  // namespace

// ---------------------------------------------------------------- URLs

TEST(WininetUrls, CrackGivesTrueLengthsDefaultPortsAndKeepsTheQueryInThePath) {
    const char* url = "https://user:pw@Shop.Example:8443/mpi/ve.jsp?a=1&b=2#top";
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof(uc);
    uc.dwHostNameLength = 1;
    uc.dwUrlPathLength = 1;
    ASSERT_TRUE(InternetCrackUrlA(url, static_cast<DWORD>(strlen(url)), 0, &uc));
    EXPECT_EQ(std::string(uc.lpszHostName, uc.dwHostNameLength), "Shop.Example");
    EXPECT_EQ(std::string(uc.lpszUrlPath, uc.dwUrlPathLength), "/mpi/ve.jsp?a=1&b=2#top");
    EXPECT_EQ(uc.nPort, 8443);
    EXPECT_EQ(uc.nScheme, INTERNET_SCHEME_HTTPS);
    EXPECT_EQ(uc.lpszUserName, nullptr) << "components not asked for stay untouched";

    struct {
        const char* url;
        int port;
        const char* path;
    } cases[] = {{"http://h/x", 80, "/x"}, {"HTTPS://h", 443, ""}, {"http://h:/p", 80, "/p"}, {"http://h?q=1", 80, "?q=1"}};
    for (auto& c : cases) {
        URL_COMPONENTSA u = {};
        u.dwStructSize = sizeof(u);
        u.dwHostNameLength = 1;
        u.dwUrlPathLength = 1;
        ASSERT_TRUE(InternetCrackUrlA(c.url, 0, 0, &u)) << c.url;
        EXPECT_EQ(u.nPort, c.port) << c.url;
        EXPECT_EQ(std::string(u.lpszUrlPath, u.dwUrlPathLength), c.path) << c.url;
    }

    // With the extra information asked for, the query goes there.
    URL_COMPONENTSA split = {};
    split.dwStructSize = sizeof(split);
    split.dwUrlPathLength = 1;
    split.dwExtraInfoLength = 1;
    ASSERT_TRUE(InternetCrackUrlA(url, 0, 0, &split));
    EXPECT_EQ(std::string(split.lpszUrlPath, split.dwUrlPathLength), "/mpi/ve.jsp");
    EXPECT_EQ(std::string(split.lpszExtraInfo, split.dwExtraInfoLength), "?a=1&b=2#top");
}

TEST(WininetUrls, CrackCopiesIntoBuffersOnlyWhenTheyAreLargeEnough) {
    char host[5];
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof(uc);
    uc.lpszHostName = host;
    uc.dwHostNameLength = sizeof(host);
    EXPECT_FALSE(InternetCrackUrlA("http://hosts/", 0, 0, &uc)) << "5 characters and the NUL need 6 bytes";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(uc.dwHostNameLength, 6u);
    uc.dwHostNameLength = sizeof(host);
    ASSERT_TRUE(InternetCrackUrlA("http://host/", 0, 0, &uc));
    EXPECT_STREQ(host, "host");
    EXPECT_EQ(uc.dwHostNameLength, 4u);
}

TEST(WininetUrls, UrlsThatCannotBeSplitFail) {
    struct {
        const char* url;
        DWORD error;
    } cases[] = {{"", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
                 {"www.example.com/x", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
                 {"gopher2://h/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
                 {"http:/h/x", ERROR_INTERNET_INVALID_URL},
                 {"http:///x", ERROR_INTERNET_INVALID_URL},
                 {"http://h:99999/", ERROR_INTERNET_INVALID_URL},
                 {"http://h:8a/", ERROR_INTERNET_INVALID_URL},
                 {"http://h\r\nX-Injected: 1/", ERROR_INTERNET_INVALID_URL},
                 {"http://a b/", ERROR_INTERNET_INVALID_URL}};
    for (auto& c : cases) {
        URL_COMPONENTSA uc = {};
        uc.dwStructSize = sizeof(uc);
        uc.dwHostNameLength = 1;
        EXPECT_FALSE(InternetCrackUrlA(c.url, 0, 0, &uc)) << c.url;
        EXPECT_EQ(GetLastError(), c.error) << c.url;
    }
    URL_COMPONENTSA wrongSize = {};
    wrongSize.dwStructSize = 60;
    EXPECT_FALSE(InternetCrackUrlA("http://h/", 0, 0, &wrongSize));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WininetUrls, AfxParseUrlGivesServerObjectPortAndService) {
    DWORD service = 0;
    CString server, object;
    INTERNET_PORT port = 0;
    ASSERT_TRUE(AfxParseURL("https://mpi.example:9443/ve?x=a b", service, server, object, port));
    EXPECT_EQ(service, static_cast<DWORD>(AFX_INET_SERVICE_HTTPS));
    EXPECT_STREQ(server, "mpi.example");
    EXPECT_STREQ(object, "/ve?x=a b");
    EXPECT_EQ(port, 9443);

    ASSERT_TRUE(AfxParseURL("http://mpi.example", service, server, object, port));
    EXPECT_EQ(service, static_cast<DWORD>(AFX_INET_SERVICE_HTTP));
    EXPECT_STREQ(object, "/") << "a URL without a path names the root";
    EXPECT_EQ(port, 80);

    ASSERT_TRUE(AfxParseURL("http://h/a b\tc?d\r\n", service, server, object, port));
    EXPECT_STREQ(object, "/a%20b%09c?d%0D%0A") << "no blank in the path and no line break anywhere";

    EXPECT_FALSE(AfxParseURL("", service, server, object, port));
    EXPECT_EQ(service, static_cast<DWORD>(AFX_INET_SERVICE_UNK));
    EXPECT_FALSE(AfxParseURL("/relative/path", service, server, object, port));
}

// ---------------------------------------------------------------- handles

TEST_F(WininetLayer, ClosedHandlesStayInvalidAndClosingASessionClosesItsChildren) {
    int before = InternetOpenHandlesForTesting();
    Request r;
    Open(r, 80, "/", 0);
    EXPECT_EQ(InternetOpenHandlesForTesting(), before + 3);
    EXPECT_LT(reinterpret_cast<uintptr_t>(r.hIO), reinterpret_cast<uintptr_t>(r.hIS)) << "numbered upwards";

    DWORD flags = 0, len = sizeof(flags);
    EXPECT_FALSE(InternetQueryOptionA(r.hCO, INTERNET_OPTION_SECURITY_FLAGS, &flags, &len));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE));
    EXPECT_FALSE(HttpQueryInfoA(r.hIS, HTTP_QUERY_STATUS_CODE, &flags, &len, nullptr)) << "nothing sent yet";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_STATE));

    ASSERT_TRUE(InternetCloseHandle(r.hIO));
    EXPECT_EQ(InternetOpenHandlesForTesting(), before);
    for (HINTERNET h : {r.hIO, r.hCO, r.hIS}) {
        EXPECT_FALSE(InternetCloseHandle(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_FALSE(Send(r));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(InternetConnectA(r.hIO, "h", 80, "", "", INTERNET_SERVICE_HTTP, 0, 0), nullptr);

    HINTERNET next = InternetOpenA("Tester", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    EXPECT_GT(reinterpret_cast<uintptr_t>(next), reinterpret_cast<uintptr_t>(r.hIS)) << "never reused";
    InternetCloseHandle(next);
    r.hIO = r.hCO = r.hIS = nullptr;
}

// ---------------------------------------------------------------- exchanges

TEST_F(WininetLayer, PostsAndReadsTheWholeReplyInTheSizesAsked) {
    std::string body(100000, 'x');
    for (size_t k = 0; k < body.size(); k += 7) body[k] = static_cast<char>('a' + k % 26);
    loopback::Server server(httptest::Reply(httptest::Response(201, body)));
    Request r;
    Open(r, server.Port(), "/post?x=1", INTERNET_FLAG_NO_CACHE_WRITE);
    ASSERT_TRUE(Send(r, "data=abc"));
    EXPECT_EQ(Status(r), "201");

    char small[2];
    DWORD len = sizeof(small);
    EXPECT_FALSE(HttpQueryInfoA(r.hIS, HTTP_QUERY_STATUS_CODE, small, &len, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(len, 4u);
    DWORD code = 0;
    len = sizeof(code);
    ASSERT_TRUE(HttpQueryInfoA(r.hIS, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &len, nullptr));
    EXPECT_EQ(code, 201u);

    // One read of 4096 bytes gets 4096 bytes; the rest arrives in the end.
    std::string got(4096, '\0');
    DWORD n = 0;
    ASSERT_TRUE(InternetReadFile(r.hIS, got.data(), 4096, &n));
    EXPECT_EQ(n, 4096u);
    got += ReadAll(r);
    EXPECT_EQ(got, body);
    DWORD after = 7;
    EXPECT_TRUE(InternetReadFile(r.hIS, small, sizeof(small), &after));
    EXPECT_EQ(after, 0u) << "the end of the response";

    ASSERT_TRUE(server.WaitFinished(1, 5000));
    std::string request = server.Received()[0];
    EXPECT_EQ(request.rfind("POST /post?x=1 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_EQ(httptest::HeaderValue(request, "User-Agent"), "Tester");
    EXPECT_EQ(httptest::HeaderValue(request, "Content-Length"), "8");
    EXPECT_EQ(httptest::HeaderValue(request, "Expect"), "");
    EXPECT_EQ(request.substr(request.size() - 8), "data=abc");
}

TEST_F(WininetLayer, ShortBodiesAreHandedOverAndTheLossShowsAfterwards) {
    loopback::Server server(httptest::Reply("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly this"));
    Request r;
    Open(r, server.Port(), "/", 0);
    ASSERT_TRUE(Send(r));
    char buf[100];
    DWORD n = 0;
    ASSERT_TRUE(InternetReadFile(r.hIS, buf, sizeof(buf), &n));
    EXPECT_EQ(std::string(buf, n), "only this");
    EXPECT_FALSE(InternetReadFile(r.hIS, buf, sizeof(buf), &n));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED));
}

TEST_F(WininetLayer, RedirectsAreFollowedAndKeepThePostOn307) {
    loopback::Server target(httptest::Reply(httptest::Response(200, "there")));
    std::string location = "http://127.0.0.1:" + std::to_string(target.Port()) + "/moved";
    loopback::Server first(httptest::Reply("HTTP/1.1 307 Temporary Redirect\r\nLocation: " + location +
                                           "\r\nContent-Length: 4\r\n\r\ngone"));
    Request r;
    Open(r, first.Port(), "/old", 0);
    ASSERT_TRUE(Send(r, "k=v"));
    EXPECT_EQ(Status(r), "200");
    EXPECT_EQ(ReadAll(r), "there");
    ASSERT_TRUE(target.WaitFinished(1, 5000));
    std::string moved = target.Received()[0];
    EXPECT_EQ(moved.rfind("POST /moved HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(moved.substr(moved.size() - 3), "k=v");
}

TEST_F(WininetLayer, FailuresCarryWininetNumbers) {
    Request refused;
    Open(refused, loopback::UnusedPort(), "/", 0);
    EXPECT_FALSE(Send(refused));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));

    loopback::Server closer([](loopback::Connection& c) { httptest::ReadRequest(c); });
    Request nothing;
    Open(nothing, closer.Port(), "/", 0);
    EXPECT_FALSE(Send(nothing));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_INVALID_SERVER_RESPONSE));

    // A stalled response fails after the receive time-out.
    loopback::Server silent(httptest::Silence(20000));
    Request stalled;
    Open(stalled, silent.Port(), "/", 0);
    DWORD ms = 1000;
    ASSERT_TRUE(InternetSetOptionA(stalled.hIS, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof(ms)));
    auto start = Clock::now();
    EXPECT_FALSE(Send(stalled));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
    EXPECT_LT(MsSince(start), 15000);
}

// ---------------------------------------------------------------- cancel

TEST_F(WininetLayer, ClosingFromAnotherThreadEndsABlockedSendOrReadPromptly) {
    long long worst = 0;
    {
        loopback::Server silent(httptest::Silence(20000));
        Request r;
        Open(r, silent.Port(), "/", 0);
        auto sending = std::async(std::launch::async, [&] {
            BOOL ok = Send(r);
            return std::make_pair(ok, GetLastError());
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        auto closedAt = Clock::now();
        ASSERT_TRUE(InternetCloseHandle(r.hIS));
        ASSERT_EQ(sending.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        worst = std::max(worst, MsSince(closedAt));
        auto result = sending.get();
        EXPECT_FALSE(result.first);
        EXPECT_EQ(result.second, static_cast<DWORD>(ERROR_INTERNET_OPERATION_CANCELLED));
        r.hIS = nullptr;
    }
    {
        loopback::Server trickle([](loopback::Connection& c) {
            httptest::ReadRequest(c);
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
            c.WaitForClose(20000);
        });
        Request r;
        Open(r, trickle.Port(), "/", 0);
        ASSERT_TRUE(Send(r));
        auto reading = std::async(std::launch::async, [&] {
            char buf[100];
            DWORD n = 0;
            BOOL ok = InternetReadFile(r.hIS, buf, sizeof(buf), &n);
            return std::make_pair(ok, GetLastError());
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        auto closedAt = Clock::now();
        ASSERT_TRUE(InternetCloseHandle(r.hIO)) << "closing the session reaches the request under it";
        ASSERT_EQ(reading.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        worst = std::max(worst, MsSince(closedAt));
        auto result = reading.get();
        EXPECT_FALSE(result.first);
        EXPECT_EQ(result.second, static_cast<DWORD>(ERROR_INTERNET_OPERATION_CANCELLED));
        r.hIO = r.hCO = r.hIS = nullptr;
    }
    EXPECT_LT(worst, 1000) << "a close interrupts within the poll interval";
    RecordProperty("cancel_latency_ms", static_cast<int>(worst));
}

// ---------------------------------------------------------------- TLS

TEST_F(WininetLayer, CertificatesAreVerifiedAndEachFlagRelaxesOnlyItsOwnCheck) {
    const tlstest::Pki& pki = tlstest::TestPki();
    std::string ok = httptest::Response(200, "secure");
    auto post = [&](const tlstest::Credentials& creds, DWORD openFlags, DWORD securityFlags, bool trustTestCa) {
        InternetSetTrustedAuthoritiesForTesting(trustTestCa ? pki.caFile.c_str() : nullptr);
        tlstest::TlsServer server(creds, ok);
        Request r;
        Open(r, server.Port(), "/s", INTERNET_FLAG_SECURE | openFlags);
        if (securityFlags != 0) SetSecurityFlags(r, securityFlags);
        DWORD error = Send(r) ? 0 : GetLastError();
        if (error == 0) {
            EXPECT_EQ(ReadAll(r), "secure");
        }
        return error;
    };
    // Trusted, valid, right name.
    EXPECT_EQ(post(pki.good, 0, 0, true), 0u);
    // Verification really happens: the system's authorities do not know the test authority.
    EXPECT_EQ(post(pki.good, 0, 0, false), static_cast<DWORD>(ERROR_INTERNET_INVALID_CA));
    EXPECT_EQ(post(pki.good, 0, SECURITY_FLAG_IGNORE_UNKNOWN_CA, false), 0u);
    EXPECT_EQ(post(pki.otherAuthority, 0, 0, true), static_cast<DWORD>(ERROR_INTERNET_INVALID_CA));
    // Expired.
    EXPECT_EQ(post(pki.expired, 0, 0, true), static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_DATE_INVALID));
    EXPECT_EQ(post(pki.expired, 0, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, true), 0u);
    EXPECT_EQ(post(pki.expired, INTERNET_FLAG_IGNORE_CERT_DATE_INVALID, 0, true), 0u);
    EXPECT_EQ(post(pki.expired, 0, SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID, false),
              static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_DATE_INVALID))
        << "the authority relaxed, the date still counts";
    // Wrong host name.
    EXPECT_EQ(post(pki.wrongName, 0, 0, true), static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID));
    EXPECT_EQ(post(pki.wrongName, 0, SECURITY_FLAG_IGNORE_CERT_CN_INVALID, true), 0u);
    EXPECT_EQ(post(pki.wrongName, INTERNET_FLAG_IGNORE_CERT_CN_INVALID, 0, true), 0u);
    EXPECT_EQ(post(pki.wrongName, 0, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_UNKNOWN_CA, true),
              static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID));
}

TEST_F(WininetLayer, AnUnknownAuthorityIsAcceptedOnASecondSendOfTheSameRequest) {
    tlstest::TlsServer server(tlstest::TestPki().good, httptest::Response(200, "second"), 2);
    Request r;
    Open(r, server.Port(), "/retry", INTERNET_FLAG_SECURE);
    EXPECT_FALSE(Send(r, "x=1"));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INVALID_CA));
    SetSecurityFlags(r, SECURITY_FLAG_IGNORE_UNKNOWN_CA);
    ASSERT_TRUE(Send(r, "x=1"));
    EXPECT_EQ(Status(r), "200");
    EXPECT_EQ(ReadAll(r), "second");
    ASSERT_TRUE(server.WaitFinished(2, 5000));
    EXPECT_EQ(server.Handshakes(), 1);
}

// ---------------------------------------------------------------- proxy settings

TEST(WininetProxy, ProxyListsAndBypassListsAreRead) {
    using wininet_layer::ParseProxyServer;
    auto all = ParseProxyServer("proxy.example:8080", "intranet;*.corp.example;<local>");
    EXPECT_EQ(all.http, "proxy.example:8080");
    EXPECT_EQ(all.https, "proxy.example:8080");
    EXPECT_EQ(all.bypass, "intranet,.corp.example");
    auto split = ParseProxyServer("http=h1:81;https=h2:82 ftp=h3:21", nullptr);
    EXPECT_EQ(split.http, "h1:81");
    EXPECT_EQ(split.https, "h2:82");
    EXPECT_EQ(split.bypass, "");
}
