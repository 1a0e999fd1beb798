// The WebBrowser control on WebKitGTK.
//
// What its container sees is the Windows control: Navigate2 (GET, or POST
// of form data with headers), the Document property, and the events
// BeforeNavigate2, DocumentComplete and TitleChange with their Windows
// arguments, strings in UTF-16. What it does inside stays inside:
//
// - A POST is made by a helper page (windows-1252) whose script fills a form
//   with the decoded fields of the post data and submits it; the browser
//   encodes the fields again, so every byte of a field arrives as it was,
//   except that HTML form submission turns a lone CR or LF into CR LF. The
//   helper page and its submission fire no events: BeforeNavigate2 was fired
//   by Navigate2 for the real target.
// - DocumentComplete of the top document is fired once its HTML has been
//   read (by script in a world of its own, invisible to the page), so that
//   the Document property holds it during the event. Frames report their
//   load through a script message, again from a world of their own.
// - The host's IDocHostUIHandler, taken from the site, decides scroll bars
//   (GetHostInfo), the context menu (ShowContextMenu) and keystrokes
//   (TranslateAccelerator). window.external is an inert object that page
//   script may call and read without failing.
// - Only web pages are shown: Navigate2, the page's own navigations (links,
//   forms, script, frames) and redirects go to http and https addresses
//   alone, and the top document is always one. Any other scheme (file:,
//   data:, javascript:, about:, ftp:, blob:, custom ones) is refused: a
//   refused Navigate2 shows the browser's error page, as for a page that
//   cannot be reached; a refused navigation of the page loads nothing.
#include <webkit2/webkit2.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/afx/afxgtk.h"
#include "platform/browser/browserprobe.h"
#include "platform/browser/exdisp.h"
#include "platform/browser/mshtml.h"
#include "platform/browser/webcontext.h"
#include "platform/browser/webdocument.h"
#include "platform/browser/webpages.h"

const CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID IID_IHTMLDocument3 = {0x3050F485, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLElement = {0x3050F1FF, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

namespace {

using namespace afxbrowser;

// How long a view's first load waits for the view to be drawn.
constexpr guint kFirstDrawWaitMs = 200;

// A web page's address: http or https (of any case).
bool IsWebAddress(const char* uri) {
    const char* scheme = uri != nullptr ? g_uri_peek_scheme(uri) : nullptr;
    return scheme != nullptr && (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0);
}

// What of a refused address is shown or written: its scheme alone (a data:
// or javascript: address may carry anything, a card number too).
std::string SchemeOf(const std::string& uri) {
    const char* scheme = g_uri_peek_scheme(uri.c_str());
    return std::string(scheme != nullptr ? scheme : "(no scheme)") + ":";
}

// Refusals go to the debugger output, one line each.
void NoteRefused(const char* what, const std::string& uri) {
    std::string line = std::string("[WebBrowser] ") + what + " refused, not a web page: " + SchemeOf(uri);
    OutputDebugStringA(line.c_str());
}

std::function<void(const char*)>& LoadObserver() {
    static std::function<void(const char*)> observer;
    return observer;
}

// ---------------------------------------------------------------- the control

class WebBrowserControl final : public AfxPlatformControl, public NoMembers<IDispatch> {
public:
    explicit WebBrowserControl(COleControlSite* site);
    ~WebBrowserControl() override;

    IDispatch* GetDispatch() override { return this; }
    GtkWidget* GetWidget() override { return GTK_WIDGET(view_); }

    // IUnknown: the control lives as long as its site.
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT*) override;

private:
    enum class Phase { Idle, Own, Helper };

    HRESULT Navigate2(DISPPARAMS* params);
    void FireBeforeNavigate2(const std::string& url, const VARIANT* flags, const VARIANT* target, const VARIANT* postData,
                             const VARIANT* headers, BOOL* cancel);
    void FireDocumentComplete(IDispatch* which, const std::string& url);
    void FireTitleChange(const std::string& title);
    void UpdateHostInfo();

    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer);
    static void OnTitle(GObject*, GParamSpec*, gpointer);
    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
    static gboolean OnKey(GtkWidget*, GdkEventKey*, gpointer);
    static void OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer);
    static gboolean StartPendingLoad(gpointer);
    static gboolean OnDrawn(GtkWidget*, cairo_t*, gpointer);
    void StartLoad();
    void ShowRefused(const std::string& uri);
    static void OnResourceStarted(WebKitWebView*, WebKitWebResource*, WebKitURIRequest*, gpointer);
    static void OnResourceFailed(WebKitWebResource*, GError*, gpointer);
    static gboolean CheckStalled(gpointer);
    static gboolean OnResponsePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer);
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer);
    static void OnDocumentRead(GObject*, GAsyncResult*, gpointer);

    COleControlSite* site_;
    IDocHostUIHandler* handler_ = nullptr;
    WebKitWebView* view_ = nullptr;
    WebKitUserContentManager* content_ = nullptr;
    WebKitUserStyleSheet* noScroll_ = nullptr;
    bool noScrollApplied_ = false;
    GCancellable* cancel_ = nullptr;
    FrameObject frame_;
    HtmlDocument* document_ = nullptr;

    // The load Navigate2 asked for. It starts at once, or, when Navigate2
    // was called from inside a navigation decision (a BeforeNavigate2
    // handler), once that decision has been taken; the first load of a view
    // that has not been drawn yet, once it has (see OnDrawn).
    struct PendingLoad {
        bool post = false;
        std::string url, body, headers;
    } pending_;
    bool deciding_ = false;
    guint pendingSource_ = 0;
    bool drawn_ = false;           // the view has shown a picture
    bool waitingForDraw_ = false;  // the pending load waits for it

    Phase phase_ = Phase::Idle;
    bool ownDecisionPending_ = false;   // the next decision is Navigate2's own load
    bool committed_ = false;            // the main frame has a new document
    bool errorPagePending_ = false;     // the next document is the browser's own error page
    bool errorPageShown_ = false;       // the top document is the browser's own error page
    std::string refusedUri_;            // a redirect of the top document that was refused
    unsigned generation_ = 0;           // main-frame loads started
    std::string lastTitle_;
};

