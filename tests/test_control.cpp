// The control through its scripting interface: setters and their length
// rules, numbers as script passes them, result properties, text in the
// ANSI code page, type information and the framework's failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/winsock/winsock.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "tests/support/dispatch.h"

using script::Call;
using script::Get;
using script::Put;

namespace {

const char16_t* const kResultProperties[] = {u"Code1", u"Msg1",  u"PaReq",   u"AcsUrl",  u"Md",      u"Md64", u"Code2",
                                             u"Msg2",  u"Cavv",  u"Eci",     u"CavvAlg", u"TermUrl", u"realPan", u"json"};

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

class Control : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
        ctrl = new CVemoMPIOCXCtrl();
    }
    void TearDown() override {
        ctrl->Release();
        setenv("LANG", "en_US.UTF-8", 1);
    }
    LONG CallLong(const char16_t* name, const std::vector<script::Arg>& args) {
        script::Result r = Call(ctrl, name, args);
        EXPECT_EQ(r.hr, S_OK) << "calling a method";
        return r.Long();
    }
    CVemoMPIOCXCtrl* ctrl = nullptr;
};

}  // namespace

TEST_F(Control, NewControlHasEmptyResultsAndDefaults) {
    for (const char16_t* name : kResultProperties) {
        script::Result r = Get(ctrl, name);
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.Text(), u"");
    }
    for (const char16_t* name : {u"GetClientHTTPData1", u"GetClientHTTPData2", u"GetClientHTTPUrl"}) {
        script::Result r = Call(ctrl, name);
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.Text(), u"");
    }
    EXPECT_EQ(ctrl->m_iAuthState, STATE_INIT);
    EXPECT_EQ(ctrl->m_nTimeOut, 25000);
    EXPECT_EQ(ctrl->m_nPrimaryTimeOut, 25000);
    EXPECT_EQ(ctrl->m_nBackUpTimeOut, 25000);
    EXPECT_STREQ(ctrl->m_szCurrency, "KRW");
    EXPECT_EQ(ctrl->m_bUseEnc, 1);
    EXPECT_EQ(ctrl->m_bUseTitle, 1);
    EXPECT_EQ(ctrl->m_bUseNormal, 0);
    EXPECT_EQ(ctrl->m_nLogLevel, 1);
    EXPECT_EQ(ctrl->m_nTitleFontSize, 12);
    EXPECT_STREQ(ctrl->m_szTitleFontName, "\xB1\xBC\xB8\xB2");
    EXPECT_EQ(ctrl->m_nSocketInitError, 0);
    EXPECT_FALSE(ctrl->IsModified());
}

TEST_F(Control, UrlSettersTake1023CharactersAndIgnore1024) {
    struct Setter {
        const char16_t* name;
        char* field;
    } setters[] = {{u"SetWaitUrl", ctrl->m_szWaitUrl}, {u"SetForcedLocalUrl", ctrl->m_LocalURL}};
    for (const auto& s : setters) {
        EXPECT_EQ(CallLong(s.name, {Repeat(u'a', 1023)}), 0);
        EXPECT_EQ(std::strlen(s.field), 1023u);
        EXPECT_EQ(CallLong(s.name, {Repeat(u'b', 1024)}), 0);
        EXPECT_EQ(s.field[0], 'a') << "the over-long text is silently refused";
        EXPECT_EQ(CallLong(s.name, {u"http://x/"}), 0);
        EXPECT_STREQ(s.field, "http://x/");
    }

    EXPECT_EQ(CallLong(u"SetBackUpServer", {9000, Repeat(u'u', 1023)}), 0);
    EXPECT_EQ(ctrl->m_nBackUpTimeOut, 9000);
    EXPECT_EQ(CallLong(u"SetBackUpServer", {1, Repeat(u'v', 1024)}), 0);
    EXPECT_EQ(ctrl->m_nBackUpTimeOut, 9000) << "neither value is stored";
    EXPECT_EQ(ctrl->m_szBackUpUrl[0], 'u');

    EXPECT_EQ(CallLong(u"SetImageSkin", {-1, 5, u"skin.bmp"}), 0);
    EXPECT_EQ(ctrl->m_nSkinX, -1);
    EXPECT_EQ(ctrl->m_nSkinY, 5);
    EXPECT_STREQ(ctrl->m_szSkinImagePath, "skin.bmp");
    EXPECT_EQ(CallLong(u"SetImageSkin", {7, 8, Repeat(u'p', 1024)}), 0);
    EXPECT_EQ(ctrl->m_nSkinX, -1);
    EXPECT_STREQ(ctrl->m_szSkinImagePath, "skin.bmp");
    EXPECT_EQ(CallLong(u"SetImageSkin", {7, 8, Repeat(u'p', 1023)}), 0);
    EXPECT_EQ(ctrl->m_nSkinX, 7);
}

