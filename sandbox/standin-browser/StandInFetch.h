// Test equipment only, Windows only: one page fetch of the stand-in
// WebBrowser control, with WinINet on a thread of its own, its result posted
// back to the control's message window.
#pragma once

#include <windows.h>

#include <string>

#include "sandbox/standin-browser/StandInBrowser.h"

namespace standin {

// Posted to the control's message window with the Fetch in LPARAM; the
// window's owner deletes it.
constexpr UINT kFetchedMessage = WM_APP + 1;

struct Fetch {
    HWND queue = nullptr;
    unsigned generation = 0;
    Request request;
    // The outcome.
    bool answered = false;   // an HTTP answer came (of any status), or about:blank
    long status = 0;         // its HTTP status
    DWORD error = 0;         // the WinINet error when none came
    std::string finalUrl;    // after redirects
    std::string contentType;
    std::string body;        // at most kMaxPageBytes
};

// Starts the fetch; false (and the Fetch still the caller's) when no thread
// could be started.
bool StartFetch(Fetch* fetch);

}  // namespace standin
