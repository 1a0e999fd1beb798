// The size in pixels of a dialog template, as a property page reports it to
// the frame: it must be the size the dialog manager gives the dialog.
#include "platform/afx/win32/afxdlgsize.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void PutWord(std::vector<BYTE>& t, WORD w) {
    t.push_back(static_cast<BYTE>(w & 0xFF));
    t.push_back(static_cast<BYTE>(w >> 8));
}
void PutDword(std::vector<BYTE>& t, DWORD d) {
    PutWord(t, static_cast<WORD>(d & 0xFFFF));
    PutWord(t, static_cast<WORD>(d >> 16));
}
void PutString(std::vector<BYTE>& t, const wchar_t* s) {
    for (; *s != 0; ++s) PutWord(t, static_cast<WORD>(*s));
    PutWord(t, 0);
}

constexpr DWORD kStyle = WS_POPUP | DS_SETFONT;

// A template without items: no menu, the default class, no title, the font.
std::vector<BYTE> Template(bool extended, short cx, short cy, WORD pointSize, const wchar_t* face) {
    std::vector<BYTE> t;
    if (extended) {
        PutWord(t, 1);
        PutWord(t, 0xFFFF);
        PutDword(t, 0);  // help id
        PutDword(t, 0);  // extended style
        PutDword(t, kStyle);
    } else {
        PutDword(t, kStyle);
        PutDword(t, 0);  // extended style
    }
    PutWord(t, 0);  // items
    PutWord(t, 0);
    PutWord(t, 0);
    PutWord(t, static_cast<WORD>(cx));
    PutWord(t, static_cast<WORD>(cy));
    PutWord(t, 0);  // menu
    PutWord(t, 0);  // class
    PutWord(t, 0);  // title
    PutWord(t, pointSize);
    if (extended) {
        PutWord(t, FW_NORMAL);
        PutWord(t, 0);  // italic, character set
    }
    PutString(t, face);
    return t;
}

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The client rectangle the dialog manager maps the template's extent to.
SIZE SystemSize(std::vector<BYTE> t, short cx, short cy) {
    std::vector<DWORD> aligned((t.size() + 3) / 4);
    std::memcpy(aligned.data(), t.data(), t.size());
    HWND h = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()),
                                          nullptr, Quiet, 0);
    if (h == nullptr) return SIZE{-1, -1};
    RECT r{0, 0, cx, cy};
    ::MapDialogRect(h, &r);
    ::DestroyWindow(h);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TEST(WinDialogSize, TemplateSizeIsTheDialogManagersForBothTemplateForms) {
    for (bool extended : {false, true}) {
        for (WORD points : {8, 12}) {
            std::vector<BYTE> t = Template(extended, 250, 62, points, L"MS Shell Dlg");
            SIZE ours{0, 0};
            ASSERT_TRUE(AfxDialogTemplatePixelSize(t.data(), static_cast<DWORD>(t.size()), &ours));
            SIZE system = SystemSize(t, 250, 62);
            ASSERT_GT(system.cx, 0) << "the dialog manager refused the template";
            EXPECT_EQ(ours.cx, system.cx) << "extended " << extended << ", " << points << " points";
            EXPECT_EQ(ours.cy, system.cy) << "extended " << extended << ", " << points << " points";
        }
    }
}

TEST(WinDialogSize, ShortTemplatesAreRefused) {
    std::vector<BYTE> t = Template(false, 250, 62, 8, L"MS Shell Dlg");
    SIZE s{7, 7};
    EXPECT_FALSE(AfxDialogTemplatePixelSize(t.data(), 17, &s));
    EXPECT_FALSE(AfxDialogTemplatePixelSize(nullptr, 100, &s));
    std::vector<BYTE> ex = Template(true, 250, 62, 8, L"MS Shell Dlg");
    EXPECT_FALSE(AfxDialogTemplatePixelSize(ex.data(), 25, &s));
}

}  // namespace
