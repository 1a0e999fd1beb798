// Whole authentications through the scripting interface by name: GetPAReq2
// with real GTK and WebKitGTK under Xvfb against the sandbox on loopback;
// the SSL provider warning as a real message box; the site address found
// once per control; the currency rule; the dialog's result as the method's.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "auth/VemoMPIAuthNormalDialog.h"
#include "control/VemoMPIOCXAuth.h"
#include "platform/afx/afxtestmsgbox.h"
#include "platform/afx/afxtest.h"
#include "platform/browser/webkit/browserprobe.h"
#include "platform/winsock/winsock.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/ui_repeat.h"
#include "tests/support/dispatch.h"
#include "tests/support/loopback.h"
#include "tests/support/pe_image.h"
#include "tests/support/tempdir.h"
#include "ui/CustomOccManager.h"

using script::Arg;
using script::Call;
using script::Get;

namespace {

using Clock = std::chrono::steady_clock;

const char kWarningEn[] =
    "Warning : Your Browser can not support 128BIT SSL. Please update your browser's SSL level. ";
const char kWarningKoStart[] =
    "브라우저가 128비트 SSL을 지원하지 않습니다.  카드사에 따라 인증 창이 정상적으로 표시되지 않을 수 있습니다\n\n"
    "다음 웹 주소를 참고하세요 : http";

// The container's site, naming the page with a URL moniker (or failing to),
// and counting how often it was asked.
class PageSite final : public IOleClientSite {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++ref; }
    ULONG Release() override { return --ref; }  // lives in the test
    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        ++calls;
        if (page.empty()) {
            *ppmk = nullptr;
            return E_NOTIMPL;
        }
        return CreateURLMoniker(nullptr, page.c_str(), ppmk);
    }
    HRESULT GetContainer(IOleContainer** pp) override {
        *pp = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    std::u16string page;
    ULONG ref = 1;
    int calls = 0;
};

// What a run saw of the windows it showed.
struct Seen {
    std::vector<afxtest::MessageBoxState> boxes;
    bool dialog = false;           // an authentication dialog ran
    afxtest::WindowState window;   // the dialog's window, when it first showed
    bool plainWithoutParent = false;
};

class GetPAReqRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (afxtest::HaveDisplay()) AfxEnableControlContainer(new CCustomOccManager);
    }
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(v);
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        setenv("VEMOMPI_SYSTEM_DIR", dir.path().c_str(), 1);
        mpi.SetAcsAutoSubmit(true);
        ctrl = NewControl();
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        WSASetStartupErrorForTesting(0);
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("VEMOMPI_SYSTEM_DIR");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    // A control as a page sets it up: the plain dialog, the socket
    // transport, the sandbox's wait page.
    CVemoMPIOCXCtrl* NewControl() {
        auto* c = new CVemoMPIOCXCtrl();
        EXPECT_EQ(Call(c, u"SetNormalDialog", {1}).Long(), 0);
        EXPECT_EQ(Call(c, u"SetForcedProxyEnv", {1}).Long(), 0);
        EXPECT_EQ(Call(c, u"SetWaitUrl", {U16(mpi.WaitUrl())}).Long(), 0);
        return c;
    }
    static std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
    std::vector<Arg> Args() {
        return {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00", u"coffee",
                U16(mpi.EnrollUrl())};
    }
    void Provider(const char16_t* description) {
        pe::VersionInfo info;
        info.tables = {pe::StringTable{u"040904B0", {{u"FileDescription", description}}}};
        pe::WriteFile(dir / "schannel.dll", pe::Image(false, pe::Resources::Version, pe::VersionResource(info)));
    }

    // GetPAReq2 by name. Every 100 ms on the running loop: a message box is
    // recorded and answered with OK; `during` sees the dialog's window. A
    // run never outlives a minute (two close requests end it in any state).
    LONG Run(const std::vector<Arg>& args, Seen* seen = nullptr, const std::function<void(HWND)>& during = nullptr) {
        Seen local;
        if (seen == nullptr) seen = &local;
        auto started = Clock::now();
        testsupport::RepeatOnUi watch([&]() {
            HWND hwnd = afxtest::ActiveModal();
            afxtest::MessageBoxState box;
            if (hwnd != nullptr && afxtest::GetMessageBoxState(hwnd, &box)) {
                if (box.visible) {
                    seen->boxes.push_back(box);
                    afxtest::PressMessageBoxButton(hwnd, IDOK);
                }
            } else if (hwnd != nullptr) {
                if (!seen->dialog) {
                    seen->dialog = true;
                    afxtest::GetWindowState(hwnd, &seen->window);
                    seen->plainWithoutParent = g_pVemoMPIAuthNormalDialog != nullptr &&
                                               g_pVemoMPIAuthNormalDialog->GetSafeHwnd() == hwnd &&
                                               g_pVemoMPIAuthNormalDialog->m_pParentWnd == nullptr;
                }
                if (during) during(hwnd);
                if (Clock::now() - started > std::chrono::seconds(60)) {
                    afxtest::SendCloseRequest(hwnd);
                    afxtest::SendCloseRequest(hwnd);
                }
            }
        }, 100, 100);
        script::Result r = Call(ctrl, u"GetPAReq2", args);
        watch.Stop();
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }
    std::string LastMallUrl() {
        auto e = mpi.Enrollments();
        return e.empty() ? std::string("<no request>") : sandbox::FormValue(e.back().fields, "mall_url");
    }

    TempDir dir;
    sandbox::MpiSandbox mpi;
    CVemoMPIOCXCtrl* ctrl = nullptr;
};

}  // namespace