TEST_F(Control, ExtraParamsAnswerMinusOneWhenRefused) {
    EXPECT_EQ(CallLong(u"SetExtraParams", {u"a=1&b=2"}), 0);
    EXPECT_EQ(CallLong(u"SetExtraParams", {Repeat(u'x', 1024)}), -1);
    EXPECT_STREQ(ctrl->m_ExtraParams, "a=1&b=2");
    EXPECT_EQ(CallLong(u"SetExtraParams", {Repeat(u'x', 1023)}), 0);
    EXPECT_EQ(std::strlen(ctrl->m_ExtraParams), 1023u);
}

TEST_F(Control, CurrencyAndTitleFontLimits) {
    EXPECT_EQ(CallLong(u"SetCurrency", {u""}), 0);
    EXPECT_STREQ(ctrl->m_szCurrency, "");
    EXPECT_EQ(CallLong(u"SetCurrency", {u"USD"}), 0);
    EXPECT_STREQ(ctrl->m_szCurrency, "USD");
    EXPECT_EQ(CallLong(u"SetCurrency", {u"EURO"}), 0);
    EXPECT_STREQ(ctrl->m_szCurrency, "USD");

    EXPECT_EQ(CallLong(u"SetBrowserTitleFont", {20, Repeat(u'F', 64)}), 0);
    EXPECT_EQ(ctrl->m_nTitleFontSize, 12);
    EXPECT_STREQ(ctrl->m_szTitleFontName, "\xB1\xBC\xB8\xB2");
    EXPECT_EQ(CallLong(u"SetBrowserTitleFont", {20, Repeat(u'F', 63)}), 0);
    EXPECT_EQ(ctrl->m_nTitleFontSize, 20);
    EXPECT_EQ(std::strlen(ctrl->m_szTitleFontName), 63u);
}

