// The window layer: modal runs, timers, close requests, keyboard
// pre-translation, geometry, caption, icon, templates and dragging, on a
// real GTK display (the test runs under Xvfb).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "resources/VemoMPIOCX_rc.h"

namespace {

// A template with no items: the whole client area is the dialog's surface.
const AFX_DLGTEMPLATE kBlank = {
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 100, 60, "Blank", 9,
    "System", nullptr, 0,
};

// A template with a static item, for data exchange.
const AFX_DLGITEMTEMPLATE kLabelItems[] = {{77, "STATIC", "label", WS_CHILD | WS_VISIBLE, 10, 10, 40, 8}};
const AFX_DLGTEMPLATE kWithLabel = {
    DS_SETFONT | WS_POPUP | WS_VISIBLE, 0, 0, 0, 80, 40, "", 9, "System", kLabelItems, 1,
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
    }
};

// A dialog that records what reaches it and can be told what to do.
class Probe : public CDialog {
public:
    Probe() { InitModalIndirect(&kBlank); }
    explicit Probe(UINT id) : CDialog(id) {}

    std::vector<UINT_PTR> ticks;
    std::vector<DWORD> tickTimes;
    int closes = 0, cancels = 0, oks = 0, destroys = 0, creates = 0;
    bool ticksAfterEnd = false;
    std::vector<std::pair<UINT, CPoint>> moves;
    std::function<void(Probe*)> onInit;
    std::function<void(Probe*, UINT_PTR)> onTick;
    bool cancelEnds = true;
    bool customKeys = false;

protected:
    int OnCreate(LPCREATESTRUCT cs) override {
        ++creates;
        return CDialog::OnCreate(cs);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit) onInit(this);
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        if (m_bEnded) ticksAfterEnd = true;
        ticks.push_back(id);
        tickTimes.push_back(GetTickCount());
        if (onTick) onTick(this, id);
        CDialog::OnTimer(id);
    }
    void OnClose() override {
        ++closes;
        CDialog::OnClose();
    }
    void OnCancel() override {
        ++cancels;
        if (cancelEnds) CDialog::OnCancel();
    }
    void OnOK() override {
        ++oks;
        CDialog::OnOK();
    }
    void OnDestroy() override {
        ++destroys;
        CDialog::OnDestroy();
    }
    void OnMouseMove(UINT flags, CPoint point) override {
        moves.emplace_back(flags, point);
        if (flags == MK_LBUTTON) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
        CDialog::OnMouseMove(flags, point);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (customKeys) {
            // As the authentication dialogs do: Escape does nothing, Return
            // goes to the window without dialog-key processing.
            if (pMsg->wParam == VK_ESCAPE) return TRUE;
            if (pMsg->wParam == VK_RETURN) {
                TranslateMessage(pMsg);
                DispatchMessage(pMsg);
                return TRUE;
            }
        }
        return CDialog::PreTranslateMessage(pMsg);
    }
};

// ---------------------------------------------------------------- modal run

TEST_F(DialogTest, DoModalReturnsTheEndDialogCodeAndDestroysTheWindow) {
    Probe dlg;
    dlg.onTick = [](Probe* d, UINT_PTR) { d->EndDialog(4242); };
    HWND seen = nullptr;
    dlg.onInit = [&](Probe* d) {
        seen = d->m_hWnd;
        d->SetTimer(1, 20);
    };
    EXPECT_EQ(dlg.DoModal(), 4242);
    EXPECT_EQ(dlg.creates, 1);
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    // The same object runs again.
    dlg.ticks.clear();
    EXPECT_EQ(dlg.DoModal(), 4242);
}

TEST_F(DialogTest, EndDialogDuringInitialisationEndsWithoutShowing) {
    Probe dlg;
    dlg.onInit = [](Probe* d) { d->EndDialog(7); };
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_EQ(dlg.destroys, 1);
    EXPECT_TRUE(dlg.ticks.empty());
}

TEST_F(DialogTest, CreationFailuresGiveMinusOne) {
    class Refuses : public Probe {
        int OnCreate(LPCREATESTRUCT) override { return -1; }
    } refuses;
    EXPECT_EQ(refuses.DoModal(), -1);

    CDialog missing(9999);  // no such template
    EXPECT_EQ(missing.DoModal(), -1);
}

// ---------------------------------------------------------------- timers

