// The WebBrowser control as its containers see it: class id, the dispatch
// ids of the members and events the module uses, navigation flags.
#pragma once

#include "platform/com/com.h"

// {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const CLSID CLSID_WebBrowser;

// Methods and properties of the control (IWebBrowser2).
#define DISPID_NAVIGATE2 500
#define DISPID_DOCUMENT 203
#define DISPID_LOCATIONURL 211

// Events (DWebBrowserEvents2).
#define DISPID_BEFORENAVIGATE2 250
#define DISPID_DOCUMENTCOMPLETE 259
#define DISPID_TITLECHANGE 113

// Navigate2 flags (accepted and ignored: the control keeps no history
// beyond its own and opens no new windows).
#define navOpenInNewWindow 0x1
#define navNoHistory 0x2
#define navNoReadFromCache 0x4
#define navNoWriteToCache 0x8
