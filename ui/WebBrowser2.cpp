#include "ui/WebBrowser2.h"

BOOL CWebBrowser2::Create(LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CWebBrowser2::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                             VARIANT* Headers) {
    static const BYTE parms[] = VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    InvokeHelper(DISPID_NAVIGATE2, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, URL, Flags, TargetFrameName, PostData,
                 Headers);
}

IDispatch* CWebBrowser2::GetDocument() {
    IDispatch* result = nullptr;
    InvokeHelper(DISPID_DOCUMENT, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, nullptr);
    return result;
}
