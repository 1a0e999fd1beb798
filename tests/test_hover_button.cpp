// CHoverButton on a real display (Xvfb): its images for the normal, hover
// and pressed states as pixels of the button, with synthesised notices and
// with the pointer of the X server; no text and no focus mark; the images'
// loading; the tooltip, created once and silent until activated.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "resources/VemoMPIOCX_rc.h"
#include "tests/support/resource_bitmap.h"
#include "ui/HoverButton.h"

namespace {

// The close button's place on the skinned dialog: 20 x 20 pixels at (410, 8).
const AFX_DLGITEMTEMPLATE kButton[] = {
    {203, "BUTTON", "X", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 205, 4, 10, 10},
};
const AFX_DLGTEMPLATE kTemplate = {
    DS_SETFONT | WS_POPUP | WS_VISIBLE, 0, 0, 0, 222, 40, "", 9, "System", kButton, 1,
};

class TestButton : public CHoverButton {
public:
    using CHoverButton::m_bHover;
    using CHoverButton::m_bmpHover;
    using CHoverButton::m_bmpNormal;
    using CHoverButton::m_bmpPressed;
    using CHoverButton::m_bTracking;
    using CHoverButton::m_ToolTip;
};

class Host : public CDialog {
public:
    Host() { InitModalIndirect(&kTemplate); }
    TestButton button;
    std::function<void(Host*)> onInit;
    std::function<void(Host*)> check;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, 203, button);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        EXPECT_TRUE(button.LoadBitmaps(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, IDB_CLOSE_DISABLED));
        if (onInit) onInit(this);
        afxtest::Post([this] {
            if (check) check(this);
            EndDialog(1);
        }, 300);
        return TRUE;
    }
};

// Mismatching pixels between the button as shown and image id (the first
// 20 x 19 pixels: the button is 20 x 20, the image 21 x 19).
int Mismatches(CWnd* button, WORD id) {
    ResourceBitmap img(id);
    CClientDC dc(button);
    int n = 0;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 20; ++x)
            if (dc.GetPixel(x, y) != img.At(x, y)) ++n;
    return n;
}

void Settle(int ms = 150) { afxtest::Pump(ms); }

class HoverButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        setenv("LANG", "C", 1);
        AfxEnableControlContainer();
    }
};

}  // namespace

