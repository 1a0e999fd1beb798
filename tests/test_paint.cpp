// Painting and input of the window layer on a real display: WM_PAINT and
// WM_ERASEBKGND, invalidation with and without erasing, kept pixels,
// transparent static texts over the dialog's background, owner-drawn
// buttons pressed and clicked, hover and leave tracking, tooltips, Alt+F4
// and the system menu, the palette question on activation.
#include <gtest/gtest.h>

#include <functional>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"

namespace {

const AFX_DLGITEMTEMPLATE kItems[] = {
    {10, "STATIC", "text", WS_CHILD | WS_VISIBLE, 10, 10, 40, 8},
    {11, "BUTTON", "X", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 60, 30, 20, 10},
};
// 200 x 120 pixels; the static at (20, 20, 100, 36), the button at (120, 60, 160, 80).
const AFX_DLGTEMPLATE kPopup = {WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 60, "", 9, "System", kItems, 2};

constexpr COLORREF kRed = RGB(255, 0, 0);

class Button : public CButton {
public:
    std::vector<UINT> states;
    int hovers = 0, leaves = 0, moves = 0;
    DWORD hoverTime = 1;
    CToolTipCtrl* tip = nullptr;

    void DrawItem(LPDRAWITEMSTRUCT d) override {
        states.push_back(d->itemState);
        FillRect(d->hDC, &d->rcItem, reinterpret_cast<HBRUSH>(GetStockObject(
                                         (d->itemState & ODS_SELECTED) ? BLACK_BRUSH : WHITE_BRUSH)));
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (tip != nullptr) tip->RelayEvent(pMsg);
        return CButton::PreTranslateMessage(pMsg);
    }
    afx_msg void OnMouseMove(UINT nFlags, CPoint point) override {
        ++moves;
        TRACKMOUSEEVENT t{sizeof t, TME_HOVER | TME_LEAVE, m_hWnd, hoverTime};
        _TrackMouseEvent(&t);
        CButton::OnMouseMove(nFlags, point);
    }
    afx_msg LRESULT OnHover(WPARAM, LPARAM) {
        ++hovers;
        return 0;
    }
    afx_msg LRESULT OnLeave(WPARAM, LPARAM) {
        ++leaves;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Button, CButton)
ON_WM_MOUSEMOVE()
ON_MESSAGE(WM_MOUSEHOVER, OnHover)
ON_MESSAGE(WM_MOUSELEAVE, OnLeave)
END_MESSAGE_MAP()

class Painted : public CDialog {
public:
    explicit Painted(DWORD extraStyle = 0) {
        tmpl = kPopup;
        tmpl.style |= extraStyle;
        InitModalIndirect(&tmpl);
    }
    AFX_DLGTEMPLATE tmpl;
    int erases = 0, paints = 0, clicks = 0, closes = 0, palettes = 0;
    bool transparent = true;
    Button button;
    CStatic label;
    std::function<void(Painted*)> scenario;

    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        ++erases;
        CRect r;
        GetClientRect(&r);
        pDC->FillSolidRect(&r, kRed);
        return TRUE;
    }
    afx_msg void OnPaint() {
        CPaintDC dc(this);
        ++paints;
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        if (transparent && (nCtlColor == CTLCOLOR_STATIC || nCtlColor == CTLCOLOR_BTN)) {
            pDC->SetBkMode(TRANSPARENT);
            return reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
        }
        return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    afx_msg BOOL OnQueryNewPalette() {
        ++palettes;
        return FALSE;
    }
    afx_msg void OnClicked() { ++clicks; }
    void OnClose() override {
        ++closes;
        EndDialog(IDCANCEL);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 10, label);
        DDX_Control(pDX, 11, button);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        afxtest::Post([this] {
            if (scenario) scenario(this);
            EndDialog(IDOK);
        }, 300);
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Painted, CDialog)
ON_WM_ERASEBKGND()
ON_WM_PAINT()
ON_WM_CTLCOLOR()
ON_WM_QUERYNEWPALETTE()
ON_BN_CLICKED(11, OnClicked)
END_MESSAGE_MAP()

COLORREF Pixel(CWnd* w, int x, int y) {
    CClientDC dc(w);
    return dc.GetPixel(x, y);
}

bool Dark(COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128; }

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
    }
};

