// Test equipment only, Windows only: the stand-in WebBrowser control's COM
// identity, its dispatch interface and its navigation (see StandInBrowser.h).
//
// A navigation: Navigate2 fires BeforeNavigate2 inside the call, as the
// WebBrowser control does (and the module's Linux browser), and stops there
// when a sink sets Cancel. The page is then fetched on a thread of its own;
// its arrival, posted to the control's message window, fires
// NavigateComplete2, TitleChange (the page's <title>, or its address when it
// has none) and DocumentComplete, with the Document already holding the page.
// A page that posts a form on load has that form posted after it (after its
// setTimeout delay), with BeforeNavigate2 carrying the post data and the
// Content-Type header; a chain of such pages stops after kMaxChained.
//
// The tests' cardholder: VEMOMPI_STANDIN_FILL="name=value&name=value" in the
// environment fills those fields of a page's first form that has one of them
// and submits it, as a cardholder typing a password and pressing Submit.
#include "sandbox/standin-browser/StandInBrowser.h"

#include <exdispid.h>

#include "sandbox/standin-browser/StandInDocument.h"
#include "sandbox/standin-browser/StandInEvents.h"
#include "sandbox/standin-browser/StandInFetch.h"

namespace standin {

// {581963E0-AB9B-4BAA-B85D-F99CFC901024}
const CLSID CLSID_StandInBrowser = {0x581963E0, 0xAB9B, 0x4BAA, {0xB8, 0x5D, 0xF9, 0x9C, 0xFC, 0x90, 0x10, 0x24}};

namespace {

// The dispatch ids of IWebBrowser2's members served by id.
constexpr DISPID kDispNavigate = 104;
constexpr DISPID kDispStop = 106;
constexpr DISPID kDispDocument = 203;
constexpr DISPID kDispLocationName = 210;
constexpr DISPID kDispLocationUrl = 211;
constexpr DISPID kDispBusy = 212;
constexpr DISPID kDispNavigate2 = 500;
constexpr DISPID kDispReadyState = DISPID_READYSTATE;

constexpr int kMaxChained = 10;
constexpr UINT_PTR kSubmitTimer = 1;

const char kFormHeaders[] = "Content-Type: application/x-www-form-urlencoded\r\n";

std::string Narrow(const wchar_t* s, size_t n, UINT codePage = CP_UTF8) {
    if (s == nullptr || n == 0) return std::string();
    int len = WideCharToMultiByte(codePage, 0, s, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(len > 0 ? len : 0), '\0');
    if (len > 0) WideCharToMultiByte(codePage, 0, s, static_cast<int>(n), out.data(), len, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& s, UINT codePage = CP_UTF8) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

const VARIANT* Deref(const VARIANT* v) {
    while (v != nullptr && v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
    return v;
}

std::string BstrOf(const VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) return std::string();
    if (v->vt == VT_BSTR && v->bstrVal != nullptr) return Narrow(v->bstrVal, SysStringLen(v->bstrVal));
    if (v->vt == (VT_BSTR | VT_BYREF) && v->pbstrVal != nullptr && *v->pbstrVal != nullptr)
        return Narrow(*v->pbstrVal, SysStringLen(*v->pbstrVal));
    return std::string();
}

// The bytes of post data: a SAFEARRAY of bytes, by value or by reference.
bool PostBytes(const VARIANT* v, std::string* out) {
    v = Deref(v);
    if (v == nullptr) return false;
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1)) sa = v->parray;
    else if (v->vt == (VT_ARRAY | VT_UI1 | VT_BYREF) && v->pparray != nullptr) sa = *v->pparray;
    if (sa == nullptr) return false;
    LONG lo = 0, hi = -1;
    void* data = nullptr;
    if (FAILED(SafeArrayGetLBound(sa, 1, &lo)) || FAILED(SafeArrayGetUBound(sa, 1, &hi)) ||
        FAILED(SafeArrayAccessData(sa, &data)))
        return false;
    out->assign(static_cast<const char*>(data), hi >= lo ? static_cast<size_t>(hi - lo + 1) : 0);
    SafeArrayUnaccessData(sa);
    return true;
}

// The code page of a page: UTF-8 when its Content-Type or a <meta> says so,
// otherwise windows-1252 as the browser takes an unlabelled page here.
UINT PageCodePage(const std::string& contentType, const std::string& body) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return s;
    };
    if (lower(contentType).find("utf-8") != std::string::npos) return CP_UTF8;
    if (contentType.find("charset") != std::string::npos) return 1252;
    std::string head = lower(body.substr(0, 2048));
    size_t meta = head.find("charset=");
    if (meta == std::string::npos) return 1252;
    size_t v = meta + 8;
    if (v < head.size() && (head[v] == '"' || head[v] == '\'')) ++v;
    if (head.compare(v, 5, "utf-8") == 0) return CP_UTF8;
    return 1252;
}

