// The container's side of COM activation for in-process servers: a ProgID
// names a class identifier (HKEY_CLASSES_ROOT\<ProgID>\CLSID), the class
// identifier names a module (HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32),
// the module is loaded and its DllGetClassObject gives the class factory.
// A loaded module stays loaded until CoFreeUnusedLibraries finds that its
// DllCanUnloadNow answers S_OK.
#pragma once

#include "platform/com/com.h"

#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif
#ifndef STDAPI
#define STDAPI extern "C" HRESULT STDMETHODCALLTYPE
#endif

typedef CLSID* LPCLSID;

// Execution contexts.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)

// The exports of an in-process server.
typedef HRESULT(STDMETHODCALLTYPE* LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDMETHODCALLTYPE* LPFNCANUNLOADNOW)();
typedef HRESULT(STDMETHODCALLTYPE* LPFNREGISTERSERVER)();

// CO_E_CLASSSTRING when the ProgID is not registered or names no valid
// class identifier.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);

// Only CLSCTX_INPROC_SERVER is served (REGDB_E_CLASSNOTREG for the other
// contexts, and for a class without an InprocServer32 entry);
// CO_E_DLLNOTFOUND when the module cannot be loaded, CO_E_ERRORINDLL when it
// has no DllGetClassObject; otherwise what DllGetClassObject answers.
// pServerInfo must be null.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pServerInfo, REFIID riid, LPVOID* ppv);

// CoGetClassObject for IClassFactory, then IClassFactory::CreateInstance.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

// Unloads every module loaded by CoGetClassObject whose DllCanUnloadNow
// answers S_OK. A module without DllCanUnloadNow stays.
void CoFreeUnusedLibraries();

// Test support: whether CoGetClassObject holds the module of this file
// loaded (the path as InprocServer32 gives it).
BOOL CoIsModuleLoaded(LPCSTR lpszModulePath);
