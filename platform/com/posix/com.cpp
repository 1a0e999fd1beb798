#include "platform/com/com.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---------------------------------------------------------------- GUIDs

void GuidToString(REFGUID g, char out[39]) {
    std::snprintf(out, 39, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

bool GuidFromString(const char* text, GUID* guid) {
    if (text == nullptr || guid == nullptr || std::strlen(text) != 38 || text[0] != '{' || text[37] != '}') return false;
    static const int dashes[] = {9, 14, 19, 24};
    for (int d : dashes)
        if (text[d] != '-') return false;
    int nibble[32];
    int k = 0;
    for (int i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) continue;
        char c = text[i];
        int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (v < 0) return false;
        nibble[k++] = v;
    }
    auto take = [&](int from, int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i) v = (v << 4) | static_cast<uint32_t>(nibble[from + i]);
        return v;
    };
    guid->Data1 = take(0, 8);
    guid->Data2 = static_cast<uint16_t>(take(8, 4));
    guid->Data3 = static_cast<uint16_t>(take(12, 4));
    for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<uint8_t>(take(16 + 2 * i, 2));
    return true;
}

// ---------------------------------------------------------------- BSTR

namespace {
std::atomic<int> g_bstrFailAfter{-1};

bool BstrAllocationAllowed() {
    int n = g_bstrFailAfter.load();
    while (n >= 0) {
        if (g_bstrFailAfter.compare_exchange_weak(n, n - 1)) return n > 0;
    }
    return true;
}

BSTR AllocBstrBytes(const void* data, UINT bytes) {
    if (!BstrAllocationAllowed()) return nullptr;
    // Length prefix, the characters, a terminating NUL character.
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR) + 1));
    if (block == nullptr) return nullptr;
    uint32_t len = bytes;
    std::memcpy(block, &len, sizeof(len));
    unsigned char* chars = block + sizeof(uint32_t);
    if (data != nullptr) std::memcpy(chars, data, bytes);
    else std::memset(chars, 0, bytes);
    chars[bytes] = 0;
    chars[bytes + 1] = 0;
    chars[bytes + 2] = 0;
    return reinterpret_cast<BSTR>(chars);
}
}  // namespace

void SysAllocFailAfter(int n) { g_bstrFailAfter.store(n); }

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(lstrlenW(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    if (cch > (std::numeric_limits<UINT>::max() - 16) / sizeof(OLECHAR)) return nullptr;
    return AllocBstrBytes(pch, cch * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
    if (len > std::numeric_limits<UINT>::max() - 16) return nullptr;
    return AllocBstrBytes(psz, len);
}

void SysFreeString(BSTR bstr) {
    if (bstr != nullptr) std::free(reinterpret_cast<unsigned char*>(bstr) - sizeof(uint32_t));
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr) return 0;
    uint32_t len;
    std::memcpy(&len, reinterpret_cast<unsigned char*>(bstr) - sizeof(uint32_t), sizeof(len));
    return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / static_cast<UINT>(sizeof(OLECHAR)); }

// ---------------------------------------------------------------- SAFEARRAY

namespace {
std::atomic<bool> g_failNextSafeArray{false};

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_UI1:
        case VT_I1:
            return 1;
        case VT_I2:
        case VT_UI2:
            return 2;
        case VT_I4:
        case VT_UI4:
            return 4;
        default:
            return 0;
    }
}
}  // namespace

void SafeArrayFailNextCreate() { g_failNextSafeArray.store(true); }

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    ULONG size = ElementSize(vt);
    if (cDims != 1 || rgsabound == nullptr || size == 0) return nullptr;
    if (g_failNextSafeArray.exchange(false)) return nullptr;
    auto* psa = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
    if (psa == nullptr) return nullptr;
    size_t bytes = static_cast<size_t>(rgsabound[0].cElements) * size;
    psa->pvData = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (psa->pvData == nullptr) {
        std::free(psa);
        return nullptr;
    }
    psa->cDims = 1;
    psa->fFeatures = 0;
    psa->cbElements = size;
    psa->cLocks = 0;
    psa->vt = vt;
    psa->rgsabound[0] = rgsabound[0];
    return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::free(psa->pvData);
    std::free(psa);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plUbound = psa->rgsabound[0].lLbound + static_cast<LONG>(psa->rgsabound[0].cElements) - 1;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

// ---------------------------------------------------------------- VARIANT

