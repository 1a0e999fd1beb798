// Controls of the framework: static texts, buttons (owner-drawn ones among
// them), bitmap buttons, tooltips and trackbars. Included by afxgdi.h.
//
// A static text draws its text in the font set with SetFont (the dialog's
// font otherwise) over what its parent's WM_CTLCOLORSTATIC answers: with
// the background mode TRANSPARENT or a hollow brush the parent's pixels show
// through; otherwise the brush fills the control first. Buttons ask
// WM_CTLCOLORBTN the same way. An owner-drawn button (BS_OWNERDRAW) draws
// nothing itself: its parent gets WM_DRAWITEM (ODA_DRAWENTIRE, with
// ODS_SELECTED while it is pressed and ODS_FOCUS while it has the focus),
// and CButton reflects that to DrawItem.
#pragma once

#include "platform/afx/afxgdi.h"

#if defined(_WIN32)
#include <commctrl.h>
#endif

// ---------------------------------------------------------------- styles and records

#if !defined(_WIN32)
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_BITMAP 0x0000000EL
#define SS_NOTIFY 0x00000100L
#define SS_NOPREFIX 0x00000080L

#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_TYPEMASK 0x0000000FL
#define BS_BITMAP 0x00000080L
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008

#define TBS_HORZ 0x0000
#define TBS_VERT 0x0002

#define TTS_ALWAYSTIP 0x01
#define TTS_NOPREFIX 0x02
#define TTDT_AUTOMATIC 0
#define TTDT_RESHOW 1
#define TTDT_AUTOPOP 2
#define TTDT_INITIAL 3
#define LPSTR_TEXTCALLBACK ((LPSTR)-1L)

// Owner drawing.
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    ULONG_PTR itemData;
};
#endif  // !_WIN32

// ---------------------------------------------------------------- controls

class CStatic : public CWnd {
public:
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
};

class CButton : public CWnd {
public:
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // BST_PUSHED while the button is held down, BST_FOCUS with the focus.
    UINT GetState() const;
    void SetState(BOOL bHighlight);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);

    // Owner-drawn buttons: called for each WM_DRAWITEM of the button.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// An owner-drawn button showing one of four bitmaps: normal, selected
// (pressed), focused and disabled.
class CBitmapButton : public CButton {
public:
    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;

    // Resource ids, 0 for none (but the first). FALSE when one fails to load.
    BOOL LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel = 0, UINT nIDBitmapResourceFocus = 0,
                     UINT nIDBitmapResourceDisabled = 0);
    BOOL LoadBitmaps(LPCSTR lpszBitmapResource, LPCSTR lpszBitmapResourceSel = nullptr,
                     LPCSTR lpszBitmapResourceFocus = nullptr, LPCSTR lpszBitmapResourceDisabled = nullptr);
    // Makes the button as large as its normal bitmap.
    void SizeToContent();
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
};

// Tooltips: a small pop-up window with a tool's text, shown when the mouse
// rests on the tool (the messages reach the control through RelayEvent)
// and hidden when it moves off, a button goes down or the control is
// deactivated. A control starts active.
class CToolTipCtrl : public CWnd {
public:
    CToolTipCtrl();
    ~CToolTipCtrl() override;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    // A tool: the window pWnd (the rectangle lpRectTool of it, in its client
    // coordinates, when given) with the text, under the id nIDTool.
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText = LPSTR_TEXTCALLBACK, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    BOOL AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
    int GetToolCount() const;
    void GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
    void Activate(BOOL bActivate);
    // Mouse messages of the tools' windows (WM_MOUSEMOVE, WM_LBUTTONDOWN,
    // ...) as the message loop sees them; others are ignored.
    void RelayEvent(LPMSG lpMsg);
    // Milliseconds before showing (TTDT_INITIAL) or until hiding (TTDT_AUTOPOP).
    void SetDelayTime(DWORD dwDuration, int iTime);
    void SetDelayTime(UINT nDelay);
    void Pop();

    // Framework state.
    struct State;
    State* m_pState;
};

// A trackbar ("msctls_trackbar32").
class CSliderCtrl : public CWnd {
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    void SetPos(int nPos);
    int GetPos() const;
};
