#include "host/Bridge.h"

#include <json-glib/json-glib.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace host {

namespace {

constexpr int kMaxDepth = 16;

// json-glib descends recursively: nesting is bounded before it sees the text.
bool DepthWithin(const std::string& s, int limit) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

bool ReadValue(JsonNode* node, ScriptValue* out) {
    *out = ScriptValue();
    switch (json_node_get_node_type(node)) {
        case JSON_NODE_NULL:
            out->kind = ScriptValue::Kind::Null;
            return true;
        case JSON_NODE_OBJECT:  // {} stands for undefined
            return json_object_get_size(json_node_get_object(node)) == 0;
        case JSON_NODE_ARRAY:
            return false;
        case JSON_NODE_VALUE:
            break;
    }
    GType t = json_node_get_value_type(node);
    if (t == G_TYPE_STRING) {
        const char* s = json_node_get_string(node);
        *out = ScriptValue::Str(s != nullptr ? s : "");
    } else if (t == G_TYPE_INT64) {
        *out = ScriptValue::Num(static_cast<double>(json_node_get_int(node)));
    } else if (t == G_TYPE_DOUBLE) {
        *out = ScriptValue::Num(json_node_get_double(node));
    } else if (t == G_TYPE_BOOLEAN) {
        *out = ScriptValue::Bool(json_node_get_boolean(node) != FALSE);
    } else {
        return false;
    }
    return true;
}

bool ReadString(JsonObject* o, const char* key, std::string* out, bool required) {
    JsonNode* n = json_object_get_member(o, key);
    if (n == nullptr) return !required;
    if (!JSON_NODE_HOLDS_VALUE(n) || json_node_get_value_type(n) != G_TYPE_STRING) return false;
    const char* s = json_node_get_string(n);
    *out = s != nullptr ? s : "";
    return true;
}

void AppendQuoted(std::string* out, const std::string& s) {
    out->push_back('"');
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out->append(esc);
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    out->push_back('"');
}

void AppendValue(std::string* out, const ScriptValue& v) {
    switch (v.kind) {
        case ScriptValue::Kind::Undefined:
            out->append("{}");
            break;
        case ScriptValue::Kind::Null:
            out->append("null");
            break;
        case ScriptValue::Kind::Boolean:
            out->append(v.boolean ? "true" : "false");
            break;
        case ScriptValue::Kind::Number: {
            if (!std::isfinite(v.number)) {
                out->append("null");
                break;
            }
            char n[40];
            std::snprintf(n, sizeof n, "%.17g", v.number);
            out->append(n);
            break;
        }
        case ScriptValue::Kind::String:
            AppendQuoted(out, v.text);
            break;
    }
}

}  // namespace

bool ParseBridgeRequest(const std::string& json, BridgeRequest* out, std::string* error) {
    *out = BridgeRequest();
    if (json.size() > kMaxRequestBytes) return *error = "request too long", false;
    if (!DepthWithin(json, kMaxDepth)) return *error = "request nested too deeply", false;
    JsonParser* parser = json_parser_new_immutable();
    GError* err = nullptr;
    bool ok = json_parser_load_from_data(parser, json.data(), static_cast<gssize>(json.size()), &err) != FALSE;
    if (!ok) {
        *error = err != nullptr ? err->message : "not JSON";
        g_clear_error(&err);
        g_object_unref(parser);
        return false;
    }
    JsonNode* root = json_parser_get_root(parser);
    if (root == nullptr || !JSON_NODE_HOLDS_OBJECT(root)) {
        g_object_unref(parser);
        return *error = "not an object", false;
    }
    JsonObject* o = json_node_get_object(root);
    ok = ReadString(o, "token", &out->token, true) && ReadString(o, "op", &out->op, true) &&
         ReadString(o, "href", &out->href, false) && ReadString(o, "name", &out->name, false);
    if (!ok) *error = "token, op, href and name must be texts";
    if (ok) {
        if (JsonNode* h = json_object_get_member(o, "handle")) {
            if (!JSON_NODE_HOLDS_VALUE(h) || json_node_get_value_type(h) != G_TYPE_INT64 ||
                json_node_get_int(h) < 0 || json_node_get_int(h) > 0x7FFFFFFF) {
                ok = false;
                *error = "bad handle";
            } else {
                out->handle = static_cast<int>(json_node_get_int(h));
            }
        }
    }
    if (ok) {
        if (JsonNode* v = json_object_get_member(o, "value")) {
            out->hasValue = true;
            if (!ReadValue(v, &out->value)) ok = false, *error = "bad value";
        }
    }
    if (ok) {
        if (JsonNode* a = json_object_get_member(o, "args")) {
            if (!JSON_NODE_HOLDS_ARRAY(a)) {
                ok = false;
                *error = "args must be an array";
            } else {
                JsonArray* arr = json_node_get_array(a);
                guint n = json_array_get_length(arr);
                if (n > kMaxArgs) {
                    ok = false;
                    *error = "too many arguments";
                }
                for (guint i = 0; ok && i < n; ++i) {
                    ScriptValue v;
                    if (!ReadValue(json_array_get_element(arr, i), &v)) ok = false, *error = "bad argument";
                    out->args.push_back(std::move(v));
                }
            }
        }
    }
    g_object_unref(parser);
    return ok;
}