void VariantInit(VARIANT* pvarg) {
    if (pvarg == nullptr) return;
    std::memset(pvarg, 0, sizeof(VARIANT));
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (pvarg == nullptr) return E_INVALIDARG;
    if ((pvarg->vt & VT_BYREF) == 0) {
        if (pvarg->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr)) return hr;
        } else {
            switch (pvarg->vt) {
                case VT_BSTR:
                    SysFreeString(pvarg->bstrVal);
                    break;
                case VT_DISPATCH:
                case VT_UNKNOWN:
                    if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
                    break;
                default:
                    break;
            }
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    VARIANT copy = *pvargSrc;
    if ((copy.vt & VT_BYREF) == 0) {
        if (copy.vt & VT_ARRAY) {
            SAFEARRAY* src = pvargSrc->parray;
            copy.parray = nullptr;
            if (src != nullptr) {
                copy.parray = SafeArrayCreateVector(src->vt, src->rgsabound[0].lLbound, src->rgsabound[0].cElements);
                if (copy.parray == nullptr) return E_OUTOFMEMORY;
                std::memcpy(copy.parray->pvData, src->pvData,
                            static_cast<size_t>(src->rgsabound[0].cElements) * src->cbElements);
            }
        } else if (copy.vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal),
                                                 SysStringByteLen(pvargSrc->bstrVal));
            if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
        } else if ((copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) && copy.punkVal != nullptr) {
            copy.punkVal->AddRef();
        }
    }
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *pvargDest = copy;
    return S_OK;
}

