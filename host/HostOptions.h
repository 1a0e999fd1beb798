// The command line of vemompi-host:
//
//   vemompi-host PAGE.html|http://HOST:PORT/PATH [--driver FILE.js]
//                [--screenshots DIR] [--timeout SECONDS]
//   vemompi-host SCRIPT.js [--page-url URL] [--timeout SECONDS]
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
