// Internal to platform/browser: the browser's shared session and its
// pre-started web process.
#pragma once

#include <webkit2/webkit2.h>

// The one session of every browser control: ephemeral, nothing on disk.
WebKitWebContext* AfxBrowserContext();

// A hidden view whose web process runs (started now when it does not), for
// the views of browser controls to be created related to it and so share
// that process; null when the pre-start is switched off
// (VEMOMPI_BROWSER_PRESTART=0). On the user-interface thread.
WebKitWebView* AfxBrowserProcessView();
