// The Win32 control container with the system's container manager, against
// a fake browser control of the tests' own (Wine has no HTML engine): what
// the control finds at its site (in-place site and frame, control site,
// ambient properties, the UI handler of the custom site), Navigate2's
// arguments, the events through the connection point to the dialog's sink
// map with Cancel written back, the document's outerHTML as the module
// reads it, keystrokes from the dialog's loop through the control's
// accelerators, and the control's end, also from inside one of its events.
// (The framework's header first: it brings winsock2.h before windows.h.)
#include "platform/afx/afxwin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "auth/AuthDocument.h"
#include "platform/afx/afxstr.h"
#include "tests/windows/fake_browser.h"
#include "ui/CustomOccManager.h"
#include "ui/WebBrowser2.h"

namespace {

const int IDC_BROWSER = 201;
const int IDC_BUTTON = 1001;
const UINT kHangGuardMs = 10000;
const UINT_PTR kHangTimer = 99;
const int kHung = 999;
const int kEndedAfterKeys = 55;
const int kEndedInEvent = 66;
const UINT kStart = WM_USER + 1;
const UINT kKeys = WM_USER + 2;
const UINT kEnd = WM_USER + 3;

const wchar_t kAcsUrl[] = L"https://acs.test/pareq";
const wchar_t kBlockedUrl[] = L"https://acs.test/blocked";
const char kPostData[] = "PaReq=eJzLSM3J&TermUrl=https%3A%2F%2Fshop.test%2Fterm&MD=7";
const char kHeaders[] = "Content-Type: application/x-www-form-urlencoded\r\n";

const AFX_DLGITEMTEMPLATE kItems[] = {
    {IDC_BUTTON, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 90, 50, 14},
    {IDC_BROWSER, "{5B0C1E24-8E0B-4C1D-9D51-3A6F2D1C7E10}", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 5, 5, 150, 80},
};
const AFX_DLGTEMPLATE kTemplate = {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 170, 110,
                                   "Authentication", 8, "MS Shell Dlg", kItems, 2};

std::string Narrow(const VARIANT* v) {
    if (v == nullptr || v->vt != VT_BSTR || v->bstrVal == nullptr) return std::string();
    return BstrToAnsi(v->bstrVal, SysStringLen(v->bstrVal));
}

// A dialog with the browser as item 201 and the sink map of the
// authentication dialogs.
class BrowserDialog : public CDialog {
public:
    explicit BrowserDialog(bool endInTitleChange, bool escapeInPage = false)
        : m_endInTitleChange(endInTitleChange), m_escapeInPage(escapeInPage) {
        InitModalIndirect(&kTemplate);
    }

    CWebBrowser2 m_browser;
    bool m_endInTitleChange;
    bool m_escapeInPage;
    bool m_bound = false;
    RECT m_resized{};
    std::string m_beforeUrls;  // the addresses of BeforeNavigate2, one a line
    bool m_beforeHadDispatch = false;
    std::string m_headersSeen;
    std::string m_title;
    std::string m_completeUrl;
    int m_completes = 0;
    std::string m_html;
    bool m_htmlRead = false;
    int m_returnConfirms = 0;

    const AFX_EVENTSINKMAP* GetEventSinkMap() const override {
        static const AFX_EVENTSINKMAP_ENTRY entries[] = {
            ON_EVENT(BrowserDialog, IDC_BROWSER, 259, OnDocumentComplete),
            ON_EVENT(BrowserDialog, IDC_BROWSER, 250, OnBeforeNavigate2),
            ON_EVENT(BrowserDialog, IDC_BROWSER, 113, OnTitleChange),
        };
        static const AFX_EVENTSINKMAP map = {entries, static_cast<int>(sizeof(entries) / sizeof(entries[0]))};
        return &map;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_BROWSER, m_browser);
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetTimer(kHangTimer, kHangGuardMs);
        m_bound = m_browser.GetControlSite() != nullptr && m_browser.m_hWnd != nullptr;
        if (m_bound) {
            // The control follows its window's size.
            m_browser.MoveWindow(4, 4, 200, 120);
            m_resized = g_fakeBrowser.objectRect;
        }
        PostMessage(kStart);
        return TRUE;
    }

