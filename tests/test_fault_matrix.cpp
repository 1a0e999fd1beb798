// The fault matrix: what a remote party or the user can do wrong during one
// authentication, each through GetPAReq2 by name with the plain dialog
// (real GTK and WebKitGTK under Xvfb) against peers on loopback. Every case
// must end with its code and its text within its time-out (a loose bound),
// and nothing of the control may change once the call has returned, even
// while a worker of the ended dialog still runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "control/VemoMPIOCXAuth.h"
#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"
#include "platform/winsock/winsock.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/dispatch.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tempdir.h"
#include "tests/support/tls.h"
#include "ui/CustomOccManager.h"

using script::Arg;
using script::Call;
using script::Get;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char kNet[] = "Network or Server Error, Try Again! (";

// A six-field refusal: the exchange got through when the call returns 31.
const char kRefusal[] = "<html><body>31|Not enrolled|p|http://127.0.0.1:9/acs|md|http://127.0.0.1:9/term</body></html>";

// Names beginning with "slow." resolve to loopback after two seconds, so a
// worker is still on its way while the user acts.
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

// What one case starts and the user does.
struct World {
    sandbox::MpiSandbox mpi;
    std::vector<std::unique_ptr<loopback::Server>> servers;
    std::vector<std::unique_ptr<tlstest::TlsServer>> tls;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    Clock::time_point firstSeen{};  // set by the user's actions when they need it
    int closes = 0;

    std::string Raw(loopback::Server::Handler h) {
        servers.push_back(std::make_unique<loopback::Server>(std::move(h)));
        return "http://127.0.0.1:" + std::to_string(servers.back()->Port()) + "/mpi/enroll";
    }
    std::string Tls(const tlstest::Credentials& creds) {
        tls.push_back(std::make_unique<tlstest::TlsServer>(creds, httptest::Response(200, kRefusal), 2));
        return "https://127.0.0.1:" + std::to_string(tls.back()->Port()) + "/mpi/enroll";
    }
    void Close(HWND hwnd) {
        ++closes;
        afxtest::SendCloseRequest(hwnd);
    }
};

// A peer that reads the request, sends `bytes` and closes.
loopback::Server::Handler SendAndClose(const std::string& bytes) { return httptest::Reply(bytes); }

constexpr int kDefault = INT32_MIN;

struct Fault {
    const char* name;
    int transport;  // SetForcedProxyEnv: 1 socket, 2 WinINet
    int timeOut;    // SetTimeOut in ms; kDefault leaves the default
    std::function<std::string(World&)> peers;     // starts the peers; the enrollment address
    std::function<void(World&, HWND)> user;       // every 100 ms while the dialog runs
    LONG code;
    std::string msg1;  // exact, or a prefix when it ends with '*'
    int limitMs;       // loose bound of the whole call
};

std::string WithSize(const std::string& head, size_t bodySize) { return head + std::to_string(bodySize) + "\r\n\r\n"; }

// Closes once, when the sandbox has seen the request.
void CloseOnceRequested(World& w, HWND hwnd) {
    if (w.closes == 0 && (!w.mpi.Enrollments().empty() || (!w.servers.empty() && w.servers[0]->Accepted() > 0)))
        w.Close(hwnd);
}
// Closes once, two seconds after the browser reached the ACS phase.
void CloseInTheAcsPhase(World& w, HWND hwnd) {
    if (w.ctrl->m_iAuthState != STATE_PAREQ) return;
    if (w.firstSeen == Clock::time_point{}) w.firstSeen = Clock::now();
    if (w.closes == 0 && Clock::now() - w.firstSeen > std::chrono::seconds(2)) w.Close(hwnd);
}

std::string Refused() { return "http://127.0.0.1:" + std::to_string(loopback::UnusedPort()) + "/mpi/enroll"; }
std::string SlowUrl(World& w) {
    std::string url = w.mpi.EnrollUrl();
    url.replace(url.find("127.0.0.1"), 9, "slow.example");
    return url;
}

