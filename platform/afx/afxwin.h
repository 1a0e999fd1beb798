// The window part of the application framework: CWnd, CDialog, timers,
// the modal loop, dialog data exchange, control containment (sites,
// container manager, event sinks) and message boxes; with afxmsgmap.h
// (message maps), afxgdi.h (drawing) and afxctrls.h (controls), which it
// includes, all of the framework's window and drawing surface. It runs on GTK 3 on
// the user-interface thread (the thread that called the first window
// function, normally the process's main thread); none of it may be called
// from another thread.
#pragma once

#include <cstdarg>
#include <tuple>
#include <utility>

#include "platform/afx/afxmsgmap.h"
#include "platform/afx/afxres.h"
#include "platform/afx/afxstr.h"
#include "platform/com/com.h"

// ---------------------------------------------------------------- handles and geometry

#if !defined(_WIN32)  // the SDK's on Windows
typedef struct HWND__* HWND;
typedef struct HICON__* HICON;
typedef struct HINSTANCE__* HINSTANCE;

struct POINT {
    LONG x;
    LONG y;
};
typedef POINT* LPPOINT;

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;
#endif  // !_WIN32

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int px, int py) : POINT{px, py} {}
    explicit CPoint(LPARAM lParam) : POINT{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))} {}
};

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int w, int h) : SIZE{w, h} {}
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}  // NOLINT: implicit as in the framework
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    CSize Size() const { return CSize(Width(), Height()); }
    bool operator==(const RECT& r) const { return left == r.left && top == r.top && right == r.right && bottom == r.bottom; }
    bool operator!=(const RECT& r) const { return !(*this == r); }
    operator LPRECT() { return this; }  // NOLINT
    operator LPCRECT() const { return this; }  // NOLINT
};

#if !defined(_WIN32)
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))

// ---------------------------------------------------------------- messages

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_CLOSE 0x0010
#define WM_SETICON 0x0080
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_USER 0x0400

#define SC_CLOSE 0xF060
// Notification code of a push button's click (in the high word of WM_COMMAND's wParam).
#define BN_CLICKED 0
#define HTCAPTION 2

// Key flags of mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Virtual key codes.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F10 0x79
#define VK_APPS 0x5D

#define IDOK 1
#define IDCANCEL 2

#define ICON_SMALL 0
#define ICON_BIG 1

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

#define SW_HIDE 0
#define SW_SHOW 5

#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L

// Shortest timer interval; a shorter one (0 included) is raised to it.
#define USER_TIMER_MINIMUM 0x0000000A

typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct CREATESTRUCT {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    DWORD dwExStyle;
};
typedef CREATESTRUCT* LPCREATESTRUCT;
#endif  // !_WIN32

class CWnd;
class CDialog;
class CDC;
class CFont;
#if !defined(_WIN32)
typedef struct HBRUSH__* HBRUSH;
#endif  // !_WIN32
class COleControlSite;
class COleControlContainer;
class AfxPlatformControl;

