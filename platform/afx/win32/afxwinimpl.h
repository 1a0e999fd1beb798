// Internal to the Win32 window layer (the files of platform/afx/win32 that
// implement afxwin.h and afxctrls.h): the binding of window handles to
// window objects, the modal runs and the helpers the files share. Not for
// use outside platform/afx. Everything here runs on the user-interface
// thread.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/afx/afxmsgcore.h"
#include "platform/afx/afxwin.h"

namespace afxwin32 {

// A window handle bound to its object. A window the framework subclassed
// runs through AfxWndProc, which routes to pWnd->WindowProc; oldProc is the
// procedure it had before (its class's), for the default processing.
struct WndRecord {
    CWnd* pWnd = nullptr;
    WNDPROC oldProc = nullptr;
    bool temporary = false;  // a framework-owned object for an unbound window (not subclassed)
    bool ownsObject = false;  // the object is deleted with the window
    std::set<UINT_PTR> timers;
};

// The record of a window, null when the framework knows none.
WndRecord* Find(HWND h);
// Binds pWnd to h and subclasses h with AfxWndProc (a framework-owned
// object of a window nobody bound is not subclassed: the window goes on as
// it was). FALSE when h is no window or is bound already.
bool Bind(CWnd* pWnd, HWND h, bool ownsObject = false, bool subclass = true);
// The framework owns pWnd, bound to h: it goes with the window.
void Adopt(HWND h, CWnd* pWnd);
// Deletes the framework-owned objects of windows that are gone.
void SweepTemporaries();

// The system's WM_CREATE record behind the ANSI one the handlers got.
LPARAM OriginalCreateParam(UINT message, LPARAM lParam);

LRESULT CALLBACK AfxWndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);

// The top-level window of h (itself when it is one).
HWND TopOf(HWND h);
// The dialog h belongs to ended its modal run: its handlers see nothing
// but WM_DESTROY from then on.
bool Ended(HWND h);
void MarkEnded(HWND h);

// The modal dialogs running, innermost last.
extern std::vector<CDialog*> g_modal;
extern COccManager* g_occManager;

// Text between the ANSI code page and UTF-16.
std::wstring Widen(LPCSTR s, UINT codePage = CP_ACP);
std::string Narrow(const wchar_t* s, int len = -1, UINT codePage = CP_ACP);

// Creates the ActiveX items of a dialog template in the dialog pOwner (its
// other items are in the dialog's own template). An item whose control
// cannot be created is left out.
void CreateActiveXItems(CWnd* pOwner, const AFX_DLGTEMPLATE* t);
// True when the template item is an ActiveX control ("{clsid}"); its class
// id in *clsid.
bool IsActiveXItem(const AFX_DLGITEMTEMPLATE& item, CLSID* clsid);

// A keystroke in the control of a site: TRUE when the control took it or
// it went to the control's window past the dialog's key processing.
BOOL PreTranslateControlInput(COleControlSite* site, MSG* pMsg);

using afxcore::MessageScope;  // afxmsgcore.h

}  // namespace afxwin32
