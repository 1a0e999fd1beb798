#include "host/ScriptValue.h"

#include <cmath>
#include <cstdio>

namespace host {

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size()) {
            ++i;
        } else {
            char32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
            bool ok = true;
            for (size_t k = 1; k < len; ++k) {
                unsigned char t = static_cast<unsigned char>(s[i + k]);
                if ((t & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                v = (v << 6) | (t & 0x3F);
            }
            static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && v >= kMin[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                cp = v;
                i += len;
            } else {
                ++i;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const char16_t* s, size_t n) {
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

HRESULT ToVariant(const ScriptValue& value, VARIANT* out) {
    VariantInit(out);
    switch (value.kind) {
        case ScriptValue::Kind::Undefined:
            return S_OK;
        case ScriptValue::Kind::Null:
            out->vt = VT_NULL;
            return S_OK;
        case ScriptValue::Kind::Boolean:
            out->vt = VT_BOOL;
            out->boolVal = value.boolean ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case ScriptValue::Kind::Number:
            if (std::trunc(value.number) == value.number && value.number >= -2147483648.0 &&
                value.number <= 2147483647.0) {
                out->vt = VT_I4;
                out->lVal = static_cast<LONG>(value.number);
            } else {
                out->vt = VT_R8;
                out->dblVal = value.number;
            }
            return S_OK;
        case ScriptValue::Kind::String: {
            std::u16string w = Utf8ToUtf16(value.text);
            BSTR b = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
            if (b == nullptr) return E_OUTOFMEMORY;
            out->vt = VT_BSTR;
            out->bstrVal = b;
            return S_OK;
        }
    }
    return DISP_E_BADVARTYPE;
}

HRESULT ToParameter(const ScriptValue& value, VARTYPE declared, VARIANT* out) {
    HRESULT hr = ToVariant(value, out);
    if (FAILED(hr)) return hr;
    if (declared != VT_BSTR && declared != VT_I2 && declared != VT_I4 && declared != VT_BOOL && declared != VT_R8)
        return S_OK;
    if (out->vt == declared) return S_OK;
    VARIANT coerced;
    VariantInit(&coerced);
    hr = VariantChangeType(&coerced, out, 0, declared);
    VariantClear(out);
    if (FAILED(hr)) return hr;
    *out = coerced;
    return S_OK;
}

HRESULT FromVariant(const VARIANT& v, ScriptValue* out) {
    *out = ScriptValue();
    switch (v.vt) {
        case VT_EMPTY:
            return S_OK;
        case VT_NULL:
            out->kind = ScriptValue::Kind::Null;
            return S_OK;
        case VT_BSTR:
            *out = ScriptValue::Str(v.bstrVal == nullptr ? std::string()
                                                         : Utf16ToUtf8(v.bstrVal, SysStringLen(v.bstrVal)));
            return S_OK;
        case VT_I2:
            *out = ScriptValue::Num(v.iVal);
            return S_OK;
        case VT_I4:
            *out = ScriptValue::Num(v.lVal);
            return S_OK;
        case VT_R8:
            *out = ScriptValue::Num(v.dblVal);
            return S_OK;
        case VT_BOOL:
            *out = ScriptValue::Bool(v.boolVal != VARIANT_FALSE);
            return S_OK;
        default:
            return DISP_E_BADVARTYPE;
    }
}

namespace {

struct ErrorEntry {
    HRESULT hr;
    LONG number;  // the script engine's own error number
    const char* text;
};

const ErrorEntry kErrors[] = {
    {DISP_E_UNKNOWNNAME, static_cast<LONG>(0x800A01B6L), "Object doesn't support this property or method"},
    {DISP_E_MEMBERNOTFOUND, static_cast<LONG>(0x800A01B6L), "Object doesn't support this property or method"},
    {DISP_E_BADPARAMCOUNT, static_cast<LONG>(0x800A01C2L), "Wrong number of arguments or invalid property assignment"},
    {DISP_E_TYPEMISMATCH, static_cast<LONG>(0x800A000DL), "Type mismatch"},
    {DISP_E_OVERFLOW, static_cast<LONG>(0x800A0006L), "Overflow"},
    {DISP_E_PARAMNOTOPTIONAL, static_cast<LONG>(0x800A01C1L), "Argument not optional"},
    {DISP_E_BADVARTYPE, static_cast<LONG>(0x800A01CAL), "Variable uses an Automation type not supported in JScript"},
    {DISP_E_NONAMEDARGS, static_cast<LONG>(0x800A01BEL), "Object doesn't support named arguments"},
    {DISP_E_EXCEPTION, static_cast<LONG>(DISP_E_EXCEPTION), "Exception occurred."},
    {E_OUTOFMEMORY, static_cast<LONG>(0x800A0007L), "Out of memory"},
    {E_INVALIDARG, static_cast<LONG>(0x800A0005L), "Invalid procedure call or argument"},
    {E_ACCESSDENIED, static_cast<LONG>(0x800A0046L), "Permission denied"},
    {E_NOINTERFACE, static_cast<LONG>(E_NOINTERFACE), "No such interface supported"},
    {E_NOTIMPL, static_cast<LONG>(E_NOTIMPL), "Not implemented"},
    {E_UNEXPECTED, static_cast<LONG>(E_UNEXPECTED), "Catastrophic failure"},
    {E_FAIL, static_cast<LONG>(E_FAIL), "Unspecified error"},
};

}  // namespace

std::string ErrorText(HRESULT hr) {
    for (const auto& e : kErrors)
        if (e.hr == hr) return e.text;
    char text[64];
    std::snprintf(text, sizeof text, "Automation error 0x%08X", static_cast<unsigned>(hr));
    return text;
}

LONG ErrorNumber(HRESULT hr) {
    for (const auto& e : kErrors)
        if (e.hr == hr) return e.number;
    return hr;
}

}  // namespace host
