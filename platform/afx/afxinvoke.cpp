// Calls into a contained control: InvokeHelper's parameter descriptions
// (VTS_*) to IDispatch::Invoke's arguments, and its result back to the
// caller's type. The same on every platform.
#include <algorithm>
#include <cstdarg>
#include <vector>

#include "platform/afx/afxwin.h"

void COleControlSite::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                                    va_list argList) {
    std::vector<VARIANTARG> args;
    std::vector<BSTR> temporaries;
    const BYTE* p = pbParamInfo != nullptr ? pbParamInfo : reinterpret_cast<const BYTE*>("");
    for (; *p != 0; ++p) {
        VARIANTARG v;
        VariantInit(&v);
        switch (*p) {
            case 0x02:
                v.vt = VT_I2;
                v.iVal = static_cast<SHORT>(va_arg(argList, int));
                break;
            case 0x03:
                v.vt = VT_I4;
                v.lVal = va_arg(argList, LONG);
                break;
            case 0x08: {
                v.vt = VT_BSTR;
                v.bstrVal = AnsiToBstr(va_arg(argList, LPCSTR));
                temporaries.push_back(v.bstrVal);
                break;
            }
            case 0x09:
                v.vt = VT_DISPATCH;
                v.pdispVal = va_arg(argList, IDispatch*);
                break;
            case 0x0B:
                v.vt = VT_BOOL;
                v.boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case 0x0C:
                v = *va_arg(argList, const VARIANT*);
                break;
            case 0x4C:
                v.vt = VT_VARIANT | VT_BYREF;
                v.pvarVal = va_arg(argList, VARIANT*);
                break;
            default:
                OutputDebugStringA("[COleControlSite::InvokeHelperV] unsupported parameter type");
                break;
        }
        args.push_back(v);
    }
    std::reverse(args.begin(), args.end());
    DISPPARAMS dp{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        dp.rgdispidNamedArgs = &put;
        dp.cNamedArgs = 1;
    }
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = m_pObject != nullptr
                     ? m_pObject->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                         vtRet != VT_EMPTY ? &result : nullptr, nullptr, nullptr)
                     : E_UNEXPECTED;
    for (BSTR b : temporaries) SysFreeString(b);
    if (FAILED(hr)) OutputDebugStringA("[COleControlSite::InvokeHelperV] the control refused the call");
    if (pvRet == nullptr) {
        VariantClear(&result);
        return;
    }
    switch (vtRet) {
        case VT_DISPATCH:
            *static_cast<IDispatch**>(pvRet) = SUCCEEDED(hr) && result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
            if (!(SUCCEEDED(hr) && result.vt == VT_DISPATCH)) VariantClear(&result);
            return;  // the caller releases the interface
        case VT_BSTR:
            *static_cast<CString*>(pvRet) =
                SUCCEEDED(hr) && result.vt == VT_BSTR ? BstrToAnsi(result.bstrVal, SysStringLen(result.bstrVal)).c_str()
                                                       : "";
            break;
        case VT_I4:
            *static_cast<LONG*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_I4 ? result.lVal : 0;
            break;
        case VT_BOOL:
            *static_cast<BOOL*>(pvRet) = SUCCEEDED(hr) && result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
            break;
        default:
            break;
    }
    VariantClear(&result);
}
