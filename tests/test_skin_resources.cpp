// The skinned dialog's resources: template 201 in both languages, and the
// bitmaps at the sizes and colour depths the dialog draws them with.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/afx/afxres.h"
#include "resources/VemoMPIOCX_rc.h"

namespace {

struct BmpInfo {
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    uint32_t offset = 0, fileSize = 0, clrUsed = 0;
};

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

BmpInfo Info(WORD id) {
    const AFX_RESOURCE_ENTRY* e = AfxFindModuleResource(RT_BITMAP_ID, id);
    BmpInfo i;
    if (e == nullptr || e->size < 54) return i;
    auto* p = static_cast<const unsigned char*>(e->data);
    if (p[0] != 'B' || p[1] != 'M' || U32(p + 14) != 40) return i;
    i.fileSize = U32(p + 2);
    i.offset = U32(p + 10);
    i.width = static_cast<int32_t>(U32(p + 18));
    i.height = static_cast<int32_t>(U32(p + 22));
    i.bits = static_cast<uint16_t>(p[28] | p[29] << 8);
    i.clrUsed = U32(p + 46);
    EXPECT_EQ(i.fileSize, e->size) << "bitmap " << id;
    uint32_t stride = ((uint32_t(i.width) * i.bits + 31) / 32) * 4;
    EXPECT_GE(e->size, i.offset + stride * uint32_t(i.height)) << "bitmap " << id;
    return i;
}

void ExpectBitmap(WORD id, int w, int h, int bits) {
    BmpInfo i = Info(id);
    EXPECT_EQ(i.width, w) << "bitmap " << id;
    EXPECT_EQ(i.height, h) << "bitmap " << id;
    EXPECT_EQ(i.bits, bits) << "bitmap " << id;
}

}  // namespace

TEST(SkinBitmaps, SizesAndDepths) {
    ExpectBitmap(IDB_SKIN_BACKGROUND, 444, 506, 8);
    for (WORD id : {IDB_CLOSE_DISABLED, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL}) ExpectBitmap(id, 21, 19, 8);
    const WORD frames[] = {239, 240, 241, 242, 252, 253, 254, 255, 256, 257, 258, 259, 260};
    for (WORD id : frames) ExpectBitmap(id, 34, 15, 16);
    ExpectBitmap(IDB_WAIT_REST, 34, 15, 8);
    ExpectBitmap(IDB_VEMOMPIOCX, 16, 15, 4);
}

TEST(SkinBitmaps, CloseButtonStatesDifferAndIndicatorFramesMove) {
    auto pixels = [](WORD id) {
        const AFX_RESOURCE_ENTRY* e = AfxFindModuleResource(RT_BITMAP_ID, id);
        return std::string(static_cast<const char*>(e->data), e->size);
    };
    EXPECT_NE(pixels(IDB_CLOSE_NORMAL), pixels(IDB_CLOSE_HOVER));
    EXPECT_NE(pixels(IDB_CLOSE_NORMAL), pixels(IDB_CLOSE_PRESSED));
    EXPECT_NE(pixels(IDB_CLOSE_HOVER), pixels(IDB_CLOSE_PRESSED));
    const WORD frames[] = {239, 240, 241, 242, 252, 253, 254, 255, 256, 257, 258, 259, 260};
    for (size_t i = 1; i < 13; ++i) EXPECT_NE(pixels(frames[i - 1]), pixels(frames[i])) << "frame " << i + 1;
}