// ---------------------------------------------------------------- whole runs

TEST_F(GetPAReqRun, PlainDialogWithTheLongestValues) {
    sandbox::ResultPage page;
    page.json = "{\"status\":\"Y\"}";
    mpi.SetResultPage(page);
    std::string id = "(NULL)" + std::string(GETPAREQ_MAX_ID - 6, 'I');  // "(null)" in capitals passes
    std::string name(GETPAREQ_MAX_NAME, 'N');
    std::string pan(GETPAREQ_MAX_PAN, '4');
    std::string amount(GETPAREQ_MAX_AMOUNT, '9');
    std::string desc(GETPAREQ_MAX_DESC, 'd');
    std::string url = mpi.EnrollUrl() + "?pad=";
    url += std::string(GETPAREQ_MAX_URL - url.size(), 'p');
    Seen seen;
    LONG rc = Run({U16(id), U16(name), U16(pan), u"2029", u"07", U16(amount), u"0012", U16(desc), U16(url)}, &seen);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);

    // The dialog: the plain one, modal, with no parent.
    EXPECT_TRUE(seen.plainWithoutParent);
    EXPECT_TRUE(seen.window.modal);
    EXPECT_EQ(seen.window.captionUtf8, "Torvu Click Plug-in");
    EXPECT_TRUE(seen.boxes.empty());

    auto enrolled = mpi.Enrollments();
    ASSERT_EQ(enrolled.size(), 1u);
    const auto& f = enrolled[0].fields;
    EXPECT_EQ(sandbox::FormValue(f, "mall_id"), id);
    EXPECT_EQ(sandbox::FormValue(f, "mall_name"), name);
    EXPECT_EQ(sandbox::FormValue(f, "cardnum"), pan);
    EXPECT_EQ(sandbox::FormValue(f, "totalprice"), amount);
    EXPECT_EQ(sandbox::FormValue(f, "installment"), "0012");
    EXPECT_EQ(sandbox::FormValue(f, "desc"), desc);
    EXPECT_EQ(sandbox::FormValue(f, "currency"), "KRW");
    EXPECT_EQ(sandbox::FormValue(f, "mall_url"), UNKNOWN_SITE_URL) << "no container: the placeholder";
    EXPECT_STREQ(ctrl->m_szServerUrl, url.c_str());
    EXPECT_STREQ(ctrl->m_szPrimaryUrl, url.c_str());

    struct Expected {
        const char16_t* name;
        std::u16string value;
    } results[] = {
        {u"Code1", u"0"},       {u"Msg1", u"Enrolled"}, {u"PaReq", u"eJzzSM3JyVcozy/KSQEAGgQEXQ=="},
        {u"AcsUrl", U16(mpi.AcsUrl())}, {u"Md", u"md-0001"}, {u"Md64", u"bWQtMDAwMQ=="},
        {u"Code2", u"0"},       {u"Msg2", u"Authenticated"}, {u"Cavv", u"AAABBJAgdQAAAAAAAAAAAAAAAAA="},
        {u"Eci", u"05"},        {u"CavvAlg", u"2"},      {u"TermUrl", U16(mpi.TermUrl())},
        {u"realPan", u"4111111111111111"}, {u"json", u"{\"status\":\"Y\"}"},
    };
    for (const auto& e : results) EXPECT_EQ(Get(ctrl, e.name).Text(), e.value) << script::IdOf(ctrl, e.name);
    EXPECT_EQ(Call(ctrl, u"GetClientHTTPUrl").Text(), U16(mpi.TermUrl()));
}

