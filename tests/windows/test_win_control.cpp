// The control as a container sees it on Windows: made through the module's
// class object, every OLE interface of an in-process control, calls by
// name through IDispatch, object safety, persistence, and the registry
// entries of self-registration. Runs under Wine (wine64) or Windows.
#include <gtest/gtest.h>

#include <string>

#include "control/VemoMPIOCXApp.h"
#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxmod.h"
#include "platform/com/objsafe.h"
#include "platform/com/ole.h"
#include "platform/com/olectl.h"
#include "resources/VemoMPIOCX_tlb.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow();
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

class ComEnv : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new ComEnv);

IDispatch* MakeControl() {
    IClassFactory* factory = nullptr;
    if (FAILED(DllGetClassObject(CLSID_VemoMPIOCX, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IDispatch* disp = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&disp));
    factory->Release();
    return SUCCEEDED(hr) ? disp : nullptr;
}

DISPID IdOf(IDispatch* disp, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    return SUCCEEDED(disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id)) ? id : DISPID_UNKNOWN;
}

std::string RegText(const std::string& key, const char* value = nullptr) {
    char buffer[512];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

bool RegKeyExists(const std::string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::string GuidText(REFGUID guid) {
    wchar_t wide[40];
    StringFromGUID2(guid, wide, 40);
    std::string s;
    for (const wchar_t* p = wide; *p != 0; ++p) s.push_back(static_cast<char>(*p));
    return s;
}

TEST(WinControlModule, ClassObjectMakesControlsAndCountsThem) {
    void* none = nullptr;
    EXPECT_EQ(DllGetClassObject(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // a live control holds the module
    disp->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(WinControlModule, AnswersEveryInterfaceOfAnInProcessControlWithOneIdentity) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    IUnknown* identity = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    const IID* iids[] = {&IID_IOleObject, &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject, &IID_IOleControl,
                         &IID_IViewObject2, &IID_IPersistStreamInit, &IID_IPersistPropertyBag,
                         &IID_IProvideClassInfo2, &IID_IConnectionPointContainer, &IID_ISpecifyPropertyPages,
                         &IID_IObjectSafety, &DIID__DVemoMPIOCX};
    for (const IID* iid : iids) {
        IUnknown* itf = nullptr;
        ASSERT_EQ(disp->QueryInterface(*iid, reinterpret_cast<void**>(&itf)), S_OK) << GuidText(*iid);
        IUnknown* back = nullptr;
        ASSERT_EQ(itf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, identity) << GuidText(*iid);
        back->Release();
        itf->Release();
    }
    void* none = nullptr;
    EXPECT_EQ(disp->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    identity->Release();
    disp->Release();
}

TEST(WinControlModule, CallsByNameThroughIDispatch) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    auto* ctrl = static_cast<CVemoMPIOCXCtrl*>(disp);

    // Names compare without regard to case.
    DISPID setTimeOut = IdOf(disp, L"settimeout");
    ASSERT_EQ(setTimeOut, FindTypeMember(g_DVemoMPIOCXDesc, "SetTimeOut")->dispid);
    EXPECT_EQ(IdOf(disp, L"NoSuchMember"), DISPID_UNKNOWN);

    // A method: the text argument is coerced to the declared VT_I4.
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"30");
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(disp->Invoke(setTimeOut, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(ctrl->m_nPrimaryTimeOut, 30);
    VariantClear(&arg);
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    EXPECT_EQ(disp->Invoke(setTimeOut, IID_NULL, 0, DISPATCH_METHOD, &noArgs, &result, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);

    // A property: put, then get.
    DISPID code1 = IdOf(disp, L"CODE1");
    ASSERT_NE(code1, DISPID_UNKNOWN);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"abc");
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{&arg, &putId, 1, 1};
    ASSERT_EQ(disp->Invoke(code1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&arg);
    VariantInit(&result);
    ASSERT_EQ(disp->Invoke(code1, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_STREQ(result.bstrVal, L"abc");
    VariantClear(&result);
    disp->Release();
}

TEST(WinControlModule, ObjectSafetyReachedThroughTheControl) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    EXPECT_EQ(enabled, both);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0), E_FAIL);
    safety->Release();
    disp->Release();
}

TEST(WinControlModule, PersistsThroughAStreamAndRefusesAForeignOne) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)), S_OK);
    IStream* stm = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stm), S_OK);
    ASSERT_EQ(persist->Save(stm, TRUE), S_OK);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    STATSTG stat{};
    ASSERT_EQ(stm->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, size.QuadPart);
    LARGE_INTEGER zero{};
    stm->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(persist->Load(stm), S_OK);
    // Cut short: refused.
    ULARGE_INTEGER cut{};
    cut.QuadPart = stat.cbSize.QuadPart - 1;
    stm->SetSize(cut);
    stm->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(persist->Load(stm)));
    stm->Release();
    // Not ours: refused.
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stm), S_OK);
    const char junk[] = "not a control's state";
    stm->Write(junk, sizeof(junk), nullptr);
    stm->Seek(zero, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(persist->Load(stm)));
    stm->Release();
    persist->Release();
    disp->Release();
}

