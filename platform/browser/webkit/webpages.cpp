// The pages and scripts the browser makes itself: the layer's scripts in
// every page, the helper page that posts form data and the page shown when
// a page cannot be reached.
#include "platform/browser/webkit/webpages.h"

#include <glib.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win/win.h"

namespace afxbrowser {

// The script world of the layer's own scripts.
const char* const kWorld = "vemompi-host";
const char* const kFrameMessage = "vemompiFrameLoaded";

// window.external: calls and reads of any member succeed and give nothing.
const char* const kExternalScript = R"JS((function(){
  var target = function(){};
  var ext;
  var handler = {
    get: function(t, p) {
      if (p === Symbol.toPrimitive || p === "toString" || p === "valueOf")
        return function(){ return "[object External]"; };
      return ext;
    },
    set: function(){ return true; },
    has: function(){ return true; },
    apply: function(){ return undefined; },
    construct: function(){ return {}; }
  };
  ext = new Proxy(target, handler);
  try { Object.defineProperty(window, "external", {value: ext, configurable: true, writable: true}); } catch (e) {}
})();)JS";

// A frame's load, reported from the layer's own world.
const char* const kFrameScript = R"JS((function(){
  if (window === window.top) return;
  window.addEventListener("load", function(){
    try { window.webkit.messageHandlers.vemompiFrameLoaded.postMessage(String(location.href)); } catch (e) {}
  });
})();)JS";

const char* const kReadDocumentScript = R"JS((function(){
  var d = document, e = d.documentElement, b = d.body;
  return [e ? e.outerHTML : "", e ? e.innerText : "", b ? b.outerHTML : "", b ? b.innerText : "",
          d.title, String(location.href)];
})())JS";

const char* const kNoScrollStyle = "html, body { overflow: hidden !important; }";

namespace {

// Decodes application/x-www-form-urlencoded text ("+" is a blank, "%XX" a
// byte; anything else, malformed escapes included, stands for itself).
std::string FormDecode(const std::string& s) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out.push_back(' ');
        } else if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> FormFields(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos) end = body.size();
        std::string piece = body.substr(start, end - start);
        if (!piece.empty()) {
            size_t eq = piece.find('=');
            if (eq == std::string::npos)
                fields.emplace_back(FormDecode(piece), std::string());
            else
                fields.emplace_back(FormDecode(piece.substr(0, eq)), FormDecode(piece.substr(eq + 1)));
        }
        start = end + 1;
    }
    return fields;
}

// The character that windows-1252 (as browsers read it) gives a byte; the
// encoder of the form submission turns it back into the same byte.
unsigned Cp1252ToUnicode(unsigned char b) {
    static const unsigned short high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : b;
}

// A JavaScript string literal whose characters are the bytes' windows-1252
// characters (everything but letters and digits escaped).
std::string JsBytesLiteral(const std::string& bytes) {
    std::string out = "\"";
    char buf[8];
    for (unsigned char b : bytes) {
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            out.push_back(static_cast<char>(b));
        } else {
            g_snprintf(buf, sizeof(buf), "\\u%04X", Cp1252ToUnicode(b));
            out += buf;
        }
    }
    out += "\"";
    return out;
}

// A JavaScript string literal of UTF-8 text.
std::string JsTextLiteral(const std::string& utf8) {
    std::string out = "\"";
    glong n = 0;
    gunichar2* wide = g_utf8_to_utf16(utf8.c_str(), static_cast<glong>(utf8.size()), nullptr, &n, nullptr);
    char buf[8];
    for (glong i = 0; wide != nullptr && i < n; ++i) {
        gunichar2 c = wide[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out.push_back(static_cast<char>(c));
        } else {
            g_snprintf(buf, sizeof(buf), "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    g_free(wide);
    out += "\"";
    return out;
}

}  // namespace

std::string HelperPage(const std::string& actionUtf8, const std::string& body) {
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"windows-1252\"></head><body>"
        "<form method=\"post\" accept-charset=\"windows-1252\" enctype=\"application/x-www-form-urlencoded\">"
        "</form><script>(function(){var f=document.forms[0];f.setAttribute(\"action\",";
    page += JsTextLiteral(actionUtf8);
    page += ");var d=[";
    bool first = true;
    for (const auto& [name, value] : FormFields(body)) {
        if (!first) page += ",";
        first = false;
        page += "[" + JsBytesLiteral(name) + "," + JsBytesLiteral(value) + "]";
    }
    page +=
        "];for(var i=0;i<d.length;i++){var e=document.createElement(\"input\");e.type=\"hidden\";"
        "e.name=d[i][0];e.value=d[i][1];f.appendChild(e);}"
        "HTMLFormElement.prototype.submit.call(f);})();</script></body></html>";
    return page;
}

namespace {

std::string HtmlText(const char* text) {
    std::string out;
    for (const char* p = text != nullptr ? text : ""; *p; ++p) {
        switch (*p) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out.push_back(*p);
        }
    }
    return out;
}

}  // namespace

// The page the browser shows when a page cannot be reached, in the words of
// the Windows browser (Korean on a Korean system), with the toolkit's own
// reason underneath.

std::string ErrorPageHtml(const char* uri, const GError* error) {
    bool korean = GetSystemDefaultLangID() == LANG_KOREAN_DEFAULT;
    // "No page to display" / "The server could not be found".
    const char* title = korean ? "\xED\x91\x9C\xEC\x8B\x9C\xED\x95\xA0 \xED\x8E\x98\xEC\x9D\xB4\xEC\xA7\x80 \xEC\x97\x86\xEC\x9D\x8C"
                               : "Cannot find server";
    const char* heading =
        korean ? "\xEC\x84\x9C\xEB\xB2\x84\xEB\xA5\xBC \xEC\xB0\xBE\xEC\xA7\x80 \xEB\xAA\xBB\xED\x95\x98\xEC\x98\x80\xEC\x8A\xB5\xEB\x8B\x88\xEB\x8B\xA4"
               : "The page cannot be displayed";
    return std::string("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>") + title +
           "</title></head><body style=\"font-family:sans-serif;margin:12px\"><h3>" + heading + "</h3><p>" + title +
           "</p><p style=\"color:#666\">" + HtmlText(uri) + "<br>" + HtmlText(error != nullptr ? error->message : "") +
           "</p></body></html>";
}

}  // namespace afxbrowser
