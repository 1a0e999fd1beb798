// Windows test tool (run under Wine by tests/windows/test_wine_standin.cpp):
// hosts CLSID_WebBrowser, as the module's dialogs do, in a window with a
// minimal site, and prints what it sees, one line each, for the test to
// compare: the class CoCreateInstance was treated as and the module that
// served it, Navigate2's return (called through IDispatch::Invoke with
// arguments by reference, as the module calls it), and every event of
// DWebBrowserEvents2 with its arguments; at each DocumentComplete the
// Document's title, URL and documentElement.outerHTML.
//
//   vemompi-standin-driver URL [--post BODY] [--headers TEXT] [--cancel N]
//                          [--documents N]
// --headers takes \r\n as written; --cancel sets Cancel in the Nth
// BeforeNavigate2; the run ends after the Nth DocumentComplete (default 1),
// or when nothing has happened for two seconds after a cancel, or after
// 60 seconds ("TIMEOUT", exit code 2).
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <fcntl.h>
#include <io.h>
#include <mshtml.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int g_cancelAt = 0, g_documents = 1, g_beforeCount = 0, g_documentCount = 0, g_events = 0;
bool g_cancelled = false, g_done = false;
HWND g_host = nullptr;
IWebBrowser2* g_browser = nullptr;

std::string Narrow(const wchar_t* s, size_t n) {
    if (s == nullptr || n == 0) return std::string();
    int len = WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(len > 0 ? len : 0), '\0');
    if (len > 0) WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), out.data(), len, nullptr, nullptr);
    return out;
}

std::string Bstr(BSTR b) { return Narrow(b, b != nullptr ? SysStringLen(b) : 0); }

// Control characters as \r \n \xHH, so that a value stays on its line.
std::string Escaped(const std::string& s) {
    std::string out;
    char hex[8];
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20) {
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else out.push_back(ch);
    }
    return out;
}

// A variant argument as text: its type, then its value.
std::string Describe(const VARIANT* v) {
    while (v != nullptr && v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
    if (v == nullptr) return "null";
    char buf[64];
    switch (v->vt) {
        case VT_EMPTY: return "empty";
        case VT_BSTR: return "bstr:" + Escaped(Bstr(v->bstrVal));
        case VT_I4:
            std::snprintf(buf, sizeof(buf), "i4:%ld", static_cast<long>(v->lVal));
            return buf;
        case VT_ARRAY | VT_UI1: {
            void* data = nullptr;
            LONG lo = 0, hi = -1;
            SafeArrayGetLBound(v->parray, 1, &lo);
            SafeArrayGetUBound(v->parray, 1, &hi);
            std::string bytes;
            if (SUCCEEDED(SafeArrayAccessData(v->parray, &data))) {
                if (hi >= lo) bytes.assign(static_cast<const char*>(data), static_cast<size_t>(hi - lo + 1));
                SafeArrayUnaccessData(v->parray);
            }
            return "bytes:" + Escaped(bytes);
        }
        default:
            std::snprintf(buf, sizeof(buf), "vt:%u", static_cast<unsigned>(v->vt));
            return buf;
    }
}

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// The Document as the module reads it: through the Document property by id.
void PrintDocument() {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = g_browser->Invoke(203, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                   nullptr);
    if (FAILED(hr) || result.vt != VT_DISPATCH || result.pdispVal == nullptr) {
        Print("Document none");
        VariantClear(&result);
        return;
    }
    IHTMLDocument2* doc2 = nullptr;
    IHTMLDocument3* doc3 = nullptr;
    IHTMLElement* root = nullptr;
    BSTR title = nullptr, url = nullptr, html = nullptr;
    if (SUCCEEDED(result.pdispVal->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&doc2)))) {
        doc2->get_title(&title);
        doc2->get_URL(&url);
        doc2->Release();
    }
    if (SUCCEEDED(result.pdispVal->QueryInterface(IID_IHTMLDocument3, reinterpret_cast<void**>(&doc3)))) {
        if (SUCCEEDED(doc3->get_documentElement(&root)) && root != nullptr) {
            root->get_outerHTML(&html);
            root->Release();
        }
        doc3->Release();
    }
    Print("Document title=" + Escaped(Bstr(title)) + " url=" + Escaped(Bstr(url)));
    Print("outerHTML " + Escaped(Bstr(html)));
    SysFreeString(title);
    SysFreeString(url);
    SysFreeString(html);
    VariantClear(&result);
}