struct ReadRequest {
    WebBrowserControl* owner;
    unsigned generation;
    std::string url;
};
std::set<ReadRequest*> g_reads;

// A top document whose main resource failed without its load failing (the
// engine drops a redirect to a local file that way, leaving the view on the
// page before): looked at once more a moment later, and if the load is
// still neither failed nor committed nor replaced, the error page shows.
struct StallCheck {
    WebBrowserControl* owner;
    unsigned generation;
    WebKitWebResource* resource;  // a reference
    std::string uri, message;
};
std::set<StallCheck*> g_stalls;
constexpr guint kStallCheckMs = 300;

WebBrowserControl::WebBrowserControl(COleControlSite* site) : site_(site) {
    site_->ExternalQueryInterface(&IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler_));

    content_ = webkit_user_content_manager_new();
    WebKitUserScript* external = webkit_user_script_new(kExternalScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_, external);
    webkit_user_script_unref(external);
    WebKitUserScript* frames =
        webkit_user_script_new_for_world(kFrameScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_, frames);
    webkit_user_script_unref(frames);
    webkit_user_content_manager_register_script_message_handler_in_world(content_, kFrameMessage, kWorld);
    g_signal_connect(content_, (std::string("script-message-received::") + kFrameMessage).c_str(),
                     G_CALLBACK(OnFrameMessage), this);
    noScroll_ = webkit_user_style_sheet_new(kNoScrollStyle, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                            WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_javascript(settings, TRUE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    webkit_settings_set_enable_page_cache(settings, FALSE);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

    // The view runs in the pre-started web process when there is one.
    WebKitWebView* process = AfxBrowserProcessView();
    if (process != nullptr)
        view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", process, "user-content-manager",
                                             content_, "settings", settings, nullptr));
    else
        view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", AfxBrowserContext(),
                                             "user-content-manager", content_, "settings", settings, nullptr));
    g_object_unref(settings);
    g_object_ref_sink(view_);
    cancel_ = g_cancellable_new();

    g_object_set_data(G_OBJECT(view_), "vemompi-browser", this);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view_, "resource-load-started", G_CALLBACK(OnResourceStarted), this);
    g_signal_connect(view_, "notify::title", G_CALLBACK(OnTitle), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(view_, "key-release-event", G_CALLBACK(OnKey), this);
    g_signal_connect(view_, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect_after(view_, "draw", G_CALLBACK(OnDrawn), this);
    UpdateHostInfo();

    // The external object the host offers: consulted, and (since nothing in
    // the module sets one) never bridged to page script.
    if (handler_ != nullptr) {
        IDispatch* ext = nullptr;
        if (SUCCEEDED(handler_->GetExternal(&ext)) && ext != nullptr) ext->Release();
    }
}

WebBrowserControl::~WebBrowserControl() {
    g_cancellable_cancel(cancel_);
    if (pendingSource_ != 0) g_source_remove(pendingSource_);
    for (ReadRequest* r : g_reads)
        if (r->owner == this) r->owner = nullptr;
    for (StallCheck* c : g_stalls)
        if (c->owner == this) c->owner = nullptr;
    g_object_set_data(G_OBJECT(view_), "vemompi-browser", nullptr);
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(content_, this);
    webkit_user_content_manager_unregister_script_message_handler_in_world(content_, kFrameMessage, kWorld);
    webkit_web_view_stop_loading(view_);
    g_object_unref(view_);
    g_object_unref(content_);
    webkit_user_style_sheet_unref(noScroll_);
    g_object_unref(cancel_);
    if (document_ != nullptr) document_->Release();
    if (handler_ != nullptr) handler_->Release();
}

void WebBrowserControl::UpdateHostInfo() {
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    bool noScroll = handler_ != nullptr && handler_->GetHostInfo(&info) == S_OK && (info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO);
    if (noScroll == noScrollApplied_) return;
    if (noScroll)
        webkit_user_content_manager_add_style_sheet(content_, noScroll_);
    else
        webkit_user_content_manager_remove_style_sheet(content_, noScroll_);
    noScrollApplied_ = noScroll;
}

// ---------------------------------------------------------------- dispatch

HRESULT WebBrowserControl::Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO*, UINT*) {
    switch (dispid) {
        case DISPID_NAVIGATE2:
            if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            return Navigate2(params);
        case DISPID_DOCUMENT:
            if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (result == nullptr) return E_POINTER;
            VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = document_ != nullptr ? static_cast<IHTMLDocument2*>(document_) : nullptr;
            if (document_ != nullptr) document_->AddRef();
            return S_OK;
        case DISPID_LOCATIONURL: {
            if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (result == nullptr) return E_POINTER;
            VariantInit(result);
            const char* uri = webkit_web_view_get_uri(view_);
            result->vt = VT_BSTR;
            result->bstrVal = AfxUtf8ToBstr(phase_ == Phase::Helper || uri == nullptr ? "" : uri);
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

// The variant an argument holds (by reference or not).
const VARIANT* Deref(const VARIANTARG& a) {
    if (a.vt == (VT_VARIANT | VT_BYREF)) return a.pvarVal;
    return &a;
}

std::string VariantUtf8(const VARIANT* v) {
    if (v == nullptr || v->vt != VT_BSTR || v->bstrVal == nullptr) return std::string();
    return AfxUtf16ToUtf8(v->bstrVal, static_cast<int>(SysStringLen(v->bstrVal)));
}

HRESULT WebBrowserControl::Navigate2(DISPPARAMS* params) {
    if (params == nullptr || params->cArgs < 1 || params->cArgs > 5) return DISP_E_BADPARAMCOUNT;
    VARIANT empty;
    VariantInit(&empty);
    const VARIANT* args[5] = {&empty, &empty, &empty, &empty, &empty};
    for (UINT i = 0; i < params->cArgs; ++i) args[i] = Deref(params->rgvarg[params->cArgs - 1 - i]);
    const VARIANT* url = args[0];
    if (url == nullptr || url->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    std::string urlUtf8 = VariantUtf8(url);

    std::string body;
    const VARIANT* post = args[3];
    bool isPost = false;
    if (post != nullptr && post->vt == (VT_ARRAY | VT_UI1) && post->parray != nullptr) {
        void* data = nullptr;
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(post->parray, 1, &lo);
        SafeArrayGetUBound(post->parray, 1, &hi);
        if (SUCCEEDED(SafeArrayAccessData(post->parray, &data))) {
            if (hi >= lo) body.assign(static_cast<const char*>(data), static_cast<size_t>(hi - lo + 1));
            SafeArrayUnaccessData(post->parray);
        }
        isPost = true;
    }
    std::string headers = VariantUtf8(args[4]);

    BOOL cancel = FALSE;
    FireBeforeNavigate2(urlUtf8, args[1], args[2], post, args[4], &cancel);
    if (cancel || AfxWindowEnded(site_->m_hWnd)) return S_OK;

    pending_ = PendingLoad{isPost, urlUtf8, body, headers};
    if (pendingSource_ != 0) g_source_remove(pendingSource_);
    pendingSource_ = 0;
    waitingForDraw_ = false;
    if (!drawn_) {
        waitingForDraw_ = true;
        pendingSource_ = g_timeout_add(kFirstDrawWaitMs, StartPendingLoad, this);
    } else if (deciding_)
        pendingSource_ = g_idle_add(StartPendingLoad, this);
    else
        StartLoad();
    return S_OK;
}

gboolean WebBrowserControl::StartPendingLoad(gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    self->pendingSource_ = 0;
    self->waitingForDraw_ = false;
    self->StartLoad();
    return G_SOURCE_REMOVE;
}

void WebBrowserControl::StartLoad() {
    ++generation_;
    committed_ = false;
    UpdateHostInfo();
    if (!IsWebAddress(pending_.url.c_str())) {
        NoteRefused("Navigate2", pending_.url);
        ShowRefused(pending_.url);
        return;
    }
    if (pending_.post) {
        // The helper page posts the form; what the page does is not seen.
        std::string page = HelperPage(pending_.url, pending_.body);
        GBytes* bytes = g_bytes_new(page.data(), page.size());
        phase_ = Phase::Helper;
        ownDecisionPending_ = false;
        webkit_web_view_load_bytes(view_, bytes, "text/html", "windows-1252", "about:blank");
        g_bytes_unref(bytes);
        return;
    }
    WebKitURIRequest* request = webkit_uri_request_new(pending_.url.c_str());
    SoupMessageHeaders* h = webkit_uri_request_get_http_headers(request);
    const std::string& headers = pending_.headers;
    size_t start = 0;
    while (h != nullptr && start < headers.size()) {
        size_t end = headers.find('\n', start);
        if (end == std::string::npos) end = headers.size();
        std::string line = headers.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            soup_message_headers_replace(h, line.substr(0, colon).c_str(), value.c_str());
        }
        start = end + 1;
    }
    phase_ = Phase::Own;
    ownDecisionPending_ = true;
    webkit_web_view_load_request(view_, request);
    g_object_unref(request);
}

// The browser's error page in place of an address that is not a web page.
void WebBrowserControl::ShowRefused(const std::string& uri) {
    phase_ = Phase::Idle;
    ownDecisionPending_ = false;
    GError* error = g_error_new_literal(WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI,
                                        "Only web pages (http, https) are shown here.");
    std::string html = ErrorPageHtml(SchemeOf(uri).c_str(), error);
    g_error_free(error);
    errorPagePending_ = true;
    webkit_web_view_load_alternate_html(view_, html.c_str(), uri.c_str(), nullptr);
}

// ---------------------------------------------------------------- events

void WebBrowserControl::FireBeforeNavigate2(const std::string& url, const VARIANT* flags, const VARIANT* target,
                                            const VARIANT* postData, const VARIANT* headers, BOOL* cancel) {
    VARIANT vUrl, vFlags, vTarget, vPost, vHeaders;
    VariantInit(&vUrl);
    VariantInit(&vFlags);
    VariantInit(&vTarget);
    VariantInit(&vPost);
    VariantInit(&vHeaders);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = AfxUtf8ToBstr(url.c_str());
    vFlags.vt = VT_I4;
    vFlags.lVal = flags != nullptr && flags->vt == VT_I4 ? flags->lVal : 0;
    vTarget.vt = VT_BSTR;
    vTarget.bstrVal = target != nullptr && target->vt == VT_BSTR ? SysAllocStringLen(target->bstrVal, SysStringLen(target->bstrVal))
                                                                 : SysAllocStringLen(nullptr, 0);
    if (postData != nullptr && postData->vt != VT_EMPTY) VariantCopy(&vPost, postData);
    vHeaders.vt = VT_BSTR;
    vHeaders.bstrVal = headers != nullptr && headers->vt == VT_BSTR
                           ? SysAllocStringLen(headers->bstrVal, SysStringLen(headers->bstrVal))
                           : SysAllocStringLen(nullptr, 0);
    VARIANT_BOOL vCancel = VARIANT_FALSE;

    VARIANTARG args[7];
    for (auto& a : args) VariantInit(&a);
    // In reverse order: Cancel, Headers, PostData, TargetFrameName, Flags, URL, pDisp.
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &vCancel;
    args[1].vt = VT_VARIANT | VT_BYREF;
    args[1].pvarVal = &vHeaders;
    args[2].vt = VT_VARIANT | VT_BYREF;
    args[2].pvarVal = &vPost;
    args[3].vt = VT_VARIANT | VT_BYREF;
    args[3].pvarVal = &vTarget;
    args[4].vt = VT_VARIANT | VT_BYREF;
    args[4].pvarVal = &vFlags;
    args[5].vt = VT_VARIANT | VT_BYREF;
    args[5].pvarVal = &vUrl;
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = this;
    DISPPARAMS dp{args, nullptr, 7, 0};
    site_->FireEvent(DISPID_BEFORENAVIGATE2, &dp);
    *cancel = vCancel != VARIANT_FALSE ? TRUE : FALSE;
    VariantClear(&vUrl);
    VariantClear(&vFlags);
    VariantClear(&vTarget);
    VariantClear(&vPost);
    VariantClear(&vHeaders);
}

void WebBrowserControl::FireDocumentComplete(IDispatch* which, const std::string& url) {
    VARIANT vUrl;
    VariantInit(&vUrl);
    vUrl.vt = VT_BSTR;
    vUrl.bstrVal = AfxUtf8ToBstr(url.c_str());
    VARIANTARG args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &vUrl;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = which;
    DISPPARAMS dp{args, nullptr, 2, 0};
    site_->FireEvent(DISPID_DOCUMENTCOMPLETE, &dp);
    VariantClear(&vUrl);
}

void WebBrowserControl::FireTitleChange(const std::string& title) {
    if (title.empty() || title == lastTitle_) return;
    lastTitle_ = title;
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = AfxUtf8ToBstr(title.c_str());
    DISPPARAMS dp{&arg, nullptr, 1, 0};
    site_->FireEvent(DISPID_TITLECHANGE, &dp);
    VariantClear(&arg);
}

gboolean WebBrowserControl::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                           WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return OnResponsePolicy(nullptr, decision, type, data);
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* address = webkit_uri_request_get_uri(request);
    WebKitNavigationType navType = webkit_navigation_action_get_navigation_type(action);
    // The helper page of a POST is the one document of the browser's own
    // that is loaded as a navigation; everything else must be a web page.
    bool helperPage = self->phase_ == Phase::Helper && navType != WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED &&
                      !webkit_navigation_action_is_redirect(action) && address != nullptr &&
                      std::strcmp(address, "about:blank") == 0;
    if (!helperPage && !IsWebAddress(address)) {
        std::string uri = address != nullptr ? address : "";
        NoteRefused(webkit_navigation_action_is_redirect(action) ? "redirect" : "navigation", uri);
        // A refused redirect of the top document shows the error page when
        // its load fails (OnLoadFailed); a frame's is simply not loaded.
        if (webkit_navigation_action_is_redirect(action)) self->refusedUri_ = uri;
        if (self->phase_ == Phase::Helper) self->phase_ = Phase::Idle;
        self->ownDecisionPending_ = false;
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (webkit_navigation_action_is_redirect(action)) return FALSE;  // part of the navigation already reported

    if (self->phase_ == Phase::Helper) {
        // The helper page itself, then its form submission.
        if (navType == WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED) {
            self->phase_ = Phase::Idle;
            ++self->generation_;
        }
        webkit_policy_decision_use(decision);
        return TRUE;
    }
    if (self->ownDecisionPending_ && navType == WEBKIT_NAVIGATION_TYPE_OTHER) {
        self->ownDecisionPending_ = false;
        self->phase_ = Phase::Idle;
        webkit_policy_decision_use(decision);
        return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        webkit_policy_decision_ignore(decision);  // no windows besides the dialog
        return TRUE;
    }

    // A navigation of the page (link, form, script, frame).
    std::string url = webkit_uri_request_get_uri(request) != nullptr ? webkit_uri_request_get_uri(request) : "";
    VARIANT target;
    VariantInit(&target);
    const char* frameName = webkit_navigation_action_get_frame_name(action);
    if (frameName != nullptr) {
        target.vt = VT_BSTR;
        target.bstrVal = AfxUtf8ToBstr(frameName);
    }
    VARIANT headers;
    VariantInit(&headers);
    SoupMessageHeaders* h = webkit_uri_request_get_http_headers(request);
    const char* contentType = h != nullptr ? soup_message_headers_get_one(h, "Content-Type") : nullptr;
    if (contentType != nullptr) {
        std::string line = std::string("Content-Type: ") + contentType + "\r\n";
        headers.vt = VT_BSTR;
        headers.bstrVal = AfxUtf8ToBstr(line.c_str());
    }
    BOOL cancel = FALSE;
    self->deciding_ = true;
    self->FireBeforeNavigate2(url, nullptr, &target, nullptr, &headers, &cancel);
    self->deciding_ = false;
    VariantClear(&target);
    VariantClear(&headers);
    if (cancel)
        webkit_policy_decision_ignore(decision);
    else
        webkit_policy_decision_use(decision);
    return TRUE;
}

// The top document's response: whatever led to it, it is a web page's (or
// the helper page's, which has none).
gboolean WebBrowserControl::OnResponsePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType,
                                             gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response)) return FALSE;
    WebKitURIRequest* request = webkit_response_policy_decision_get_request(response);
    const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
    if (IsWebAddress(uri)) return FALSE;
    std::string refused = uri != nullptr ? uri : "";
    NoteRefused("document", refused);
    self->refusedUri_ = refused;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

void WebBrowserControl::OnResourceStarted(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest*,
                                          gpointer) {
    if (webkit_web_view_get_main_resource(view) != resource) return;
    // Told through the view, which the control leaves when it goes.
    g_signal_connect_object(resource, "failed", G_CALLBACK(OnResourceFailed), view, static_cast<GConnectFlags>(0));
}

void WebBrowserControl::OnResourceFailed(WebKitWebResource* resource, GError* error, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(g_object_get_data(G_OBJECT(data), "vemompi-browser"));
    if (self == nullptr || self->phase_ == Phase::Helper || self->committed_) return;
    const char* uri = webkit_web_resource_get_uri(resource);
    auto* check = new StallCheck{self, self->generation_, WEBKIT_WEB_RESOURCE(g_object_ref(resource)),
                                 uri != nullptr ? uri : "", error != nullptr ? error->message : ""};
    g_stalls.insert(check);
    g_timeout_add(kStallCheckMs, CheckStalled, check);
}

gboolean WebBrowserControl::CheckStalled(gpointer data) {
    auto* check = static_cast<StallCheck*>(data);
    g_stalls.erase(check);
    WebBrowserControl* self = check->owner;
    if (self != nullptr && check->generation == self->generation_ && !self->committed_ && !self->errorPagePending_ &&
        self->phase_ != Phase::Helper && webkit_web_view_get_main_resource(self->view_) == check->resource &&
        !webkit_web_view_is_loading(self->view_) && !AfxWindowEnded(self->site_->m_hWnd)) {
        // The load neither failed nor went on: the browser's error page,
        // with the address asked for.
        OutputDebugStringA("[WebBrowser] a page's load stopped without an answer");
        GError* error = g_error_new_literal(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_FAILED, check->message.c_str());
        std::string html = ErrorPageHtml(check->uri.c_str(), error);
        g_error_free(error);
        self->refusedUri_.clear();
        self->errorPagePending_ = true;
        webkit_web_view_load_alternate_html(self->view_, html.c_str(), check->uri.c_str(), nullptr);
    }
    g_object_unref(check->resource);
    delete check;
    return G_SOURCE_REMOVE;
}

void WebBrowserControl::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    if (self->phase_ == Phase::Helper) return;
    if (event == WEBKIT_LOAD_STARTED) {
        self->committed_ = false;
        if (!self->errorPagePending_) self->refusedUri_.clear();
        return;
    }
    if (event == WEBKIT_LOAD_COMMITTED) {
        self->errorPageShown_ = self->errorPagePending_;
        self->errorPagePending_ = false;
        const char* committed = webkit_web_view_get_uri(view);
        if (!self->errorPageShown_ && !IsWebAddress(committed)) {
            // Nothing but a web page or the browser's own error page is
            // the top document.
            std::string uri = committed != nullptr ? committed : "";
            NoteRefused("document", uri);
            self->committed_ = false;
            webkit_web_view_stop_loading(view);
            self->ShowRefused(uri);
            return;
        }
        self->committed_ = true;
        ++self->generation_;
        self->UpdateHostInfo();
        // As the Windows browser does, the address stands for the title
        // until the document names one.
        const char* uri = webkit_web_view_get_uri(view);
        const char* title = webkit_web_view_get_title(view);
        self->lastTitle_.clear();
        self->FireTitleChange(title != nullptr && *title != '\0' ? title : (uri != nullptr ? uri : ""));
        return;
    }
    if (event != WEBKIT_LOAD_FINISHED || !self->committed_) return;
    self->committed_ = false;
    const char* uri = webkit_web_view_get_uri(view);
    if (LoadObserver()) LoadObserver()(uri != nullptr ? uri : "");
    auto* read = new ReadRequest{self, self->generation_, uri != nullptr ? uri : ""};
    g_reads.insert(read);
    webkit_web_view_evaluate_javascript(view, kReadDocumentScript, -1, kWorld, nullptr, self->cancel_, OnDocumentRead,
                                        read);
}

