// The module's resource table: dialog templates as data (dialog units,
// styles, items) in an English and a Korean version, and the icon.
#include "resources/VemoMPIOCX_rc.h"

#include "platform/afx/afxres.h"

namespace {

// The bytes of VemoMPIOCX.ico (generated at build time).
#include "VemoMPIOCX_ico.inc"

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

const AFX_RESOURCE_ENTRY g_afxModuleResources[] = {
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_ENGLISH_US, &kAuthNormalEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_KOREAN_DEFAULT, &kAuthNormalKorean, sizeof(AFX_DLGTEMPLATE)},
    {RT_GROUP_ICON_ID, IDI_VEMOMPIAUTH_SMALL, LANG_KOREAN_DEFAULT, kVemoMPIOCXIcon, sizeof(kVemoMPIOCXIcon)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTOREPORTDIALOG, LANG_ENGLISH_US, &kAutoReportEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTOREPORTDIALOG, LANG_KOREAN_DEFAULT, &kAutoReportKorean, sizeof(AFX_DLGTEMPLATE)},
};

const int g_afxModuleResourceCount = static_cast<int>(sizeof(g_afxModuleResources) / sizeof(g_afxModuleResources[0]));
