// Resource ids of the module.
#pragma once

// Dialog templates.
#define IDD_VEMOMPIAUTHNORMALDIALOG 264
#define IDD_VEMOMPIAUTHZKSKINDIALOG 201

// Items.
#define IDC_EXPLORER_AUTH 201
#define IDC_BUTTON_CLOSE 203
#define IDC_STATIC_TITLE 206

// Icons.
#define IDI_VEMOMPIAUTH_SMALL 266

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
