// The module on Windows: the module object, which starts as the module is
// loaded (the static AFX_MODULE_START runs in the process attach of the
// runtime's DllMain), the module's handle and file, and the count of live
// objects and locks behind DllCanUnloadNow.
#include "platform/afx/afxmod.h"

#include <atomic>

#include "platform/afx/afxwin.h"

namespace {

CWinApp* g_pApp = nullptr;
int g_moduleState = 0;  // 0 not started, 1 started, -1 InitInstance failed
std::atomic<LONG> g_lockCount{0};

}  // namespace

// ---------------------------------------------------------------- the module object

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName) { g_pApp = this; }

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

BOOL COleControlModule::InitInstance() { return CWinApp::InitInstance(); }

int COleControlModule::ExitInstance() {
    // The framework owns the container manager that InitInstance installed.
    AfxTermControlContainer();
    return CWinApp::ExitInstance();
}

CWinApp* AfxGetApp() { return g_pApp; }

AFX_MODULE_START::AFX_MODULE_START() {
    if (g_moduleState != 0) return;
    g_moduleState = g_pApp != nullptr && g_pApp->InitInstance() ? 1 : -1;
}

AFX_MODULE_START::~AFX_MODULE_START() {
    if (g_moduleState == 1 && g_pApp != nullptr) g_pApp->ExitInstance();
    g_moduleState = 0;
}

// Windows' own libraries stay as the system loads them: there is no
// toolkit to keep resident here.
void AfxKeepToolkitLoaded() {}

BOOL AfxModuleStarted() { return g_moduleState == 1 ? TRUE : FALSE; }

// ---------------------------------------------------------------- handle and file

// The module this code is part of (the .ocx, or the program it is linked
// into).
HINSTANCE AfxGetInstanceHandle() {
    static const HINSTANCE self = [] {
        HMODULE module = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCSTR>(&AfxGetInstanceHandle), &module))
            module = nullptr;
        return static_cast<HINSTANCE>(module);
    }();
    return self;
}

// The module's resources are its own.
HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

BOOL AfxGetModuleFileName(LPSTR lpFilename, DWORD nSize) {
    if (lpFilename == nullptr || nSize == 0) return FALSE;
    lpFilename[0] = '\0';
    HINSTANCE module = AfxGetInstanceHandle();
    if (module == nullptr) return FALSE;
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetModuleFileNameA(module, lpFilename, nSize);
    // A name that does not fit comes back cut short, and said so.
    if (n == 0 || n >= nSize || GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        lpFilename[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- objects and locks

void AfxOleLockApp() { ++g_lockCount; }

void AfxOleUnlockApp() { --g_lockCount; }

LONG AfxOleLockCount() { return g_lockCount.load(); }