const std::vector<Fault>& Faults() {
    static const std::vector<Fault> faults = {
        // ------------------------------------------------ the MPI server
        {"SilentServer", 1, 1000, [](World& w) { return w.Raw(httptest::Silence(30000)); }, nullptr, 11001, "", 6000},
        {"SilentServerWininet", 2, 1000, [](World& w) { return w.Raw(httptest::Silence(30000)); }, nullptr, 11001, "",
         6000},
        {"SilentServerAtTimeOutZero", 1, 0, [](World& w) { return w.Raw(httptest::Silence(30000)); }, nullptr, 11001,
         "", 5000},
        // A negative time-out is no time-out in practice (the longest timer);
        // the socket transport's own 25-second receive limit ends the wait.
        {"SilentServerAtANegativeTimeOut", 1, -1, [](World& w) { return w.Raw(httptest::Silence(60000)); }, nullptr,
         11002, std::string(kNet) + "Header RECV Error Code:-1)", 25000 + 5000},
        {"SilentServerAtTheDefaultTimeOut", 2, kDefault, [](World& w) { return w.Raw(httptest::Silence(60000)); }, nullptr,
         11001, "", 25000 + 5000},
        {"ConnectionRefused", 1, 5000, [](World&) { return Refused(); }, nullptr, 11002,
         std::string(kNet) + "SOCKET_CONNECT Error Code:-1)", 6000},
        {"ConnectionRefusedWininet", 2, 5000, [](World&) { return Refused(); }, nullptr, 11002,
         std::string(kNet) + "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 12019))", 6000},
        {"ClosesBeforeTheHeader", 1, 5000, [](World& w) { return w.Raw(SendAndClose("")); }, nullptr, 11002,
         std::string(kNet) + "Header receive Error! RecvCount:10240)", 6000},
        {"ClosesBeforeTheHeaderWininet", 2, 5000, [](World& w) { return w.Raw(SendAndClose("")); }, nullptr, 11002,
         std::string(kNet) + "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 12019))", 6000},
        {"ClosesInTheHeader", 1, 5000, [](World& w) { return w.Raw(SendAndClose("HTTP/1.1 200 OK\r\nContent-Le")); },
         nullptr, 11002, std::string(kNet) + "Header receive Error! RecvCount:10240)", 6000},
        // The library takes the status line and an empty body.
        {"ClosesInTheHeaderWininet", 2, 5000,
         [](World& w) { return w.Raw(SendAndClose("HTTP/1.1 200 OK\r\nContent-Le")); }, nullptr, 11002,
         "Network or Server Error, Try Again! (Size : 0) ()", 6000},
        // The body comes short: what came is parsed, and has no closing tag.
        {"ClosesInTheBody", 1, 5000,
         [](World& w) {
             return w.Raw(SendAndClose(WithSize("HTTP/1.1 200 OK\r\nContent-Length: ", 200) + "<html><body>0|Enrolled|"));
         },
         nullptr, 11003, "Network or Server Error, Try Again! (Tag invalid Error 46, 0)", 6000},
        {"ClosesInTheBodyWininet", 2, 5000,
         [](World& w) {
             return w.Raw(SendAndClose(WithSize("HTTP/1.1 200 OK\r\nContent-Length: ", 200) + "<html><body>0|Enrolled|"));
         },
         nullptr, 11003, "Network or Server Error, Try Again! (Tag invalid Error 6, 0)", 6000},
        // One byte a second: the dialog's time-out ends it, not the bytes.
        {"DripsOneByteASecond", 1, 1500,
         [](World& w) {
             return w.Raw([](loopback::Connection& c) {
                 httptest::ReadRequest(c);
                 std::string reply = httptest::Response(200, kRefusal);
                 for (size_t i = 0; i < reply.size() && i < 30; ++i)
                     if (!c.Send(reply.substr(i, 1)) || c.WaitForClose(1000)) return;
             });
         },
         nullptr, 11001, "", 6500},
        {"DripsOneByteASecondWininet", 2, 1500,
         [](World& w) {
             return w.Raw([](loopback::Connection& c) {
                 httptest::ReadRequest(c);
                 std::string reply = httptest::Response(200, kRefusal);
                 for (size_t i = 0; i < reply.size() && i < 30; ++i)
                     if (!c.Send(reply.substr(i, 1)) || c.WaitForClose(1000)) return;
             });
         },
         nullptr, 11001, "", 6500},
        // More than the buffers hold.
        {"HeaderLongerThanTheReceiveBuffer", 1, 5000,
         [](World& w) { return w.Raw(SendAndClose("HTTP/1.1 200 OK\r\nX-Pad: " + std::string(12000, 'a') + "\r\n\r\n")); },
         nullptr, 11002, std::string(kNet) + "Header receive Error! RecvCount:10240)", 6000},
        {"BodyLongerThanTheReceiveBuffer", 1, 5000,
         [](World& w) { return w.Raw(SendAndClose(httptest::Response(200, std::string(10200, 'b')))); }, nullptr, 11002,
         std::string(kNet) + "Data receive Error! HC:200, CL:10270)", 6000},
        {"ReplyLongerThanTheParseAccepts", 1, 5000,
         [](World& w) { return w.Raw(SendAndClose(httptest::Response(200, std::string(5000, 'b')))); }, nullptr, 11002,
         "Network or Server Error, Try Again! (Size : 5070) ()", 6000},
        {"ReplyLongerThanTheReadAccepts", 2, 5000,
         [](World& w) { return w.Raw(SendAndClose(httptest::Response(200, std::string(5000, 'b')))); }, nullptr, 11002,
         std::string(kNet) + "InternetReadFile Error (RetReadByte:4096) (GetLastError : 0))", 6000},
        // A status other than 200: the socket transport hands any status on.
        {"WrongStatus", 1, 5000, [](World& w) { return w.Raw(SendAndClose(httptest::Response(500, kRefusal))); },
         nullptr, 31, "Not enrolled", 6000},
        {"WrongStatusWininet", 2, 5000, [](World& w) { return w.Raw(SendAndClose(httptest::Response(500, kRefusal))); },
         nullptr, 11002,
         std::string(kNet) + "HttpQueryInfo HTTP_STATUS_OK Error (HTTP_QUERY_STATUS_CODE) (StatusCode  : 500))", 6000},
        // ------------------------------------------------ TLS (WinINet)
        {"TlsHandshakeFails", 2, 5000,
         [](World& w) {
             // Answers the client's hello with plain text.
             std::string url = w.Raw([](loopback::Connection& c) {
                 c.ReadExactly(1, 5000);
                 c.Send("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
             });
             return "https" + url.substr(4);
         },
         nullptr, 11002, std::string(kNet) + "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 12019))", 6000},
        {"TlsUnknownAuthority", 2, 5000, [](World& w) { return w.Tls(tlstest::TestPki().good); }, nullptr, 31,
         "Not enrolled", 6000},
        {"TlsOtherAuthority", 2, 5000, [](World& w) { return w.Tls(tlstest::TestPki().otherAuthority); }, nullptr, 31,
         "Not enrolled", 6000},
        {"TlsExpired", 2, 5000, [](World& w) { return w.Tls(tlstest::TestPki().expired); }, nullptr, 31,
         "Not enrolled", 6000},
        {"TlsWrongName", 2, 5000, [](World& w) { return w.Tls(tlstest::TestPki().wrongName); }, nullptr, 31,
         "Not enrolled", 6000},
        // ------------------------------------------------ the proxy (WinINet)
        {"ProxyDown", 2, 5000,
         [](World& w) {
             setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(loopback::UnusedPort())).c_str(), 1);
             return w.mpi.EnrollUrl();
         },
         nullptr, 11002, std::string(kNet) + "HttpQueryInfo Error (HTTP_QUERY_STATUS_CODE) (GetLastError : 12019))",
         6000},
        // ------------------------------------------------ the ACS and the result page
        {"AcsUnreachable", 1, 5000,
         [](World& w) {
             w.mpi.SetAcsUrlInReply("http://127.0.0.1:" + std::to_string(loopback::UnusedPort()) + "/acs");
             return w.mpi.EnrollUrl();
         },
         CloseInTheAcsPhase, 12006, "Enrolled", 20000},
        {"ResultPageUnreachable", 1, 5000,
         [](World& w) {
             sandbox::EnrollmentReply reply;
             reply.raw = "<html><body>0|Enrolled|pareq|" + w.mpi.AcsUrl() + "|md-9|http://127.0.0.1:" +
                         std::to_string(loopback::UnusedPort()) + "/MPI/VerifyPARes</body></html>";
             w.mpi.SetEnrollmentReply(reply);
             return w.mpi.EnrollUrl();
         },
         [](World& w, HWND hwnd) {
             if (std::string(w.ctrl->m_strClientHTTPUrl).find("VerifyPARes") != std::string::npos) CloseInTheAcsPhase(w, hwnd);
         },
         12006, "Enrolled", 20000},
        // ------------------------------------------------ the user's close, by state
        {"CloseInVeReq", 1, 5000, [](World& w) { return w.Raw(httptest::Silence(30000)); }, CloseOnceRequested, 12006,
         "", 4000},
        {"CloseInVeReqWininet", 2, 5000, [](World& w) { return w.Raw(httptest::Silence(30000)); }, CloseOnceRequested,
         12006, "", 4000},
        // A second close while the worker is still resolving ends at once.
        {"CloseInCancel", 1, 5000, SlowUrl,
         [](World& w, HWND hwnd) {
             if (g_resolving.load() == 1 && w.closes < 2) w.Close(hwnd);
         },
         12006, "", 6000},
        // A close after the time-out only closes what is open; the end waits for the worker.
        {"CloseInTimeOut", 1, 300, SlowUrl,
         [](World& w, HWND hwnd) {
             if (g_resolving.load() == 1 && w.ctrl->m_iAuthState == STATE_TIMEOUT && w.closes == 0) w.Close(hwnd);
         },
         11001, "", 5000},
        {"CloseInPaReq", 1, 5000,
         [](World& w) {
             w.mpi.SetAcsAutoSubmit(false);
             return w.mpi.EnrollUrl();
         },
         CloseInTheAcsPhase, 12006, "Enrolled", 20000},
    };
    return faults;
}

