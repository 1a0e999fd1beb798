// The embedded browser as the dialogs use it: a dialog from template 264
// with CWebBrowser2 bound to item 201 and an event sink map, the real
// WebKitGTK browser, loopback HTTP servers started here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "crypto/MPIUtil.h"
#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "platform/browser/mshtml.h"
#include "resources/VemoMPIOCX_rc.h"
#include "sandbox/WebServer.h"
#include "tests/support/loopback.h"
#include "ui/CustomOccManager.h"
#include "ui/WebBrowser2.h"

namespace {

std::string Utf8(const VARIANT* v) {
    if (v == nullptr || v->vt != VT_BSTR) return "<not a string>";
    std::u16string w(v->bstrVal, SysStringLen(v->bstrVal));
    std::string out;
    for (char16_t c : w) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

struct Event {
    std::string kind;  // "before", "complete", "frame-complete", "title"
    std::string url;   // or the title
    std::string postData;
    std::string headers;
    std::string html;  // outerHTML read inside DocumentComplete
};

class BrowserDialog : public CDialog {
public:
    BrowserDialog() : CDialog(IDD_VEMOMPIAUTHNORMALDIALOG) {}

    CWebBrowser2 m_ExplorerAuth;
    std::vector<Event> events;
    std::function<void(BrowserDialog*)> start;
    std::function<bool(BrowserDialog*)> done;
    std::function<void(BrowserDialog*, VARIANT*, BOOL*)> onBefore;
    int timeoutMs = 15000;
    bool timedOut = false;
    bool escapeAndReturnLikeTheAuthDialog = true;

    void Go(const std::string& url) {
        VARIANT vUrl, empty;
        VariantInit(&vUrl);
        VariantInit(&empty);
        vUrl.vt = VT_BSTR;
        vUrl.bstrVal = AnsiToBstr(url.c_str());
        m_ExplorerAuth.Navigate2(&vUrl, &empty, &empty, &empty, &empty);
        VariantClear(&vUrl);
    }
    void Post(const std::string& url, const std::string& form) {
        CMPIUtil util;
        VARIANT vUrl, empty, post, headers;
        VariantInit(&vUrl);
        VariantInit(&empty);
        VariantInit(&headers);
        vUrl.vt = VT_BSTR;
        vUrl.bstrVal = AnsiToBstr(url.c_str());
        util.MakePostData(form.c_str(), &post);
        headers.vt = VT_BSTR;
        headers.bstrVal = AnsiToBstr("Content-Type: application/x-www-form-urlencoded\r\n");
        m_ExplorerAuth.Navigate2(&vUrl, &empty, &empty, &post, &headers);
        VariantClear(&vUrl);
        VariantClear(&post);
        VariantClear(&headers);
    }
    std::vector<Event> Of(const std::string& kind) const {
        std::vector<Event> out;
        for (const Event& e : events)
            if (e.kind == kind) out.push_back(e);
        return out;
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
        SetTimer(4, static_cast<UINT>(timeoutMs));
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
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (escapeAndReturnLikeTheAuthDialog) {
            if (pMsg->wParam == VK_ESCAPE) return TRUE;
            if (pMsg->wParam == VK_RETURN) {
                TranslateMessage(pMsg);
                DispatchMessage(pMsg);
                return TRUE;
            }
        }
        return CDialog::PreTranslateMessage(pMsg);
    }

    void OnBeforeNavigate2ExplorerAuth(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT* PostData,
                                       VARIANT* Headers, BOOL* Cancel) {
        Event e{"before", Utf8(URL), "", Utf8(Headers), ""};
        if (PostData != nullptr && PostData->vt == (VT_ARRAY | VT_UI1)) {
            void* data = nullptr;
            LONG hi = -1;
            SafeArrayGetUBound(PostData->parray, 1, &hi);
            SafeArrayAccessData(PostData->parray, &data);
            e.postData.assign(static_cast<const char*>(data), static_cast<size_t>(hi + 1));
            SafeArrayUnaccessData(PostData->parray);
        }
        events.push_back(e);
        if (onBefore) onBefore(this, URL, Cancel);
    }
    void OnDocumentCompleteExplorerAuth(IDispatch* pDisp, VARIANT* URL) {
        Event e{pDisp == static_cast<IDispatch*>(nullptr) ? "?" : "complete", Utf8(URL), "", "", ""};
        IDispatch* doc = m_ExplorerAuth.GetDocument();
        IHTMLDocument3* doc3 = nullptr;
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
    void OnTitleChangeExplorerAuth(BSTR Text) {
        std::string t = BstrToAnsi(Text, SysStringLen(Text));
        events.push_back(Event{"title", t, "", "", ""});
        SetWindowText(t.c_str());
    }
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override {
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {
            ON_EVENT(BrowserDialog, IDC_EXPLORER_AUTH, 259, OnDocumentCompleteExplorerAuth),
            ON_EVENT(BrowserDialog, IDC_EXPLORER_AUTH, 250, OnBeforeNavigate2ExplorerAuth),
            ON_EVENT(BrowserDialog, IDC_EXPLORER_AUTH, 113, OnTitleChangeExplorerAuth),
        };
        static const AFX_EVENTSINKMAP map = {entries, 3};
        return &map;
    }
};

class BrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LC_ALL", "en_US.UTF-8", 1);
    }
    void TearDown() override {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
};

sandbox::HttpResponse Html(const std::string& body) {
    sandbox::HttpResponse r;
    r.contentType = "text/html; charset=utf-8";
    r.body = body;
    return r;
}

// ---------------------------------------------------------------- navigation and events

TEST_F(BrowserTest, GetFiresBeforeNavigateTitlesAndDocumentCompleteWithTheDocument) {
    sandbox::WebServer server([](const sandbox::HttpRequest& req) {
        if (req.Path() == "/frame") return Html("<html><body>inner frame</body></html>");
        return Html("<html><head><title>Wait Page</title></head><body><p>please wait</p>"
                    "<iframe src=\"/frame\"></iframe></body></html>");
    });
    BrowserDialog dlg;
    std::string url = server.Url("/MPI/wait");
    dlg.start = [&](BrowserDialog* d) { d->Go(url); };
    dlg.done = [](BrowserDialog* d) { return d->Count("complete") == 1; };
    CString caption;
    ASSERT_EQ(dlg.DoModal(), 0);

    ASSERT_GE(dlg.events.size(), 4u);
    EXPECT_EQ(dlg.events.front().kind, "before");
    EXPECT_EQ(dlg.events.front().url, url);
    EXPECT_EQ(dlg.events.front().postData, "");
    // The frame completes before its page, and its navigation was announced.
    ASSERT_EQ(dlg.Count("before"), 2);
    EXPECT_EQ(dlg.Of("before")[1].url, server.Url("/frame"));
    ASSERT_EQ(dlg.Count("frame-complete"), 1);
    EXPECT_EQ(dlg.Last("frame-complete")->url, server.Url("/frame"));
    EXPECT_EQ(dlg.events.back().kind, "complete");
    EXPECT_EQ(dlg.events.back().url, url);
    EXPECT_NE(dlg.events.back().html.find("<p>please wait</p>"), std::string::npos);
    EXPECT_EQ(dlg.events.back().html.rfind("<html>", 0), 0u);
    // The address stands for the title until the page names one.
    ASSERT_EQ(dlg.Count("title"), 2);
    EXPECT_EQ(dlg.Last("title")->url, "Wait Page");
    for (const Event& e : dlg.events) EXPECT_EQ(e.url.find("about:"), std::string::npos) << e.kind;
}

TEST_F(BrowserTest, BeforeNavigateCanCancelAndPageNavigationsAreAnnounced) {
    sandbox::WebServer server([](const sandbox::HttpRequest& req) {
        if (req.Path() == "/next") return Html("<html><head><title>Next</title></head><body>next</body></html>");
        return Html("<html><body onload=\"setTimeout(function(){ location.href='/blocked'; }, 50)\">start</body></html>");
    });
    BrowserDialog dlg;
    dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/start")); };
    dlg.onBefore = [&](BrowserDialog* d, VARIANT* url, BOOL* cancel) {
        if (Utf8(url).find("/blocked") != std::string::npos) {
            *cancel = TRUE;
            d->Go(server.Url("/next"));
        }
    };
    dlg.done = [](BrowserDialog* d) { return d->Count("complete") == 2; };
    int rc = dlg.DoModal();
    if (rc != 0)
        for (const Event& e : dlg.events) std::cout << e.kind << " " << e.url << "\n";
    ASSERT_EQ(rc, 0);
    for (const sandbox::HttpRequest& r : server.Requests()) EXPECT_NE(r.Path(), "/blocked");
    EXPECT_EQ(dlg.Last("complete")->url, server.Url("/next"));
    EXPECT_EQ(dlg.Count("before"), 3);  // start, blocked (cancelled), next
}

TEST_F(BrowserTest, PostDeliversTheFormBytesAsUrlEncodedFieldsWithoutHelperEvents) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<html><head><title>ACS</title></head><body>acs page</body></html>");
    });
    // Fields holding every byte value but NUL, Korean text in code page 949,
    // and a name that would shadow the form's own members.
    std::string all, encAll;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%%%02X", b);
        encAll += hex;
    }
    std::string korean = "\xC5\xAC\xB8\xAF \xC0\xCE\xC1\xF5";  // "클릭 인증"
    CMPIUtil util;
    char encKorean[256];
    ASSERT_EQ(util.URLEncoding(korean.c_str(), encKorean, sizeof(encKorean)), 1);
    std::string form = "PaReq=" + encAll + "&TermUrl=http%3A%2F%2F127.0.0.1%2FMPI%2FVerifyPARes&MD=" + encKorean +
                       "&submit=1&action=x";

    BrowserDialog dlg;
    std::string url = server.Url("/acs/auth.jsp?x=1");
    dlg.start = [&](BrowserDialog* d) { d->Post(url, form); };
    dlg.done = [](BrowserDialog* d) { return d->Count("complete") == 1; };
    ASSERT_EQ(dlg.DoModal(), 0);

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const sandbox::HttpRequest& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/acs/auth.jsp?x=1");
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    auto fields = sandbox::DecodeForm(r.body);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0].first, "PaReq");
    // HTML form submission writes a lone CR or LF as CR LF; every other
    // byte arrives as it was.
    std::string expected = all;
    expected.replace(expected.find('\r'), 1, "\r\n");
    expected.replace(expected.find('\n'), 1, "\r\n");
    EXPECT_EQ(fields[0].second, expected);
    EXPECT_EQ(fields[1], std::make_pair(std::string("TermUrl"), std::string("http://127.0.0.1/MPI/VerifyPARes")));
    EXPECT_EQ(fields[2], std::make_pair(std::string("MD"), korean));
    EXPECT_EQ(fields[3], std::make_pair(std::string("submit"), std::string("1")));
    EXPECT_EQ(fields[4], std::make_pair(std::string("action"), std::string("x")));

    // Exactly the events of the Windows browser: the hand-off and its page.
    ASSERT_EQ(dlg.Count("before"), 1);
    EXPECT_EQ(dlg.events.front().kind, "before");
    EXPECT_EQ(dlg.events.front().url, url);
    EXPECT_EQ(dlg.events.front().postData, form);
    EXPECT_EQ(dlg.events.front().headers, "Content-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(dlg.Count("complete"), 1);
    EXPECT_EQ(dlg.Last("complete")->url, url);
    EXPECT_NE(dlg.Last("complete")->html.find("acs page"), std::string::npos);
    EXPECT_EQ(dlg.Count("frame-complete"), 0);
    for (const Event& e : dlg.events) EXPECT_EQ(e.url.find("about:"), std::string::npos) << e.kind << " " << e.url;
    EXPECT_EQ(dlg.Last("title")->url, "ACS");
}