void WebBrowserControl::OnDocumentRead(GObject* source, GAsyncResult* result, gpointer data) {
    auto* read = static_cast<ReadRequest*>(data);
    g_reads.erase(read);
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    WebBrowserControl* self = read->owner;
    if (self != nullptr && read->generation == self->generation_ && !AfxWindowEnded(self->site_->m_hWnd)) {
        DocumentText text;
        text.url = read->url;
        if (value != nullptr && jsc_value_is_array(value)) {
            std::string* fields[] = {&text.outerHTML, &text.innerText, &text.bodyHTML, &text.bodyText, &text.title};
            for (guint i = 0; i < 5; ++i) {
                JSCValue* item = jsc_value_object_get_property_at_index(value, i);
                if (item != nullptr && jsc_value_is_string(item)) {
                    char* s = jsc_value_to_string(item);
                    *fields[i] = s;
                    g_free(s);
                }
                if (item != nullptr) g_object_unref(item);
            }
        }
        if (self->document_ != nullptr) self->document_->Release();
        self->document_ = new HtmlDocument(std::move(text));
        self->FireDocumentComplete(self, read->url);
    }
    if (value != nullptr) g_object_unref(value);
    if (error != nullptr) g_error_free(error);
    delete read;
}

gboolean WebBrowserControl::OnLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    self->committed_ = false;
    if (self->phase_ == Phase::Helper) self->phase_ = Phase::Idle;
    // A load that was replaced or stopped shows nothing.
    if (self->refusedUri_.empty() && error != nullptr &&
        (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
         g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)))
        return FALSE;
    // The browser's error page follows as a document of its own, with the
    // failing address; the failed load completes nothing. A refused
    // redirect or document is named by its own address.
    if (!self->refusedUri_.empty() || !IsWebAddress(uri)) {
        std::string refused = !self->refusedUri_.empty() ? std::move(self->refusedUri_) : std::string(uri != nullptr ? uri : "");
        self->refusedUri_.clear();
        self->ShowRefused(refused);
        return TRUE;
    }
    std::string html = ErrorPageHtml(uri, error);
    self->errorPagePending_ = true;
    webkit_web_view_load_alternate_html(view, html.c_str(), uri, nullptr);
    return TRUE;
}

