// The page reader of the stand-in WebBrowser control (the Windows tests'
// browser under Wine): titles, forms, the form a page posts on load, the
// posted body, and addresses relative to the page.
#include <gtest/gtest.h>

#include <string>

#include "sandbox/standin-browser/StandInPage.h"

using standin::FormBody;
using standin::Page;
using standin::ParsePage;
using standin::ResolveUrl;

namespace {

// The issuer page as the sandbox's ACS writes it, posting on by itself.
const char kAcsPage[] =
    "<html><head><title>Issuer Authentication</title></head>"
    "<body style=\"font-family:sans-serif;margin:12px\"><h3>Verified by your card issuer</h3>"
    "<p>Merchant data: a&amp;b</p>"
    "<form id=\"pa\" method=\"POST\" action=\"http://127.0.0.1:4711/MPI/VerifyPARes\">"
    "<p>Password: <input type=\"password\" name=\"pw\" id=\"pw\"></p>"
    "<input type=\"hidden\" name=\"PaRes\" value=\"eJwzMDQwMjE1AAAGUgGT\">"
    "<input type=\"hidden\" name=\"MD\" value=\"a&amp;b c+d\">"
    "<input type=\"submit\" id=\"go\" value=\"Submit\"></form>"
    "<script>window.onload = function () { document.getElementById('pa').submit(); };</script>"
    "</body></html>";

}  // namespace

TEST(StandInPage, ReadsTheIssuerPageItsFormAndThePostOnLoad) {
    Page page = ParsePage(kAcsPage);
    EXPECT_EQ(page.title, "Issuer Authentication");
    ASSERT_EQ(page.forms.size(), 1u);
    EXPECT_EQ(page.forms[0].method, "POST");
    EXPECT_EQ(page.forms[0].action, "http://127.0.0.1:4711/MPI/VerifyPARes");
    EXPECT_EQ(page.autoSubmitForm, 0);
    EXPECT_EQ(page.autoSubmitDelayMs, 0);
    // The submit button is left out, entities are decoded and encoded again.
    EXPECT_EQ(FormBody(page.forms[0]), "pw=&PaRes=eJwzMDQwMjE1AAAGUgGT&MD=a%26b+c%2Bd");
    EXPECT_EQ(FormBody(page.forms[0], {{"pw", "1234"}}), "pw=1234&PaRes=eJwzMDQwMjE1AAAGUgGT&MD=a%26b+c%2Bd");
}

TEST(StandInPage, FindsTheFormAnOnloadHandlerSubmitsByIndexNameOrId) {
    const std::string forms =
        "<form name=first action=a><input name=x value=1></form>"
        "<FORM NAME='second' ID=\"sid\" METHOD=post ACTION='b'><INPUT TYPE=HIDDEN NAME=y VALUE=2></FORM>";
    EXPECT_EQ(ParsePage("<body onload=\"document.forms[1].submit()\">" + forms).autoSubmitForm, 1);
    EXPECT_EQ(ParsePage("<body onload=\"document.forms[0].submit()\">" + forms).autoSubmitForm, 0);
    EXPECT_EQ(ParsePage("<body onLoad='document.second.submit();'>" + forms).autoSubmitForm, 1);
    EXPECT_EQ(ParsePage("<body onload=\"document.forms['second'].submit()\">" + forms).autoSubmitForm, 1);
    EXPECT_EQ(ParsePage("<body onload=\"first.submit()\">" + forms).autoSubmitForm, 0);
    EXPECT_EQ(ParsePage("<body onload=\"document.getElementById('sid').submit()\">" + forms).autoSubmitForm, 1);
    // A form that is not there, an index past the last, no handler at all.
    EXPECT_EQ(ParsePage("<body onload=\"document.third.submit()\">" + forms).autoSubmitForm, -1);
    EXPECT_EQ(ParsePage("<body onload=\"document.forms[2].submit()\">" + forms).autoSubmitForm, -1);
    EXPECT_EQ(ParsePage("<body>" + forms).autoSubmitForm, -1);
    Page page = ParsePage(forms);
    EXPECT_EQ(page.forms[1].method, "POST");
    EXPECT_EQ(page.forms[0].method, "GET");
    EXPECT_EQ(FormBody(page.forms[1]), "y=2");
}

