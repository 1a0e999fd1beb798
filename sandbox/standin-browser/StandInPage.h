// Test equipment only (the stand-in WebBrowser control for the Windows tests
// under Wine, which has no HTML engine): what the stand-in reads from a page.
// Platform-neutral, no Windows headers, so that it is tested and fuzzed on
// Linux. The page is outside input: every scan is bounded by the text.
//
// Read from the page: its <title>, its forms (name, id, method, action and
// the fields of their <input> elements), and whether the page posts a form on
// load the way issuer pages do (<body onload="document.forms[0].submit()">,
// window.onload = function () { document.getElementById('pa').submit(); },
// optionally inside setTimeout(..., ms)).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

struct FormInput {
    std::string type;  // lower case; "text" when not given
    std::string name;
    std::string value;
    bool checked = false;
};

struct PageForm {
    std::string name;
    std::string id;
    std::string method;  // upper case: "GET" (the default) or "POST"
    std::string action;  // as written (entities decoded); "" is the page's own address
    std::vector<FormInput> inputs;
};

struct Page {
    std::string title;  // entities decoded, blanks collapsed
    std::vector<PageForm> forms;
    int autoSubmitForm = -1;     // the form the page posts on load, or -1
    int autoSubmitDelayMs = 0;   // its setTimeout delay (at most kMaxDelayMs)
    static constexpr int kMaxDelayMs = 60000;
};

// Pages larger than this are read only up to it.
constexpr size_t kMaxPageBytes = 4u << 20;

Page ParsePage(std::string_view html);

// &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric references; code points
// above 255 as UTF-8, anything else left as written.
std::string DecodeEntities(std::string_view text);

// The address `ref` names on the page at `base` (http and https addresses;
// a ref with a scheme of its own is returned as it is).
std::string ResolveUrl(const std::string& base, const std::string& ref);

// The form's successful fields as application/x-www-form-urlencoded, in
// document order: text, hidden, password and other text-like inputs, and
// checked check boxes and radio buttons; buttons, images and files are left
// out, as form.submit() leaves them. A field named in `filled` takes that
// value instead of its own (what a cardholder typed).
std::string FormBody(const PageForm& form, const std::vector<std::pair<std::string, std::string>>& filled = {});

// Form URL encoding of one name or value: ALPHA DIGIT * - . _ kept, blank as
// '+', every other byte %XX.
std::string FormEncode(std::string_view text);

}  // namespace standin