TEST_F(DialogTest, TimersFireWithTheirIdsUntilKilled) {
    Probe dlg;
    int twos = 0;
    dlg.onInit = [](Probe* d) {
        d->SetTimer(1, 30);
        d->SetTimer(2, 10);
        d->SetTimer(4, 400);
    };
    dlg.onTick = [&](Probe* d, UINT_PTR id) {
        if (id == 1) d->KillTimer(1);  // one-shot
        if (id == 2 && ++twos == 5) d->KillTimer(2);
        if (id == 4) d->EndDialog(0);
    };
    EXPECT_EQ(dlg.DoModal(), 0);
    int ones = 0, seenTwos = 0, fours = 0;
    for (UINT_PTR id : dlg.ticks) {
        ones += id == 1;
        seenTwos += id == 2;
        fours += id == 4;
    }
    EXPECT_EQ(ones, 1);
    EXPECT_EQ(seenTwos, 5);  // none after KillTimer
    EXPECT_EQ(fours, 1);
    EXPECT_FALSE(dlg.ticksAfterEnd);
}

TEST_F(DialogTest, ZeroIntervalFiresAtTheShortestIntervalAndSettingAgainRestarts) {
    Probe dlg;
    dlg.onInit = [](Probe* d) {
        d->SetTimer(4, 0);
        d->SetTimer(9, 5000);
    };
    dlg.onTick = [](Probe* d, UINT_PTR id) {
        if (id == 4 && d->ticks.size() == 5) {
            d->SetTimer(9, 20);  // restarted with a short period
        }
        if (id == 9) d->EndDialog(1);
    };
    DWORD start = GetTickCount();
    EXPECT_EQ(dlg.DoModal(), 1);
    ASSERT_GE(dlg.ticks.size(), 6u);
    EXPECT_LT(GetTickCount() - start, 4000u);  // the 5 s period did not run out
    // The 0 ms timer runs at USER_TIMER_MINIMUM: a late tick may be followed
    // closely by the next one, but four periods take at least four minimums.
    EXPECT_GE(dlg.tickTimes[4] - dlg.tickTimes[0] + 2, 4 * (DWORD)USER_TIMER_MINIMUM);
}

TEST_F(DialogTest, NoTimerFiresAfterTheDialogEnded) {
    Probe dlg;
    dlg.onInit = [](Probe* d) {
        d->SetTimer(2, 10);
        d->SetTimer(3, 10);
    };
    dlg.onTick = [](Probe* d, UINT_PTR id) {
        if (id == 2) {
            d->EndDialog(5);
            // Timer 3 is due at the same moment; it must not reach the dialog.
            afxtest::Pump(40);
        }
    };
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_FALSE(dlg.ticksAfterEnd);
    EXPECT_EQ(dlg.SetTimer(1, 10), 0u);  // no window any more
}

// ---------------------------------------------------------------- close requests and keys

TEST_F(DialogTest, CloseRequestArrivesAsWmCloseAndTheDialogCancels) {
    Probe dlg;
    dlg.onInit = [](Probe* d) {
        HWND h = d->m_hWnd;
        afxtest::Post([h] { afxtest::SendCloseRequest(h); }, 50);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.closes, 1);
    EXPECT_EQ(dlg.cancels, 1);
}

TEST_F(DialogTest, CloseRequestGoesToTheHandlerWhichMayKeepTheDialogOpen) {
    Probe dlg;
    dlg.cancelEnds = false;
    dlg.onInit = [](Probe* d) {
        HWND h = d->m_hWnd;
        afxtest::Post([h] { afxtest::SendCloseRequest(h); }, 30);
        afxtest::Post([h] { afxtest::SendCloseRequest(h); }, 60);
        d->SetTimer(1, 300);
    };
    dlg.onTick = [](Probe* d, UINT_PTR) { d->EndDialog(99); };
    EXPECT_EQ(dlg.DoModal(), 99);
    EXPECT_EQ(dlg.closes, 2);
    EXPECT_EQ(dlg.cancels, 2);
}

TEST_F(DialogTest, AltF4IsACloseRequest) {
    Probe dlg;
    dlg.onInit = [](Probe* d) {
        HWND h = d->m_hWnd;
        afxtest::Post([h] {
            afxtest::FocusWindow(h);
            afxtest::PressKey("F4", "alt");
        }, 50);
        d->SetTimer(1, 5000);
    };
    dlg.onTick = [](Probe* d, UINT_PTR) { d->EndDialog(-5); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.closes, 1);
}

