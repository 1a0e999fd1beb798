// The module's resource table: dialog templates as data (dialog units,
// styles, items) in an English and a Korean version, and the icon.
#include "resources/VemoMPIOCX_rc.h"

#include "platform/afx/afxres.h"
#include "resources/VemoMPIOCX_module_rc.h"
#include "resources/VemoMPIOCX_tlb.h"

namespace {

// The bytes of VemoMPIOCX.ico (generated at build time).
#include "VemoMPIOCX_ico.inc"
// The bytes of VemoMPIOCX_toolbox.bmp, the control's toolbox picture.
#include "VemoMPIOCX_toolbox_bmp.inc"

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

}  // namespace

const AFX_RESOURCE_ENTRY g_afxModuleResources[] = {
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_ENGLISH_US, &kAuthNormalEnglish, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_VEMOMPIAUTHNORMALDIALOG, LANG_KOREAN_DEFAULT, &kAuthNormalKorean, sizeof(AFX_DLGTEMPLATE)},
    {RT_GROUP_ICON_ID, IDI_VEMOMPIAUTH_SMALL, LANG_KOREAN_DEFAULT, kVemoMPIOCXIcon, sizeof(kVemoMPIOCXIcon)},
    {RT_STRING_ID, IDS_VEMOMPIOCX, LANG_ENGLISH_US, "VemoMPIOCX Control", sizeof("VemoMPIOCX Control")},
    {RT_STRING_ID, IDS_VEMOMPIOCX_PPG, LANG_ENGLISH_US, "VemoMPIOCX Property Page", sizeof("VemoMPIOCX Property Page")},
    {RT_STRING_ID, IDS_VEMOMPIOCX_PPG_CAPTION, LANG_ENGLISH_US, "General", sizeof("General")},
    {RT_DIALOG_ID, IDD_ABOUTBOX_VEMOMPIOCX, LANG_ENGLISH_US, &kAboutBoxTemplate, sizeof(AFX_DLGTEMPLATE)},
    {RT_DIALOG_ID, IDD_PROPPAGE_VEMOMPIOCX, LANG_ENGLISH_US, &kPropPageTemplate, sizeof(AFX_DLGTEMPLATE)},
    {RT_BITMAP_ID, IDB_VEMOMPIOCX, LANG_ENGLISH_US, kVemoMPIOCXToolboxBitmap, sizeof(kVemoMPIOCXToolboxBitmap)},
    {RT_TYPELIB_ID, IDR_TYPELIB_VEMOMPIOCX, LANG_ENGLISH_US, &g_VemoMPIOCXTypeLib, sizeof(TypeLibDesc)},
};

const int g_afxModuleResourceCount = static_cast<int>(sizeof(g_afxModuleResources) / sizeof(g_afxModuleResources[0]));