TEST_F(Control, NumbersAreStoredAsGivenAndShortsSignExtended) {
    EXPECT_EQ(CallLong(u"SetTimeOut", {-5}), 0);
    EXPECT_EQ(ctrl->m_nPrimaryTimeOut, -5);
    EXPECT_EQ(CallLong(u"SetWindowSize", {-1, 600}), 0);
    EXPECT_EQ(ctrl->m_nWindowWidth, -1);
    EXPECT_EQ(ctrl->m_nWindowHeight, 600);
    EXPECT_EQ(ctrl->m_bUseWindowSize, 1);
    EXPECT_EQ(CallLong(u"SetLogLevel", {-32768}), 0);
    EXPECT_EQ(ctrl->m_nLogLevel, -32768);
    EXPECT_EQ(CallLong(u"SetForcedProxyEnv", {2}), 0);
    EXPECT_EQ(ctrl->m_nForcedProxyEnv, 2);
    EXPECT_EQ(CallLong(u"SetEncrypt", {0}), 0);
    EXPECT_EQ(ctrl->m_bUseEnc, 0);
    EXPECT_EQ(CallLong(u"SetBrowserTitle", {0}), 0);
    EXPECT_EQ(ctrl->m_bUseTitle, 0);
    EXPECT_EQ(CallLong(u"SetNormalDialog", {3}), 0);
    EXPECT_EQ(ctrl->m_bUseNormal, 3);
    // Script numbers are coerced as Automation does: text holding a number
    // is accepted, a short out of range is refused.
    EXPECT_EQ(CallLong(u"SetTimeOut", {u"1500"}), 0);
    EXPECT_EQ(ctrl->m_nPrimaryTimeOut, 1500);
    script::Result big = Call(ctrl, u"SetLogLevel", {40000});
    EXPECT_EQ(big.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(ctrl->m_nLogLevel, -32768);
}

TEST_F(Control, SetPARes2AcceptsAnythingAndChangesNothing) {
    ASSERT_EQ(Put(ctrl, u"Code2", u"keep"), S_OK);
    EXPECT_EQ(CallLong(u"SetPARes2", {u"1", u"2", u"3", u"4", u"5", u"6"}), 0);
    EXPECT_EQ(Get(ctrl, u"Code2").Text(), u"keep");
    for (const char16_t* name : kResultProperties)
        if (std::u16string(name) != u"Code2") {
            EXPECT_EQ(Get(ctrl, name).Text(), u"");
        }
}

TEST_F(Control, ResultPropertiesCanBeWrittenFromScript) {
    for (const char16_t* name : kResultProperties) {
        std::u16string value = std::u16string(u"value of ") + name;
        ASSERT_EQ(Put(ctrl, name, value), S_OK);
        EXPECT_EQ(Get(ctrl, name).Text(), value);
    }
    EXPECT_TRUE(ctrl->IsModified());
    EXPECT_STREQ(ctrl->m_Code1, "value of Code1");
    EXPECT_STREQ(ctrl->m_json, "value of json");
}

TEST_F(Control, KoreanTextCrossesInCodePage949) {
    setenv("LANG", "ko_KR.UTF-8", 1);
    const std::u16string error = u"\uC5D0\uB7EC : \uC785\uB825\uAC12 \uC624\uB958";  // "Error : input value wrong"
    ASSERT_EQ(Put(ctrl, u"Msg1", error), S_OK);
    EXPECT_EQ(std::string(ctrl->m_Msg1.GetString()).substr(0, 4), "\xBF\xA1\xB7\xAF");
    EXPECT_EQ(Get(ctrl, u"Msg1").Text(), error);
    ctrl->m_strClientHTTPData1 = "\xB1\xBC\xB8\xB2";
    EXPECT_EQ(Call(ctrl, u"GetClientHTTPData1").Text(), u"\uAD74\uB9BC");
    EXPECT_EQ(CallLong(u"SetBrowserTitleFont", {9, u"\uAD74\uB9BC"}), 0);
    EXPECT_STREQ(ctrl->m_szTitleFontName, "\xB1\xBC\xB8\xB2");
    // On a Western system the same text does not fit code page 1252.
    setenv("LANG", "en_US.UTF-8", 1);
    ASSERT_EQ(Put(ctrl, u"Msg1", u"\uAD74\uB9BC"), S_OK);
    EXPECT_STREQ(ctrl->m_Msg1, "??");
}

TEST_F(Control, GetPAReq2IsBound) {
    // GetPAReq2 is bound (empty arguments end it before any dialog).
    std::vector<script::Arg> nine(9, script::Arg(u""));
    EXPECT_EQ(Call(ctrl, u"GetPAReq2", nine).hr, S_OK);
}

TEST_F(Control, DispatchRules) {
    EXPECT_EQ(script::IdOf(ctrl, u"settimeout"), 16) << "names are matched without regard to case";
    EXPECT_EQ(script::IdOf(ctrl, u"ABOUTBOX"), DISPID_ABOUTBOX);
    EXPECT_EQ(script::IdOf(ctrl, u"NoSuchMethod"), DISPID_UNKNOWN);
    EXPECT_EQ(Call(ctrl, u"SetTimeOut", {}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(ctrl, u"SetTimeOut", {1, 2}).hr, DISP_E_BADPARAMCOUNT);
    script::Result bad = Call(ctrl, u"SetImageSkin", {1, u"not a number", u"p"});
    EXPECT_EQ(bad.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(bad.argErr, 1u) << "arguments are counted from the last";
    EXPECT_EQ(Put(ctrl, u"SetTimeOut", 5), DISP_E_MEMBERNOTFOUND);
    VARIANT v;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(ctrl->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, &v, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(ctrl->Invoke(16, IID_IDispatch, 0, DISPATCH_METHOD, &none, &v, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);

    // Parameter names resolve after the member name.
    LPOLESTR names[3] = {const_cast<LPOLESTR>(u"SetWindowSize"), const_cast<LPOLESTR>(u"height"),
                         const_cast<LPOLESTR>(u"width")};
    DISPID ids[3];
    ASSERT_EQ(ctrl->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 36);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
}

TEST_F(Control, OutOfMemoryForAResultIsTheFrameworksException) {
    ctrl->m_Code1 = "0";
    SysAllocFailAfter(0);
    script::Result r = Get(ctrl, u"Code1");
    SysAllocFailAfter(-1);
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.scode, E_OUTOFMEMORY);
}

TEST_F(Control, TypeInformationDescribesEveryMember) {
    EXPECT_EQ(AfxCheckDispatchMap(g_DVemoMPIOCXDesc, CVemoMPIOCXCtrl::kDispatchMap, CVemoMPIOCXCtrl::kDispatchMapCount),
              DISPID_UNKNOWN)
        << "each binding agrees with the type library";
    UINT count = 0;
    ASSERT_EQ(ctrl->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(ctrl->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, DIID__DVemoMPIOCX);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 14 * 2 + 23) << "fourteen properties (get and put) and twenty-three methods";
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FHIDDEN);
    info->ReleaseTypeAttr(attr);

    BSTR names[10];
    UINT n = 0;
    ASSERT_EQ(info->GetNames(14, names, 10, &n), S_OK);
    ASSERT_EQ(n, 10u);
    const char16_t* expected[] = {u"GetPAReq2",    u"_ID",     u"_Name",        u"_Pan",  u"_Expiry_Year",
                                  u"_Expiry_Month", u"_Amount", u"_Installment", u"_Desc", u"_Url"};
    for (UINT i = 0; i < n; ++i) {
        EXPECT_EQ(std::u16string(names[i], SysStringLen(names[i])), expected[i]);
        SysFreeString(names[i]);
    }

    // SendHTTPPost: five parameters, the second a short, a long result.
    bool found = false;
    for (UINT i = 0; i < 14 * 2 + 23; ++i) {
        FUNCDESC* fd = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &fd), S_OK);
        if (fd->memid == 29) {
            found = true;
            EXPECT_EQ(fd->cParams, 5);
            EXPECT_EQ(fd->lprgelemdescParam[1].tdesc.vt, VT_I2);
            EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_I4);
        }
        info->ReleaseFuncDesc(fd);
    }
    EXPECT_TRUE(found);
    info->Release();
}