TEST_F(GetPAReqRun, CardDataIsWipedAfterEachRunWhileEveryResultStays) {
    auto zero = [](const char* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != 0) return false;
        return true;
    };
    for (int enc : {1, 0}) {
        EXPECT_EQ(Call(ctrl, u"SetEncrypt", {enc}).Long(), 0);
        EXPECT_EQ(Run(Args()), 0) << enc;
        auto enrolled = mpi.Enrollments();
        ASSERT_FALSE(enrolled.empty());
        EXPECT_EQ(enrolled.back().sealed, enc != 0);
        EXPECT_EQ(sandbox::FormValue(enrolled.back().fields, "cardnum"), "4111222233334444") << "sent whole first";
        EXPECT_EQ(sandbox::FormValue(enrolled.back().fields, "expiry_year"), "2029");
        EXPECT_TRUE(zero(ctrl->m_szCardNum, sizeof(ctrl->m_szCardNum))) << enc;
        EXPECT_TRUE(zero(ctrl->m_szExpiryYear, sizeof(ctrl->m_szExpiryYear))) << enc;
        EXPECT_TRUE(zero(ctrl->m_szExpiryMonth, sizeof(ctrl->m_szExpiryMonth))) << enc;
        // What is no card data stays until the next run.
        EXPECT_STREQ(ctrl->m_szMallID, "SHOP01");
        EXPECT_STREQ(ctrl->m_szTotalPrice, "15000");
        // Everything the page reads afterwards is there.
        EXPECT_EQ(Get(ctrl, u"Code1").Text(), u"0");
        EXPECT_EQ(Get(ctrl, u"Code2").Text(), u"0");
        EXPECT_EQ(Get(ctrl, u"Cavv").Text(), u"AAABBJAgdQAAAAAAAAAAAAAAAAA=");
        EXPECT_EQ(Get(ctrl, u"Eci").Text(), u"05");
        EXPECT_EQ(Get(ctrl, u"realPan").Text(), u"4111111111111111");
        EXPECT_EQ(Get(ctrl, u"Md").Text(), u"md-0001");
        EXPECT_EQ(Call(ctrl, u"GetClientHTTPUrl").Text(), U16(mpi.TermUrl()));
        EXPECT_NE(Call(ctrl, u"GetClientHTTPData1").Text(), u"");
    }
}

