// The module's string table as real resources (RT_STRING blocks), read with
// the SDK alone, the same way the resource table answers on Linux: the
// string in the system language (Korean when the system's default language
// id is 1042), else in US English, else in any language it exists in, as
// 8-bit text in the ANSI code page of the language it was found in (949 for
// Korean, 1252 otherwise).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The module that holds this code, and so the module's resources.
HMODULE AfxResourceModule();

// Entry index (0 to 15) of a string-table block of size bytes: block n holds
// strings 16 * (n - 1) to 16 * n - 1, each as its length in UTF-16 units
// followed by those units (no NUL); an absent string has length 0. False
// when the block ends before the entry.
bool AfxStringInBlock(const void* block, size_t size, unsigned index, const WCHAR** text, size_t* length);

// The ANSI code page of the texts of a language.
UINT AfxCodePageOfLanguage(LANGID lang);

// String nID of the module's string table, converted to the code page of
// the language it was found in. False when no language has it (an empty
// entry counts as absent, as on Windows).
bool AfxLoadResourceString(HMODULE module, UINT nID, std::string* text, LANGID* foundLang = nullptr);