TEST_F(HoverButtonTest, NoticesSwitchBetweenNormalHoverAndNormal) {
    Host dlg;
    dlg.check = [](Host* d) {
        EXPECT_EQ(Mismatches(&d->button, IDB_CLOSE_NORMAL), 0);
        d->button.SendMessage(WM_MOUSEHOVER, 0, 0);
        Settle();
        EXPECT_TRUE(d->button.m_bHover);
        EXPECT_EQ(Mismatches(&d->button, IDB_CLOSE_HOVER), 0);
        d->button.SendMessage(WM_MOUSELEAVE, 0, 0);
        Settle();
        EXPECT_FALSE(d->button.m_bHover);
        EXPECT_FALSE(d->button.m_bTracking);
        EXPECT_EQ(Mismatches(&d->button, IDB_CLOSE_NORMAL), 0);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, ThePointerShowsHoverPressedAndNormalImages) {
    Host dlg;
    dlg.check = [](Host* d) {
        CRect r;
        d->button.GetWindowRect(r);
        ASSERT_TRUE(afxtest::MovePointer(r.left + 5, r.top + 5));
        ASSERT_TRUE(afxtest::MovePointer(r.left + 10, r.top + 9));
        // Hover time 1 ms: the hover image comes almost at once (bound only
        // against a hang).
        EXPECT_TRUE(afxtest::PumpUntil([&] { return Mismatches(&d->button, IDB_CLOSE_HOVER) == 0; }, 3000));
        EXPECT_TRUE(d->button.m_bTracking);
        ASSERT_TRUE(afxtest::PointerButton(1, true));
        EXPECT_TRUE(afxtest::PumpUntil([&] { return Mismatches(&d->button, IDB_CLOSE_PRESSED) == 0; }, 3000));
        // Pressed wins over hovering; dragging off and letting go clicks nothing.
        ASSERT_TRUE(afxtest::MovePointer(r.left - 200, r.top + 300));
        ASSERT_TRUE(afxtest::PointerButton(1, false));
        EXPECT_TRUE(afxtest::PumpUntil([&] { return Mismatches(&d->button, IDB_CLOSE_NORMAL) == 0; }, 3000));
        EXPECT_FALSE(d->button.m_bHover);
        EXPECT_FALSE(d->button.m_bTracking);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, DrawsNoTextAndNoFocusMark) {
    Host dlg;
    dlg.check = [](Host* d) {
        d->button.SetFocus();
        d->button.SetWindowText("XXXXXXXX");
        d->button.Invalidate();
        Settle();
        EXPECT_EQ(Mismatches(&d->button, IDB_CLOSE_NORMAL), 0);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, DrawItemChoosesPressedThenHoverThenNormal) {
    Host dlg;
    dlg.check = [](Host* d) {
        CClientDC screen(d);
        CDC mem;
        ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
        CBitmap target;
        ASSERT_TRUE(target.CreateCompatibleBitmap(&screen, 20, 20));
        CBitmap* old = mem.SelectObject(&target);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.hwndItem = d->button.GetSafeHwnd();
        dis.hDC = mem.GetSafeHdc();
        dis.rcItem = RECT{0, 0, 20, 20};
        auto shows = [&](WORD id) {
            ResourceBitmap img(id);
            for (int y = 0; y < 19; ++y)
                for (int x = 0; x < 20; ++x)
                    if (mem.GetPixel(x, y) != img.At(x, y)) return false;
            return true;
        };
        const int bkMode = mem.GetBkMode();
        dis.itemState = ODS_SELECTED | ODS_FOCUS;
        d->button.m_bHover = TRUE;
        d->button.DrawItem(&dis);
        EXPECT_TRUE(shows(IDB_CLOSE_PRESSED));
        dis.itemState = ODS_FOCUS;
        d->button.DrawItem(&dis);
        EXPECT_TRUE(shows(IDB_CLOSE_HOVER));
        d->button.m_bHover = FALSE;
        d->button.DrawItem(&dis);
        EXPECT_TRUE(shows(IDB_CLOSE_NORMAL));
        EXPECT_EQ(mem.GetBkMode(), bkMode);  // the context's state is restored
        // A state without an image draws nothing.
        mem.FillSolidRect(0, 0, 20, 20, RGB(1, 2, 3));
        d->button.m_bmpPressed.DeleteObject();
        dis.itemState = ODS_SELECTED;
        d->button.DrawItem(&dis);
        EXPECT_EQ(mem.GetPixel(5, 5), RGB(1, 2, 3));
        mem.SelectObject(old);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, LoadBitmapsNeedsTheNormalImageAndFailsOnAnyBadId) {
    Host dlg;
    dlg.check = [](Host* d) {
        TestButton& b = d->button;
        EXPECT_FALSE(b.LoadBitmaps(9999, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, 0));
        EXPECT_EQ(b.m_bmpNormal.GetSafeHandle(), nullptr);
        EXPECT_EQ(b.m_bmpHover.GetSafeHandle(), nullptr);
        EXPECT_FALSE(b.LoadBitmaps(IDB_CLOSE_NORMAL, 9999, 0, 0));
        EXPECT_FALSE(b.LoadBitmaps(IDB_CLOSE_NORMAL, 0, 0, 9999));
        EXPECT_TRUE(b.LoadBitmaps(IDB_CLOSE_NORMAL));
        EXPECT_EQ(b.m_bmpPressed.GetSafeHandle(), nullptr);
        EXPECT_EQ(b.m_bmpHover.GetSafeHandle(), nullptr);
        EXPECT_TRUE(b.LoadBitmaps(IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, IDB_CLOSE_DISABLED));
        EXPECT_NE(b.m_bitmapDisabled.GetSafeHandle(), nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, TooltipIsCreatedOnceWithOneToolAndItsText) {
    Host dlg;
    dlg.check = [](Host* d) {
        TestButton& b = d->button;
        b.SetToolTipText(nullptr, TRUE);
        EXPECT_EQ(b.m_ToolTip.GetSafeHwnd(), nullptr);
        b.SetToolTipText("first", FALSE);
        HWND tip = b.m_ToolTip.GetSafeHwnd();
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(b.m_ToolTip.GetToolCount(), 1);
        CString text;
        b.m_ToolTip.GetText(text, &b, 1);
        EXPECT_STREQ(text, "first");
        b.SetToolTipText("second", TRUE);
        EXPECT_EQ(b.m_ToolTip.GetSafeHwnd(), tip);
        EXPECT_EQ(b.m_ToolTip.GetToolCount(), 1);
        b.m_ToolTip.GetText(text, &b, 1);
        EXPECT_STREQ(text, "second");
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(HoverButtonTest, ADeactivatedTooltipStaysSilentUntilActivated) {
    Host dlg;
    dlg.check = [](Host* d) {
        TestButton& b = d->button;
        b.SetToolTipText("Cancel", FALSE);
        CRect r;
        b.GetWindowRect(r);
        ASSERT_TRUE(afxtest::MovePointer(r.left + 5, r.top + 5));
        ASSERT_TRUE(afxtest::MovePointer(r.left + 10, r.top + 9));
        afxtest::Pump(1500);  // well past the tooltip's delay
        EXPECT_FALSE(b.m_ToolTip.IsWindowVisible());
        b.SetToolTipText("Cancel", TRUE);
        ASSERT_TRUE(afxtest::MovePointer(r.left - 100, r.top + 200));
        afxtest::Pump(100);
        ASSERT_TRUE(afxtest::MovePointer(r.left + 5, r.top + 5));
        ASSERT_TRUE(afxtest::MovePointer(r.left + 10, r.top + 9));
        EXPECT_TRUE(afxtest::PumpUntil([&] { return b.m_ToolTip.IsWindowVisible() != FALSE; }, 5000));
        ASSERT_TRUE(afxtest::MovePointer(r.left - 100, r.top + 200));
        afxtest::Pump(100);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}
