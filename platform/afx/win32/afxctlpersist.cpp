// COleControlOle, the rest: persistence through the control's
// DoPropExchange (a property bag, or a stream of named values), class
// information from the module's type library, the (empty) set of
// connection points and the property pages.
#include <string>
#include <vector>

#include "platform/afx/afxpx.h"
#include "platform/afx/afxstr.h"
#include "platform/afx/win32/afxctlole.h"

namespace {

// The stream form: a signature, then records of a name (ASCII, 1 to
// kMaxName bytes, with its 16-bit length) and a value (UTF-16 text, with its
// 32-bit length in characters), ended by a zero name length.
constexpr DWORD kStreamSignature = 0x49504D56;  // "VMPI"
constexpr USHORT kMaxName = 255;
constexpr ULONG kMaxValue = 65536;
constexpr int kMaxRecords = 256;

struct Record {
    std::string name;
    std::wstring value;
};

// A property's value as a VARIANT of its own type.
bool ToVariant(VARTYPE vtProp, const void* pvProp, VARIANT* out) {
    VariantInit(out);
    switch (vtProp) {
        case VT_I2: out->vt = VT_I2, out->iVal = *static_cast<const SHORT*>(pvProp); return true;
        case VT_I4: out->vt = VT_I4, out->lVal = *static_cast<const LONG*>(pvProp); return true;
        case VT_UI4: out->vt = VT_UI4, out->ulVal = *static_cast<const ULONG*>(pvProp); return true;
        case VT_BOOL: out->vt = VT_BOOL, out->boolVal = *static_cast<const BOOL*>(pvProp) ? VARIANT_TRUE : VARIANT_FALSE; return true;
        case VT_BSTR: out->vt = VT_BSTR, out->bstrVal = static_cast<const CString*>(pvProp)->AllocSysString(); return true;
        default: return false;
    }
}

// Stores a value, coerced to the property's type; false when it does not
// convert.
bool FromVariant(const VARIANT& in, VARTYPE vtProp, void* pvProp) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantChangeType(&v, const_cast<VARIANT*>(&in), 0, vtProp))) return false;
    bool ok = true;
    switch (vtProp) {
        case VT_I2: *static_cast<SHORT*>(pvProp) = v.iVal; break;
        case VT_I4: *static_cast<LONG*>(pvProp) = v.lVal; break;
        case VT_UI4: *static_cast<ULONG*>(pvProp) = v.ulVal; break;
        case VT_BOOL: *static_cast<BOOL*>(pvProp) = v.boolVal != VARIANT_FALSE; break;
        case VT_BSTR: *static_cast<CString*>(pvProp) = BstrToAnsi(v.bstrVal, SysStringLen(v.bstrVal)).c_str(); break;
        default: ok = false;
    }
    VariantClear(&v);
    return ok;
}

BSTR WideName(LPCSTR name) { return AsciiToBstr(name); }

// A missing or unreadable value takes the default (through a reset).
BOOL UseDefault(LPCSTR name, VARTYPE vtProp, void* pvProp, const void* pvDefault) {
    CResetPropExchange reset;
    return reset.ExchangeProp(name, vtProp, pvProp, pvDefault);
}

class CBagPropExchange final : public CPropExchange {
public:
    CBagPropExchange(IPropertyBag* bag, IErrorLog* log, BOOL loading) : m_pBag(bag), m_pLog(log) { m_bLoading = loading; }
    BOOL ExchangeProp(LPCSTR name, VARTYPE vtProp, void* pvProp, const void* pvDefault) override {
        if (pvProp == nullptr) return FALSE;
        BSTR wname = WideName(name);
        if (wname == nullptr) return FALSE;
        VARIANT v;
        VariantInit(&v);
        BOOL ok = FALSE;
        if (m_bLoading) {
            v.vt = vtProp;
            ok = SUCCEEDED(m_pBag->Read(wname, &v, m_pLog)) && FromVariant(v, vtProp, pvProp);
            if (!ok) ok = UseDefault(name, vtProp, pvProp, pvDefault);
        } else if (ToVariant(vtProp, pvProp, &v)) {
            ok = SUCCEEDED(m_pBag->Write(wname, &v));
        }
        VariantClear(&v);
        SysFreeString(wname);
        return ok;
    }

private:
    IPropertyBag* m_pBag;
    IErrorLog* m_pLog;
};

