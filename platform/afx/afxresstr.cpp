// The string resources over the resource table (the Linux module; on
// Windows platform/afx/win32/afxres_win32.cpp reads the real string table).
#include "platform/afx/afxresstr.h"

#include <cstring>

#include "platform/afx/afxres.h"

namespace {

// The text of string nID and its length, or null.
const char* FindString(UINT nID, size_t* pLength) {
    if (nID > 0xFFFF) return nullptr;
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_STRING_ID, static_cast<WORD>(nID));
    if (res == nullptr || res->data == nullptr) return nullptr;
    const char* text = static_cast<const char*>(res->data);
    // A string table holds no NUL inside its texts: stop at the first one.
    *pLength = strnlen(text, res->size);
    return text;
}

}  // namespace

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax < 1) return 0;
    size_t length = 0;
    const char* text = FindString(uID, &length);
    if (text == nullptr) return 0;
    size_t room = static_cast<size_t>(cchBufferMax) - 1;
    size_t copied = length < room ? length : room;
    std::memcpy(lpBuffer, text, copied);
    lpBuffer[copied] = '\0';
    return static_cast<int>(copied);
}

BOOL AfxLoadString(UINT nID, CString& rString) {
    size_t length = 0;
    const char* text = FindString(nID, &length);
    if (text == nullptr) return FALSE;
    rString = CString(text, static_cast<int>(length));
    return TRUE;
}

int AfxLoadString(UINT nIDS, LPSTR lpszBuf, UINT nMaxBuf) {
    if (lpszBuf == nullptr || nMaxBuf == 0) return 0;
    lpszBuf[0] = '\0';
    if (nIDS > 0xFFFF) return 0;
    const AFX_RESOURCE_ENTRY* res = AfxFindModuleResource(RT_STRING_ID, static_cast<WORD>(nIDS));
    if (res == nullptr || res->data == nullptr) return 0;
    size_t len = std::strlen(static_cast<const char*>(res->data));
    if (len > nMaxBuf - 1) len = nMaxBuf - 1;
    std::memcpy(lpszBuf, res->data, len);
    lpszBuf[len] = '\0';
    return static_cast<int>(len);
}
