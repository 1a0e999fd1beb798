// Message boxes on the dialog layer: what they show, how they are answered,
// and that one box after another leaves nothing behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "platform/afx/afxtest.h"
#include "platform/afx/afxtestmsgbox.h"

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        setenv("LANG", "en_US.UTF-8", 1);
    }
    void TearDown() override { setenv("LANG", "en_US.UTF-8", 1); }
    // Shows a box through show(); `answer` is called once it is up.
    afxtest::MessageBoxState Show(const std::function<int()>& show, const std::function<void(HWND)>& answer) {
        afxtest::MessageBoxState state;
        afxtest::Post([&] {
            afxtest::PumpUntil([] {
                HWND h = afxtest::ActiveModal();
                afxtest::MessageBoxState s;
                return h != nullptr && afxtest::GetMessageBoxState(h, &s) && s.visible;
            }, 5000);
            HWND h = afxtest::ActiveModal();
            EXPECT_TRUE(afxtest::GetMessageBoxState(h, &state));
            answer(h);
        }, 20);
        // A box the answer did not close is closed after a while, and fails.
        auto done = std::make_shared<bool>(false);
        afxtest::Post([done] {
            if (*done) return;
            ADD_FAILURE() << "the answer did not close the box";
            afxtest::SendCloseRequest(afxtest::ActiveModal());
        }, 4000);
        EXPECT_EQ(show(), IDOK);
        *done = true;
        EXPECT_EQ(afxtest::ActiveModal(), nullptr) << "the box is gone";
        return state;
    }
};

}  // namespace

TEST_F(MessageBoxTest, FrameworkBoxShowsTextIconAndOk) {
    auto s = Show([] { return AfxMessageBox("Line one.\n\nLine two ", MB_ICONINFORMATION | MB_OK); },
                  [](HWND h) { EXPECT_TRUE(afxtest::PressMessageBoxButton(h, IDOK)); });
    EXPECT_EQ(s.textUtf8, "Line one.\n\nLine two ");
    EXPECT_EQ(s.captionUtf8, "VemoMPIOCX");
    EXPECT_EQ(s.icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(s.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(s.modal);
    EXPECT_FALSE(s.owned);
}

TEST_F(MessageBoxTest, KoreanTextAndOtherIcons) {
    setenv("LANG", "ko_KR.UTF-8", 1);
    auto s = Show([] { return MessageBox(nullptr, "\xB1\xBC\xB8\xB2", nullptr, MB_ICONWARNING); },
                  [](HWND h) { EXPECT_FALSE(afxtest::PressMessageBoxButton(h, IDCANCEL)) << "it has none";
                               afxtest::SendCloseRequest(h); });
    EXPECT_EQ(s.textUtf8, "\xEA\xB5\xB4\xEB\xA6\xBC") << "code page 949 shown as the text it is";
    EXPECT_EQ(s.captionUtf8, "Error") << "the caption of a box that names none";
    EXPECT_EQ(s.icon, static_cast<UINT>(MB_ICONWARNING));
    s = Show([] { return MessageBox(nullptr, "x", "c", MB_OK); }, [](HWND h) { afxtest::PressMessageBoxButton(h, IDOK); });
    EXPECT_EQ(s.icon, 0u);
}

TEST_F(MessageBoxTest, ReturnAnswersAndBoxesFollowOneAnother) {
    // Each box is closed and freed before the next; the answer to one can
    // never reach another.
    for (int i = 0; i < 20; ++i) {
        Show([] { return AfxMessageBox("again", MB_ICONERROR); },
             [i](HWND h) {
                 if (i % 2 == 0) {
                     afxtest::FocusWindow(h);
                     afxtest::PressKey("Return");
                 } else {
                     afxtest::SendCloseRequest(h);
                 }
             });
    }
}
