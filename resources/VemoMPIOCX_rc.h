// Resource ids of the module.
#pragma once

// Dialog templates.
#define IDD_VEMOMPIAUTHNORMALDIALOG 264
#define IDD_VEMOMPIAUTHZKSKINDIALOG 201

// Items.
#define IDC_EXPLORER_AUTH 201
#define IDC_BUTTON_CLOSE 203
#define IDC_STATIC_TITLE 206
#define IDD_VEMOMPIAUTOREPORTDIALOG 267

// Items.
#define IDC_EXPLORER_AUTH 201
#define IDC_BUTTON_EXIT 207
#ifndef IDC_STATIC
#define IDC_STATIC 0xFFFF  // items that nothing refers to
#endif

// Icons.
#define IDI_VEMOMPIAUTH_SMALL 266

// Strings.
#define IDS_SSL_WARNING 201
// Bitmaps: the control's toolbox picture and the skinned dialog's pictures.
#define IDB_VEMOMPIOCX 1
#define IDB_CLOSE_DISABLED 212
#define IDB_CLOSE_PRESSED 213
#define IDB_CLOSE_HOVER 214
#define IDB_CLOSE_NORMAL 215
#define IDB_SKIN_BACKGROUND 234
#define IDB_WAIT_01 239
#define IDB_WAIT_02 240
#define IDB_WAIT_03 241
#define IDB_WAIT_04 242
#define IDB_WAIT_05 252
#define IDB_WAIT_06 253
#define IDB_WAIT_07 254
#define IDB_WAIT_08 255
#define IDB_WAIT_09 256
#define IDB_WAIT_10 257
#define IDB_WAIT_11 258
#define IDB_WAIT_12 259
#define IDB_WAIT_13 260
#define IDB_WAIT_REST 261
// The module's own entries: type names, property page, About box, type library.
#define IDS_VEMOMPIOCX 1
#define IDS_VEMOMPIOCX_PPG 2
#define IDS_VEMOMPIOCX_PPG_CAPTION 200
#define IDD_ABOUTBOX_VEMOMPIOCX 1
#define IDD_PROPPAGE_VEMOMPIOCX 200
#define IDR_TYPELIB_VEMOMPIOCX 1
#define IDC_STATIC_ABOUT_ICON 1001
#define IDC_STATIC_ABOUT_NAME 1002
#define IDC_STATIC_ABOUT_LINE 1003
#define IDC_STATIC_PPG_TEXT 1004
