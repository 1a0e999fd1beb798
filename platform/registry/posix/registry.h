// The registry, kept in one text file in the format of the Windows registry
// editor (.reg). The file is named by VEMOMPI_REGISTRY; without it the
// registry lives in "vemompi/registry.reg" under the user's configuration
// directory (XDG_CONFIG_HOME, or ~/.config).
//
// Every call reads the file afresh, so that several processes share one
// registry. Changes are written as a whole new file that replaces the old
// one in one step, under a lock file beside it ("<file>.lock", there only
// while a change is written), so a reader always sees either the old or the
// new file and concurrent writers never lose each other's changes.
//
// A key may be opened for writing (KEY_SET_VALUE, KEY_CREATE_SUB_KEY and the
// other write rights, all of them part of KEY_ALL_ACCESS) only when the file
// may be written: a registry file without write permission stands for a
// registry that the process may read but not change, and such an open
// answers ERROR_ACCESS_DENIED.
//
// The user's Internet settings key
//   HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings
// always exists. When the file
// gives none of its proxy values ("ProxyEnable", "ProxyServer",
// "AutoConfigURL"), the proxy environment stands for them: "ProxyEnable" is
// 1 when http_proxy or https_proxy (or their upper-case forms) is set, 0
// otherwise, and "ProxyServer" is "http=host:port;https=host:port" for the
// variables that are set. These values are read-only views; they are never
// written to the file.
#pragma once

#include "platform/win/win.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef DWORD ACCESS_MASK;

// The predefined keys (their values are the Windows ones).
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))

// Access rights.
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE KEY_READ
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

// RegCreateKeyExA options and dispositions.
#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_CREATED_NEW_KEY 0x0001
#define REG_OPENED_EXISTING_KEY 0x0002

// Key names are compared without regard to the case of ASCII letters and
// keep the case they were created with. Texts cross the calls in the ANSI
// code page; the file holds UTF-8.

// ERROR_FILE_NOT_FOUND when the key does not exist, ERROR_ACCESS_DENIED when
// write rights are asked of a registry that may not be written,
// ERROR_REGISTRY_CORRUPT when the file cannot be read as a registry file.
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// Opens the key, creating it and any missing keys above it first.
// lpClass and lpSecurityAttributes are accepted and ignored.
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     const void* lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition);

LONG RegCloseKey(HKEY hKey);

// Windows' size rules: with lpData null the size needed goes to *lpcbData;
// a buffer smaller than the value gives ERROR_MORE_DATA with the size
// needed in *lpcbData and the buffer left as it was. Texts (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) come back in the ANSI code page, their size
// counting the terminating NUL. A null or empty name is the default value.
// ERROR_FILE_NOT_FOUND when the value does not exist, ERROR_KEY_DELETED when
// the key was deleted after it was opened.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData);

// REG_SZ and REG_EXPAND_SZ data end at their first NUL; REG_DWORD takes
// exactly 4 bytes.
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);

// (A name of this layer's own.) The path of the file that holds the
// registry, as the calls use it now: VEMOMPI_REGISTRY, or the default under
// the user's configuration directory. Returns its length; the path and its
// NUL are copied only when nSize holds them. 0 when there is no place for
// a registry.
DWORD RegGetRegistryFileA(LPSTR lpBuffer, DWORD nSize);

// Deletes the key with all its subkeys and values; with lpSubKey null, the
// subkeys and values of hKey itself (the key stays).
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);
