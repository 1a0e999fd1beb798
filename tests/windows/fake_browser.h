// TEST DOUBLE: a browser control of the tests' own (fake_browser.cpp), for
// the containment's tests under Wine, which has no HTML engine. Registered
// in-process under kFakeBrowserClsid, it asks its site what the real
// WebBrowser asks, records what the container does to it, answers
// Navigate2 and Document, and fires BeforeNavigate2, TitleChange and
// DocumentComplete through its DWebBrowserEvents2 connection point.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <string>
#include <vector>

// {5B0C1E24-8E0B-4C1D-9D51-3A6F2D1C7E10}
extern const CLSID kFakeBrowserClsid;

// What one fake browser saw; reset by RegisterFakeBrowser.
struct FakeBrowserLog {
    // Its site, when given.
    bool inPlaceSite = false;
    bool controlSite = false;
    HRESULT userModeResult = E_FAIL;
    VARIANT_BOOL userMode = VARIANT_FALSE;
    HRESULT uiDeadResult = E_FAIL;
    VARIANT_BOOL uiDead = VARIANT_TRUE;
    bool uiHandler = false;
    DWORD hostFlags = 0xFFFFFFFF;
    DWORD hostDoubleClick = 0xFFFFFFFF;
    HRESULT contextMenu = E_FAIL;
    HRESULT uiHandlerAccelerator = E_FAIL;
    // In-place activation.
    bool windowContext = false;
    HWND frameWindow = nullptr;
    HWND siteWindow = nullptr;
    RECT posRect{};
    RECT objectRect{};
    int uiActivations = 0;
    bool focusInOwnWindow = false;
    // Navigate2's arguments.
    int navigations = 0;
    std::wstring url;
    std::string postData;
    std::wstring headers;
    bool flagsAndTargetEmpty = false;
    // The events' answers: BeforeNavigate2's Cancel per address.
    std::vector<std::pair<std::wstring, bool>> cancels;
    // Keystrokes: through TranslateAccelerator, and in its own window.
    std::vector<WPARAM> acceleratorKeys;
    std::vector<WPARAM> windowKeys;
    // Lifetime.
    int inPlaceDeactivations = 0;
    int closes = 0;
    bool deactivatedBeforeClose = false;  // the container took it out of place first
    bool siteCleared = false;
    int advised = 0;  // connections now
    int unadvisedWhileFiring = 0;
    int eventsAfterUnadvise = 0;
    int liveObjects = 0;
    long documentsReleased = 0;
};

extern FakeBrowserLog g_fakeBrowser;

// Registers the class object for kFakeBrowserClsid in this process and
// resets the log; returns the registration cookie (0 on failure).
DWORD RegisterFakeBrowser();
void RevokeFakeBrowser(DWORD cookie);
