// Message maps of the framework and the window messages they route: a class
// declares DECLARE_MESSAGE_MAP() and lists its handlers between
// BEGIN_MESSAGE_MAP(theClass, baseClass) and END_MESSAGE_MAP(); CWnd::
// WindowProc looks a message up in the class's map, then in its bases'
// maps, and falls back to the framework's handling. Command messages
// (WM_COMMAND) are looked up by CWnd::OnCommand, so that CDialog's IDOK and
// IDCANCEL handling comes after the derived classes' entries. Included by
// afxwin.h.
#pragma once

#include "platform/win/win.h"

class CWnd;
class CDC;
struct HWND__;
#if !defined(_WIN32)
struct DRAWITEMSTRUCT;
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;
#endif  // !_WIN32

// ---------------------------------------------------------------- messages (besides those of afxwin.h)

#if !defined(_WIN32)
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_PAINT 0x000F
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#endif  // !_WIN32
#define WM_CTLCOLOR 0x0019  // the framework's single entry for the WM_CTLCOLOR* messages
#if !defined(_WIN32)
#define WM_SETCURSOR 0x0020
#define WM_DRAWITEM 0x002B
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_NOTIFY 0x004E
#define WM_NCHITTEST 0x0084
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MOUSEHOVER 0x02A1
#define WM_MOUSELEAVE 0x02A3
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTEISCHANGING 0x0310
#define WM_PALETTECHANGED 0x0311
#endif  // !_WIN32

#if !defined(_WIN32)
// WM_CTLCOLOR kinds (nCtlColor of OnCtlColor): the message minus
// WM_CTLCOLORMSGBOX.
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6

// WM_SIZE kinds, WM_ACTIVATE states.
#define SIZE_RESTORED 0
#define WA_INACTIVE 0
#define WA_ACTIVE 1

// Button notifications (the high word of WM_COMMAND's wParam).
#define BN_CLICKED 0

// ---------------------------------------------------------------- mouse tracking

#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_NONCLIENT 0x00000010
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF  // the system's hover time (400 ms)

struct TRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND__* hwndTrack;
    DWORD dwHoverTime;  // milliseconds
};
typedef TRACKMOUSEEVENT* LPTRACKMOUSEEVENT;

// Asks for WM_MOUSEHOVER once the pointer has rested dwHoverTime
// milliseconds inside the window (TME_HOVER) and WM_MOUSELEAVE when it
// leaves the window (TME_LEAVE; at once if it is not inside now). Each
// notice is sent once and ends its kind of tracking; TME_CANCEL ends
// tracking, TME_QUERY fills in the current request. FALSE for a bad record
// or a window that is not one.
BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack);
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack);
#endif  // !_WIN32

// ---------------------------------------------------------------- maps

typedef LRESULT (*AFX_PMSG)(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message (WM_CTLCOLOR for all WM_CTLCOLOR* messages)
    UINT nCode;     // notification code of WM_COMMAND
    UINT nID;       // first control id of WM_COMMAND
    UINT nLastID;   // last control id of WM_COMMAND
    AFX_PMSG pfn;   // null ends the map
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Looks message up in pWnd's map chain and calls the first entry that
// matches; TRUE (with the handler's result) when one did.
BOOL AfxDispatchMessageMap(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

#define afx_msg

#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
    static const AFX_MSGMAP* GetThisMessageMap();      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                            \
        typedef theClass ThisClass;                                              \
        typedef baseClass TheBaseClass;                                          \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                 \
    { 0, 0, 0, 0, nullptr }                                                               \
    }                                                                                     \
    ;                                                                                     \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                   \
    }

#define AFX_MSG_ENTRY(msg, ...) \
    {static_cast<UINT>(msg), 0, 0, 0, [](CWnd* pWnd_, UINT msg_, WPARAM wParam_, LPARAM lParam_) -> LRESULT { \
         ThisClass* self_ = static_cast<ThisClass*>(pWnd_);                                                   \
         (void)self_; (void)msg_; (void)wParam_; (void)lParam_;                                               \
         __VA_ARGS__                                                                                          \
     }},

