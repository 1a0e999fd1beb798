// COleControl and its dispatch map: the part of the ActiveX control
// framework that makes a control's methods and properties reachable through
// IDispatch, by name (through the type information) and by dispid.
#pragma once

#include <atomic>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/afx/afxpx.h"
#include "platform/afx/afxstr.h"
#include "platform/com/ole.h"
#include "platform/com/typeinfo.h"

// One argument after coercion to the declared parameter type. Strings have
// already been converted from UTF-16 to the ANSI code page.
struct DispArg {
    VARTYPE vt = VT_EMPTY;
    SHORT iVal = 0;
    LONG lVal = 0;
    std::string str;
};

class COleControl;
class COleControlOle;
class CDC;
class CRect;

struct AFX_DISPMAP_ENTRY {
    DISPID dispid;
    // Method call, or property get.
    HRESULT (*pfnGet)(COleControl* self, DispArg* args, VARIANT* result);
    // Property put; null for methods.
    HRESULT (*pfnSet)(COleControl* self, DispArg* value);
    const VARTYPE* paramTypes;
    int cParams;
    VARTYPE vtResult;  // result of a method (VT_EMPTY for none), type of a property
};

// ---------------------------------------------------------------- argument and result types

template <class T>
struct DispType;

template <>
struct DispType<SHORT> {
    static constexpr VARTYPE vt = VT_I2;
    static SHORT From(DispArg& a) { return a.iVal; }
    static void Store(VARIANT* v, SHORT x) { v->vt = VT_I2, v->iVal = x; }
};

template <>
struct DispType<LONG> {
    static constexpr VARTYPE vt = VT_I4;
    static LONG From(DispArg& a) { return a.lVal; }
    static void Store(VARIANT* v, LONG x) { v->vt = VT_I4, v->lVal = x; }
};

template <>
struct DispType<LPCSTR> {
    static constexpr VARTYPE vt = VT_BSTR;
    static LPCSTR From(DispArg& a) { return a.str.c_str(); }
};

template <>
struct DispType<BSTR> {
    static constexpr VARTYPE vt = VT_BSTR;
    static void Store(VARIANT* v, BSTR x) { v->vt = VT_BSTR, v->bstrVal = x; }
};

template <>
struct DispType<void> {
    static constexpr VARTYPE vt = VT_EMPTY;
};

// ---------------------------------------------------------------- thunks

template <auto F>
struct DispMethod;

template <class C, class R, class... A, R (C::*F)(A...)>
struct DispMethod<F> {
    static constexpr VARTYPE params[sizeof...(A) + 1] = {DispType<A>::vt..., VT_EMPTY};

    static HRESULT Call(COleControl* self, DispArg* args, VARIANT* result) {
        return CallWith(static_cast<C*>(self), args, result, std::index_sequence_for<A...>{});
    }

private:
    template <size_t... I>
    static HRESULT CallWith(C* obj, [[maybe_unused]] DispArg* args, VARIANT* result, std::index_sequence<I...>) {
        if constexpr (std::is_void_v<R>) {
            (obj->*F)(DispType<A>::From(args[I])...);
        } else {
            R r = (obj->*F)(DispType<A>::From(args[I])...);
            DispType<R>::Store(result, r);
        }
        return S_OK;
    }
};

template <auto Member, auto Notify>
struct DispPropertyNotify;

template <class C, CString C::*M, void (C::*N)()>
struct DispPropertyNotify<M, N> {
    static HRESULT Get(COleControl* self, DispArg*, VARIANT* result) {
        BSTR b = (static_cast<C*>(self)->*M).AllocSysString();
        result->vt = VT_BSTR;
        result->bstrVal = b;
        return S_OK;
    }
    static HRESULT Set(COleControl* self, DispArg* value) {
        C* obj = static_cast<C*>(self);
        (obj->*M) = value->str.c_str();
        (obj->*N)();
        return S_OK;
    }
};

#define DISP_FUNCTION(dispid, fn) \
    AFX_DISPMAP_ENTRY { dispid, &DispMethod<fn>::Call, nullptr, DispMethod<fn>::params, static_cast<int>(sizeof(DispMethod<fn>::params) / sizeof(VARTYPE)) - 1, DispType<typename AfxResultOf<decltype(fn)>::type>::vt }
