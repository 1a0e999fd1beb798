// Helpers of vemompi-resources-dump, the lister of the Windows module's
// resources (dump_resources.cpp, dump_typelib.cpp). The hash is shared with
// the Linux test that reads the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// FNV-1a, 32 bits: the fingerprint of a bitmap's bytes in the list.
inline uint32_t Fnv1a(const unsigned char* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

#if defined(_WIN32)
// UTF-16 as UTF-8.
std::string Utf8(const std::wstring& text);
// Control characters and backslashes as \xHH.
std::string Printable(const std::string& text);
// Lists the type library of the program's own image; false when it cannot
// be loaded.
bool DumpTypeLib();
#endif