TEST_F(PaintTest, EraseAndPaintFollowTheInvalidationAndPixelsStay) {
    Painted dlg;
    dlg.scenario = [](Painted* d) {
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->paints > 0; }, 2000));
        EXPECT_GE(d->erases, 1);
        EXPECT_EQ(Pixel(d, 5, 5), kRed);
        {
            CClientDC dc(d);
            dc.FillSolidRect(0, 0, 4, 4, RGB(0, 0, 255));
        }
        d->erases = d->paints = 0;
        d->InvalidateRect(CRect(50, 50, 60, 60), FALSE);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->paints > 0; }, 2000));
        EXPECT_EQ(d->erases, 0);
        EXPECT_EQ(Pixel(d, 1, 1), RGB(0, 0, 255));  // kept
        d->Invalidate(TRUE);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->erases > 0 && d->paints > 1; }, 2000));
        EXPECT_EQ(Pixel(d, 1, 1), kRed);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(PaintTest, StaticTextIsTransparentWithTheHollowBrushAndFilledOtherwise) {
    for (bool transparent : {true, false}) {
        SCOPED_TRACE(transparent);
        Painted dlg;
        dlg.transparent = transparent;
        dlg.scenario = [transparent](Painted* d) {
            afxtest::Pump(300);
            // Right of the short text, inside the static.
            COLORREF bg = Pixel(d, 95, 22);
            EXPECT_EQ(bg, transparent ? kRed : RGB(240, 240, 240));
            int dark = 0;
            for (int y = 20; y < 36; ++y)
                for (int x = 20; x < 60; ++x) dark += Dark(Pixel(d, x, y));
            EXPECT_GT(dark, 5);  // the text
            char cls[32];
            EXPECT_GT(GetClassName(d->label.m_hWnd, cls, sizeof cls), 0);
            EXPECT_STREQ(cls, "Static");
            // New text over the transparent static leaves none of the old.
            d->label.SetWindowText("");
            afxtest::Pump(200);
            dark = 0;
            for (int y = 20; y < 36; ++y)
                for (int x = 20; x < 60; ++x) dark += Dark(Pixel(d, x, y));
            EXPECT_EQ(dark, 0);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
}

TEST_F(PaintTest, OwnerDrawnButtonIsDrawnPressedAndClicks) {
    Painted dlg;
    dlg.scenario = [](Painted* d) {
        afxtest::Pump(200);
        EXPECT_FALSE(d->button.states.empty());
        EXPECT_EQ(Pixel(d, 130, 70), RGB(255, 255, 255));
        CRect r;
        d->button.GetWindowRect(&r);
        afxtest::MovePointer(r.left + 5, r.top + 5);
        afxtest::Pump(100);
        afxtest::PointerButton(1, true);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return !d->button.states.empty() && (d->button.states.back() & ODS_SELECTED); }, 2000));
        EXPECT_EQ(Pixel(d, 130, 70), RGB(0, 0, 0));
        afxtest::PointerButton(1, false);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->clicks == 1; }, 2000));
        afxtest::Pump(100);
        EXPECT_FALSE(d->button.states.back() & ODS_SELECTED);
        afxtest::MovePointer(r.left - 60, r.top - 40);
        afxtest::Pump(100);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(PaintTest, HoverAndLeaveNoticesCome) {
    Painted dlg;
    dlg.scenario = [](Painted* d) {
        CRect r;
        d->button.GetWindowRect(&r);
        afxtest::MovePointer(r.left - 30, r.top - 30);
        afxtest::Pump(100);
        afxtest::MovePointer(r.left + 5, r.top + 5);
        afxtest::MovePointer(r.left + 6, r.top + 5);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->button.hovers == 1; }, 2000));
        EXPECT_EQ(d->button.leaves, 0);
        afxtest::MovePointer(r.left - 30, r.top - 30);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return d->button.leaves == 1; }, 2000));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(PaintTest, TooltipStaysSilentUntilActivated) {
    Painted dlg;
    CToolTipCtrl tip;
    dlg.scenario = [&](Painted* d) {
        ASSERT_TRUE(tip.Create(&d->button));
        tip.Activate(FALSE);
        CRect client;
        d->button.GetClientRect(&client);
        ASSERT_TRUE(tip.AddTool(&d->button, "first", &client, 1));
        tip.SetDelayTime(100, TTDT_INITIAL);
        d->button.tip = &tip;
        CRect r;
        d->button.GetWindowRect(&r);
        afxtest::MovePointer(r.left - 30, r.top - 30);
        afxtest::Pump(100);
        afxtest::MovePointer(r.left + 5, r.top + 5);
        afxtest::Pump(600);
        EXPECT_EQ(afxtest::ToolTipText(tip.m_hWnd), "");
        tip.UpdateTipText("second", &d->button, 1);
        tip.Activate(TRUE);
        afxtest::MovePointer(r.left + 7, r.top + 6);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return afxtest::ToolTipText(tip.m_hWnd) == "second"; }, 2000));
        afxtest::MovePointer(r.left - 60, r.top - 60);
        EXPECT_TRUE(afxtest::PumpUntil([&] { return afxtest::ToolTipText(tip.m_hWnd).empty(); }, 2000));
        d->button.tip = nullptr;
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(PaintTest, AltF4ClosesOnlyWithTheSystemMenu) {
    for (bool sysmenu : {false, true}) {
        SCOPED_TRACE(sysmenu);
        Painted dlg(sysmenu ? WS_SYSMENU : 0);
        dlg.scenario = [sysmenu](Painted* d) {
            afxtest::FocusWindow(d->m_hWnd);
            afxtest::Pump(200);
            afxtest::PressKey("F4", "alt");
            afxtest::PumpUntil([&] { return d->closes > 0; }, sysmenu ? 2000 : 500);
            EXPECT_EQ(d->closes, sysmenu ? 1 : 0);
            EXPECT_GT(d->palettes, 0);  // asked when it became active
        };
        dlg.DoModal();
    }
}

}  // namespace
