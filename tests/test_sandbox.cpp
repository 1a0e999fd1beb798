// The sandbox's web server and MPI service, spoken to over loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <csignal>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "auth/AuthFlow.h"
#include "crypto/MPISeal.h"
#include "sandbox/MpiSandbox.h"
#include "sandbox/ShopPages.h"
#include "tests/support/tempdir.h"
#include "tests/support/loopback.h"
#include "resources/VemoMPIOCX_version.h"
#include "transport/HTTPTransport.h"

namespace {

// Sends one raw request and returns the whole response.
std::string Exchange(unsigned short port, const std::string& request, int timeoutMs = 10000);

std::string Post(unsigned short port, const std::string& path, const std::string& body, int timeoutMs = 10000) {
    return Exchange(port, "POST " + path + " HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\n\r\n" + body,
                    timeoutMs);
}

// Field n (1-based) of a six-field reply's body.
std::string ReplyField(const std::string& response, int n) {
    size_t at = response.find("<body>");
    if (at == std::string::npos) return "";
    at += 6;
    for (int i = 1; i < n; ++i) at = response.find('|', at) + 1;
    return response.substr(at, response.find_first_of("|<", at) - at);
}

}  // namespace

TEST(SandboxForms, DecodingAndEscaping) {
    auto form = sandbox::DecodeForm("a=1&b=x+y%26z&empty=&flag&c=%B0%ZZ");
    ASSERT_EQ(form.size(), 5u);
    EXPECT_EQ(sandbox::FormValue(form, "b"), "x y&z");
    EXPECT_EQ(sandbox::FormValue(form, "empty"), "");
    EXPECT_EQ(form[3].first, "flag");
    EXPECT_EQ(sandbox::FormValue(form, "c"), "\xB0%ZZ");
    EXPECT_EQ(sandbox::HtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(SandboxMpi, ReadsBothRequestFormsAndAnswersSixFields) {
    sandbox::MpiSandbox mpi;
    CMPIUtil util;
    std::string list = "SHOP|Name|http://shop|4111222233334444|2029|07|00|1000|KRW|desc|";
    char sealed[MPI_SEALED_MAX_SIZE];
    ASSERT_GT(MPISealParam(util, list.data(), list.size(), sealed, sizeof(sealed)), 0);
    std::string body = std::string("data=") + sealed;
    std::string response = Exchange(mpi.Server().Port(), "POST /mpi/enroll HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                                                             std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(response.find("<body>0|Enrolled|"), std::string::npos);
    EXPECT_NE(response.find("|" + mpi.TermUrl() + "</body>"), std::string::npos);

    std::string plain = "mall_id=SHOP&mall_name=A & B&cardnum=1234";
    Exchange(mpi.Server().Port(), "POST /mpi/enroll HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(plain.size()) +
                                      "\r\n\r\n" + plain);
    auto seen = mpi.Enrollments();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].sealed);
    EXPECT_EQ(seen[0].fieldCount, 11u);
    EXPECT_EQ(sandbox::FormValue(seen[0].fields, "cardnum"), "4111222233334444");
    EXPECT_EQ(sandbox::FormValue(seen[0].fields, "installment"), "00");
    EXPECT_FALSE(seen[1].sealed);
    EXPECT_EQ(sandbox::FormValue(seen[1].fields, "mall_name"), "A ") << "an unescaped & splits the field";

    std::string missing = Exchange(mpi.Server().Port(), "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(missing.rfind("HTTP/1.1 404", 0), 0u);
}

TEST(SandboxServer, StopsAtOnceEvenBeforeItsLoopRuns) {
    // A server made and dropped at once (a test that never uses its
    // sandbox) used to wait forever when the stop came before its loop ran.
    for (int i = 0; i < 200; ++i) {
        sandbox::WebServer server;
        ASSERT_NE(server.Port(), 0);
    }
}

TEST(SandboxServer, RefusesABodyOverFourMebibytes) {
    sandbox::MpiSandbox mpi;
    std::string head = "POST /mpi/enroll HTTP/1.1\r\nHost: x\r\nContent-Length: ";
    std::string body(4 * 1024 * 1024 + 1, 'a');
    EXPECT_EQ(Exchange(mpi.Server().Port(), head + std::to_string(body.size()) + "\r\n\r\n" + body).rfind("HTTP/1.1 413", 0), 0u);
    EXPECT_TRUE(mpi.Enrollments().empty()) << "no handler saw it";
    body.pop_back();
    EXPECT_EQ(Exchange(mpi.Server().Port(), head + std::to_string(body.size()) + "\r\n\r\n" + body).rfind("HTTP/1.1 200", 0), 0u);
}

TEST(SandboxCards, EachCardPlaysItsScenario) {
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    unsigned short port = mpi.Server().Port();
    size_t count = 0;
    const sandbox::TestCard* cards = sandbox::TestCards(&count);
    ASSERT_EQ(count, 9u);
    for (size_t i = 0; i < count; ++i) {
        const sandbox::TestCard& card = cards[i];
        SCOPED_TRACE(card.name);
        EXPECT_EQ(sandbox::FindTestCard(card.pan), &card);
        bool late = card.enroll == sandbox::EnrollBehaviour::kLate;
        std::string reply = Post(port, "/mpi/enroll", std::string("mall_id=SHOP&cardnum=") + card.pan + "&VemoMPIParam=End",
                                 late ? 500 : 10000);
        switch (card.enroll) {
            case sandbox::EnrollBehaviour::kLate:
            case sandbox::EnrollBehaviour::kClose:
                EXPECT_EQ(reply, "") << "no answer (in time)";
                continue;
            case sandbox::EnrollBehaviour::kHttpError:
                EXPECT_EQ(reply.rfind("HTTP/1.1 500", 0), 0u);
                continue;
            case sandbox::EnrollBehaviour::kBrokenBody:
                EXPECT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u);
                EXPECT_EQ(reply.find("<body>"), std::string::npos);
                continue;
            case sandbox::EnrollBehaviour::kReply:
                break;
        }
        EXPECT_EQ(ReplyField(reply, 1), card.code);
        EXPECT_EQ(ReplyField(reply, 4), mpi.AcsUrl());
        std::string md = ReplyField(reply, 5);
        std::string acs = Post(port, "/acs/auth", "PaReq=x&TermUrl=" + mpi.TermUrl() + "&MD=" + md);
        bool automatic = card.result == sandbox::ResultBehaviour::kAttempted || card.result == sandbox::ResultBehaviour::kNoRecord;
        EXPECT_EQ(acs.find(".submit()") != std::string::npos, automatic);
        std::string result = Post(port, "/MPI/VerifyPARes", "PaRes=x&MD=" + md + "&pw=1234");
        EXPECT_EQ(result.find("************" + std::string(card.pan + 12)) != std::string::npos,
                  card.result != sandbox::ResultBehaviour::kNoRecord);
        EXPECT_EQ(result.find(card.pan), std::string::npos) << "the page shows the number masked";
        switch (card.result) {
            case sandbox::ResultBehaviour::kByPassword:
                EXPECT_NE(result.find(">('Y','Authenticated','AAABBJAgdQAAAAAAAAAAAAAAAAA=','" + md + "','05'"),
                          std::string::npos);
                EXPECT_NE(result.find("{\"status\":\"Y\",\"eci\":\"05\"}"), std::string::npos);
                result = Post(port, "/MPI/VerifyPARes", "PaRes=x&MD=" + md + "&pw=4321");
                EXPECT_NE(result.find(">('N',"), std::string::npos) << "a wrong password";
                break;
            case sandbox::ResultBehaviour::kAttempted:
                EXPECT_NE(result.find(">('A','Attempted',"), std::string::npos);
                EXPECT_NE(result.find("'06'"), std::string::npos);
                break;
            case sandbox::ResultBehaviour::kRefused:
                EXPECT_NE(result.find(">('N',"), std::string::npos) << "even with the right password";
                break;
            case sandbox::ResultBehaviour::kNoRecord:
                EXPECT_EQ(result.find(">('"), std::string::npos);
                break;
        }
    }
    EXPECT_EQ(mpi.Enrollments().size(), count);
    // A card that is not in the table gets the reply set by hand.
    std::string other = Post(port, "/mpi/enroll", "cardnum=4111111111111111");
    EXPECT_EQ(ReplyField(other, 5), "md-0001");
}

namespace {

class EndingSite : public IAuthDialogSite {
public:
    void AuthEndDialog(int nResult) override { ended.push_back(nResult); }
    void AuthKillTimer(UINT) override {}
    void AuthNavigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {}
    bool AuthGetDocumentHTML(BSTR*) override { return false; }
    std::vector<int> ended;
};

}  // namespace

// What the README's table promises of the enrollment, through the control's
// own execute and parse steps, sealed, over both transports.
TEST(SandboxCards, EnrollmentOutcomesThroughTheControl) {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
    char dir[] = "/tmp/vemompi-cards-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("VEMOMPI_REGISTRY", (std::string(dir) + "/registry.reg").c_str(), 1);
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    const AUTH_DIALOG_KIND kind = {"CTestDialog", &g_HTTPParam_Normal, HTTPThreadFunction_Wininet_Normal,
                                   HTTPThreadFunction_Socket_Normal};
    CVemoMPIOCXCtrl* ctrl = new CVemoMPIOCXCtrl();
    size_t count = 0;
    const sandbox::TestCard* cards = sandbox::TestCards(&count);
    for (size_t i = 0; i < count; ++i) {
        const sandbox::TestCard& card = cards[i];
        if (card.enroll == sandbox::EnrollBehaviour::kLate) continue;
        for (int forced : {1, 2}) {
            SCOPED_TRACE(std::string(card.name) + (forced == 1 ? " socket" : " WinINet"));
            EndingSite site;
            CAuthFlow flow{kind, &site};
            flow.m_pVemoMPIOCXCtrl = ctrl;
            std::strcpy(ctrl->m_szMallID, "SHOP01");
            std::strcpy(ctrl->m_szCardNum, card.pan);
            std::strncpy(ctrl->m_szServerUrl, mpi.EnrollUrl().c_str(), sizeof(ctrl->m_szServerUrl) - 1);
            ctrl->m_nForcedProxyEnv = forced;
            ctrl->m_iAuthState = STATE_VEREQ;
            ASSERT_EQ(flow.AuthThreadProcessExecute(), 0);
            for (int w = 0; w < 1000 && !flow.ThreadEnded(); ++w) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_TRUE(flow.ThreadEnded());
            int rc = flow.AuthThreadProcessParse();
            switch (card.enroll) {
                case sandbox::EnrollBehaviour::kReply:
                    EXPECT_EQ(rc, 0);
                    EXPECT_STREQ(ctrl->m_Code1, card.code);
                    if (std::string(card.code) != "0") EXPECT_EQ(site.ended, std::vector<int>{std::atoi(card.code)});
                    else EXPECT_TRUE(site.ended.empty());
                    break;
                case sandbox::EnrollBehaviour::kHttpError:
                    EXPECT_EQ(rc, forced == 1 ? 11004 : 11002);
                    break;
                case sandbox::EnrollBehaviour::kClose:
                    EXPECT_EQ(rc, 11002);
                    break;
                case sandbox::EnrollBehaviour::kBrokenBody:
                    EXPECT_EQ(rc, 11003);
                    break;
                case sandbox::EnrollBehaviour::kLate:
                    break;
            }
            EXPECT_TRUE(mpi.Enrollments().back().sealed);
            EXPECT_EQ(sandbox::FormValue(mpi.Enrollments().back().fields, "cardnum"), card.pan);
        }
    }
    ctrl->Release();
    unsetenv("VEMOMPI_REGISTRY");
    ASSERT_EQ(std::system((std::string("rm -rf ") + dir).c_str()), 0);
}

TEST(SandboxReports, KeepsReportsAndOpensSealedOnes) {
    sandbox::MpiSandbox mpi;
    mpi.SetReportStatuses({404});
    CMPIUtil util;
    char sealed[MPI_SEALED_MAX_SIZE];
    ASSERT_GT(MPISealParam(util, "card 4111", 9, sealed, sizeof(sealed)), 0);
    std::string body = std::string("data1=") + sealed + "&data2=a=b&data3=&ParamEnd=End";
    std::string url = mpi.ReportUrl();
    std::string path = url.substr(url.find("/report"));
    EXPECT_EQ(Post(mpi.Server().Port(), path, body).rfind("HTTP/1.1 404", 0), 0u);
    EXPECT_EQ(Post(mpi.Server().Port(), path, body).rfind("HTTP/1.1 200", 0), 0u);
    auto reports = mpi.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].body, body);
    EXPECT_TRUE(reports[1].sealed[0]);
    EXPECT_EQ(reports[1].data[0], "card 4111");
    EXPECT_FALSE(reports[1].sealed[1]);
    EXPECT_EQ(reports[1].data[1], "a=b") << "a plain value is kept as sent";
    EXPECT_EQ(reports[1].data[2], "");
}

