// String resources of the module: the string table entries of the resource
// table (type RT_STRING_ID; the data is the text in the code page of its
// language, the size its length in bytes without a terminating NUL), looked
// up in the language the resource lookup picks.
#pragma once

#include "platform/afx/afxstr.h"
#include "platform/afx/afxwin.h"

#if !defined(_WIN32)  // on Windows the SDK's own
// As on Windows: copies at most cchBufferMax - 1 characters of string uID
// and a NUL into the buffer and returns the number of characters copied
// (NUL not counted). 0 when there is no such string, the buffer is null or
// cchBufferMax is below 1 (the buffer is then left as it was).
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
#define LoadString LoadStringA
#endif  // !_WIN32

// The whole of string nID, whatever its length. FALSE (and rString left as
// it was) when there is no such string.
BOOL AfxLoadString(UINT nID, CString& rString);
