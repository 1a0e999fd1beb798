// The page reader of the stand-in WebBrowser control (test equipment of the
// Windows tests): any page is read without reading past it, the form it
// posts on load is one of its forms, every form's body encodes, and the form
// action resolves against the page's address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sandbox/standin-browser/StandInPage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view html(reinterpret_cast<const char*>(data), size);
    standin::Page page = standin::ParsePage(html);
    if (page.autoSubmitForm >= static_cast<int>(page.forms.size())) std::abort();
    if (page.autoSubmitDelayMs < 0 || page.autoSubmitDelayMs > standin::Page::kMaxDelayMs) std::abort();
    for (const standin::PageForm& form : page.forms) {
        std::string body = standin::FormBody(form, {{"pw", "1234"}});
        for (char c : body)
            if (c == ' ' || c == '\n' || static_cast<unsigned char>(c) >= 0x80) std::abort();
        std::string url = standin::ResolveUrl("http://127.0.0.1:8080/acs/auth?x=1", form.action);
        if (url.empty()) std::abort();
    }
    standin::DecodeEntities(html);
    return 0;
}
