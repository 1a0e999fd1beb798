// OLE embedding: the client site through which a container hosts a control,
// and monikers, the names a container gives the documents it holds (for a
// web page, its address).
#pragma once

#include "platform/com/com.h"

extern const IID IID_IOleClientSite;
extern const IID IID_IMoniker;
extern const IID IID_IOleObject;

// IOleClientSite::GetMoniker
#define OLEGETMONIKER_ONLYIFTHERE 1
#define OLEGETMONIKER_FORCEASSIGN 2
#define OLEGETMONIKER_UNASSIGN 3
#define OLEGETMONIKER_TEMPFORUSER 4
#define OLEWHICHMK_CONTAINER 1
#define OLEWHICHMK_OBJREL 2
#define OLEWHICHMK_OBJFULL 3

#define MK_E_UNAVAILABLE ((HRESULT)0x800401E3L)
#define MK_E_NOTBINDABLE ((HRESULT)0x800401E8L)

struct IBindCtx;
struct IOleContainer;

// The part of IMoniker that names a document for display.
struct IMoniker : IUnknown {
    // The name, allocated with CoTaskMemAlloc; the caller frees it with
    // CoTaskMemFree. Both the bind context and the left moniker may be null.
    virtual HRESULT GetDisplayName(IBindCtx* pbc, IMoniker* pmkToLeft, LPOLESTR* ppszDisplayName) = 0;

protected:
    ~IMoniker() = default;
};

struct IOleClientSite : IUnknown {
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
    virtual HRESULT GetContainer(IOleContainer** ppContainer) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL fShow) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;

protected:
    ~IOleClientSite() = default;
};

// The part of IOleObject through which a container sites an embedded object:
// its first two operations, in slot order.
struct IOleObject : IUnknown {
    virtual HRESULT SetClientSite(IOleClientSite* pClientSite) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** ppClientSite) = 0;

protected:
    ~IOleObject() = default;
};

// A moniker whose display name is the given address, as the browser names
// the page a control sits in. Only an absolute address is supported: the
// context moniker must be null (E_INVALIDARG otherwise).
HRESULT CreateURLMoniker(IMoniker* pmkContext, LPCWSTR szURL, IMoniker** ppmk);