TEST(StandInPage, ASetTimeoutAroundTheSubmitGivesItsDelay) {
    Page page = ParsePage(
        "<form id=\"pa\" method=\"POST\" action=\"/t\"></form><script>window.onload = function () { "
        "setTimeout(function () { document.getElementById('pa').submit(); }, 1500); };</script>");
    EXPECT_EQ(page.autoSubmitForm, 0);
    EXPECT_EQ(page.autoSubmitDelayMs, 1500);
    page = ParsePage("<form id=f></form><body onload=\"setTimeout(function(){f.submit()}, 99999999999)\">");
    EXPECT_EQ(page.autoSubmitDelayMs, Page::kMaxDelayMs);
}

TEST(StandInPage, TitlesCommentsScriptsAndFieldsAreReadAsABrowserReadsThem) {
    Page page = ParsePage(
        "<!-- <title>not this</title> <form></form> --><TITLE>\n  A &lt;b&gt; &#x41;&#66; </TITLE>"
        "<script>var s = '<form action=x>';</script><title>second</title>"
        "<form><input type=checkbox name=c1 checked><input type=checkbox name=c2 value=v>"
        "<input type=radio name=r value=1 checked><input name=\"t\" value='one two'>"
        "<input type=button name=b value=x><input type=image name=i><input value=nameless>"
        "<input type=hidden name=\"&#233;\" value=\"&#8364;\"></form><input name=outside value=1>");
    EXPECT_EQ(page.title, "A <b> AB");
    ASSERT_EQ(page.forms.size(), 1u);
    EXPECT_EQ(FormBody(page.forms[0]), "c1=on&r=1&t=one+two&%E9=%E2%82%AC");
}

TEST(StandInPage, TruncatedAndOddMarkupEndsWithoutReadingPastTheText) {
    for (const char* html : {"<", "<title", "<title>x", "<form action='a", "<input name=", "&#x", "&#99999999999;",
                             "<body onload=\".submit(", "<body onload=\"document.forms[.submit()\"><form>",
                             "<script>onload=)))).submit(", "<!--", "<form><input name=a value=\"b"}) {
        Page page = ParsePage(html);
        EXPECT_LE(page.forms.size(), 1u) << html;
    }
    EXPECT_EQ(standin::DecodeEntities("a &b; &#0; &#x110000; &amp"), "a &b; &#0; &#x110000; &amp");
}

TEST(StandInPage, AddressesRelativeToThePage) {
    const std::string base = "http://127.0.0.1:8080/acs/auth/page.html?x=1#top";
    EXPECT_EQ(ResolveUrl(base, "https://other/p"), "https://other/p");
    EXPECT_EQ(ResolveUrl(base, "/MPI/VerifyPARes"), "http://127.0.0.1:8080/MPI/VerifyPARes");
    EXPECT_EQ(ResolveUrl(base, "next?a=b"), "http://127.0.0.1:8080/acs/auth/next?a=b");
    EXPECT_EQ(ResolveUrl(base, "../up/./x"), "http://127.0.0.1:8080/acs/up/x");
    EXPECT_EQ(ResolveUrl(base, "../../../../x"), "http://127.0.0.1:8080/x");
    EXPECT_EQ(ResolveUrl(base, "?q"), "http://127.0.0.1:8080/acs/auth/page.html?q");
    EXPECT_EQ(ResolveUrl(base, ""), "http://127.0.0.1:8080/acs/auth/page.html?x=1");
    EXPECT_EQ(ResolveUrl(base, "//host/p"), "http://host/p");
    EXPECT_EQ(ResolveUrl("http://h", "p"), "http://h/p");
}
