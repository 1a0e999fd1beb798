// Registration of a type library in the registry, as OLE Automation's
// RegisterTypeLib and UnRegisterTypeLib do it, for libraries held as data
// (TypeLibDesc). Keys written, under HKEY_CLASSES_ROOT:
//   TypeLib\{libid}\<major>.<minor>            = the library's help string
//   TypeLib\{libid}\<major>.<minor>\FLAGS      = "0"
//   TypeLib\{libid}\<major>.<minor>\<lcid>\win32 (win64 for 64-bit code)
//                                              = the library's file
//   TypeLib\{libid}\<major>.<minor>\HELPDIR    = the help directory, when one is given
//   Interface\{iid}                            = the interface's name, for each
//       dispatch interface, with ProxyStubClsid and ProxyStubClsid32 (the
//       automation marshaller) and TypeLib = {libid}, "Version" = "<major>.<minor>"
#pragma once

#include "platform/com/typeinfo.h"

enum SYSKIND { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };

#define TYPE_E_REGISTRYACCESS ((HRESULT)0x8002801CL)

// The system kind of this build's code: SYS_WIN64 for 64-bit, SYS_WIN32 otherwise.
SYSKIND TypeLibSysKind();

// Writes the keys above. szFullPath must be an absolute path; szHelpDir may
// be null (no HELPDIR key). Values that already hold what is to be written
// are left alone. TYPE_E_REGISTRYACCESS when the registry refuses a write.
HRESULT RegisterTypeLib(const TypeLibDesc* ptlib, LPCSTR szFullPath, LPCSTR szHelpDir);

// Removes what RegisterTypeLib wrote for this version, language and system
// kind: the file entry, the language key once it holds no other system
// kind, FLAGS, HELPDIR, the version key once it holds nothing else, the
// library's key once it holds no other version, and the interface keys
// that name this library.
// Keys already gone count as removed. TYPE_E_REGISTRYACCESS when the
// registry refuses a change.
HRESULT UnRegisterTypeLib(const TypeLibDesc* ptlib, LCID lcid, SYSKIND syskind);
