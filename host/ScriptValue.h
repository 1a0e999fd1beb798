// A script value as it crosses between page script and a control: the few
// kinds the control's interface knows, texts in UTF-8 on the script side
// and as BSTRs (UTF-16) on the control's side.
#pragma once

#include <string>

#include "platform/com/com.h"

namespace host {

struct ScriptValue {
    enum class Kind { Undefined, Null, Boolean, Number, String };
    Kind kind = Kind::Undefined;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8

    static ScriptValue Str(std::string s) {
        ScriptValue v;
        v.kind = Kind::String;
        v.text = std::move(s);
        return v;
    }
    static ScriptValue Num(double n) {
        ScriptValue v;
        v.kind = Kind::Number;
        v.number = n;
        return v;
    }
    static ScriptValue Bool(bool b) {
        ScriptValue v;
        v.kind = Kind::Boolean;
        v.boolean = b;
        return v;
    }
};

// UTF-8 to UTF-16 and back; a malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const char16_t* s, size_t n);

// The VARIANT a script engine passes for the value: texts as VT_BSTR,
// whole numbers within 32 bits as VT_I4, other numbers as VT_R8, booleans
// as VT_BOOL, undefined as VT_EMPTY, null as VT_NULL. The caller clears it.
HRESULT ToVariant(const ScriptValue& value, VARIANT* out);

// The value as the declared parameter type wants it (VT_BSTR, VT_I2, VT_I4,
// VT_BOOL, VT_R8; VT_VARIANT and unknown types take the value as it is):
// DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW when it cannot be had.
HRESULT ToParameter(const ScriptValue& value, VARTYPE declared, VARIANT* out);

// A result back to script: texts, numbers and booleans; VT_EMPTY is
// undefined and VT_NULL null. DISP_E_BADVARTYPE for anything else.
HRESULT FromVariant(const VARIANT& v, ScriptValue* out);

// The text a browser shows for a failed call to a control, and the number
// its script error carries.
std::string ErrorText(HRESULT hr);
LONG ErrorNumber(HRESULT hr);

// The text of a script engine's creation failure.
constexpr const char* kCannotCreate = "Automation server can't create object";
constexpr HRESULT kCannotCreateNumber = static_cast<HRESULT>(0x800A01ADL);

}  // namespace host
