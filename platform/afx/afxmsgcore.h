// What the window layers of both platforms share about the message being
// handled: the scope that marks it for CWnd::Default, and the hook by which
// each layer names the object bound to a window (for reflecting a control's
// notices to it).
#pragma once

#include "platform/afx/afxwin.h"

namespace afxcore {

// Marks the message a window is handling, for CWnd::Default.
class MessageScope {
public:
    MessageScope(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
    ~MessageScope();
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;
};

// The framework object bound to a live window, or null (no such window, or
// none bound to it). Each window layer defines it.
CWnd* BoundWindow(HWND hWnd);

}  // namespace afxcore
