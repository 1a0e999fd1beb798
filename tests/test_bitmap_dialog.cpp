// CBitmapDialog on a real display (Xvfb): the three background modes, as
// pixels of the window; transparent statics and buttons over the picture, a
// trackbar that keeps its colours; the palette messages on a true-colour
// display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxwin.h"
#include "resources/VemoMPIOCX_rc.h"
#include "tests/support/resource_bitmap.h"
#include "ui/BitmapDialog.h"

namespace {

const AFX_DLGITEMTEMPLATE kLabel[] = {
    {77, "STATIC", "i", WS_CHILD | WS_VISIBLE | SS_LEFT, 4, 4, 60, 10},
    {78, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, 20, 40, 12},
};

// A pop-up without caption or frame: the client area is the window.
AFX_DLGTEMPLATE Template(short cx, short cy, const AFX_DLGITEMTEMPLATE* items = nullptr, int n = 0) {
    return AFX_DLGTEMPLATE{DS_SETFONT | WS_POPUP | WS_VISIBLE, 0, 0, 0, cx, cy, "", 9, "System", items, n};
}

class Backdrop : public CBitmapDialog {
public:
    explicit Backdrop(const AFX_DLGTEMPLATE* t) : CBitmapDialog(0) { InitModalIndirect(t); }
    std::function<void(Backdrop*)> onInit;
    std::function<void(Backdrop*)> check;  // after the first paint
    using CBitmapDialog::m_bmpBackground;
    using CBitmapDialog::m_HollowBrush;
    using CBitmapDialog::m_nType;

    COLORREF Pixel(int x, int y) {
        CClientDC dc(this);
        return dc.GetPixel(x, y);
    }

protected:
    BOOL OnInitDialog() override {
        CBitmapDialog::OnInitDialog();
        if (onInit) onInit(this);
        afxtest::Post([this] {
            if (check) check(this);
            EndDialog(1);
        }, 400);
        return TRUE;
    }
};

class BitmapDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        unsetenv("LC_ALL");
        setenv("LANG", "C", 1);
        AfxEnableControlContainer();
    }
};

}  // namespace

TEST_F(BitmapDialogTest, StartsInTileModeWithTheHollowBrushAndNoImage) {
    AFX_DLGTEMPLATE t = Template(60, 30);
    Backdrop dlg(&t);
    EXPECT_EQ(dlg.m_nType, 0);
    EXPECT_EQ(dlg.m_HollowBrush.GetSafeHandle(), GetStockObject(HOLLOW_BRUSH));
    EXPECT_EQ(dlg.m_bmpBackground.GetPixelPtr(), nullptr);
    EXPECT_FALSE(dlg.SetBitmap(9999, 1));  // no such bitmap
    EXPECT_EQ(dlg.m_bmpBackground.GetPixelPtr(), nullptr);
}

