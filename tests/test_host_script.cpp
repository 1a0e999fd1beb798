// vemompi-host's script mode, run as users run it: a script with the
// control created by ProgID and called by name, the browser's error texts,
// the exit code, a control that is not safe for scripting, the page
// address the control reports, and the release of every control at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "sandbox/MpiSandbox.h"
#include "tests/host/host_run.h"

using hosttest::Fixture;
using hosttest::Host;
using hosttest::Outcome;

namespace {

class HostScript : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Registered()); }
    Host host;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(HostScript, ErrorsAreTheBrowsersAndTheExitCodeIsTheScripts) {
    Outcome r = host.Start({Fixture("errors.js")});
    EXPECT_EQ(r.code, 7) << r.err;
    EXPECT_EQ(r.out,
              "method Object doesn't support this property or method -2146827850\n"
              "property Object doesn't support this property or method -2146827850\n"
              "count Wrong number of arguments or invalid property assignment -2146827838\n"
              "count2 Wrong number of arguments or invalid property assignment -2146827838\n"
              "type Type mismatch -2146828275\n"
              "progid Automation server can't create object -2146827859\n"
              "clsid Automation server can't create object -2146827859\n"
              "call Automation server can't create object -2146827859\n"
              "number ok 0\n"
              "text ok 1234/string\n"
              "unicode ok 0\n"
              "has ok true/false\n");
    EXPECT_TRUE(Has(r.err, "1 control(s) released at the end of the script; module unloaded")) << r.err;
}

TEST_F(HostScript, AScriptErrorGoesToStderrWithANonzeroExit) {
    Outcome r = host.Start({Fixture("throws.js")});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_TRUE(Has(r.err, "throws.js:2")) << r.err;
    EXPECT_TRUE(Has(r.err, "TypeError")) << r.err;
}

