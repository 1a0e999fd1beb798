// Nothing of a cardholder's session is left on disk: a whole authentication
// through GetPAReq2 (plain dialog, real GTK and WebKitGTK under Xvfb, the
// sandbox on loopback), and a report through SendHTTPPost, each run in a
// process of its own whose home,
// configuration, cache and data directories are fresh and empty; once that
// process and the browser's processes have ended they are still empty, and
// the registry file is unchanged.
//
// The tests re-run this executable with --run-authentication or
// --run-report for the work itself, so that what is written at exit counts too. The
// directories are set in main, before anything can start GTK.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/dispatch.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tempdir.h"
#include "ui/CustomOccManager.h"

namespace fs = std::filesystem;

namespace {

const char* const kDirs[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"};
const char kRegistryText[] =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\VemoMPI]\r\n\"Kept\"=\"as it was\"\r\n";
std::string g_self;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Everything below a directory, as paths relative to it.
std::vector<std::string> Contents(const std::string& dir) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        found.push_back(fs::relative(it->path(), dir).string());
    return found;
}

// The child: one whole authentication; exit code 0 when it returned 0.
int RunAuthentication() {
    alarm(120);  // never outlives two minutes
    if (!afxtest::HaveDisplay()) return 77;
    AfxEnableControlContainer(new CCustomOccManager);
    int rc = 1;
    {
        sandbox::MpiSandbox mpi;
        mpi.SetAcsAutoSubmit(true);
        auto* ctrl = new CVemoMPIOCXCtrl();
        script::Call(ctrl, u"SetNormalDialog", {1});
        script::Call(ctrl, u"SetForcedProxyEnv", {1});
        script::Call(ctrl, u"SetWaitUrl", {U16(mpi.WaitUrl())});
        script::Result r = script::Call(ctrl, u"GetPAReq2",
                                        {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000",
                                         u"00", u"coffee", U16(mpi.EnrollUrl())});
        std::string code2(ctrl->m_Code2);
        if (r.hr == S_OK && r.Long() == 0 && code2 == "0") {
            rc = 0;
        } else {
            std::fprintf(stderr, "GetPAReq2 gave %ld, Code2 \"%s\"\n", static_cast<long>(r.Long()), code2.c_str());
        }
        ctrl->Release();
    }
    return rc;
}

// The child: one report, sealed, accepted by a loopback report server;
// exit code 0 when SendHTTPPost returned 0, 78 when reports are not built.
int RunReport() {
    alarm(120);
    if (!afxtest::HaveDisplay()) return 77;
    loopback::Server server(httptest::Reply(httptest::Response(200, "ok")), 2);
    std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/report";
    auto* ctrl = new CVemoMPIOCXCtrl();
    script::Result r = script::Call(ctrl, u"SendHTTPPost", {U16(url), 1, u"4111222233334444", u"error 11002", u"p3"});
    int rc = r.hr == E_NOTIMPL ? 78 : (r.hr == S_OK && r.Long() == 0 && server.Accepted() >= 1) ? 0 : 1;
    if (rc == 1) std::fprintf(stderr, "SendHTTPPost gave %ld (hr %08x)\n", static_cast<long>(r.Long()), static_cast<unsigned>(r.hr));
    ctrl->Release();
    return rc;
}

// Runs this executable as a child in `mode`; its exit code, or -1.
int RunChild(const char* mode) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        execl(g_self.c_str(), g_self.c_str(), mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    // The browser's processes end when their parent has gone.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return WEXITSTATUS(status);
}

void ExpectNothingLeft() {
    for (const char* name : kDirs) {
        std::vector<std::string> left = Contents(std::getenv(name));
        std::string list;
        for (const std::string& p : left) list += " " + p;
        EXPECT_TRUE(left.empty()) << name << " holds:" << list;
    }
    // The runtime directory (memory on a desktop) holds at most the web
    // processes' sandbox records (their process ids), nothing of the session.
    for (const std::string& p : Contents(std::getenv("XDG_RUNTIME_DIR"))) {
        bool sandboxRecord = p.rfind(".flatpak", 0) == 0 &&
                             (p == ".flatpak" || p.find('/', 9) == std::string::npos ||
                              p.substr(p.rfind('/') + 1) == "bwrapinfo.json");
        EXPECT_TRUE(sandboxRecord) << "XDG_RUNTIME_DIR holds " << p;
    }
    EXPECT_EQ(ReadFile(std::getenv("VEMOMPI_REGISTRY")), kRegistryText);
}

}  // namespace

TEST(NoDiskTraces, AReportLeavesTheUsersDirectoriesEmpty) {
    int rc = RunChild("--run-report");
    if (rc == 77) GTEST_SKIP() << "no display";
    if (rc == 78) GTEST_SKIP() << "reports are not built into this module";
    ASSERT_EQ(rc, 0) << "the report was not accepted";
    ExpectNothingLeft();
}

TEST(NoDiskTraces, AWholeAuthenticationLeavesTheUsersDirectoriesEmpty) {
    int rc = RunChild("--run-authentication");
    if (rc == 77) GTEST_SKIP() << "no display";
    ASSERT_EQ(rc, 0) << "the authentication did not complete";
    ExpectNothingLeft();
}

int main(int argc, char** argv) {
    g_self = fs::canonical("/proc/self/exe").string();
    if (argc > 1 && std::strcmp(argv[1], "--run-authentication") == 0) return RunAuthentication();
    if (argc > 1 && std::strcmp(argv[1], "--run-report") == 0) return RunReport();

    // Fresh, empty directories for everything a desktop program may write,
    // and the registry file beside them.
    TempDir root;
    for (const char* name : kDirs) {
        std::string dir = root / name;
        fs::create_directory(dir);
        setenv(name, dir.c_str(), 1);
    }
    // The per-user runtime directory a desktop session gives (where the
    // browser's sandbox keeps its records); without one they would go to
    // the cache directory.
    std::string runtime = root / "XDG_RUNTIME_DIR";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    std::string registry = root / "registry.reg";
    {
        std::ofstream out(registry, std::ios::binary);
        out << kRegistryText;
    }
    setenv("VEMOMPI_REGISTRY", registry.c_str(), 1);
    setenv("VEMOMPI_SYSTEM_DIR", root.path().c_str(), 1);
    // What the module chooses by itself is what is tested.
    unsetenv("GSETTINGS_BACKEND");
    unsetenv("MESA_SHADER_CACHE_DISABLE");
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
    setenv("LANG", "en_US.UTF-8", 1);

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
