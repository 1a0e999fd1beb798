// The shared authentication steps with a stand-in dialog: request
// composition, reply parsing, hand-off form and result capture.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "auth/AuthFlow.h"
#include "crypto/MPISeal.h"

namespace {

// Records what the steps ask of the dialog.
class FakeSite : public IAuthDialogSite {
public:
    void AuthEndDialog(int nResult) override { ended.push_back(nResult); }
    void AuthKillTimer(UINT id) override { killed.push_back(id); }
    void AuthNavigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT* post, VARIANT* headers) override {
        navigations++;
        navUrl = AuthVariantText(url);
        navHeaders = AuthVariantText(headers);
        navPost.clear();
        if (post->vt == (VT_ARRAY | VT_UI1)) {
            void* data = nullptr;
            SafeArrayAccessData(post->parray, &data);
            navPost.assign(static_cast<char*>(data), post->parray->rgsabound[0].cElements);
            SafeArrayUnaccessData(post->parray);
        }
    }
    bool AuthGetDocumentHTML(BSTR* html) override {
        if (!hasDocument) return false;
        *html = AnsiToBstr(document.c_str());
        return true;
    }
    std::vector<int> ended;
    std::vector<UINT> killed;
    int navigations = 0;
    std::string navUrl, navHeaders, navPost, document;
    bool hasDocument = true;
};

HTTP_THREAD_PARAM g_testParam;
const AUTH_DIALOG_KIND kKind = {"CTestAuthDialog", &g_testParam, nullptr, nullptr};

class AuthFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LANG", "en_US.UTF-8", 1);
        ctrl = new CVemoMPIOCXCtrl();
        flow.m_pVemoMPIOCXCtrl = ctrl;
        std::strcpy(ctrl->m_szMallID, "SHOP01");
        std::strcpy(ctrl->m_szMallName, "Cafe & Bar");
        std::strcpy(ctrl->m_LocalURL, "http://shop.example");
        std::strcpy(ctrl->m_szCardNum, "4111222233334444");
        std::strcpy(ctrl->m_szExpiryYear, "2029");
        std::strcpy(ctrl->m_szExpiryMonth, "07");
        std::strcpy(ctrl->m_szTotalPrice, "15000");
        std::strcpy(ctrl->m_szInstallment, "03");
        std::strcpy(ctrl->m_szDesc, "coffee beans");
        ctrl->m_iAuthState = STATE_VEREQ;
    }
    void TearDown() override {
        ctrl->Release();
        setenv("LANG", "en_US.UTF-8", 1);
    }
    // A finished exchange holding `reply` (or an error text).
    void Reply(const std::string& reply, const char* error = "") {
        flow.m_pExchange = std::make_shared<CHTTPExchange>();
        std::strncpy(flow.m_pExchange->m_szHTTPRecvData, reply.c_str(), sizeof(flow.m_pExchange->m_szHTTPRecvData) - 1);
        std::strcpy(flow.m_pExchange->m_szHTTPLastErrorMessage, error);
        flow.m_pExchange->m_bThreadEnd = 1;
    }
    std::string Body() {
        char body[4096];
        EXPECT_EQ(AuthComposeRequest(ctrl, util, body, sizeof(body)), 0);
        return body;
    }
    VARIANT UrlVariant(const char* url) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = AnsiToBstr(url);
        return v;
    }
    void Complete(const char* url) {
        VARIANT v = UrlVariant(url);
        flow.OnDocumentComplete(&v);
        VariantClear(&v);
    }

    CVemoMPIOCXCtrl* ctrl = nullptr;
    CMPIUtil util;
    FakeSite site;
    CAuthFlow flow{kKind, &site};
};

const char kResultUrl[] = "http://mpi.example/MPI/VerifyPARes.jsp";

}  // namespace

// ---------------------------------------------------------------- request

TEST_F(AuthFlowTest, PlainRequestCarriesEveryFieldUnescaped) {
    ctrl->m_bUseEnc = 0;
    EXPECT_EQ(Body(),
              "mall_id=SHOP01&mall_name=Cafe & Bar&mall_url=http://shop.example&cardnum=4111222233334444"
              "&expiry_year=2029&expiry_month=07&totalprice=15000&installment=03&desc=coffee beans&currency=KRW"
              "&ExtraParams=&VemoMPIParam=End");
    EXPECT_STREQ(ctrl->m_szCardNum, "4111222233334444") << "no masking without encryption";
    std::strcpy(ctrl->m_ExtraParams, "a=1&b=2");
    EXPECT_NE(Body().find("&ExtraParams=a%3D1%26b%3D2&VemoMPIParam=End"), std::string::npos);
}

