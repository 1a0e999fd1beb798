// The browser's web process, started before a dialog needs it.
//
// Every view of the browser control is created related to one hidden view
// that is kept for the life of the process, so that all of them run in its
// web process: the process starts once, when the control container is
// enabled (or at the latest with the first browser control), and a dialog's
// first page loads without waiting for a process to start.
//
// The hidden view never shows a page: its one load, which starts the
// process, is refused. Having no address of its own, it never makes the
// engine move a related view's first page to a process of another site.
// Should the process end (a crash, the system reclaiming memory), the hidden
// view starts the next one at once.
//
// When the control container ends (the module is unloaded), the hidden view
// goes, and its process with it once no view uses it.
//
// VEMOMPI_BROWSER_PRESTART=0 switches this off: each view then starts a
// process of its own as it loads its first page.
#include <cstdlib>
#include <cstring>

#include "platform/afx/gtk/afxgtk.h"
#include "platform/browser/webkit/webcontext.h"
#include "platform/browser/webkit/websandbox.h"

namespace {

WebKitWebView* g_processView = nullptr;

bool PrestartEnabled() {
    const char* knob = std::getenv("VEMOMPI_BROWSER_PRESTART");
    return knob == nullptr || std::strcmp(knob, "0") != 0;
}

gboolean RefuseLoad(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType, gpointer) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

// A load is what starts the process; it is refused once the process runs.
void StartProcess(WebKitWebView* view) { webkit_web_view_load_uri(view, "about:blank"); }

void OnProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason, gpointer) { StartProcess(view); }

}  // namespace

WebKitWebContext* AfxBrowserContext() {
    static WebKitWebContext* context = nullptr;
    if (context == nullptr) {
        // Nothing of the cardholder's session is written to disk.
        context = webkit_web_context_new_ephemeral();
        webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
        // Pages run in the sandbox wherever it can start (before the
        // context's first process).
        AfxEnableBrowserSandbox(context);
    }
    return context;
}

WebKitWebView* AfxBrowserProcessView() {
    if (g_processView != nullptr || !PrestartEnabled()) return g_processView;
    g_processView = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", AfxBrowserContext(), nullptr));
    g_object_ref_sink(g_processView);  // never shown, kept for good
    g_signal_connect(g_processView, "decide-policy", G_CALLBACK(RefuseLoad), nullptr);
    g_signal_connect(g_processView, "web-process-terminated", G_CALLBACK(OnProcessTerminated), nullptr);
    StartProcess(g_processView);
    return g_processView;
}

void AfxStopWebBrowserPrestart() {
    if (g_processView == nullptr) return;
    // Nothing of this code is called after it: a module that goes keeps no
    // handler behind in the toolkit.
    g_signal_handlers_disconnect_by_func(g_processView, reinterpret_cast<gpointer>(RefuseLoad), nullptr);
    g_signal_handlers_disconnect_by_func(g_processView, reinterpret_cast<gpointer>(OnProcessTerminated), nullptr);
    g_object_unref(g_processView);
    g_processView = nullptr;
}

void AfxPrestartWebBrowser() {
    // Only where the toolkit already runs: this starts no toolkit of its own
    // (a registration tool loading the module has no display to use).
    if (gdk_display_get_default() == nullptr) return;
    AfxBrowserProcessView();
}