TEST_F(GetPAReqRun, TheDialogsResultIsReturnedUnchanged) {
    sandbox::EnrollmentReply reply;
    reply.code = "31";
    reply.message = "Card not enrolled";
    mpi.SetEnrollmentReply(reply);
    EXPECT_EQ(Run(Args()), 31);
    EXPECT_EQ(Get(ctrl, u"Code1").Text(), u"31");
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);

    // Closed while the server keeps silent: the user's cancel.
    reply = sandbox::EnrollmentReply{};
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    bool closed = false;
    EXPECT_EQ(Run(Args(), nullptr, [&](HWND hwnd) {
                  if (!closed && mpi.Enrollments().size() == 2) {
                      closed = true;
                      afxtest::SendCloseRequest(hwnd);
                  }
              }),
              12006);
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);
    EXPECT_EQ(Get(ctrl, u"Code1").Text(), u"") << "the last run's results are gone";
}

TEST_F(GetPAReqRun, CurrencyOfOtherThanThreeCharactersBecomesKRW) {
    struct Case {
        const char16_t* set;
        const char* sent;
    } cases[] = {{u"US", "KRW"}, {u"", "KRW"}, {u"usd", "usd"}, {u"1$x", "1$x"}};
    for (const auto& k : cases) {
        ASSERT_EQ(Call(ctrl, u"SetCurrency", {k.set}).Long(), 0);
        EXPECT_EQ(Run(Args()), 0);
        auto e = mpi.Enrollments();
        ASSERT_FALSE(e.empty());
        EXPECT_EQ(sandbox::FormValue(e.back().fields, "currency"), k.sent);
        EXPECT_STREQ(ctrl->m_szCurrency, k.sent);
    }
}

TEST_F(GetPAReqRun, DefaultWaitPageIsTheMpiServiceHostsOwn) {
    // Without SetWaitUrl the dialog shows the wait page of the MPI address's
    // host and port. The MPI server holds its answer until the browser has
    // loaded that page (20 s at most), so the page is seen whatever the
    // machine's speed, and then refuses the card.
    struct Held {
        std::mutex lock;
        std::condition_variable cv;
        std::vector<std::string> loads;
        bool waitLoaded = false;
    };
    auto held = std::make_shared<Held>();
    const std::string waitUrl = mpi.WaitUrl();
    afxbrowser::SetLoadObserver([held, waitUrl](const char* url) {
        std::lock_guard<std::mutex> guard(held->lock);
        held->loads.emplace_back(url);
        if (waitUrl == url) held->waitLoaded = true;
        held->cv.notify_all();
    });
    mpi.Server().Route("/held/enroll", [held](const sandbox::HttpRequest&) {
        std::unique_lock<std::mutex> guard(held->lock);
        held->cv.wait_for(guard, std::chrono::seconds(20), [&] { return held->waitLoaded; });
        sandbox::HttpResponse r;
        r.body = "<html><head><title>MPI</title></head><body>31|Card not enrolled|-|-|-|-</body></html>";
        return r;
    });
    std::vector<Arg> args = Args();
    args[8] = U16(mpi.Server().Url("/held/enroll"));
    for (int normal : {1, 0}) {
        ctrl->Release();
        ctrl = new CVemoMPIOCXCtrl();
        ASSERT_EQ(Call(ctrl, u"SetNormalDialog", {normal}).Long(), 0);
        ASSERT_EQ(Call(ctrl, u"SetForcedProxyEnv", {1}).Long(), 0);
        {
            std::lock_guard<std::mutex> guard(held->lock);
            held->loads.clear();
            held->waitLoaded = false;
        }
        size_t before = 0;
        for (const auto& r : mpi.Server().Requests()) before += r.Path() == "/VemoMPI/Wait.html";
        EXPECT_EQ(Run(args), 31) << (normal ? "plain" : "skinned") << " dialog";
        EXPECT_EQ(std::string(ctrl->m_szWaitUrl), waitUrl);
        {
            std::lock_guard<std::mutex> guard(held->lock);
            EXPECT_TRUE(held->waitLoaded) << (normal ? "plain" : "skinned") << " dialog loaded: "
                                          << (held->loads.empty() ? std::string("nothing") : held->loads.front());
        }
        size_t after = 0;
        for (const auto& r : mpi.Server().Requests()) after += r.Path() == "/VemoMPI/Wait.html";
        EXPECT_GT(after, before) << "the sandbox served its wait page";
    }
    afxbrowser::SetLoadObserver(nullptr);

    // A later call to another MPI address gets that host's page; a page's
    // own wait page, once set, stays.
    std::strcpy(ctrl->m_szWaitUrl, "http://127.0.0.1:9/VemoMPI/Wait.html");
    ctrl->m_bDefaultWaitUrl = TRUE;
    mpi.SetEnrollmentReply([] {
        sandbox::EnrollmentReply reply;
        reply.code = "31";
        reply.message = "Card not enrolled";
        return reply;
    }());
    EXPECT_EQ(Run(Args()), 31);
    EXPECT_EQ(std::string(ctrl->m_szWaitUrl), waitUrl) << "made anew from this call's address";
    ASSERT_EQ(Call(ctrl, u"SetWaitUrl", {u"http://127.0.0.1:9/shop/wait.html"}).Long(), 0);
    EXPECT_EQ(Run(Args()), 31);
    EXPECT_STREQ(ctrl->m_szWaitUrl, "http://127.0.0.1:9/shop/wait.html");
}