TEST_F(AuthFlowTest, SealedRequestOrderAndMasking) {
    std::strcpy(ctrl->m_ExtraParams, "a=1&b=2");
    std::string body = Body();
    ASSERT_EQ(body.rfind("data=", 0), 0u);
    std::string list, error;
    ASSERT_TRUE(MPIOpenSealedParam(body.data() + 5, body.size() - 5, &list, &error)) << error;
    EXPECT_EQ(list,
              "SHOP01|Cafe & Bar|http://shop.example|4111222233334444|2029|07|03|15000|KRW|coffee beans|a%3D1%26b%3D2");
    EXPECT_STREQ(ctrl->m_szCardNum, "411122223333****") << "the control keeps the number masked";

    std::strcpy(ctrl->m_szCardNum, "1234");
    Body();
    EXPECT_STREQ(ctrl->m_szCardNum, "1234") << "four characters are not masked";
}

TEST_F(AuthFlowTest, RequestThatCannotBeSentWholeIsRefused) {
    // 1023 escaped characters of extra parameters: 3069 characters, plus the
    // rest, still fit the 4095-byte body unsealed.
    ctrl->m_bUseEnc = 0;
    std::memset(ctrl->m_ExtraParams, '&', 1023);
    ctrl->m_ExtraParams[1023] = '\0';
    char body[4096];
    EXPECT_EQ(AuthComposeRequest(ctrl, util, body, sizeof(body)), 0);
    std::memset(ctrl->m_szDesc, 'd', 1023);
    EXPECT_EQ(AuthComposeRequest(ctrl, util, body, sizeof(body)), AUTH_ERROR_SEAL);
    EXPECT_STREQ(body, "") << "nothing half-written is left to send";
    // Sealed, the same data grows past what one body can carry.
    ctrl->m_bUseEnc = 1;
    EXPECT_EQ(AuthComposeRequest(ctrl, util, body, sizeof(body)), AUTH_ERROR_SEAL);
}

// ---------------------------------------------------------------- reply

TEST_F(AuthFlowTest, GoodReplyFillsTheResultsAndHandsOff) {
    Reply("<html><body>0|Enrolled|eJzzSM3JyVcozy/KSQEAGgQEXQ==|http://acs.example/pa|md1|http://mpi.example/MPI/VerifyPARes</body></html>");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_EQ(ctrl->m_iAuthState, STATE_PAREQ);
    EXPECT_STREQ(ctrl->m_Code1, "0");
    EXPECT_STREQ(ctrl->m_Msg1, "Enrolled");
    EXPECT_STREQ(ctrl->m_PaReq, "eJzzSM3JyVcozy/KSQEAGgQEXQ==");
    EXPECT_STREQ(ctrl->m_AcsUrl, "http://acs.example/pa");
    EXPECT_STREQ(ctrl->m_Md, "md1");
    EXPECT_STREQ(ctrl->m_Md64, "bWQx");
    EXPECT_STREQ(ctrl->m_TermUrl, "http://mpi.example/MPI/VerifyPARes");
    EXPECT_TRUE(site.ended.empty());
    ASSERT_EQ(site.navigations, 1);
    EXPECT_EQ(site.navUrl, "http://acs.example/pa");
    EXPECT_EQ(site.navHeaders, "Content-Type: application/x-www-form-urlencoded\r\n");
    EXPECT_EQ(site.navPost,
              "PaReq=eJzzSM3JyVcozy%2FKSQEAGgQEXQ%3D%3D&TermUrl=http%3A%2F%2Fmpi%2Eexample%2FMPI%2FVerifyPARes&MD=md1");
}

TEST_F(AuthFlowTest, HandOffAppendsExtraParametersRaw) {
    std::strcpy(ctrl->m_ExtraParams, "a=1&b=2");
    Reply("x<BODY>0|ok|p|http://acs/|m|http://t/</BODY>xx");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_EQ(site.navPost, "PaReq=p&TermUrl=http%3A%2F%2Ft%2F&MD=m&a=1&b=2");
}

TEST_F(AuthFlowTest, RefusalEndsWithTheCodeAndStillStoresTheRest) {
    Reply("<html><BODY>31|Not enrolled|p|http://acs/|m|http://t/</BODY></html>");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_EQ(site.ended, std::vector<int>{31});
    EXPECT_STREQ(ctrl->m_Code1, "31");
    EXPECT_STREQ(ctrl->m_Msg1, "Not enrolled");
    EXPECT_STREQ(ctrl->m_PaReq, "p");
    EXPECT_STREQ(ctrl->m_Md64, "bQ==");
    EXPECT_STREQ(ctrl->m_TermUrl, "http://t/");
}

