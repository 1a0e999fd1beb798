// CWebBrowser2: the window wrapper through which the dialogs drive the
// embedded WebBrowser control (item 201 of their templates, bound by dialog
// data exchange). Each call is a dispatch call on the control.
#pragma once

#include "platform/afx/afxwin.h"
#include "platform/browser/exdisp.h"

class CWebBrowser2 : public CWnd {
public:
    CLSID const& GetClsid() { return CLSID_WebBrowser; }

    // Creates the control (dialogs get theirs from the template instead).
    virtual BOOL Create(LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // URL, flags, target frame name, post data (a VT_ARRAY | VT_UI1 byte
    // array, see CMPIUtil::MakePostData) and headers; empty variants where
    // not wanted. With post data the request is a form POST.
    void Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers);
    // The current document (IHTMLDocument2/IHTMLDocument3 by QueryInterface);
    // the caller releases it. Null when there is none.
    IDispatch* GetDocument();
};