std::string ReplyValue(const ScriptValue& value) {
    std::string out = "{\"ok\":true";
    if (value.kind != ScriptValue::Kind::Undefined) {
        out.append(",\"value\":");
        AppendValue(&out, value);
    }
    out.push_back('}');
    return out;
}

std::string ReplyError(const std::string& message, LONG number) {
    std::string out = "{\"ok\":false,\"message\":";
    AppendQuoted(&out, message);
    out.append(",\"number\":" + std::to_string(number) + "}");
    return out;
}

std::string ReplyCreated(int handle, const std::vector<MemberInfo>& members) {
    std::string out = "{\"ok\":true,\"handle\":" + std::to_string(handle) + ",\"members\":{";
    for (size_t i = 0; i < members.size(); ++i) {
        if (i > 0) out.push_back(',');
        AppendQuoted(&out, members[i].name);
        out.append(members[i].method ? ":\"method\"" : ":\"property\"");
    }
    out.append("}}");
    return out;
}

std::string OriginOf(const std::string& url) {
    auto colon = url.find(':');
    if (colon == std::string::npos) return "null";
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme == "file") return "file://";
    if (scheme != "http" && scheme != "https") return "null";
    if (url.compare(colon, 3, "://") != 0) return "null";
    size_t start = colon + 3;
    size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    auto at = authority.rfind('@');
    if (at != std::string::npos) authority = authority.substr(at + 1);
    for (char& c : authority) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (authority.empty()) return "null";
    std::string defaultPort = scheme == "http" ? ":80" : ":443";
    if (authority.size() > defaultPort.size() &&
        authority.compare(authority.size() - defaultPort.size(), defaultPort.size(), defaultPort) == 0)
        authority.resize(authority.size() - defaultPort.size());
    return scheme + "://" + authority;
}

bool ConsoleLine(const std::string& message, std::string* line) {
    size_t a = message.find('\n');
    size_t b = a == std::string::npos ? std::string::npos : message.find('\n', a + 1);
    if (b == std::string::npos) return false;
    std::string level = message.substr(0, a);
    if (level != "log" && level != "info" && level != "debug" && level != "warn" && level != "error") return false;
    auto clean = [](std::string s) {
        if (s.size() > kMaxConsoleBytes) s.resize(kMaxConsoleBytes);
        for (char& c : s)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        return s;
    };
    *line = clean(message.substr(a + 1, b - a - 1)) + ": console." + level + ": " + clean(message.substr(b + 1));
    return true;
}

std::string NewToken() {
    std::random_device rd;
    std::string t;
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        unsigned v = rd();
        for (int k = 0; k < 4; ++k) t.push_back(kHex[(v >> (k * 8)) & 0xF]);
    }
    return t;
}

Bridge::Bridge(Container& container, std::string allowedOrigin)
    : container_(container), allowedOrigin_(std::move(allowedOrigin)), token_(NewToken()) {}

size_t Bridge::NewPage() {
    token_ = NewToken();
    earlier_.clear();
    return container_.ReleaseAll();
}

void Bridge::StartNavigation() {
    // A page that starts navigation after navigation without a commit keeps
    // its own token (the first) and the most recent ones.
    if (earlier_.size() >= kMaxPendingTokens) earlier_.erase(earlier_.begin() + 1);
    earlier_.push_back(token_);
    token_ = NewToken();
}

size_t Bridge::CommitNavigation() {
    earlier_.clear();
    return container_.ReleaseAll();
}

std::string Bridge::Handle(const std::string& json) {
    BridgeRequest req;
    std::string why;
    if (!ParseBridgeRequest(json, &req, &why)) return ReplyError("Invalid bridge request: " + why, E_INVALIDARG);
    if (req.op == "host") {
        if (!hostCall_ || driverToken_.empty() || req.token != driverToken_)
            return ReplyError(ErrorText(E_ACCESSDENIED), ErrorNumber(E_ACCESSDENIED));
        Outcome o = hostCall_(req.name, req.args);
        return FAILED(o.hr) ? ReplyError(o.message, ErrorNumber(o.hr)) : ReplyValue(o.value);
    }
    bool known = req.token == token_;
    for (const std::string& t : earlier_) known = known || req.token == t;
    if (!known) return ReplyError(ErrorText(E_ACCESSDENIED), ErrorNumber(E_ACCESSDENIED));
    std::string origin = OriginOf(req.href);
    auto reply = [](const Outcome& o) {
        return FAILED(o.hr) ? ReplyError(o.message, ErrorNumber(o.hr)) : ReplyValue(o.value);
    };
    if (req.op == "create") {
        if (!allowedOrigin_.empty() && origin != allowedOrigin_) return ReplyError(kCannotCreate, kCannotCreateNumber);
        int handle = 0;
        Outcome o = container_.Create(req.name, req.href, origin, &handle);
        if (FAILED(o.hr)) return ReplyError(o.message, kCannotCreateNumber);
        return ReplyCreated(handle, *container_.Members(handle, origin));
    }
    if (req.op == "get") return reply(container_.Get(req.handle, origin, req.name));
    if (req.op == "put") return reply(container_.Put(req.handle, origin, req.name, req.value));
    if (req.op == "call") return reply(container_.Call(req.handle, origin, req.name, req.args));
    return ReplyError(ErrorText(DISP_E_MEMBERNOTFOUND), ErrorNumber(DISP_E_MEMBERNOTFOUND));
}

}  // namespace host