#if !defined(_WIN32)
// Win32 calls on window handles.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message; it is delivered from the user-interface loop, and
// dropped if the window is gone by then.
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Inside PreTranslateMessage: the keystroke goes on to its window as it is,
// without the dialog-key processing (TranslateMessage has nothing to do
// here: the character travels with the key event).
BOOL TranslateMessage(const MSG* lpMsg);
LRESULT DispatchMessage(const MSG* lpMsg);
BOOL IsWindow(HWND hWnd);
// The window class name: "#32770" for dialogs, "Button", "Static",
// "msctls_trackbar32", "tooltips_class32", "Shell Embedding" for the
// browser control. Returns its length, 0 for a handle that is no window.
int GetClassName(HWND hWnd, LPSTR lpClassName, int nMaxCount);
#define GetClassNameA GetClassName
HWND GetParent(HWND hWnd);
BOOL IsChild(HWND hWndParent, HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
// Mouse capture: the window gets the mouse messages while a button is down,
// wherever the pointer is.
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL GetCursorPos(LPPOINT lpPoint);
#endif  // !_WIN32

// Message box: modal, on the user-interface loop; returns IDOK.
#if !defined(_WIN32)
int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
#endif  // !_WIN32
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Icon from the module's resources (an icon resource holds a .ico file).
// The handle lives as long as the process, as a shared icon does.
#if !defined(_WIN32)
HICON LoadIcon(HINSTANCE hInstance, LPCSTR lpIconName);
#endif  // !_WIN32
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();

#include "platform/afx/afxevents.h"

// ---------------------------------------------------------------- CWnd

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object attached to a window (a window created from a template item
    // and not bound to a member answers with a framework-owned object).
    static CWnd* FromHandle(HWND hWnd);

    // Creates an ActiveX control as a child of pParentWnd, with a site from
    // the installed container manager.
    BOOL CreateControl(REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       UINT nID);
    BOOL DestroyWindow();

    // Geometry in pixels. A top-level window's rectangle is in screen
    // coordinates and includes its caption; a child's is in screen
    // coordinates too (GetWindowRect) and is positioned relative to its
    // parent's client area (MoveWindow, SetWindowPos).
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    // Centres a top-level window over its owner, or over pAlternateOwner
    // when given, or on the screen when it has neither (afxwndpos.cpp).
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // Caption text, in the ANSI code page.
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;

    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;

    DWORD GetStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    // Attaches this object to the template item nID of pParent.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

    CWnd* SetFocus();
    static CWnd* GetFocus();

    // Window timers: WM_TIMER with the id every nElapse milliseconds (at
    // least USER_TIMER_MINIMUM) until KillTimer or the window's end. Setting
    // an id again restarts it. Returns the id, 0 on failure.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // Calls the control's IDispatch (windows that hold an ActiveX control).
    // Arguments follow pbParamInfo (VTS_*); the result is stored at pvRet
    // (IDispatch** for VT_DISPATCH, CString* for VT_BSTR, LONG* for VT_I4,
    // BOOL* for VT_BOOL). A failed call leaves a zero result.
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
    COleControlSite* GetControlSite() const { return m_pCtrlSite; }

    // Keyboard messages pass here first, from the window with the focus up
    // to its top-level window; TRUE means handled.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Message processing: WindowProc routes the messages to the handlers
    // below; DefWindowProc is the default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Event sinks for the controls this window contains.
    virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const { return nullptr; }

    // Painting (see afxgdi.h). Invalidating adds to the update region; the
    // WM_PAINT it brings comes from the user-interface loop. A top-level
    // window's invalidation takes in the children it covers.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr,
                      UINT flags = 0x0001 | 0x0100 | 0x0080);  // RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* pDC);
    // The font the window draws its text with (WM_SETFONT / WM_GETFONT).
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CFont* GetFont() const;

    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsChild(const CWnd* pWnd) const;
    CWnd* SetCapture();
    static CWnd* GetCapture();
    static CWnd* GetDesktopWindow();

    // A control's notices reflected back to it by its parent (WM_DRAWITEM);
    // TRUE when it took the message.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // The message map of the class (DECLARE_MESSAGE_MAP in a derived class).
    virtual const AFX_MSGMAP* GetMessageMap() const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    // The default processing of the message being handled.
    LRESULT Default();

    virtual int OnCreate(LPCREATESTRUCT lpCreateStruct);
    virtual void OnDestroy();
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // Handlers reached through message maps (ON_WM_*); each does the
    // default processing.
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg BOOL OnQueryNewPalette();
    afx_msg void OnPaletteChanged(CWnd* pFocusWnd);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);  // reflects to the control
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseHover(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);

public:
    // Framework state: the site of the control this window holds, and the
    // container of the controls it contains.
    COleControlSite* m_pCtrlSite = nullptr;
    COleControlContainer* m_pCtrlCont = nullptr;
};

