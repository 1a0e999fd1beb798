// The command line of vemompi-host:
//
//   vemompi-host PAGE.html|http://HOST:PORT/PATH [--driver FILE.js]
//                [--screenshots DIR] [--timeout SECONDS]
//   vemompi-host SCRIPT.js [--page-url URL] [--timeout SECONDS]
//
// Page mode opens the page in a window and runs until the window closes or
// the driver calls vemompiHost.exit(code). The driver runs once in the
// start page after it has loaded, with vemompiHost.screenshot(name) (the
// window as DIR/name.png, DIR from --screenshots or "."), .exit(code) and
// .log(text) (a line on stdout). With --screenshots, a control's dialogs
// are saved as DIR/dialog-NN.png after each page they finish loading.
// Every picture saved prints "screenshot PATH".
//
// Script mode runs the script with ActiveXObject, print(...) and
// exit(code) (WScript.Echo, WScript.Quit); --page-url is the address the
// controls' client site reports (default: the script's file URL).
//
// Exit codes: the driver's or script's exit code; 0 when the window was
// closed or the script ended; 1 host error; 3 an uncaught error of the
// script or driver; 124 --timeout (default: 120 s in script mode, none in
// page mode). VEMOMPI_HOST_DEBUG=1 prints the container's lines (controls
// released, module unloaded) and the pages' console on stderr/stdout.
#pragma once

#include <string>

namespace host {

struct HostOptions {
    std::string target;       // the page (file or address) or the script
    bool scriptMode = false;  // the target is a script (.js)
    std::string pageUrl;      // script mode: the address the client site reports
    std::string driver;       // page mode: script run in the start page once it has loaded
    std::string screenshots;  // page mode: where dialog pictures go
    int timeoutSeconds = -1;  // -1: the mode's default
};

// Exit codes.
constexpr int kExitHostError = 1;
constexpr int kExitScriptError = 3;
constexpr int kExitTimeout = 124;

constexpr int kScriptModeTimeoutSeconds = 120;

// False with a message for a bad command line.
bool ParseHostOptions(int argc, char** argv, HostOptions* out, std::string* error);
const char* HostUsage();

// The text of a file, or false.
bool ReadTextFile(const std::string& path, std::string* out);

// Page mode and script mode; each returns the host's exit code.
int RunPage(const HostOptions& options);
int RunScript(const HostOptions& options);

// Whether VEMOMPI_HOST_DEBUG asks for the container's lines on stderr.
bool HostDebug();

}  // namespace host
