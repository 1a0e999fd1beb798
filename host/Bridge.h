// The bridge between page script and the container: one request in, one
// reply out, both JSON texts. The injected script sends
//   {"token": T, "href": PAGE, "op": "create", "name": PROGID-OR-CLSID}
//   {"token": T, "href": PAGE, "op": "get"|"put"|"call", "handle": H,
//    "name": MEMBER, "value": V, "args": [V...]}
//   {"token": T, "href": PAGE, "op": "host", "name": FN, "args": [V...]}
// where V is a string, number, boolean, null, or {} for undefined, and
// gets back {"ok": true, "value": V} ({"ok": true, "handle": H,
// "members": {NAME: "method"|"property"...}} for a creation) or
// {"ok": false, "message": TEXT, "number": N}. A request without the
// page's token, from another origin than the allowed one, or for a handle
// the requesting origin did not create is refused.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/Container.h"
#include "host/ScriptValue.h"

namespace host {

struct BridgeRequest {
    std::string token;
    std::string href;
    std::string op;
    std::string name;
    int handle = 0;
    bool hasValue = false;
    ScriptValue value;
    std::vector<ScriptValue> args;
};

// Limits of one request.
constexpr size_t kMaxRequestBytes = 1 << 20;
constexpr size_t kMaxArgs = 64;
// Tokens of navigations started and not committed that still work.
constexpr size_t kMaxPendingTokens = 8;

// False, with a reason, for a text that is not a well-formed request.
bool ParseBridgeRequest(const std::string& json, BridgeRequest* out, std::string* error);

std::string ReplyValue(const ScriptValue& value);
std::string ReplyError(const std::string& message, LONG number);
std::string ReplyCreated(int handle, const std::vector<MemberInfo>& members);

// "scheme://host[:port]" of an address, lower case; "file://" for files;
// "null" for anything without a host.
std::string OriginOf(const std::string& url);

// A page's console message as the injected console script posts it,
// "LEVEL\nSOURCE:LINE\nTEXT", as one line for the host's stderr:
// "SOURCE:LINE: console.LEVEL: TEXT", with control characters of the page's
// texts (line ends, terminal escapes) as blanks and each part cut to
// kMaxConsoleBytes. False for a message of another form.
constexpr size_t kMaxConsoleBytes = 4096;
bool ConsoleLine(const std::string& message, std::string* line);

// 32 hexadecimal digits from the system's random source.
std::string NewToken();

class Bridge {
public:
    // The host's own functions for the driver ("screenshot", "exit",
    // "log"); empty when there is no driver.
    using HostCall = std::function<Outcome(const std::string& fn, const std::vector<ScriptValue>& args)>;

    // allowedOrigin: the only origin that may create controls (empty: any).
    Bridge(Container& container, std::string allowedOrigin);

    // The driver's functions, reached with a token of their own.
    void SetHostCall(HostCall call, std::string driverToken) {
        hostCall_ = std::move(call);
        driverToken_ = std::move(driverToken);
    }
    // The page went: its controls are released and a new token is made.
    // Returns how many controls were released.
    size_t NewPage();
    // A navigation starts: a new token is made for the next document,
    // while the tokens of the page still shown keep working (a navigation
    // may never commit: a 204 answer, a download).
    void StartNavigation();
    // A new document was committed: only the newest token works, and the
    // controls of the page that went are released. Returns how many.
    size_t CommitNavigation();
    const std::string& Token() const { return token_; }

    std::string Handle(const std::string& json);

private:
    Container& container_;
    std::string allowedOrigin_;
    std::string token_;
    std::vector<std::string> earlier_;  // tokens still valid until the next commit
    HostCall hostCall_;
    std::string driverToken_;
};

}  // namespace host
