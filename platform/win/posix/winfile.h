// Helpers shared by the platform layers that touch the file system: text
// conversions between the ANSI code page and UTF-8 (the file system's and
// the registry file's encoding), and file names given the Windows way.
// Subsystem code does not include this header.
#pragma once

#include <string>

#include "platform/win/win.h"

namespace win_layer {

// ANSI text (n bytes) as UTF-8. Bytes that are not valid in the code page
// become U+FFFD.
std::string AnsiToUtf8(const char* text, size_t n);
inline std::string AnsiToUtf8(const std::string& text) { return AnsiToUtf8(text.data(), text.size()); }

// UTF-8 text as ANSI text. Characters the code page cannot hold become "?"
// and set *lossy when it is given.
std::string Utf8ToAnsi(const std::string& text, bool* lossy = nullptr);

// UTF-16 text (n code units) as ANSI text, with the same rule.
std::string WideToAnsi(const char16_t* text, size_t n, bool* lossy = nullptr);
// UTF-16 as UTF-8 and back (lone surrogates become U+FFFD).
std::string WideToUtf8(const char16_t* text, size_t n);
std::u16string Utf8ToWide(const std::string& text);

// A file name in the ANSI code page with "\\" or "/" separators, as the
// native path: UTF-8, "/" separators.
std::string NativePath(const char* path);

// The user's configuration directory: XDG_CONFIG_HOME when it is an
// absolute path, otherwise $HOME/.config (the password database's home
// directory when HOME is unset). Empty when neither is known.
std::string UserConfigDir();

}  // namespace win_layer
