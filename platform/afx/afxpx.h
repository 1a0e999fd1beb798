// Property exchange of a control (DoPropExchange): the exchange object that
// carries named properties between a control and its persistent form or
// their defaults.
#pragma once

#include "platform/com/com.h"

class CPropExchange {
public:
    virtual ~CPropExchange() = default;

    BOOL IsLoading() const { return m_bLoading; }
    // The version stamp loaded (or last exchanged).
    DWORD GetVersion() const { return m_dwVersion; }

    // The control's version stamp, property "_Version". Loading reads it
    // (dwVersionDefault when absent) into dwVersionLoaded; saving writes
    // dwVersionDefault when bConvert is set, dwVersionLoaded otherwise.
    virtual BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert);

    // One property of type vtProp (VT_I2, VT_I4, VT_UI4, VT_BOOL, VT_BSTR as
    // CString) at pvProp; pvDefault (of the same type) or null.
    virtual BOOL ExchangeProp(LPCSTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault = nullptr) = 0;

protected:
    BOOL m_bLoading = FALSE;
    DWORD m_dwVersion = 0;
};

BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue);
BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue, ULONG ulDefault);

// The exchange of a reset (COleControl::OnResetState): every property takes
// its default, and one without a default keeps its value.
class CResetPropExchange : public CPropExchange {
public:
    CResetPropExchange() { m_bLoading = TRUE; }
    BOOL ExchangeProp(LPCSTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault = nullptr) override;
};
