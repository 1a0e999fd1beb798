// The proxy decision of the WinINet layer, kept apart from the transfer
// code: what INTERNET_OPEN_TYPE_PRECONFIG and INTERNET_OPEN_TYPE_PROXY mean
// for one session.
#pragma once

#include <string>

namespace wininet_layer {

struct ProxySettings {
    std::string http;    // proxy for http URLs ("host:port" or a proxy URL); empty for none
    std::string https;   // proxy for https URLs
    std::string bypass;  // hosts reached directly, comma-separated ("a.example,.example.org")
};

// The proxy configured for the current user, read once per session by
// InternetOpenA(INTERNET_OPEN_TYPE_PRECONFIG). This is the one place that
// decides it.
ProxySettings ReadPreconfiguredProxy();

// WinINet's proxy list ("host:port" for every scheme, or
// "http=host:port;https=host:port", blanks or semicolons between entries)
// and bypass list ("host;*.example.org;<local>").
ProxySettings ParseProxyServer(const char* server, const char* bypass);

}  // namespace wininet_layer