void WebBrowserControl::OnTitle(GObject* object, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    if (self->phase_ == Phase::Helper || AfxWindowEnded(self->site_->m_hWnd)) return;
    const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(object));
    if (title != nullptr) self->FireTitleChange(title);
}

gboolean WebBrowserControl::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                                          WebKitHitTestResult* hit, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    if (self->handler_ == nullptr) return FALSE;
    DWORD kind = CONTEXT_MENU_DEFAULT;
    if (hit != nullptr) {
        if (webkit_hit_test_result_context_is_link(hit))
            kind = CONTEXT_MENU_ANCHOR;
        else if (webkit_hit_test_result_context_is_image(hit))
            kind = CONTEXT_MENU_IMAGE;
        else if (webkit_hit_test_result_context_is_editable(hit))
            kind = CONTEXT_MENU_CONTROL;
        else if (webkit_hit_test_result_context_is_selection(hit))
            kind = CONTEXT_MENU_TEXTSELECT;
    }
    POINT pt{0, 0};
    gdouble x = 0, y = 0;
    if (event != nullptr && gdk_event_get_root_coords(event, &x, &y)) pt = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    // S_OK: the host showed its menu (here: none). Anything else: the browser's own.
    return self->handler_->ShowContextMenu(kind, &pt, nullptr, nullptr) == S_OK ? TRUE : FALSE;
}

