// The framework's string resources on Windows: the module's real string
// table (afxresload.h), with the buffer contracts of the Linux forms.
#include <cstring>
#include <string>

#include "platform/afx/afxres.h"
#include "platform/afx/afxresstr.h"
#include "platform/afx/win32/afxresload.h"

int AfxLoadString(UINT nIDS, LPSTR lpszBuf, UINT nMaxBuf) {
    if (lpszBuf == nullptr || nMaxBuf == 0) return 0;
    lpszBuf[0] = '\0';
    std::string text;
    if (!AfxLoadResourceString(AfxResourceModule(), nIDS, &text)) return 0;
    size_t length = text.size() < nMaxBuf - 1 ? text.size() : nMaxBuf - 1;
    std::memcpy(lpszBuf, text.data(), length);
    lpszBuf[length] = '\0';
    return static_cast<int>(length);
}

BOOL AfxLoadString(UINT nID, CString& rString) {
    std::string text;
    if (!AfxLoadResourceString(AfxResourceModule(), nID, &text)) return FALSE;
    rString = CString(text.data(), static_cast<int>(text.size()));
    return TRUE;
}
