// vemompi-host's page mode, run as users run it, under a display: checkout
// pages that create the control as an <object> element or with
// ActiveXObject and run whole authentications against the sandbox, in the
// skinned and in the plain dialog, with a report; pictures of the dialog;
// the same-origin rule for frames and navigation; the release of the
// page's controls when it goes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "sandbox/MpiSandbox.h"
#include "sandbox/WebServer.h"
#include "tests/host/host_run.h"

using hosttest::Fixture;
using hosttest::Host;
using hosttest::Outcome;

namespace {

const char kAttemptsCard[] = "4000000000000028";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
    return s;
}

// Width and height of a PNG file, or 0 x 0.
std::pair<int, int> PngSize(const std::string& path) {
    std::string data;
    if (!hosttest::ReadFile(path, &data) || data.size() < 24 || data.compare(1, 3, "PNG") != 0) return {0, 0};
    auto be = [&](size_t at) {
        return (static_cast<unsigned char>(data[at]) << 24) | (static_cast<unsigned char>(data[at + 1]) << 16) |
               (static_cast<unsigned char>(data[at + 2]) << 8) | static_cast<unsigned char>(data[at + 3]);
    };
    return {static_cast<int>(be(16)), static_cast<int>(be(20))};
}

class HostPage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "no display";
        ASSERT_TRUE(host.Registered());
        mpi.UseTestCards(true);
    }
    // The driver as a file of the test's directory.
    std::string Driver(const std::string& name, const std::string& source) {
        std::string path = host.Dir() / name;
        hosttest::WriteText(path, source);
        return path;
    }
    std::string PayCall(bool normal) {
        return "pay(\"" + mpi.EnrollUrl() + "\", \"" + mpi.WaitUrl() + "\", \"" + kAttemptsCard + "\", " +
               (normal ? "true" : "false") + ")";
    }
    Host host;
    sandbox::MpiSandbox mpi;
};

}  // namespace

TEST_F(HostPage, ObjectElementAndActiveXObjectRunAuthenticationsInBothDialogsAndAReport) {
    // The <object> page, with the skinned dialog by default.
    std::string shots = host.Dir() / "skinned";
    Outcome r = host.Start({Fixture("pay_object.html"), "--screenshots", shots, "--timeout", "60", "--driver",
                            Driver("skinned.js", "vemompiHost.log(" + PayCall(false) +
                                                     ");\nvemompiHost.screenshot('result');\nvemompiHost.exit(0);\n")});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "rc=0 Code1=0 Code2=A Eci=06 Cavv=AAABBJAgdQAAAAAAAAAAAAAAAAA= Md=md-attempts-")) << r.out;
    EXPECT_TRUE(Has(r.out, "screenshot " + shots + "/dialog-01.png\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "screenshot " + shots + "/result.png\n")) << r.out;
    auto skinned = PngSize(shots + "/dialog-01.png");
    EXPECT_GT(skinned.first, 0);
    EXPECT_EQ(PngSize(shots + "/result.png"), std::make_pair(1024, 768)) << "the host window";
    EXPECT_TRUE(Has(r.err, "1 control(s) released as the window closed; module unloaded")) << r.err;

    // The ActiveXObject page, with the plain dialog, then a report.
    shots = host.Dir() / "plain";
    r = host.Start({Fixture("pay_activex.html"), "--screenshots", shots, "--timeout", "60", "--driver",
                    Driver("plain.js", "vemompiHost.log(" + PayCall(true) + ");\nvemompiHost.log(report(\"" +
                                           mpi.ReportUrl() + "\"));\nvemompiHost.exit(0);\n")});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "rc=0 Code1=0 Code2=A Eci=06 Md=md-attempts-")) << r.out;
    EXPECT_TRUE(Has(r.out, "report=0\n")) << r.out;
    auto plain = PngSize(shots + "/dialog-01.png");
    EXPECT_GT(plain.first, 0);
    EXPECT_NE(plain, skinned) << "the plain dialog is not the skinned one";
    auto reports = mpi.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].data[0], "E100");
    EXPECT_EQ(mpi.Enrollments().size(), 2u);
    for (const auto& e : mpi.Enrollments()) EXPECT_EQ(sandbox::FormValue(e.fields, "mall_url"), "http://local-file.vemompi.example") << "pages from files";
}