class CRecordPropExchange final : public CPropExchange {
public:
    CRecordPropExchange(std::vector<Record>* records, BOOL loading) : m_pRecords(records) { m_bLoading = loading; }
    BOOL ExchangeProp(LPCSTR name, VARTYPE vtProp, void* pvProp, const void* pvDefault) override {
        if (pvProp == nullptr || name == nullptr) return FALSE;
        if (m_bLoading) {
            for (const Record& r : *m_pRecords) {
                if (r.name != name) continue;
                BSTR text = SysAllocStringLen(r.value.data(), static_cast<UINT>(r.value.size()));
                VARIANT v;
                VariantInit(&v);
                v.vt = VT_BSTR, v.bstrVal = text;
                bool ok = text != nullptr && FromVariant(v, vtProp, pvProp);
                VariantClear(&v);
                if (ok) return TRUE;
                break;
            }
            return UseDefault(name, vtProp, pvProp, pvDefault);
        }
        VARIANT v, text;
        VariantInit(&text);
        if (!ToVariant(vtProp, pvProp, &v)) return FALSE;
        bool ok = SUCCEEDED(VariantChangeType(&text, &v, 0, VT_BSTR)) && m_pRecords->size() < kMaxRecords;
        if (ok) m_pRecords->push_back(Record{name, std::wstring(text.bstrVal, SysStringLen(text.bstrVal))});
        VariantClear(&v);
        VariantClear(&text);
        return ok ? TRUE : FALSE;
    }

private:
    std::vector<Record>* m_pRecords;
};

bool ReadExact(IStream* stm, void* data, ULONG size) {
    ULONG got = 0;
    return size == 0 || (SUCCEEDED(stm->Read(data, size, &got)) && got == size);
}

bool WriteExact(IStream* stm, const void* data, ULONG size) {
    ULONG put = 0;
    return size == 0 || (SUCCEEDED(stm->Write(data, size, &put)) && put == size);
}

HRESULT ReadRecords(IStream* stm, std::vector<Record>* records) {
    DWORD signature = 0;
    if (!ReadExact(stm, &signature, sizeof(signature)) || signature != kStreamSignature) return E_FAIL;
    for (int i = 0; i <= kMaxRecords; ++i) {
        USHORT nameLen = 0;
        if (!ReadExact(stm, &nameLen, sizeof(nameLen))) return E_FAIL;
        if (nameLen == 0) return S_OK;
        if (nameLen > kMaxName || i == kMaxRecords) return E_FAIL;
        Record r;
        r.name.resize(nameLen);
        ULONG valueLen = 0;
        if (!ReadExact(stm, r.name.data(), nameLen) || !ReadExact(stm, &valueLen, sizeof(valueLen)) ||
            valueLen > kMaxValue)
            return E_FAIL;
        r.value.resize(valueLen);
        if (!ReadExact(stm, r.value.data(), valueLen * sizeof(wchar_t))) return E_FAIL;
        records->push_back(std::move(r));
    }
    return E_FAIL;
}

HRESULT WriteRecords(IStream* stm, const std::vector<Record>& records) {
    if (!WriteExact(stm, &kStreamSignature, sizeof(kStreamSignature))) return STG_E_CANTSAVE;
    for (const Record& r : records) {
        auto nameLen = static_cast<USHORT>(r.name.size());
        auto valueLen = static_cast<ULONG>(r.value.size());
        if (r.name.empty() || r.name.size() > kMaxName || r.value.size() > kMaxValue) return STG_E_CANTSAVE;
        if (!WriteExact(stm, &nameLen, sizeof(nameLen)) || !WriteExact(stm, r.name.data(), nameLen) ||
            !WriteExact(stm, &valueLen, sizeof(valueLen)) ||
            !WriteExact(stm, r.value.data(), valueLen * sizeof(wchar_t)))
            return STG_E_CANTSAVE;
    }
    USHORT end = 0;
    return WriteExact(stm, &end, sizeof(end)) ? S_OK : STG_E_CANTSAVE;
}

// IEnumConnectionPoints over no connection points.
class CEmptyConnectionPoints final : public IEnumConnectionPoints {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = (riid == IID_IUnknown || riid == IID_IEnumConnectionPoints) ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, IConnectionPoint**, ULONG* pcFetched) override {
        if (pcFetched != nullptr) *pcFetched = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) override { return cConnections == 0 ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) override {
        if (ppEnum == nullptr) return E_POINTER;
        *ppEnum = this;
        return S_OK;
    }
};

CEmptyConnectionPoints g_noConnectionPoints;

}  // namespace

// ---------------------------------------------------------------- persistence

