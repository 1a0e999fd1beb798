// The registry's contents in memory, and their text in the .reg format of
// the Windows registry editor. Internal to the registry layer.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/win/win.h"

namespace reg_layer {

struct RegValue {
    std::string name;  // UTF-8; empty for the default value
    DWORD type = 0;
    std::string data;  // REG_SZ: UTF-8 text (a hand-edited file may add NULs and
                       // bytes that are not UTF-8); other types: the bytes as stored
};

struct RegKey {
    std::string path;  // UTF-8, "HKEY_CURRENT_USER\\Software\\...", in the case it was created with
    std::vector<RegValue> values;

    // Value names are compared without regard to ASCII case.
    RegValue* Find(const std::string& name);
    const RegValue* Find(const std::string& name) const;
    void Set(RegValue value);  // replaces a value of the same name in place
    bool Remove(const std::string& name);
};

// The canonical name of a predefined key ("HKEY_CURRENT_USER" for any case of
// it), or null for another name.
const char* CanonicalRoot(const std::string& name);

// Splits a key path at "\\". Returns false for an empty component other than
// a trailing one, or a character below 0x20 (neither can be written in the
// file).
bool SplitPath(const std::string& path, std::vector<std::string>* parts);

// Orders paths so that a key comes right before its subkeys.
struct PathLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class RegTree {
public:
    // Paths are full ("HKEY_CURRENT_USER\\Software\\X"). The predefined keys
    // always exist; Find answers null for one that has never held a value.
    RegKey* Find(const std::string& path);
    const RegKey* Find(const std::string& path) const;
    bool Exists(const std::string& path) const;
    // Creates the key and the keys above it; *created tells whether it was new.
    RegKey& Ensure(const std::string& path, bool* created = nullptr);
    bool HasSubkeys(const std::string& path) const;
    // Removes the key (when withKey) and all its subkeys.
    void EraseTree(const std::string& path, bool withKey);

    const std::map<std::string, RegKey, PathLess>& Keys() const { return keys_; }

private:
    std::map<std::string, RegKey, PathLess> keys_;  // by path folded to lower case
};

// The lookup form of a path: ASCII letters in lower case.
std::string FoldPath(const std::string& path);

// Reads a registry file: UTF-8 (with or without a byte-order mark) or UTF-16
// with its mark, headed "Windows Registry Editor Version 5.00", or ANSI text
// headed "REGEDIT4". An empty file is an empty registry. Sections "[-key]"
// and values "name"=- delete what earlier lines made. Returns false with
// the line number in *badLine for anything else.
bool ParseRegText(const std::string& bytes, RegTree* tree, int* badLine);

// The file text: the version 5.00 header, then each key as a section with
// its values, CR LF line ends, UTF-8. Texts holding a line break are written
// as hex(1) data, since a quoted text cannot span lines; reading the text
// back gives every value exactly, whatever bytes it holds.
std::string FormatRegText(const RegTree& tree);

}  // namespace reg_layer
