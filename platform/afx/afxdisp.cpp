// The dispatch side of COleControl that both platforms share: a call
// through IDispatch::Invoke checked against the interface description,
// its arguments coerced to the declared types, and run through the
// control's dispatch map.
#include <vector>

#include "platform/afx/afxctl.h"
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
    // The SDK declares the source without const; it is only read.
    HRESULT hr = VariantChangeType(&v, const_cast<VARIANT*>(&src), 0, vt);
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
