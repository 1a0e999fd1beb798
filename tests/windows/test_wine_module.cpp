// The Windows module (build/windows/x64/VemoMPIOCX.ocx) under Wine, driven
// by the real tools: regsvr32 and reg for its registration, and cscript
// running the scripts of tests/windows/, which reach the control by ProgID
// and call it by name as a page does. Each script also runs under
// vemompi-host with the Linux module, against the same sandbox: the two
// outputs, and the requests that the sandbox received, must be the same.
// Skips, with the reason, without wine64, the Windows module or a display.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sandbox/MpiSandbox.h"
#include "tests/host/host_run.h"
#include "tests/windows/wine_run.h"

using hosttest::Outcome;
using winetest::Keys;
using winetest::Prefix;

namespace {

const char kProgId[] = "VEMOMPIOCX.VemoMPIOCXCtrl.1";
const char kPageName[] = "VemoMPIOCX Property Page";

std::string WindowsModule() {
    const char* dir = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return std::string(dir != nullptr && *dir != '\0' ? dir : VEMOMPI_WINDOWS_BUILD) + "/VemoMPIOCX.ocx";
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Where two texts that should be the same part, without showing them (the
// requests carry sealed card data).
std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at " +
           std::to_string(i);
}

// Without wine64 no test here can run; without the harness's own prefix
// neither.
class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (winetest::Wine64().empty()) GTEST_SKIP() << "wine64 is not installed (Debian package wine64)";
        if (!Prefix::Get().Ready()) GTEST_SKIP() << "no Wine prefix: " << Prefix::Get().Error();
    }
    // The script with its inputs set before it, in a file of the test's own.
    std::string Script(const std::string& name, const std::string& prelude) {
        std::string text;
        EXPECT_TRUE(hosttest::ReadFile(std::string(VEMOMPI_WINDOWS_SCRIPTS) + "/" + name, &text)) << name;
        std::string path = dir / name;
        hosttest::WriteText(path, prelude + text);
        return path;
    }
    Outcome Cscript(const std::string& script) {
        return Prefix::Get().Run({"cscript", "//nologo", winetest::WinePath(script)}, 120);
    }
    TempDir dir;
};

// The Windows module registered in the prefix, and the Linux one in a
// registry of the test's own, for the scripts.
class WineModule : public WineTest {
protected:
    void SetUp() override {
        WineTest::SetUp();
        if (IsSkipped()) return;
        if (!winetest::IsFile(WindowsModule()))
            GTEST_SKIP() << WindowsModule() << " is not built (scripts/build-windows.sh builds it)";
        Outcome r = Prefix::Get().Run({"regsvr32", "/s", winetest::WinePath(WindowsModule())});
        ASSERT_EQ(r.code, 0) << "regsvr32 " << WindowsModule() << ": " << r.out << r.err;
    }
    // The same script under both builds; the outputs must be the same.
    void RunBoth(const std::string& script, std::string* linuxOut) {
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the control's windows need a display (xvfb-run)";
        ASSERT_TRUE(host.Registered());
        Outcome lin = host.Start({script, "--timeout", "100"}, 120);
        ASSERT_EQ(lin.code, 0) << "vemompi-host: " << lin.out << lin.err;
        Outcome win = Cscript(script);
        EXPECT_EQ(win.code, 0) << "cscript: " << win.err;
        EXPECT_EQ(winetest::Lines(win.out), lin.out) << "the Windows build answers otherwise than the Linux one";
        *linuxOut = lin.out;
    }
    hosttest::Host host;
};

// The module with a browser that shows pages: Wine has no HTML engine here,
// so the stand-in control of the tests (VemoMPIStandInBrowser.dll) answers
// for the system's WebBrowser for the test's length (its TreatAs).
class WineModuleWithBrowser : public WineModule {
protected:
    void SetUp() override {
        WineModule::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!winetest::IsFile(StandIn()))
            GTEST_SKIP() << StandIn() << " is not built (scripts/build-windows.sh builds it)";
        Outcome r = Prefix::Get().Run({"regsvr32", "/s", winetest::WinePath(StandIn())});
        ASSERT_EQ(r.code, 0) << "regsvr32 " << StandIn() << ": " << r.out << r.err;
        registered_ = true;
    }
    void TearDown() override {
        if (registered_) Prefix::Get().Run({"regsvr32", "/s", "/u", winetest::WinePath(StandIn())});
        WineModule::TearDown();
    }
    // acs_cards.js for these cards ("[name, number], ...").
    std::string AcsScript(const sandbox::MpiSandbox& mpi, const std::string& cards) {
        return Script("acs_cards.js", "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() +
                                          "\", CARDS = [" + cards + "];\n");
    }
    static std::string StandIn() {
        std::string module = WindowsModule();
        return module.substr(0, module.rfind('/')) + "/VemoMPIStandInBrowser.dll";
    }
    bool registered_ = false;
};

}  // namespace

