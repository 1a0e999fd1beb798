// The administrators' policy: its rules (origins, site lists, the switch),
// how it is read from the machine's registry key, the control's refusals
// before anything is sent, and the ACS and result page rules of the
// authentication steps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "auth/AuthFlow.h"
#include "control/VemoMPIOCXAuth.h"
#include "platform/win/win.h"
#include "tests/support/dispatch.h"
#include "tests/support/http.h"
#include "tests/support/loopback.h"
#include "tests/support/policy.h"
#include "tests/support/tempdir.h"

using script::Arg;
using script::Call;

namespace {

std::string Origin(const char* url) {
    std::string origin;
    return MPIUrlOrigin(url, &origin) ? origin : "<none>";
}

std::vector<std::string> Sites(DWORD type, const std::string& bytes) {
    return MPIPolicySiteList(type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

bool FlagOn(DWORD type, const std::string& bytes) {
    return MPIPolicyFlagOn(type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof(v)); }

// Every test has a registry file of its own.
class PolicyRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
        setenv("VEMOMPI_REGISTRY", file.c_str(), 1);
        setenv("VEMOMPI_SYSTEM_DIR", dir.path().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("VEMOMPI_SYSTEM_DIR");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    TempDir dir;
    std::string file = dir / "registry.reg";
};

}  // namespace

// ---------------------------------------------------------------- the rules

TEST(PolicyRules, OriginsAreSchemeHostAndPortNormalised) {
    EXPECT_EQ(Origin("https://Shop.Example.COM/cart?x=1#f"), "https://shop.example.com:443");
    EXPECT_EQ(Origin("HTTP://shop.example.com"), "http://shop.example.com:80");
    EXPECT_EQ(Origin("https://shop.example.com:8443/pay"), "https://shop.example.com:8443");
    EXPECT_EQ(Origin("https://shop.example.com:443"), "https://shop.example.com:443");
    EXPECT_EQ(Origin("https://shop.example.com:0443"), "https://shop.example.com:443");
    EXPECT_EQ(Origin("https://shop.example.com:/"), "https://shop.example.com:443") << "an empty port is the default";
    EXPECT_EQ(Origin("https://user:pw@shop.example.com/"), "https://shop.example.com:443");
    EXPECT_EQ(Origin("https://shop.example.com@evil.example/"), "https://evil.example:443") << "the host is after the @";
    EXPECT_EQ(Origin("http://[::1]:8080/"), "http://[::1]:8080");
    EXPECT_EQ(Origin("https://127.0.0.1?q"), "https://127.0.0.1:443");
    for (const char* bad : {"", "https:", "https:/x", "https://", "https:///path", "ftp://shop.example.com",
                            "file:///C:/shop.html", "about:blank", "https://shop.example.com:65536",
                            "https://shop.example.com:0", "https://shop.example.com:-1", "https://shop.example.com:8a",
                            "https://shop example.com", "https://shop%2Eexample.com", "https://good.example\\@evil.example/",
                            "https://[::1", "https://[]/", "https://[zz]/", " https://shop.example.com", "https//x",
                            "javascript://shop.example.com"})
        EXPECT_EQ(Origin(bad), "<none>") << bad;
    EXPECT_TRUE(MPIIsHttpsUrl("HTTPS://mpi.example/VemoMPI/Enroll.jsp"));
    EXPECT_FALSE(MPIIsHttpsUrl("http://mpi.example/VemoMPI/Enroll.jsp"));
    EXPECT_FALSE(MPIIsHttpsUrl("https:mpi.example"));
    EXPECT_FALSE(MPIIsHttpsUrl(nullptr));
}

TEST(PolicyRules, SiteListsTakeOriginsAndIgnoreEverythingElse) {
    EXPECT_EQ(Sites(REG_SZ, "https://shop.example.com;https://pay.example.com:8443"),
              (std::vector<std::string>{"https://shop.example.com:443", "https://pay.example.com:8443"}));
    EXPECT_EQ(Sites(REG_SZ, " HTTPS://Shop.Example.com/ ,\thttp://a.example\r\nhttps://b.example:443;;"),
              (std::vector<std::string>{"https://shop.example.com:443", "http://a.example:80", "https://b.example:443"}));
    // Paths, queries, fragments and non-origins are not entries.
    EXPECT_EQ(Sites(REG_SZ, "https://a.example/shop https://b.example?x https://c.example#f *.example https://* "
                            "ftp://d.example https://e.example"),
              (std::vector<std::string>{"https://e.example:443"}));
    EXPECT_TRUE(Sites(REG_SZ, "").empty());
    // A REG_SZ ends at its first NUL; a REG_MULTI_SZ holds one entry per string.
    EXPECT_EQ(Sites(REG_SZ, std::string("https://a.example\0https://b.example\0", 36)),
              (std::vector<std::string>{"https://a.example:443"}));
    EXPECT_EQ(Sites(REG_MULTI_SZ, std::string("https://a.example\0https://b.example:8443\0\0", 42)),
              (std::vector<std::string>{"https://a.example:443", "https://b.example:8443"}));
    EXPECT_TRUE(Sites(REG_DWORD, Dword(1)).empty()) << "a number names no site";
    EXPECT_TRUE(Sites(REG_BINARY, "https://a.example").empty());
}

TEST(PolicyRules, TheSwitchIsOnForAnythingButZero) {
    EXPECT_FALSE(FlagOn(REG_DWORD, Dword(0)));
    EXPECT_TRUE(FlagOn(REG_DWORD, Dword(1)));
    EXPECT_TRUE(FlagOn(REG_DWORD, Dword(2)));
    EXPECT_TRUE(FlagOn(REG_DWORD, Dword(0x80000000u)));
    EXPECT_FALSE(FlagOn(REG_QWORD, std::string(8, '\0')));
    EXPECT_TRUE(FlagOn(REG_QWORD, std::string(7, '\0') + "\x01"));
    EXPECT_FALSE(FlagOn(REG_SZ, std::string("0\0", 2)));
    EXPECT_FALSE(FlagOn(REG_SZ, std::string(" 000 \0", 6)));
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("1\0", 2)));
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("10\0", 3)));
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("007", 3))) << "without its NUL";
    // What cannot be read as a number counts as on.
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("\0", 1)));
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("off\0", 4)));
    EXPECT_TRUE(FlagOn(REG_SZ, std::string("0x0\0", 4)));
    EXPECT_TRUE(FlagOn(REG_DWORD, std::string(3, '\0')));
    EXPECT_TRUE(FlagOn(REG_BINARY, std::string(4, '\0')));
}

