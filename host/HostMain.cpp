// vemompi-host: the browser as the control meets it (host/HostOptions.h
// has the command line).
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/HostOptions.h"

namespace host {

#ifndef VEMOMPI_VERSION
#define VEMOMPI_VERSION "1.0"
#endif

const char* HostUsage() {
    return "usage: vemompi-host PAGE.html|http://HOST:PORT/PATH [--driver FILE.js] [--cardholder FILE.js]\n"
           "                    [--screenshots DIR] [--timeout SECONDS]\n"
           "       vemompi-host SCRIPT.js [--page-url URL] [--timeout SECONDS]\n"
           "       vemompi-host --help | --version\n"
           "\n"
           "Page mode opens the page in a browser window; its script creates the control with\n"
           "<object classid=\"clsid:...\"> or new ActiveXObject(PROGID). Script mode runs page script\n"
           "alone, with print, console, exit, WScript.Echo and WScript.Quit.\n"
           "\n"
           "  --driver FILE.js      run in the start page once loaded, with vemompiHost.screenshot(name),\n"
           "                        vemompiHost.log(text) and vemompiHost.exit(code)\n"
           "  --cardholder FILE.js  run in every page a control's dialog loads, with vemompiHost.log(text)\n"
           "  --screenshots DIR     save the control's dialog as DIR/dialog-NN.png at each page and at its end\n"
           "  --page-url URL        script mode: the page address the control's client site reports\n"
           "  --timeout SECONDS     end with 124 after this time (default 120 in script mode and with --driver)\n"
           "\n"
           "Exit codes: the driver's or script's code; 0 when the window is closed or the script ends;\n"
           "1 a host error (bad command line, file or page that cannot be loaded); 3 an uncaught script\n"
           "or driver error; 124 the time-out.\n";
}

const char* HostVersion() { return "vemompi-host " VEMOMPI_VERSION "\n"; }

namespace {

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

bool ParseHostOptions(int argc, char** argv, HostOptions* out, std::string* error) {
    *out = HostOptions();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc) return *error = a + " needs a value", false;
            *into = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            out->help = true;
            return true;
        } else if (a == "--version") {
            out->version = true;
            return true;
        } else if (a == "--page-url") {
            if (!value(&out->pageUrl)) return false;
        } else if (a == "--driver") {
            if (!value(&out->driver)) return false;
        } else if (a == "--cardholder") {
            if (!value(&out->cardholder)) return false;
        } else if (a == "--screenshots") {
            if (!value(&out->screenshots)) return false;
        } else if (a == "--timeout") {
            std::string t;
            if (!value(&t)) return false;
            char* end = nullptr;
            long v = std::strtol(t.c_str(), &end, 10);
            if (t.empty() || *end != '\0' || v < 1 || v > 86400) return *error = "bad --timeout: " + t, false;
            out->timeoutSeconds = static_cast<int>(v);
        } else if (a.size() > 1 && a[0] == '-') {
            return *error = "unknown option " + a, false;
        } else if (out->target.empty()) {
            out->target = a;
        } else {
            return *error = "more than one page or script", false;
        }
    }
    if (out->target.empty()) return *error = "no page or script", false;
    out->scriptMode = EndsWith(out->target, ".js");
    if (out->scriptMode && (!out->driver.empty() || !out->screenshots.empty() || !out->cardholder.empty()))
        return *error = "--driver, --cardholder and --screenshots are for pages", false;
    if (!out->scriptMode && !out->pageUrl.empty()) return *error = "--page-url is for scripts", false;
    return true;
}

bool ReadTextFile(const std::string& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

bool HostDebug() {
    const char* d = std::getenv("VEMOMPI_HOST_DEBUG");
    return d != nullptr && *d != '\0' && std::strcmp(d, "0") != 0;
}

}  // namespace host

int main(int argc, char** argv) {
    // The host handles card data: no core file of it, and no other process
    // of the user may read its memory.
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    host::HostOptions options;
    std::string error;
    if (!host::ParseHostOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "vemompi-host: %s\n%s", error.c_str(), host::HostUsage());
        return host::kExitHostError;
    }
    if (options.help) {
        std::fputs(host::HostUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(host::HostVersion(), stdout);
        return 0;
    }
    // Nothing of a session is left on disk: settings stay in memory instead
    // of dconf's user database, and the GL driver keeps no shader cache. Set
    // before the toolkit starts, so that the browser's processes inherit
    // them; a value the user set is kept.
    setenv("GSETTINGS_BACKEND", "memory", 0);
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    // The controls' windows are drawn in software; through the toolkit's GL
    // paint path a dialog run from a page's call reached the screen black.
    setenv("GDK_GL", "disable", 0);

    int timeout = options.timeoutSeconds;
    if (timeout < 0 && (options.scriptMode || !options.driver.empty())) timeout = host::kScriptModeTimeoutSeconds;
    if (timeout > 0) {
        // Whatever the page or the control is doing: the host ends.
        std::thread([timeout]() {
            std::this_thread::sleep_for(std::chrono::seconds(timeout));
            std::fprintf(stderr, "vemompi-host: timed out after %d s\n", timeout);
            std::fflush(stdout);
            std::fflush(stderr);
            _exit(host::kExitTimeout);
        }).detach();
    }
    return options.scriptMode ? host::RunScript(options) : host::RunPage(options);
}