TEST_F(DialogTest, DialogKeysCancelAndConfirmUnlessPreTranslated) {
    {
        Probe plain;  // the framework's dialog keys: Escape cancels
        plain.onInit = [](Probe* d) {
            HWND h = d->m_hWnd;
            afxtest::Post([h] {
                afxtest::FocusWindow(h);
                afxtest::PressKey("Escape");
            }, 50);
        };
        EXPECT_EQ(plain.DoModal(), IDCANCEL);
    }
    {
        Probe plain;  // Return is the OK command
        plain.onInit = [](Probe* d) {
            HWND h = d->m_hWnd;
            afxtest::Post([h] {
                afxtest::FocusWindow(h);
                afxtest::PressKey("Return");
            }, 50);
        };
        EXPECT_EQ(plain.DoModal(), IDOK);
    }
    {
        Probe custom;  // Escape swallowed, Return passed on: neither ends it
        custom.customKeys = true;
        custom.onInit = [](Probe* d) {
            HWND h = d->m_hWnd;
            afxtest::Post([h] {
                afxtest::FocusWindow(h);
                afxtest::PressKey("Escape");
                afxtest::PressKey("Return");
            }, 50);
            d->SetTimer(1, 600);
        };
        custom.onTick = [](Probe* d, UINT_PTR) { d->EndDialog(3); };
        EXPECT_EQ(custom.DoModal(), 3);
        EXPECT_EQ(custom.cancels, 0);
        EXPECT_EQ(custom.oks, 0);
    }
}

// ---------------------------------------------------------------- geometry, caption, icon, templates

TEST_F(DialogTest, TemplateUnitsBecomePixelsAndMoveWindowSetsTheRealSize) {
    Probe dlg;
    afxtest::WindowState initial, moved;
    CRect rcWindow, rcClient, rcMoved, rcMovedClient;
    dlg.onInit = [&](Probe* d) {
        HWND h = d->m_hWnd;
        d->GetWindowRect(&rcWindow);
        d->GetClientRect(&rcClient);
        afxtest::Post([&, h, d] {
            afxtest::PumpUntil([&] { return afxtest::GetWindowState(h, &initial) && initial.visible; }, 2000);
            d->MoveWindow(rcWindow.left + 10, rcWindow.top + 20, 424, 464);
            d->GetWindowRect(&rcMoved);
            d->GetClientRect(&rcMovedClient);
            afxtest::PumpUntil([&] {
                return afxtest::GetWindowState(h, &moved) && moved.height == 464 &&
                       moved.clientHeight == rcMovedClient.Height();
            }, 2000);
            d->EndDialog(0);
        }, 30);
    };
    EXPECT_EQ(dlg.DoModal(), 0);
    // 100 x 60 dialog units of the System font (8 x 16): 200 x 120 pixels of client area.
    EXPECT_EQ(rcClient.Width(), 200);
    EXPECT_EQ(rcClient.Height(), 120);
    EXPECT_EQ(rcWindow.Width(), 200);
    EXPECT_GT(rcWindow.Height(), 120);  // with the caption
    EXPECT_EQ(initial.clientWidth, 200);
    EXPECT_EQ(initial.clientHeight, 120);
    EXPECT_EQ(initial.width, rcWindow.Width());
    EXPECT_EQ(initial.height, rcWindow.Height());
    EXPECT_TRUE(initial.modal);
    EXPECT_TRUE(initial.decorated);

    EXPECT_EQ(rcMoved.Width(), 424);
    EXPECT_EQ(rcMoved.Height(), 464);
    EXPECT_EQ(moved.width, 424);
    EXPECT_EQ(moved.height, 464);
    EXPECT_EQ(moved.clientWidth, rcMovedClient.Width());
    EXPECT_EQ(moved.clientHeight, rcMovedClient.Height());
    EXPECT_EQ(moved.x, rcWindow.left + 10);
    EXPECT_EQ(moved.y, rcWindow.top + 20);
    EXPECT_EQ(464 - rcMovedClient.Height(), rcWindow.Height() - 120);  // the same caption
}

TEST_F(DialogTest, CaptionTextCrossesInTheAnsiCodePage) {
    Probe dlg;
    afxtest::WindowState s;
    CString back;
    setenv("LC_ALL", "ko_KR.UTF-8", 1);
    dlg.onInit = [&](Probe* d) {
        d->SetWindowText("\xC5\xAC\xB8\xAF page");  // code page 949
        d->GetWindowText(back);
        afxtest::GetWindowState(d->m_hWnd, &s);
        d->EndDialog(0);
    };
    dlg.DoModal();
    EXPECT_EQ(s.captionUtf8, "\xED\x81\xB4\xEB\xA6\xAD page");  // the same text in UTF-8
    EXPECT_STREQ(back, "\xC5\xAC\xB8\xAF page");
}

