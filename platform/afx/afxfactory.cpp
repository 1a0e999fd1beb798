// The module's class factories, the same on both platforms: each joins
// the module's list as it is made; DllGetClassObject finds them there.
#include "platform/afx/afxmod.h"

namespace {

COleObjectFactory* g_pFirstFactory = nullptr;

}  // namespace

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