TEST_F(WineTest, CscriptRunsAScriptThatReachesTheSandboxThroughWinInet) {
    sandbox::MpiSandbox mpi;
    std::string script = Script("wininet_probe.js", "var REPORT_URL = \"" + mpi.ReportUrl() + "\";\n");
    Outcome r = Cscript(script);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(winetest::Lines(r.out), "MSXML2.XMLHTTP status=200\nWinHttp.WinHttpRequest.5.1 status=200\n") << r.err;
    std::vector<sandbox::Report> reports = mpi.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].body, "data1=1&data2=probe&data3=&ParamEnd=End");
    EXPECT_EQ(reports[1].data[0], "2");
}

TEST_F(WineTest, RegQueryIsReadBackAndRegsvr32FailsForAMissingModule) {
    Outcome r = Prefix::Get().Run({"reg", "query", "HKCR\\MSXML2.XMLHTTP", "/s"});
    ASSERT_EQ(r.code, 0) << r.err;
    Keys keys = winetest::ParseRegQuery(r.out);
    EXPECT_EQ(keys["HKEY_CLASSES_ROOT\\MSXML2.XMLHTTP"]["(Default)"], "XML HTTP") << r.out;
    std::string clsid = keys["HKEY_CLASSES_ROOT\\MSXML2.XMLHTTP\\CLSID"]["(Default)"];
    ASSERT_EQ(clsid.size(), 38u) << r.out;
    // Its class's keys, by names in another case than Wine wrote them.
    r = Prefix::Get().Run({"reg", "query", "HKCR\\CLSID\\" + clsid, "/s"});
    ASSERT_EQ(r.code, 0) << r.err;
    keys = winetest::ParseRegQuery(r.out);
    std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    EXPECT_EQ(keys[key + "\\INPROCSERVER32"]["threadingmodel"], "Apartment") << r.out;
    EXPECT_EQ(winetest::Lower(keys[key + "\\ProgID"]["(Default)"]), "msxml2.xmlhttp") << r.out;
    EXPECT_NE(Prefix::Get().Run({"reg", "query", "HKCR\\VEMOMPIOCX.NoSuchClass.1"}).code, 0);
    EXPECT_NE(Prefix::Get().Run({"regsvr32", "/s", winetest::WinePath(dir / "missing.ocx")}).code, 0);
}

