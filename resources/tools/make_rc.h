// The Windows module's resource script and type library source, written
// from the same tables that the Linux module compiles in: the resource
// table (resources/VemoMPIOCX_rc.cpp) and the type library description
// (resources/VemoMPIOCX_tlb.cpp). A build tool of the Windows build.
#pragma once

#include <string>

#include "platform/afx/afxres.h"
#include "platform/com/typedesc.h"

namespace makerc {

// The code page of the texts of a language: 949 for Korean, 1252 for the
// others (the module has no other).
unsigned CodePageOf(LANGID lang);

// Text in code page codePage as UTF-16. False when it is not valid there.
bool ToUtf16(const char* text, size_t length, unsigned codePage, std::u16string* out);

// A UTF-16 text as a wide string literal of a resource script: L"...",
// printable ASCII as itself, everything else as \xHHHH (four digits; a hex
// digit right after an escape is escaped too, so that no compiler reads it
// as part of the escape).
std::string WideLiteral(const std::u16string& text);

// The resource script of the table: ICON, BITMAP (files written into
// fileDir and named by absolute path), DIALOGEX, STRINGTABLE per language,
// VERSIONINFO and TYPELIB 1 ("VemoMPIOCX.tlb"). False with a message when
// an entry cannot be written.
bool WriteResourceScript(const AFX_RESOURCE_ENTRY* entries, int count, const std::string& fileDir,
                         std::string* script, std::string* error);

// The IDL of the type library: library, dispinterfaces, coclass.
bool WriteIdl(const TypeLibDesc& lib, std::string* idl, std::string* error);

// A GUID as text without braces, upper case: "1176C766-9B4C-...".
std::string GuidText(const GUID& g);

// The .inf of the module's cabinet, which a browser reads to install the
// control from it: [version], [Add.Code] naming the module, and the
// module's section (the x86 module from this cabinet, the control's class
// id, the module's file version, registered by its own DllRegisterServer).
// Lines end in CR LF.
std::string WriteInf(const char* moduleName, const CLSID& clsid);

}  // namespace makerc
