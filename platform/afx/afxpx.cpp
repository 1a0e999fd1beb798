#include "platform/afx/afxpx.h"

#include "platform/afx/afxstr.h"

BOOL CPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
    BOOL bResult;
    if (m_bLoading) {
        bResult = PX_ULong(this, "_Version", m_dwVersion, dwVersionDefault);
        dwVersionLoaded = m_dwVersion;
    } else {
        m_dwVersion = bConvert ? dwVersionDefault : dwVersionLoaded;
        bResult = PX_ULong(this, "_Version", m_dwVersion);
    }
    return bResult;
}

BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue) {
    return pPX->ExchangeProp(pszPropName, VT_UI4, &ulValue);
}

BOOL PX_ULong(CPropExchange* pPX, LPCSTR pszPropName, ULONG& ulValue, ULONG ulDefault) {
    return pPX->ExchangeProp(pszPropName, VT_UI4, &ulValue, &ulDefault);
}

BOOL CResetPropExchange::ExchangeProp(LPCSTR, VARTYPE vtProp, void* pvProp, const void* pvDefault) {
    if (pvProp == nullptr) return FALSE;
    if (pvDefault == nullptr) return TRUE;
    switch (vtProp) {
        case VT_I2:
            *static_cast<SHORT*>(pvProp) = *static_cast<const SHORT*>(pvDefault);
            return TRUE;
        case VT_BOOL:
            *static_cast<BOOL*>(pvProp) = *static_cast<const BOOL*>(pvDefault);
            return TRUE;
        case VT_I4:
            *static_cast<LONG*>(pvProp) = *static_cast<const LONG*>(pvDefault);
            return TRUE;
        case VT_UI4:
            *static_cast<ULONG*>(pvProp) = *static_cast<const ULONG*>(pvDefault);
            return TRUE;
        case VT_BSTR:
            *static_cast<CString*>(pvProp) = *static_cast<const CString*>(pvDefault);
            return TRUE;
        default:
            return FALSE;
    }
}
