// The module part of the ActiveX control framework: the module object
// (COleControlModule), the class factories that make the module's objects
// (COleObjectFactory), the count of live objects and locks behind
// DllCanUnloadNow, and the self-registration helpers that write the
// registry entries of a control class, a property page class and the
// module's type library.
#pragma once

#include <atomic>

#include "platform/afx/afxres.h"
#include "platform/com/com.h"

#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif
#ifndef STDAPI
#define STDAPI extern "C" HRESULT STDMETHODCALLTYPE
#endif

typedef struct HINSTANCE__* HINSTANCE;

// ---------------------------------------------------------------- the module object

class CWinApp {
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    LPCSTR m_pszAppName;
};

// The module object of a control module. Its InitInstance runs once, when
// the module is loaded (AfxModuleStart), and ExitInstance when it is
// unloaded.
class COleControlModule : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};

// The module's module object (the one constructed last), or null.
CWinApp* AfxGetApp();

// Starts the module: runs the module object's InitInstance once and keeps
// its result; a module object whose InitInstance failed refuses every class
// object. Defined as a static object right after the module object, so that
// it runs as the module is loaded, as the process attach of DllMain does.
struct AFX_MODULE_START {
    AFX_MODULE_START();
    ~AFX_MODULE_START();
    AFX_MODULE_START(const AFX_MODULE_START&) = delete;
    AFX_MODULE_START& operator=(const AFX_MODULE_START&) = delete;
};
// Marks the toolkit libraries (GTK, WebKitGTK) resident: unloading the
// module leaves them loaded. AFX_MODULE_START does it first.
void AfxKeepToolkitLoaded();
// Whether the module started (InitInstance answered TRUE).
BOOL AfxModuleStarted();

// The absolute path of the file this code was loaded from (the shared
// library of the module, or the program it is linked into). FALSE when it
// cannot be told or does not fit.
BOOL AfxGetModuleFileName(LPSTR lpFilename, DWORD nSize);

// ---------------------------------------------------------------- objects and locks

// The module's count of live objects and server locks. Every COM object of
// the module (and every outside reference to a class factory) holds one.
void AfxOleLockApp();
void AfxOleUnlockApp();
LONG AfxOleLockCount();

// ---------------------------------------------------------------- class factories

// One class of the module: its class identifier, ProgID and the function
// that makes a new object. Factories exist once per process as static
// objects; each joins the module's list when constructed.
class COleObjectFactory : public IClassFactory {
public:
    typedef IUnknown* (*PFN_CREATE)();
    COleObjectFactory(REFCLSID clsid, PFN_CREATE pfnCreate, LPCSTR lpszProgID);
    virtual ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    // IUnknown: references from outside count as module locks.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

    // Writes (TRUE) or removes (FALSE) the class's registry entries.
    virtual BOOL UpdateRegistry(BOOL bRegister) = 0;
    // Every factory of the module in turn; FALSE at the first that fails.
    static BOOL UpdateRegistryAll(BOOL bRegister);
    static COleObjectFactory* Find(REFCLSID clsid);

    REFCLSID GetClassID() const { return m_clsid; }
    LPCSTR GetProgID() const { return m_lpszProgID; }

    CLSID m_clsid;
    LPCSTR m_lpszProgID;

protected:
    PFN_CREATE m_pfnCreate;

private:
    COleObjectFactory* m_pNextFactory = nullptr;
    std::atomic<ULONG> m_dwRef{0};
};

// The framework's DllGetClassObject and DllCanUnloadNow for the module's
// factories: CLASS_E_CLASSNOTAVAILABLE for a class the module does not
// make; S_OK from AfxDllCanUnloadNow only while no object, lock or
// reference to a factory is alive.
HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
HRESULT AfxDllCanUnloadNow();

// ---------------------------------------------------------------- registration

// Flags of AfxOleRegisterControlClass.
#define afxRegInsertable 0x0001
#define afxRegApartmentThreading 0x0002
#define afxRegFreeThreading 0x0004

// Each answers TRUE when the entries were written (or removed). Entries that
// already hold the values to be written are left as they are; entries that
// are already gone count as removed.
BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID, UINT idTypeName,
                                UINT idBitmap, int nRegFlags, DWORD dwMiscStatus, REFGUID tlid, WORD wVerMajor,
                                WORD wVerMinor);
BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName);
// Removes the class's key and, when it names this class, its ProgID's key.
BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID);
// Registers the type library held as resource TYPELIB 1 of the module, with
// pszFileName (the module itself when null) as its file and pszHelpDir
// (none when null) as its help directory. FALSE when the module holds no
// type library with the identifier tlid.
BOOL AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, LPCSTR pszFileName = nullptr,
                           LPCSTR pszHelpDir = nullptr);
BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid = 0);
