// Nothing of a cardholder's session is left on disk: a whole authentication
// through GetPAReq2 (plain dialog, real GTK and WebKitGTK under Xvfb, the
// sandbox on loopback) runs in a process of its own whose home,
// configuration, cache and data directories are fresh and empty; once that
// process and the browser's processes have ended they are still empty, and
// the registry file is unchanged.
//
// The test re-runs this executable with --run-authentication for the
// authentication itself, so that what is written at exit counts too. The
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

}  // namespace

TEST(NoDiskTraces, AWholeAuthenticationLeavesTheUsersDirectoriesEmpty) {
    const char* registry = std::getenv("VEMOMPI_REGISTRY");
    ASSERT_NE(registry, nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(g_self.c_str(), g_self.c_str(), "--run-authentication", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no display";
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the authentication did not complete";
    // The browser's processes end when their parent has gone.
    std::this_thread::sleep_for(std::chrono::seconds(1));

    for (const char* name : kDirs) {
        std::vector<std::string> left = Contents(std::getenv(name));
        std::string list;
        for (const std::string& p : left) list += " " + p;
        EXPECT_TRUE(left.empty()) << name << " holds:" << list;
    }
    EXPECT_EQ(ReadFile(registry), kRegistryText);
}

int main(int argc, char** argv) {
    g_self = fs::canonical("/proc/self/exe").string();
    if (argc > 1 && std::strcmp(argv[1], "--run-authentication") == 0) return RunAuthentication();

    // Fresh, empty directories for everything a desktop program may write,
    // and the registry file beside them.
    TempDir root;
    for (const char* name : kDirs) {
        std::string dir = root / name;
        fs::create_directory(dir);
        setenv(name, dir.c_str(), 1);
    }
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