TEST(PolicyRules, APageMustBeOnEveryList) {
    MPI_POLICY none;
    EXPECT_TRUE(MPIPolicySiteAllowed(none, nullptr)) << "no list: any page, even none";
    MPI_POLICY one;
    one.siteLists = {{"https://shop.example.com:443", "https://pay.example.com:8443"}};
    EXPECT_TRUE(MPIPolicySiteAllowed(one, "https://SHOP.example.com/cart/pay.jsp?order=7"));
    EXPECT_TRUE(MPIPolicySiteAllowed(one, "https://pay.example.com:8443/"));
    EXPECT_FALSE(MPIPolicySiteAllowed(one, "http://shop.example.com/")) << "scheme";
    EXPECT_FALSE(MPIPolicySiteAllowed(one, "https://shop.example.com:8443/")) << "port";
    EXPECT_FALSE(MPIPolicySiteAllowed(one, "https://pay.example.com/")) << "port";
    EXPECT_FALSE(MPIPolicySiteAllowed(one, "https://shop.example.com.evil.example/"));
    EXPECT_FALSE(MPIPolicySiteAllowed(one, "file:///C:/shop.html"));
    EXPECT_FALSE(MPIPolicySiteAllowed(one, nullptr)) << "no page";
    MPI_POLICY two = one;
    two.siteLists.push_back({"https://shop.example.com:443"});
    EXPECT_TRUE(MPIPolicySiteAllowed(two, "https://shop.example.com/"));
    EXPECT_FALSE(MPIPolicySiteAllowed(two, "https://pay.example.com:8443/")) << "not on the second list";
    MPI_POLICY empty;
    empty.siteLists = {{}};
    EXPECT_FALSE(MPIPolicySiteAllowed(empty, "https://shop.example.com/")) << "an empty list lets no page in";
}

