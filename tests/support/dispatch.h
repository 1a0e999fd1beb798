// Calls a dispatch interface by name, as page script does: names through
// GetIDsOfNames, arguments as VARIANTs in reverse order, results as VARIANTs.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com.h"

namespace script {

// An argument as script would pass it: text (VT_BSTR), a number (VT_I4).
struct Arg {
    Arg(const char16_t* s) : text(s), isText(true) {}  // NOLINT
    Arg(const std::u16string& s) : text(s), isText(true) {}  // NOLINT
    Arg(int n) : number(n) {}  // NOLINT
    std::u16string text;
    int number = 0;
    bool isText = false;
};

struct Result {
    HRESULT hr = S_OK;
    VARIANT value{};
    EXCEPINFO excep{};
    UINT argErr = 0;
    Result() { VariantInit(&value); }
    ~Result() { VariantClear(&value); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    Result(Result&& o) noexcept : hr(o.hr), value(o.value), excep(o.excep), argErr(o.argErr) { VariantInit(&o.value); }
    LONG Long() const { return value.vt == VT_I4 ? value.lVal : value.vt == VT_I2 ? value.iVal : -999999; }
    std::u16string Text() const {
        return value.vt == VT_BSTR ? std::u16string(value.bstrVal, SysStringLen(value.bstrVal)) : u"<not text>";
    }
};

DISPID IdOf(IDispatch* d, const char16_t* name);
Result Call(IDispatch* d, const char16_t* name, const std::vector<Arg>& args = {}, WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);
Result Get(IDispatch* d, const char16_t* name);
HRESULT Put(IDispatch* d, const char16_t* name, const Arg& value);

}  // namespace script
