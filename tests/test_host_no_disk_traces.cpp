// Nothing of a cardholder's session is left on disk by vemompi-host: whole
// authentications in the skinned and in the plain dialog and a report, in
// page mode and in script mode, each run in a host process whose home,
// configuration, cache, data and state directories are fresh and empty;
// once the host and the browser's processes have ended they are still
// empty. What the host chooses by itself is what is tested: the settings
// backend and the shader cache are left to it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "sandbox/MpiSandbox.h"
#include "tests/host/host_run.h"

using hosttest::Fixture;
using hosttest::Host;
using hosttest::Outcome;

namespace fs = std::filesystem;

namespace {

const char* const kDirs[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"};
const char kCard[] = "4000000000000028";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class HostNoDiskTraces : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "no display";
        ASSERT_TRUE(host.Registered());
        unsetenv("GSETTINGS_BACKEND");
        unsetenv("MESA_SHADER_CACHE_DISABLE");
        mpi.UseTestCards(true);
        mpi.SetAcsAutoSubmitPause(0);
        for (const char* name : kDirs) {
            std::string dir = root / name;
            fs::create_directory(dir);
            env.push_back(std::string(name) + "=" + dir);
        }
        // The per-user runtime directory a desktop session gives (memory,
        // where the browser's sandbox keeps its records); without one they
        // would go to the cache directory.
        std::string runtime = root / "XDG_RUNTIME_DIR";
        fs::create_directory(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        env.push_back("XDG_RUNTIME_DIR=" + runtime);
    }
    void ExpectNothingLeft(const std::string& what) {
        // The browser's processes end when their parent has gone.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        for (const char* name : kDirs) {
            std::string list;
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(root / name, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
                list += " " + fs::relative(it->path(), root / name).string();
            EXPECT_EQ(list, "") << what << ": " << name << " holds:";
        }
        // The runtime directory holds at most the web processes' sandbox
        // records (their process ids), nothing of the session.
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root / "XDG_RUNTIME_DIR", ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::string p = fs::relative(it->path(), root / "XDG_RUNTIME_DIR").string();
            bool sandboxRecord = p.rfind(".flatpak", 0) == 0 &&
                                 (p == ".flatpak" || p.find('/', 9) == std::string::npos ||
                                  p.substr(p.rfind('/') + 1) == "bwrapinfo.json");
            EXPECT_TRUE(sandboxRecord) << what << ": XDG_RUNTIME_DIR holds " << p;
        }
    }
    std::string Pay(bool plain) {
        return "pay(\"" + mpi.EnrollUrl() + "\", \"" + mpi.WaitUrl() + "\", \"" + kCard + "\", " +
               (plain ? "true" : "false") + ")";
    }
    Host host;
    TempDir root;
    std::vector<std::string> env;
    sandbox::MpiSandbox mpi;
};

}  // namespace

TEST_F(HostNoDiskTraces, PageModeWithBothDialogsAndAReport) {
    for (bool plain : {false, true}) {
        std::string driver = host.Dir() / "driver.js";
        hosttest::WriteText(driver, "vemompiHost.log(" + Pay(plain) + ");\nvemompiHost.log(report(\"" +
                                        mpi.ReportUrl() + "\"));\nvemompiHost.exit(0);\n");
        Outcome r = host.Start({Fixture("pay_activex.html"), "--driver", driver, "--timeout", "60"}, 90, env);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "rc=0 Code1=0 Code2=A")) << r.out;
        EXPECT_TRUE(Has(r.out, "report=0\n")) << r.out;
        ExpectNothingLeft(plain ? "page mode, plain dialog" : "page mode, skinned dialog");
    }
}

TEST_F(HostNoDiskTraces, ScriptModeWithBothDialogsAndAReport) {
    std::string script = host.Dir() / "pay.js";
    hosttest::WriteText(script,
                        "function pay(plain) {\n"
                        "  var mpi = new ActiveXObject('VEMOMPIOCX.VemoMPIOCXCtrl.1');\n"
                        "  mpi.SetWaitUrl('" + mpi.WaitUrl() + "');\n"
                        "  mpi.SetForcedProxyEnv(1);\n"
                        "  if (plain) mpi.SetNormalDialog(1);\n"
                        "  var rc = mpi.GetPAReq2('SHOP01', 'Corner Shop', '" + kCard + "', '2029', '07', '15000', "
                        "'00', 'tea', '" + mpi.EnrollUrl() + "');\n"
                        "  print('rc=' + rc + ' Code2=' + mpi.Code2);\n"
                        "  print('report=' + mpi.SendHTTPPost('" + mpi.ReportUrl() + "', 0, 'E100', 'order 7', 'x'));\n"
                        "}\n"
                        "pay(false);\npay(true);\n");
    Outcome r = host.Start({script, "--page-url", "https://shop.example/pay.html"}, 90, env);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "rc=0 Code2=A\nreport=0\nrc=0 Code2=A\nreport=0\n");
    ExpectNothingLeft("script mode");
}
