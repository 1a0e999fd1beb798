// The command line of vemompi-host:
//
//   vemompi-host PAGE.html|http://HOST:PORT/PATH [--driver FILE.js]
//                [--cardholder FILE.js] [--screenshots DIR] [--timeout SECONDS]
//   vemompi-host SCRIPT.js [--page-url URL] [--timeout SECONDS]
//   vemompi-host --help | --version
//
// Page mode opens the page in a window and runs until the window closes or
// the driver calls vemompiHost.exit(code). The driver runs once in the
// start page after it has loaded, with vemompiHost.screenshot(name) (the
// window as DIR/name.png, DIR from --screenshots or "."), .exit(code) and
// .log(text) (a line on stdout); its bindings are made before any page
// script runs, and page script cannot reach them. --cardholder runs a
// script in every top-level page that a control's dialog loads, once
// loaded, in a script world of its own (the page's DOM, not its script
// globals), with vemompiHost.log(text). With --screenshots, a control's
// dialogs are saved as DIR/dialog-NN.png once each page they loaded has
// been painted, and once more as the dialog ends. Every picture saved
// prints "screenshot PATH". A start page that cannot be loaded (refused,
// unknown host, an HTTP error status) ends the host with 1 before the
// driver runs. Downloads are refused. The pages' and the driver's console
// messages go to stderr with their source and line.
//
// Script mode runs the script with ActiveXObject, print(...), console and
// exit(code) (WScript.Echo, WScript.Quit; exit ends the script even inside
// try); console.log/info/debug go to stdout, console.warn/error to stderr;
// --page-url is the address the controls' client site reports (default:
// the script's file URL).
//
// Exit codes: the driver's or script's exit code; 0 when the window was
// closed or the script ended, and for --help and --version; 1 host error:
// a bad command line or unknown option (the usage on stderr), a file that
// cannot be read, a start page that does not load, a screenshot folder
// that cannot be written (a control that cannot be created is a script
// error, and the host says why on stderr); 3 an
// uncaught error of the script or driver; 124 --timeout (default: 120 s
// in script mode and with --driver, none for a page alone).
// VEMOMPI_HOST_DEBUG=1 also prints the container's lines (controls
// released, module unloaded) on stderr.
#pragma once

#include <string>

namespace host {

struct HostOptions {
    std::string target;       // the page (file or address) or the script
    bool scriptMode = false;  // the target is a script (.js)
    std::string pageUrl;      // script mode: the address the client site reports
    std::string driver;       // page mode: script run in the start page once it has loaded
    std::string cardholder;   // page mode: script run in every page of a control's dialog
    std::string screenshots;  // page mode: where dialog pictures go
    bool help = false;        // --help: the usage on stdout
    bool version = false;     // --version: the version line on stdout
    int timeoutSeconds = -1;  // -1: the mode's default
};

// Exit codes.
constexpr int kExitHostError = 1;  // also a bad command line
constexpr int kExitScriptError = 3;
constexpr int kExitTimeout = 124;

constexpr int kScriptModeTimeoutSeconds = 120;  // and page mode with a driver

// False with a message for a bad command line.
bool ParseHostOptions(int argc, char** argv, HostOptions* out, std::string* error);
const char* HostUsage();
// "vemompi-host VERSION" (the module's version).
const char* HostVersion();

// The text of a file, or false.
bool ReadTextFile(const std::string& path, std::string* out);

// Page mode and script mode; each returns the host's exit code.
int RunPage(const HostOptions& options);
int RunScript(const HostOptions& options);

// Whether VEMOMPI_HOST_DEBUG asks for the container's lines on stderr.
bool HostDebug();

}  // namespace host
