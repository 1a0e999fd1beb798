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
COleObjectFactory* g_pFirstFactory = nullptr;

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

// ---------------------------------------------------------------- class factories

COleObjectFactory::COleObjectFactory(REFCLSID clsid, PFN_CREATE pfnCreate, LPCSTR lpszProgID)
    : m_clsid(clsid), m_lpszProgID(lpszProgID), m_pfnCreate(pfnCreate) {
    // Appended, so that the factories are asked in the order they were made.
    COleObjectFactory** link = &g_pFirstFactory;
    while (*link != nullptr) link = &(*link)->m_pNextFactory;
    *link = this;
}

COleObjectFactory::~COleObjectFactory() {
    for (COleObjectFactory** link = &g_pFirstFactory; *link != nullptr; link = &(*link)->m_pNextFactory) {
        if (*link == this) {
            *link = m_pNextFactory;
            break;
        }
    }
}

HRESULT COleObjectFactory::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppvObject = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG COleObjectFactory::AddRef() {
    AfxOleLockApp();
    return ++m_dwRef;
}

ULONG COleObjectFactory::Release() {
    // The factory itself is static: the last release only gives back the
    // module lock that the reference held.
    ULONG n = --m_dwRef;
    AfxOleUnlockApp();
    return n;
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    if (m_pfnCreate == nullptr) return E_UNEXPECTED;
    IUnknown* object = m_pfnCreate();
    if (object == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();  // the caller's reference, if any, keeps it
    return hr;
}

HRESULT COleObjectFactory::LockServer(BOOL fLock) {
    if (fLock) AfxOleLockApp();
    else AfxOleUnlockApp();
    return S_OK;
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister) {
    for (COleObjectFactory* f = g_pFirstFactory; f != nullptr; f = f->m_pNextFactory)
        if (!f->UpdateRegistry(bRegister)) return FALSE;
    return TRUE;
}

COleObjectFactory* COleObjectFactory::Find(REFCLSID clsid) {
    for (COleObjectFactory* f = g_pFirstFactory; f != nullptr; f = f->m_pNextFactory)
        if (f->m_clsid == clsid) return f;
    return nullptr;
}

HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    COleObjectFactory* factory = AfxModuleStarted() ? COleObjectFactory::Find(rclsid) : nullptr;
    if (factory == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
}

HRESULT AfxDllCanUnloadNow() { return AfxOleLockCount() == 0 ? S_OK : S_FALSE; }