TEST(PolicyRules, KoreanTextsNameThePolicy) {
    for (const char* text : {MPI_POLICY_MSG_MPI_HTTPS_KO, MPI_POLICY_MSG_ACS_HTTPS_KO, MPI_POLICY_MSG_TERM_HTTPS_KO}) {
        EXPECT_EQ(std::string(text).rfind("StrictTransport ", 0), 0u);
        EXPECT_NE(std::string(text).find("https"), std::string::npos);
    }
    EXPECT_EQ(std::string(MPI_POLICY_MSG_SITE_KO).rfind("AllowedSites ", 0), 0u);
    // "정책" (policy) in code page 949.
    EXPECT_NE(std::string(MPI_POLICY_MSG_SITE_KO).find("\xC1\xA4\xC3\xA5"), std::string::npos);
}

// ---------------------------------------------------------------- reading the key

TEST_F(PolicyRegistry, NoKeyIsTheDescribedBehaviour) {
    MPI_POLICY p = MPIReadPolicy();
    EXPECT_FALSE(p.bStrictTransport);
    EXPECT_FALSE(p.SiteLock());
    ASSERT_EQ(policytest::SetStrict(0), ERROR_SUCCESS);
    p = MPIReadPolicy();
    EXPECT_FALSE(p.bStrictTransport) << "0 is off";
    EXPECT_FALSE(p.SiteLock());
}

TEST_F(PolicyRegistry, TheMachinesKeyIsReadAtEachCallAndTheUsersIsNot) {
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    ASSERT_EQ(policytest::SetSites("https://shop.example.com"), ERROR_SUCCESS);
    MPI_POLICY p = MPIReadPolicy();
    EXPECT_TRUE(p.bStrictTransport);
    ASSERT_TRUE(p.SiteLock());
    EXPECT_EQ(p.siteLists[0], std::vector<std::string>{"https://shop.example.com:443"});

    // The user's key neither loosens nor sets anything.
    ASSERT_EQ(policytest::SetStrict(0, HKEY_CURRENT_USER), ERROR_SUCCESS);
    ASSERT_EQ(policytest::SetSites("https://evil.example", HKEY_CURRENT_USER), ERROR_SUCCESS);
    p = MPIReadPolicy();
    EXPECT_TRUE(p.bStrictTransport);
    for (const auto& list : p.siteLists) EXPECT_EQ(list, std::vector<std::string>{"https://shop.example.com:443"});

    // A change is seen by the next read.
    ASSERT_EQ(policytest::Remove(MPI_POLICY_STRICT_TRANSPORT), ERROR_SUCCESS);
    ASSERT_EQ(policytest::Remove(MPI_POLICY_ALLOWED_SITES), ERROR_SUCCESS);
    p = MPIReadPolicy();
    EXPECT_FALSE(p.bStrictTransport);
    EXPECT_FALSE(p.SiteLock());

    ASSERT_EQ(policytest::SetStrict(1, HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_FALSE(MPIReadPolicy().bStrictTransport) << "the user cannot switch it on either";
}

TEST_F(PolicyRegistry, AMultiStringListAndTheLengthLimit) {
    std::string multi("https://a.example\0https://b.example:8443\0\0", 42);
    ASSERT_EQ(policytest::SetValue(MPI_POLICY_ALLOWED_SITES, REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size())),
              ERROR_SUCCESS);
    MPI_POLICY p = MPIReadPolicy();
    ASSERT_TRUE(p.SiteLock());
    EXPECT_EQ(p.siteLists[0], (std::vector<std::string>{"https://a.example:443", "https://b.example:8443"}));

    // MPI_POLICY_SITES_MAX bytes (the NUL included) are read; one more and
    // no site is allowed.
    std::string entry = "https://a.example";
    std::string text = entry + std::string(MPI_POLICY_SITES_MAX - 1 - entry.size(), ' ');
    ASSERT_EQ(policytest::SetSites(text), ERROR_SUCCESS);
    p = MPIReadPolicy();
    ASSERT_TRUE(p.SiteLock());
    EXPECT_EQ(p.siteLists[0], std::vector<std::string>{"https://a.example:443"});
    ASSERT_EQ(policytest::SetSites(text + " "), ERROR_SUCCESS);
    p = MPIReadPolicy();
    ASSERT_TRUE(p.SiteLock());
    for (const auto& list : p.siteLists) EXPECT_TRUE(list.empty());
    EXPECT_FALSE(MPIPolicySiteAllowed(p, "https://a.example/"));
}

TEST_F(PolicyRegistry, AnAdministratorsRegFileIsRead) {
    {
        std::ofstream out(file, std::ios::binary);
        out << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VemoMPI\\Policy]\r\n"
               "\"StrictTransport\"=dword:00000001\r\n"
               "\"AllowedSites\"=\"https://shop.example.com;https://pay.example.com:8443\"\r\n";
    }
    MPI_POLICY p = MPIReadPolicy();
    EXPECT_TRUE(p.bStrictTransport);
    ASSERT_TRUE(p.SiteLock());
    EXPECT_EQ(p.siteLists[0], (std::vector<std::string>{"https://shop.example.com:443", "https://pay.example.com:8443"}));
}

