// vemompi-host: the browser as the control meets it (host/HostOptions.h
// has the command line).
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

const char* HostUsage() {
    return "usage: vemompi-host PAGE.html|http://HOST:PORT/PATH [--driver FILE.js] [--screenshots DIR] "
           "[--timeout SECONDS]\n"
           "       vemompi-host SCRIPT.js [--page-url URL] [--timeout SECONDS]\n";
}

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
        if (a == "--page-url") {
            if (!value(&out->pageUrl)) return false;
        } else if (a == "--driver") {
            if (!value(&out->driver)) return false;
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
    if (out->scriptMode && (!out->driver.empty() || !out->screenshots.empty()))
        return *error = "--driver and --screenshots are for pages", false;
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
    host::HostOptions options;
    std::string error;
    if (!host::ParseHostOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "vemompi-host: %s\n%s", error.c_str(), host::HostUsage());
        return host::kExitHostError;
    }
    int timeout = options.timeoutSeconds;
    if (timeout < 0 && options.scriptMode) timeout = host::kScriptModeTimeoutSeconds;
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