#define DISP_PROPERTY_NOTIFY(dispid, member, notify) \
    AFX_DISPMAP_ENTRY { dispid, &DispPropertyNotify<member, notify>::Get, &DispPropertyNotify<member, notify>::Set, nullptr, 0, VT_BSTR }

template <class T>
struct AfxResultOf;
template <class C, class R, class... A>
struct AfxResultOf<R (C::*)(A...)> {
    using type = R;
};

// ---------------------------------------------------------------- the control

class COleControl : public IDispatch {
public:
    COleControl();
    virtual ~COleControl();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    BOOL IsModified() const { return m_bModified; }

    // The container's site for this control, as IOleObject::SetClientSite
    // gives it: the control keeps a reference to the new site and releases
    // the old one; null takes the control out of its container.
    HRESULT SetClientSite(IOleClientSite* pClientSite);
    // The site, or null when the control is not hosted in a container. No
    // reference is added for the caller.
    IOleClientSite* GetClientSite() const { return m_pClientSite; }

    // ------------------------------------------------------------ framework operations
    // Paints the control into rcBounds of the device context (the base
    // paints nothing).
    virtual void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid);
    // Exchanges the persistent properties (the base has none of its own).
    virtual void DoPropExchange(CPropExchange* pPX);
    // Gives every persistent property its default: DoPropExchange with a
    // reset exchange.
    virtual void OnResetState();
    // The control's class identifier (E_NOTIMPL in the base).
    virtual HRESULT GetClassID(CLSID* pClsid);
    // The class identifiers of the control's property pages, cPropPages of
    // them (none in the base).
    virtual const CLSID* GetPropPageIDs(ULONG& cPropPages);
    // The OLEMISC_* status bits of the control (0 in the base).
    virtual DWORD GetMiscStatus();
    // The version stamp loaded by the last exchange.
    DWORD GetVersionLoaded() const { return m_dwVersionLoaded; }

protected:
    BOOL ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert = TRUE);

    void InitializeIIDs(const IID* piidPrimary, const IID* piidEvents);

    // The control's dispatch interface description and its bindings.
    virtual const TypeInterfaceDesc& GetDispatchDesc() const = 0;
    virtual const AFX_DISPMAP_ENTRY* GetDispatchMap(int* pCount) const = 0;
    // Further interfaces of the derived control; null when it has none.
    virtual void* GetInterfaceHook(REFIID) { return nullptr; }

private:
#if defined(_WIN32)
    // The OLE interfaces of an in-process control (platform/afx/win32/):
    // embedding, in-place activation, drawing, persistence, class
    // information, connection points and property pages. Their identity and
    // reference count are the control's.
    friend class COleControlOle;
    COleControlOle* m_pOle = nullptr;
#else
    // IOleObject, as far as a container needs it to site the control; its
    // identity and reference count are the control's.
    class XOleObject final : public IOleObject {
    public:
        explicit XOleObject(COleControl* outer) : m_pOuter(outer) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override { return m_pOuter->QueryInterface(riid, ppvObject); }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_pOuter->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_pOuter->Release(); }
        HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override { return m_pOuter->SetClientSite(pClientSite); }
        HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;

    private:
        COleControl* m_pOuter;
    };

    XOleObject m_xOleObject{this};
#endif
    std::atomic<ULONG> m_dwRef{1};
    BOOL m_bModified = FALSE;
    IOleClientSite* m_pClientSite = nullptr;
    const IID* m_piidPrimary = nullptr;
    const IID* m_piidEvents = nullptr;
    DWORD m_dwVersionLoaded = 0;
};

#if !defined(_WIN32)
// Miscellaneous status bits (IOleObject::GetMiscStatus).
#define OLEMISC_RECOMPOSEONRESIZE 0x00000001
#define OLEMISC_CANTLINKINSIDE 0x00000010
#define OLEMISC_INSIDEOUT 0x00000080
#define OLEMISC_ACTIVATEWHENVISIBLE 0x00000100
#define OLEMISC_SETCLIENTSITEFIRST 0x00020000
#endif

// Checks that every binding of a dispatch map agrees with the description:
// the member exists, its kind, parameter types and result type match.
// Returns the dispid of the first disagreement, or DISPID_UNKNOWN when none.
DISPID AfxCheckDispatchMap(const TypeInterfaceDesc& desc, const AFX_DISPMAP_ENTRY* map, int count);
