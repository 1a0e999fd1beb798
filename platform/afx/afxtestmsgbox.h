// Test hooks for message boxes: what a running box shows (text, caption,
// icon, buttons) and a press of one of its buttons, as the user would.
// Not used by the module.
#pragma once

#include <string>
#include <vector>

#include "platform/afx/afxwin.h"

namespace afxtest {

struct MessageBoxState {
    std::string textUtf8;
    std::string captionUtf8;
    UINT icon = 0;             // MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONERROR, or 0 for none
    std::vector<int> buttons;  // the answers its buttons give (IDOK, IDCANCEL)
    bool modal = false;
    bool visible = false;
    bool owned = false;        // has an owner window
};

// FALSE when hWnd is not a running message box.
bool GetMessageBoxState(HWND hWnd, MessageBoxState* state);

// Presses the box's button that answers nID; false when it has none.
bool PressMessageBoxButton(HWND hWnd, int nID);

}  // namespace afxtest
