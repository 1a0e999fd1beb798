// The report's body: plain and sealed parameters, the body's limit, and a
// fresh set of report variables for each report. No window is made here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "crypto/MPISeal.h"
#include "transport/VemoMPIAutoReportDialog.h"

namespace {

// The value of field `name` in a form body ("" when absent).
std::string Field(const std::string& body, const std::string& name) {
    std::string key = name + "=";
    size_t at = body.rfind(key, 0) == 0 ? 0 : body.find("&" + key);
    if (at == std::string::npos) return "";
    if (at != 0) ++at;
    size_t start = at + key.size();
    size_t end = body.find('&', start);
    return body.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Open(const std::string& sealed) {
    std::string text, error;
    if (!MPIOpenSealedParam(sealed.c_str(), sealed.size(), &text, &error)) return "<" + error + ">";
    return text;
}

class ReportPostData : public ::testing::Test {
protected:
    void SetUp() override { setenv("LANG", "en_US.UTF-8", 1); }
    CVemoMPIAutoReportDialog dlg;
};

}  // namespace

TEST_F(ReportPostData, APlainBodyCarriesTheParametersUnchanged) {
    EXPECT_EQ(dlg.SetPostData("http://127.0.0.1:8080/err?x=1", 0, "a&b=c", "", "x y%"), 1);
    EXPECT_STREQ(dlg.m_pReport->szHTTPUrl, "http://127.0.0.1:8080/err?x=1");
    EXPECT_STREQ(dlg.m_pReport->szPostParam, "data1=a&b=c&data2=&data3=x y%&ParamEnd=End");
}

TEST_F(ReportPostData, ASealedBodyHoldsUrlEncodedBase64ThatOpensToEachParameter) {
    ASSERT_EQ(dlg.SetPostData("http://h/", 1, "code=11002&msg=Network", "second", "third"), 1);
    std::string body = dlg.m_pReport->szPostParam;
    ASSERT_EQ(body.substr(body.size() - 13), "&ParamEnd=End");
    const char* originals[] = {"code=11002&msg=Network", "second", "third"};
    for (int i = 0; i < 3; ++i) {
        std::string value = Field(body, "data" + std::to_string(i + 1));
        ASSERT_FALSE(value.empty());
        EXPECT_EQ(value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789%"),
                  std::string::npos)
            << value;
        EXPECT_EQ(Open(value), originals[i]);
    }
}

TEST_F(ReportPostData, AParameterThatCannotBeSealedRefusesTheWholeReportAndLeavesNothingInClear) {
    std::string big(3000, 'a');
    char out[4096];
    CMPIUtil util;
    ASSERT_EQ(MPISealParam(util, big.c_str(), big.size(), out, sizeof(out)), 0) << "its sealed form exceeds 4095";
    std::shared_ptr<CReportExchange> before = dlg.m_pReport;
    for (int slot = 0; slot < 3; ++slot) {
        const char* params[3] = {"one", "two", "three"};
        params[slot] = big.c_str();
        EXPECT_EQ(dlg.SetPostData("http://h/", 1, params[0], params[1], params[2]), REPORT_RESULT_FAIL) << slot;
        EXPECT_NE(dlg.m_pReport, before) << "a fresh, empty report";
        const CReportExchange& r = *dlg.m_pReport;
        EXPECT_STREQ(r.szPostParam, "") << slot;
        EXPECT_STREQ(r.szHTTPUrl, "") << "nothing to post to";
        for (const char* p : {r.szParam1, r.szParam2, r.szParam3}) EXPECT_STREQ(p, "") << slot;
    }
    // Without encryption the same parameter goes plain, as asked.
    ASSERT_EQ(dlg.SetPostData("http://h/", 0, "one", big.c_str(), "three"), 1);
    EXPECT_EQ(Field(dlg.m_pReport->szPostParam, "data2"), big);
}

TEST_F(ReportPostData, ABodyOver4095CharactersIsRefusedWholeAndLeavesNothingToPost) {
    // 33 characters of the format and 4062 of the values fill the body.
    std::string fits(4062, 'x');
    ASSERT_EQ(dlg.SetPostData("http://h/", 0, fits.c_str(), "", ""), 1);
    EXPECT_EQ(std::string(dlg.m_pReport->szPostParam).size(), 4095u);

    std::string over(4063, 'x');
    EXPECT_EQ(dlg.SetPostData("http://h/", 0, "", over.c_str(), ""), 0);
    EXPECT_STREQ(dlg.m_pReport->szHTTPUrl, "");
    EXPECT_STREQ(dlg.m_pReport->szPostParam, "");
    // So is a text its buffer cannot hold whole.
    EXPECT_EQ(dlg.SetPostData(("http://h/" + std::string(4087, 'u')).c_str(), 0, "", "", ""), 0);
    EXPECT_EQ(dlg.SetPostData(("http://h/" + std::string(4086, 'u')).c_str(), 0, "", "", ""), 1);
    // Sealing can push a body over the limit too.
    std::string sealedOver(1500, 'y');
    EXPECT_EQ(dlg.SetPostData("http://h/", 1, sealedOver.c_str(), sealedOver.c_str(), ""), 0);
}

TEST_F(ReportPostData, EachReportGetsItsOwnVariables) {
    ASSERT_EQ(dlg.SetPostData("http://h/1", 0, "a", "b", "c"), 1);
    std::shared_ptr<CReportExchange> first = dlg.m_pReport;
    first->iThreadState = STATE_THREAD_2;
    first->iThreadResult1.store(404);
    ASSERT_EQ(dlg.SetPostData("http://h/2", 0, "d", "e", "f"), 1);
    ASSERT_NE(dlg.m_pReport, first);
    EXPECT_EQ(dlg.m_pReport->iThreadState, REPORT_STATE_INIT);
    EXPECT_EQ(dlg.m_pReport->iThreadResult1.load(), -999);
    EXPECT_EQ(dlg.m_pReport->iThreadResult2.load(), -999);
    EXPECT_EQ(dlg.m_pReport->m_Handles.m_hSocket.Get(), 0u);
    EXPECT_STREQ(first->szHTTPUrl, "http://h/1") << "an earlier report's worker keeps its own";
}