namespace {

// Reads one line from fd within the time, or "".
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char c;
        if (::read(fd, &c, 1) != 1) break;
        if (c == '\n') return line;
        line.push_back(c);
    }
    return "";
}

}  // namespace

TEST(SandboxShop, ServesTheFolderPlainFilesOnly) {
    TempDir dir;
    {
        std::FILE* f = std::fopen((dir / "checkout.html").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("<html>pay</html>", f);
        std::fclose(f);
        f = std::fopen((dir / "secret.txt").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    sandbox::MpiSandbox mpi;
    sandbox::ServeShopPages(mpi.Server(), dir.path());
    auto get = [&](const std::string& path) {
        return Exchange(mpi.Server().Port(), "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    };
    std::string page = get("/shop/checkout.html?mpi=x");
    EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u) << page;
    EXPECT_NE(page.find("text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(page.find("<html>pay</html>"), std::string::npos);
    for (const char* refused : {"/shop/secret.txt", "/shop/..%2Fetc%2Fpasswd", "/shop/%2e%2e/etc", "/shop/",
                                "/shop/.hidden.html", "/shop/missing.html"})
        EXPECT_NE(get(refused).rfind("HTTP/1.1 200", 0), 0u) << refused;
    EXPECT_NE(get("/VemoMPI/Wait.html").rfind("HTTP/1.1 404", 0), 0u) << "the MPI service stays beside it";
}

TEST(SandboxTool, PrintsItsAddressAndMaskedRequestLinesAndStopsOnSigterm) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(VEMOMPI_SANDBOX_TOOL, VEMOMPI_SANDBOX_TOOL, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string base = ReadLine(out[0], 10000);
    ASSERT_EQ(base.rfind("http://127.0.0.1:", 0), 0u) << base;
    ASSERT_EQ(base.back(), '/');
    auto port = static_cast<unsigned short>(std::stoi(base.substr(17)));
    std::string reply = Post(port, "/mpi/enroll", "mall_id=SHOP&cardnum=4000000000000010&VemoMPIParam=End");
    EXPECT_NE(reply.find("<body>0|Enrolled|"), std::string::npos) << "the test cards are on";
    std::string line = ReadLine(out[0], 10000);
    EXPECT_EQ(line.rfind("POST /mpi/enroll 200", 0), 0u) << line;
    EXPECT_NE(line.find("************0010"), std::string::npos) << line;
    EXPECT_EQ(line.find("4000000000000010"), std::string::npos) << line;

    ::kill(pid, SIGTERM);
    int status = -1;
    for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!WIFEXITED(status)) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::close(out[0]);
}

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out, err;
};

// Runs the tool to its end with these arguments (a shell word list),
// standard output and standard error apart.
ToolRun RunTool(const std::string& args) {
    TempDir dir;
    std::string command = std::string(VEMOMPI_SANDBOX_TOOL) + " " + args + " >" + (dir / "out") + " 2>" + (dir / "err") +
                          " </dev/null";
    ToolRun r;
    int status = std::system(command.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (auto [name, text] : {std::pair<const char*, std::string*>{"out", &r.out}, {"err", &r.err}}) {
        if (std::FILE* f = std::fopen((dir / name).c_str(), "rb")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text->append(buf, n);
            std::fclose(f);
        }
    }
    return r;
}

// The tool started with these arguments, its standard output readable.
struct Running {
    pid_t pid = -1;
    int out = -1;
    unsigned short port = 0;

    explicit Running(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char*> argv{const_cast<char*>(VEMOMPI_SANDBOX_TOOL)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(VEMOMPI_SANDBOX_TOOL, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = fds[0];
        std::string base = ReadLine(out, 10000);
        if (base.rfind("http://127.0.0.1:", 0) == 0) port = static_cast<unsigned short>(std::stoi(base.substr(17)));
    }
    // Stops it with SIGTERM; its exit code, or -1.
    int Stop() {
        if (pid <= 0) return -1;
        ::kill(pid, SIGTERM);
        int status = -1;
        for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!WIFEXITED(status)) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
        pid = -1;
        ::close(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~Running() { Stop(); }
};

}  // namespace

TEST(SandboxTool, AnswersHelpAndVersionAndRefusesUnknownOptions) {
    ToolRun help = RunTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: vemompi-sandbox [--port N] [--pages DIR]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    ToolRun version = RunTool("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("vemompi-sandbox ") + VEMOMPI_VERSION_TEXT + "\n");
    for (const char* unknown : {"--bogus", "--port", "--port x", "extra"}) {
        ToolRun r = RunTool(unknown);
        EXPECT_EQ(r.exitCode, 2) << unknown;
        EXPECT_EQ(r.out, "") << unknown << ": it did not start";
        EXPECT_NE(r.err.find("usage: vemompi-sandbox"), std::string::npos) << unknown << ": " << r.err;
    }
}

TEST(SandboxTool, RefusesPagesThatAreNoFolder) {
    TempDir dir;
    if (std::FILE* f = std::fopen((dir / "file.html").c_str(), "wb")) std::fclose(f);
    for (const std::string& pages : {dir / "missing", dir / "file.html"}) {
        ToolRun r = RunTool("--pages '" + pages + "'");
        EXPECT_EQ(r.exitCode, 2) << pages;
        EXPECT_EQ(r.out, "") << "it did not start";
        EXPECT_EQ(r.err, "vemompi-sandbox: --pages " + pages + ": no such folder\n");
    }
}

TEST(SandboxTool, LogsTheShopPagesAndTheOpenedReportParametersMasked) {
    TempDir dir;
    if (std::FILE* f = std::fopen((dir / "checkout.html").c_str(), "wb")) {
        std::fputs("<html>pay</html>", f);
        std::fclose(f);
    }
    Running tool({"--pages", dir.path()});
    ASSERT_NE(tool.port, 0) << "it printed its address";
    std::string page = Exchange(tool.port, "GET /shop/checkout.html?pan=4000000000000010 HTTP/1.1\r\nHost: x\r\n"
                                           "Connection: close\r\n\r\n");
    EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u);
    std::string shop = ReadLine(tool.out, 10000);
    EXPECT_EQ(shop.rfind("GET /shop/checkout.html?pan=*****", 0), 0u) << shop;
    EXPECT_EQ(shop.substr(shop.size() - 14), " 200 shop page") << shop;
    EXPECT_EQ(shop.find("4000000000000010"), std::string::npos) << shop;
    Exchange(tool.port, "GET /shop/missing.html HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(ReadLine(tool.out, 10000), "GET /shop/missing.html 404 shop page");

    // A sealed parameter with a card number and a cryptogram, a plain one
    // with a line break and a quote, and a long one cut in a card number.
    CMPIUtil util;
    const std::string secret = "card 4000000000000010 cavv AAABBJAgdQAAAAAAAAAAAAAAAAA=";
    char sealed[MPI_SEALED_MAX_SIZE];
    ASSERT_GT(MPISealParam(util, secret.data(), secret.size(), sealed, sizeof(sealed)), 0);
    std::string body = std::string("data1=") + sealed + "&data2=a\n\"b&data3=" + std::string(190, 'z') + "4000000000000010" +
                       std::string(44, 'z') + "&ParamEnd=End";
    EXPECT_EQ(Post(tool.port, "/report", body).rfind("HTTP/1.1 200", 0), 0u);
    std::string line = ReadLine(tool.out, 10000);
    EXPECT_EQ(line, "POST /report 200 report sealed data1=\"card ************0010 cavv ****************************\" "
                    "data2=\"a\\x0A\\\"b\" data3=\"" + std::string(190, 'z') + "**********\"(+50 bytes)")
        << "a card number is masked before the parameter is cut";
    EXPECT_EQ(line.find("4000000000000010"), std::string::npos);
    EXPECT_EQ(line.find("AAABBJAg"), std::string::npos);
    EXPECT_EQ(tool.Stop(), 0);
}

namespace {

std::string Exchange(unsigned short port, const std::string& request, int timeoutMs) {
    return loopback::Request(port, request, timeoutMs);
}

}  // namespace
