#include "ui/CustomOccManager.h"

#include <new>

IDispatch* g_pExternalDispatch = nullptr;

CCustomControlSite::CCustomControlSite(COleControlContainer* pCtrlCont)
    : COleControlSite(pCtrlCont), m_xDocHostUIHandler(this) {}

IUnknown* CCustomControlSite::GetInterfaceHook(REFIID iid) {
    if (iid == IID_IDocHostUIHandler) return &m_xDocHostUIHandler;
    return COleControlSite::GetInterfaceHook(iid);
}

COleControlSite* CCustomOccManager::CreateSite(COleControlContainer* pCtrlCont) {
    return new (std::nothrow) CCustomControlSite(pCtrlCont);
}

// ---------------------------------------------------------------- XDocHostUIHandler

HRESULT CCustomControlSite::XDocHostUIHandler::QueryInterface(REFIID riid, void** ppvObj) {
    return m_pThis->ExternalQueryInterface(&riid, ppvObj);
}

ULONG CCustomControlSite::XDocHostUIHandler::AddRef() { return m_pThis->ExternalAddRef(); }

ULONG CCustomControlSite::XDocHostUIHandler::Release() { return m_pThis->ExternalRelease(); }

HRESULT CCustomControlSite::XDocHostUIHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return S_OK;  // no context menu
}

HRESULT CCustomControlSite::XDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo) {
    if (pInfo == nullptr) return E_POINTER;
    pInfo->dwFlags = DOCHOSTUIFLAG_SCROLL_NO;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT CCustomControlSite::XDocHostUIHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                                      IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
    return S_OK;
}

HRESULT CCustomControlSite::XDocHostUIHandler::HideUI() { return S_OK; }

HRESULT CCustomControlSite::XDocHostUIHandler::UpdateUI() { return S_OK; }

HRESULT CCustomControlSite::XDocHostUIHandler::EnableModeless(BOOL) { return E_NOTIMPL; }

HRESULT CCustomControlSite::XDocHostUIHandler::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }

HRESULT CCustomControlSite::XDocHostUIHandler::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }

HRESULT CCustomControlSite::XDocHostUIHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return E_NOTIMPL;
}

HRESULT CCustomControlSite::XDocHostUIHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
    return S_FALSE;  // the browser handles every keystroke itself
}

HRESULT CCustomControlSite::XDocHostUIHandler::GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }

HRESULT CCustomControlSite::XDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget**) { return E_NOTIMPL; }

HRESULT CCustomControlSite::XDocHostUIHandler::GetExternal(IDispatch** ppDispatch) {
    if (ppDispatch == nullptr) return E_POINTER;
    *ppDispatch = g_pExternalDispatch;
    if (g_pExternalDispatch == nullptr) return E_NOTIMPL;  // no object: the browser offers its inert one
    g_pExternalDispatch->AddRef();
    return S_OK;
}

HRESULT CCustomControlSite::XDocHostUIHandler::TranslateUrl(DWORD, OLECHAR*, OLECHAR** ppchURLOut) {
    if (ppchURLOut != nullptr) *ppchURLOut = nullptr;
    return E_NOTIMPL;
}

HRESULT CCustomControlSite::XDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject** ppDORet) {
    if (ppDORet != nullptr) *ppDORet = nullptr;
    return E_NOTIMPL;
}
