// The request accessors and the form and HTML helpers of the sandbox.
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "sandbox/WebServer.h"

namespace sandbox {

namespace {

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string UrlDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out.push_back(' ');
        } else if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace

std::string HttpRequest::Path() const { return target.substr(0, target.find('?')); }

std::string HttpRequest::Header(const std::string& name) const {
    std::string want = Lower(name);
    for (const auto& [k, v] : headers)
        if (Lower(k) == want) return v;
    return "";
}

std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    while (i <= body.size()) {
        size_t amp = body.find('&', i);
        if (amp == std::string::npos) amp = body.size();
        std::string part = body.substr(i, amp - i);
        if (!part.empty()) {
            size_t eq = part.find('=');
            if (eq == std::string::npos) out.emplace_back(UrlDecode(part), "");
            else out.emplace_back(UrlDecode(part.substr(0, eq)), UrlDecode(part.substr(eq + 1)));
        }
        i = amp + 1;
    }
    return out;
}

std::string FormValue(const std::vector<std::pair<std::string, std::string>>& form, const std::string& name) {
    for (const auto& [k, v] : form)
        if (k == name) return v;
    return "";
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

}  // namespace sandbox
