// The web processes' sandbox. WebKitGTK starts each web process inside
// bubblewrap (new user, PID, IPC, UTS and network namespaces, the file
// system read-only and partial, no new privileges) with a seccomp filter,
// and reaches the session bus through xdg-dbus-proxy. Where bubblewrap
// cannot make its namespaces (a kernel or container that refuses user
// namespaces) a sandboxed web process would not start at all, so the
// sandbox is tried once with the same kind of namespaces first; when that
// fails the pages run unsandboxed and one line on standard error says so.
#include "platform/browser/webkit/websandbox.h"

#include <glib.h>

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kBwrap = "/usr/bin/bwrap";
constexpr const char* kDbusProxy = "/usr/bin/xdg-dbus-proxy";

struct Probe {
    bool ok = false;
    std::string why;
};

const Probe& SandboxProbe() {
    static const Probe probe = [] {
        Probe p;
        if (std::getenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS") != nullptr) {
            p.why = "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS is set";
            return p;
        }
        // Where WebKitGTK looks for them.
        gchar* bwrap = g_file_test(kBwrap, G_FILE_TEST_IS_EXECUTABLE) ? g_strdup(kBwrap) : nullptr;
        gchar* proxy = g_file_test(kDbusProxy, G_FILE_TEST_IS_EXECUTABLE) ? g_strdup(kDbusProxy) : nullptr;
        gchar* yes = g_find_program_in_path("true");
        if (bwrap == nullptr || proxy == nullptr || yes == nullptr) {
            p.why = bwrap == nullptr ? "bubblewrap (/usr/bin/bwrap) is not installed"
                                     : proxy == nullptr ? "xdg-dbus-proxy (/usr/bin/xdg-dbus-proxy) is not installed" : "no 'true' program";
        } else {
            // The namespaces a web process gets; bubblewrap says why when
            // it cannot make them.
            const gchar* argv[] = {bwrap, "--unshare-all", "--die-with-parent", "--ro-bind", "/", "/",
                                   yes,   nullptr};
            gchar* err = nullptr;
            gint status = -1;
            GError* error = nullptr;
            if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr,
                              nullptr, nullptr, &err, &status, &error)) {
                p.why = std::string("bubblewrap cannot run: ") + (error != nullptr ? error->message : "");
            } else if (!g_spawn_check_wait_status(status, nullptr)) {
                std::string text = err != nullptr ? err : "";
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
                size_t nl = text.find('\n');
                if (nl != std::string::npos) text.resize(nl);
                p.why = "bubblewrap cannot make its namespaces" + (text.empty() ? std::string() : ": " + text);
            } else {
                p.ok = true;
            }
            if (error != nullptr) g_error_free(error);
            g_free(err);
        }
        g_free(bwrap);
        g_free(proxy);
        g_free(yes);
        return p;
    }();
    return probe;
}

}  // namespace

bool AfxBrowserSandboxCanStart(const char** why) {
    const Probe& p = SandboxProbe();
    if (why != nullptr) *why = p.why.c_str();
    return p.ok;
}

bool AfxEnableBrowserSandbox(WebKitWebContext* context) {
    if (context == nullptr) return false;
    const char* why = nullptr;
    if (AfxBrowserSandboxCanStart(&why)) {
        webkit_web_context_set_sandbox_enabled(context, TRUE);
        return true;
    }
    static bool told = false;
    if (!told) {
        told = true;
        g_printerr("VemoMPI: the browser's web pages run WITHOUT the sandbox: %s\n", why);
    }
    return false;
}
