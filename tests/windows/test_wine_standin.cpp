// The stand-in WebBrowser control (build/windows/x64/VemoMPIStandInBrowser.dll)
// under Wine: regsvr32 and reg for its registration (the TreatAs under
// CLSID_WebBrowser, and CLSID_WebBrowser's key as Wine had it after /u), and
// vemompi-standin-driver.exe hosting CLSID_WebBrowser against servers on
// 127.0.0.1 that the tests start: the events in order with their arguments,
// Cancel, a POST's body and headers as the server got them, a redirect, the
// issuer page that posts on by itself, the password page filled by the
// tests' cardholder, an address that cannot be reached. Skips, with the
// reason, without wine64, the Windows build or a display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "sandbox/MpiSandbox.h"
#include "sandbox/WebServer.h"
#include "tests/host/host_run.h"
#include "tests/windows/wine_run.h"

using hosttest::Outcome;
using winetest::Prefix;

namespace {

const char kBrowserKey[] = "HKCR\\CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}";
const char kStandInKey[] = "HKCR\\CLSID\\{581963E0-AB9B-4BAA-B85D-F99CFC901024}";
const char kStandInClsid[] = "{581963E0-AB9B-4BAA-B85D-F99CFC901024}";
const char kFormHeaders[] = "Content-Type: application/x-www-form-urlencoded\\r\\n";

std::string Build(const char* file) {
    const char* dir = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return std::string(dir != nullptr && *dir != '\0' ? dir : VEMOMPI_WINDOWS_BUILD) + "/" + file;
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(winetest::Lines(text));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The lines that start with one of the events' names, in order.
std::vector<std::string> Events(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (const char* name : {"BeforeNavigate2 ", "NavigateComplete2 ", "TitleChange ", "DocumentComplete ",
                                 "NavigateError ", "Cancel", "Navigate2 returned", "Event "})
            if (l.rfind(name, 0) == 0) out.push_back(l);
    return out;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

class WineStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        if (winetest::Wine64().empty()) GTEST_SKIP() << "wine64 is not installed (Debian package wine64)";
        if (!winetest::IsFile(Build("VemoMPIStandInBrowser.dll")) || !winetest::IsFile(Build("vemompi-standin-driver.exe")))
            GTEST_SKIP() << Build("VemoMPIStandInBrowser.dll") << " or the driver is not built (scripts/build-windows.sh)";
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "the control's windows need a display (xvfb-run)";
        if (!Prefix::Get().Ready()) GTEST_SKIP() << "no Wine prefix: " << Prefix::Get().Error();
    }
    Outcome Regsvr32(bool unregister) {
        std::vector<std::string> args = {"regsvr32", "/s"};
        if (unregister) args.push_back("/u");
        args.push_back(winetest::WinePath(Build("VemoMPIStandInBrowser.dll")));
        return Prefix::Get().Run(args);
    }
    Outcome Reg(const std::string& key) { return Prefix::Get().Run({"reg", "query", key, "/s"}); }
    // The driver with these arguments, and extra environment.
    std::vector<std::string> Drive(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {winetest::Wine64(), Build("vemompi-standin-driver.exe")});
        std::vector<std::string> all = Prefix::Get().Env();
        all.insert(all.end(), env.begin(), env.end());
        Outcome r = winetest::RunWine(args, all, 120);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        return LinesOf(r.out);
    }
};

// Registered for the test, unregistered after it.
class WineStandInRegistered : public WineStandIn {
protected:
    void SetUp() override {
        WineStandIn::SetUp();
        if (IsSkipped()) return;
        Outcome r = Regsvr32(false);
        ASSERT_EQ(r.code, 0) << r.out << r.err;
    }
    void TearDown() override {
        if (!IsSkipped()) Regsvr32(true);
    }
};

}  // namespace

TEST_F(WineStandIn, RegistrationTreatsTheWebBrowserAsTheStandInAndUnregistrationLeavesWinesKey) {
    Regsvr32(true);  // a clean prefix whatever ran before
    Outcome before = Reg(kBrowserKey);
    ASSERT_EQ(before.code, 0) << "Wine registers CLSID_WebBrowser: " << before.err;

    ASSERT_EQ(Regsvr32(false).code, 0);
    Outcome r = Reg(std::string(kBrowserKey) + "\\TreatAs");
    ASSERT_EQ(r.code, 0) << r.err;
    winetest::Keys keys = winetest::ParseRegQuery(r.out);
    EXPECT_EQ(keys[std::string("HKEY_CLASSES_ROOT\\CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}\\TreatAs")]["(Default)"],
              kStandInClsid)
        << r.out;
    r = Reg(kStandInKey);
    ASSERT_EQ(r.code, 0) << r.err;
    keys = winetest::ParseRegQuery(r.out);
    winetest::Values server = keys[std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kStandInClsid + "\\InprocServer32"];
    EXPECT_NE(winetest::Lower(server["(Default)"]).find("vemompistandinbrowser.dll"), std::string::npos) << r.out;
    EXPECT_EQ(server["ThreadingModel"], "Apartment");

    ASSERT_EQ(Regsvr32(true).code, 0);
    EXPECT_NE(Reg(std::string(kBrowserKey) + "\\TreatAs").code, 0) << "the TreatAs stays";
    EXPECT_NE(Reg(kStandInKey).code, 0) << "the stand-in's key stays";
    Outcome after = Reg(kBrowserKey);
    EXPECT_EQ(winetest::Lines(after.out), winetest::Lines(before.out)) << "CLSID_WebBrowser's key is not as Wine had it";
}