gboolean WebBrowserControl::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    if (self->handler_ == nullptr) return FALSE;
    bool down = event->type == GDK_KEY_PRESS;
    bool alt = (event->state & GDK_MOD1_MASK) != 0;
    MSG msg{};
    msg.hwnd = self->site_->m_hWnd;
    msg.message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    msg.wParam = AfxVirtualKeyOf(event);
    msg.lParam = AfxKeyLParamOf(event);
    msg.time = event->time;
    // S_OK: the host took the keystroke. S_FALSE: the page gets it.
    return self->handler_->TranslateAccelerator(&msg, nullptr, 0) == S_OK ? TRUE : FALSE;
}

void WebBrowserControl::OnFrameMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    JSCValue* value = result != nullptr ? webkit_javascript_result_get_js_value(result) : nullptr;
    if (self->phase_ == Phase::Helper || value == nullptr || !jsc_value_is_string(value) ||
        AfxWindowEnded(self->site_->m_hWnd))
        return;
    char* url = jsc_value_to_string(value);
    self->FireDocumentComplete(&self->frame_, url);
    g_free(url);
}

// The toolkit's first paint of a view that has no picture yet waits, with
// the user-interface thread blocked, for the page's process to draw one, up
// to half a second; a process that is loading a new page does not draw
// until the page has been laid out. A view's first load therefore waits for
// its first picture (the empty page, drawn at once): the loads that follow
// find a picture to keep while they run. A view that is never drawn starts
// its load after kFirstDrawWaitMs.
gboolean WebBrowserControl::OnDrawn(GtkWidget*, cairo_t*, gpointer data) {
    auto* self = static_cast<WebBrowserControl*>(data);
    self->drawn_ = true;
    if (self->waitingForDraw_) {
        self->waitingForDraw_ = false;
        if (self->pendingSource_ != 0) g_source_remove(self->pendingSource_);
        self->pendingSource_ = g_idle_add(StartPendingLoad, self);
    }
    return FALSE;
}

GtkWidget* WebBrowserControl::OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

}  // namespace

void afxbrowser::SetLoadObserver(std::function<void(const char*)> observer) { LoadObserver() = std::move(observer); }

AfxPlatformControl* AfxCreateWebBrowserControl(COleControlSite* pSite) {
    if (pSite == nullptr || !AfxUiInit()) return nullptr;
    return new WebBrowserControl(pSite);
}
