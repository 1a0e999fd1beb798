// Test equipment only: the page reader of the stand-in WebBrowser control
// (see StandInPage.h). A forgiving, bounded scan of tags and attributes, not
// an HTML parser: enough for issuer and result pages.
#include "sandbox/standin-browser/StandInPage.h"

#include <cstdlib>
#include <string>

namespace standin {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == ':' || c == '$';
}

// Case-insensitive search of an ASCII needle from `from`; npos when absent.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
    if (needle.empty() || hay.size() < needle.size()) return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k])) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

std::string Collapse(const std::string& s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (IsSpace(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) out.push_back(' ');
        blank = false;
        out.push_back(c);
    }
    return out;
}

void AppendUtf8(std::string* out, unsigned long cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

struct Tag {
    std::string name;  // lower case; "/x" for an end tag
    std::vector<std::pair<std::string, std::string>> attrs;  // names lower case, values decoded
    std::string Attr(const char* n) const {
        for (const auto& [k, v] : attrs)
            if (k == n) return v;
        return "";
    }
    bool Has(const char* n) const {
        for (const auto& a : attrs)
            if (a.first == n) return true;
        return false;
    }
};

// Reads the tag starting at html[i] == '<'; returns the position after it.
size_t ReadTag(std::string_view html, size_t i, Tag* tag) {
    size_t n = html.size();
    ++i;
    size_t start = i;
    if (i < n && html[i] == '/') ++i;
    while (i < n && IsNameChar(html[i])) ++i;
    tag->name = LowerText(html.substr(start, i - start));
    while (i < n && html[i] != '>') {
        if (IsSpace(html[i]) || html[i] == '/') {
            ++i;
            continue;
        }
        size_t a = i;
        while (i < n && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/') ++i;
        if (i == a) {  // a stray character (a quote, say)
            ++i;
            continue;
        }
        std::string attr = LowerText(html.substr(a, i - a));
        while (i < n && IsSpace(html[i])) ++i;
        std::string value;
        if (i < n && html[i] == '=') {
            ++i;
            while (i < n && IsSpace(html[i])) ++i;
            if (i < n && (html[i] == '"' || html[i] == '\'')) {
                char q = html[i++];
                size_t v = i;
                while (i < n && html[i] != q) ++i;
                value = DecodeEntities(html.substr(v, i - v));
                if (i < n) ++i;
            } else {
                size_t v = i;
                while (i < n && !IsSpace(html[i]) && html[i] != '>') ++i;
                value = DecodeEntities(html.substr(v, i - v));
            }
        }
        tag->attrs.emplace_back(std::move(attr), std::move(value));
    }
    return i < n ? i + 1 : n;
}

// Text up to the end tag `</name`, and the position after that end tag.
size_t RawText(std::string_view html, size_t i, const char* endTag, std::string_view* text) {
    size_t end = FindNoCase(html, endTag, i);
    if (end == std::string_view::npos) {
        *text = html.substr(i);
        return html.size();
    }
    *text = html.substr(i, end - i);
    size_t close = html.find('>', end);
    return close == std::string_view::npos ? html.size() : close + 1;
}

std::string Unquote(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && (IsSpace(s[a]) || s[a] == '\'' || s[a] == '"')) ++a;
    while (b > a && (IsSpace(s[b - 1]) || s[b - 1] == '\'' || s[b - 1] == '"')) --b;
    return std::string(s.substr(a, b - a));
}

int FormByNameOrId(const std::vector<PageForm>& forms, const std::string& key, bool byId) {
    if (key.empty()) return -1;
    for (size_t k = 0; k < forms.size(); ++k)
        if ((byId ? forms[k].id : forms[k].name) == key) return static_cast<int>(k);
    for (size_t k = 0; k < forms.size(); ++k)
        if ((byId ? forms[k].name : forms[k].id) == key) return static_cast<int>(k);
    return -1;
}

// The form that `script` (an onload handler) submits, and the delay of a
// setTimeout around it.
void FindOnloadSubmit(std::string_view script, Page* page) {
    size_t call = FindNoCase(script, ".submit(", 0);
    if (call == std::string_view::npos) return;
    // The expression before ".submit(": back over names, dots, brackets,
    // parentheses and quotes.
    size_t a = call;
    int depth = 0;
    while (a > 0) {
        char c = script[a - 1];
        if (c == ')' || c == ']') ++depth;
        else if ((c == '(' || c == '[') && depth > 0) --depth;
        else if (depth == 0 && !IsNameChar(c) && c != '.') break;
        --a;
    }
    std::string expr(script.substr(a, call - a));
    std::string lower = LowerText(expr);
    int form = -1;
    if (lower.rfind("document.forms[", 0) == 0 || lower.rfind("document.forms.", 0) == 0) {
        std::string key = expr.substr(15);
        if (!key.empty() && key.back() == ']') key.pop_back();
        key = Unquote(key);
        bool number = !key.empty() && key.size() < 6;
        for (char c : key) number = number && c >= '0' && c <= '9';
        if (number) {
            int k = std::atoi(key.c_str());
            if (k < static_cast<int>(page->forms.size())) form = k;
        } else {
            form = FormByNameOrId(page->forms, key, false);
        }
    } else if (lower.rfind("document.getelementbyid(", 0) == 0) {
        std::string key = expr.substr(24);
        if (!key.empty() && key.back() == ')') key.pop_back();
        form = FormByNameOrId(page->forms, Unquote(key), true);
    } else {
        std::string key = lower.rfind("document.", 0) == 0 ? expr.substr(9) : expr;
        if (lower.rfind("window.document.", 0) == 0) key = expr.substr(16);
        form = FormByNameOrId(page->forms, key, false);
    }
    if (form < 0) return;
    page->autoSubmitForm = form;
    size_t timer = FindNoCase(script.substr(0, call), "settimeout(", 0);
    if (timer == std::string_view::npos) return;
    // setTimeout(function () { ...submit(); }, 1000): the number after the
    // handler's closing brace (or the string's quote).
    size_t comma = script.find(',', call);
    if (comma == std::string_view::npos) return;
    size_t d = comma + 1;
    while (d < script.size() && IsSpace(script[d])) ++d;
    long ms = 0;
    bool any = false;
    while (d < script.size() && script[d] >= '0' && script[d] <= '9' && ms <= Page::kMaxDelayMs) {
        ms = ms * 10 + (script[d++] - '0');
        any = true;
    }
    if (any) page->autoSubmitDelayMs = static_cast<int>(ms > Page::kMaxDelayMs ? Page::kMaxDelayMs : ms);
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out.push_back('&');
            continue;
        }
        std::string name = LowerText(text.substr(i + 1, semi - i - 1));
        static const struct { const char* name; char ch; } kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", '\xA0'}};
        bool done = false;
        for (const auto& e : kNamed)
            if (name == e.name) {
                out.push_back(e.ch);
                done = true;
            }
        if (!done && name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x';
            std::string digits = name.substr(hex ? 2 : 1);
            unsigned long cp = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int v = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                if (v < 0) ok = false;
                else cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                if (cp > 0x10FFFF) ok = false;
                if (!ok) break;
            }
            if (ok && cp != 0) {
                if (cp < 256) out.push_back(static_cast<char>(cp));
                else AppendUtf8(&out, cp);
                done = true;
            }
        }
        if (done) i = semi;
        else out.push_back('&');
    }
    return out;
}

