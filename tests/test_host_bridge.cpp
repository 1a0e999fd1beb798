// The host's bridge protocol on its own: what a request must look like,
// the bounds of one, origins, and the refusals that need no control: a
// request without the page's token, the driver's functions without the
// driver's token, a handle the page never created.
#include <gtest/gtest.h>

#include <string>

#include "host/Bridge.h"
#include "host/Container.h"
#include "host/ProxyScript.h"
#include "host/ScriptValue.h"

using host::Bridge;
using host::BridgeRequest;
using host::Container;
using host::OriginOf;
using host::ParseBridgeRequest;

namespace {

bool Parse(const std::string& json, BridgeRequest* req) {
    std::string error;
    return ParseBridgeRequest(json, req, &error);
}

}  // namespace

TEST(BridgeRequests, ReadEveryFieldAndValueKind) {
    BridgeRequest r;
    ASSERT_TRUE(Parse(R"({"token":"t","href":"http://a/","op":"call","handle":3,"name":"GetPAReq2",)"
                      R"("args":["x\u00e9",7,-1.5,true,null,{}]})",
                      &r));
    EXPECT_EQ(r.token, "t");
    EXPECT_EQ(r.op, "call");
    EXPECT_EQ(r.handle, 3);
    EXPECT_EQ(r.name, "GetPAReq2");
    ASSERT_EQ(r.args.size(), 6u);
    EXPECT_EQ(r.args[0].text, "x\xC3\xA9");
    EXPECT_EQ(r.args[1].number, 7);
    EXPECT_EQ(r.args[2].number, -1.5);
    EXPECT_TRUE(r.args[3].boolean);
    EXPECT_EQ(r.args[4].kind, host::ScriptValue::Kind::Null);
    EXPECT_EQ(r.args[5].kind, host::ScriptValue::Kind::Undefined);
}

TEST(BridgeRequests, RefuseWhatIsNotARequest) {
    BridgeRequest r;
    EXPECT_FALSE(Parse("", &r));
    EXPECT_FALSE(Parse("[1]", &r));
    EXPECT_FALSE(Parse(R"({"op":"get"})", &r)) << "no token";
    EXPECT_FALSE(Parse(R"({"token":1,"op":"get"})", &r));
    EXPECT_FALSE(Parse(R"({"token":"t","op":"get","handle":-1})", &r));
    EXPECT_FALSE(Parse(R"({"token":"t","op":"get","handle":4294967296})", &r));
    EXPECT_FALSE(Parse(R"({"token":"t","op":"call","args":[[1]]})", &r)) << "arrays are no argument";
    EXPECT_FALSE(Parse(R"({"token":"t","op":"call","args":[{"a":1}]})", &r));
    EXPECT_FALSE(Parse(R"({"token":"t","op":"call","args":"x"})", &r));
    // Bounds: nesting, argument count, size.
    EXPECT_FALSE(Parse(R"({"token":"t","op":"call","x":)" + std::string(10000, '[') + std::string(10000, ']') + "}", &r));
    std::string many = R"({"token":"t","op":"call","args":[)";
    for (size_t i = 0; i <= host::kMaxArgs; ++i) many += i ? ",1" : "1";
    EXPECT_FALSE(Parse(many + "]}", &r));
    EXPECT_FALSE(Parse(R"({"token":"t","op":"x","name":")" + std::string(host::kMaxRequestBytes, 'a') + "\"}", &r));
}

TEST(BridgeRequests, RepliesAreJsonThatScriptReadsBack) {
    EXPECT_EQ(host::ReplyValue(host::ScriptValue::Str("a\"b\\\n\x01")), R"({"ok":true,"value":"a\"b\\\u000a\u0001"})");
    EXPECT_EQ(host::ReplyValue(host::ScriptValue::Num(11005)), R"({"ok":true,"value":11005})");
    EXPECT_EQ(host::ReplyValue(host::ScriptValue()), R"({"ok":true})");
    EXPECT_EQ(host::ReplyError("Type mismatch", -2146828275), R"({"ok":false,"message":"Type mismatch","number":-2146828275})");
    EXPECT_EQ(host::JsQuote("a\"\n\xE2\x80\xA8"), "\"a\\\"\\x0a\\u2028\"");
}

TEST(BridgeOrigins, AreSchemeHostAndPort) {
    EXPECT_EQ(OriginOf("http://127.0.0.1:8080/pay.html?x=1"), "http://127.0.0.1:8080");
    EXPECT_EQ(OriginOf("HTTP://Shop.Example:80/"), "http://shop.example");
    EXPECT_EQ(OriginOf("https://user:pw@shop.example:443#x"), "https://shop.example");
    EXPECT_NE(OriginOf("http://127.0.0.1:8080/"), OriginOf("http://127.0.0.1:8081/"));
    EXPECT_NE(OriginOf("http://localhost:8080/"), OriginOf("http://127.0.0.1:8080/"));
    EXPECT_EQ(OriginOf("file:///tmp/a.html"), "file://");
    EXPECT_EQ(OriginOf("about:blank"), "null");
    EXPECT_EQ(OriginOf("http://"), "null");
    EXPECT_EQ(OriginOf("javascript:alert(1)"), "null");
}