TEST_F(AuthFlowTest, RefusalCodesThatReadAsZeroDoNotLookLikeSuccess) {
    for (const char* code : {"00", " 0", "A5", "\n0"}) {
        site.ended.clear();
        ctrl->m_iAuthState = STATE_VEREQ;
        Reply(std::string("<html><body>") + code + "|No|p|http://acs/|m|http://t/</body></html>");
        EXPECT_EQ(flow.AuthThreadProcessParse(), 0) << code;
        EXPECT_EQ(site.ended, std::vector<int>{AUTH_ERROR_NETWORK}) << code;
        EXPECT_STREQ(ctrl->m_Code1, code);
    }
}

TEST_F(AuthFlowTest, ReplyFailures) {
    struct Case {
        std::string reply;
        const char* error;
        int code;
        const char* msg1;
    } cases[] = {
        {"", "SOCKET_CONNECT Error Code:-1", 11002, "Network or Server Error, Try Again! (SOCKET_CONNECT Error Code:-1)"},
        {std::string(15, 'x'), "", 11002, "Network or Server Error, Try Again! (Size : 15) ()"},
        {std::string(4096, 'x'), "", 11002, "Network or Server Error, Try Again! (Size : 4096) ()"},
        {"<BODY>0|a|b|c|d|e</BODY>padding", "", 11003, "Network or Server Error, Try Again! (Tag invalid Error 0, 17)"},
        {"xx< BODY>0|a|b|c|d|e</BODY>padding", "", 11003, "Network or Server Error, Try Again! (Tag invalid Error 0, 20)"},
        {"xx</BODY>0|a|b|c|d|e<BODY>padding", "", 11003, "Network or Server Error, Try Again! (Tag invalid Error 20, 2)"},
        {"x<body>0|a|b|c|d</body>padding", "", 11004, "Network or Server Error, Try Again! (Param Number : 5)"},
        {"x<body>0|a|b|c|d|e|f</body>padding", "", 11004, "Network or Server Error, Try Again! (Param Number : 7)"},
    };
    for (const auto& k : cases) {
        ctrl->m_iAuthState = STATE_VEREQ;
        ctrl->m_Msg1.Empty();
        Reply(k.reply, k.error);
        EXPECT_EQ(flow.AuthThreadProcessParse(), k.code) << k.reply;
        EXPECT_STREQ(ctrl->m_Msg1, k.msg1) << k.reply;
        EXPECT_STREQ(ctrl->m_Code1, "");
        EXPECT_EQ(ctrl->m_iAuthState, STATE_PAREQ);
    }
    EXPECT_EQ(site.navigations, 0);
}

TEST_F(AuthFlowTest, ReplyParsingQuirksThatServersMayRelyOn) {
    // Consecutive separators count as one; the closing tag needs only its
    // first six characters; letter case of tags does not matter, of fields does.
    Reply("<Html><BoDy>0||MsG|p|http://acs/|m|http://t/</BODYX></Html>");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_STREQ(ctrl->m_Msg1, "MsG");
    // A line break after the opening tag belongs to the code: a refusal.
    ctrl->m_iAuthState = STATE_VEREQ;
    Reply("<html><body>\n0|a|p|http://acs/|m|http://t/</body></html>");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_STREQ(ctrl->m_Code1, "\n0");
    // The last occurrence of each tag counts.
    ctrl->m_iAuthState = STATE_VEREQ;
    Reply("x<body>junk</body><body>0|a|p|http://acs/|m|http://t/</body>..");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 0);
    EXPECT_STREQ(ctrl->m_PaReq, "p");
}

TEST_F(AuthFlowTest, KoreanMessagesInCodePage949) {
    setenv("LANG", "ko_KR.UTF-8", 1);
    Reply("x<body>0|a</body>paddingpadding");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 11004);
    std::string msg = ctrl->m_Msg1.GetString();
    EXPECT_EQ(msg.rfind("\xBC\xAD\xB9\xF6", 0), 0u) << "begins with the Korean word for server";
    EXPECT_NE(msg.find(", \xC0\xE1\xBD\xC3"), std::string::npos) << "a comma after the first clause";
    EXPECT_NE(msg.find("(Param Number : 2)"), std::string::npos);
    ctrl->m_iAuthState = STATE_VEREQ;
    Reply("", "X");
    EXPECT_EQ(flow.AuthThreadProcessParse(), 11002);
    msg = ctrl->m_Msg1.GetString();
    EXPECT_NE(msg.find("\xB4\xD9. \xC0\xE1"), std::string::npos) << "a full stop after the first clause";
    EXPECT_EQ(msg.substr(msg.size() - 6), "!  (X)") << "two blanks before the error text";
}

