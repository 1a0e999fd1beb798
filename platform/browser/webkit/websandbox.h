// The sandbox of the browser's web processes (bubblewrap and seccomp, as
// WebKitGTK sets them up), shared by the browser control and by any other
// WebKit session of the process (the host's own page view). Uses WebKitGTK
// and GLib only, so that a program that does not link the window layer can
// build this file alone.
#pragma once

#include <webkit2/webkit2.h>

// Switches the sandbox on for the context's web processes when it can start
// on this machine; otherwise writes one line saying why to standard error
// (once per process) and leaves the context as it is, so that pages still
// show. Call it before the context starts its first web process (before
// its first view loads anything). True when the sandbox is on.
bool AfxEnableBrowserSandbox(WebKitWebContext* context);

// Whether the sandbox can start here; when not, *why says so (one line).
bool AfxBrowserSandboxCanStart(const char** why);