const char* Self(const VARIANTARG& a) {
    if (a.vt != VT_DISPATCH || a.pdispVal == nullptr) return "pDisp=none";
    IWebBrowser2* wb = nullptr;
    bool same = SUCCEEDED(a.pdispVal->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&wb))) && wb == g_browser;
    if (wb != nullptr) wb->Release();
    return same ? "pDisp=browser" : "pDisp=other";
}

class Sink : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, DIID_DWebBrowserEvents2))
            return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        ++g_events;
        VARIANTARG* a = p->rgvarg;
        char buf[64];
        switch (id) {
            case DISPID_BEFORENAVIGATE2: {
                if (p->cArgs != 7 || a[0].vt != (VT_BOOL | VT_BYREF)) {
                    Print("BeforeNavigate2 bad arguments");
                    return S_OK;
                }
                ++g_beforeCount;
                Print(std::string("BeforeNavigate2 ") + Self(a[6]) + " url=" + Describe(&a[5]) + " flags=" +
                      Describe(&a[4]) + " target=" + Describe(&a[3]) + " post=" + Describe(&a[2]) + " headers=" +
                      Describe(&a[1]));
                if (g_beforeCount == g_cancelAt) {
                    *a[0].pboolVal = VARIANT_TRUE;
                    g_cancelled = true;
                    Print("Cancel");
                }
                return S_OK;
            }
            case DISPID_NAVIGATECOMPLETE2:
                Print(std::string("NavigateComplete2 ") + (p->cArgs == 2 ? Self(a[1]) : "?") + " url=" +
                      Describe(&a[0]));
                return S_OK;
            case DISPID_TITLECHANGE:
                Print("TitleChange " + (p->cArgs == 1 ? Describe(&a[0]) : std::string("bad arguments")));
                return S_OK;
            case DISPID_DOCUMENTCOMPLETE:
                Print(std::string("DocumentComplete ") + (p->cArgs == 2 ? Self(a[1]) : "?") + " url=" +
                      Describe(&a[0]));
                PrintDocument();
                if (++g_documentCount >= g_documents) g_done = true;
                return S_OK;
            case DISPID_NAVIGATEERROR:
                Print("NavigateError url=" + Describe(&a[3]) + " status=" + Describe(&a[1]));
                return S_OK;
            default:
                std::snprintf(buf, sizeof(buf), "Event %ld", static_cast<long>(id));
                Print(buf);
                return S_OK;
        }
    }
};

// The least a container gives: its window and the control's place in it.
class Site : public IOleClientSite, public IOleInPlaceSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *ppv = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else
            return E_NOINTERFACE;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = g_host;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        activated = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** f, IOleInPlaceUIWindow** d, LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO) override {
        *f = nullptr;
        *d = nullptr;
        GetClientRect(g_host, pos);
        *clip = *pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        deactivated = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
    bool activated = false, deactivated = false;
};

std::string Unescape(const char* s) {
    std::string out;
    for (; *s != '\0'; ++s) {
        if (s[0] == '\\' && s[1] == 'r') out.push_back('\r'), ++s;
        else if (s[0] == '\\' && s[1] == 'n') out.push_back('\n'), ++s;
        else out.push_back(*s);
    }
    return out;
}

BSTR Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), b, n);
    return b;
}