    void OnOK() override {
        ++m_returnConfirms;
        CDialog::OnOK();
    }

    void OnTimer(UINT_PTR id) override {
        if (id == kHangTimer) EndDialog(kHung);
    }

    LRESULT OnStart(WPARAM, LPARAM) {
        Navigate(kAcsUrl, kPostData, kHeaders);
        return 0;
    }

    // Focus into the control, then Tab and Return in its window, then the end.
    LRESULT OnKeys(WPARAM, LPARAM) {
        m_browser.SetFocus();
        HWND view = ::GetWindow(m_browser.m_hWnd, GW_CHILD);
        ::PostMessageW(view, WM_KEYDOWN, VK_TAB, 0);
        ::PostMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
        if (m_escapeInPage)
            ::PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0);
        else
            PostMessage(kEnd);
        return 0;
    }

    LRESULT OnEnd(WPARAM, LPARAM) {
        EndDialog(kEndedAfterKeys);
        return 0;
    }

    void Navigate(const wchar_t* url, const char* post, const char* headers) {
        VARIANT vUrl, vEmpty, vPost, vHeaders;
        VariantInit(&vUrl);
        vUrl.vt = VT_BSTR;
        vUrl.bstrVal = SysAllocString(url);
        VariantInit(&vEmpty);
        VariantInit(&vPost);
        VariantInit(&vHeaders);
        if (post != nullptr) {
            size_t n = std::strlen(post);
            SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(n));
            void* data = nullptr;
            if (sa != nullptr && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
                std::memcpy(data, post, n);
                SafeArrayUnaccessData(sa);
            }
            vPost.vt = VT_ARRAY | VT_UI1;
            vPost.parray = sa;
        }
        if (headers != nullptr) {
            vHeaders.vt = VT_BSTR;
            vHeaders.bstrVal = AnsiToBstr(headers);
        }
        VARIANT vFlags, vTarget;
        VariantInit(&vFlags);
        VariantInit(&vTarget);
        m_browser.Navigate2(&vUrl, &vFlags, &vTarget, &vPost, &vHeaders);
        VariantClear(&vUrl);
        VariantClear(&vPost);
        VariantClear(&vHeaders);
    }

    void OnBeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT* Headers,
                           BOOL* Cancel) {
        m_beforeHadDispatch = pDisp != nullptr;
        std::string url = Narrow(URL);
        m_beforeUrls += url + "\n";
        m_headersSeen = Narrow(Headers);
        if (url.find("blocked") != std::string::npos) {
            *Cancel = TRUE;
            PostMessage(kKeys);
        }
    }

    void OnTitleChange(BSTR Text) {
        m_title = BstrToAnsi(Text, SysStringLen(Text));
        if (m_endInTitleChange) {
            // The dialog and its control end inside the control's event.
            EndDialog(kEndedInEvent);
            DestroyWindow();
        }
    }

    void OnDocumentComplete(IDispatch*, VARIANT* URL) {
        ++m_completes;
        m_completeUrl = Narrow(URL);
        IHTMLDocument2* doc = nullptr;
        BSTR html = nullptr;
        m_htmlRead = AuthReadDocumentHTML(m_browser, doc, &html);
        if (html != nullptr) m_html = BstrToAnsi(html, SysStringLen(html));
        SysFreeString(html);
        Navigate(kBlockedUrl, nullptr, nullptr);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BrowserDialog, CDialog)
ON_WM_TIMER()
ON_MESSAGE(kStart, OnStart)
ON_MESSAGE(kKeys, OnKeys)
ON_MESSAGE(kEnd, OnEnd)
END_MESSAGE_MAP()