TEST_F(BrowserTest, CrLfPairsAndSingleBytesSurviveThePost) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) { return Html("<html><body>ok</body></html>"); });
    BrowserDialog dlg;
    dlg.start = [&](BrowserDialog* d) { d->Post(server.Url("/p"), "a=1%0D%0A2&b=%2A-._%20+&c=&d"); };
    dlg.done = [](BrowserDialog* d) { return d->Count("complete") == 1; };
    ASSERT_EQ(dlg.DoModal(), 0);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    auto fields = sandbox::DecodeForm(requests[0].body);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0].second, "1\r\n2");
    EXPECT_EQ(fields[1].second, "*-._  ");
    EXPECT_EQ(fields[2].second, "");
    EXPECT_EQ(fields[3].first, "d");
}

TEST_F(BrowserTest, UnreachableAddressShowsTheBrowsersErrorPage) {
    unsigned short port = loopback::UnusedPort();
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/MPI/VerifyPARes.jsp";
    BrowserDialog dlg;
    dlg.start = [&](BrowserDialog* d) { d->Go(url); };
    dlg.done = [](BrowserDialog* d) { return d->Count("complete") == 1; };
    ASSERT_EQ(dlg.DoModal(), 0);
    const Event* complete = dlg.Last("complete");
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(complete->url, url);
    // In the Windows browser's words, with the toolkit's reason underneath.
    EXPECT_NE(complete->html.find("<title>Cannot find server</title>"), std::string::npos) << complete->html;
    EXPECT_NE(complete->html.find("Could not connect to 127.0.0.1: Connection refused"), std::string::npos)
        << complete->html;
}

