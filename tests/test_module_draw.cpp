// What the control paints on the page: its bounds filled white and an
// ellipse inscribed in them, with the context's pen and brush.
#include <gtest/gtest.h>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/afx/afxtest.h"

namespace {

class Draw : public ::testing::Test {
protected:
    void SetUp() override {
        if (!afxtest::HaveDisplay()) GTEST_SKIP() << "no display";
        ctrl = new CVemoMPIOCXCtrl();
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        ASSERT_TRUE(bitmap.CreateBitmap(kWidth, kHeight, 1, 32, nullptr));
        old = dc.SelectObject(&bitmap);
        // Whatever was there before: red.
        dc.FillSolidRect(0, 0, kWidth, kHeight, RGB(255, 0, 0));
    }
    void TearDown() override {
        if (ctrl == nullptr) return;
        dc.SelectObject(old);
        ctrl->Release();
    }
    static constexpr int kWidth = 120, kHeight = 80;
    CVemoMPIOCXCtrl* ctrl = nullptr;
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
};

TEST_F(Draw, WhiteBoundsAndAnInscribedEllipse) {
    CRect bounds(10, 10, 110, 70);
    ctrl->OnDraw(&dc, bounds, bounds);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), red = RGB(255, 0, 0);
    EXPECT_EQ(dc.GetPixel(5, 5), red) << "outside the bounds nothing changes";
    EXPECT_EQ(dc.GetPixel(110, 40), red);
    EXPECT_EQ(dc.GetPixel(11, 11), white) << "a corner of the bounds, outside the ellipse";
    EXPECT_EQ(dc.GetPixel(108, 68), white);
    EXPECT_EQ(dc.GetPixel(60, 40), white) << "inside, the default white brush";
    EXPECT_EQ(dc.GetPixel(60, 10), black) << "the default black pen touches the top";
    EXPECT_EQ(dc.GetPixel(60, 69), black) << "and the bottom";
    EXPECT_EQ(dc.GetPixel(10, 40), black) << "the left";
    EXPECT_EQ(dc.GetPixel(109, 40), black) << "and the right";
}

TEST_F(Draw, TheContextsPenAndBrushAreUsed) {
    CBrush blue(RGB(0, 0, 255));
    CPen green(PS_SOLID, 1, RGB(0, 255, 0));
    CBrush* oldBrush = dc.SelectObject(&blue);
    CPen* oldPen = dc.SelectObject(&green);
    CRect bounds(0, 0, kWidth, kHeight);
    ctrl->OnDraw(&dc, bounds, bounds);
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 255, 255)) << "the fill is always the white stock brush";
    EXPECT_EQ(dc.GetPixel(60, 40), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(60, 0), RGB(0, 255, 0));
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
}

}  // namespace
