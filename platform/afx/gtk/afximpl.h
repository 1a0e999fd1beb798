// Internal to the window layer (the files of platform/afx that implement
// afxwin.h): the window records' registry, the modal runs and the helpers the
// files share. Not for use outside platform/afx.
#pragma once

#include <set>
#include <vector>

#include "platform/afx/afxmsgcore.h"
#include "platform/afx/gtk/afxgtk.h"

namespace afximpl {

// Every live window record.
extern std::set<HWND> g_windows;
// Modal runs, innermost last: (window, loop).
struct ModalFrame {
    HWND hwnd;
    GMainLoop* loop;
};
extern std::vector<ModalFrame> g_modal;
extern COccManager* g_occManager;

// The keystroke being pre-translated, and whether it was dispatched.
extern const MSG* g_preTranslating;
extern bool g_dispatched;

bool Alive(HWND h);
HWND TopOf(HWND h);
bool Ended(HWND h);
void ScreenSize(int* w, int* h);
// The size of the work area of the primary monitor (the screen less the
// desktop's panels); the screen's size where the desktop names none.
void WorkAreaSize(int* w, int* h);

// Applies a record's geometry, caption text or icon to GTK.
void ApplyTopGeometry(HWND h);
void ApplyChildGeometry(HWND h);
void ShowText(HWND h);
void ApplyIcon(HWND h);

// Shows or hides a top-level window; one whose rectangle is empty stays
// hidden until it is given a size (afxwndpos.cpp).
void AfxShowTopLevel(HWND h, bool show);
// After a top-level window's geometry changed: hides it while empty, shows
// it again once it has a size when it is meant to be shown.
void AfxApplyEmptyRect(HWND h);

// The window with the keyboard focus in a top-level window (the window
// itself when no child has it).
HWND FocusWindow(HWND top);

// Creation and destruction of records.
HWND NewRecord(CWnd* pWnd, HWND parent, UINT id, DWORD style);
HWND CreateTopLevel(CWnd* pWnd, const AFX_DLGTEMPLATE* t, HWND owner);
HWND CreateChild(HWND parent, CWnd* pWnd, GtkWidget* widget, UINT id, DWORD style, const RECT& r);
void DestroyRecord(HWND h);
// Creates the items of a template in the window h (in its client area, at
// the items' positions); pOwner is the window object whose container holds
// the ActiveX items. False when an ActiveX item could not be created.
bool CreateDialogItems(CWnd* pOwner, HWND h, const AFX_DLGTEMPLATE* t);

// Posted messages and timer ticks, delivered from the GLib main loop.
struct PostedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
gboolean DeliverPosted(gpointer data);

struct TimerTick {
    HWND hwnd;
    UINT_PTR id;
    guint source = 0;
};
gboolean DeliverTimer(gpointer data);
void FreeTimerTick(gpointer data);

}  // namespace afximpl

namespace afximpl {

using afxcore::MessageScope;  // afxmsgcore.h

}  // namespace afximpl
