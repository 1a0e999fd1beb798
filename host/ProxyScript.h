// The script that gives page script its controls: `ActiveXObject` and, in
// a page, a global for every <object classid="clsid:..."> element, named by
// its id. Both are proxies whose member calls and property reads and
// writes go to the host through a synchronous transport, one JSON request
// and reply each (host/Bridge.h).
#pragma once

#include <string>

namespace host {

// What a page's prompt() text starts with when it is a bridge request.
constexpr const char* kBridgePrefix = "vemompi-bridge:";

// For a page: injected at document start into every frame, sends through
// window.prompt (as captured before any page script runs) and reports the
// frame's address. In a frame of another origin than allowedOrigin (as
// OriginOf spells it) it ends before the token is bound to anything.
std::string PageProxyScript(const std::string& token, const std::string& allowedOrigin);

// For a page: injected at document start into every frame; the page's
// console messages and uncaught errors go to the host's message handler
// kConsoleHandler as "LEVEL\nSOURCE:LINE\nTEXT".
constexpr const char* kConsoleHandler = "vemompiConsole";
std::string PageConsoleScript();

// For the start page's top frame, injected at document start: the
// driver's way to the host, a global function kDriverCall(token, name,
// value) that page script can neither replace nor use without the
// driver's token, made of what the page had not yet touched.
constexpr const char* kDriverCall = "__vemompiHostCall";
std::string DriverBindingScript();

// For script mode: sends through the global function named `transport`
// (removed from the global object before the script's own code runs) and
// reports pageUrl as its address.
std::string StandaloneProxyScript(const std::string& token, const std::string& transport,
                                  const std::string& pageUrl);

// The driver's source wrapped so that it sees `vemompiHost`, whose
// functions go to the host with the driver's own token through
// kDriverCall. The wrapping keeps to the first line: the driver's lines
// are its own in messages. `vemompiHost` is not a global: page script
// never sees it. An uncaught error goes to the host as its "error"
// function, with the driver's line (sourceUri:LINE) where the stack has it.
std::string DriverScript(const std::string& driverToken, const std::string& source, const std::string& sourceUri);

// A JavaScript string literal of the text.
std::string JsQuote(const std::string& text);

}  // namespace host