TEST(SkinTemplate, BothLanguagesAlikeWithTheirThreeItems) {
    const AFX_DLGTEMPLATE* found[2] = {};
    int n = 0;
    for (int i = 0; i < g_afxModuleResourceCount; ++i) {
        const AFX_RESOURCE_ENTRY& e = g_afxModuleResources[i];
        if (e.type == RT_DIALOG_ID && e.id == IDD_VEMOMPIAUTHZKSKINDIALOG) {
            ASSERT_LT(n, 2);
            EXPECT_TRUE(e.lang == LANG_ENGLISH_US || e.lang == LANG_KOREAN_DEFAULT);
            found[n++] = static_cast<const AFX_DLGTEMPLATE*>(e.data);
        }
    }
    ASSERT_EQ(n, 2);
    for (const AFX_DLGTEMPLATE* t : found) {
        EXPECT_EQ(t->style & (WS_POPUP | WS_VISIBLE), DWORD(WS_POPUP | WS_VISIBLE));
        EXPECT_EQ(t->style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU), 0u);
        EXPECT_STREQ(t->faceName, "System");
        EXPECT_STREQ(t->caption, "");
        // 444 x 506 pixels: the background bitmap exactly.
        EXPECT_EQ(AfxDluToPixelsX(t, t->cx), 444);
        EXPECT_EQ(AfxDluToPixelsY(t, t->cy), 506);
        ASSERT_EQ(t->cItems, 3);
        const AFX_DLGITEMTEMPLATE& browser = t->items[0];
        EXPECT_EQ(browser.id, IDC_EXPLORER_AUTH);
        EXPECT_STREQ(browser.windowClass, "{8856F961-340A-11D0-A96B-00C04FD705A2}");
        EXPECT_EQ(browser.x, 7);
        EXPECT_EQ(browser.y, 36);
        EXPECT_EQ(browser.cx, 208);
        EXPECT_EQ(browser.cy, 204);
        EXPECT_EQ(browser.style, DWORD(WS_CHILD | WS_VISIBLE | WS_TABSTOP));
        const AFX_DLGITEMTEMPLATE& close = t->items[1];
        EXPECT_EQ(close.id, IDC_BUTTON_CLOSE);
        EXPECT_STREQ(close.windowClass, "BUTTON");
        EXPECT_STREQ(close.text, "X");
        EXPECT_EQ(close.x, 205);
        EXPECT_EQ(close.y, 4);
        EXPECT_EQ(close.cx, 10);
        EXPECT_EQ(close.cy, 10);
        EXPECT_EQ(close.style & 0x0F, DWORD(BS_OWNERDRAW));
        EXPECT_EQ(close.style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), DWORD(WS_CHILD | WS_VISIBLE | WS_TABSTOP));
        const AFX_DLGITEMTEMPLATE& title = t->items[2];
        EXPECT_EQ(title.id, IDC_STATIC_TITLE);
        EXPECT_STREQ(title.windowClass, "STATIC");
        EXPECT_STREQ(title.text, "");
        EXPECT_EQ(title.x, 41);
        EXPECT_EQ(title.y, 22);
        EXPECT_EQ(title.cx, 150);
        EXPECT_EQ(title.cy, 8);
        EXPECT_TRUE(title.style & SS_CENTERIMAGE);
    }
}

// The background frames the browser's place exactly: the one-pixel frame
// lies just outside the item's rectangle, and the inside is plain.
TEST(SkinBitmaps, BackgroundFramesTheBrowserItem) {
    const AFX_RESOURCE_ENTRY* e = AfxFindModuleResource(RT_BITMAP_ID, IDB_SKIN_BACKGROUND);
    ASSERT_NE(e, nullptr);
    auto* p = static_cast<const unsigned char*>(e->data);
    const uint32_t offset = U32(p + 10);
    auto at = [&](int x, int y) { return p[offset + uint32_t(505 - y) * 444 + uint32_t(x)]; };  // 444 is 4-aligned
    const int l = 14, t = 72, r = 14 + 416, b = 72 + 408;  // item 201 in pixels
    const unsigned char inside = at(l, t), frame = at(l - 1, t - 1);
    EXPECT_NE(inside, frame);
    for (int x = l; x < r; ++x) {
        EXPECT_EQ(at(x, t), inside);
        EXPECT_EQ(at(x, b - 1), inside);
        EXPECT_EQ(at(x, t - 1), frame);
        EXPECT_EQ(at(x, b), frame);
    }
    for (int y = t; y < b; ++y) {
        EXPECT_EQ(at(l, y), inside);
        EXPECT_EQ(at(r - 1, y), inside);
        EXPECT_EQ(at(l - 1, y), frame);
        EXPECT_EQ(at(r, y), frame);
    }
}
