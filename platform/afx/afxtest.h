// Test hooks of the window layer: what a test needs to drive dialogs and
// the browser from outside, as a user and the window manager would, and to
// read what the toolkit really shows. Not used by the module.
#pragma once

#include <functional>
#include <string>

#include "platform/afx/afxwin.h"

namespace afxtest {

// True when the user-interface toolkit has a display to work with.
bool HaveDisplay();

// The innermost running modal window (dialog or message box), or null.
HWND ActiveModal();

// A close request as the window manager sends it (its close button, Alt+F4
// handled by the manager).
void SendCloseRequest(HWND hWnd);

// What the toolkit shows of a top-level window.
struct WindowState {
    int x = 0, y = 0;                        // screen position
    int width = 0, height = 0;               // outer size, caption included
    int clientWidth = 0, clientHeight = 0;   // the client area
    std::string captionUtf8;
    bool visible = false;
    bool modal = false;
    bool decorated = false;                  // has a caption
    int iconWidth = 0, iconHeight = 0;       // 0 when no icon is set
};
bool GetWindowState(HWND hWnd, WindowState* state);
// Position and size of a child window inside its parent's client area.
bool GetChildAllocation(HWND hWnd, RECT* rect);

// Runs fn on the user-interface loop after delayMs (also inside DoModal).
void Post(std::function<void()> fn, unsigned delayMs = 0);
// Runs the user-interface loop until done() holds or timeoutMs passes;
// returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the user-interface loop for about ms milliseconds.
void Pump(int ms);

// Real input through the X server (XTEST), to whatever has the focus or is
// under the pointer. Keys are X key symbol names ("Return", "Escape", "a",
// "F4"); modifiers a combination of "shift", "control", "alt".
bool FocusWindow(HWND hWnd);
bool PressKey(const char* keysym, const char* modifiers = "");
bool MovePointer(int screenX, int screenY);
bool PointerButton(int button, bool press);

// Saves what the window shows as a PNG file.
bool Snapshot(HWND hWnd, const char* pngPath);

// Runs page script in the browser control of hWnd and returns its result as
// text (empty on failure). For tests that look at the page as the user sees it.
std::string EvaluateInBrowser(HWND hBrowser, const char* script, int timeoutMs = 5000);

// Number of pop-up menus currently mapped (context menus).
int OpenPopupMenus();

// The text a tooltip control shows now; empty while it is hidden.
std::string ToolTipText(HWND hToolTip);
// Characters of text (UTF-8) that the font has no glyph for, not even
// through the system's font fallback (they would show as boxes).
int UnknownGlyphs(HFONT hFont, const char* utf8);

}  // namespace afxtest
