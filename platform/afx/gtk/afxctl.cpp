#include "platform/afx/afxctl.h"

#include <vector>

#include "platform/afx/afxmod.h"

namespace {

const AFX_DISPMAP_ENTRY* FindBinding(const AFX_DISPMAP_ENTRY* map, int count, DISPID dispid) {
    for (int i = 0; i < count; ++i)
        if (map[i].dispid == dispid) return &map[i];
    return nullptr;
}

// Coerces one script argument to a declared parameter type.
HRESULT CoerceArg(const VARIANT& src, VARTYPE vt, DispArg* out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = VariantChangeType(&v, &src, 0, vt);
    if (FAILED(hr)) return hr;
    out->vt = vt;
    switch (vt) {
        case VT_I2:
            out->iVal = v.iVal;
            break;
        case VT_I4:
            out->lVal = v.lVal;
            break;
        case VT_BSTR:
            out->str = BstrToAnsi(v.bstrVal, SysStringLen(v.bstrVal));
            break;
        default:
            VariantClear(&v);
            return DISP_E_BADVARTYPE;
    }
    VariantClear(&v);
    return S_OK;
}

}  // namespace

// ------------------------------------------------------------ the module's objects and locks

namespace {
std::atomic<LONG> g_lockCount{0};
}  // namespace

void AfxOleLockApp() { ++g_lockCount; }

void AfxOleUnlockApp() { --g_lockCount; }

LONG AfxOleLockCount() { return g_lockCount.load(); }

// ------------------------------------------------------------ COleControl

// Each control is one of the module's live objects.
COleControl::COleControl() { AfxOleLockApp(); }

COleControl::~COleControl() {
    if (m_pClientSite != nullptr) m_pClientSite->Release();
    AfxOleUnlockApp();
}

void COleControl::OnDraw(CDC*, const CRect&, const CRect&) {}

void COleControl::DoPropExchange(CPropExchange*) {}

void COleControl::OnResetState() {
    CResetPropExchange px;
    DoPropExchange(&px);
}

HRESULT COleControl::GetClassID(CLSID* pClsid) {
    if (pClsid != nullptr) *pClsid = IID_NULL;
    return E_NOTIMPL;
}

const CLSID* COleControl::GetPropPageIDs(ULONG& cPropPages) {
    cPropPages = 0;
    return nullptr;
}

DWORD COleControl::GetMiscStatus() { return 0; }

BOOL COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert) {
    return pPX->ExchangeVersion(m_dwVersionLoaded, dwVersionDefault, bConvert);
}

HRESULT COleControl::SetClientSite(IOleClientSite* pClientSite) {
    if (pClientSite != nullptr) pClientSite->AddRef();
    IOleClientSite* old = m_pClientSite;
    m_pClientSite = pClientSite;
    if (old != nullptr) old->Release();
    return S_OK;
}

HRESULT COleControl::XOleObject::GetClientSite(IOleClientSite** ppClientSite) {
    if (ppClientSite == nullptr) return E_POINTER;
    *ppClientSite = m_pOuter->m_pClientSite;
    if (*ppClientSite != nullptr) (*ppClientSite)->AddRef();
    return S_OK;
}

void COleControl::InitializeIIDs(const IID* piidPrimary, const IID* piidEvents) {
    m_piidPrimary = piidPrimary;
    m_piidEvents = piidEvents;
}

HRESULT COleControl::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    void* itf = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (m_piidPrimary != nullptr && riid == *m_piidPrimary))
        itf = static_cast<IDispatch*>(this);
    else if (riid == IID_IOleObject)
        itf = static_cast<IOleObject*>(&m_xOleObject);
    else
        itf = GetInterfaceHook(riid);
    *ppvObject = itf;
    if (itf == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG COleControl::AddRef() { return ++m_dwRef; }

ULONG COleControl::Release() {
    ULONG n = --m_dwRef;
    if (n == 0) delete this;
    return n;
}

HRESULT COleControl::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT COleControl::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    *ppTInfo = GetStaticTypeInfo(GetDispatchDesc());
    return S_OK;
}

HRESULT COleControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return GetStaticTypeInfo(GetDispatchDesc())->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT COleControl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == nullptr) return E_INVALIDARG;
    const TypeMemberDesc* member = FindTypeMember(GetDispatchDesc(), dispIdMember);
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
    int count = 0;
    const AFX_DISPMAP_ENTRY* map = GetDispatchMap(&count);
    const AFX_DISPMAP_ENTRY* binding = FindBinding(map, count, dispIdMember);

    UINT nArgs = pDispParams->cArgs;
    bool put = false;
    if (member->kind == TypeMemberKind::Property) {
        if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (pDispParams->cNamedArgs != 1 || pDispParams->rgdispidNamedArgs == nullptr ||
                pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTOPTIONAL;
            if (nArgs != 1) return DISP_E_BADPARAMCOUNT;
            put = true;
        } else if (wFlags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
            if (pDispParams->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
            if (nArgs != 0) return DISP_E_BADPARAMCOUNT;
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
    } else {
        if ((wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
        if (pDispParams->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (nArgs != static_cast<UINT>(member->cParams)) return DISP_E_BADPARAMCOUNT;
    }
    if (binding == nullptr || (put && binding->pfnSet == nullptr)) return E_NOTIMPL;

    // Arguments arrive last first; coerce them to the declared types.
    std::vector<DispArg> args(nArgs > 0 ? nArgs : 1);
    for (UINT i = 0; i < nArgs; ++i) {
        VARTYPE vt = put ? binding->vtResult : binding->paramTypes[i];
        HRESULT hr = CoerceArg(pDispParams->rgvarg[nArgs - 1 - i], vt, &args[i]);
        if (FAILED(hr)) {
            if (puArgErr != nullptr) *puArgErr = nArgs - 1 - i;
            return hr;
        }
    }

    VARIANT result;
    VariantInit(&result);
    try {
        HRESULT hr = put ? binding->pfnSet(this, args.data()) : binding->pfnGet(this, args.data(), &result);
        if (FAILED(hr)) return hr;
    } catch (const CMemoryException&) {
        VariantClear(&result);
        if (pExcepInfo != nullptr) {
            *pExcepInfo = EXCEPINFO{};
            pExcepInfo->scode = E_OUTOFMEMORY;
        }
        return DISP_E_EXCEPTION;
    }
    if (pVarResult != nullptr) {
        VariantClear(pVarResult);
        *pVarResult = result;
    } else {
        VariantClear(&result);
    }
    return S_OK;
}

DISPID AfxCheckDispatchMap(const TypeInterfaceDesc& desc, const AFX_DISPMAP_ENTRY* map, int count) {
    for (int i = 0; i < count; ++i) {
        const AFX_DISPMAP_ENTRY& e = map[i];
        const TypeMemberDesc* m = FindTypeMember(desc, e.dispid);
        if (m == nullptr) return e.dispid;
        bool isProperty = e.pfnSet != nullptr;
        if (isProperty != (m->kind == TypeMemberKind::Property)) return e.dispid;
        if (e.vtResult != m->vt) return e.dispid;
        if (!isProperty) {
            if (e.cParams != m->cParams) return e.dispid;
            for (int p = 0; p < e.cParams; ++p)
                if (e.paramTypes[p] != m->params[p].vt) return e.dispid;
        }
    }
    return DISPID_UNKNOWN;
}