class WinOcc : public ::testing::Test {
protected:
    void SetUp() override {
        m_cookie = RegisterFakeBrowser();
        ASSERT_NE(m_cookie, 0u);
        AfxEnableControlContainer(new CCustomOccManager);
    }
    void TearDown() override {
        AfxTermControlContainer();
        RevokeFakeBrowser(m_cookie);
    }
    DWORD m_cookie = 0;
};

TEST_F(WinOcc, TheControlFindsItsSiteFrameAmbientsAndTheBrowsersUiHandler) {
    BrowserDialog dlg(false);
    EXPECT_EQ(dlg.DoModal(), kEndedAfterKeys);
    ASSERT_TRUE(dlg.m_bound);
    const FakeBrowserLog& log = g_fakeBrowser;
    EXPECT_TRUE(log.inPlaceSite);
    EXPECT_TRUE(log.controlSite);
    EXPECT_EQ(log.userModeResult, S_OK);
    EXPECT_EQ(log.userMode, VARIANT_TRUE);
    EXPECT_EQ(log.uiDeadResult, S_OK);
    EXPECT_EQ(log.uiDead, VARIANT_FALSE);
    // The custom site's handler: no scroll bars, default double-click, no
    // context menu, every keystroke left to the page.
    ASSERT_TRUE(log.uiHandler);
    EXPECT_EQ(log.hostFlags, static_cast<DWORD>(DOCHOSTUIFLAG_SCROLL_NO));
    EXPECT_EQ(log.hostDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));
    EXPECT_EQ(log.contextMenu, S_OK);
    EXPECT_EQ(log.uiHandlerAccelerator, S_FALSE);
    // In place in the item's window, the frame being the dialog.
    EXPECT_TRUE(log.windowContext);
    EXPECT_NE(log.siteWindow, nullptr);
    EXPECT_NE(log.frameWindow, nullptr);
    EXPECT_NE(log.frameWindow, log.siteWindow);
    EXPECT_EQ(log.posRect.left, 0);
    EXPECT_EQ(log.posRect.top, 0);
    EXPECT_GT(log.posRect.right, 0);
    EXPECT_GT(log.posRect.bottom, 0);
    // Resized with its window.
    EXPECT_EQ(dlg.m_resized.right - dlg.m_resized.left, 200);
    EXPECT_EQ(dlg.m_resized.bottom - dlg.m_resized.top, 120);
    // Focus into the window activated it for the user's input.
    EXPECT_GE(log.uiActivations, 1);
}

TEST_F(WinOcc, Navigate2EventsAndTheDocumentGoBetweenDialogAndControl) {
    BrowserDialog dlg(false);
    EXPECT_EQ(dlg.DoModal(), kEndedAfterKeys);
    const FakeBrowserLog& log = g_fakeBrowser;
    // The form POST: its bytes and headers as the dialog gave them.
    EXPECT_EQ(log.navigations, 2);
    EXPECT_EQ(log.postData.size(), 0u);  // the second navigation has none
    ASSERT_EQ(log.cancels.size(), 2u);
    EXPECT_EQ(log.cancels[0].first, kAcsUrl);
    EXPECT_FALSE(log.cancels[0].second);
    // The sink's Cancel reached the control.
    EXPECT_EQ(log.cancels[1].first, kBlockedUrl);
    EXPECT_TRUE(log.cancels[1].second);
    EXPECT_TRUE(log.flagsAndTargetEmpty);
    // The events with their arguments, by dispatch id.
    EXPECT_TRUE(dlg.m_beforeHadDispatch);
    EXPECT_EQ(dlg.m_beforeUrls, "https://acs.test/pareq\nhttps://acs.test/blocked\n");
    EXPECT_EQ(dlg.m_title, "Issuer's page");
    EXPECT_EQ(dlg.m_completes, 1);
    EXPECT_EQ(dlg.m_completeUrl, "https://acs.test/pareq");
    // The module's reading of the result page.
    EXPECT_TRUE(dlg.m_htmlRead);
    EXPECT_EQ(dlg.m_html, "<html><head><title>ACS</title></head><body>PaRes=eJzLSM3JyVcozy/KSQEAGgQEXQ==</body></html>");
    EXPECT_GE(log.documentsReleased, 1);
}