TEST_F(HostScript, AControlNotSafeForScriptingIsRefusedAndAThrowingOneIsAScriptError) {
    ASSERT_TRUE(host.Register(VEMOMPI_UNSAFE_MODULE));
    Outcome r = host.Start({Fixture("unsafe.js")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "refused: Automation server can't create object\n"
              "thrown: Exception occurred.\n"
              "thrown: Exception occurred.\n"
              "still here\n");
    EXPECT_TRUE(Has(r.err, "1 control(s) released at the end of the script; module unloaded"))
        << "only the safe object was kept, and it was let go: " << r.err;
}

TEST_F(HostScript, AScriptHoldsAtMostThirtyTwoControls) {
    Outcome r = host.Start({Fixture("many.js")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "32 Automation server can't create object\n0\n");
    EXPECT_TRUE(Has(r.err, "32 control(s) released at the end of the script; module unloaded")) << r.err;
}

TEST_F(HostScript, BadCommandLinesAndMissingFilesAreHostErrors) {
    EXPECT_EQ(host.Start({}).code, 1);
    EXPECT_EQ(host.Start({Fixture("errors.js"), "--driver", "x.js"}).code, 1);
    EXPECT_EQ(host.Start({Fixture("errors.js"), "--timeout", "0"}).code, 1);
    Outcome r = host.Start({host.Dir() / "missing.js"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "cannot read")) << r.err;
}

TEST_F(HostScript, APageUrlIsTheMerchantsSiteAtTheMpi) {
    if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the authentication dialog needs a display";
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    mpi.SetAcsAutoSubmitPause(0);
    std::string script = host.Dir() / "pay.js";
    std::string text;
    ASSERT_TRUE(hosttest::ReadFile(Fixture("pay.js"), &text));
    hosttest::WriteText(script, "var WAIT_URL = \"" + mpi.WaitUrl() + "\", ENROLL_URL = \"" + mpi.EnrollUrl() +
                                    "\";\n" + text);
    Outcome r = host.Start({script, "--page-url", "https://Shop.Example:8443/cart/pay.html?order=7"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "rc=0 Code2=A Eci=06\n");
    auto enrollments = mpi.Enrollments();
    ASSERT_EQ(enrollments.size(), 1u);
    EXPECT_EQ(sandbox::FormValue(enrollments[0].fields, "mall_url"), "https://Shop.Example");
    EXPECT_TRUE(Has(r.err, "module unloaded")) << r.err;
}

TEST_F(HostScript, HelpAndVersionOnStdoutAndAnUnknownOptionIsAnError) {
    Outcome r = host.Start({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("usage: vemompi-host ", 0), 0u) << r.out;
    EXPECT_TRUE(Has(r.out, "--cardholder FILE.js")) << r.out;
    EXPECT_EQ(r.err, "");
    r = host.Start({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "vemompi-host 1.0\n") << "the module's version";
    r = host.Start({Fixture("errors.js"), "--frobnicate"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("vemompi-host: unknown option --frobnicate\nusage: vemompi-host ", 0), 0u) << r.err;
}

TEST_F(HostScript, ConsoleAsShellsHaveItAndExitIsNotCaught) {
    std::string script = host.Dir() / "console.js";
    hosttest::WriteText(script,
                        "console.log('log', 1); console.info('info'); console.debug('debug');\n"
                        "console.warn('warn'); console.error('error', {});\n"
                        "try { exit(6); } catch (e) { print('caught'); } finally { print('finally'); }\n"
                        "print('after');\n");
    Outcome r = host.Start({script});
    EXPECT_EQ(r.code, 6) << r.err;
    EXPECT_EQ(r.out, "log 1\ninfo\ndebug\n");
    EXPECT_TRUE(Has(r.err, "warn\nerror [object Object]\n")) << r.err;
    hosttest::WriteText(script, "var c = new ActiveXObject('VEMOMPIOCX.VemoMPIOCXCtrl.1');\n"
                                "try { WScript.Quit(9); } catch (e) { print('caught'); }\nprint('after');\n");
    r = host.Start({script});
    EXPECT_EQ(r.code, 9) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, "1 control(s) released at the end of the script; module unloaded")) << r.err;
}

TEST_F(HostScript, AControlThatCannotBeCreatedIsExplained) {
    std::string script = host.Dir() / "create.js";
    hosttest::WriteText(script, "try { new ActiveXObject(NAME); print('created'); } catch (e) { print(e.message); }\n");
    auto run = [&](const std::string& name, const std::vector<std::string>& env) {
        hosttest::WriteText(script, "var NAME = '" + name + "';\ntry { new ActiveXObject(NAME); print('created'); }"
                                    " catch (e) { print(e.message); }\n");
        return host.Start({script}, 60, env);
    };
    const std::string progid = "VEMOMPIOCX.VemoMPIOCXCtrl.1";
    const std::string cannot = "Automation server can't create object\n";

    // A ProgID the registry file does not hold.
    Outcome r = run("No.Such.Control.1", {});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "vemompi-host: cannot create \"No.Such.Control.1\": the ProgID is not in the registry "
                           "file " + host.Dir() / "registry.reg" + " (register the module with vemompi-regsvr)"))
        << r.err;

    // A registry file that is not there, named or by default.
    r = run(progid, {"VEMOMPI_REGISTRY=" + host.Dir() / "missing.reg"});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the registry file " + host.Dir() / "missing.reg" + " does not exist")) << r.err;
    r = run(progid, {"VEMOMPI_REGISTRY=", "XDG_CONFIG_HOME=" + host.Dir() / "config"});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the registry file " + host.Dir() / "config/vemompi/registry.reg" + " does not exist"))
        << r.err;

    // A file that is not a registry file.
    hosttest::WriteText(host.Dir() / "broken.reg", "[HKEY_CLASSES_ROOT\\VEMOMPIOCX.VemoMPIOCXCtrl.1\\CLSID\n@=\"{\n");
    r = run(progid, {"VEMOMPI_REGISTRY=" + host.Dir() / "broken.reg"});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the registry file " + host.Dir() / "broken.reg" + " is not a registry file")) << r.err;

    // The module moved away after its registration, or not loadable.
    std::string copy = host.Dir() / "moved.so", text;
    ASSERT_TRUE(hosttest::ReadFile(VEMOMPI_MODULE, &text));
    { std::ofstream(copy, std::ios::binary) << text; }
    std::string env = "VEMOMPI_REGISTRY=" + host.Dir() / "moved.reg";
    ASSERT_EQ(hosttest::RunProcess({VEMOMPI_REGSVR, copy}, {env}, 30).code, 0);
    std::remove(copy.c_str());
    r = run(progid, {env});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the module " + copy + " registered for {1176C766-9B4C-47B6-AE82-724A7FE6D23B} is missing"))
        << r.err;
    hosttest::WriteText(copy, "not a shared object\n");
    r = run(progid, {env});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the module " + copy + " does not load: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "moved.so: ")) << "the loader's own reason: " << r.err;

    // A control that will not say it is safe for scripting.
    ASSERT_TRUE(host.Register(VEMOMPI_UNSAFE_MODULE));
    r = host.Start({Fixture("unsafe.js")});
    EXPECT_TRUE(Has(r.err, "does not declare itself safe for untrusted callers and data (IObjectSafety)")) << r.err;
    // A class its module does not serve: the class factory's refusal.
    r = run("VemoTest.Refused.1", {});
    EXPECT_EQ(r.out, cannot);
    EXPECT_TRUE(Has(r.err, "the class factory of {5A1E0C3D-7E2B-4C11-9B10-3F62D40A117E} in " +
                               std::string(VEMOMPI_UNSAFE_MODULE) + " refused with 0x80040111")) << r.err;
}