// ---------------------------------------------------------------- host behaviour

TEST_F(BrowserTest, TallPageHasNoScrollBarsUnderTheHostHandler) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<!DOCTYPE html><html><body style=\"margin:0\"><div style=\"height:5000px;width:3000px\">tall</div>"
                    "</body></html>");
    });
    auto gutter = [&](bool custom) {
        AfxEnableControlContainer(custom ? new CCustomOccManager : new COccManager);
        BrowserDialog dlg;
        std::string measured;
        dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/tall")); };
        dlg.done = [&](BrowserDialog* d) {
            if (d->Count("complete") == 0) return false;
            // The user tries to scroll with the keyboard.
            afxtest::FocusWindow(d->m_hWnd);
            d->m_ExplorerAuth.SetFocus();
            afxtest::PressKey("End");
            afxtest::PressKey("Right");
            afxtest::Pump(300);
            measured = afxtest::EvaluateInBrowser(
                d->m_ExplorerAuth.m_hWnd,
                "(window.scrollY > 0) + ',' + (window.innerWidth - document.documentElement.clientWidth) + ',' + "
                "getComputedStyle(document.documentElement).overflow");
            return true;
        };
        EXPECT_EQ(dlg.DoModal(), 0);
        return measured;
    };
    std::string withHandler = gutter(true);
    std::string without = gutter(false);
    EXPECT_EQ(withHandler, "false,0,hidden");
    EXPECT_NE(without, withHandler);  // the browser's own scroll bars are there without the handler
    std::cout << "without the handler: " << without << "\n";
}