TEST_F(WineStandInRegistered, AGetFiresTheBrowsersEventsInOrderAndTheDocumentHoldsThePage) {
    const std::string page = "<html><head><title>First &amp; page</title></head><body><p>caf\xE9</p></body></html>";
    sandbox::WebServer server([&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.body = page;
        return r;
    });
    std::string url = server.Url("/page?x=1");
    std::vector<std::string> lines = Drive({url});
    std::string all = Joined(lines);
    ASSERT_GE(lines.size(), 3u) << all;
    EXPECT_EQ(lines[0], std::string("TreatAs ") + kStandInClsid);
    EXPECT_EQ(lines[1], "Served by VemoMPIStandInBrowser.dll");
    EXPECT_EQ(lines[2], "DoVerb ok activated child-of-site");
    // BeforeNavigate2 inside the call, the rest from the control's messages.
    std::vector<std::string> expected = {
        "BeforeNavigate2 pDisp=browser url=bstr:" + url + " flags=i4:0 target=bstr: post=empty headers=bstr:",
        "Navigate2 returned 0x00000000 after 1 event(s)",
        "NavigateComplete2 pDisp=browser url=bstr:" + url,
        "TitleChange bstr:First & page",
        "DocumentComplete pDisp=browser url=bstr:" + url,
    };
    EXPECT_EQ(Events(lines), expected) << all;
    // The page's text as it came (windows-1252), its title and address.
    EXPECT_NE(all.find("Document title=First & page url=" + url + "\n"), std::string::npos) << all;
    EXPECT_NE(all.find("outerHTML <html><head><title>First &amp; page</title></head><body><p>caf\xC3\xA9</p></body></html>\n"),
              std::string::npos)
        << all;
    EXPECT_EQ(lines.back(), "Closed deactivated");
    std::vector<sandbox::HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/page?x=1");
}

TEST_F(WineStandInRegistered, APostCarriesItsBodyAndHeadersAndCancelStopsANavigation) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.body = "<html><head><title>Posted</title></head><body></body></html>";
        return r;
    });
    std::string url = server.Url("/post");
    std::string headers = std::string(kFormHeaders) + "X-Test: one two\\r\\n";
    std::vector<std::string> lines = Drive({url, "--post", "PaReq=a%2Bb&TermUrl=x&MD=m+1", "--headers", headers});
    std::vector<std::string> events = Events(lines);
    ASSERT_GE(events.size(), 1u) << Joined(lines);
    EXPECT_EQ(events[0], "BeforeNavigate2 pDisp=browser url=bstr:" + url +
                             " flags=i4:0 target=bstr: post=bytes:PaReq=a%2Bb&TermUrl=x&MD=m+1 headers=bstr:" + headers);
    std::vector<sandbox::HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << Joined(lines);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "PaReq=a%2Bb&TermUrl=x&MD=m+1");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("X-Test"), "one two");

    // Cancelled in BeforeNavigate2: nothing is fetched, nothing follows.
    lines = Drive({server.Url("/cancelled"), "--cancel", "1"});
    std::vector<std::string> expected = {
        "BeforeNavigate2 pDisp=browser url=bstr:" + server.Url("/cancelled") + " flags=i4:0 target=bstr: post=empty headers=bstr:",
        "Cancel", "Navigate2 returned 0x00000000 after 1 event(s)"};
    EXPECT_EQ(Events(lines), expected) << Joined(lines);
    EXPECT_EQ(server.Requests().size(), 1u) << "a cancelled navigation reached the server";
}

