#include "tests/support/dispatch.h"

namespace script {

namespace {

VARIANT ToVariant(const Arg& a) {
    VARIANT v;
    VariantInit(&v);
    if (a.isText) {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(a.text.data(), static_cast<UINT>(a.text.size()));
    } else {
        v.vt = VT_I4;
        v.lVal = a.number;
    }
    return v;
}

}  // namespace

DISPID IdOf(IDispatch* d, const char16_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

Result Call(IDispatch* d, const char16_t* name, const std::vector<Arg>& args, WORD flags) {
    Result r;
    DISPID id = IdOf(d, name);
    if (id == DISPID_UNKNOWN) {
        r.hr = DISP_E_UNKNOWNNAME;
        return r;
    }
    std::vector<VARIANT> v;
    for (auto it = args.rbegin(); it != args.rend(); ++it) v.push_back(ToVariant(*it));
    DISPPARAMS params{v.empty() ? nullptr : v.data(), nullptr, static_cast<UINT>(v.size()), 0};
    r.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &r.value, &r.excep, &r.argErr);
    for (auto& x : v) VariantClear(&x);
    return r;
}

Result Get(IDispatch* d, const char16_t* name) { return Call(d, name, {}, DISPATCH_PROPERTYGET); }

HRESULT Put(IDispatch* d, const char16_t* name, const Arg& value) {
    DISPID id = IdOf(d, name);
    if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    VARIANT v = ToVariant(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&v, &named, 1, 1};
    HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    VariantClear(&v);
    return hr;
}

}  // namespace script