TEST_F(DialogTest, Template264InTheSystemLanguageWithTheBrowserItemAndTheSmallIcon) {
    AfxEnableControlContainer();
    struct Run {
        std::string caption, ansi;
        CRect client, item;
        afxtest::WindowState state;
    };
    auto run = [](const char* lang) {
        setenv("LC_ALL", lang, 1);
        Run r;
        Probe dlg(IDD_VEMOMPIAUTHNORMALDIALOG);
        dlg.onInit = [&](Probe* d) {
            d->GetClientRect(&r.client);
            CWnd* item = d->GetDlgItem(IDC_EXPLORER_AUTH);
            if (item != nullptr) {
                item->GetWindowRect(&r.item);
                d->ScreenToClient(&r.item);
            }
            HICON icon = LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDI_VEMOMPIAUTH_SMALL));
            d->SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            CString text;
            d->GetWindowText(text);
            r.ansi = text.GetString();
            afxtest::GetWindowState(d->m_hWnd, &r.state);
            d->EndDialog(0);
        };
        EXPECT_EQ(dlg.DoModal(), 0);
        return r;
    };
    Run en = run("en_US.UTF-8");
    EXPECT_EQ(en.state.captionUtf8, "Torvu Click Plug-in");
    EXPECT_EQ(en.client.Width(), 424);
    EXPECT_EQ(en.client.Height(), 432);
    EXPECT_EQ(en.item, CRect(0, 0, 424, 432));
    EXPECT_EQ(en.state.iconWidth, 16);
    EXPECT_EQ(en.state.iconHeight, 16);

    Run ko = run("ko_KR.UTF-8");
    EXPECT_EQ(ko.state.captionUtf8, "Torvu\xED\x81\xB4\xEB\xA6\xAD");
    EXPECT_EQ(ko.ansi, "Torvu\xC5\xAC\xB8\xAF");
}

TEST_F(DialogTest, DataExchangeBindsAnItemToAMember) {
    class Bound : public CDialog {
    public:
        Bound() { InitModalIndirect(&kWithLabel); }
        CWnd m_label;
        CString seen;
        CRect rect;

    protected:
        void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 77, m_label); }
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            m_label.GetWindowText(seen);
            m_label.GetWindowRect(&rect);
            ScreenToClient(&rect);
            EXPECT_EQ(GetDlgItem(77), &m_label);
            EndDialog(0);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_STREQ(dlg.seen, "label");
    EXPECT_EQ(dlg.rect, CRect(20, 20, 100, 36));
    EXPECT_EQ(dlg.m_label.m_hWnd, nullptr);  // gone with its dialog
}

// ---------------------------------------------------------------- mouse

TEST_F(DialogTest, DraggingTheSurfaceWithTheLeftButtonMovesTheWindow) {
    Probe dlg;
    afxtest::WindowState before, after;
    dlg.onInit = [&](Probe* d) {
        HWND h = d->m_hWnd;
        afxtest::Post([&, h, d] {
            afxtest::PumpUntil([&] { return afxtest::GetWindowState(h, &before) && before.visible; }, 2000);
            POINT p{50, 50};
            d->ClientToScreen(&p);
            afxtest::MovePointer(p.x, p.y);
            afxtest::PointerButton(1, true);
            for (int i = 1; i <= 8; ++i) afxtest::MovePointer(p.x + 5 * i, p.y + 3 * i);
            afxtest::PointerButton(1, false);
            afxtest::PumpUntil([&] { return afxtest::GetWindowState(h, &after) && after.x != before.x; }, 2000);
            afxtest::Pump(50);
            afxtest::GetWindowState(h, &after);
            d->EndDialog(0);
        }, 30);
    };
    EXPECT_EQ(dlg.DoModal(), 0);
    ASSERT_FALSE(dlg.moves.empty());
    bool dragged = false;
    for (auto& [flags, pt] : dlg.moves) dragged |= flags == MK_LBUTTON;
    EXPECT_TRUE(dragged);
    EXPECT_EQ(after.x - before.x, 40);
    EXPECT_EQ(after.y - before.y, 24);
}

// ---------------------------------------------------------------- message box

TEST_F(DialogTest, MessageBoxIsModalAndAnswersOk) {
    int answer = 0;
    afxtest::Post([] {
        afxtest::PumpUntil([] { return afxtest::ActiveModal() != nullptr; }, 2000);
        afxtest::SendCloseRequest(afxtest::ActiveModal());
    }, 30);
    answer = AfxMessageBox("warning text", MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(afxtest::ActiveModal(), nullptr);
}

}  // namespace