TEST_F(PolicyRegistry, AKeyThatCannotBeReadClosesBoth) {
    {
        std::ofstream out(file, std::ios::binary);
        out << "this is no registry file\n";
    }
    MPI_POLICY p = MPIReadPolicy();
    EXPECT_TRUE(p.bStrictTransport);
    EXPECT_TRUE(p.SiteLock());
    EXPECT_FALSE(MPIPolicySiteAllowed(p, "https://shop.example.com/"));

    // A file that is not there is a registry without the key.
    std::remove(file.c_str());
    p = MPIReadPolicy();
    EXPECT_FALSE(p.bStrictTransport);
    EXPECT_FALSE(p.SiteLock());
}

// ---------------------------------------------------------------- the control's door

namespace {

class PolicyControl : public PolicyRegistry {
protected:
    void SetUp() override {
        PolicyRegistry::SetUp();
        ctrl = new CVemoMPIOCXCtrl();
    }
    void TearDown() override {
        ctrl->SetClientSite(nullptr);
        ctrl->Release();
        PolicyRegistry::TearDown();
    }
    static std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
    LONG GetPAReq2(const std::string& url) {
        script::Result r = Call(ctrl, u"GetPAReq2",
                                {u"SHOP01", u"Corner Shop", u"4111222233334444", u"2029", u"07", u"15000", u"00",
                                 u"coffee", U16(url)});
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }
    LONG SendHTTPPost(const std::string& url) {
        script::Result r = Call(ctrl, u"SendHTTPPost", {U16(url), 0, u"a", u"b", u"c"});
        EXPECT_EQ(r.hr, S_OK);
        return r.Long();
    }
    // The container's site; it outlives the control's hold on it.
    policytest::PageSite site;
    CVemoMPIOCXCtrl* ctrl = nullptr;
};

}  // namespace

TEST_F(PolicyControl, AnHttpAddressIsRefusedBeforeAnyConnection) {
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    loopback::Server listener(httptest::Reply(httptest::Response(200, "x")), 1);
    std::string url = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/mpi/enroll";
    EXPECT_EQ(GetPAReq2(url), 11002);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_MPI_HTTPS_EN);
    EXPECT_STREQ(ctrl->m_Code1, "");
    EXPECT_STREQ(ctrl->m_szServerUrl, "") << "nothing of the refused call is kept";
    EXPECT_STREQ(ctrl->m_szCardNum, "");
    EXPECT_EQ(SendHTTPPost(url), -100);
    setenv("LANG", "ko_KR.UTF-8", 1);
    EXPECT_EQ(GetPAReq2(url), 11002);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_MPI_HTTPS_KO);
    EXPECT_EQ(listener.Accepted(), 0) << "no connection was made";

    // Bad arguments are still reported as such.
    script::Result r = Call(ctrl, u"GetPAReq2", {u"", u"Corner Shop", u"4111", u"2029", u"07", u"1", u"00", u"", U16(url)});
    EXPECT_EQ(r.Long(), GETPAREQ_ERROR_ARGUMENT);
}

