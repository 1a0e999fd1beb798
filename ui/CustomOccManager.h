// The host side of the embedded browser: the control-container manager the
// module installs at start-up (AfxEnableControlContainer(new
// CCustomOccManager)), and the site it creates for every control, whose
// IDocHostUIHandler takes away the browser's scroll bars, context menu and
// own user interface, and leaves every keystroke to the page.
#pragma once

#include "platform/afx/afxwin.h"
#include "platform/browser/mshtml.h"

// The external object page script reaches as window.external. Nothing in
// the module sets it.
extern IDispatch* g_pExternalDispatch;

class CCustomControlSite : public COleControlSite {
public:
    explicit CCustomControlSite(COleControlContainer* pCtrlCont);

    class XDocHostUIHandler : public IDocHostUIHandler {
    public:
        explicit XDocHostUIHandler(CCustomControlSite* pThis) : m_pThis(pThis) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
        ULONG AddRef() override;
        ULONG Release() override;
        HRESULT ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) override;
        HRESULT GetHostInfo(DOCHOSTUIINFO* pInfo) override;
        HRESULT ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                       IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override;
        HRESULT HideUI() override;
        HRESULT UpdateUI() override;
        HRESULT EnableModeless(BOOL fEnable) override;
        HRESULT OnDocWindowActivate(BOOL fActivate) override;
        HRESULT OnFrameWindowActivate(BOOL fActivate) override;
        HRESULT ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) override;
        HRESULT TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
        HRESULT GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) override;
        HRESULT GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
        HRESULT GetExternal(IDispatch** ppDispatch) override;
        HRESULT TranslateUrl(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) override;
        HRESULT FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;

    private:
        CCustomControlSite* m_pThis;
    } m_xDocHostUIHandler;

protected:
    // Interface map: IDocHostUIHandler, then the base site's.
    IUnknown* GetInterfaceHook(REFIID iid) override;
};

class CCustomOccManager : public COccManager {
public:
    COleControlSite* CreateSite(COleControlContainer* pCtrlCont) override;
};
