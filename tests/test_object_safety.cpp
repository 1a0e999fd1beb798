// The control's IObjectSafety: always safe for untrusted callers and data,
// for every interface it has; never made less safe.
#include <gtest/gtest.h>

#include "control/VemoMPIOCXCtrl.h"
#include "resources/VemoMPIOCX_tlb.h"

namespace {

class ObjectSafety : public ::testing::Test {
protected:
    void SetUp() override {
        ctrl = new CVemoMPIOCXCtrl();
        ASSERT_EQ(ctrl->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
        ASSERT_NE(safety, nullptr);
    }
    void TearDown() override {
        safety->Release();
        EXPECT_EQ(ctrl->Release(), 0u);
    }
    CVemoMPIOCXCtrl* ctrl = nullptr;
    IObjectSafety* safety = nullptr;
};

TEST_F(ObjectSafety, IsPartOfTheControlsIdentity) {
    IUnknown* a = nullptr;
    IUnknown* b = nullptr;
    ASSERT_EQ(safety->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(ctrl->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    IDispatch* d = nullptr;
    ASSERT_EQ(safety->QueryInterface(DIID__DVemoMPIOCX, reinterpret_cast<void**>(&d)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(d), b);
    d->Release();
    a->Release();
    b->Release();
    // Its references are the control's: two more and two less.
    EXPECT_EQ(safety->AddRef(), 3u);
    EXPECT_EQ(safety->Release(), 2u);
}

TEST_F(ObjectSafety, GetAnswersBothOptionsForEveryInterface) {
    const IID* present[] = {&IID_IDispatch, &IID_IUnknown, &DIID__DVemoMPIOCX, &IID_IObjectSafety};
    for (const IID* iid : present) {
        DWORD supported = 0, enabled = 0;
        EXPECT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
        EXPECT_EQ(supported, 3u);
        EXPECT_EQ(enabled, 3u);
    }
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);
    EXPECT_EQ(supported, 3u) << "written even for an interface the control lacks";
    EXPECT_EQ(enabled, 3u);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
}

TEST_F(ObjectSafety, SetAcceptsOnlyStayingSafe) {
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 2, 3), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0, 0), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 3), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1), E_FAIL) << "untrusted data switched off";
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0), E_FAIL) << "untrusted callers switched off";
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL) << "an option it does not know";
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 5, 5), E_FAIL);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, 1, 1), E_NOINTERFACE);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, 4, 0), E_NOINTERFACE) << "the interface first";
    // Nothing was remembered: still safe for both.
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, 3u);
}

}  // namespace
