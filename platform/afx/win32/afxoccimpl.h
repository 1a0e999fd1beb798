// Internal to the Win32 control containment (afxocc.cpp, afxoccsite.cpp,
// afxoccevents.cpp): the framework's client site of one control, the event
// sink it advises on the control's connection point, and the control as the
// site holds it. Everything here runs on the user-interface thread.
#pragma once

#include "platform/afx/win32/afxwinimpl.h"

// (After windows.h, which the layer's header brings.)
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

namespace afxwin32 {

class ClientSite;

// The in-place frame (and user-interface window) the control is given by
// GetWindowContext: the top-level window of the control's window. Its
// references are the client site's.
class InPlaceFrame : public IOleInPlaceFrame {
public:
    explicit InPlaceFrame(ClientSite* outer) : m_outer(outer) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceUIWindow: the frame has no border space to give.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS pborderwidths) override {
        return pborderwidths == nullptr ? S_OK : INPLACE_E_NOTOOLSPACE;
    }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override;
    // IOleInPlaceFrame: no menus, no status line, no accelerators of its own.
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ClientSite* m_outer;
};

// The framework's client site of one control, over the control's window:
// IOleClientSite, IOleInPlaceSite, IOleControlSite and the ambient
// properties (IDispatch); other interfaces come from the COleControlSite
// (its derived classes' interface maps, e.g. IDocHostUIHandler).
class ClientSite : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
public:
    ClientSite(COleControlSite* site, HWND window);

    // The framework's site is going: no further questions reach it.
    void Detach();
    HWND Window() const { return m_window; }
    // The object the control made active in place (SetActiveObject of the
    // frame or the user-interface window); null before and after.
    IOleInPlaceActiveObject* ActiveObject() const { return m_activeObject; }
    void SetActiveObject(IOleInPlaceActiveObject* object);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override;
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties, by id only.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override;

    // The in-place object, from OnInPlaceActivate to OnInPlaceDeactivate.
    IOleInPlaceObject* InPlaceObject() const { return m_inPlaceObject; }
    // The OLE object, for OnInPlaceActivate's question (not a reference).
    void SetObject(IOleObject* object) { m_object = object; }

private:
    virtual ~ClientSite();
    COleControlSite* m_site;
    HWND m_window;
    ULONG m_ref = 1;
    InPlaceFrame m_frame;
    IOleObject* m_object = nullptr;
    IOleInPlaceObject* m_inPlaceObject = nullptr;
    IOleInPlaceActiveObject* m_activeObject = nullptr;
};

// The event sink of one control: an IDispatch advised on the control's
// connection point for its events (DWebBrowserEvents2 for the browser),
// whose Invoke hands each event to the site's FireEvent, i.e. to the event
// sink map of the container's window.
class EventSink : public IDispatch {
public:
    EventSink(COleControlSite* site, REFIID events) : m_site(site), m_events(events) {}

    // Finds the control's connection point for its events and advises this
    // sink on it; false when the control has none.
    bool Advise(IUnknown* control);
    // Unadvises (once) and lets go of the site.
    void Unadvise();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_ref; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override;

private:
    virtual ~EventSink() = default;
    COleControlSite* m_site;
    IID m_events;
    IConnectionPoint* m_point = nullptr;
    DWORD m_cookie = 0;
    ULONG m_ref = 1;
};

// The events interface a control is advised on: DWebBrowserEvents2 when the
// control has a connection point for it, else its default source interface.
bool AdviseControlEvents(COleControlSite* site, IUnknown* control, EventSink** sink);

}  // namespace afxwin32

// The control of a site: its OLE object, the framework's client site and the
// event sink. Destroying it takes the control out of place, closes it,
// unadvises the sink and lets go of every reference, in that order.
class AfxPlatformControl {
public:
    AfxPlatformControl(IOleObject* object, afxwin32::ClientSite* clientSite)
        : m_object(object), m_clientSite(clientSite) {}
    ~AfxPlatformControl();
    AfxPlatformControl(const AfxPlatformControl&) = delete;
    AfxPlatformControl& operator=(const AfxPlatformControl&) = delete;

    IOleObject* Object() const { return m_object; }
    afxwin32::ClientSite* Site() const { return m_clientSite; }
    void SetEventSink(afxwin32::EventSink* sink) { m_sink = sink; }

    // The control's rectangle inside its window follows the window's size.
    void Resize(int cx, int cy);
    // The control takes the focus (activated for the user's input).
    void Focus();
    // A keystroke for the control's windows: TRUE when it was handled (by the
    // control's accelerators, or given to its window without the dialog's
    // key processing).
    BOOL PreTranslateInput(MSG* pMsg);

private:
    IOleObject* m_object;
    afxwin32::ClientSite* m_clientSite;
    afxwin32::EventSink* m_sink = nullptr;
    bool m_focusing = false;
};