TEST_F(PolicyControl, TheSiteLockTakesThePagesOriginFromTheContainer) {
    ASSERT_EQ(policytest::SetSites("https://shop.example.com;https://pay.example.com:8443"), ERROR_SUCCESS);
    bool strict = true;
    // No client site at all.
    EXPECT_EQ(ctrl->CheckNetworkPolicy("http://127.0.0.1/", &strict), POLICY_SITE_REFUSED);
    EXPECT_FALSE(strict);
    ctrl->SetClientSite(&site);
    EXPECT_EQ(ctrl->CheckNetworkPolicy("http://127.0.0.1/", nullptr), POLICY_SITE_REFUSED) << "a container naming no page";
    struct Case {
        const char16_t* page;
        int expected;
    } cases[] = {
        {u"https://shop.example.com/cart/pay.jsp?order=7", POLICY_ALLOWED},
        {u"HTTPS://Shop.Example.com:443/", POLICY_ALLOWED},
        {u"https://pay.example.com:8443/checkout", POLICY_ALLOWED},
        {u"http://shop.example.com/cart", POLICY_SITE_REFUSED},
        {u"https://shop.example.com:8443/cart", POLICY_SITE_REFUSED},
        {u"https://pay.example.com/checkout", POLICY_SITE_REFUSED},
        {u"https://evil.example/shop.example.com", POLICY_SITE_REFUSED},
        {u"file:///C:/shop.html", POLICY_SITE_REFUSED},
    };
    for (const Case& k : cases) {
        site.page = k.page;
        EXPECT_EQ(ctrl->CheckNetworkPolicy("http://127.0.0.1/", nullptr), k.expected)
            << std::string(k.page, k.page + std::char_traits<char16_t>::length(k.page));
    }

    // What the page says of itself does not count.
    site.page = u"https://evil.example/";
    ASSERT_EQ(Call(ctrl, u"SetForcedLocalUrl", {u"https://shop.example.com"}).Long(), 0);
    loopback::Server listener(httptest::Reply(httptest::Response(200, "x")), 1);
    std::string url = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/";
    EXPECT_EQ(GetPAReq2(url), 11002);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_SITE_EN);
    EXPECT_EQ(SendHTTPPost(url), -100);
    EXPECT_EQ(listener.Accepted(), 0);

    // Read at each call: without the list the same page passes.
    ASSERT_EQ(policytest::Remove(MPI_POLICY_ALLOWED_SITES), ERROR_SUCCESS);
    EXPECT_EQ(ctrl->CheckNetworkPolicy(url.c_str(), nullptr), POLICY_ALLOWED);
}

TEST_F(PolicyControl, StrictTransportAsksForHttpsOnly) {
    bool strict = false;
    EXPECT_EQ(ctrl->CheckNetworkPolicy("http://mpi.example/", &strict), POLICY_ALLOWED);
    EXPECT_FALSE(strict);
    ASSERT_EQ(policytest::SetStrict(1), ERROR_SUCCESS);
    EXPECT_EQ(ctrl->CheckNetworkPolicy("https://mpi.example/VemoMPI/Enroll.jsp", &strict), POLICY_ALLOWED);
    EXPECT_TRUE(strict);
    for (const char* url : {"http://mpi.example/", "HTTP://mpi.example/", "mpi.example/", "", "https:mpi.example/",
                            "ftp://mpi.example/"})
        EXPECT_EQ(ctrl->CheckNetworkPolicy(url, nullptr), POLICY_HTTPS_REFUSED) << url;
}

// ---------------------------------------------------------------- the ACS and the result page

namespace {

// Records what the authentication steps ask of the dialog.
class FakeSite : public IAuthDialogSite {
public:
    void AuthEndDialog(int nResult) override { ended.push_back(nResult); }
    void AuthKillTimer(UINT) override {}
    void AuthNavigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        navigations.push_back(AuthVariantText(url));
    }
    bool AuthGetDocumentHTML(BSTR* html) override {
        ++documentReads;
        *html = AnsiToBstr("<html><body>>('0','Authenticated','CAVV','md-1','05','2','4111')</body></html>");
        return true;
    }
    std::vector<int> ended;
    std::vector<std::string> navigations;
    int documentReads = 0;
};

HTTP_THREAD_PARAM g_policyParam;
const AUTH_DIALOG_KIND kPolicyKind = {"CTestAuthDialog", &g_policyParam, nullptr, nullptr};

