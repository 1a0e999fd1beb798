// Internal to platform/: how the window layer meets GTK, for the parts of
// the platform that place GTK widgets into windows (the control classes).
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/afxwin.h"

// The record a window handle names.
struct HWND__ {
    CWnd* pWnd = nullptr;                // attached object
    std::unique_ptr<CWnd> ownedWnd;      // framework object of an unbound item
    GtkWidget* widget = nullptr;         // GtkWindow, or the child's widget
    GtkWidget* headerBar = nullptr;      // caption of a top-level window
    GtkWidget* client = nullptr;         // event box: the client area of a top-level window
    GtkWidget* fixed = nullptr;          // where the children sit
    HWND parent = nullptr;
    std::vector<HWND> children;
    UINT id = 0;
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;    // top-level: screen, outer size; child: in parent's client area
    int captionHeight = 0;
    int dragX = -1, dragY = -1;          // where the left button went down (screen)
    CString text;
    HICON iconSmall = nullptr;
    HICON iconBig = nullptr;
    struct Timer {
        guint source;
        TIMERPROC proc;
    };
    std::map<UINT_PTR, Timer> timers;
    CDialog* dialog = nullptr;           // the dialog, for top-level dialog windows
    bool messageBox = false;

    // Drawing and input (afxpaint.cpp, afxmouse.cpp, afxbutton.cpp).
    int kind = 0;                        // AFX_KIND_*: how the layer draws and runs the window
    HWND owner = nullptr;                // pop-ups (tooltips): destroyed with their owner
    cairo_surface_t* backing = nullptr;  // top-level: the client area's pixels
    cairo_region_t* update = nullptr;    // the update region, client coordinates
    cairo_region_t* painted = nullptr;   // top-level: what the parent painted in this round
    bool erase = false;                  // the update region is to be erased first
    bool inPaint = false;                // between BeginPaint and EndPaint
    HFONT font = nullptr;                // WM_SETFONT
    HFONT ownFont = nullptr;             // top-level: the template's font, owned
    bool disabled = false;
    bool pressed = false;                // buttons: the left button went down on it
    bool pushedLook = false;             // buttons: drawn pressed
    DWORD trackFlags = 0;                // TME_HOVER | TME_LEAVE asked for
    DWORD hoverTime = 0;
    guint hoverSource = 0;
    int hoverX = 0, hoverY = 0;          // where the hover wait started (client)
    int sliderMin = 0, sliderMax = 100;
    bool hiddenEmpty = false;            // to be shown, kept hidden while its rectangle is empty
};

// Kinds of windows.
#define AFX_KIND_OTHER 0
#define AFX_KIND_DIALOG 1
#define AFX_KIND_STATIC 2
#define AFX_KIND_BUTTON 3        // a GtkButton
#define AFX_KIND_OWNERBUTTON 4   // drawn by its owner (BS_OWNERDRAW)
#define AFX_KIND_SLIDER 5
#define AFX_KIND_TOOLTIP 6
#define AFX_KIND_BROWSER 7
struct HICON__ {
    GdkPixbuf* pixbuf;
};

// The innermost running modal window (dialog or message box), or null.
HWND AfxInnermostModal();

// Initialises GTK once for the process (on the user-interface thread).
// False when there is no display.
bool AfxUiInit();

// Text conversions between the ANSI code page, UTF-8 and UTF-16.
std::string AfxAnsiToUtf8(LPCSTR text);
std::string AfxUtf8ToAnsi(const char* utf8);
std::string AfxUtf16ToUtf8(const OLECHAR* text, int length = -1);
BSTR AfxUtf8ToBstr(const char* utf8, int length = -1);

// The widget of a window, and the window of a widget (or of its nearest
// ancestor that is a window of the layer).
GtkWidget* AfxWidgetOf(HWND hWnd);
HWND AfxWindowOfWidget(GtkWidget* widget);
// The top-level window a window belongs to.
HWND AfxTopLevelOf(HWND hWnd);
// True once the dialog that owns the window has ended (or the window is gone):
// controls then stop delivering events.
bool AfxWindowEnded(HWND hWnd);
// Virtual key code and lParam of a GDK key event.
UINT AfxVirtualKeyOf(const GdkEventKey* event);
LPARAM AfxKeyLParamOf(const GdkEventKey* event);

// A control of the platform living in a site (one per ActiveX class the
// platform offers). The site owns it.
class AfxPlatformControl {
public:
    virtual ~AfxPlatformControl() = default;
    virtual IDispatch* GetDispatch() = 0;  // not AddRef'd
    virtual GtkWidget* GetWidget() = 0;
};

// The WebBrowser control (platform/browser).
AfxPlatformControl* AfxCreateWebBrowserControl(COleControlSite* pSite);
// Starts the browser's web process ahead of the first browser control, when
// the toolkit is already running (platform/browser).
void AfxPrestartWebBrowser();
// Lets that process go once no browser control uses it.
void AfxStopWebBrowserPrestart();
