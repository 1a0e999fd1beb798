// Masking of debugger and trace lines: whatever the text, the length is
// kept, only digits and cryptogram characters change, and no run of 12 to 19
// digits in a row is left in clear.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "crypto/MPIMask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));  // the lines are NUL-terminated text
    std::string masked = MPIMaskSecrets(text);
    if (masked.size() != text.size()) std::abort();
    size_t run = 0;
    for (size_t i = 0; i <= masked.size(); ++i) {
        bool digit = i < masked.size() && masked[i] >= '0' && masked[i] <= '9';
        if (digit) {
            ++run;
            continue;
        }
        if (run >= 12 && run <= 19) std::abort();
        run = 0;
        if (i < masked.size() && masked[i] != text[i] && masked[i] != '*') std::abort();
    }
    std::string copy = text;
    MPIMaskSecretsInPlace(copy.data());
    if (copy != masked) std::abort();
    return 0;
}