TEST_F(AuthFlowTest, StateDecidesBeforeAnyCheck) {
    Reply("garbage");
    ctrl->m_iAuthState = STATE_CANCEL;
    EXPECT_EQ(flow.AuthThreadProcessParse(), 12006);
    ctrl->m_iAuthState = STATE_TIMEOUT;
    EXPECT_EQ(flow.AuthThreadProcessParse(), 11001);
    ctrl->m_iAuthState = STATE_COMPLETE;
    EXPECT_EQ(flow.AuthThreadProcessParse(), 11000);
    EXPECT_STREQ(ctrl->m_Msg1, "") << "nothing is stored in these cases";
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);
}

TEST_F(AuthFlowTest, ClientDataIsHandedToTheControlAfterTheThreadEnded) {
    Reply("HTTP/1.1 200 OK\r\n...");
    flow.m_pExchange->m_strClientHTTPData1 = "HTTP/1.1 200 OK";
    flow.m_pExchange->m_bClientHTTPData1 = true;
    flow.AuthThreadProcessParse();
    EXPECT_STREQ(ctrl->m_strClientHTTPData1, "HTTP/1.1 200 OK");
}

// ---------------------------------------------------------------- result capture

TEST_F(AuthFlowTest, ResultPageFillsTheSevenValues) {
    ctrl->m_iAuthState = STATE_PAREQ;
    site.document = "<html><body><div id=\"r\">('0','Authenticated','AAABBBCCC','md-2','05','2','4111222233334444')</div></body></html>";
    Complete(kResultUrl);
    EXPECT_EQ(site.ended, std::vector<int>{0});
    EXPECT_EQ(ctrl->m_iAuthState, STATE_COMPLETE);
    EXPECT_STREQ(ctrl->m_Code2, "0");
    EXPECT_STREQ(ctrl->m_Msg2, "Authenticated");
    EXPECT_STREQ(ctrl->m_Cavv, "AAABBBCCC");
    EXPECT_STREQ(ctrl->m_Md, "md-2");
    EXPECT_STREQ(ctrl->m_Eci, "05");
    EXPECT_STREQ(ctrl->m_CavvAlg, "2");
    EXPECT_STREQ(ctrl->m_realPan, "4111222233334444");
    EXPECT_STREQ(ctrl->m_json, ")") << "without an object the closing piece stays";
    EXPECT_STREQ(ctrl->m_strClientHTTPUrl, kResultUrl);
    EXPECT_EQ(site.killed, (std::vector<UINT>{1, 2, 3, 4}));
}