TEST(WinControlModule, NamesItsPropertyPageAndClass) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_EQ(ids.pElems[0], CLSID_VemoMPIOCXPropPage);
    CoTaskMemFree(ids.pElems);
    pages->Release();
    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)), S_OK);
    GUID events{};
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_EQ(events, DIID__DVemoMPIOCXEvents);
    info->Release();
    disp->Release();
}

// The class entries of self-registration, written to and removed from the
// registry (the Wine prefix's under Wine).
TEST(WinControlModule, RegistersAndUnregistersItsClasses) {
    char path[MAX_PATH];
    ASSERT_TRUE(AfxGetModuleFileName(path, sizeof(path)));
    const std::string key = "CLSID\\" + GuidText(CLSID_VemoMPIOCX);
    const std::string pageKey = "CLSID\\" + GuidText(CLSID_VemoMPIOCXPropPage);
    ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(TRUE));
    EXPECT_EQ(RegText(key + "\\InprocServer32"), path);
    EXPECT_EQ(RegText(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegText(key + "\\ProgID"), "VEMOMPIOCX.VemoMPIOCXCtrl.1");
    EXPECT_EQ(RegText("VEMOMPIOCX.VemoMPIOCXCtrl.1\\CLSID"), GuidText(CLSID_VemoMPIOCX));
    EXPECT_EQ(RegText(key + "\\TypeLib"), GuidText(LIBID_VEMOMPIOCXLib));
    EXPECT_EQ(RegText(key + "\\MiscStatus\\1"), std::to_string(0x20191));
    EXPECT_TRUE(RegKeyExists(key + "\\Control"));
    EXPECT_EQ(RegText(key + "\\ToolboxBitmap32").rfind(std::string(path) + ", ", 0), 0u);
    EXPECT_EQ(RegText(pageKey + "\\InprocServer32"), path);
    EXPECT_EQ(RegText(pageKey + "\\InprocServer32", "ThreadingModel"), "<missing>");

    ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE));
    EXPECT_FALSE(RegKeyExists(key));
    EXPECT_FALSE(RegKeyExists(pageKey));
    EXPECT_FALSE(RegKeyExists("VEMOMPIOCX.VemoMPIOCXCtrl.1"));
    // Already gone counts as removed.
    EXPECT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE));
}

TEST(WinControlModule, TypeInformationIsTheModulesOwnTypeLibrary) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(disp->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, DIID__DVemoMPIOCX);
    info->ReleaseTypeAttr(attr);
    info->Release();
    IProvideClassInfo2* provide = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provide)), S_OK);
    ASSERT_EQ(provide->GetClassInfo(&info), S_OK);
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, CLSID_VemoMPIOCX);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    info->ReleaseTypeAttr(attr);
    info->Release();
    provide->Release();
    disp->Release();
}

// The module's exports: the type library and both classes, and back.
TEST(WinControlModule, DllRegisterServerWritesAndDllUnregisterServerRemoves) {
    const std::string key = "CLSID\\" + GuidText(CLSID_VemoMPIOCX);
    const std::string tlibKey = "TypeLib\\" + GuidText(LIBID_VEMOMPIOCXLib) + "\\1.0";
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_TRUE(RegKeyExists(tlibKey));
    EXPECT_TRUE(RegKeyExists(key + "\\Control"));
    ITypeLib* lib = nullptr;
    EXPECT_EQ(LoadRegTypeLib(LIBID_VEMOMPIOCXLib, 1, 0, 0, &lib), S_OK);
    if (lib != nullptr) lib->Release();

    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(RegKeyExists(tlibKey));
    EXPECT_FALSE(RegKeyExists(key));
}

}  // namespace

namespace {

// Activated in place (without a site), the control has a child window of
// the given parent at the given place, until it is deactivated.
TEST(WinControlModule, ActivatesInPlaceInAChildWindow) {
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    IOleObject* ole = nullptr;
    IOleInPlaceObject* inplace = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
    ASSERT_EQ(disp->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inplace)), S_OK);
    HWND child = nullptr;
    EXPECT_EQ(inplace->GetWindow(&child), E_FAIL);  // not active yet
    RECT pos{10, 20, 110, 70};
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, parent, &pos), S_OK);
    ASSERT_EQ(inplace->GetWindow(&child), S_OK);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 50);
    RECT moved{0, 0, 200, 40};
    EXPECT_EQ(inplace->SetObjectRects(&moved, &moved), S_OK);
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(inplace->InPlaceDeactivate(), S_OK);
    EXPECT_FALSE(IsWindow(child));
    inplace->Release();
    ole->Release();
    disp->Release();
    DestroyWindow(parent);
}

}  // namespace