// VEMOMPI_STANDIN_FILL, split into its fields.
std::vector<std::pair<std::string, std::string>> Filled() {
    char buf[1024];
    DWORD n = GetEnvironmentVariableA("VEMOMPI_STANDIN_FILL", buf, sizeof(buf));
    std::vector<std::pair<std::string, std::string>> out;
    if (n == 0 || n >= sizeof(buf)) return out;
    std::string text(buf, n);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        std::string field = text.substr(start, end - start);
        size_t eq = field.find('=');
        if (eq != std::string::npos && eq > 0) out.emplace_back(field.substr(0, eq), field.substr(eq + 1));
        start = end + 1;
    }
    return out;
}

}  // namespace

Browser::Browser() {
    ModuleAddRef();
    events_ = new EventPoint(this);
}

Browser::~Browser() {
    DestroyWindows();
    if (document_ != nullptr) document_->Release();
    if (site_ != nullptr) site_->Release();
    events_->Detach();
    events_->Release();
    ModuleRelease();
}

// ---------------------------------------------------------------- IUnknown

HRESULT Browser::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp) || IsEqualIID(riid, IID_IWebBrowser2))
        *ppv = static_cast<IWebBrowser2*>(this);
    else if (IsEqualIID(riid, IID_IOleObject))
        *ppv = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
        *ppv = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
        *ppv = static_cast<IOleInPlaceActiveObject*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
        *ppv = static_cast<IProvideClassInfo2*>(this);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Browser::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG Browser::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT Browser::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (ppCP == nullptr) return E_POINTER;
    *ppCP = nullptr;
    if (!IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
    *ppCP = events_;
    events_->AddRef();
    return S_OK;
}

HRESULT Browser::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
    if (pGUID == nullptr) return E_POINTER;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *pGUID = DIID_DWebBrowserEvents2;
    return S_OK;
}

// ---------------------------------------------------------------- IDispatch