TEST_F(WinOcc, NavigateCarriesPostDataAndHeaders) {
    // One navigation only: the first one's arguments, kept before the next.
    BrowserDialog dlg(true);
    EXPECT_EQ(dlg.DoModal(), kEndedInEvent);
    const FakeBrowserLog& log = g_fakeBrowser;
    EXPECT_EQ(log.navigations, 1);
    EXPECT_EQ(log.url, kAcsUrl);
    EXPECT_EQ(log.postData, kPostData);
    EXPECT_EQ(log.headers, L"Content-Type: application/x-www-form-urlencoded\r\n");
}

TEST_F(WinOcc, TabAndReturnInThePageGoThroughTheControlNotTheDialog) {
    BrowserDialog dlg(false);
    EXPECT_EQ(dlg.DoModal(), kEndedAfterKeys);
    const FakeBrowserLog& log = g_fakeBrowser;
    // Both keys reached the control's accelerators from the dialog's loop.
    ASSERT_EQ(log.acceleratorKeys.size(), 2u);
    EXPECT_EQ(log.acceleratorKeys[0], static_cast<WPARAM>(VK_TAB));
    EXPECT_EQ(log.acceleratorKeys[1], static_cast<WPARAM>(VK_RETURN));
    // Tab the control took; Return it left reached the page's window and
    // did not confirm the dialog.
    ASSERT_EQ(log.windowKeys.size(), 1u);
    EXPECT_EQ(log.windowKeys[0], static_cast<WPARAM>(VK_RETURN));
    EXPECT_EQ(dlg.m_returnConfirms, 0);
}

TEST_F(WinOcc, EscapeTheControlLeavesCancelsTheDialog) {
    BrowserDialog dlg(false, true);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    const FakeBrowserLog& log = g_fakeBrowser;
    ASSERT_EQ(log.acceleratorKeys.size(), 3u);
    EXPECT_EQ(log.acceleratorKeys[2], static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(log.windowKeys.size(), 1u);  // Return only
}

TEST_F(WinOcc, TheControlEndsDeactivatedClosedUnadvisedAndReleased) {
    {
        BrowserDialog dlg(false);
        EXPECT_EQ(dlg.DoModal(), kEndedAfterKeys);
        EXPECT_EQ(dlg.m_browser.GetControlSite(), nullptr);
    }
    const FakeBrowserLog& log = g_fakeBrowser;
    EXPECT_EQ(log.inPlaceDeactivations, 1);
    EXPECT_EQ(log.closes, 1);
    EXPECT_TRUE(log.deactivatedBeforeClose);
    EXPECT_TRUE(log.siteCleared);
    EXPECT_EQ(log.advised, 0);
    EXPECT_EQ(log.liveObjects, 0);
}

TEST_F(WinOcc, TheDialogEndingInsideAnEventTakesTheControlDownSafely) {
    BrowserDialog dlg(true);
    EXPECT_EQ(dlg.DoModal(), kEndedInEvent);
    const FakeBrowserLog& log = g_fakeBrowser;
    EXPECT_EQ(dlg.m_title, "Issuer's page");
    // Unadvised during the control's own firing; the event it still sent to
    // the sink it had copied reached no handler.
    EXPECT_EQ(log.unadvisedWhileFiring, 1);
    EXPECT_EQ(log.eventsAfterUnadvise, 1);
    EXPECT_EQ(dlg.m_completes, 0);
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(log.inPlaceDeactivations, 1);
    EXPECT_EQ(log.advised, 0);
    EXPECT_EQ(log.liveObjects, 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::OleInitialize(nullptr))) return 2;
    int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}