namespace {

// Counts the notifications of the control's closing.
class CloseSink final : public IAdviseSink {
public:
    int closed = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = (riid == IID_IUnknown || riid == IID_IAdviseSink) ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override { ++closed; }
};

TEST(WinControlModule, TellsItsAdviseSinksOfClosing) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    IOleObject* ole = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
    CloseSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(ole->Advise(&sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(sink.closed, 1);
    EXPECT_EQ(ole->Unadvise(cookie), S_OK);
    EXPECT_EQ(ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(sink.closed, 1);
    ole->Release();
    disp->Release();
}

}  // namespace

namespace {

// A property bag of one optional text value, that records what is written.
class OneValueBag final : public IPropertyBag {
public:
    std::wstring name, value;  // what Read answers (nothing when name is empty)
    std::wstring written;      // name=value of the last Write
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = (riid == IID_IUnknown || riid == IID_IPropertyBag) ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override {
        if (name.empty() || name != pszPropName) return E_INVALIDARG;
        pVar->vt = VT_BSTR;
        pVar->bstrVal = SysAllocString(value.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR pszPropName, VARIANT* pVar) override {
        VARIANT text;
        VariantInit(&text);
        if (FAILED(VariantChangeType(&text, pVar, 0, VT_BSTR))) return E_FAIL;
        written = std::wstring(pszPropName) + L"=" + text.bstrVal;
        VariantClear(&text);
        return S_OK;
    }
};

// The control's persistent state (its version stamp) through a property
// bag, as a page's PARAM elements give it.
TEST(WinControlModule, PersistsThroughAPropertyBag) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    auto* ctrl = static_cast<CVemoMPIOCXCtrl*>(disp);
    IPersistPropertyBag* persist = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)), S_OK);
    OneValueBag bag;
    ASSERT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
    EXPECT_EQ(bag.written, L"_Version=" + std::to_wstring(MAKELONG(_wVerMinor, _wVerMajor)));
    bag.name = L"_Version";
    bag.value = L"131072";  // text, coerced to the stamp's type
    ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(ctrl->GetVersionLoaded(), 131072u);
    bag.name.clear();  // absent: the default
    ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(ctrl->GetVersionLoaded(), static_cast<DWORD>(MAKELONG(_wVerMinor, _wVerMajor)));
    persist->Release();
    disp->Release();
}

}  // namespace

namespace {

// What the watch over the system's property frame saw: the page's line of
// text inside the frame, and whether it closed the frame itself.
struct FrameWatch {
    bool sawPageText = false;
    bool closed = false;
    int ticks = 0;
};
FrameWatch g_frameWatch;

BOOL CALLBACK FindPageText(HWND hWnd, LPARAM) {
    char text[128] = {};
    GetWindowTextA(hWnd, text, sizeof(text));
    if (std::string(text) == "VemoMPIOCX Control has no properties to set here.") g_frameWatch.sawPageText = true;
    return TRUE;
}

BOOL CALLBACK FindFrame(HWND hWnd, LPARAM lParam) {
    char cls[16] = {};
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (IsWindowVisible(hWnd) && std::string(cls) == "#32770") {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Runs on the frame's modal loop: looks at the frame once it shows, then
// cancels it; gives up after 20 s so that a frame that never shows cannot
// hold the test.
VOID CALLBACK WatchFrame(HWND, UINT, UINT_PTR id, DWORD) {
    HWND frame = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrame, reinterpret_cast<LPARAM>(&frame));
    if (frame != nullptr) {
        EnumChildWindows(frame, FindPageText, 0);
        KillTimer(nullptr, id);
        g_frameWatch.closed = true;
        PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
    } else if (++g_frameWatch.ticks > 80) {
        KillTimer(nullptr, id);
    }
}

}  // namespace

TEST(WinControlModule, ShowsItsPageInTheSystemsPropertyFrame) {
    IDispatch* disp = MakeControl();
    ASSERT_NE(disp, nullptr);
    // The frame makes the page through COM: the module's class object for
    // it stands in for the registry entry here.
    IClassFactory* pageFactory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_VemoMPIOCXPropPage, IID_IClassFactory, reinterpret_cast<void**>(&pageFactory)),
              S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_VemoMPIOCXPropPage, pageFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              S_OK);
    g_frameWatch = FrameWatch{};
    SetTimer(nullptr, 0, 250, WatchFrame);
    IUnknown* objects[] = {disp};
    CLSID page = CLSID_VemoMPIOCXPropPage;
    HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, L"VemoMPIOCX Control", 1, objects, 1, &page, 0, 0, nullptr);
    CoRevokeClassObject(cookie);
    pageFactory->Release();
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(g_frameWatch.closed) << "the frame never showed";
    EXPECT_TRUE(g_frameWatch.sawPageText) << "the page's text is not in the frame";
    disp->Release();
}
