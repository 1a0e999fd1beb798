// Resource ids of the module.
#pragma once

// Dialog templates.
#define IDD_VEMOMPIAUTHNORMALDIALOG 264

// Items.
#define IDC_EXPLORER_AUTH 201

// Icons.
#define IDI_VEMOMPIAUTH_SMALL 266

// The module's own entries: type names, property page, About box, toolbox
// picture, type library.
#define IDS_VEMOMPIOCX 1
#define IDS_VEMOMPIOCX_PPG 2
#define IDS_VEMOMPIOCX_PPG_CAPTION 200
#define IDD_ABOUTBOX_VEMOMPIOCX 1
#define IDD_PROPPAGE_VEMOMPIOCX 200
#define IDB_VEMOMPIOCX 1
#define IDR_TYPELIB_VEMOMPIOCX 1
#define IDC_STATIC_ABOUT_ICON 1001
#define IDC_STATIC_ABOUT_NAME 1002
#define IDC_STATIC_ABOUT_LINE 1003
#define IDC_STATIC_PPG_TEXT 1004
