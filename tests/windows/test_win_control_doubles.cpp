// TEST DOUBLES, for the COM test of the control only while the framework's
// window layer and resource strings are not in the Windows build: the few
// functions of theirs that the module's start and registration call. Drop
// this file from the test once those parts are linked.
#include <cstring>

#include "platform/afx/afxres.h"
#include "platform/afx/afxwin.h"

// Registration names its classes with these strings; the double answers
// with a fixed text for every id.
int AfxLoadString(UINT, LPSTR lpszBuf, UINT nMaxBuf) {
    static const char kText[] = "VemoMPIOCX test class";
    if (lpszBuf == nullptr || nMaxBuf < sizeof(kText)) return 0;
    std::memcpy(lpszBuf, kText, sizeof(kText));
    return static_cast<int>(sizeof(kText) - 1);
}

// The module's start installs its container manager; the double keeps it
// (never used by the test, never freed).
void AfxEnableControlContainer(COccManager*) {}
void AfxTermControlContainer() {}
