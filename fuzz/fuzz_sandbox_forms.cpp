// The sandbox's readers of what a browser or the control posts: the form
// decoder, the field lookup and the HTML escaping. Every field comes from
// the input, and escaping leaves no markup character behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sandbox/WebServer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string body(reinterpret_cast<const char*>(data), size);
    auto form = sandbox::DecodeForm(body);
    size_t total = 0;
    for (const auto& [name, value] : form) {
        total += name.size() + value.size();
        (void)sandbox::FormValue(form, name);
        std::string escaped = sandbox::HtmlEscape(value);
        if (escaped.find_first_of("<>\"'") != std::string::npos) std::abort();
    }
    // Decoding never grows the text.
    if (total > size) std::abort();
    return 0;
}
