// A merchant's web site beside the remote parties: the files of one folder
// served under "/shop/", so that a checkout page is opened from an http
// address, as the cardholder's browser opens it.
#pragma once

#include <functional>
#include <string>

#include "sandbox/WebServer.h"

namespace sandbox {

// The type a page's file is served with, by its extension; "" for a file
// that is not served.
std::string ShopContentType(const std::string& name);

// Serves the plain files of `dir` (no subfolders, no hidden files) at
// "/shop/<name>"; anything else under "/shop/" is 404. `log`, when given,
// receives one line for every request ("GET /shop/checkout.html 200 shop
// page"), card numbers and cryptograms masked; it is called on the
// server's handler threads.
void ServeShopPages(WebServer& server, const std::string& dir,
                    std::function<void(const std::string&)> log = nullptr);

}  // namespace sandbox