namespace {

// A source value reduced to one of a few kinds.
struct Scalar {
    enum Kind { Empty, Null, Integer, Real, Boolean, Text, Other } kind = Other;
    long long i = 0;
    double d = 0;
    bool b = false;
    BSTR s = nullptr;
};

Scalar ReadScalar(const VARIANT* v) {
    Scalar out;
    VARTYPE vt = v->vt;
    const void* p = &v->llVal;
    if (vt & VT_BYREF) {
        if (v->byref == nullptr) return out;
        if ((vt & ~VT_BYREF) == VT_VARIANT) return ReadScalar(static_cast<const VARIANT*>(v->byref));
        p = v->byref;
        vt = static_cast<VARTYPE>(vt & ~VT_BYREF);
    }
    switch (vt) {
        case VT_EMPTY:
            out.kind = Scalar::Empty;
            break;
        case VT_NULL:
            out.kind = Scalar::Null;
            break;
        case VT_I1:
            out.kind = Scalar::Integer, out.i = *static_cast<const signed char*>(p);
            break;
        case VT_UI1:
            out.kind = Scalar::Integer, out.i = *static_cast<const unsigned char*>(p);
            break;
        case VT_I2:
            out.kind = Scalar::Integer, out.i = *static_cast<const int16_t*>(p);
            break;
        case VT_UI2:
            out.kind = Scalar::Integer, out.i = *static_cast<const uint16_t*>(p);
            break;
        case VT_I4:
        case VT_INT:
            out.kind = Scalar::Integer, out.i = *static_cast<const int32_t*>(p);
            break;
        case VT_UI4:
        case VT_UINT:
            out.kind = Scalar::Integer, out.i = *static_cast<const uint32_t*>(p);
            break;
        case VT_I8:
            out.kind = Scalar::Integer, out.i = *static_cast<const int64_t*>(p);
            break;
        case VT_R4:
            out.kind = Scalar::Real, out.d = *static_cast<const float*>(p);
            break;
        case VT_R8:
            out.kind = Scalar::Real, out.d = *static_cast<const double*>(p);
            break;
        case VT_BOOL:
            out.kind = Scalar::Boolean, out.b = *static_cast<const VARIANT_BOOL*>(p) != VARIANT_FALSE;
            break;
        case VT_BSTR:
            out.kind = Scalar::Text, out.s = *static_cast<const BSTR*>(p);
            break;
        default:
            break;
    }
    return out;
}

// Parses the text of a number (blanks around it allowed) as OLE does.
HRESULT ParseNumber(BSTR s, double* value) {
    std::string ascii;
    UINT n = SysStringLen(s);
    for (UINT i = 0; i < n; ++i) {
        if (s[i] > 0x7F) return DISP_E_TYPEMISMATCH;
        ascii.push_back(static_cast<char>(s[i]));
    }
    size_t a = ascii.find_first_not_of(" \t");
    size_t b = ascii.find_last_not_of(" \t");
    if (a == std::string::npos) return DISP_E_TYPEMISMATCH;
    ascii = ascii.substr(a, b - a + 1);
    if (ascii == "True" || ascii == "true") {
        *value = -1;
        return S_OK;
    }
    if (ascii == "False" || ascii == "false") {
        *value = 0;
        return S_OK;
    }
    if (ascii.find_first_of("xXpPnN") != std::string::npos) return DISP_E_TYPEMISMATCH;  // no hex, inf or nan
    char* end = nullptr;
    errno = 0;
    double d = std::strtod(ascii.c_str(), &end);
    if (end == ascii.c_str() || *end != '\0') return DISP_E_TYPEMISMATCH;
    if (errno == ERANGE && std::isinf(d)) return DISP_E_OVERFLOW;
    *value = d;
    return S_OK;
}

HRESULT ToInteger(const Scalar& s, long long lo, long long hi, long long* out) {
    double d = 0;
    switch (s.kind) {
        case Scalar::Empty:
            *out = 0;
            return S_OK;
        case Scalar::Integer:
            if (s.i < lo || s.i > hi) return DISP_E_OVERFLOW;
            *out = s.i;
            return S_OK;
        case Scalar::Boolean:
            *out = s.b ? -1 : 0;
            return S_OK;
        case Scalar::Real:
            d = s.d;
            break;
        case Scalar::Text: {
            HRESULT hr = ParseNumber(s.s, &d);
            if (FAILED(hr)) return hr;
            break;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
    if (std::isnan(d)) return DISP_E_OVERFLOW;
    double r = std::nearbyint(d);  // the default rounding mode rounds half to even
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return DISP_E_OVERFLOW;
    *out = static_cast<long long>(r);
    return S_OK;
}

BSTR AsciiBstr(const std::string& text) {
    std::u16string wide(text.begin(), text.end());
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace

HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, USHORT, VARTYPE vt) {
    if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
    Scalar s = ReadScalar(pvarSrc);
    VARIANT result;
    VariantInit(&result);
    if (s.kind == Scalar::Null) {
        if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
        result.vt = VT_NULL;
    } else if (s.kind == Scalar::Other) {
        return DISP_E_TYPEMISMATCH;
    } else {
        switch (vt) {
            case VT_EMPTY:
                break;
            case VT_I2: {
                long long v;
                HRESULT hr = ToInteger(s, -32768, 32767, &v);
                if (FAILED(hr)) return hr;
                result.vt = VT_I2;
                result.iVal = static_cast<SHORT>(v);
                break;
            }
            case VT_I4:
            case VT_INT: {
                long long v;
                HRESULT hr = ToInteger(s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), &v);
                if (FAILED(hr)) return hr;
                result.vt = vt;
                result.lVal = static_cast<LONG>(v);
                break;
            }
            case VT_BOOL: {
                long long v;
                HRESULT hr = ToInteger(s, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max(), &v);
                if (s.kind == Scalar::Real) hr = S_OK, v = (s.d != 0);
                if (FAILED(hr)) return hr;
                result.vt = VT_BOOL;
                result.boolVal = v != 0 ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            }
            case VT_R8: {
                double d = 0;
                if (s.kind == Scalar::Integer) d = static_cast<double>(s.i);
                else if (s.kind == Scalar::Real) d = s.d;
                else if (s.kind == Scalar::Boolean) d = s.b ? -1 : 0;
                else if (s.kind == Scalar::Text) {
                    HRESULT hr = ParseNumber(s.s, &d);
                    if (FAILED(hr)) return hr;
                }
                result.vt = VT_R8;
                result.dblVal = d;
                break;
            }
            case VT_BSTR: {
                BSTR b = nullptr;
                char buf[64];
                if (s.kind == Scalar::Text) {
                    b = SysAllocStringLen(s.s, SysStringLen(s.s));  // a null BSTR is the empty text
                } else {
                    std::string text;
                    if (s.kind == Scalar::Integer) text = std::to_string(s.i);
                    else if (s.kind == Scalar::Boolean) text = s.b ? "True" : "False";
                    else if (s.kind == Scalar::Real) {
                        std::snprintf(buf, sizeof(buf), "%.15G", s.d);
                        text = buf;
                    }
                    b = AsciiBstr(text);
                }
                if (b == nullptr) return E_OUTOFMEMORY;
                result.vt = VT_BSTR;
                result.bstrVal = b;
                break;
            }
            default:
                return DISP_E_BADVARTYPE;
        }
    }
    if (pvargDest == pvarSrc) {
        VariantClear(pvargDest);
        *pvargDest = result;
        return S_OK;
    }
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *pvargDest = result;
    return S_OK;
}

// ---------------------------------------------------------------- task memory

void* CoTaskMemAlloc(size_t cb) { return std::malloc(cb == 0 ? 1 : cb); }
void CoTaskMemFree(void* pv) { std::free(pv); }