TEST_F(BitmapDialogTest, TileRepeatsFromTheTopLeftAndCutsTheLastTiles) {
    ResourceBitmap img(IDB_CLOSE_NORMAL);  // 21 x 19
    ASSERT_TRUE(img.ok());
    AFX_DLGTEMPLATE t = Template(100, 40);  // 200 x 80 pixels
    Backdrop dlg(&t);
    int mismatches = 0, checked = 0;
    dlg.onInit = [](Backdrop* d) { EXPECT_TRUE(d->SetBitmap(IDB_CLOSE_NORMAL, 0)); };
    dlg.check = [&](Backdrop* d) {
        for (int y = 0; y < 80; y += 3)
            for (int x = 0; x < 200; x += 5) {
                ++checked;
                if (d->Pixel(x, y) != img.At(x % 21, y % 19)) ++mismatches;
            }
        EXPECT_EQ(d->Pixel(199, 79), img.At(199 % 21, 79 % 19));
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_GT(checked, 0);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(BitmapDialogTest, StretchCoversTheClientArea) {
    ResourceBitmap img(IDB_WAIT_REST);  // 34 x 15
    ASSERT_TRUE(img.ok());
    AFX_DLGTEMPLATE t = Template(170, 30);  // 340 x 60: ten by four times
    Backdrop dlg(&t);
    int mismatches = 0;
    dlg.onInit = [](Backdrop* d) { EXPECT_TRUE(d->SetBitmap(IDB_WAIT_REST, 1)); };
    dlg.check = [&](Backdrop* d) {
        // The middle of each enlarged source pixel.
        for (int sy = 0; sy < 15; ++sy)
            for (int sx = 0; sx < 34; ++sx)
                if (d->Pixel(sx * 10 + 5, sy * 4 + 2) != img.At(sx, sy)) ++mismatches;
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(BitmapDialogTest, CentreFillsAnEqualWindowExactly) {
    ResourceBitmap img(IDB_SKIN_BACKGROUND);  // 444 x 506
    AFX_DLGTEMPLATE t = Template(222, 253);
    Backdrop dlg(&t);
    int mismatches = 0;
    dlg.onInit = [](Backdrop* d) { EXPECT_TRUE(d->SetBitmap(IDB_SKIN_BACKGROUND, 2)); };
    dlg.check = [&](Backdrop* d) {
        for (int y = 0; y < 506; y += 11)
            for (int x = 0; x < 444; x += 7)
                if (d->Pixel(x, y) != img.At(x, y)) ++mismatches;
        EXPECT_EQ(d->Pixel(443, 505), img.At(443, 505));
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(BitmapDialogTest, CentreCropsALargerImageEquallyAndTruncatesTheHalves) {
    ResourceBitmap img(IDB_SKIN_BACKGROUND);
    AFX_DLGTEMPLATE t = Template(222, 253);
    Backdrop dlg(&t);
    int mismatches = 0;
    dlg.onInit = [](Backdrop* d) {
        EXPECT_TRUE(d->SetBitmap(IDB_SKIN_BACKGROUND, 2));
        d->MoveWindow(0, 0, 399, 499);  // (399 - 444) / 2 = -22, (499 - 506) / 2 = -3
    };
    dlg.check = [&](Backdrop* d) {
        CRect rc;
        d->GetClientRect(rc);
        ASSERT_EQ(rc.Width(), 399);
        ASSERT_EQ(rc.Height(), 499);
        for (int y = 0; y < 499; y += 13)
            for (int x = 0; x < 399; x += 9)
                if (d->Pixel(x, y) != img.At(x + 22, y + 3)) ++mismatches;
        EXPECT_EQ(d->Pixel(398, 498), img.At(398 + 22, 498 + 3));
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(BitmapDialogTest, CentreLeavesTheDefaultEraseAroundASmallerImage) {
    ResourceBitmap img(IDB_WAIT_REST);  // 34 x 15 in 100 x 40
    AFX_DLGTEMPLATE t = Template(50, 20);
    Backdrop dlg(&t);
    dlg.onInit = [](Backdrop* d) { EXPECT_TRUE(d->SetBitmap(IDB_WAIT_REST, 2)); };
    dlg.check = [&](Backdrop* d) {
        const int ox = (100 - 34) / 2, oy = (40 - 15) / 2;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 34; ++x) ASSERT_EQ(d->Pixel(ox + x, oy + y), img.At(x, y)) << x << "," << y;
        // Outside the picture the dialog's own background shows, the same everywhere.
        const COLORREF bg = d->Pixel(1, 1);
        EXPECT_EQ(d->Pixel(98, 38), bg);
        EXPECT_EQ(d->Pixel(ox - 1, oy + 5), bg);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(BitmapDialogTest, StaticsAndButtonsAreTransparentATrackbarIsNot) {
    ResourceBitmap img(IDB_SKIN_BACKGROUND);
    AFX_DLGTEMPLATE t = Template(222, 253, kLabel, 2);
    Backdrop dlg(&t);
    CSliderCtrl slider;
    dlg.onInit = [&](Backdrop* d) {
        EXPECT_TRUE(d->SetBitmap(IDB_SKIN_BACKGROUND, 2));
        EXPECT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_HORZ, CRect(20, 300, 220, 330), d, 79));
    };
    dlg.check = [&](Backdrop* d) {
        CClientDC dc(d);
        HDC hdc = dc.GetSafeHdc();
        HWND label = d->GetDlgItem(77)->GetSafeHwnd();
        HWND button = d->GetDlgItem(78)->GetSafeHwnd();
        SetBkMode(hdc, OPAQUE);
        LRESULT r = d->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(r), reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
        EXPECT_EQ(GetBkMode(hdc), TRANSPARENT);
        SetBkMode(hdc, OPAQUE);
        r = d->SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(button));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(r), reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
        EXPECT_EQ(GetBkMode(hdc), TRANSPARENT);
        SetBkMode(hdc, OPAQUE);
        r = d->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                           reinterpret_cast<LPARAM>(slider.GetSafeHwnd()));
        EXPECT_NE(reinterpret_cast<HBRUSH>(r), reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
        EXPECT_EQ(GetBkMode(hdc), OPAQUE);
        // What the window shows: no grey box behind the label's text; the
        // right part of the label is the picture.
        int mismatches = 0;
        for (int y = 10; y < 26; y += 3)
            for (int x = 60; x < 128; x += 4)
                if (d->Pixel(x, y) != img.At(x, y)) ++mismatches;
        EXPECT_EQ(mismatches, 0);
        if (const char* dir = std::getenv("VEMOMPI_SCREENSHOT_DIR"))
            afxtest::Snapshot(d->GetSafeHwnd(), (std::string(dir) + "/bitmap-dialog.png").c_str());
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

TEST_F(BitmapDialogTest, WithoutAnImageControlColoursAreTheDialogs) {
    AFX_DLGTEMPLATE t = Template(222, 253, kLabel, 2);
    Backdrop dlg(&t);
    dlg.check = [&](Backdrop* d) {
        CClientDC dc(d);
        LRESULT r = d->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                   reinterpret_cast<LPARAM>(d->GetDlgItem(77)->GetSafeHwnd()));
        EXPECT_NE(reinterpret_cast<HBRUSH>(r), reinterpret_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
    };
    EXPECT_EQ(dlg.DoModal(), 1);
}

namespace {

// The realisations the palette handlers made, and what the display answers.
struct Realisations {
    static inline std::vector<HPALETTE> palettes;
    static inline UINT answer = 0;
    static UINT Hook(HDC, HPALETTE hpal) {
        palettes.push_back(hpal);
        return answer;
    }
};

}  // namespace

// The display is true-colour: realising the 8-bit background's palette
// changes no entry, so the dialog answers FALSE and repaints nothing. The
// handlers do realise it (foreground for WM_QUERYNEWPALETTE; background for
// WM_PALETTECHANGED caused by another window, never for one caused by the
// dialog itself); on a display with a hardware palette, where realising
// maps entries, each of them repaints the whole dialog.
TEST_F(BitmapDialogTest, PaletteMessagesOnATrueColourDisplay) {
    AFX_DLGTEMPLATE t = Template(222, 253);
    Backdrop dlg(&t);
    dlg.onInit = [](Backdrop* d) { EXPECT_TRUE(d->SetBitmap(IDB_SKIN_BACKGROUND, 2)); };
    dlg.check = [&](Backdrop* d) {
        ASSERT_NE(d->m_bmpBackground.GetPalette(), nullptr);
        HPALETTE background = static_cast<HPALETTE>(d->m_bmpBackground.GetPalette()->GetSafeHandle());
        HWND hwnd = d->GetSafeHwnd();
        CRect client;
        d->GetClientRect(client);
        RECT update{};
        auto whole = [&](const RECT& r) {
            return r.left == client.left && r.top == client.top && r.right == client.right && r.bottom == client.bottom;
        };
        Realisations::palettes.clear();
        Realisations::answer = 0;
        SetRealizePaletteHookForTesting(&Realisations::Hook);

        // True colour: realised, nothing changed, nothing repainted.
        ValidateRect(hwnd, nullptr);
        EXPECT_EQ(d->SendMessage(WM_QUERYNEWPALETTE), FALSE);
        EXPECT_EQ(Realisations::palettes, std::vector<HPALETTE>{background}) << "the background's palette was realised";
        EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_EQ(d->SendMessage(WM_PALETTECHANGED, 0), 0);
        EXPECT_EQ(Realisations::palettes.size(), 2u) << "realised for a change another window caused";
        EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_EQ(d->SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(hwnd)), 0);
        EXPECT_EQ(Realisations::palettes.size(), 2u) << "not for a change the dialog caused";

        // A palette display: the entries mapped anew repaint the dialog.
        Realisations::answer = 12;
        EXPECT_EQ(d->SendMessage(WM_QUERYNEWPALETTE), TRUE);
        ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_TRUE(whole(update));
        ValidateRect(hwnd, nullptr);
        EXPECT_EQ(d->SendMessage(WM_PALETTECHANGED, 0), 0);
        ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_TRUE(whole(update));
        ValidateRect(hwnd, nullptr);
        EXPECT_EQ(d->SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(hwnd)), 0);
        EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE)) << "a change the dialog caused repaints nothing";
        EXPECT_EQ(Realisations::palettes.size(), 4u);
        SetRealizePaletteHookForTesting(nullptr);
    };
    EXPECT_EQ(dlg.DoModal(), 1);
    SetRealizePaletteHookForTesting(nullptr);
}