TEST_F(AuthFlowTest, DebuggerOutputMasksSecretsWhereverTheyStand) {
    // A comma in the message shifts every later value by one slot.
    ctrl->m_iAuthState = STATE_PAREQ;
    site.document = "<div>('0','Authenticated, thank you','AAABBJkZUQAAAAAAAAAAAAAAAAA=','md-2','05','2',"
                    "'4111 2222-3333 4444')</div>";
    setenv("VEMOMPI_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    Complete(kResultUrl);
    std::string out = testing::internal::GetCapturedStderr();
    unsetenv("VEMOMPI_DEBUG");
    EXPECT_EQ(out.find("AAABBJkZUQ"), std::string::npos) << out;
    EXPECT_EQ(out.find("4111"), std::string::npos) << out;
    EXPECT_NE(out.find("**** ****-**** 4444"), std::string::npos) << out;
    EXPECT_NE(out.find(" thank you"), std::string::npos) << "a harmless value stays readable: " << out;
    EXPECT_STREQ(ctrl->m_Cavv, " thank you") << "the shift itself is the page's quirk";
}

TEST_F(AuthFlowTest, DebuggerOutputNeverShowsTheCardNumberOrCryptogram) {
    ctrl->m_iAuthState = STATE_PAREQ;
    site.document = "<html><body><div>('0','Authenticated','AAABBJkZUQAAAAAAAAAAAAAAAAA=','md-2','05','2','4111222233334444')</div></body></html>";
    setenv("VEMOMPI_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    Complete(kResultUrl);
    std::string out = testing::internal::GetCapturedStderr();
    unsetenv("VEMOMPI_DEBUG");
    EXPECT_NE(out.find("Authenticated"), std::string::npos) << out;
    EXPECT_NE(out.find("************4444"), std::string::npos) << out;
    EXPECT_EQ(out.find("4111222233334444"), std::string::npos) << out;
    EXPECT_EQ(out.find("AAABBJkZUQ"), std::string::npos) << out;
    EXPECT_STREQ(ctrl->m_realPan, "4111222233334444") << "the properties themselves keep the values";
    EXPECT_STREQ(ctrl->m_Cavv, "AAABBJkZUQAAAAAAAAAAAAAAAAA=");
}

TEST_F(AuthFlowTest, ResultPageVariants) {
    // A JSON object elsewhere replaces the closing piece (cut at the first "}").
    ctrl->m_iAuthState = STATE_PAREQ;
    site.document = "<p>>('0', 'OK', 'cv', 'md')</p><script>var r = {\"eci\":\"05\",\"x\":{\"y\":1}};</script>";
    Complete(kResultUrl);
    EXPECT_EQ(site.ended.back(), 0);
    EXPECT_STREQ(ctrl->m_Msg2, "OK") << "one blank after each comma is skipped";
    EXPECT_STREQ(ctrl->m_Eci, ")");
    EXPECT_STREQ(ctrl->m_json, "{\"eci\":\"05\",\"x\":{\"y\":1}");

    // A comma inside a value splits it and shifts the rest.
    site.document = "<p>>('1','failed, try again','cv','md','07')</p>";
    Complete(kResultUrl);
    EXPECT_STREQ(ctrl->m_Msg2, "failed");
    EXPECT_STREQ(ctrl->m_Cavv, " try again");

    // Three values: the closing piece fills slot 4.
    site.document = "<p>>('1','m','c')</p> and some more text";
    Complete(kResultUrl);
    EXPECT_EQ(site.ended.back(), 0);
    EXPECT_STREQ(ctrl->m_Md, ")");
}

TEST_F(AuthFlowTest, ResultPageFailures) {
    struct Case {
        const char* page;
        int code;
    } cases[] = {
        {"<p>too short</p>", 12003},
        {"<html>no record at all here</html>", 12004},
        {"<html>>('0','1','2' never closed</html>", 12004},
        {"<html>>('0','m')</html>", 12005},
    };
    for (const auto& k : cases) {
        site.document = k.page;
        Complete(kResultUrl);
        EXPECT_EQ(site.ended.back(), k.code) << k.page;
        EXPECT_STREQ(ctrl->m_strClientHTTPData2, k.page) << "the page stays readable after a failure";
    }
    site.hasDocument = false;
    Complete(kResultUrl);
    EXPECT_EQ(site.ended.back(), 12002);
    EXPECT_STREQ(ctrl->m_Code2, "") << "properties are written only on success";
}

TEST_F(AuthFlowTest, OnlyResultPagesAreCaptured) {
    site.document = "<p>>('0','OK','cv','md')</p>";
    Complete("http://mpi.example/VemoMPI/Wait.html");  // "MPI" but not the result page
    Complete("http://mpi.example/mpi/verifypares");     // markers in lower case
    Complete("MPI/VerifyPARes");                        // "MPI" at position 0
    EXPECT_TRUE(site.ended.empty());
    EXPECT_STREQ(ctrl->m_strClientHTTPUrl, "MPI/VerifyPARes");
}

TEST_F(AuthFlowTest, BrowserErrorPageLeavesTheDialogOpen) {
    site.document = "<html><title>x</title><body>Cannot find server or DNS Error</body></html>";
    Complete(kResultUrl);
    EXPECT_TRUE(site.ended.empty());
    EXPECT_EQ(site.killed, (std::vector<UINT>{1, 2, 3, 4}));
    EXPECT_EQ(ctrl->m_iAuthState, STATE_VEREQ);
}

TEST_F(AuthFlowTest, LongResultPageIsSearchedInItsFirst8095Bytes) {
    std::string page = "<p>" + std::string(8000, ' ') + ">('0','OK','cv','md')</p>";
    site.document = page;
    Complete(kResultUrl);
    EXPECT_EQ(site.ended.back(), 0);
    std::string late = "<p>" + std::string(8100, ' ') + ">('0','OK','cv','md')</p>";
    site.document = late;
    Complete(kResultUrl);
    EXPECT_EQ(site.ended.back(), 12004);
    EXPECT_EQ(ctrl->m_strClientHTTPData2.GetLength(), static_cast<int>(late.size())) << "the whole page stays readable";
}
