// Script mode: page script without a page, on JavaScriptCore's GLib API.
// The script sees the same `ActiveXObject` as a page, plus print(...)
// (WScript.Echo), exit(code) (WScript.Quit) and nothing of a document.
#include <jsc/jsc.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Bridge.h"
#include "host/Container.h"
#include "host/HostOptions.h"
#include "host/ProxyScript.h"

namespace host {

namespace {

struct ScriptState {
    Bridge* bridge = nullptr;
    bool exited = false;
    int exitCode = 0;
};

char* Transport(const char* request, gpointer data) {
    auto* state = static_cast<ScriptState*>(data);
    std::string reply = state->exited ? ReplyError(ErrorText(E_ACCESSDENIED), ErrorNumber(E_ACCESSDENIED))
                                      : state->bridge->Handle(request != nullptr ? request : "");
    return g_strdup(reply.c_str());
}

void Print(GPtrArray* args, gpointer) {
    std::string line;
    for (guint i = 0; i < args->len; ++i) {
        char* s = jsc_value_to_string(static_cast<JSCValue*>(g_ptr_array_index(args, i)));
        if (i > 0) line.push_back(' ');
        line += s != nullptr ? s : "";
        g_free(s);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
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
}

// exit() ends the script: it unwinds with a value no script error is.
const char kHostFunctions[] = R"JS(
(function () {
  const done = globalThis.__vemompiExit, print = globalThis.print;
  delete globalThis.__vemompiExit;
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
    Bridge bridge(container, std::string());
    ScriptState state;
    state.bridge = &bridge;
    JSCContext* ctx = jsc_context_new();
    JSCValue* transport = jsc_value_new_function(ctx, "__vemompiBridge", G_CALLBACK(Transport), &state, nullptr,
                                                 G_TYPE_STRING, 1, G_TYPE_STRING);
    jsc_context_set_value(ctx, "__vemompiBridge", transport);
    g_object_unref(transport);
    JSCValue* print = jsc_value_new_function_variadic(ctx, "print", G_CALLBACK(Print), nullptr, nullptr, G_TYPE_NONE);
    jsc_context_set_value(ctx, "print", print);
    g_object_unref(print);
    JSCValue* exitFn =
        jsc_value_new_function_variadic(ctx, "__vemompiExit", G_CALLBACK(Exit), &state, nullptr, G_TYPE_NONE);
    jsc_context_set_value(ctx, "__vemompiExit", exitFn);
    g_object_unref(exitFn);

    int code = kExitHostError;
    if (Evaluate(ctx, StandaloneProxyScript(bridge.Token(), "__vemompiBridge", pageUrl), "vemompi-host:proxy",
                 &state) &&
        Evaluate(ctx, kHostFunctions, "vemompi-host:functions", &state)) {
        bool ok = Evaluate(ctx, source, scriptUrl.c_str(), &state);
        code = state.exited ? state.exitCode : ok ? 0 : kExitScriptError;
    }
    size_t released = container.ReleaseAll();
    if (HostDebug())
        std::fprintf(stderr, "vemompi-host: %zu control(s) released at the end of the script; module %s\n", released,
                     container.AnyModuleLoaded() ? "loaded" : "unloaded");
    g_object_unref(ctx);
    return code;
}

}  // namespace host