class FaultMatrix : public ::testing::TestWithParam<size_t> {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        setenv("VEMOMPI_SYSTEM_DIR", dir.path().c_str(), 1);
        WSASetResolverForTesting(SlowResolver);
        g_resolving.store(0);
    }
    void TearDown() override {
        WSASetResolverForTesting(nullptr);
        unsetenv("http_proxy");
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("VEMOMPI_SYSTEM_DIR");
    }
    TempDir dir;
};

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// What the page can read of the control.
std::vector<std::string> Snapshot(CVemoMPIOCXCtrl* c) {
    return {std::string(c->m_Code1), std::string(c->m_Msg1), std::string(c->m_Code2), std::string(c->m_strClientHTTPData1),
            std::string(c->m_strClientHTTPData2), std::string(c->m_strClientHTTPUrl), std::to_string(c->m_iAuthState)};
}

}  // namespace

TEST_P(FaultMatrix, EndsWithItsCodeAndTextInTime) {
    const Fault& f = Faults()[GetParam()];
    World w;
    w.mpi.SetAcsAutoSubmit(true);
    w.ctrl = new CVemoMPIOCXCtrl();
    CVemoMPIOCXCtrl* ctrl = w.ctrl;
    ASSERT_EQ(Call(ctrl, u"SetNormalDialog", {1}).Long(), 0);
    ASSERT_EQ(Call(ctrl, u"SetForcedProxyEnv", {f.transport}).Long(), 0);
    ASSERT_EQ(Call(ctrl, u"SetWaitUrl", {U16(w.mpi.WaitUrl())}).Long(), 0);
    if (f.timeOut != kDefault) {
        ASSERT_EQ(Call(ctrl, u"SetTimeOut", {f.timeOut}).Long(), 0);
    }
    std::string url = f.peers(w);

    // The user's actions every 100 ms; two closes after a minute end any run.
    auto started = Clock::now();
    auto alive = std::make_shared<bool>(true);
    auto tick = std::make_shared<std::function<void()>>();
    *tick = [&, alive, tick]() {
        if (!*alive) return;
        HWND hwnd = afxtest::ActiveModal();
        if (hwnd != nullptr) {
            if (f.user) f.user(w, hwnd);
            if (Clock::now() - started > std::chrono::seconds(60)) {
                afxtest::SendCloseRequest(hwnd);
                afxtest::SendCloseRequest(hwnd);
            }
        }
        std::weak_ptr<std::function<void()>> next = tick;
        afxtest::Post([next, alive]() {
            if (auto t = next.lock(); t && *alive) (*t)();
        }, 100);
    };
    afxtest::Post([tick]() { (*tick)(); }, 100);
    script::Result r = Call(ctrl, u"GetPAReq2",
                            {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00", u"coffee",
                             U16(url)});
    int resolvingAtReturn = g_resolving.load();
    *alive = false;
    *tick = nullptr;
    auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));

    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.Long(), f.code);
    std::string msg1(ctrl->m_Msg1);
    RecordProperty("msg1", msg1);
    if (!f.msg1.empty() && f.msg1.back() == '*') {
        EXPECT_EQ(msg1.rfind(f.msg1.substr(0, f.msg1.size() - 1), 0), 0u) << msg1;
    } else {
        EXPECT_EQ(msg1, f.msg1);
    }
    EXPECT_LT(elapsed, f.limitMs);
    if (std::strcmp(f.name, "CloseInCancel") == 0) {
        EXPECT_EQ(resolvingAtReturn, 1) << "ended before the worker";
    }
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);

    // Nothing is written after the dialog ended: not while a late worker
    // finishes its resolve and connect, nor when the peers give up.
    std::vector<std::string> after = Snapshot(ctrl);
    afxtest::PumpUntil([] { return g_resolving.load() != 1; }, 5000);
    afxtest::Pump(700);
    w.servers.clear();
    w.tls.clear();
    afxtest::Pump(200);
    EXPECT_EQ(Snapshot(ctrl), after);
    ctrl->Release();
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::Range<size_t>(0, Faults().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) { return Faults()[info.param].name; });