Page ParsePage(std::string_view html) {
    if (html.size() > kMaxPageBytes) html = html.substr(0, kMaxPageBytes);
    Page page;
    std::string onload;
    std::vector<std::string> scripts;
    bool haveTitle = false;
    int open = -1;  // the form being read
    size_t i = 0;
    while (i < html.size()) {
        size_t lt = html.find('<', i);
        if (lt == std::string_view::npos) break;
        if (html.substr(lt, 4) == "<!--") {
            size_t end = html.find("-->", lt + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (lt + 1 >= html.size() || !(IsNameChar(html[lt + 1]) || html[lt + 1] == '/')) {
            i = lt + 1;
            continue;
        }
        Tag tag;
        i = ReadTag(html, lt, &tag);
        std::string_view text;
        if (tag.name == "title") {
            i = RawText(html, i, "</title", &text);
            if (!haveTitle) page.title = Collapse(DecodeEntities(text));
            haveTitle = true;
        } else if (tag.name == "script") {
            i = RawText(html, i, "</script", &text);
            scripts.emplace_back(text);
        } else if (tag.name == "style" || tag.name == "textarea") {
            i = RawText(html, i, tag.name == "style" ? "</style" : "</textarea", &text);
        } else if (tag.name == "body") {
            if (tag.Has("onload") && onload.empty()) onload = tag.Attr("onload");
        } else if (tag.name == "form") {
            PageForm form;
            form.name = tag.Attr("name");
            form.id = tag.Attr("id");
            form.method = LowerText(tag.Attr("method")) == "post" ? "POST" : "GET";
            form.action = tag.Attr("action");
            page.forms.push_back(std::move(form));
            open = static_cast<int>(page.forms.size()) - 1;
        } else if (tag.name == "/form") {
            open = -1;
        } else if (tag.name == "input" && open >= 0) {
            FormInput input;
            input.type = tag.Has("type") ? LowerText(tag.Attr("type")) : "text";
            input.name = tag.Attr("name");
            input.value = tag.Attr("value");
            input.checked = tag.Has("checked");
            page.forms[static_cast<size_t>(open)].inputs.push_back(std::move(input));
        }
    }
    // window.onload = ... (or onload = ...) in a script when the body has none.
    for (size_t k = 0; k < scripts.size() && onload.empty(); ++k) {
        size_t at = FindNoCase(scripts[k], "onload", 0);
        if (at != std::string::npos) onload = scripts[k].substr(at + 6);
    }
    if (!onload.empty()) FindOnloadSubmit(onload, &page);
    return page;
}

std::string ResolveUrl(const std::string& base, const std::string& ref) {
    std::string r = ref;
    while (!r.empty() && IsSpace(r.front())) r.erase(r.begin());
    while (!r.empty() && IsSpace(r.back())) r.pop_back();
    size_t hash = r.find('#');
    if (hash != std::string::npos) r.erase(hash);
    // A scheme of its own.
    size_t colon = r.find(':');
    if (colon != std::string::npos && colon > 0) {
        bool scheme = true;
        for (size_t k = 0; k < colon; ++k) {
            char c = Lower(r[k]);
            scheme = scheme && ((c >= 'a' && c <= 'z') || (k > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')));
        }
        if (scheme) return r;
    }
    std::string b = base;
    size_t bh = b.find('#');
    if (bh != std::string::npos) b.erase(bh);
    size_t sep = b.find("://");
    if (sep == std::string::npos) return r;
    std::string scheme = b.substr(0, sep);
    size_t pathAt = b.find('/', sep + 3);
    std::string origin = pathAt == std::string::npos ? b : b.substr(0, pathAt);
    std::string path = pathAt == std::string::npos ? "/" : b.substr(pathAt);
    if (r.empty()) return origin + path;
    if (r.rfind("//", 0) == 0) return scheme + ":" + r;
    if (r[0] == '?') {
        size_t q = path.find('?');
        return origin + (q == std::string::npos ? path : path.substr(0, q)) + r;
    }
    std::string query;
    size_t q = r.find('?');
    if (q != std::string::npos) {
        query = r.substr(q);
        r.erase(q);
    }
    std::string joined;
    if (r[0] == '/') {
        joined = r;
    } else {
        size_t bq = path.find('?');
        if (bq != std::string::npos) path.erase(bq);
        joined = path.substr(0, path.rfind('/') + 1) + r;
    }
    // Dot segments out.
    std::vector<std::string> segs;
    size_t s = 1;
    while (s <= joined.size()) {
        size_t e = joined.find('/', s);
        if (e == std::string::npos) e = joined.size();
        std::string seg = joined.substr(s, e - s);
        bool last = e == joined.size();
        if (seg == "..") {
            if (!segs.empty()) segs.pop_back();
            if (last) segs.emplace_back();
        } else if (seg == ".") {
            if (last) segs.emplace_back();
        } else {
            segs.push_back(seg);
        }
        s = e + 1;
    }
    std::string out;
    for (const auto& seg : segs) out += "/" + seg;
    if (out.empty()) out = "/";
    return origin + out + query;
}

std::string FormEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
            c == '.' || c == '_') {
            out.push_back(ch);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::string FormBody(const PageForm& form, const std::vector<std::pair<std::string, std::string>>& filled) {
    std::string body;
    for (const FormInput& in : form.inputs) {
        if (in.name.empty()) continue;
        const std::string& t = in.type;
        if (t == "submit" || t == "button" || t == "reset" || t == "image" || t == "file") continue;
        if ((t == "checkbox" || t == "radio") && !in.checked) continue;
        std::string value = (t == "checkbox" || t == "radio") && in.value.empty() ? "on" : in.value;
        for (const auto& [k, v] : filled)
            if (k == in.name) value = v;
        if (!body.empty()) body.push_back('&');
        body += FormEncode(in.name) + "=" + FormEncode(value);
    }
    return body;
}

}  // namespace standin
