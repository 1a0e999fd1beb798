// Only web pages in the browser of the dialogs: addresses of any scheme but
// http and https are refused by the browser (Navigate2, the page's own
// navigations, frames, redirects) and never read by the result capture.
// Real WebKitGTK under Xvfb, loopback servers started here.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "platform/browser/mshtml.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/MpiSandbox.h"
#include "sandbox/WebServer.h"
#include "tests/support/dispatch.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/tempdir.h"
#include "ui/CustomOccManager.h"
#include "ui/WebBrowser2.h"

using script::Call;

namespace {

// The text a captured page would have put into the control: it must never
// reach an event's document or the control.
const char kSecret[] = "SECRET-FILE-TEXT-4111111111111111";
const char kResultRecord[] = "<html><body>SECRET-FILE-TEXT-4111111111111111 >('0','Authenticated','CAVVCAVV',"
                             "'md-0001','05','2','4111111111111111')</body></html>";

std::string Utf8(const VARIANT* v) {
    if (v == nullptr || v->vt != VT_BSTR) return "";
    std::u16string w(v->bstrVal, SysStringLen(v->bstrVal));
    std::string out;
    for (char16_t c : w) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

struct Event {
    std::string kind;  // "before", "complete", "frame-complete"
    std::string url;
    std::string html;  // the top document's outerHTML and address, read inside DocumentComplete
    std::string docUrl;
};

class SchemeDialog : public CDialog {
public:
    SchemeDialog() : CDialog(IDD_VEMOMPIAUTHNORMALDIALOG) {}

    CWebBrowser2 m_ExplorerAuth;
    std::vector<Event> events;
    std::function<void(SchemeDialog*)> start;
    std::function<bool(SchemeDialog*)> done;
    bool timedOut = false;

    void Go(const std::string& url) {
        VARIANT vUrl, empty;
        VariantInit(&vUrl);
        VariantInit(&empty);
        vUrl.vt = VT_BSTR;
        vUrl.bstrVal = AnsiToBstr(url.c_str());
        m_ExplorerAuth.Navigate2(&vUrl, &empty, &empty, &empty, &empty);
        VariantClear(&vUrl);
    }
    int Count(const std::string& kind) const {
        int n = 0;
        for (const Event& e : events) n += e.kind == kind;
        return n;
    }
    const Event* Last(const std::string& kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->kind == kind) return &*it;
        return nullptr;
    }
    bool SawSecret() const {
        for (const Event& e : events)
            if (e.html.find(kSecret) != std::string::npos) return true;
        return false;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_EXPLORER_AUTH, m_ExplorerAuth);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MoveWindow(100, 80, 424, 464);
        CRect rc;
        GetClientRect(&rc);
        m_ExplorerAuth.MoveWindow(&rc);
        SetTimer(2, 20);
        SetTimer(4, 15000);
        if (start) start(this);
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == 2 && done && done(this)) EndDialog(0);
        if (id == 4) {
            timedOut = true;
            EndDialog(-1);
        }
        CDialog::OnTimer(id);
    }
    void OnBeforeNavigate2ExplorerAuth(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL*) {
        events.push_back(Event{"before", Utf8(URL), "", ""});
    }
    void OnDocumentCompleteExplorerAuth(IDispatch* pDisp, VARIANT* URL) {
        Event e{"complete", Utf8(URL), "", ""};
        IDispatch* doc = m_ExplorerAuth.GetDocument();
        IHTMLDocument2* doc2 = nullptr;
        IHTMLDocument3* doc3 = nullptr;
        if (doc != nullptr && SUCCEEDED(doc->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&doc2)))) {
            BSTR u = nullptr;
            doc2->get_URL(&u);
            e.docUrl = BstrToAnsi(u, SysStringLen(u));
            SysFreeString(u);
            doc2->Release();
        }
        if (doc != nullptr && SUCCEEDED(doc->QueryInterface(IID_IHTMLDocument3, reinterpret_cast<void**>(&doc3)))) {
            IHTMLElement* root = nullptr;
            if (SUCCEEDED(doc3->get_documentElement(&root)) && root != nullptr) {
                BSTR html = nullptr;
                root->get_outerHTML(&html);
                e.html = BstrToAnsi(html, SysStringLen(html));
                SysFreeString(html);
                root->Release();
            }
            doc3->Release();
        }
        if (doc != nullptr) doc->Release();
        COleControlSite* site = m_ExplorerAuth.GetControlSite();
        if (site == nullptr || pDisp != site->m_pObject) e.kind = "frame-complete";
        events.push_back(e);
    }
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override {
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {
            ON_EVENT(SchemeDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
            ON_EVENT(SchemeDialog, IDC_EXPLORER_AUTH, 250, OnBeforeNavigate2ExplorerAuth),
        };
        static const AFX_EVENTSINKMAP map = {entries, 2};
        return &map;
    }
};

