// The Windows module as a container's COM sees it, from the test program's
// own folder (VemoMPIOCX.ocx beside vemompi_wintests.exe): self-registration,
// creation by ProgID, the dispatch identifiers of every member by name, the
// status that it reports, and its declaration of safety for scripting and
// for untrusted data. What a script host cannot ask (cscript never looks
// for IObjectSafety) is asked here. Skipped when the module is not built.
#include <gtest/gtest.h>

#include <objbase.h>
#include <objsafe.h>
#include <oleauto.h>
#include <oleidl.h>
#include <windows.h>

#include <string>

namespace {

std::wstring ModulePath() {
    wchar_t self[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"VemoMPIOCX.ocx";
}

class WindowsModule : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetFileAttributesW(ModulePath().c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "VemoMPIOCX.ocx is not built beside this program";
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        module = LoadLibraryW(ModulePath().c_str());
        ASSERT_NE(module, nullptr) << GetLastError();
        auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(L"VEMOMPIOCX.VemoMPIOCXCtrl.1", &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&ctrl)),
                  S_OK);
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
        ctrl = nullptr;
        if (module != nullptr) {
            auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
            if (unreg != nullptr) {
                EXPECT_EQ(unreg(), S_OK);
            }
            CoUninitialize();
            FreeLibrary(module);
        }
    }
    HMODULE module = nullptr;
    IDispatch* ctrl = nullptr;
};

}  // namespace

TEST_F(WindowsModule, EveryMemberHasItsDispatchIdentifier) {
    struct Member {
        const wchar_t* name;
        DISPID id;
    } members[] = {
        {L"Code1", 1}, {L"Msg1", 2}, {L"PaReq", 3}, {L"AcsUrl", 4}, {L"Md", 5}, {L"Md64", 6}, {L"Code2", 7},
        {L"Msg2", 8}, {L"Cavv", 9}, {L"Eci", 10}, {L"CavvAlg", 11}, {L"TermUrl", 12}, {L"SetForcedLocalUrl", 13},
        {L"GetPAReq2", 14}, {L"SetPARes2", 15}, {L"SetTimeOut", 16}, {L"SetImageSkin", 17}, {L"SetLogLevel", 18},
        {L"SetCurrency", 19}, {L"SetBackUpServer", 20}, {L"SetWaitUrl", 21}, {L"SetEncrypt", 22},
        {L"SetBrowserTitle", 23}, {L"SetNormalDialog", 24}, {L"SetBrowserTitleFont", 25}, {L"SetForcedProxyEnv", 26},
        {L"GetClientIPAddress", 27}, {L"GetClientProxySetting", 28}, {L"SendHTTPPost", 29},
        {L"GetClientHTTPData1", 30}, {L"GetClientHTTPData2", 31}, {L"GetClientHTTPUrl", 32}, {L"realPan", 33},
        {L"SetExtraParams", 34}, {L"json", 35}, {L"SetWindowSize", 36}, {L"AboutBox", -552},
    };
    for (const Member& m : members) {
        LPOLESTR name = const_cast<LPOLESTR>(m.name);
        DISPID id = 0;
        EXPECT_EQ(ctrl->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, m.id);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
    DISPID id = 0;
    EXPECT_EQ(ctrl->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

    IOleObject* ole = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
    DWORD status = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x20191u);
    ole->Release();
}

TEST_F(WindowsModule, SafeForScriptingAndForUntrustedData) {
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, 3u);
    supported = enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);
    EXPECT_EQ(supported, 3u) << "written even for an interface the control lacks";
    EXPECT_EQ(enabled, 3u);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 2, 3), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0, 0), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1), E_FAIL) << "safety cannot be switched off";
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, 1, 1), E_NOINTERFACE);
    safety->Release();
}