// ---------------------------------------------------------------- dialogs

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// A template item's rectangle in pixels (afxres.h's dialog units). The
// module's dialogs are laid out in these pixels on every platform, whatever
// fonts the system has: they are drawn over bitmaps of that size.
RECT AfxItemPixels(const AFX_DLGTEMPLATE* tmpl, const AFX_DLGITEMTEMPLATE& item);

// Binds the member rControl to the dialog's item nIDC (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Uses a template held by the caller instead of a module resource.
    BOOL InitModalIndirect(const AFX_DLGTEMPLATE* lpDialogTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog from its template (WM_CREATE, then OnInitDialog),
    // shows it and runs a nested user-interface loop until EndDialog; then
    // destroys the window (WM_DESTROY) and returns the EndDialog code, or -1
    // when the dialog could not be created.
    virtual INT_PTR DoModal();
    // Ends the modal run with nResult. From then on no timer of the dialog
    // fires and no further message reaches its handlers but WM_DESTROY.
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Dialog-key processing: Escape is the cancel command, Return the OK
    // command (WM_KEYDOWN); both are then handled.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // WM_CLOSE is the cancel command.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp = 0;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

public:
    // Framework state.
    const AFX_DLGTEMPLATE* m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;
    int m_nModalResult = -1;
    BOOL m_bEnded = FALSE;
};

// ---------------------------------------------------------------- control containment

// The site of one control in a container. The control asks its site for the
// host's interfaces through ExternalQueryInterface; a derived site adds
// interfaces by overriding GetInterfaceHook (its interface map).
class COleControlSite {
public:
    explicit COleControlSite(COleControlContainer* pCtrlCont);
    virtual ~COleControlSite();
    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    HRESULT ExternalQueryInterface(const IID* iid, LPVOID* ppvObj);
    ULONG ExternalAddRef();
    ULONG ExternalRelease();

    // Creates the control of class clsid in this site.
    HRESULT CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          UINT nID);
    void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                       va_list argList);
    // Delivers an event of the control to the container's event sinks.
    // FALSE when no sink took it.
    BOOL FireEvent(DISPID dispid, DISPPARAMS* pParams);

    COleControlContainer* m_pCtrlCont;
    HWND m_hWnd = nullptr;
    UINT m_nID = 0;
    CLSID m_clsid{};
    IDispatch* m_pObject = nullptr;  // the control's dispatch interface
    CWnd* m_pWndCtrl = nullptr;      // the window object bound to the control
    AfxPlatformControl* m_pPlatformControl = nullptr;  // framework state: the control itself

protected:
    // Further interfaces of a derived site; null when it has none.
    virtual IUnknown* GetInterfaceHook(REFIID) { return nullptr; }

private:
    ULONG m_dwRef = 1;
};

class COleControlContainer {
public:
    explicit COleControlContainer(CWnd* pWnd);
    virtual ~COleControlContainer();
    COleControlContainer(const COleControlContainer&) = delete;
    COleControlContainer& operator=(const COleControlContainer&) = delete;

    COleControlSite* FindItem(UINT nID) const;

    CWnd* m_pWnd;

    // Framework state: the sites of this container, destroyed with it.
    struct SiteList;
    SiteList* m_pSites;
};

class COccManager {
public:
    virtual ~COccManager();
    virtual COleControlSite* CreateSite(COleControlContainer* pCtrlCont);
    virtual COleControlContainer* CreateContainer(CWnd* pWnd);
};

// Turns on control containment with the given manager (a default manager
// when null). The framework owns the manager from then on (a later call
// replaces and deletes it). Without it,
// dialogs whose templates hold controls cannot be created.
void AfxEnableControlContainer(COccManager* pOccManager = nullptr);
// Turns control containment off again and deletes the manager (a module's
// end). Controls created afterwards find no container.
void AfxTermControlContainer();

// The drawing layer and the controls.
#include "platform/afx/afxgdi.h"