TEST(BridgeRefusals, WithoutThePagesTokenNothingIsDone) {
    Container container;
    Bridge bridge(container, "http://127.0.0.1:8080");
    std::string t = bridge.Token();
    EXPECT_EQ(t.size(), 32u);
    const std::string denied = R"({"ok":false,"message":"Permission denied","number":-2146828218})";
    EXPECT_EQ(bridge.Handle(R"({"token":"guess","href":"http://127.0.0.1:8080/","op":"create","name":"X.Y.1"})"),
              denied);
    // A new page gets a new token; the old one is worth nothing.
    bridge.NewPage();
    EXPECT_NE(bridge.Token(), t);
    EXPECT_EQ(bridge.Handle(R"({"token":")" + t + R"(","href":"http://127.0.0.1:8080/","op":"get","handle":1,"name":"Code1"})"),
              denied);
    // The driver's functions need the driver's token, not the page's.
    int calls = 0;
    bridge.SetHostCall([&](const std::string&, const std::vector<host::ScriptValue>&) { return ++calls, host::Outcome(); },
                       "driver-token");
    EXPECT_EQ(bridge.Handle(R"({"token":")" + bridge.Token() + R"(","op":"host","name":"exit","args":[0]})"), denied);
    EXPECT_EQ(bridge.Handle(R"({"token":"driver-token","op":"host","name":"exit","args":[0]})"), R"({"ok":true})");
    EXPECT_EQ(calls, 1);
}

TEST(BridgeRefusals, OtherOriginsAndUnknownHandles) {
    Container container;
    Bridge bridge(container, "http://127.0.0.1:8080");
    const std::string tok = bridge.Token();
    EXPECT_EQ(bridge.Handle(R"({"token":")" + tok +
                            R"(","href":"http://127.0.0.1:8081/x.html","op":"create","name":"VEMOMPIOCX.VemoMPIOCXCtrl.1"})"),
              R"({"ok":false,"message":"Automation server can't create object","number":-2146827859})");
    EXPECT_EQ(bridge.Handle(R"({"token":")" + tok + R"(","href":"http://127.0.0.1:8080/","op":"call","handle":1,"name":"SetTimeOut","args":[1]})"),
              R"({"ok":false,"message":"Permission denied","number":-2146828218})")
        << "a handle this page never created";
    EXPECT_EQ(bridge.Handle("{").rfind(R"({"ok":false,"message":"Invalid bridge request: )", 0), 0u);
}

TEST(BridgeConsole, OneLineWithItsSourceAndNoControlCharacters) {
    std::string line;
    ASSERT_TRUE(host::ConsoleLine("warn\nhttp://127.0.0.1:8080/pay.html:12\ntwo\nlines \x1b[31mred", &line));
    EXPECT_EQ(line, "http://127.0.0.1:8080/pay.html:12: console.warn: two lines  [31mred");
    EXPECT_FALSE(host::ConsoleLine("log\nno text part", &line));
    EXPECT_FALSE(host::ConsoleLine("shout\nx:1\ntext", &line)) << "not a console level";
    ASSERT_TRUE(host::ConsoleLine("log\nx:1\n" + std::string(host::kMaxConsoleBytes + 100, 'a'), &line));
    EXPECT_EQ(line.size(), std::string("x:1: console.log: ").size() + host::kMaxConsoleBytes);
}

TEST(BridgeRefusals, ThePageShownKeepsItsTokenUntilANewDocumentCommits) {
    Container container;
    Bridge bridge(container, "http://127.0.0.1:8080");
    const std::string shown = bridge.Token();
    auto get = [&](const std::string& token) {
        return bridge.Handle(R"({"token":")" + token + R"(","href":"http://127.0.0.1:8080/","op":"create","name":"No.Such.1"})");
    };
    const std::string denied = R"({"ok":false,"message":"Permission denied","number":-2146828218})";
    // The token works: the class is looked for (and not found).
    const std::string unknownHandle = R"({"ok":false,"message":"Automation server can't create object","number":-2146827859})";
    EXPECT_EQ(get(shown), unknownHandle);
    // Navigations that never commit (a 204 answer, a download): the page's token still works,
    // however many there were.
    for (size_t i = 0; i < host::kMaxPendingTokens + 3; ++i) bridge.StartNavigation();
    EXPECT_NE(bridge.Token(), shown);
    EXPECT_EQ(get(shown), unknownHandle);
    EXPECT_EQ(get(bridge.Token()), unknownHandle);
    const std::string next = bridge.Token();
    bridge.CommitNavigation();
    EXPECT_EQ(get(shown), denied) << "the page went";
    EXPECT_EQ(get(next), unknownHandle) << "the committed document's token";
}