TEST_F(WineModule, RegistrationWritesTheClassAndUnregistrationRemovesIt) {
    Prefix& wine = Prefix::Get();
    Outcome r = wine.Run({"reg", "query", std::string("HKCR\\") + kProgId, "/s"});
    ASSERT_EQ(r.code, 0) << "the ProgID is not registered: " << r.out;
    Keys progId = winetest::ParseRegQuery(r.out);
    std::string clsid = progId[std::string("HKEY_CLASSES_ROOT\\") + kProgId + "\\CLSID"]["(Default)"];
    ASSERT_EQ(clsid.size(), 38u) << r.out;

    std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    r = wine.Run({"reg", "query", "HKCR\\CLSID\\" + clsid, "/s"});
    ASSERT_EQ(r.code, 0) << r.out;
    Keys cls = winetest::ParseRegQuery(r.out);
    EXPECT_EQ(cls[key]["(Default)"], "VemoMPIOCX Control");
    std::string server = cls[key + "\\InprocServer32"]["(Default)"];
    EXPECT_TRUE(Has(winetest::Lower(server), "vemompiocx.ocx")) << server;
    EXPECT_EQ(cls[key + "\\InprocServer32"]["ThreadingModel"], "Apartment");
    EXPECT_EQ(cls[key + "\\ProgID"]["(Default)"], kProgId);
    EXPECT_EQ(cls[key + "\\MiscStatus"]["(Default)"], "0");
    EXPECT_EQ(cls[key + "\\MiscStatus\\1"]["(Default)"], "131473") << "0x20191";
    EXPECT_TRUE(Has(winetest::Lower(cls[key + "\\ToolboxBitmap32"]["(Default)"]), "vemompiocx.ocx, 1")) << r.out;
    EXPECT_EQ(progId[std::string("HKEY_CLASSES_ROOT\\") + kProgId]["(Default)"], "VemoMPIOCX Control");
    EXPECT_TRUE(cls.count(key + "\\Control")) << "marked as a control";
    EXPECT_FALSE(cls.count(key + "\\Insertable")) << "not insertable";
    EXPECT_EQ(cls[key + "\\Version"]["(Default)"], "1.0");
    std::string typeLib = cls[key + "\\TypeLib"]["(Default)"];
    ASSERT_EQ(typeLib.size(), 38u) << r.out;
    // Component categories are not asked for (the control declares its
    // safety through IObjectSafety); shown when the module writes some.
    std::string categories = key + "\\Implemented Categories\\";
    for (const auto& [k, values] : cls)
        if (k.size() > categories.size() && winetest::Lower(k.substr(0, categories.size())) == winetest::Lower(categories))
            std::printf("the module registers the category %s\n", k.substr(categories.size()).c_str());

    r = wine.Run({"reg", "query", "HKCR\\TypeLib\\" + typeLib + "\\1.0", "/s"});
    EXPECT_EQ(r.code, 0) << "the type library 1.0 is not registered: " << r.out;
    EXPECT_EQ(winetest::ParseRegQuery(r.out)["HKEY_CLASSES_ROOT\\TypeLib\\" + typeLib + "\\1.0"]["(Default)"],
              "VemoMPIOCX ActiveX Control module");
    EXPECT_TRUE(Has(winetest::Lower(r.out), "vemompiocx.ocx")) << r.out;

    // The property page: registered by class identifier and type name.
    r = wine.Run({"reg", "query", "HKCR\\CLSID", "/s"}, 120);
    ASSERT_EQ(r.code, 0);
    Keys all = winetest::ParseRegQuery(r.out);
    std::string page;
    for (const auto& [k, values] : all) {
        auto v = values.find("(Default)");
        if (v != values.end() && v->second == kPageName) page = k;
    }
    ASSERT_FALSE(page.empty()) << "no class named \"" << kPageName << "\"";
    EXPECT_FALSE(all[page + "\\InprocServer32"].count("ThreadingModel")) << "the page names no threading model";

    // Registering again succeeds; unregistering removes the class, its
    // ProgID, the page and the type library.
    EXPECT_EQ(wine.Run({"regsvr32", "/s", winetest::WinePath(WindowsModule())}).code, 0);
    EXPECT_EQ(wine.Run({"regsvr32", "/u", "/s", winetest::WinePath(WindowsModule())}).code, 0);
    EXPECT_NE(wine.Run({"reg", "query", std::string("HKCR\\") + kProgId}).code, 0) << "the ProgID is left";
    EXPECT_NE(wine.Run({"reg", "query", "HKCR\\CLSID\\" + clsid}).code, 0) << "the class is left";
    std::string pageClsid = page.substr(page.rfind('\\') + 1);
    EXPECT_NE(wine.Run({"reg", "query", "HKCR\\CLSID\\" + pageClsid}).code, 0) << "the property page is left";
    EXPECT_NE(wine.Run({"reg", "query", "HKCR\\TypeLib\\" + typeLib}).code, 0) << "the type library is left";
}

TEST_F(WineModule, EveryMemberAnswersAsOnLinux) {
    std::string out;
    RunBoth(Script("members.js", ""), &out);
    if (IsSkipped() || HasFatalFailure()) return;
    // The answers themselves (the Linux tests pin each one; a few here so
    // that two equally wrong outputs do not pass).
    EXPECT_TRUE(Has(out, "new Code1=[]\nput Code1=[v-Code1]\n")) << out;
    EXPECT_TRUE(Has(out, "ansi Msg2=99,97,102,233,32,252\n")) << out;
    EXPECT_TRUE(Has(out, "SetExtraParams 1023=0\nSetExtraParams 1024=-1\n")) << out;
    EXPECT_TRUE(Has(out, "NoSuchMember=threw\n")) << out;
}