TEST_F(WineStandInRegistered, ARedirectIsFollowedAndTheEventsNameWhereItEnded) {
    sandbox::WebServer server;
    server.Route("/moved", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.status = 302;
        r.location = server.Url("/here");
        return r;
    });
    server.Route("/here", [](const sandbox::HttpRequest&) {
        sandbox::HttpResponse r;
        r.body = "<html><head><title>Here</title></head></html>";
        return r;
    });
    std::vector<std::string> lines = Drive({server.Url("/moved")});
    std::vector<std::string> events = Events(lines);
    ASSERT_EQ(events.size(), 5u) << Joined(lines);
    EXPECT_EQ(events[0].find("BeforeNavigate2 pDisp=browser url=bstr:" + server.Url("/moved") + " "), 0u);
    EXPECT_EQ(events[2], "NavigateComplete2 pDisp=browser url=bstr:" + server.Url("/here"));
    EXPECT_EQ(events[4], "DocumentComplete pDisp=browser url=bstr:" + server.Url("/here"));
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].target, "/here");
}

TEST_F(WineStandInRegistered, TheIssuerPageThatPostsOnByItselfIsFollowedToTheResultPage) {
    sandbox::MpiSandbox mpi;
    mpi.SetAcsAutoSubmit(true);
    mpi.SetAcsAutoSubmitPause(200);  // inside setTimeout, as issuer pages do
    // The term address as it is: the sandbox reads ':' and '/' unencoded.
    std::string post = "PaReq=eJwz&TermUrl=" + mpi.TermUrl() + "&MD=md%26one";
    std::vector<std::string> lines = Drive({mpi.AcsUrl(), "--post", post, "--headers", kFormHeaders, "--documents", "2"});
    std::vector<std::string> events = Events(lines);
    std::string all = Joined(lines);
    ASSERT_EQ(events.size(), 9u) << all;
    EXPECT_EQ(events[3], "TitleChange bstr:Issuer Authentication");
    EXPECT_EQ(events[4], "DocumentComplete pDisp=browser url=bstr:" + mpi.AcsUrl());
    // The form as the page holds it, posted as a browser posts a form.
    EXPECT_EQ(events[5], "BeforeNavigate2 pDisp=browser url=bstr:" + mpi.TermUrl() +
                             " flags=i4:0 target=bstr: post=bytes:pw=&PaRes=eJwzMDQwMjE1AAAGUgGT&MD=md%26one headers=bstr:" +
                             kFormHeaders);
    EXPECT_EQ(events[6], "NavigateComplete2 pDisp=browser url=bstr:" + mpi.TermUrl());
    EXPECT_EQ(events[7], "TitleChange bstr:3-D Secure result");
    EXPECT_EQ(events[8], "DocumentComplete pDisp=browser url=bstr:" + mpi.TermUrl());
    EXPECT_NE(all.find("outerHTML <html><head><title>3-D Secure result</title></head><body><div id=\"result\">"),
              std::string::npos)
        << all;
    ASSERT_EQ(mpi.AcsPosts().size(), 1u);
    EXPECT_EQ(sandbox::FormValue(mpi.AcsPosts()[0], "MD"), "md&one");
    ASSERT_EQ(mpi.TermPosts().size(), 1u);
    EXPECT_EQ(sandbox::FormValue(mpi.TermPosts()[0], "MD"), "md&one");
    EXPECT_EQ(sandbox::FormValue(mpi.TermPosts()[0], "PaRes"), "eJwzMDQwMjE1AAAGUgGT");
}

TEST_F(WineStandInRegistered, ThePasswordPageIsFilledAndSubmittedByTheTestsCardholder) {
    sandbox::MpiSandbox mpi;
    mpi.SetAcsAutoSubmit(false);
    std::string post = "PaReq=eJwz&TermUrl=" + mpi.TermUrl() + "&MD=md2";
    std::vector<std::string> lines = Drive({mpi.AcsUrl(), "--post", post, "--headers", kFormHeaders, "--documents", "2"},
                                           {"VEMOMPI_STANDIN_FILL=pw=1234"});
    ASSERT_EQ(mpi.TermPosts().size(), 1u) << Joined(lines);
    EXPECT_EQ(sandbox::FormValue(mpi.TermPosts()[0], "pw"), "1234");
    EXPECT_EQ(sandbox::FormValue(mpi.TermPosts()[0], "MD"), "md2");
}

TEST_F(WineStandInRegistered, AnAddressThatCannotBeReachedEndsInTheErrorPageNotAWebPage) {
    std::string url;
    {
        sandbox::WebServer gone;
        url = gone.Url("/nothing");
    }
    std::vector<std::string> lines = Drive({url});
    std::vector<std::string> events = Events(lines);
    std::string all = Joined(lines);
    ASSERT_EQ(events.size(), 6u) << all;
    EXPECT_EQ(events[2].find("NavigateError url=bstr:" + url + " status=i4:"), 0u) << all;
    EXPECT_EQ(events[5], "DocumentComplete pDisp=browser url=bstr:" + url);
    EXPECT_NE(all.find("Document title=This page can't be displayed url=res://"), std::string::npos) << all;
}
