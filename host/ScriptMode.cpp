// Script mode: page script without a page, on JavaScriptCore's GLib API.
// The script sees the same `ActiveXObject` as a page, plus print(...)
// (WScript.Echo), exit(code) (WScript.Quit) and nothing of a document.
//
// The script runs on a thread of its own; the controls live on the main
// thread, which runs the main loop (and a control's modal dialogs in their
// nested loops), as a browser's user-interface thread does. A call from
// the script waits for the main thread's answer. That keeps the script
// engine's locks off the main thread while a control's browser runs there.
#include <jsc/jsc.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <unistd.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "host/Bridge.h"
#include "host/Container.h"
#include "host/HostOptions.h"
#include "host/ProxyScript.h"

namespace host {

namespace {

struct ScriptState {
    Bridge* bridge = nullptr;
    GMainLoop* loop = nullptr;
    bool exited = false;  // the script thread's alone
    int exitCode = 0;
    // exit() was called: the script thread waits for the end of the
    // process, and the main thread ends it.
    std::atomic<bool> exitCalled{false};
    std::atomic<int> exitCalledCode{0};
    // The request handed to the main thread and its reply. They cross under
    // the lock, made before the script thread starts (the main loop's own
    // hand-over is not one the thread checkers can see).
    std::mutex lock;
    std::condition_variable cv;
    std::string request;
    std::string reply;
    bool answered = false;
};

gboolean HandleOnMain(gpointer data) {
    auto* state = static_cast<ScriptState*>(data);
    std::string request;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        request = state->request;
    }
    std::string reply = state->bridge->Handle(request);
    std::lock_guard<std::mutex> guard(state->lock);
    state->reply = std::move(reply);
    state->answered = true;
    state->cv.notify_one();
    return G_SOURCE_REMOVE;
}

char* Transport(const char* request, gpointer data) {
    auto* state = static_cast<ScriptState*>(data);
    if (state->exited) return g_strdup(ReplyError(ErrorText(E_ACCESSDENIED), ErrorNumber(E_ACCESSDENIED)).c_str());
    {
        std::lock_guard<std::mutex> guard(state->lock);
        state->request = request != nullptr ? request : "";
        state->answered = false;
    }
    g_main_context_invoke(nullptr, &HandleOnMain, state);
    std::unique_lock<std::mutex> guard(state->lock);
    state->cv.wait(guard, [&] { return state->answered; });
    return g_strdup(state->reply.c_str());
}

std::string Line(GPtrArray* args) {
    std::string line;
    for (guint i = 0; i < args->len; ++i) {
        char* s = jsc_value_to_string(static_cast<JSCValue*>(g_ptr_array_index(args, i)));
        if (i > 0) line.push_back(' ');
        line += s != nullptr ? s : "";
        g_free(s);
    }
    return line;
}

void Print(GPtrArray* args, gpointer) {
    std::string line = Line(args);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void PrintError(GPtrArray* args, gpointer) {
    std::string line = Line(args);
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void Exit(GPtrArray* args, gpointer data) {
    auto* state = static_cast<ScriptState*>(data);
    int code = 0;
    if (args->len > 0) {
        double d = jsc_value_to_double(static_cast<JSCValue*>(g_ptr_array_index(args, 0)));
        code = d >= 0 && d <= 255 ? static_cast<int>(d) : 255;
    }
    if (!state->exited) state->exitCode = code;
    state->exited = true;
    // The script ends here, whatever try or finally surrounds the call: the
    // main thread releases the controls and ends the process, and this
    // thread never returns to the script.
    std::fflush(stdout);
    state->exitCalledCode = state->exitCode;
    state->exitCalled = true;
    g_main_context_invoke(nullptr, [](gpointer l) { return g_main_loop_quit(static_cast<GMainLoop*>(l)), G_SOURCE_REMOVE; },
                          state->loop);
    for (;;) pause();
}

// exit() ends the script: it unwinds with a value no script error is.
const char kHostFunctions[] = R"JS(
(function () {
  const done = globalThis.__vemompiExit, print = globalThis.print, printError = globalThis.__vemompiPrintError;
  delete globalThis.__vemompiExit;
  delete globalThis.__vemompiPrintError;
  // As JavaScript shells have it: log, info and debug on stdout, warn and
  // error on stderr.
  globalThis.console = Object.freeze({ log: print, info: print, debug: print, warn: printError, error: printError });
  const stop = Object.freeze({ toString: () => 'exit' });
  globalThis.exit = function (code) { done(code === undefined ? 0 : Number(code)); throw stop; };
  globalThis.WScript = Object.freeze({ Echo: print, Quit: globalThis.exit });
})();
)JS";

bool Evaluate(JSCContext* ctx, const std::string& code, const char* uri, ScriptState* state) {
    JSCValue* v = jsc_context_evaluate_with_source_uri(ctx, code.data(), static_cast<gssize>(code.size()), uri, 1);
    if (v != nullptr) g_object_unref(v);
    JSCException* e = jsc_context_get_exception(ctx);
    if (e == nullptr) return true;
    bool exited = state->exited;
    if (!exited) {
        char* report = jsc_exception_report(e);
        std::fprintf(stderr, "%s", report != nullptr ? report : "script error\n");
        g_free(report);
    }
    jsc_context_clear_exception(ctx);
    return exited;
}

std::string FileUrl(const std::string& path) {
    char* abs = realpath(path.c_str(), nullptr);
    std::string p = abs != nullptr ? abs : path;
    std::free(abs);
    char* uri = g_filename_to_uri(p.c_str(), nullptr, nullptr);
    std::string out = uri != nullptr ? uri : "";
    g_free(uri);
    return out;
}

int RunScriptThread(const std::string& token, const std::string& pageUrl, const std::string& source,
                    const std::string& scriptUrl, ScriptState* state) {
    JSCContext* ctx = jsc_context_new();
    JSCValue* transport = jsc_value_new_function(ctx, "__vemompiBridge", G_CALLBACK(Transport), state, nullptr,
                                                 G_TYPE_STRING, 1, G_TYPE_STRING);
    jsc_context_set_value(ctx, "__vemompiBridge", transport);
    g_object_unref(transport);
    JSCValue* print = jsc_value_new_function_variadic(ctx, "print", G_CALLBACK(Print), nullptr, nullptr, G_TYPE_NONE);
    jsc_context_set_value(ctx, "print", print);
    g_object_unref(print);
    JSCValue* printError = jsc_value_new_function_variadic(ctx, "__vemompiPrintError", G_CALLBACK(PrintError), nullptr,
                                                           nullptr, G_TYPE_NONE);
    jsc_context_set_value(ctx, "__vemompiPrintError", printError);
    g_object_unref(printError);
    JSCValue* exitFn =
        jsc_value_new_function_variadic(ctx, "__vemompiExit", G_CALLBACK(Exit), state, nullptr, G_TYPE_NONE);
    jsc_context_set_value(ctx, "__vemompiExit", exitFn);
    g_object_unref(exitFn);

    int code = kExitHostError;
    if (Evaluate(ctx, StandaloneProxyScript(token, "__vemompiBridge", pageUrl), "vemompi-host:proxy", state) &&
        Evaluate(ctx, kHostFunctions, "vemompi-host:functions", state)) {
        bool ok = Evaluate(ctx, source, scriptUrl.c_str(), state);
        code = state->exited ? state->exitCode : ok ? 0 : kExitScriptError;
    }
    g_object_unref(ctx);
    return code;
}

}  // namespace

int RunScript(const HostOptions& options) {
    std::string source;
    if (!ReadTextFile(options.target, &source)) {
        std::fprintf(stderr, "vemompi-host: cannot read %s\n", options.target.c_str());
        return kExitHostError;
    }
    std::string scriptUrl = FileUrl(options.target);
    std::string pageUrl = options.pageUrl.empty() ? scriptUrl : options.pageUrl;

    Container container;
    container.SetDiagnostics(true);
    Bridge bridge(container, std::string());
    ScriptState state;
    state.bridge = &bridge;
    // The browser engine starts first, on the main thread, when there is a
    // display for a control's dialogs: a script engine started before it
    // leaves the browser that a control opens later unable to load pages.
    // An ephemeral context: the host's engine keeps nothing on disk.
    WebKitWebContext* engine = gtk_init_check(nullptr, nullptr) ? webkit_web_context_new_ephemeral() : nullptr;
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    state.loop = loop;
    int code = kExitHostError;
    std::thread script([&]() {
        GMainContext* own = g_main_context_new();
        g_main_context_push_thread_default(own);
        code = RunScriptThread(bridge.Token(), pageUrl, source, scriptUrl, &state);
        g_main_context_pop_thread_default(own);
        g_main_context_unref(own);
        g_idle_add([](gpointer l) { return g_main_loop_quit(static_cast<GMainLoop*>(l)), G_SOURCE_REMOVE; }, loop);
    });
    g_main_loop_run(loop);
    bool exitCalled = state.exitCalled;
    if (exitCalled) {
        // The script thread waits in exit() for the process to end.
        script.detach();
        code = state.exitCalledCode;
    } else {
        script.join();
    }
    size_t released = container.ReleaseAll();
    if (HostDebug())
        std::fprintf(stderr, "vemompi-host: %zu control(s) released at the end of the script; module %s\n", released,
                     container.AnyModuleLoaded() ? "loaded" : "unloaded");
    if (exitCalled) {
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(code);
    }
    g_main_loop_unref(loop);
    if (engine != nullptr) g_object_unref(engine);
    return code;
}

}  // namespace host