TEST_F(WineModule, AReportFallsBackFromTheSocketToWinInetAsOnLinux) {
    sandbox::MpiSandbox mpi;
    std::string script = Script("report.js", "var REPORT_URL = \"" + mpi.ReportUrl() + "\";\n");
    // The first request, the socket attempt's, gets 404: WinINet posts again.
    mpi.SetReportStatuses({404});
    ASSERT_TRUE(host.Registered());
    if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the report dialog needs a display (xvfb-run)";
    Outcome lin = host.Start({script, "--timeout", "100"}, 120);
    ASSERT_EQ(lin.code, 0) << lin.out << lin.err;
    EXPECT_EQ(lin.out, "plain=0\nsealed=0\ntoo long=0\ndata1=[]\n");
    std::vector<sandbox::Report> onLinux = mpi.Reports();
    ASSERT_EQ(onLinux.size(), 3u) << "socket (404), WinINet, then the sealed report over the socket";

    mpi.SetReportStatuses({404});
    Outcome win = Cscript(script);
    EXPECT_EQ(win.code, 0) << win.err;
    EXPECT_EQ(winetest::Lines(win.out), lin.out);
    std::vector<sandbox::Report> all = mpi.Reports();
    ASSERT_EQ(all.size(), 6u) << "the Windows build posted otherwise";
    // The bodies exactly as on Linux. The headers are not compared: Wine's
    // WinINet sends its request headers in another order than Windows does.
    std::printf("under Wine: the reports' request headers are not compared (Wine's WinINet orders them otherwise)\n");
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(all[3 + i].body, onLinux[i].body) << "request " << i;
        for (int p = 0; p < 3; ++p) {
            EXPECT_EQ(all[3 + i].data[p], onLinux[i].data[p]) << "request " << i << " parameter " << p + 1;
            EXPECT_EQ(all[3 + i].sealed[p], onLinux[i].sealed[p]) << "request " << i << " parameter " << p + 1;
        }
    }
    EXPECT_TRUE(onLinux[2].sealed[0]);
    EXPECT_EQ(onLinux[2].data[2], "line\r\nbreak");
}

TEST_F(WineModule, GetPAReq2RefusesBadArgumentsAsOnLinux) {
    sandbox::MpiSandbox mpi;
    std::string out;
    RunBoth(Script("pareq_checks.js", "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\";\n"), &out);
    if (IsSkipped() || HasFatalFailure()) return;
    EXPECT_TRUE(mpi.Enrollments().empty()) << "a refused argument sends nothing";
    size_t lines = 0;
    for (size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at + 1)) ++lines;
    EXPECT_EQ(lines, 10u) << out;
    EXPECT_TRUE(Has(out, "month of 3: rc=11005 Code1=[] Msg1=[Error : Input Parameter invalid]\n")) << out;
}

TEST_F(WineModule, TheMpiRefusesTheEnrollmentAsOnLinux) {
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    std::string script =
        Script("refusal.js", "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() + "\";\n");
    std::string out;
    RunBoth(script, &out);
    if (IsSkipped() || HasFatalFailure()) return;
    EXPECT_TRUE(Has(out, "socket: rc=31 Code1=[31] Msg1=[Card not enrolled]")) << out;
    EXPECT_TRUE(Has(out, "wininet: rc=31 Code1=[31] Msg1=[Card not enrolled]")) << out;
    // The requests: Linux's two (socket, WinINet), then the Windows build's.
    std::vector<sandbox::EnrollmentRequest> e = mpi.Enrollments();
    ASSERT_EQ(e.size(), 4u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(e[i].sealed && e[i + 2].sealed) << i;
        EXPECT_EQ(e[i + 2].error, "") << i;
        EXPECT_TRUE(e[i + 2].body == e[i].body) << "request " << i << ": " << FirstDifference(e[i + 2].body, e[i].body);
        EXPECT_TRUE(e[i + 2].fields == e[i].fields) << "request " << i;
    }
}