HRESULT Browser::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT Browser::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT Browser::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    static const struct { const wchar_t* name; DISPID id; } kNames[] = {
        {L"Navigate", kDispNavigate},         {L"Navigate2", kDispNavigate2}, {L"Stop", kDispStop},
        {L"Document", kDispDocument},         {L"LocationURL", kDispLocationUrl},
        {L"LocationName", kDispLocationName}, {L"Busy", kDispBusy},          {L"ReadyState", kDispReadyState}};
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i > 0) {
            hr = DISP_E_UNKNOWNNAME;  // no named arguments
            continue;
        }
        for (const auto& n : kNames)
            if (names[i] != nullptr && lstrcmpiW(names[i], n.name) == 0) ids[i] = n.id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT Browser::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (params == nullptr) params = &none;
    // Positional arguments, first first.
    VARIANT empty;
    VariantInit(&empty);
    VARIANT* args[5] = {&empty, &empty, &empty, &empty, &empty};
    if (params->cArgs > 5) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < params->cArgs; ++i) args[i] = &params->rgvarg[params->cArgs - 1 - i];
    bool get = (flags & DISPATCH_PROPERTYGET) != 0, call = (flags & DISPATCH_METHOD) != 0;
    auto property = [&](VARTYPE vt) -> bool {
        if (!get || result == nullptr) return false;
        VariantInit(result);
        result->vt = vt;
        return true;
    };
    switch (dispid) {
        case kDispNavigate2:
        case kDispNavigate:
            if (!call) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
            return Navigate2(args[0], args[1], args[2], args[3], args[4]);
        case kDispStop:
            return call ? Stop() : DISP_E_MEMBERNOTFOUND;
        case kDispDocument:
            if (!property(VT_DISPATCH)) return DISP_E_MEMBERNOTFOUND;
            return get_Document(&result->pdispVal);
        case kDispLocationUrl:
            if (!property(VT_BSTR)) return DISP_E_MEMBERNOTFOUND;
            return get_LocationURL(&result->bstrVal);
        case kDispLocationName:
            if (!property(VT_BSTR)) return DISP_E_MEMBERNOTFOUND;
            return get_LocationName(&result->bstrVal);
        case kDispBusy:
            if (!property(VT_BOOL)) return DISP_E_MEMBERNOTFOUND;
            return get_Busy(&result->boolVal);
        case kDispReadyState: {
            if (!property(VT_I4)) return DISP_E_MEMBERNOTFOUND;
            READYSTATE state = READYSTATE_UNINITIALIZED;
            HRESULT hr = get_ReadyState(&state);
            result->lVal = state;
            return hr;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

// ---------------------------------------------------------------- IWebBrowser2

HRESULT Browser::Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers) {
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = URL;
    return Navigate2(&url, Flags, TargetFrameName, PostData, Headers);
}

HRESULT Browser::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                           VARIANT* Headers) {
    const VARIANT* url = Deref(URL);
    if (url == nullptr || (url->vt != VT_BSTR && url->vt != (VT_BSTR | VT_BYREF))) return E_INVALIDARG;
    Request request;
    request.url = BstrOf(url);
    request.method = PostBytes(PostData, &request.body) ? "POST" : "GET";
    request.headers = BstrOf(Headers);
    chained_ = 0;
    return Begin(request, Deref(Flags), Deref(TargetFrameName));
}

HRESULT Browser::Stop() {
    ++generation_;
    busy_ = false;
    if (queue_ != nullptr) KillTimer(queue_, kSubmitTimer);
    return S_OK;
}

HRESULT Browser::get_Document(IDispatch** ppDisp) {
    if (ppDisp == nullptr) return E_POINTER;
    *ppDisp = nullptr;
    if (document_ == nullptr) return S_OK;
    *ppDisp = static_cast<IHTMLDocument2*>(document_);
    document_->AddRef();
    return S_OK;
}

HRESULT Browser::get_LocationURL(BSTR* LocationURL) {
    if (LocationURL == nullptr) return E_POINTER;
    std::wstring url = document_ != nullptr ? document_->Url() : std::wstring();
    *LocationURL = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    return S_OK;
}

HRESULT Browser::get_LocationName(BSTR* LocationName) {
    if (LocationName == nullptr) return E_POINTER;
    std::wstring title = document_ != nullptr ? document_->Title() : std::wstring();
    *LocationName = SysAllocStringLen(title.data(), static_cast<UINT>(title.size()));
    return S_OK;
}

