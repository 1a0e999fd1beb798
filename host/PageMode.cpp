// Page mode: the page in a browser window. Page script reaches its
// controls through window.prompt: the injected script sends the bridge
// request as the prompt's text, and the host answers it from the view's
// script-dialog handler with the reply as the prompt's result. The page's
// script waits for the answer as it would for a user; meanwhile the host's
// main loop (and a control's modal dialog, in its own nested loop) keeps
// running, so the window keeps painting.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <libsoup/soup.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/Bridge.h"
#include "host/Container.h"
#include "host/DialogShots.h"
#include "host/HostOptions.h"
#include "host/ProxyScript.h"
#include "platform/browser/webkit/websandbox.h"

namespace host {

namespace {

struct PageHost {
    HostOptions options;
    GMainLoop* loop = nullptr;
    GtkWidget* window = nullptr;
    WebKitWebView* view = nullptr;
    WebKitUserContentManager* content = nullptr;
    Container container;
    std::unique_ptr<Bridge> bridge;
    std::unique_ptr<WindowShots> shots;
    WebKitWebContext* context = nullptr;
    std::string startUri;
    std::string driverSource;
    std::string driverUri;
    std::string driverToken;
    bool driverStarted = false;
    bool startFailed = false;  // the start page did not load
    bool committed = false;    // a document of the start page's load was committed
    bool quitting = false;
    int exitCode = 0;
};

void AddScript(WebKitUserContentManager* content, const std::string& source, WebKitUserContentInjectedFrames frames) {
    WebKitUserScript* script =
        webkit_user_script_new(source.c_str(), frames, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
}

// The scripts every document gets before its own: the console's messages
// to the host, the driver's binding (top frame) and the controls' proxies
// with the current token (frames of the start page's origin only).
void InstallScripts(PageHost* h) {
    webkit_user_content_manager_remove_all_scripts(h->content);
    AddScript(h->content, PageConsoleScript(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES);
    if (!h->driverToken.empty()) AddScript(h->content, DriverBindingScript(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME);
    AddScript(h->content, PageProxyScript(h->bridge->Token(), OriginOf(h->startUri)),
              WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES);
}

// Page failures end the host when it is the start page that failed.
void StartFailed(PageHost* h, const std::string& why);

gboolean QuitWhenShot(gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    if (h->shots && h->shots->Pending() > 0) return G_SOURCE_CONTINUE;
    g_main_loop_quit(h->loop);
    return G_SOURCE_REMOVE;
}

// Ends the host once the pictures asked for are taken; a call still
// running in a control finishes first (the main loop ends when the
// control's nested loop has returned to it).
void RequestExit(PageHost* h, int code) {
    if (h->quitting) return;
    h->quitting = true;
    h->exitCode = code;
    g_timeout_add(50, &QuitWhenShot, h);
}

Outcome HostCall(PageHost* h, const std::string& fn, const std::vector<ScriptValue>& args) {
    std::string text = !args.empty() && args[0].kind == ScriptValue::Kind::String ? args[0].text : std::string();
    if (fn == "screenshot") {
        if (!h->shots->ShootHost(text)) return Outcome::Failure(E_INVALIDARG);
        return Outcome();
    }
    if (fn == "log") {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        return Outcome();
    }
    if (fn == "error") {
        // The driver's uncaught error, with its file and line.
        if (!h->quitting) {
            std::fflush(stdout);
            std::fprintf(stderr, "vemompi-host: driver: %s\n", text.c_str());
            RequestExit(h, kExitScriptError);
        }
        return Outcome();
    }
    if (fn == "exit") {
        double code = !args.empty() && args[0].kind == ScriptValue::Kind::Number ? args[0].number : 0;
        RequestExit(h, code >= 0 && code <= 255 ? static_cast<int>(code) : 255);
        return Outcome();
    }
    return Outcome::Failure(DISP_E_MEMBERNOTFOUND);
}

gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    if (webkit_script_dialog_get_dialog_type(dialog) != WEBKIT_SCRIPT_DIALOG_PROMPT) return FALSE;
    const char* message = webkit_script_dialog_get_message(dialog);
    const std::string prefix = kBridgePrefix;
    if (message == nullptr || std::string(message).compare(0, prefix.size(), prefix) != 0) return FALSE;
    std::string reply;
    if (h->quitting) {
        reply = ReplyError(ErrorText(E_ACCESSDENIED), ErrorNumber(E_ACCESSDENIED));
    } else {
        h->shots->BeginCall();
        reply = h->bridge->Handle(message + prefix.size());
        h->shots->EndCall();
    }
    webkit_script_dialog_prompt_set_text(dialog, reply.c_str());
    return TRUE;
}

void OnDriverDone(GObject* object, GAsyncResult* result, gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    GError* error = nullptr;
    JSCValue* v = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, &error);
    if (v != nullptr) g_object_unref(v);
    if (error != nullptr) {
        if (!h->quitting) {
            std::fprintf(stderr, "vemompi-host: driver: %s\n", error->message);
            RequestExit(h, kExitScriptError);
        }
        g_error_free(error);
    }
}

void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    if (event == WEBKIT_LOAD_STARTED) {
        // The next document gets a new token; the page shown keeps its
        // controls until a new document is committed.
        h->bridge->StartNavigation();
        InstallScripts(h);
    } else if (event == WEBKIT_LOAD_COMMITTED) {
        h->committed = true;
        size_t released = h->bridge->CommitNavigation();
        if (HostDebug() && released > 0)
            std::fprintf(stderr, "vemompi-host: %zu control(s) released by navigation; module %s\n", released,
                         h->container.AnyModuleLoaded() ? "loaded" : "unloaded");
    } else if (event == WEBKIT_LOAD_FINISHED && !h->driverStarted && !h->startFailed && h->committed &&
               !h->driverSource.empty()) {
        h->driverStarted = true;
        std::string script = DriverScript(h->driverToken, h->driverSource, h->driverUri);
        webkit_web_view_evaluate_javascript(view, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                            h->driverUri.c_str(), nullptr, &OnDriverDone, h);
    }
}

void StartFailed(PageHost* h, const std::string& why) {
    if (h->startFailed || h->quitting) return;
    h->startFailed = true;
    std::fprintf(stderr, "vemompi-host: cannot load %s: %s\n", h->startUri.c_str(), why.c_str());
    RequestExit(h, kExitHostError);
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, char* uri, GError* error, gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    if (!h->driverStarted && !h->committed) {
        StartFailed(h, error != nullptr ? error->message : "failed");
    } else if (HostDebug()) {
        std::fprintf(stderr, "vemompi-host: cannot load %s: %s\n", uri != nullptr ? uri : "",
                     error != nullptr ? error->message : "failed");
    }
    return TRUE;  // no error page
}

// Answers the browser cannot show are refused, never saved; an HTTP
// error status for the start page ends the host.
gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer data) {
    auto* h = static_cast<PageHost*>(data);
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* r = webkit_response_policy_decision_get_response(response);
    bool mainFrame = webkit_response_policy_decision_is_main_frame_main_resource(response);
    guint status = webkit_uri_response_get_status_code(r);
    if (mainFrame && !h->committed && !h->driverStarted && status >= 400) {
        webkit_policy_decision_ignore(decision);
        StartFailed(h, "HTTP status " + std::to_string(status) + " " +
                           (soup_status_get_phrase(status) != nullptr ? soup_status_get_phrase(status) : ""));
        return TRUE;
    }
    if (!webkit_response_policy_decision_is_mime_type_supported(response)) {
        const char* uri = webkit_uri_response_get_uri(r);
        std::fprintf(stderr, "vemompi-host: download refused: %s\n", uri != nullptr ? uri : "");
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    return FALSE;
}

void OnDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// The page's console: one line on stderr with where it was said.
void OnConsole(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer) {
    JSCValue* v = webkit_javascript_result_get_js_value(result);
    char* text = v != nullptr && jsc_value_is_string(v) ? jsc_value_to_string(v) : nullptr;
    if (text == nullptr) return;
    std::string m = text, line;
    g_free(text);
    if (!ConsoleLine(m, &line)) return;
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.c_str());
}

gboolean OnDelete(GtkWidget* w, GdkEvent*, gpointer data) {
    gtk_widget_hide(w);
    RequestExit(static_cast<PageHost*>(data), 0);
    return TRUE;
}

void OnViewClose(WebKitWebView*, gpointer data) { RequestExit(static_cast<PageHost*>(data), 0); }

void OnTitle(GObject* view, GParamSpec*, gpointer data) {
    const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(view));
    gtk_window_set_title(GTK_WINDOW(static_cast<PageHost*>(data)->window),
                         title != nullptr && *title != '\0' ? title : "vemompi-host");
}

