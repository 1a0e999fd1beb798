// Resources of the module: dialog templates (as data, in dialog units), icons
// and the lookup that picks the Korean or the English version of a resource
// the way Windows does for the system language.
#pragma once

#include <cstddef>

#include "platform/win/win.h"

#if !defined(_WIN32)  // the SDK's on Windows
#define MAKEINTRESOURCEA(i) ((LPCSTR)(ULONG_PTR)((WORD)(i)))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)
#endif  // !_WIN32

// Resource types (the numeric ids Windows uses).
#define RT_BITMAP_ID 2
#define RT_ICON_ID 3
#define RT_DIALOG_ID 5
#define RT_STRING_ID 6
#define RT_GROUP_ICON_ID 14
// Windows keeps a type library as a resource of the custom type "TYPELIB";
// the table keys types by number, so it has one of its own here.
#define RT_TYPELIB_ID 0x7F01

// Window styles used by templates and windows.
#if !defined(_WIN32)  // the SDK's on Windows
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CENTER 0x0800L
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_ICON 0x00000003L
#define SS_CENTERIMAGE 0x00000200L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_OWNERDRAW 0x0000000BL
#endif  // !_WIN32

// One item of a dialog template. windowClass is a predefined class name
// ("BUTTON", "STATIC") or, for an ActiveX control, its class id in braces.
struct AFX_DLGITEMTEMPLATE {
    WORD id;
    LPCSTR windowClass;
    LPCSTR text;  // in the code page of the template's language
    DWORD style;
    SHORT x, y, cx, cy;  // dialog units
};

// A dialog template. x, y, cx and cy are dialog units; cx and cy give the
// client area. pointSize and faceName name the dialog font ("System").
struct AFX_DLGTEMPLATE {
    DWORD style;
    DWORD exStyle;
    SHORT x, y, cx, cy;
    LPCSTR caption;  // in the code page of the template's language
    WORD pointSize;
    LPCSTR faceName;
    const AFX_DLGITEMTEMPLATE* items;
    int cItems;
};

// One entry of the module's resource table.
struct AFX_RESOURCE_ENTRY {
    WORD type;  // RT_*_ID
    WORD id;
    LANGID lang;
    const void* data;  // AFX_DLGTEMPLATE for dialogs; the file bytes for icons and bitmaps
    size_t size;
};

// The module's resource table, compiled from resources/.
extern const AFX_RESOURCE_ENTRY g_afxModuleResources[];
extern const int g_afxModuleResourceCount;

// Finds a resource by type and id in the module's table, preferring the
// system language (Korean when the system language id is 1042), then US
// English, then any language. Null when there is none.
const AFX_RESOURCE_ENTRY* AfxFindModuleResource(WORD type, WORD id);

// Dialog units of a template to pixels: x * baseX / 4 and y * baseY / 8,
// with the base units of the template's font (8 by 16 for "System", 6 by
// 13 for 8-point "MS Sans Serif").
void AfxDialogBaseUnits(const AFX_DLGTEMPLATE* tmpl, int* baseX, int* baseY);
int AfxDluToPixelsX(const AFX_DLGTEMPLATE* tmpl, int dlu);
int AfxDluToPixelsY(const AFX_DLGTEMPLATE* tmpl, int dlu);

// A string of the module's string table (entries of type RT_STRING_ID whose
// data is the NUL-terminated text in the code page of its language), copied
// into lpszBuf with at most nMaxBuf - 1 characters and a NUL. Returns the
// number of characters copied, 0 when there is no such string (the buffer
// then holds the empty text when it has room for it).
int AfxLoadString(UINT nIDS, LPSTR lpszBuf, UINT nMaxBuf = 256);
