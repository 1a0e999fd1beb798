// vemompi-host's script mode, run as users run it: a script with the
// control created by ProgID and called by name, the browser's error texts,
// the exit code, a control that is not safe for scripting, the page
// address the control reports, and the release of every control at the end.
#include <gtest/gtest.h>

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