TEST_F(BrowserTest, RightClickShowsNoContextMenuUnderTheHostHandler) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<html><body style=\"margin:0\"><p style=\"height:400px\">text to click</p></body></html>");
    });
    auto menus = [&](bool custom) {
        AfxEnableControlContainer(custom ? new CCustomOccManager : new COccManager);
        BrowserDialog dlg;
        int open = -1;
        dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/page")); };
        dlg.done = [&](BrowserDialog* d) {
            if (d->Count("complete") == 0) return false;
            HWND h = d->m_hWnd;
            POINT p{100, 100};
            d->ClientToScreen(&p);
            afxtest::FocusWindow(h);
            afxtest::MovePointer(p.x, p.y);
            afxtest::PointerButton(3, true);
            afxtest::PointerButton(3, false);
            afxtest::PumpUntil([] { return afxtest::OpenPopupMenus() > 0; }, custom ? 700 : 3000);
            open = afxtest::OpenPopupMenus();
            if (open > 0) afxtest::PressKey("Escape");
            return true;
        };
        EXPECT_EQ(dlg.DoModal(), 0);
        return open;
    };
    EXPECT_EQ(menus(true), 0);
    EXPECT_EQ(menus(false), 1);  // the browser's own menu, which the handler suppresses
}

TEST_F(BrowserTest, KeystrokesReachThePageFormAndReturnSubmitsIt) {
    sandbox::WebServer server([](const sandbox::HttpRequest& req) {
        if (req.Path().rfind("/result", 0) == 0) return Html("<html><body>got it</body></html>");
        return Html("<html><body><form action=\"/result\" method=\"get\">"
                    "<input id=\"q\" name=\"q\" autofocus></form></body></html>");
    });
    BrowserDialog dlg;
    int escapesSeen = 0;
    dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/form")); };
    dlg.done = [&](BrowserDialog* d) {
        if (d->Count("complete") == 1 && escapesSeen == 0) {
            ++escapesSeen;
            afxtest::FocusWindow(d->m_hWnd);
            d->m_ExplorerAuth.SetFocus();
            afxtest::Pump(100);
            afxtest::PressKey("a");
            afxtest::PressKey("B", "shift");
            afxtest::PressKey("7");
            afxtest::PressKey("Escape");  // swallowed by the dialog: nothing happens
            afxtest::PressKey("Return");  // reaches the page: the form is submitted
        }
        return d->Count("complete") == 2;
    };
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(dlg.Last("complete")->url, server.Url("/result?q=aB7"));
}