TEST_F(WineModule, ExchangesThatFailBeforeTheAcsEndAsOnLinux) {
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    std::string script = Script("exchange_failures.js",
                                "var ENROLL_URL = \"" + mpi.EnrollUrl() + "\", WAIT_URL = \"" + mpi.WaitUrl() + "\";\n");
    std::string out;
    RunBoth(script, &out);
    if (IsSkipped() || HasFatalFailure()) return;
    EXPECT_TRUE(Has(out, "broken-body socket: rc=11003 ")) << out;
    EXPECT_TRUE(Has(out, "broken-body wininet: rc=11003 ")) << out;
    EXPECT_TRUE(Has(out, "mpi-error socket: rc=11004 ")) << out;
    EXPECT_TRUE(Has(out, "mpi-error wininet: rc=11002 ")) << out;
    EXPECT_TRUE(Has(out, "late socket: rc=11001 ")) << out;
    EXPECT_TRUE(Has(out, "late wininet: rc=11001 ")) << out;
}

// Through the issuer's ACS in both dialogs: the hand-off, the browser's
// events and the capture of the result page, as on Linux.
TEST_F(WineModuleWithBrowser, AuthenticationsThroughTheAcsEndAsOnLinux) {
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    std::string script = AcsScript(mpi, "[\"attempts\", \"4000000000000028\"], [\"no-record\", \"4000000000000093\"]");
    std::string out;
    RunBoth(script, &out);
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* dialog : {"skinned", "plain"}) {
        EXPECT_TRUE(Has(out, std::string("attempts ") + dialog +
                                 ": rc=0 Code2=[A] Eci=[06] Cavv=[AAABBJAgdQAAAAAAAAAAAAAAAAA=] Md=[md-attempts-#] "
                                 "json=[{\"status\":\"A\",\"eci\":\"06\"}]"))
            << out;
        EXPECT_TRUE(Has(out, std::string("no-record ") + dialog + ": rc=12004 Code2=[] ")) << out;
    }
}

// At an ACS that asks the cardholder, the stand-in browser types the
// password: the issuer's answer is captured in both dialogs.
TEST_F(WineModuleWithBrowser, TheCardholdersAnswerAtTheAcsIsCaptured) {
    sandbox::MpiSandbox mpi;
    mpi.UseTestCards(true);
    std::string script = AcsScript(mpi, "[\"password\", \"4000000000000010\"], [\"refused\", \"4000000000000036\"]");
    std::vector<std::string> env = Prefix::Get().Env();
    env.push_back("VEMOMPI_STANDIN_FILL=pw=1234");
    Outcome r = winetest::RunWine({winetest::Wine64(), "cscript", "//nologo", winetest::WinePath(script)}, env, 180);
    EXPECT_EQ(r.code, 0) << r.err;
    std::string out = winetest::Lines(r.out);
    for (const char* dialog : {"skinned", "plain"}) {
        EXPECT_TRUE(Has(out, std::string("password ") + dialog + ": rc=0 Code2=[Y] Eci=[05] Cavv=[")) << out;
        EXPECT_TRUE(Has(out, std::string("refused ") + dialog + ": rc=0 Code2=[N] Eci=[07] ")) << out;
        EXPECT_TRUE(Has(out, "json=[{")) << out;
    }
}

// Result pages the record cannot be read from end both dialogs by the
// failure's code, as on Linux.
TEST_F(WineModuleWithBrowser, ResultPagesWithoutAReadableRecordEndAsOnLinux) {
    sandbox::MpiSandbox mpi;
    mpi.SetAcsAutoSubmit(true);
    mpi.SetAcsAutoSubmitPause(0);
    std::string script = AcsScript(mpi, "[\"attempts\", \"4000000000000028\"]");
    const struct {
        const char* raw;
        const char* type;
        int code;
    } cases[] = {
        {"<r>short</r>", "application/xml", 12003},
        {"<html><body>Authentication finished without a record.</body></html>", "text/html", 12004},
        {"<html><body><div>('0','only two')</div></body></html>", "text/html", 12005},
    };
    for (const auto& k : cases) {
        sandbox::ResultPage page;
        page.raw = k.raw;
        page.contentType = k.type;
        mpi.SetResultPage(page);
        std::string out;
        RunBoth(script, &out);
        if (IsSkipped() || HasFatalFailure()) return;
        for (const char* dialog : {"skinned", "plain"})
            EXPECT_TRUE(Has(out, std::string("attempts ") + dialog + ": rc=" + std::to_string(k.code) + " Code2=[] "))
                << out;
    }
}
