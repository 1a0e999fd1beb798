// The document object model as the module reads it (IHTMLDocument2,
// IHTMLDocument3, IHTMLElement) and the host user-interface handler that the
// WebBrowser control asks its site for (IDocHostUIHandler). Only the members
// the module uses are declared; the methods keep their Windows names.
#pragma once

#include "platform/afx/afxwin.h"
#include "platform/com/com.h"

extern const IID IID_IHTMLDocument2;  // {332C4425-26CB-11D0-B483-00C04FD90119}
extern const IID IID_IHTMLDocument3;  // {3050F485-98B5-11CF-BB82-00AA00BDCE0B}
extern const IID IID_IHTMLElement;    // {3050F1FF-98B5-11CF-BB82-00AA00BDCE0B}
extern const IID IID_IDocHostUIHandler;  // {BD3F23C0-D43E-11CF-893B-00AA00BDCE1A}

struct IHTMLElement : IDispatch {
    virtual HRESULT get_tagName(BSTR* p) = 0;
    virtual HRESULT get_outerHTML(BSTR* p) = 0;
    virtual HRESULT get_innerText(BSTR* p) = 0;

protected:
    ~IHTMLElement() = default;
};

struct IHTMLDocument2 : IDispatch {
    virtual HRESULT get_body(IHTMLElement** p) = 0;
    virtual HRESULT get_title(BSTR* p) = 0;
    virtual HRESULT get_URL(BSTR* p) = 0;

protected:
    ~IHTMLDocument2() = default;
};

struct IHTMLDocument3 : IDispatch {
    virtual HRESULT get_documentElement(IHTMLElement** p) = 0;

protected:
    ~IHTMLDocument3() = default;
};

// ---------------------------------------------------------------- host user-interface handler

struct IOleInPlaceActiveObject;
struct IOleCommandTarget;
struct IOleInPlaceFrame;
struct IOleInPlaceUIWindow;
struct IDropTarget;
struct IDataObject;

struct DOCHOSTUIINFO {
    ULONG cbSize;
    DWORD dwFlags;
    DWORD dwDoubleClick;
    OLECHAR* pchHostCss;
    OLECHAR* pchHostNS;
};

// DOCHOSTUIINFO flags.
#define DOCHOSTUIFLAG_DIALOG 0x00000001
#define DOCHOSTUIFLAG_DISABLE_HELP_MENU 0x00000002
#define DOCHOSTUIFLAG_NO3DBORDER 0x00000004
#define DOCHOSTUIFLAG_SCROLL_NO 0x00000008
#define DOCHOSTUIFLAG_OPENNEWWIN 0x00000020

// Double-click actions.
#define DOCHOSTUIDBLCLK_DEFAULT 0
#define DOCHOSTUIDBLCLK_SHOWPROPERTIES 1
#define DOCHOSTUIDBLCLK_SHOWCODE 2

// Kinds of context menu (the dwID of ShowContextMenu).
#define CONTEXT_MENU_DEFAULT 0
#define CONTEXT_MENU_IMAGE 1
#define CONTEXT_MENU_CONTROL 2
#define CONTEXT_MENU_TEXTSELECT 4
#define CONTEXT_MENU_ANCHOR 5

struct IDocHostUIHandler : IUnknown {
    virtual HRESULT ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) = 0;
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo) = 0;
    virtual HRESULT ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                           IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) = 0;
    virtual HRESULT HideUI() = 0;
    virtual HRESULT UpdateUI() = 0;
    virtual HRESULT EnableModeless(BOOL fEnable) = 0;
    virtual HRESULT OnDocWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT OnFrameWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) = 0;
    virtual HRESULT TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) = 0;
    virtual HRESULT GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) = 0;
    virtual HRESULT GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) = 0;
    virtual HRESULT GetExternal(IDispatch** ppDispatch) = 0;
    virtual HRESULT TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) = 0;
    virtual HRESULT FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) = 0;

protected:
    ~IDocHostUIHandler() = default;
};