HRESULT COleControlOle::GetClassID(CLSID* pClassID) {
    if (pClassID == nullptr) return E_POINTER;
    return m_pOuter->GetClassID(pClassID);
}

HRESULT COleControlOle::IsDirty() { return m_pOuter->IsModified() ? S_OK : S_FALSE; }

HRESULT COleControlOle::InitNew() {
    m_pOuter->OnResetState();
    m_pOuter->SetModifiedFlag(FALSE);
    return S_OK;
}

HRESULT COleControlOle::Load(LPSTREAM pStm) {
    if (pStm == nullptr) return E_POINTER;
    std::vector<Record> records;
    HRESULT hr = ReadRecords(pStm, &records);
    if (FAILED(hr)) return hr;
    CRecordPropExchange px(&records, TRUE);
    m_pOuter->DoPropExchange(&px);
    m_pOuter->SetModifiedFlag(FALSE);
    return S_OK;
}

HRESULT COleControlOle::Save(LPSTREAM pStm, BOOL fClearDirty) {
    if (pStm == nullptr) return E_POINTER;
    std::vector<Record> records;
    CRecordPropExchange px(&records, FALSE);
    m_pOuter->DoPropExchange(&px);
    HRESULT hr = WriteRecords(pStm, records);
    if (SUCCEEDED(hr) && fClearDirty) m_pOuter->SetModifiedFlag(FALSE);
    return hr;
}

HRESULT COleControlOle::GetSizeMax(ULARGE_INTEGER* pCbSize) {
    if (pCbSize == nullptr) return E_POINTER;
    std::vector<Record> records;
    CRecordPropExchange px(&records, FALSE);
    m_pOuter->DoPropExchange(&px);
    ULONGLONG size = sizeof(DWORD) + sizeof(USHORT);
    for (const Record& r : records) size += sizeof(USHORT) + r.name.size() + sizeof(ULONG) + r.value.size() * sizeof(wchar_t);
    pCbSize->QuadPart = size;
    return S_OK;
}

HRESULT COleControlOle::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    if (pPropBag == nullptr) return E_POINTER;
    CBagPropExchange px(pPropBag, pErrorLog, TRUE);
    m_pOuter->DoPropExchange(&px);
    m_pOuter->SetModifiedFlag(FALSE);
    return S_OK;
}

HRESULT COleControlOle::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    if (pPropBag == nullptr) return E_POINTER;
    CBagPropExchange px(pPropBag, nullptr, FALSE);
    m_pOuter->DoPropExchange(&px);
    if (fClearDirty) m_pOuter->SetModifiedFlag(FALSE);
    return S_OK;
}

// ---------------------------------------------------------------- class information

HRESULT COleControlOle::GetClassInfo(ITypeInfo** ppTI) {
    if (ppTI == nullptr) return E_POINTER;
    *ppTI = nullptr;
    CLSID clsid;
    HRESULT hr = m_pOuter->GetClassID(&clsid);
    if (FAILED(hr)) return hr;
    ITypeLib* lib = AfxGetModuleTypeLib();
    return lib != nullptr ? lib->GetTypeInfoOfGuid(clsid, ppTI) : TYPE_E_CANTLOADLIBRARY;
}

HRESULT COleControlOle::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
    if (pGUID == nullptr) return E_POINTER;
    *pGUID = GUID_NULL;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    if (m_pOuter->m_piidEvents == nullptr) return E_UNEXPECTED;
    *pGUID = *m_pOuter->m_piidEvents;
    return S_OK;
}

// ---------------------------------------------------------------- connection points

HRESULT COleControlOle::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (ppEnum == nullptr) return E_POINTER;
    *ppEnum = &g_noConnectionPoints;
    return S_OK;
}

HRESULT COleControlOle::FindConnectionPoint(REFIID, IConnectionPoint** ppCP) {
    if (ppCP == nullptr) return E_POINTER;
    *ppCP = nullptr;
    return CONNECT_E_NOCONNECTION;
}

// ---------------------------------------------------------------- property pages

HRESULT COleControlOle::GetPages(CAUUID* pPages) {
    if (pPages == nullptr) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = nullptr;
    ULONG count = 0;
    const CLSID* ids = m_pOuter->GetPropPageIDs(count);
    if (count == 0 || ids == nullptr) return S_OK;
    auto* elems = static_cast<GUID*>(CoTaskMemAlloc(count * sizeof(GUID)));
    if (elems == nullptr) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < count; ++i) elems[i] = ids[i];
    pPages->cElems = count;
    pPages->pElems = elems;
    return S_OK;
}
