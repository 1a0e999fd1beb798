// The framework's Win32 window layer on real windows: dialogs built from the
// template data run modally and end by their own codes (timers, keystrokes
// through PreTranslateMessage, WM_CLOSE, message map handlers, data
// exchange), and a dialog whose ActiveX control cannot be created still
// runs and ends by its code.
// (The framework's header first: it brings winsock2.h before windows.h.)
#include "platform/afx/afxwin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

// Rectangles in failure messages.
void PrintTo(const CRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

namespace {

// A dialog that is still running after this long has hung: it ends with
// kHung, which no test expects.
const UINT kHangGuardMs = 10000;
const UINT_PTR kHangTimer = 99;
const int kHung = 999;

const int IDC_TEST_BUTTON = 1001;
const int IDC_TEST_STATIC = 1002;
const int IDC_TEST_CONTROL = 1003;
const int IDC_TEST_OWNERDRAW = 1004;

// An owner-drawn button: its parent's WM_DRAWITEM is reflected to it.
class DrawCountingButton : public CButton {
public:
    int m_draws = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override {
        if (lpDIS != nullptr && lpDIS->CtlID == IDC_TEST_OWNERDRAW) ++m_draws;
    }
};

const AFX_DLGITEMTEMPLATE kItems[] = {
    {IDC_TEST_BUTTON, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 40, 50, 14},
    {IDC_TEST_STATIC, "STATIC", "Hello", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 100, 10},
    {IDC_TEST_OWNERDRAW, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 70, 40, 20, 14},
};
const AFX_DLGTEMPLATE kTemplate = {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 160, 80,
                                   "Test dialog", 8, "MS Shell Dlg", kItems, 3};

// The same with an ActiveX item of a class no one registered.
const AFX_DLGITEMTEMPLATE kItemsWithControl[] = {
    kItems[0],
    kItems[1],
    kItems[2],
    {IDC_TEST_CONTROL, "{0C1F3A52-7D4B-4E2A-9B3E-5F6A7B8C9D0E}", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 55, 100,
     20},
};
const AFX_DLGTEMPLATE kTemplateWithControl = {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                              0, 160, 80, "Test dialog", 8, "MS Shell Dlg", kItemsWithControl, 4};

// The same with the system's web browser control (which may or may not load
// here: under Wine without its HTML engine it cannot show pages).
const AFX_DLGITEMTEMPLATE kItemsWithBrowser[] = {
    kItems[0],
    kItems[1],
    kItems[2],
    {IDC_TEST_CONTROL, "{8856F961-340A-11D0-A96B-00C04FD705A2}", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 55, 100,
     20},
};
const AFX_DLGTEMPLATE kTemplateWithBrowser = {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                              0, 160, 80, "Test dialog", 8, "MS Shell Dlg", kItemsWithBrowser, 4};

// A frameless pop-up of the System font over a bitmap of its size, as the
// skinned dialog is.
const AFX_DLGTEMPLATE kSystemFontTemplate = {DS_SETFONT | WS_POPUP, 0, 0, 0, 222, 253, "", 9, "System", kItems, 3};

enum class Action { EndFromTimer, PostEscape, PostReturn, PostClose, PostUserMessage, ClickButton, EndInInit };

class TestDialog : public CDialog {
public:
    explicit TestDialog(Action action, const AFX_DLGTEMPLATE* t = &kTemplate) : m_action(action) {
        InitModalIndirect(t);
    }

    CButton m_button;
    CStatic m_static;
    CWnd m_control;
    DrawCountingButton m_ownerDraw;
    bool m_staticRebound = false;
    Action m_action;
    int m_ticks = 0;
    int m_keysSeen = 0;
    bool m_destroyed = false;
    bool m_clicked = false;
    CString m_staticText;
    bool m_buttonIsItem = false;
    LONG m_invokeResult = 123;
    CString m_createdCaption;
    bool m_controlLoaded = false;
    CRect m_window, m_client, m_staticRect;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_TEST_BUTTON, m_button);
        DDX_Control(pDX, IDC_TEST_STATIC, m_static);
        DDX_Control(pDX, IDC_TEST_CONTROL, m_control);
        DDX_Control(pDX, IDC_TEST_OWNERDRAW, m_ownerDraw);
    }

    BOOL OnInitDialog() override {
        // An item asked for before data exchange binds it: the framework's
        // object gives way to the member.
        CWnd* before = GetDlgItem(IDC_TEST_STATIC);
        CDialog::OnInitDialog();
        m_staticRebound = before != nullptr && before != &m_static && GetDlgItem(IDC_TEST_STATIC) == &m_static;
        SetTimer(kHangTimer, kHangGuardMs);
        m_static.GetWindowText(m_staticText);
        m_buttonIsItem = GetDlgItem(IDC_TEST_BUTTON) == &m_button;
        m_controlLoaded = m_control.GetControlSite() != nullptr && m_control.m_hWnd != nullptr;
        GetWindowRect(m_window);
        GetClientRect(m_client);
        m_static.GetWindowRect(m_staticRect);
        ScreenToClient(m_staticRect);
        switch (m_action) {
            case Action::EndFromTimer:
                SetTimer(7, 20);
                break;
            case Action::PostEscape:
                ::PostMessage(m_button.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
                break;
            case Action::PostReturn:
                ::PostMessage(m_button.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
                break;
            case Action::PostClose:
                PostMessage(WM_CLOSE);
                break;
            case Action::PostUserMessage:
                PostMessage(WM_USER + 5, 77, 0);
                break;
            case Action::ClickButton:
                PostMessage(WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                            reinterpret_cast<LPARAM>(m_button.m_hWnd));
                break;
            case Action::EndInInit:
                EndDialog(31);
                break;
        }
        return TRUE;
    }

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN) ++m_keysSeen;
        return CDialog::PreTranslateMessage(pMsg);
    }

    void OnTimer(UINT_PTR id) override {
        if (id == kHangTimer) {
            EndDialog(kHung);
            return;
        }
        ++m_ticks;
        m_control.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &m_invokeResult, reinterpret_cast<const BYTE*>(VTS_NONE));
        EndDialog(42);
        // From now on only WM_DESTROY reaches the handlers.
        SendMessage(WM_TIMER, 7, 0);
        SendMessage(WM_COMMAND, IDOK, 0);
    }

    void OnDestroy() override { m_destroyed = true; }

    int OnCreate(LPCREATESTRUCT cs) override {
        m_createdCaption = cs != nullptr && cs->lpszName != nullptr ? cs->lpszName : "";
        return CDialog::OnCreate(cs);
    }

    LRESULT OnUserMessage(WPARAM wParam, LPARAM) {
        EndDialog(static_cast<int>(wParam));
        return 0;
    }
    void OnButton() {
        m_clicked = true;
        EndDialog(IDC_TEST_BUTTON);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_WM_CREATE()
ON_WM_TIMER()
ON_WM_DESTROY()
ON_MESSAGE(WM_USER + 5, OnUserMessage)
ON_BN_CLICKED(IDC_TEST_BUTTON, OnButton)
END_MESSAGE_MAP()

TEST(WinDialog, TimerEndsTheRunWithItsCodeAndNothingButDestroyFollows) {
    TestDialog dlg(Action::EndFromTimer);
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(dlg.m_ticks, 1);  // the tick sent after EndDialog did not reach OnTimer
    EXPECT_TRUE(dlg.m_destroyed);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    // WM_CREATE reached the dialog's handler, its record in the ANSI code page.
    EXPECT_STREQ(static_cast<LPCSTR>(dlg.m_createdCaption), "Test dialog");
    // The template's items were created, with their text, and bound.
    EXPECT_STREQ(static_cast<LPCSTR>(dlg.m_staticText), "Hello");
    EXPECT_TRUE(dlg.m_buttonIsItem);
    EXPECT_TRUE(dlg.m_staticRebound);
    // The owner-drawn button drew itself when the dialog was shown.
    EXPECT_GE(dlg.m_ownerDraw.m_draws, 1);
}

TEST(WinDialog, KeystrokesPassPreTranslateMessageEscapeCancelsReturnConfirms) {
    TestDialog esc(Action::PostEscape);
    EXPECT_EQ(esc.DoModal(), IDCANCEL);
    EXPECT_GE(esc.m_keysSeen, 1);
    TestDialog ret(Action::PostReturn);
    EXPECT_EQ(ret.DoModal(), IDOK);
    EXPECT_GE(ret.m_keysSeen, 1);
}

TEST(WinDialog, CloseCancels) {
    TestDialog dlg(Action::PostClose);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(WinDialog, MessageMapHandlersAreReached) {
    TestDialog user(Action::PostUserMessage);
    EXPECT_EQ(user.DoModal(), 77);
    TestDialog click(Action::ClickButton);
    EXPECT_EQ(click.DoModal(), IDC_TEST_BUTTON);
    EXPECT_TRUE(click.m_clicked);
}

TEST(WinDialog, EndDialogDuringInitialisationReturnsAtOnce) {
    TestDialog dlg(Action::EndInInit);
    EXPECT_EQ(dlg.DoModal(), 31);
}

// The dialog and its items in the framework's pixels whatever the metrics
// of the system's font (Wine's "System" font is smaller than Windows'), the
// window in the middle of the work area.
TEST(WinDialog, SystemFontDialogIsLaidOutInTheFrameworksPixelsAndCentred) {
    TestDialog dlg(Action::EndInInit, &kSystemFontTemplate);
    EXPECT_EQ(dlg.DoModal(), 31);
    EXPECT_EQ(dlg.m_client, CRect(0, 0, 444, 506));
    EXPECT_EQ(dlg.m_staticRect, CRect(20, 20, 220, 40));
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_LE(std::abs((dlg.m_window.left + dlg.m_window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((dlg.m_window.top + dlg.m_window.bottom) - (work.top + work.bottom)), 1);
}

TEST(WinDialog, NoTemplateMeansNoDialog) {
    CDialog dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(WinDialog, UnknownActiveXControlFailsAndTheDialogStillEndsByItsCode) {
    AfxEnableControlContainer();
    TestDialog dlg(Action::EndFromTimer, &kTemplateWithControl);
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_FALSE(dlg.m_controlLoaded);
    EXPECT_EQ(dlg.m_invokeResult, 0);  // the call found no control: a zero result

    // Directly: the creation fails, and leaves no window behind.
    HWND hostWindow = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hostWindow, nullptr);
    CWnd* host = CWnd::FromHandle(hostWindow);
    ASSERT_NE(host, nullptr);
    CLSID unknown;
    ASSERT_EQ(CLSIDFromString(L"{0C1F3A52-7D4B-4E2A-9B3E-5F6A7B8C9D0E}", &unknown), S_OK);
    CWnd wnd;
    EXPECT_FALSE(wnd.CreateControl(unknown, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), host, 5));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(::GetDlgItem(hostWindow, 5), nullptr);
    ::DestroyWindow(hostWindow);
    AfxTermControlContainer();
}

TEST(WinDialog, BrowserControlLoadedOrNotTheDialogEndsByItsCode) {
    AfxEnableControlContainer();
    TestDialog dlg(Action::EndFromTimer, &kTemplateWithBrowser);
    EXPECT_EQ(dlg.DoModal(), 42);
    std::printf("the browser control %s\n", dlg.m_controlLoaded ? "loaded, bound by data exchange" : "did not load");
    // Its site went with the dialog.
    EXPECT_EQ(dlg.m_control.GetControlSite(), nullptr);
    AfxTermControlContainer();
}

TEST(WinControls, TooltipToolsAndTrackbarPositionsOnTheSystemClasses) {
    HWND hostWindow = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hostWindow, nullptr);
    CWnd* host = CWnd::FromHandle(hostWindow);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hostWindow), host);  // one object per window

    CStatic label;
    ASSERT_TRUE(label.Create("Card", WS_VISIBLE, CRect(0, 0, 80, 20), host, 11));
    CString text;
    label.GetWindowText(text);
    EXPECT_STREQ(static_cast<LPCSTR>(text), "Card");
    EXPECT_EQ(host->GetDlgItem(11), &label);

    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(host));
    char className[64] = "";
    ::GetClassNameA(tips.m_hWnd, className, sizeof(className));
    EXPECT_STREQ(className, "tooltips_class32");
    EXPECT_TRUE(tips.AddTool(&label, "Close the window"));
    EXPECT_TRUE(tips.AddTool(&label, "Part of it", CRect(0, 0, 10, 10), 7));
    EXPECT_EQ(tips.GetToolCount(), 2);
    tips.GetText(text, &label);
    EXPECT_STREQ(static_cast<LPCSTR>(text), "Close the window");
    tips.UpdateTipText("Closes", &label, 7);
    tips.GetText(text, &label, 7);
    EXPECT_STREQ(static_cast<LPCSTR>(text), "Closes");
    tips.DelTool(&label);
    EXPECT_EQ(tips.GetToolCount(), 1);

    CSliderCtrl slider;
    ASSERT_TRUE(slider.Create(WS_VISIBLE, CRect(0, 30, 150, 60), host, 12));
    ::GetClassNameA(slider.m_hWnd, className, sizeof(className));
    EXPECT_STREQ(className, "msctls_trackbar32");
    slider.SetRange(0, 50);
    slider.SetPos(70);  // kept within the range
    EXPECT_EQ(slider.GetPos(), 50);
    slider.SetPos(20);
    EXPECT_EQ(slider.GetPos(), 20);

    ::DestroyWindow(hostWindow);
    EXPECT_EQ(label.m_hWnd, nullptr);  // the object let go of its window
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::OleInitialize(nullptr))) return 2;
    int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}