HRESULT Browser::get_Busy(VARIANT_BOOL* pBool) {
    if (pBool == nullptr) return E_POINTER;
    *pBool = busy_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT Browser::get_ReadyState(READYSTATE* plReadyState) {
    if (plReadyState == nullptr) return E_POINTER;
    *plReadyState = busy_ ? READYSTATE_LOADING : READYSTATE_COMPLETE;
    return S_OK;
}

HRESULT Browser::get_HWND(SHANDLE_PTR* pHWND) {
    if (pHWND == nullptr) return E_POINTER;
    *pHWND = 0;
    return E_FAIL;  // as the control says when it is not a top-level browser
}

HRESULT Browser::get_Silent(VARIANT_BOOL* pbSilent) {
    if (pbSilent == nullptr) return E_POINTER;
    *pbSilent = silent_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT Browser::put_Silent(VARIANT_BOOL bSilent) {
    silent_ = bSilent != VARIANT_FALSE;
    return S_OK;
}

// ---------------------------------------------------------------- navigation

HRESULT Browser::Begin(const Request& request, const VARIANT* flags, const VARIANT* target) {
    AddRef();  // a sink may let the control go while it is called
    bool cancel = false;
    FireBeforeNavigate2(request, flags, target, &cancel);
    if (!cancel) Start(request);
    Release();
    return S_OK;
}

void Browser::Start(const Request& request) {
    ++generation_;
    if (queue_ != nullptr) KillTimer(queue_, kSubmitTimer);
    if (queue_ == nullptr) queue_ = CreateQueueWindow(this);
    auto* fetch = new Fetch;
    fetch->queue = queue_;
    fetch->generation = generation_;
    fetch->request = request;
    busy_ = true;
    if (queue_ == nullptr || !StartFetch(fetch)) {
        // Answered at once as a page that cannot be reached.
        fetch->error = ERROR_NOT_ENOUGH_MEMORY;
        if (queue_ == nullptr || !PostMessageW(queue_, kFetchedMessage, 0, reinterpret_cast<LPARAM>(fetch))) {
            delete fetch;
            busy_ = false;
        }
    }
}

void Browser::Loaded(Fetch* fetch) {
    if (fetch->generation != generation_) {  // stopped, or overtaken by another navigation
        delete fetch;
        return;
    }
    busy_ = false;
    std::wstring url, title, html;
    if (fetch->answered) {
        UINT cp = PageCodePage(fetch->contentType, fetch->body);
        page_ = ParsePage(fetch->body);
        pageUrl_ = fetch->finalUrl;
        url = Widen(fetch->finalUrl);
        html = Widen(fetch->body, cp);
        title = page_.title.empty() ? url : Widen(page_.title, cp);
    } else {
        // The browser's own error page, at an address that is no web page.
        page_ = Page();
        pageUrl_.clear();
        url = Widen(fetch->request.url);
        title = L"This page can't be displayed";
        html = L"<html><head><title>" + title + L"</title></head><body></body></html>";
    }
    if (document_ != nullptr) document_->Release();
    document_ = new Document(fetch->answered ? url : L"res://ieframe.dll/dnserrordiagoff.htm#" + url, title, html, html);
    if (view_ != nullptr) InvalidateRect(view_, nullptr, TRUE);

    AddRef();
    unsigned generation = generation_;
    if (!fetch->answered || fetch->status >= 400)
        FireNavigateError(url, fetch->answered ? fetch->status : static_cast<long>(0x800C0005L));
    long httpStatus = fetch->status;
    delete fetch;
    if (generation == generation_) FireUrlEvent(DISPID_NAVIGATECOMPLETE2, url);
    if (generation == generation_) FireTitleChange(title);
    if (generation == generation_) FireUrlEvent(DISPID_DOCUMENTCOMPLETE, url);
    // What the page does on load.
    if (generation == generation_ && queue_ != nullptr && httpStatus < 400 && chained_ < kMaxChained) {
        submitForm_ = page_.autoSubmitForm;
        submitFilled_.clear();
        if (submitForm_ < 0) {
            std::vector<std::pair<std::string, std::string>> filled = Filled();
            for (size_t f = 0; f < page_.forms.size() && submitForm_ < 0 && !filled.empty(); ++f)
                for (const FormInput& in : page_.forms[f].inputs)
                    for (const auto& field : filled)
                        if (in.name == field.first) submitForm_ = static_cast<int>(f);
            if (submitForm_ >= 0) submitFilled_ = filled;
        }
        if (submitForm_ >= 0)
            SetTimer(queue_, kSubmitTimer, page_.autoSubmitDelayMs > 0 ? static_cast<UINT>(page_.autoSubmitDelayMs) : 10,
                     nullptr);
    }
    Release();
}

void Browser::SubmitPending() {
    if (queue_ != nullptr) KillTimer(queue_, kSubmitTimer);
    int form = submitForm_;
    submitForm_ = -1;
    if (form < 0 || static_cast<size_t>(form) >= page_.forms.size()) return;
    const PageForm& f = page_.forms[static_cast<size_t>(form)];
    Request request;
    request.url = ResolveUrl(pageUrl_, f.action);
    std::string body = FormBody(f, submitFilled_);
    if (f.method == "POST") {
        request.method = "POST";
        request.body = body;
        request.headers = kFormHeaders;
    } else {
        request.method = "GET";
        size_t q = request.url.find('?');
        if (q != std::string::npos) request.url.erase(q);
        request.url += "?" + body;
    }
    ++chained_;
    Begin(request, nullptr, nullptr);
}

}  // namespace standin
