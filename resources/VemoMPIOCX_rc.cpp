// The module's resource table: dialog templates as data (dialog units,
// styles, items) in an English and a Korean version, the icon and the
// bitmaps (their whole BMP files).
#include "resources/VemoMPIOCX_rc.h"

#include "platform/afx/afxres.h"
#include "resources/VemoMPIOCX_str.h"
#include "resources/VemoMPIOCX_module_rc.h"
#include "resources/VemoMPIOCX_tlb.h"

namespace {

// The bytes of VemoMPIOCX.ico (generated at build time).
#include "VemoMPIOCX_ico.inc"

// The bytes of the bitmaps under resources/bitmaps (generated at build time).
#include "bmp_close_disabled.inc"
#include "bmp_close_hover.inc"
#include "bmp_close_normal.inc"
#include "bmp_close_pressed.inc"
#include "bmp_skin_background.inc"
#include "bmp_toolbox.inc"
#include "bmp_wait_01.inc"
#include "bmp_wait_02.inc"
#include "bmp_wait_03.inc"
#include "bmp_wait_04.inc"
#include "bmp_wait_05.inc"
#include "bmp_wait_06.inc"
#include "bmp_wait_07.inc"
#include "bmp_wait_08.inc"
#include "bmp_wait_09.inc"
#include "bmp_wait_10.inc"
#include "bmp_wait_11.inc"
#include "bmp_wait_12.inc"
#include "bmp_wait_13.inc"
#include "bmp_wait_rest.inc"

// Template 264, the plain authentication dialog: a visible pop-up window
// with caption, system menu with minimize and close boxes and a modal
// frame, System font; its only item is the WebBrowser control, id 201, over
// the whole client area (the dialog resizes both when it starts).
const AFX_DLGITEMTEMPLATE kAuthNormalItems[] = {
    {IDC_EXPLORER_AUTH, "{8856F961-340A-11D0-A96B-00C04FD705A2}", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 212,
     216},
};

constexpr DWORD kAuthNormalStyle =
    DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

const AFX_DLGTEMPLATE kAuthNormalEnglish = {
    kAuthNormalStyle, 0, 0, 0, 212, 216, "Torvu Click Plug-in", 9, "System", kAuthNormalItems, 1,
};

// "Torvu클릭" in code page 949.
const AFX_DLGTEMPLATE kAuthNormalKorean = {
    kAuthNormalStyle, 0, 0, 0, 212, 216, "\x54\x6F\x72\x76\x75\xC5\xAC\xB8\xAF", 9, "System", kAuthNormalItems, 1,
};

// Template 201, the skinned authentication dialog: a visible pop-up window
// without caption or frame, System font, 222 x 253 dialog units (444 x 506
// pixels, the size of its background bitmap), no title. Items: the
// WebBrowser control 201 in the framed area of the background, the
// owner-drawn close button 203 at the top right and the title line 206 on
// the header strip. Both languages are the same.
const AFX_DLGITEMTEMPLATE kAuthZKSkinItems[] = {
    {IDC_EXPLORER_AUTH, "{8856F961-340A-11D0-A96B-00C04FD705A2}", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 7, 36, 208,
     204},
    {IDC_BUTTON_CLOSE, "BUTTON", "X", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 205, 4, 10, 10},
    {IDC_STATIC_TITLE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, 41, 22, 150, 8},
};

constexpr DWORD kAuthZKSkinStyle = DS_SETFONT | WS_POPUP | WS_VISIBLE;

const AFX_DLGTEMPLATE kAuthZKSkinEnglish = {
    kAuthZKSkinStyle, 0, 0, 0, 222, 253, "", 9, "System", kAuthZKSkinItems, 3,
};

const AFX_DLGTEMPLATE kAuthZKSkinKorean = {
    kAuthZKSkinStyle, 0, 0, 0, 222, 253, "", 9, "System", kAuthZKSkinItems, 3,
};

// Template 267, the report dialog: a pop-up window with caption and modal
// frame but no system menu, a centred line of text and the Exit button.
constexpr DWORD kAutoReportStyle = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION;

const AFX_DLGITEMTEMPLATE kAutoReportItemsEnglish[] = {
    {IDC_STATIC, "STATIC", "Torvu Click Plug-in is reporting Errors.", WS_CHILD | WS_VISIBLE | SS_CENTER, 25, 9, 136, 12},
    {IDC_BUTTON_EXIT, "BUTTON", "Exit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 64, 24, 58, 11},
};

const AFX_DLGTEMPLATE kAutoReportEnglish = {
    kAutoReportStyle, 0, 0, 0, 187, 47, "Torvu Click Plug-in", 10, "Arial", kAutoReportItemsEnglish, 2,
};

// In code page 949: "Torvu클릭  플러그인 에러 보고중입니다." and "종료".
const AFX_DLGITEMTEMPLATE kAutoReportItemsKorean[] = {
    {IDC_STATIC, "STATIC",
     "Torvu\xC5\xAC\xB8\xAF  \xC7\xC3\xB7\xAF\xB1\xD7\xC0\xCE \xBF\xA1\xB7\xAF "
     "\xBA\xB8\xB0\xED\xC1\xDF\xC0\xD4\xB4\xCF\xB4\xD9.",
     WS_CHILD | WS_VISIBLE | SS_CENTER, 20, 11, 125, 10},
    {IDC_BUTTON_EXIT, "BUTTON", "\xC1\xBE\xB7\xE1", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 57, 28, 50, 12},
};

// Caption "Torvu클릭 " (with its trailing blank) and font "굴림", in code page 949.
const AFX_DLGTEMPLATE kAutoReportKorean = {
    kAutoReportStyle, 0, 0, 0, 164, 62, "Torvu\xC5\xAC\xB8\xAF ", 10, "\xB1\xBC\xB8\xB2", kAutoReportItemsKorean, 2,
};

}  // namespace

#define BITMAP_ENTRY(id, bytes) {RT_BITMAP_ID, id, LANG_KOREAN_DEFAULT, bytes, sizeof(bytes)}

const AFX_RESOURCE_ENTRY g_afxModuleResources[] = {
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_ENGLISH_US, &kAuthNormalEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_KOREAN_DEFAULT, &kAuthNormalKorean, sizeof(AFX_DLGTEMPLATE)},
    {RT_GROUP_ICON_ID, IDI_VEMOMPIAUTH_SMALL, LANG_KOREAN_DEFAULT, kVemoMPIOCXIcon, sizeof(kVemoMPIOCXIcon)},
    {RT_STRING_ID, IDS_SSL_WARNING, LANG_ENGLISH_US, IDS_SSL_WARNING_TEXT_EN, sizeof(IDS_SSL_WARNING_TEXT_EN) - 1},
    {RT_STRING_ID, IDS_SSL_WARNING, LANG_KOREAN_DEFAULT, IDS_SSL_WARNING_TEXT_KO, sizeof(IDS_SSL_WARNING_TEXT_KO) - 1},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHZKSKINDIALOG, LANG_ENGLISH_US, &kAuthZKSkinEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHZKSKINDIALOG, LANG_KOREAN_DEFAULT, &kAuthZKSkinKorean, sizeof(AFX_DLGTEMPLATE)},
    BITMAP_ENTRY(IDB_VEMOMPIOCX, kBmp_toolbox),
    BITMAP_ENTRY(IDB_CLOSE_DISABLED, kBmp_close_disabled),
    BITMAP_ENTRY(IDB_CLOSE_PRESSED, kBmp_close_pressed),
    BITMAP_ENTRY(IDB_CLOSE_HOVER, kBmp_close_hover),
    BITMAP_ENTRY(IDB_CLOSE_NORMAL, kBmp_close_normal),
    BITMAP_ENTRY(IDB_SKIN_BACKGROUND, kBmp_skin_background),
    BITMAP_ENTRY(IDB_WAIT_01, kBmp_wait_01),
    BITMAP_ENTRY(IDB_WAIT_02, kBmp_wait_02),
    BITMAP_ENTRY(IDB_WAIT_03, kBmp_wait_03),
    BITMAP_ENTRY(IDB_WAIT_04, kBmp_wait_04),
    BITMAP_ENTRY(IDB_WAIT_05, kBmp_wait_05),
    BITMAP_ENTRY(IDB_WAIT_06, kBmp_wait_06),
    BITMAP_ENTRY(IDB_WAIT_07, kBmp_wait_07),
    BITMAP_ENTRY(IDB_WAIT_08, kBmp_wait_08),
    BITMAP_ENTRY(IDB_WAIT_09, kBmp_wait_09),
    BITMAP_ENTRY(IDB_WAIT_10, kBmp_wait_10),
    BITMAP_ENTRY(IDB_WAIT_11, kBmp_wait_11),
    BITMAP_ENTRY(IDB_WAIT_12, kBmp_wait_12),
    BITMAP_ENTRY(IDB_WAIT_13, kBmp_wait_13),
    BITMAP_ENTRY(IDB_WAIT_REST, kBmp_wait_rest),
    {RT_DIALOG_ID, IDD_VEMOMPIAUTOREPORTDIALOG, LANG_ENGLISH_US, &kAutoReportEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTOREPORTDIALOG, LANG_KOREAN_DEFAULT, &kAutoReportKorean, sizeof(AFX_DLGTEMPLATE)},
    {RT_STRING_ID, IDS_VEMOMPIOCX, LANG_ENGLISH_US, "VemoMPIOCX Control", sizeof("VemoMPIOCX Control")},
    {RT_STRING_ID, IDS_VEMOMPIOCX_PPG, LANG_ENGLISH_US, "VemoMPIOCX Property Page", sizeof("VemoMPIOCX Property Page")},
    {RT_STRING_ID, IDS_VEMOMPIOCX_PPG_CAPTION, LANG_ENGLISH_US, "General", sizeof("General")},
    {RT_DIALOG_ID, IDD_ABOUTBOX_VEMOMPIOCX, LANG_ENGLISH_US, &kAboutBoxTemplate, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_PROPPAGE_VEMOMPIOCX, LANG_ENGLISH_US, &kPropPageTemplate, sizeof(AFX_DLGTEMPLATE)},
    {RT_TYPELIB_ID, IDR_TYPELIB_VEMOMPIOCX, LANG_ENGLISH_US, &g_VemoMPIOCXTypeLib, sizeof(TypeLibDesc)},
};

const int g_afxModuleResourceCount = static_cast<int>(sizeof(g_afxModuleResources) / sizeof(g_afxModuleResources[0]));
