// The control's framework operations: identity, status, property pages,
// property exchange and reset.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "resources/VemoMPIOCX_tlb.h"

namespace {

// A property store that records what an exchange writes and answers loads
// from it.
class CRecordingPropExchange : public CPropExchange {
public:
    explicit CRecordingPropExchange(bool loading) { m_bLoading = loading; }
    BOOL ExchangeProp(LPCSTR name, VARTYPE vt, void* pv, const void* pvDefault) override {
        if (vt != VT_UI4) {
            others.push_back(name);
            return TRUE;
        }
        if (m_bLoading) {
            auto it = values.find(name);
            *static_cast<ULONG*>(pv) = it != values.end() ? it->second : pvDefault ? *static_cast<const ULONG*>(pvDefault) : 0;
        } else {
            values[name] = *static_cast<ULONG*>(pv);
        }
        return TRUE;
    }
    std::map<std::string, ULONG> values;
    std::vector<std::string> others;
};

class Framework : public ::testing::Test {
protected:
    void SetUp() override { ctrl = new CVemoMPIOCXCtrl(); }
    void TearDown() override { ctrl->Release(); }
    CVemoMPIOCXCtrl* ctrl = nullptr;
};

TEST_F(Framework, IdentityStatusAndPages) {
    CLSID clsid{};
    EXPECT_EQ(ctrl->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_VemoMPIOCX);
    EXPECT_EQ(ctrl->GetMiscStatus(), 0x20191u);
    EXPECT_EQ(ctrl->GetMiscStatus(), static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                                        OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                                                        OLEMISC_RECOMPOSEONRESIZE));
    ULONG count = 99;
    const CLSID* pages = ctrl->GetPropPageIDs(count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(pages[0], CLSID_VemoMPIOCXPropPage);
}

TEST_F(Framework, SavingStoresOnlyTheVersionStamp) {
    ctrl->SetTimeOut(1234);
    ctrl->SetCurrency("USD");
    CRecordingPropExchange save(false);
    ctrl->DoPropExchange(&save);
    ASSERT_EQ(save.values.size(), 1u);
    EXPECT_EQ(save.values["_Version"], 0x00010000u) << "version 1.0";
    EXPECT_TRUE(save.others.empty());
}

TEST_F(Framework, LoadingReadsTheStampAndChangesNoSetting) {
    ctrl->SetTimeOut(1234);
    CRecordingPropExchange load(true);
    load.values["_Version"] = 0x00020003;
    ctrl->DoPropExchange(&load);
    EXPECT_EQ(ctrl->GetVersionLoaded(), 0x00020003u);
    CRecordingPropExchange empty(true);
    ctrl->DoPropExchange(&empty);
    EXPECT_EQ(ctrl->GetVersionLoaded(), 0x00010000u) << "a missing stamp loads as 1.0";
    EXPECT_EQ(ctrl->m_nPrimaryTimeOut, 1234);
}

TEST_F(Framework, ResetGivesTheDefaultStampOnly) {
    CRecordingPropExchange load(true);
    load.values["_Version"] = 7;
    ctrl->DoPropExchange(&load);
    ctrl->SetWaitUrl("http://wait.example/");
    ctrl->OnResetState();
    EXPECT_EQ(ctrl->GetVersionLoaded(), 0x00010000u);
    EXPECT_STREQ(ctrl->m_szWaitUrl, "http://wait.example/");
}

}  // namespace