// ---------------------------------------------------------------- the merchant's site

TEST_F(GetPAReqRun, SiteAddressIsFoundOncePerControl) {
    PageSite site;
    site.page = u"https://Shop.Example:8443/cart/pay.jsp?order=7";
    ctrl->SetClientSite(&site);
    EXPECT_EQ(Run(Args()), 0);
    EXPECT_EQ(site.calls, 1);
    EXPECT_EQ(LastMallUrl(), "https://Shop.Example");
    site.page = u"http://elsewhere.example/";
    EXPECT_EQ(Run(Args()), 0);
    EXPECT_EQ(site.calls, 1) << "a second call does not ask the host again";
    EXPECT_EQ(LastMallUrl(), "https://Shop.Example");
    ctrl->SetClientSite(nullptr);

    // A host that cannot name the page: the placeholder, also found once.
    ctrl->Release();
    ctrl = NewControl();
    PageSite silent;
    ctrl->SetClientSite(&silent);
    EXPECT_EQ(Run(Args()), 0);
    EXPECT_EQ(LastMallUrl(), UNKNOWN_SITE_URL);
    EXPECT_EQ(Run(Args()), 0);
    EXPECT_EQ(silent.calls, 1);
    EXPECT_STREQ(ctrl->m_LocalURL, UNKNOWN_SITE_URL);
    EXPECT_NE(std::string(UNKNOWN_SITE_URL), LOCAL_FILE_SITE_URL);
    ctrl->SetClientSite(nullptr);

    // An address the page gave is used as it is, and the host is never asked.
    ctrl->Release();
    ctrl = NewControl();
    PageSite unused;
    unused.page = u"http://never.example/";
    ctrl->SetClientSite(&unused);
    ASSERT_EQ(Call(ctrl, u"SetForcedLocalUrl", {u"http://forced.example"}).Long(), 0);
    EXPECT_EQ(Run(Args()), 0);
    EXPECT_EQ(unused.calls, 0);
    EXPECT_EQ(LastMallUrl(), "http://forced.example");
    ctrl->SetClientSite(nullptr);
}

// ---------------------------------------------------------------- the SSL provider

TEST_F(GetPAReqRun, ExportGradeProviderWarnsEvenWhenTheArgumentsFail) {
    Provider(u"TLS / SSL Security Provider (Export Version)");
    std::vector<Arg> bad = Args();
    bad[4] = u"123";
    Seen seen;
    EXPECT_EQ(Run(bad, &seen), GETPAREQ_ERROR_ARGUMENT);
    ASSERT_EQ(seen.boxes.size(), 1u);
    const afxtest::MessageBoxState& box = seen.boxes[0];
    EXPECT_EQ(box.textUtf8, kWarningEn);
    EXPECT_EQ(box.captionUtf8, "VemoMPIOCX") << "the framework's caption";
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(box.modal);
    EXPECT_FALSE(box.owned);
    EXPECT_FALSE(seen.dialog);
    EXPECT_EQ(Get(ctrl, u"Msg1").Text(), u"Error : Input Parameter invalid");
}