TEST_F(HostPage, OnlyThePagesOwnOriginMayCreateControls) {
    sandbox::WebServer other([](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        hosttest::ReadFile(Fixture("frame_child.html"), &resp.body);
        resp.contentType = "text/html; charset=utf-8";
        return resp;
    });
    std::string top, child;  // before the server: it stops (and its handlers end) before they go
    sandbox::WebServer own;
    ASSERT_TRUE(hosttest::ReadFile(Fixture("frame_top.html"), &top));
    ASSERT_TRUE(hosttest::ReadFile(Fixture("frame_child.html"), &child));
    top = Replace(Replace(top, "{{SAME}}", own.Url("/child.html")), "{{OTHER}}", other.Url("/child.html"));
    own.Route("/top.html", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.body = top;
        resp.contentType = "text/html; charset=utf-8";
        return resp;
    });
    own.Route("/child.html", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.body = child;
        resp.contentType = "text/html; charset=utf-8";
        return resp;
    });
    const char* driver =
        "(function wait() {\n"
        "  if (results.length < 3) return setTimeout(wait, 50);\n"
        "  results.sort().forEach(function (line) { vemompiHost.log(line); });\n"
        "  vemompiHost.exit(0);\n"
        "})();\n";
    Outcome r = host.Start({own.Url("/top.html"), "--timeout", "60", "--driver", Driver("frames.js", driver)});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    std::string ownHost = own.Url("/").substr(7), otherHost = other.Url("/").substr(7);
    ownHost.pop_back();
    otherHost.pop_back();
    EXPECT_TRUE(Has(r.out, ownHost + ": activex 0, object 0, element 0\n")) << r.out;
    // A frame of another origin gets no bridge at all: neither
    // ActiveXObject nor its <object> elements' controls.
    EXPECT_TRUE(Has(r.out, otherHost + ": activex Can't find variable: ActiveXObject, object Ctl.SetTimeOut is not a "
                                       "function")) << r.out;
    EXPECT_FALSE(Has(r.out, otherHost + ": activex 0")) << r.out;
    EXPECT_TRUE(Has(r.out, "element document.getElementById(\"Ctl\").SetTimeOut is not a function")) << r.out;
    EXPECT_TRUE(Has(r.out, "top: 0\n")) << r.out;
}

TEST_F(HostPage, NavigationReleasesThePagesControlsAndAnotherOriginGetsNone) {
    std::string start, next;
    sandbox::WebServer own, other;
    ASSERT_TRUE(hosttest::ReadFile(Fixture("nav_start.html"), &start));
    ASSERT_TRUE(hosttest::ReadFile(Fixture("nav_other.html"), &next));
    own.Route("/", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.body = start;
        return resp;
    });
    other.Route("/", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.body = next;
        return resp;
    });
    // Nothing ends the host after the driver's page went: its time-out does.
    Outcome r = host.Start({own.Url("/start.html"), "--timeout", "10", "--driver",
                            Driver("nav.js", "vemompiHost.log('created ' + typeof mpi.SetTimeOut);\nlocation.href = '" +
                                                 other.Url("/other.html") + "';\n")});
    EXPECT_EQ(r.code, 124) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "created function\n")) << r.out;
    EXPECT_TRUE(Has(r.err, "1 control(s) released by navigation; module unloaded")) << r.err;
    EXPECT_TRUE(Has(r.err, "/other.html:6: console.log: other origin: Can't find variable: ActiveXObject"))
        << "no bridge for the other origin, and the page's console on stderr with its line: " << r.err;
    EXPECT_TRUE(Has(r.err, "timed out after 10 s")) << r.err;
}

TEST_F(HostPage, ADriverErrorEndsTheHost) {
    Outcome r = host.Start({Fixture("pay_activex.html"), "--timeout", "60", "--driver",
                            Driver("bad.js", "vemompiHost.log('first');\nconsole.warn('second');\n\nmpi.NoSuchMethod();\n"
                                             "vemompiHost.exit(0);\n")});
    EXPECT_EQ(r.code, 3) << r.out << r.err;
    EXPECT_EQ(r.out, "first\n");
    // The driver's file and its own lines, in its errors and its console.
    EXPECT_TRUE(Has(r.err, "file://" + host.Dir() / "bad.js" + ":2: console.warn: second\n")) << r.err;
    EXPECT_TRUE(Has(r.err, "vemompi-host: driver: file://" + host.Dir() / "bad.js" + ":4:")) << r.err;
    EXPECT_TRUE(Has(r.err, "Object doesn't support this property or method")) << r.err;
}

