// Resource ids of the module.
#pragma once

// Dialog templates.
#define IDD_VEMOMPIAUTHNORMALDIALOG 264

// Items.
#define IDC_EXPLORER_AUTH 201

// Icons.
#define IDI_VEMOMPIAUTH_SMALL 266

// Strings.
#define IDS_SSL_WARNING 201