TEST(ControlLifetime, ConstructionStartsWinsockAndDestructionEndsIt) {
    int base = WSAStartupCountForTesting();
    auto* ctrl = new CVemoMPIOCXCtrl();
    EXPECT_EQ(WSAStartupCountForTesting(), base + 1);
    EXPECT_EQ(ctrl->m_nSocketInitError, 0);
    ctrl->Release();
    EXPECT_EQ(WSAStartupCountForTesting(), base);

    // A failed start-up is recorded; construction still completes.
    WSASetStartupErrorForTesting(WSASYSNOTREADY);
    ctrl = new CVemoMPIOCXCtrl();
    WSASetStartupErrorForTesting(0);
    EXPECT_EQ(ctrl->m_nSocketInitError, WSASYSNOTREADY);
    IDispatch* d = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(DIID__DVemoMPIOCX, reinterpret_cast<void**>(&d)), S_OK);
    EXPECT_EQ(d, static_cast<IDispatch*>(ctrl));
    d->Release();
    ctrl->Release();
    EXPECT_EQ(WSAStartupCountForTesting(), base) << "no clean-up for a start-up that failed";
    // Another control's use of the library survives it.
    auto* other = new CVemoMPIOCXCtrl();
    WSASetStartupErrorForTesting(WSASYSNOTREADY);
    ctrl = new CVemoMPIOCXCtrl();
    WSASetStartupErrorForTesting(0);
    ctrl->Release();
    EXPECT_EQ(WSAStartupCountForTesting(), base + 1);
    other->Release();
}
