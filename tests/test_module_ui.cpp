// The module's two small windows on the real window layer (under Xvfb):
// the About box that AboutBox shows, and the control's property page in the
// property frame. Both open, show what they should and close.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxmod.h"
#include "platform/afx/afxpage.h"
#include "platform/afx/afxtest.h"
#include "resources/VemoMPIOCX_rc.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "tests/support/dispatch.h"
#include "tests/support/tempdir.h"

namespace {

// Runs check on the innermost modal window once one is up (bounded wait).
void WhenModal(std::function<void(HWND)> check, int attempts = 250) {
    afxtest::Post(
        [check, attempts] {
            HWND h = afxtest::ActiveModal();
            if (h != nullptr) check(h);
            else if (attempts > 0) WhenModal(check, attempts - 1);
        },
        20);
}

std::string ItemText(HWND parent, int id) {
    CWnd* wnd = CWnd::FromHandle(parent);
    CWnd* item = wnd != nullptr ? wnd->GetDlgItem(id) : nullptr;
    if (item == nullptr) return "<no item>";
    CString text;
    item->GetWindowText(text);
    return text.GetString();
}

class ModuleUi : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1);
        ctrl = new CVemoMPIOCXCtrl();
    }
    void TearDown() override {
        if (ctrl != nullptr) ctrl->Release();
    }
    TempDir dir;
    CVemoMPIOCXCtrl* ctrl = nullptr;
};

TEST_F(ModuleUi, AboutBoxShowsTheControlAndOkClosesIt) {
    afxtest::WindowState state;
    std::string name, line;
    bool icon = false;
    WhenModal([&](HWND h) {
        afxtest::GetWindowState(h, &state);
        name = ItemText(h, IDC_STATIC_ABOUT_NAME);
        line = ItemText(h, IDC_STATIC_ABOUT_LINE);
        RECT r{};
        CWnd* iconItem = CWnd::FromHandle(h)->GetDlgItem(IDC_STATIC_ABOUT_ICON);
        icon = iconItem != nullptr && afxtest::GetChildAllocation(iconItem->GetSafeHwnd(), &r) && r.right > r.left;
        // The OK button has the focus; the space bar presses it.
        afxtest::FocusWindow(h);
        afxtest::PressKey("space");
    });
    script::Result r = script::Call(ctrl, u"AboutBox");
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(afxtest::ActiveModal(), nullptr) << "OK closed it";
    EXPECT_EQ(state.captionUtf8, "About VemoMPIOCX Control");
    EXPECT_TRUE(state.modal);
    EXPECT_EQ(state.clientWidth, 390) << "260 dialog units of 8-point MS Sans Serif";
    EXPECT_EQ(state.clientHeight, 89) << "55 dialog units";
    EXPECT_EQ(name, "VemoMPIOCX Control, Version 1.0");
    EXPECT_FALSE(line.empty());
    EXPECT_NE(line, "<no item>");
    EXPECT_TRUE(icon);
}

TEST_F(ModuleUi, PropertyFrameShowsTheGeneralPage) {
    ULONG count = 0;
    const CLSID* pages = ctrl->GetPropPageIDs(count);
    IUnknown* objects[] = {static_cast<IDispatch*>(ctrl)};
    LONG locksBefore = AfxOleLockCount();
    for (const char* key : {"Escape", "space"}) {
        afxtest::WindowState state;
        std::string title, text;
        WhenModal([&](HWND h) {
            afxtest::GetWindowState(h, &state);
            title = ItemText(h, 0xFFFF);
            CWnd* page = CWnd::FromHandle(h)->GetDlgItem(0);
            text = page != nullptr ? ItemText(page->GetSafeHwnd(), IDC_STATIC_PPG_TEXT) : "<no page>";
            afxtest::FocusWindow(h);
            afxtest::PressKey(key);
        });
        EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"VemoMPIOCX Control", 1, objects, count, pages, 0, 0,
                                         nullptr),
                  S_OK)
            << key;
        EXPECT_EQ(afxtest::ActiveModal(), nullptr);
        EXPECT_EQ(state.captionUtf8, "VemoMPIOCX Control Properties");
        EXPECT_EQ(title, "General");
        EXPECT_EQ(text, "VemoMPIOCX Control has no properties to set here.");
        EXPECT_EQ(AfxOleLockCount(), locksBefore) << "the pages are gone with the frame";
    }
}

TEST_F(ModuleUi, PropertyFrameRefusesWhatItCannotShow) {
    IUnknown* objects[] = {static_cast<IDispatch*>(ctrl)};
    const CLSID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"X", 1, objects, 1, &unknown, 0, 0, nullptr),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"X", 0, objects, 1, &unknown, 0, 0, nullptr), E_INVALIDARG);
}


}  // namespace
