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

// For a page: injected at document start, sends through window.prompt (as
// captured before any page script runs) and reports the frame's address.
std::string PageProxyScript(const std::string& token);

// For script mode: sends through the global function named `transport`
// (removed from the global object before the script's own code runs) and
// reports pageUrl as its address.
std::string StandaloneProxyScript(const std::string& token, const std::string& transport,
                                  const std::string& pageUrl);

// The driver's source wrapped so that it sees `vemompiHost`, whose
// functions go to the host with the driver's own token.
std::string DriverScript(const std::string& driverToken, const std::string& source);

// A JavaScript string literal of the text.
std::string JsQuote(const std::string& text);

}  // namespace host