class PolicyFlow : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LANG", "en_US.UTF-8", 1);
        ctrl = new CVemoMPIOCXCtrl();
        flow.m_pVemoMPIOCXCtrl = ctrl;
        ctrl->m_iAuthState = STATE_VEREQ;
    }
    void TearDown() override { ctrl->Release(); }
    // Parses an enrollment reply naming these ACS and term addresses.
    int Parse(const std::string& code, const std::string& acs, const std::string& term) {
        flow.m_pExchange = std::make_shared<CHTTPExchange>();
        std::string reply = "<html><BODY>" + code + "|Enrolled|pareq|" + acs + "|md-1|" + term + "</BODY></html>";
        std::snprintf(flow.m_pExchange->m_szHTTPRecvData, sizeof(flow.m_pExchange->m_szHTTPRecvData), "%s",
                      reply.c_str());
        flow.m_pExchange->m_bThreadEnd = 1;
        ctrl->m_iAuthState = STATE_VEREQ;
        return flow.AuthThreadProcessParse();
    }
    void Complete(const char* url) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = AnsiToBstr(url);
        flow.OnDocumentComplete(&v);
        VariantClear(&v);
    }
    CVemoMPIOCXCtrl* ctrl = nullptr;
    FakeSite site;
    CAuthFlow flow{kPolicyKind, &site};
};

const char kAcs[] = "https://acs.example/pareq";
const char kTerm[] = "https://mpi.example/MPI/VerifyPARes.jsp";

}  // namespace

TEST_F(PolicyFlow, WithoutThePolicyAnyAddressIsHandedOn) {
    EXPECT_EQ(Parse("0", "http://acs.example/pareq", "http://mpi.example/MPI/VerifyPARes.jsp"), 0);
    EXPECT_EQ(site.navigations, std::vector<std::string>{"http://acs.example/pareq"});
    Complete("http://mpi.example/MPI/VerifyPARes.jsp");
    EXPECT_EQ(site.ended, std::vector<int>{0});
    EXPECT_STREQ(ctrl->m_Cavv, "CAVV");
}

TEST_F(PolicyFlow, TheAcsAndTheTermAddressMustBeHttps) {
    ctrl->m_bStrictTransport = 1;
    EXPECT_EQ(Parse("0", "http://acs.example/pareq", kTerm), AUTH_ERROR_NETWORK);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_ACS_HTTPS_EN);
    EXPECT_STREQ(ctrl->m_AcsUrl, "http://acs.example/pareq") << "the reply's fields are still there to read";
    EXPECT_EQ(Parse("0", kAcs, "http://mpi.example/MPI/VerifyPARes.jsp"), AUTH_ERROR_NETWORK);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_TERM_HTTPS_EN);
    setenv("LANG", "ko_KR.UTF-8", 1);
    EXPECT_EQ(Parse("0", "acs.example/pareq", kTerm), AUTH_ERROR_NETWORK);
    EXPECT_STREQ(ctrl->m_Msg1, MPI_POLICY_MSG_ACS_HTTPS_KO);
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_TRUE(site.navigations.empty()) << "the browser was never sent anywhere";

    // A refusal by the server keeps its code and its message.
    EXPECT_EQ(Parse("31", "http://acs.example/pareq", kTerm), 0);
    EXPECT_EQ(site.ended, std::vector<int>{31});
    EXPECT_STREQ(ctrl->m_Msg1, "Enrolled");
    EXPECT_TRUE(site.navigations.empty());

    EXPECT_EQ(Parse("0", kAcs, kTerm), 0);
    EXPECT_EQ(site.navigations, std::vector<std::string>{kAcs});
}

TEST_F(PolicyFlow, AResultPageThatDidNotComeOverHttpsIsNotRead) {
    ctrl->m_bStrictTransport = 1;
    ctrl->m_iAuthState = STATE_PAREQ;
    Complete("http://mpi.example/MPI/VerifyPARes.jsp");
    EXPECT_EQ(site.ended, std::vector<int>{AUTH_ERROR_NO_RECORD});
    EXPECT_EQ(site.documentReads, 0);
    EXPECT_STREQ(ctrl->m_Cavv, "");
    EXPECT_STREQ(ctrl->m_strClientHTTPUrl, "http://mpi.example/MPI/VerifyPARes.jsp");

    site.ended.clear();
    Complete("http://acs.example/issuer/page");
    EXPECT_TRUE(site.ended.empty()) << "the issuer's own pages are not result pages";
    Complete(kTerm);
    EXPECT_EQ(site.ended, std::vector<int>{0});
    EXPECT_STREQ(ctrl->m_Cavv, "CAVV");
}
