#include "platform/wininet/posix/wininet_proxy.h"

#include <cstdlib>
#include <cstring>

#include "platform/registry/registry.h"

namespace wininet_layer {

namespace {

std::string Env(const char* lower, const char* upper) {
    const char* v = std::getenv(lower);
    if (v == nullptr || v[0] == '\0') v = std::getenv(upper);
    return v != nullptr ? std::string(v) : std::string();
}

// A text value of an open key, or "" when it is missing or unreadable.
std::string RegText(HKEY key, const char* name) {
    char buf[1024] = {0};
    DWORD type = 0, size = sizeof(buf) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size) != ERROR_SUCCESS) return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ) return "";
    return std::string(buf);
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

ProxySettings ParseProxyServer(const char* server, const char* bypass) {
    ProxySettings out;
    std::string list = server != nullptr ? server : "";
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find_first_of("; ", pos);
        if (end == std::string::npos) end = list.size();
        std::string entry = Trim(list.substr(pos, end - pos));
        pos = end + 1;
        if (entry.empty()) continue;
        size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            // One proxy for every scheme.
            out.http = entry;
            out.https = entry;
            continue;
        }
        std::string scheme = entry.substr(0, eq), value = entry.substr(eq + 1);
        if (strcasecmp(scheme.c_str(), "http") == 0) out.http = value;
        if (strcasecmp(scheme.c_str(), "https") == 0) out.https = value;
    }
    // "*.example.org" and ".example.org" both mean the domain; "<local>"
    // (names without a dot) has no counterpart here and is left out.
    std::string names = bypass != nullptr ? bypass : "";
    pos = 0;
    while (pos <= names.size()) {
        size_t end = names.find_first_of(";, ", pos);
        if (end == std::string::npos) end = names.size();
        std::string entry = Trim(names.substr(pos, end - pos));
        pos = end + 1;
        if (entry.empty() || entry == "<local>") continue;
        if (entry.rfind("*.", 0) == 0) entry.erase(0, 1);
        if (!out.bypass.empty()) out.bypass += ",";
        out.bypass += entry;
    }
    return out;
}

ProxySettings ReadPreconfiguredProxy() {
    // The current user's Internet Settings decide: ProxyEnable switches the
    // proxy of ProxyServer on, ProxyOverride lists the hosts reached
    // directly. (The registry layer lets the standard environment stand for
    // settings that its file does not hold; no_proxy then stands for the
    // bypass list.) Without the key, the environment decides alone.
    ProxySettings out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, KEY_READ,
                      &key) != ERROR_SUCCESS) {
        out.http = Env("http_proxy", "HTTP_PROXY");
        out.https = Env("https_proxy", "HTTPS_PROXY");
        out.bypass = Env("no_proxy", "NO_PROXY");
        return out;
    }
    DWORD enable = 0, type = 0, size = sizeof(enable);
    bool enabled = RegQueryValueExA(key, "ProxyEnable", nullptr, &type, reinterpret_cast<LPBYTE>(&enable), &size) ==
                       ERROR_SUCCESS &&
                   type == REG_DWORD && enable != 0;
    std::string server = enabled ? RegText(key, "ProxyServer") : std::string();
    std::string bypass = RegText(key, "ProxyOverride");
    RegCloseKey(key);
    if (server.empty()) return out;
    if (bypass.empty()) bypass = Env("no_proxy", "NO_PROXY");
    return ParseProxyServer(server.c_str(), bypass.c_str());
}

}  // namespace wininet_layer