TEST_F(GetPAReqRun, KoreanWarningAndTheAuthenticationGoesOn) {
    setenv("LANG", "ko_KR.UTF-8", 1);
    Provider(u"PCT / SSL Security Provider (Export Version)");
    Seen seen;
    EXPECT_EQ(Run(Args(), &seen), 0);
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0].textUtf8.rfind(kWarningKoStart, 0), 0u) << seen.boxes[0].textUtf8;
    EXPECT_EQ(seen.boxes[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(seen.dialog) << "the warning does not end the call";
    EXPECT_EQ(mpi.Enrollments().size(), 1u);
}

TEST_F(GetPAReqRun, OtherProvidersAndNoProviderAreSilent) {
    std::vector<Arg> bad = Args();
    bad[0] = u"";
    for (const char16_t* description :
         {u"TLS / SSL Security Provider", u"tls / ssl security provider (export version)",
          u"TLS / SSL Security Provider (Export Version) ", u"PCT / SSL Security Provider (Export)"}) {
        Provider(description);
        Seen seen;
        EXPECT_EQ(Run(bad, &seen), GETPAREQ_ERROR_ARGUMENT);
        EXPECT_TRUE(seen.boxes.empty()) << std::string(seen.boxes.empty() ? "" : seen.boxes[0].textUtf8);
    }
    std::remove((dir / "schannel.dll").c_str());
    Seen none;
    EXPECT_EQ(Run(bad, &none), GETPAREQ_ERROR_ARGUMENT);
    EXPECT_TRUE(none.boxes.empty());
    pe::WriteFile(dir / "schannel.dll", pe::Image(false, pe::Resources::None));
    EXPECT_EQ(Run(bad, &none), GETPAREQ_ERROR_ARGUMENT);
    EXPECT_TRUE(none.boxes.empty());
}

TEST_F(GetPAReqRun, NoWarningWhenWinsockCannotStart) {
    Provider(u"TLS / SSL Security Provider (Export Version)");
    ctrl->Release();
    WSASetStartupErrorForTesting(WSASYSNOTREADY);
    ctrl = NewControl();
    Seen seen;
    EXPECT_EQ(Run(Args(), &seen), GETPAREQ_ERROR_WINSOCK);
    EXPECT_TRUE(seen.boxes.empty());
    EXPECT_FALSE(seen.dialog);
    EXPECT_TRUE(mpi.Enrollments().empty());
}

// ---------------------------------------------------------------- the skinned dialog

TEST_F(GetPAReqRun, SkinnedDialogRunsByDefault) {
    ASSERT_EQ(Call(ctrl, u"SetNormalDialog", {0}).Long(), 0);
    Seen seen;
    EXPECT_EQ(Run(Args(), &seen), 0);
    EXPECT_TRUE(seen.dialog);
    EXPECT_EQ(Get(ctrl, u"Code2").Text(), u"0");
    EXPECT_FALSE(seen.window.decorated) << "the skinned dialog has no caption";
    EXPECT_FALSE(seen.plainWithoutParent);

    // A close request (Alt+F4) ends it with 2, which is what the call returns.
    sandbox::EnrollmentReply reply;
    reply.silent = true;
    mpi.SetEnrollmentReply(reply);
    bool closed = false;
    EXPECT_EQ(Run(Args(), nullptr, [&](HWND hwnd) {
                  if (!closed && mpi.Enrollments().size() == 2) {
                      closed = true;
                      afxtest::SendCloseRequest(hwnd);
                  }
              }),
              2);
}