TEST_F(BrowserTest, PageCanTouchWindowExternalWithoutFailing) {
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<html><head><title>before</title></head><body><script>"
                    "try { var e = window.external; e.AddFavorite('http://x', 'y'); var v = e.someProperty;"
                    "  e.other = 1; document.title = 'external ok ' + (typeof e); }"
                    "catch (x) { document.title = 'external failed ' + x; }"
                    "</script></body></html>");
    });
    BrowserDialog dlg;
    dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/ext")); };
    // The page's script sets the title as it runs; the title event may come
    // after the load completed, so wait for the script's verdict.
    dlg.done = [](BrowserDialog* d) {
        const auto* title = d->Last("title");
        return d->Count("complete") == 1 && title != nullptr && title->url.rfind("external ", 0) == 0;
    };
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(dlg.Last("title")->url.rfind("external ok", 0), 0u) << dlg.Last("title")->url;
}

TEST_F(BrowserTest, HostHandlerAnswersAsTheHostRequires) {
    COleControlContainer container(nullptr);
    CCustomOccManager manager;
    COleControlSite* site = manager.CreateSite(&container);
    ASSERT_NE(site, nullptr);
    IDocHostUIHandler* h = nullptr;
    ASSERT_EQ(site->ExternalQueryInterface(&IID_IDocHostUIHandler, reinterpret_cast<void**>(&h)), S_OK);
    IUnknown* again = nullptr;
    EXPECT_EQ(h->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, static_cast<IUnknown*>(h));
    again->Release();

    DOCHOSTUIINFO info{sizeof(DOCHOSTUIINFO), 0xFFFF, 7, nullptr, nullptr};
    EXPECT_EQ(h->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_SCROLL_NO));
    EXPECT_EQ(info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));
    POINT pt{1, 2};
    EXPECT_EQ(h->ShowContextMenu(CONTEXT_MENU_DEFAULT, &pt, nullptr, nullptr), S_OK);
    EXPECT_EQ(h->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(h->HideUI(), S_OK);
    EXPECT_EQ(h->UpdateUI(), S_OK);
    EXPECT_EQ(h->EnableModeless(TRUE), E_NOTIMPL);
    EXPECT_EQ(h->OnDocWindowActivate(TRUE), E_NOTIMPL);
    EXPECT_EQ(h->OnFrameWindowActivate(TRUE), E_NOTIMPL);
    EXPECT_EQ(h->ResizeBorder(nullptr, nullptr, TRUE), E_NOTIMPL);
    MSG msg{};
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_RETURN;
    EXPECT_EQ(h->TranslateAccelerator(&msg, nullptr, 0), S_FALSE);
    EXPECT_EQ(h->GetOptionKeyPath(nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(h->GetDropTarget(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(h->TranslateUrl(0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(h->FilterDataObject(nullptr, nullptr), E_NOTIMPL);
    IDispatch* ext = reinterpret_cast<IDispatch*>(1);
    EXPECT_TRUE(FAILED(h->GetExternal(&ext)));  // nothing sets the external object
    EXPECT_EQ(ext, nullptr);
    h->Release();
    delete site;
}

// ---------------------------------------------------------------- a look at it

TEST_F(BrowserTest, SnapshotOfTheDialogWithAPage) {
    const char* dir = std::getenv("VEMOMPI_SCREENSHOT_DIR");
    if (dir == nullptr) GTEST_SKIP() << "VEMOMPI_SCREENSHOT_DIR not set";
    sandbox::WebServer server([](const sandbox::HttpRequest&) {
        return Html("<html><head><title>Issuer Authentication</title></head>"
                    "<body style=\"font-family:sans-serif;background:#f4f6fa\"><h2>Verified by Issuer</h2>"
                    "<p>Merchant: Test Shop<br>Amount: 12,000 KRW</p>"
                    "<form><label>Password <input type=\"password\" value=\"secret\"></label>"
                    "<button type=\"button\">Submit</button></form>"
                    + std::string(60, ' ') + "<div style=\"height:3000px\"></div></body></html>");
    });
    BrowserDialog dlg;
    bool saved = false;
    dlg.start = [&](BrowserDialog* d) { d->Go(server.Url("/acs")); };
    dlg.done = [&](BrowserDialog* d) {
        if (d->Count("complete") == 0) return false;
        afxtest::Pump(500);
        saved = afxtest::Snapshot(d->m_hWnd, (std::string(dir) + "/dialog.png").c_str());
        return true;
    };
    ASSERT_EQ(dlg.DoModal(), 0);
    EXPECT_TRUE(saved);
}

}  // namespace
