// IObjectSafety: how a container asks a control whether it is safe for
// scripting by untrusted callers and for initialisation from untrusted data.
#pragma once

#include "platform/com/com.h"

#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

#define INTERFACESAFE_FOR_UNTRUSTED_CALLER 0x00000001
#define INTERFACESAFE_FOR_UNTRUSTED_DATA 0x00000002
#define INTERFACE_USES_DISPEX 0x00000004
#define INTERFACE_USES_SECURITY_MANAGER 0x00000008

extern const IID IID_IObjectSafety;

struct IObjectSafety : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                                DWORD* pdwEnabledOptions) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask,
                                                                DWORD dwEnabledOptions) = 0;

protected:
    ~IObjectSafety() = default;
};
