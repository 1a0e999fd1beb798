// Builds small PE images (a DLL with one resource section) for the tests of
// the version-information layer and the probes that use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pe {

struct VersionString {
    std::u16string key;
    std::u16string value;
    // Length field of the text: 0 means its characters with the NUL, as the
    // resource compiler writes it; other writers put the size in bytes.
    bool lengthInBytes = false;
};

struct StringTable {
    std::u16string key;  // "040904b0": language and code page in hexadecimal
    std::vector<VersionString> strings;
};

struct VersionInfo {
    uint32_t fileVersionMS = 0x00060001;
    uint32_t fileVersionLS = 0x1DB10000;
    std::vector<StringTable> tables;
    std::vector<uint32_t> translations;  // language in the low word, code page in the high word
};

// A VS_VERSIONINFO resource.
std::string VersionResource(const VersionInfo& info);

enum class Resources {
    None,          // no resource section
    OtherTypeOnly, // resources, but no version resource
    Version,
};

struct Layout {
    size_t resourceDataOffset = 0;  // where the version resource starts in the file
    size_t resourceDataEnd = 0;
};

// A DLL image: PE32 (i386) or PE32+ (x86-64).
std::string Image(bool pe32plus, Resources kind, const std::string& resource = std::string(), Layout* layout = nullptr);

void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace pe