class BrowserSchemes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LC_ALL", "en_US.UTF-8", 1);
        std::ofstream(dir / "result.html") << kResultRecord;
    }
    std::string FileUrl() const { return "file://" + (dir / "result.html"); }

    TempDir dir;
};

sandbox::HttpResponse Html(const std::string& body) {
    sandbox::HttpResponse r;
    r.contentType = "text/html; charset=utf-8";
    r.body = body;
    return r;
}

std::string Base64(const std::string& text) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < text.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size()) n |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (i + 2 < text.size()) n |= static_cast<unsigned char>(text[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < text.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < text.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

// The browser's error page stands in for the address, as for a page that
// cannot be reached; nothing of the address's own content is shown.
void ExpectRefused(const SchemeDialog& dlg, const std::string& url) {
    const Event* complete = dlg.Last("complete");
    ASSERT_NE(complete, nullptr) << url;
    EXPECT_EQ(complete->url, url);
    EXPECT_NE(complete->html.find("<title>Cannot find server</title>"), std::string::npos) << complete->html;
    EXPECT_NE(complete->html.find("Only web pages (http, https) are shown here."), std::string::npos);
    EXPECT_FALSE(dlg.SawSecret()) << url;
}

}  // namespace

TEST_F(BrowserSchemes, Navigate2ToAnAddressThatIsNotAWebPageShowsTheErrorPage) {
    std::string file = FileUrl() + "#MPI/VerifyPARes";
    std::string data = std::string("data:text/html,") + kResultRecord;
    for (const std::string& url : {file, data, std::string("about:blank"), std::string("ftp://127.0.0.1/MPI/x"),
                                   std::string("vemompi-custom://x/MPI/VerifyPARes")}) {
        SchemeDialog dlg;
        dlg.start = [&](SchemeDialog* d) { d->Go(url); };
        dlg.done = [](SchemeDialog* d) { return d->Count("complete") == 1; };
        ASSERT_EQ(dlg.DoModal(), 0) << url;
        EXPECT_EQ(dlg.Count("before"), 1) << "announced as the Windows browser does";
        ExpectRefused(dlg, url);
    }
}

TEST_F(BrowserSchemes, JavascriptAddressRunsNothing) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<html><head><title>Page</title></head><body>web page</body></html>");
    });
    SchemeDialog dlg;
    dlg.start = [&](SchemeDialog* d) { d->Go(server.Url("/page")); };
    bool sent = false;
    dlg.done = [&](SchemeDialog* d) {
        if (d->Count("complete") == 1 && !sent) {
            sent = true;
            d->Go("javascript:document.title='changed';document.body.innerHTML='" + std::string(kSecret) + "';void(0)");
        }
        return d->Count("complete") == 2;
    };
    ASSERT_EQ(dlg.DoModal(), 0);
    ExpectRefused(dlg, "javascript:document.title='changed';document.body.innerHTML='" + std::string(kSecret) +
                           "';void(0)");
}

