// Which addresses the WebBrowser control shows: web pages alone. Navigate2,
// the page's own navigations (links, forms, script, frames) and redirects
// go to http and https addresses only, and the top document is always a
// web page's; any other scheme (file:, data:, javascript:, about:, ftp:,
// blob:, custom ones) is refused. A refused Navigate2 or top document shows
// the browser's error page at that address, as for a page that cannot be
// reached, naming only the scheme; a refused navigation of the page, or a
// frame, loads nothing. Refusals are written to the debugger output.
#include <webkit2/webkit2.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/browser/webkit/webcontrol.h"
#include "platform/browser/webkit/webpages.h"

namespace afxbrowser {

bool IsWebAddress(const char* uri) {
    const char* scheme = uri != nullptr ? g_uri_peek_scheme(uri) : nullptr;
    return scheme != nullptr && (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0);
}

namespace {

// What of a refused address is shown or written: its scheme alone (a data:
// or javascript: address may carry anything, a card number too).
std::string SchemeOf(const std::string& uri) {
    const char* scheme = g_uri_peek_scheme(uri.c_str());
    return std::string(scheme != nullptr ? scheme : "(no scheme)") + ":";
}

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

}  // namespace

void NoteRefused(const char* what, const std::string& uri) {
    std::string line = std::string("[WebBrowser] ") + what + " refused, not a web page: " + SchemeOf(uri);
    OutputDebugStringA(line.c_str());
}

void ForgetStallChecks(WebBrowserControl* control) {
    for (StallCheck* c : g_stalls)
        if (c->owner == control) c->owner = nullptr;
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
    if (self->phase_ == Phase::Helper || !webkit_response_policy_decision_is_main_frame_main_resource(response))
        return FALSE;
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

}  // namespace afxbrowser
