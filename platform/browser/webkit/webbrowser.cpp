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

#include "platform/afx/gtk/afxgtk.h"
#include "platform/browser/webkit/browserprobe.h"
#include "platform/browser/webkit/exdisp.h"
#include "platform/browser/webkit/mshtml.h"
#include "platform/browser/webkit/webcontext.h"
#include "platform/browser/webkit/webcontrol.h"
#include "platform/browser/webkit/webdocument.h"
#include "platform/browser/webkit/webpages.h"

const CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID IID_IHTMLDocument3 = {0x3050F485, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLElement = {0x3050F1FF, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

namespace {

using namespace afxbrowser;

// How long a view's first load waits for the view to be drawn.
constexpr guint kFirstDrawWaitMs = 200;

std::function<void(const char*)>& LoadObserver() {
    static std::function<void(const char*)> observer;
    return observer;
}

struct ReadRequest {
    WebBrowserControl* owner;
    unsigned generation;
    std::string url;
};
std::set<ReadRequest*> g_reads;

}  // namespace

namespace afxbrowser {

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
    ForgetStallChecks(this);
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
static const VARIANT* Deref(const VARIANTARG& a) {
    if (a.vt == (VT_VARIANT | VT_BYREF)) return a.pvarVal;
    return &a;
}

static std::string VariantUtf8(const VARIANT* v) {
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

}  // namespace afxbrowser

void afxbrowser::SetLoadObserver(std::function<void(const char*)> observer) { LoadObserver() = std::move(observer); }

AfxPlatformControl* AfxCreateWebBrowserControl(COleControlSite* pSite) {
    if (pSite == nullptr || !AfxUiInit()) return nullptr;
    return new afxbrowser::WebBrowserControl(pSite);
}
