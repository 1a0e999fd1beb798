// Resource ids of the module.
#pragma once

// Dialog templates.
#define IDD_VEMOMPIAUTHNORMALDIALOG 264
#define IDD_VEMOMPIAUTOREPORTDIALOG 267

// Items.
#define IDC_EXPLORER_AUTH 201
#define IDC_BUTTON_EXIT 207
#ifndef IDC_STATIC
#define IDC_STATIC 0xFFFF  // items that nothing refers to
#endif

// Icons.
#define IDI_VEMOMPIAUTH_SMALL 266
