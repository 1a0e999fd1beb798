// Parameter descriptions of InvokeHelper and the event sinks through which
// the controls of a window deliver their events. Included by afxwin.h.
#pragma once

#include <tuple>
#include <utility>

#include "platform/com/com.h"

class CWnd;

// ---------------------------------------------------------------- dispatch helpers

// Parameter descriptions of InvokeHelper, one byte per parameter.
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_BSTR "\x08"  // an LPCSTR in the ANSI code page
#define VTS_DISPATCH "\x09"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"  // const VARIANT*
#define VTS_PVARIANT "\x4C"  // VARIANT*, passed by reference
#define VTS_NONE ""

// ---------------------------------------------------------------- event sinks

// Events of a control reach its container window as (control id, dispid,
// arguments in reverse order, as IDispatch::Invoke receives them). A window
// that wants them returns its sink map from GetEventSinkMap; each entry binds
// a member function whose parameter types give the expected argument types:
// IDispatch* (VT_DISPATCH), VARIANT* (VT_VARIANT by reference), BOOL*
// (VT_BOOL by reference, written back), BSTR (VT_BSTR), LONG (VT_I4).
struct AFX_EVENTSINKMAP_ENTRY {
    UINT nCtlID;
    DISPID dispid;
    BOOL (*pfnCall)(CWnd* pTarget, DISPPARAMS* pParams);  // FALSE when the arguments do not fit
};

struct AFX_EVENTSINKMAP {
    const AFX_EVENTSINKMAP_ENTRY* lpEntries;
    int nCount;
};

template <class T>
struct AfxEventParam;

template <>
struct AfxEventParam<IDispatch*> {
    IDispatch* p = nullptr;
    bool Load(VARIANTARG& a) {
        if (a.vt != VT_DISPATCH) return false;
        p = a.pdispVal;
        return true;
    }
    IDispatch* Get() { return p; }
    void Store() {}
};

template <>
struct AfxEventParam<VARIANT*> {
    VARIANT* p = nullptr;
    bool Load(VARIANTARG& a) {
        if (a.vt != (VT_VARIANT | VT_BYREF)) return false;
        p = a.pvarVal;
        return true;
    }
    VARIANT* Get() { return p; }
    void Store() {}
};

template <>
struct AfxEventParam<BOOL*> {
    BOOL value = FALSE;
    VARIANT_BOOL* p = nullptr;
    bool Load(VARIANTARG& a) {
        if (a.vt != (VT_BOOL | VT_BYREF) || a.pboolVal == nullptr) return false;
        p = a.pboolVal;
        value = *p != VARIANT_FALSE ? TRUE : FALSE;
        return true;
    }
    BOOL* Get() { return &value; }
    void Store() { *p = value ? VARIANT_TRUE : VARIANT_FALSE; }
};

template <>
struct AfxEventParam<BSTR> {
    BSTR p = nullptr;
    bool Load(VARIANTARG& a) {
        if (a.vt != VT_BSTR) return false;
        p = a.bstrVal;
        return true;
    }
    BSTR Get() { return p; }
    void Store() {}
};

template <>
struct AfxEventParam<LONG> {
    LONG v = 0;
    bool Load(VARIANTARG& a) {
        if (a.vt != VT_I4) return false;
        v = a.lVal;
        return true;
    }
    LONG Get() { return v; }
    void Store() {}
};

template <auto F>
struct AfxEventThunk;

template <class C, class... A, void (C::*F)(A...)>
struct AfxEventThunk<F> {
    static BOOL Call(CWnd* target, DISPPARAMS* dp) {
        if (dp == nullptr || dp->cArgs != sizeof...(A)) return FALSE;
        return CallWith(static_cast<C*>(target), dp, std::index_sequence_for<A...>{});
    }

private:
    template <size_t... I>
    static BOOL CallWith(C* obj, [[maybe_unused]] DISPPARAMS* dp, std::index_sequence<I...>) {
        std::tuple<AfxEventParam<A>...> params;
        bool ok = (std::get<I>(params).Load(dp->rgvarg[sizeof...(A) - 1 - I]) && ...);
        if (!ok) return FALSE;
        (obj->*F)(std::get<I>(params).Get()...);
        (std::get<I>(params).Store(), ...);
        return TRUE;
    }
};

// One entry of an event sink map, as in
//   static const AFX_EVENTSINKMAP_ENTRY entries[] = {
//       ON_EVENT(CMyDialog, 201, 259, OnDocumentComplete), ...};
#define ON_EVENT(theClass, id, dispid, memberFxn) \
    AFX_EVENTSINKMAP_ENTRY { static_cast<UINT>(id), static_cast<DISPID>(dispid), &AfxEventThunk<&theClass::memberFxn>::Call }