// Handler signatures as in the framework.
#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, return self_->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam_));)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, self_->OnDestroy(); return 0;)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, self_->OnClose(); return 0;)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, self_->OnTimer(static_cast<UINT_PTR>(wParam_)); return 0;)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, self_->OnPaint(); return 0;)
#define ON_WM_ERASEBKGND() \
    AFX_MSG_ENTRY(WM_ERASEBKGND, return self_->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam_)));)
#define ON_WM_CTLCOLOR()                                                                                      \
    AFX_MSG_ENTRY(WM_CTLCOLOR, return reinterpret_cast<LRESULT>(self_->OnCtlColor(                            \
                                   CDC::FromHandle(reinterpret_cast<HDC>(wParam_)),                           \
                                   CWnd::FromHandle(reinterpret_cast<HWND>(lParam_)), msg_ - WM_CTLCOLORMSGBOX));)
#define ON_WM_QUERYNEWPALETTE() AFX_MSG_ENTRY(WM_QUERYNEWPALETTE, return self_->OnQueryNewPalette();)
#define ON_WM_PALETTECHANGED() \
    AFX_MSG_ENTRY(WM_PALETTECHANGED, self_->OnPaletteChanged(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_))); return 0;)
#define ON_WM_DRAWITEM()                                                                                \
    AFX_MSG_ENTRY(WM_DRAWITEM, self_->OnDrawItem(static_cast<int>(wParam_),                             \
                                                 reinterpret_cast<LPDRAWITEMSTRUCT>(lParam_)); return TRUE;)
#define AFX_MOUSE_ENTRY(msg, fn) AFX_MSG_ENTRY(msg, self_->fn(static_cast<UINT>(wParam_), CPoint(lParam_)); return 0;)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEHOVER() AFX_MOUSE_ENTRY(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_MOUSELEAVE() AFX_MSG_ENTRY(WM_MOUSELEAVE, self_->OnMouseLeave(); return 0;)
#define ON_WM_SIZE() \
    AFX_MSG_ENTRY(WM_SIZE, self_->OnSize(static_cast<UINT>(wParam_), LOWORD(lParam_), HIWORD(lParam_)); return 0;)
#define ON_WM_MOVE() \
    AFX_MSG_ENTRY(WM_MOVE, self_->OnMove(static_cast<SHORT>(LOWORD(lParam_)), static_cast<SHORT>(HIWORD(lParam_))); return 0;)
#define ON_WM_SYSCOMMAND() AFX_MSG_ENTRY(WM_SYSCOMMAND, self_->OnSysCommand(static_cast<UINT>(wParam_), lParam_); return 0;)
#define ON_WM_SETFOCUS() \
    AFX_MSG_ENTRY(WM_SETFOCUS, self_->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_))); return 0;)
#define ON_WM_KILLFOCUS() \
    AFX_MSG_ENTRY(WM_KILLFOCUS, self_->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_))); return 0;)
#define ON_WM_SHOWWINDOW() \
    AFX_MSG_ENTRY(WM_SHOWWINDOW, self_->OnShowWindow(static_cast<BOOL>(wParam_), static_cast<UINT>(lParam_)); return 0;)

// A message with a handler LRESULT fn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, return self_->memberFxn(wParam_, lParam_);)

// Commands: void fn() for the control id (or the id range).
#define ON_COMMAND_EX_RANGE_(code, id, idLast, memberFxn)                                                 \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(idLast),             \
     [](CWnd* pWnd_, UINT, WPARAM, LPARAM) -> LRESULT {                                                 \
         static_cast<ThisClass*>(pWnd_)->memberFxn();                                                   \
         return TRUE;                                                                                   \
     }},
#define ON_COMMAND(id, memberFxn) ON_COMMAND_EX_RANGE_(0, id, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND_EX_RANGE_(BN_CLICKED, id, id, memberFxn)
#define ON_CONTROL(code, id, memberFxn) ON_COMMAND_EX_RANGE_(code, id, id, memberFxn)