TEST_F(HostPage, APageCannotReachTheDriversBindings) {
    const char* driver =
        "vemompiHost.log('driver ran');\n"
        "setTimeout(function () { vemompiHost.log('driver ends'); vemompiHost.exit(0); }, 2500);\n";
    Outcome r = host.Start({Fixture("hostile.html"), "--driver", Driver("calm.js", driver)});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "driver ran\ndriver ends\n");
    EXPECT_TRUE(Has(r.err, "console.log: hostile: seen 0; no global ReferenceError; nothing stolen; guess Permission "
                           "denied\n")) << r.err;
}

TEST_F(HostPage, AStartPageThatDoesNotLoadEndsTheHostBeforeTheDriver) {
    sandbox::WebServer server([](const sandbox::HttpRequest& req) {
        sandbox::HttpResponse resp;
        resp.status = req.target.rfind("/broken", 0) == 0 ? 500 : 404;
        resp.body = "<p>no</p>";
        return resp;
    });
    unsigned short refused = 0;
    {
        sandbox::WebServer gone;
        refused = gone.Port();
    }
    std::string driver = Driver("ran.js", "vemompiHost.log('driver ran');\nvemompiHost.exit(0);\n");
    struct Case {
        std::string url;
        std::string why;
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(refused) + "/shop.html", ""},
        {server.Url("/missing.html"), "HTTP status 404 Not Found"},
        {server.Url("/broken.html"), "HTTP status 500 Internal Server Error"},
        {"file://" + host.Dir() / "none.html", ""},
    };
    for (const auto& c : cases) {
        Outcome r = host.Start({c.url, "--driver", driver});
        EXPECT_EQ(r.code, 1) << c.url << r.out << r.err;
        EXPECT_EQ(r.out, "") << "the driver did not run";
        EXPECT_TRUE(Has(r.err, "vemompi-host: cannot load " + c.url + ": " + c.why)) << r.err;
    }
    Outcome r = host.Start({Fixture("pay_activex.html"), "--screenshots", "/dev/null/shots"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "vemompi-host: --screenshots: cannot make the folder /dev/null/shots: ")) << r.err;
}

TEST_F(HostPage, ANavigationThatNeverCommitsKeepsThePageAndItsControls) {
    std::string start;
    ASSERT_TRUE(hosttest::ReadFile(Fixture("nav_start.html"), &start));
    sandbox::WebServer own;
    own.Route("/start.html", [&](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.body = start;
        return resp;
    });
    own.Route("/nothing", [](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.status = 204;
        return resp;
    });
    own.Route("/card-data.bin", [](const sandbox::HttpRequest&) {
        sandbox::HttpResponse resp;
        resp.contentType = "application/octet-stream";
        resp.body = std::string(4096, 'x');
        return resp;
    });
    const char* driver =
        "location.href = '/nothing';\n"
        "setTimeout(function () {\n"
        "  vemompiHost.log('after 204: ' + mpi.SetTimeOut(4000));\n"
        "  location.href = '/card-data.bin';\n"
        "  setTimeout(function () {\n"
        "    vemompiHost.log('after a download: ' + mpi.SetTimeOut(3000));\n"
        "    vemompiHost.exit(0);\n"
        "  }, 1500);\n"
        "}, 1500);\n";
    std::string home = host.Dir() / "home";
    mkdir(home.c_str(), 0700);
    Outcome r = host.Start({own.Url("/start.html"), "--driver", Driver("stay.js", driver)}, 90,
                           {"HOME=" + home, "XDG_DOWNLOAD_DIR=" + home});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "after 204: 0\nafter a download: 0\n");
    EXPECT_TRUE(Has(r.err, "vemompi-host: download refused: " + own.Url("/card-data.bin"))) << r.err;
    EXPECT_FALSE(Has(r.err, "released by navigation")) << r.err;
    EXPECT_EQ(hosttest::RunProcess({"/usr/bin/find", home, "-name", "card-data*"}, {}, 30).out, "")
        << "nothing saved";
}
