// The entries of a string-table resource: a block holds strings 16 * (n - 1)
// to 16 * n - 1 of block n, each as its length in UTF-16 units followed by
// those units (no NUL); an absent string has length 0.
#pragma once

#include <windows.h>

#include <cstddef>

// Finds entry index (0 to 15) of a block of size bytes. False when the block
// ends before it; an empty entry answers true with length 0.
inline bool AfxStringInBlock(const void* block, size_t size, unsigned index, const WCHAR** text, size_t* length) {
    const WCHAR* p = static_cast<const WCHAR*>(block);
    size_t units = size / sizeof(WCHAR);
    size_t at = 0;
    if (p == nullptr || index > 15) return false;
    for (unsigned i = 0;; ++i) {
        if (at >= units) return false;
        size_t n = p[at];
        if (n > units - at - 1) return false;
        if (i == index) {
            *text = p + at + 1;
            *length = n;
            return true;
        }
        at += 1 + n;
    }
}