void OnCrashed(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
    std::fprintf(stderr, "vemompi-host: the page's web process ended\n");
    RequestExit(static_cast<PageHost*>(data), kExitHostError);
}

std::string FileUri(const std::string& path) {
    char* abs = realpath(path.c_str(), nullptr);
    std::string p = abs != nullptr ? abs : path;
    std::free(abs);
    char* uri = g_filename_to_uri(p.c_str(), nullptr, nullptr);
    std::string out = uri != nullptr ? uri : path;
    g_free(uri);
    return out;
}

bool StartUri(const std::string& target, std::string* uri) {
    if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0 || target.rfind("file://", 0) == 0) {
        *uri = target;
        return true;
    }
    char* abs = realpath(target.c_str(), nullptr);
    if (abs == nullptr) return false;
    char* u = g_filename_to_uri(abs, nullptr, nullptr);
    std::free(abs);
    if (u == nullptr) return false;
    *uri = u;
    g_free(u);
    return true;
}

}  // namespace

int RunPage(const HostOptions& options) {
    auto h = std::make_unique<PageHost>();
    h->options = options;
    if (!StartUri(options.target, &h->startUri)) {
        std::fprintf(stderr, "vemompi-host: cannot open %s\n", options.target.c_str());
        return kExitHostError;
    }
    if (!options.driver.empty()) {
        if (!ReadTextFile(options.driver, &h->driverSource)) {
            std::fprintf(stderr, "vemompi-host: cannot read %s\n", options.driver.c_str());
            return kExitHostError;
        }
        if (h->driverSource.empty()) h->driverSource = " ";
        h->driverToken = NewToken();
        h->driverUri = FileUri(options.driver);
    }
    std::string cardholder;
    if (!options.cardholder.empty()) {
        if (!ReadTextFile(options.cardholder, &cardholder)) {
            std::fprintf(stderr, "vemompi-host: cannot read %s\n", options.cardholder.c_str());
            return kExitHostError;
        }
        if (cardholder.empty()) cardholder = " ";
    }
    if (!options.screenshots.empty()) {
        std::string why;
        if (!WindowShots::PrepareFolder(options.screenshots, &why)) {
            std::fprintf(stderr, "vemompi-host: --screenshots: %s\n", why.c_str());
            return kExitHostError;
        }
    }
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "vemompi-host: cannot open a display\n");
        return kExitHostError;
    }
    h->container.SetDiagnostics(true);
    h->bridge = std::make_unique<Bridge>(h->container, OriginOf(h->startUri));
    PageHost* raw = h.get();
    if (!h->driverToken.empty())
        h->bridge->SetHostCall(
            [raw](const std::string& fn, const std::vector<ScriptValue>& args) { return HostCall(raw, fn, args); },
            h->driverToken);

    h->loop = g_main_loop_new(nullptr, FALSE);
    h->content = webkit_user_content_manager_new();
    InstallScripts(raw);
    webkit_user_content_manager_register_script_message_handler(h->content, kConsoleHandler);
    g_signal_connect(h->content, (std::string("script-message-received::") + kConsoleHandler).c_str(),
                     G_CALLBACK(&OnConsole), raw);
    // The host's own pages keep nothing: no cache, cookies, storage or
    // HSTS store on disk.
    h->context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_cache_model(h->context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    // The page's process runs sandboxed, as the dialogs' do; a local start
    // page's folder is the only part of the file system it may read.
    if (!options.target.empty() && options.target.find("://") == std::string::npos) {
        char* dir = g_path_get_dirname(options.target.c_str());
        char* full = g_canonicalize_filename(dir, nullptr);
        webkit_web_context_add_path_to_sandbox(h->context, full, TRUE);
        g_free(full);
        g_free(dir);
    }
    AfxEnableBrowserSandbox(h->context);
    g_signal_connect(h->context, "download-started", G_CALLBACK(&OnDownload), raw);
    h->view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", h->context, "user-content-manager",
                                           h->content, nullptr));
    h->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(h->window), 1024, 768);
    gtk_window_set_title(GTK_WINDOW(h->window), "vemompi-host");
    gtk_container_add(GTK_CONTAINER(h->window), GTK_WIDGET(h->view));
    h->shots = std::make_unique<WindowShots>(h->window, options.screenshots, !options.screenshots.empty(), cardholder,
                                             options.cardholder.empty() ? std::string() : FileUri(options.cardholder));

    g_signal_connect(h->view, "script-dialog", G_CALLBACK(&OnScriptDialog), raw);
    g_signal_connect(h->view, "load-changed", G_CALLBACK(&OnLoadChanged), raw);
    g_signal_connect(h->view, "load-failed", G_CALLBACK(&OnLoadFailed), raw);
    g_signal_connect(h->view, "decide-policy", G_CALLBACK(&OnDecidePolicy), raw);
    g_signal_connect(h->view, "close", G_CALLBACK(&OnViewClose), raw);
    g_signal_connect(h->view, "notify::title", G_CALLBACK(&OnTitle), raw);
    g_signal_connect(h->view, "web-process-terminated", G_CALLBACK(&OnCrashed), raw);
    g_signal_connect(h->window, "delete-event", G_CALLBACK(&OnDelete), raw);
    gtk_widget_show_all(h->window);
    webkit_web_view_load_uri(h->view, h->startUri.c_str());

    g_main_loop_run(h->loop);

    size_t released = h->container.ReleaseAll();
    if (HostDebug())
        std::fprintf(stderr, "vemompi-host: %zu control(s) released as the window closed; module %s\n", released,
                     h->container.AnyModuleLoaded() ? "loaded" : "unloaded");
    int code = h->exitCode;
    g_signal_handlers_disconnect_by_data(h->view, raw);
    g_signal_handlers_disconnect_by_data(h->window, raw);
    g_signal_handlers_disconnect_by_data(h->content, raw);
    g_signal_handlers_disconnect_by_data(h->context, raw);
    h->shots.reset();
    gtk_widget_destroy(h->window);
    g_object_unref(h->content);
    g_object_unref(h->context);
    g_main_loop_unref(h->loop);
    return code;
}

}  // namespace host