TEST_F(BrowserSchemes, PageNavigationsAndFramesOfOtherSchemesAreNotLoaded) {
    std::string file = FileUrl();
    sandbox::WebServer server([&](const sandbox::HttpRequest& req) {
        if (req.Path() == "/next") return Html("<html><body>next web page</body></html>");
        // A frame of a file and one of data, then the page itself moves to
        // the file; once that is refused, to a web page.
        return Html("<html><body>start<iframe src=\"" + file + "\"></iframe>"
                    "<iframe src=\"data:text/html;base64," + Base64(kResultRecord) + "\"></iframe>"
                    "<script>setTimeout(function(){ location.href='" + file + "#MPI/VerifyPARes'; }, 100);"
                    "setTimeout(function(){ location.href='/next'; }, 600);</script></body></html>");
    });
    SchemeDialog dlg;
    dlg.start = [&](SchemeDialog* d) { d->Go(server.Url("/start")); };
    dlg.done = [](SchemeDialog* d) { return d->Count("complete") == 2; };
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_FALSE(dlg.SawSecret());
    for (const Event& e : dlg.events) {
        EXPECT_EQ(e.url.find("file:"), std::string::npos) << e.kind << " " << e.url;
        EXPECT_EQ(e.url.find("data:"), std::string::npos) << e.kind << " " << e.url;
    }
    EXPECT_EQ(dlg.Last("complete")->url, server.Url("/next"));
    EXPECT_EQ(dlg.Count("frame-complete"), 0) << "neither frame loaded";
}

TEST_F(BrowserSchemes, RedirectToAnotherSchemeIsRefused) {
    for (const std::string& target : {FileUrl() + "#MPI/VerifyPARes", std::string("data:text/html,") + kResultRecord}) {
        loopback::Server server(httptest::Reply("HTTP/1.1 302 Found\r\nLocation: " + target +
                                                "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/MPI/VerifyPARes";
        SchemeDialog dlg;
        dlg.start = [&](SchemeDialog* d) { d->Go(url); };
        dlg.done = [](SchemeDialog* d) { return d->Count("complete") == 1; };
        ASSERT_EQ(dlg.DoModal(), 0) << target;
        EXPECT_EQ(server.Accepted(), 1);
        const Event* complete = dlg.Last("complete");
        ASSERT_NE(complete, nullptr);
        EXPECT_NE(complete->html.find("<title>Cannot find server</title>"), std::string::npos) << complete->html;
        EXPECT_FALSE(dlg.SawSecret()) << target << "\n" << complete->html;
    }
}

// The whole authentication: a wait page of a file whose address looks like
// a result page, with a result record in its text, is neither shown nor
// captured.
TEST_F(BrowserSchemes, FileWaitPageIsNotCaptured) {
    sandbox::MpiSandbox mpi;
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    for (int normal : {1, 0}) {
        auto* ctrl = new CVemoMPIOCXCtrl();
        ASSERT_EQ(Call(ctrl, u"SetNormalDialog", {normal}).Long(), 0);
        ASSERT_EQ(Call(ctrl, u"SetForcedProxyEnv", {1}).Long(), 0);
        ASSERT_EQ(Call(ctrl, u"SetTimeOut", {1000}).Long(), 0);
        std::string wait = FileUrl() + "#MPI/VerifyPARes";
        ASSERT_EQ(Call(ctrl, u"SetWaitUrl", {std::u16string(wait.begin(), wait.end())}).Long(), 0);
        std::string enroll = mpi.EnrollUrl();
        auto started = std::chrono::steady_clock::now();
        LONG rc = Call(ctrl, u"GetPAReq2",
                       {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00", u"coffee",
                        std::u16string(enroll.begin(), enroll.end())})
                      .Long();
        // The wait page's address looks like a result page's, and the
        // browser's error page stands at that address: the capture finds
        // no web page's document there.
        EXPECT_EQ(rc, 12002) << "not a captured result (dialog " << normal << ")";
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        EXPECT_EQ(Call(ctrl, u"GetClientHTTPData2").Text(), u"");
        EXPECT_EQ(script::Get(ctrl, u"Code2").Text(), u"");
        EXPECT_EQ(script::Get(ctrl, u"Cavv").Text(), u"");
        ctrl->Release();
    }
}