std::string Guid(const GUID& g) {
    wchar_t buf[64];
    StringFromGUID2(g, buf, 64);
    return Narrow(buf, wcslen(buf));
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (argc < 2) {
        std::fputs("usage: vemompi-standin-driver URL [--post BODY] [--headers TEXT] [--cancel N] [--documents N]\n",
                   stderr);
        return 64;
    }
    std::string url = argv[1], post, headers;
    bool hasPost = false;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--post") == 0) post = Unescape(argv[i + 1]), hasPost = true;
        else if (std::strcmp(argv[i], "--headers") == 0) headers = Unescape(argv[i + 1]);
        else if (std::strcmp(argv[i], "--cancel") == 0) g_cancelAt = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--documents") == 0) g_documents = std::atoi(argv[i + 1]);
    }
    if (FAILED(OleInitialize(nullptr))) return 3;
    CLSID treated{};
    HRESULT hr = CoGetTreatAsClass(CLSID_WebBrowser, &treated);
    Print("TreatAs " + Guid(treated) + (hr == S_OK ? "" : " (none)"));

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VemoMPIStandInDriver";
    RegisterClassW(&wc);
    g_host = CreateWindowExW(0, wc.lpszClassName, L"stand-in driver", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                             640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    IOleObject* object = nullptr;
    hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                          reinterpret_cast<void**>(&object));
    if (FAILED(hr) || object == nullptr) {
        std::printf("CoCreateInstance failed 0x%08lX\n", static_cast<unsigned long>(hr));
        return 4;
    }
    Print(std::string("Served by ") +
          (GetModuleHandleW(L"VemoMPIStandInBrowser.dll") != nullptr ? "VemoMPIStandInBrowser.dll" : "another module"));
    Site site;
    Sink sink;
    RECT rc;
    GetClientRect(g_host, &rc);
    object->SetClientSite(&site);
    hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, g_host, &rc);
    HWND view = nullptr;
    IOleInPlaceObject* inPlace = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->GetWindow(&view);
        inPlace->Release();
    }
    Print(std::string("DoVerb ") + (SUCCEEDED(hr) ? "ok" : "failed") + (site.activated ? " activated" : "") +
          (view != nullptr && GetParent(view) == g_host ? " child-of-site" : " no-child"));
    object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&g_browser));
    IConnectionPointContainer* cpc = nullptr;
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    if (g_browser == nullptr ||
        FAILED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc))) ||
        FAILED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &cp)) || FAILED(cp->Advise(&sink, &cookie))) {
        Print("no events");
        return 5;
    }
    ShowWindow(g_host, SW_SHOWNA);

    // Navigate2 by id, its arguments by reference, as the module calls it.
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    for (VARIANT* v : {&vUrl, &vFlags, &vTarget, &vPost, &vHeaders}) VariantInit(v);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = Wide(url);
    if (hasPost) {
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(post.size()));
        void* data = nullptr;
        SafeArrayAccessData(sa, &data);
        if (!post.empty()) std::memcpy(data, post.data(), post.size());
        SafeArrayUnaccessData(sa);
        vPost.vt = VT_ARRAY | VT_UI1;
        vPost.parray = sa;
    }
    if (!headers.empty()) {
        vHeaders.vt = VT_BSTR;
        vHeaders.bstrVal = Wide(headers);
    }
    VARIANTARG args[5];
    VARIANT* values[5] = {&vHeaders, &vPost, &vTarget, &vFlags, &vUrl};  // reverse order
    for (int i = 0; i < 5; ++i) {
        VariantInit(&args[i]);
        args[i].vt = VT_VARIANT | VT_BYREF;
        args[i].pvarVal = values[i];
    }
    DISPPARAMS dp{args, nullptr, 5, 0};
    hr = g_browser->Invoke(500, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    char line[96];
    std::snprintf(line, sizeof(line), "Navigate2 returned 0x%08lX after %d event(s)", static_cast<unsigned long>(hr),
                  g_events);
    Print(line);

    // The events come from the control's window messages.
    DWORD start = GetTickCount(), lastEvents = static_cast<DWORD>(g_events), quietSince = start;
    int code = 0;
    while (!g_done) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (g_done) break;
        DWORD now = GetTickCount();
        if (static_cast<DWORD>(g_events) != lastEvents) lastEvents = static_cast<DWORD>(g_events), quietSince = now;
        if (g_cancelled && now - quietSince > 2000) break;
        if (now - start > 60000) {
            Print("TIMEOUT");
            code = 2;
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    cp->Unadvise(cookie);
    cp->Release();
    cpc->Release();
    g_browser->Release();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object->Release();
    Print(std::string("Closed") + (site.deactivated ? " deactivated" : ""));
    for (VARIANT* v : {&vUrl, &vFlags, &vTarget, &vPost, &vHeaders}) VariantClear(v);
    DestroyWindow(g_host);
    OleUninitialize();
    return code;
}
