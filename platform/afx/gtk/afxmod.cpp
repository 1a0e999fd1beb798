#include "platform/afx/afxmod.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

#include "platform/afx/afxwin.h"

namespace {

CWinApp* g_pApp = nullptr;
int g_moduleState = 0;  // 0 not started, 1 started, -1 InitInstance failed

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
    AfxKeepToolkitLoaded();
    g_moduleState = g_pApp != nullptr && g_pApp->InitInstance() ? 1 : -1;
}

AFX_MODULE_START::~AFX_MODULE_START() {
    if (g_moduleState == 1 && g_pApp != nullptr) g_pApp->ExitInstance();
    g_moduleState = 0;
}

BOOL AfxModuleStarted() { return g_moduleState == 1 ? TRUE : FALSE; }

BOOL AfxGetModuleFileName(LPSTR lpFilename, DWORD nSize) {
    if (lpFilename == nullptr || nSize == 0) return FALSE;
    lpFilename[0] = '\0';
    Dl_info info{};
    // Any address inside this code names the file it was loaded from.
    if (dladdr(reinterpret_cast<void*>(&AfxGetModuleFileName), &info) == 0 || info.dli_fname == nullptr ||
        info.dli_fname[0] == '\0')
        return FALSE;
    char resolved[PATH_MAX];
    const char* name = info.dli_fname;
    // The main program is named as it was started; /proc knows its file.
    if (std::strchr(name, '/') == nullptr || realpath(name, resolved) == nullptr) {
        ssize_t n = readlink("/proc/self/exe", resolved, sizeof(resolved) - 1);
        if (std::strchr(name, '/') != nullptr || n <= 0) return FALSE;
        resolved[n] = '\0';
    }
    size_t len = std::strlen(resolved);
    if (len + 1 > nSize) return FALSE;
    std::memcpy(lpFilename, resolved, len + 1);
    return TRUE;
}
