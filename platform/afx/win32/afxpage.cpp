// COlePropertyPage on Windows: its window is a modeless dialog made from
// the page's dialog template resource, a child of the window the frame
// gives Activate; the page's object receives its messages through
// WindowProc (the rest of the page is in ../afxpage.cpp).
#include "platform/afx/afxpage.h"

#include <cstring>
#include <vector>

#include "platform/afx/afxgdi.h"

namespace {

// The messages the page's handlers see; the dialog manager does the rest.
bool RoutedToPage(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_COMMAND:
            // OK and Cancel are the frame's: the page never ends as a dialog.
            return LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL;
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_DRAWITEM:
        case WM_TIMER:
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<COlePropertyPage*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        page->m_hWnd = hWnd;
        return page->OnInitDialog();
    }
    auto* page = reinterpret_cast<COlePropertyPage*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (page == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        page->m_hWnd = nullptr;
        return FALSE;
    }
    if (!RoutedToPage(message, wParam)) return FALSE;
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, page->WindowProc(message, wParam, lParam));
    return TRUE;
}

// Reads a string of a dialog template (0xFFFF and an ordinal, or a
// terminated UTF-16 string) and answers the WORD after it; null when the
// template ends first.
const WORD* SkipTemplateString(const WORD* p, const WORD* end) {
    if (p >= end) return nullptr;
    if (*p == 0xFFFF) return p + 2 <= end ? p + 2 : nullptr;
    while (p < end && *p != 0) ++p;
    return p < end ? p + 1 : nullptr;
}

// The size in pixels of the client area a dialog template describes: its
// extent in dialog units, with the base units of its font (the average
// width of the Latin letters and the height of the font).
bool TemplatePixelSize(const BYTE* data, DWORD size, SIZE* out) {
    if (data == nullptr || size < sizeof(DLGTEMPLATE)) return false;
    const auto* words = reinterpret_cast<const WORD*>(data);
    const WORD* end = words + size / sizeof(WORD);
    bool extended = words[0] == 1 && words[1] == 0xFFFF;
    DWORD style = 0;
    short cx = 0, cy = 0;
    const WORD* p = nullptr;
    if (extended) {
        // dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy
        if (size < 26) return false;
        std::memcpy(&style, data + 12, sizeof style);
        std::memcpy(&cx, data + 22, sizeof cx);
        std::memcpy(&cy, data + 24, sizeof cy);
        p = reinterpret_cast<const WORD*>(data + 26);
    } else {
        DLGTEMPLATE t;
        std::memcpy(&t, data, sizeof t);
        style = t.style;
        cx = t.cx;
        cy = t.cy;
        p = reinterpret_cast<const WORD*>(data + sizeof(DLGTEMPLATE));
    }
    p = SkipTemplateString(p, end);                     // menu
    if (p != nullptr) p = SkipTemplateString(p, end);   // class
    if (p != nullptr) p = SkipTemplateString(p, end);   // caption
    int pointSize = 8;
    std::vector<WCHAR> face{L'M', L'S', L' ', L'S', L'h', L'e', L'l', L'l', L' ', L'D', L'l', L'g', 0};
    int weight = FW_NORMAL;
    BYTE italic = 0;
    if (p != nullptr && (style & DS_SETFONT) != 0 && p < end) {
        pointSize = *p++;
        if (extended && p + 2 <= end) {
            weight = p[0];
            italic = static_cast<BYTE>(p[1] & 0xFF);
            p += 2;
        }
        const WORD* name = p;
        if (SkipTemplateString(p, end) != nullptr && *name != 0xFFFF) {
            face.clear();
            while (*name != 0) face.push_back(static_cast<WCHAR>(*name++));
            face.push_back(0);
        }
    }
    HDC hdc = ::CreateCompatibleDC(nullptr);
    if (hdc == nullptr) return false;
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(pointSize, ::GetDeviceCaps(hdc, LOGPIXELSY), 72);
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(lf.lfFaceName, face.data(), LF_FACESIZE);
    HFONT font = ::CreateFontIndirectW(&lf);
    HGDIOBJ old = font != nullptr ? ::SelectObject(hdc, font) : nullptr;
    TEXTMETRICW tm{};
    SIZE letters{0, 0};
    static const WCHAR kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    bool ok = ::GetTextMetricsW(hdc, &tm) && ::GetTextExtentPoint32W(hdc, kLetters, 52, &letters);
    if (old != nullptr) ::SelectObject(hdc, old);
    if (font != nullptr) ::DeleteObject(font);
    ::DeleteDC(hdc);
    if (!ok) return false;
    int baseX = (letters.cx / 26 + 1) / 2;
    int baseY = tm.tmHeight;
    out->cx = ::MulDiv(cx, baseX, 4);
    out->cy = ::MulDiv(cy, baseY, 8);
    return true;
}

}  // namespace

HRESULT COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
    if (pRect == nullptr) return E_POINTER;
    if (hWndParent == nullptr || !::IsWindow(hWndParent)) return E_INVALIDARG;
    if (m_hWnd != nullptr) return E_UNEXPECTED;
    HWND h = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_idTemplate), hWndParent, PageDialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (h == nullptr) return E_FAIL;
    ::SetWindowPos(h, nullptr, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
    if (m_hWnd == nullptr) return S_OK;
    HWND h = m_hWnd;
    ::DestroyWindow(h);  // WM_NCDESTROY clears m_hWnd
    m_hWnd = nullptr;
    return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    if (pPageInfo == nullptr) return E_POINTER;
    std::memset(pPageInfo, 0, sizeof(*pPageInfo));
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    char caption[256] = {};
    AfxLoadString(m_idCaption, caption, sizeof(caption));
    int n = ::MultiByteToWideChar(CP_ACP, 0, caption, -1, nullptr, 0);
    if (n <= 0) n = 1;
    pPageInfo->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(static_cast<SIZE_T>(n) * sizeof(OLECHAR)));
    if (pPageInfo->pszTitle == nullptr) return E_OUTOFMEMORY;
    pPageInfo->pszTitle[0] = 0;
    ::MultiByteToWideChar(CP_ACP, 0, caption, -1, pPageInfo->pszTitle, n);
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(m_idTemplate), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = res != nullptr ? ::LoadResource(module, res) : nullptr;
    const auto* data = loaded != nullptr ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!TemplatePixelSize(data, res != nullptr ? ::SizeofResource(module, res) : 0, &pPageInfo->size)) {
        pPageInfo->size = SIZE{0, 0};
    }
    return S_OK;
}

HRESULT COlePropertyPage::Show(UINT nCmdShow) {
    if (m_hWnd == nullptr) return E_UNEXPECTED;
    ::ShowWindow(m_hWnd, static_cast<int>(nCmdShow));
    return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT pRect) {
    if (pRect == nullptr) return E_POINTER;
    if (m_hWnd == nullptr) return E_UNEXPECTED;
    ::MoveWindow(m_hWnd, pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top, TRUE);
    return S_OK;
}

// Tab and the arrow keys move between the page's controls.
HRESULT COlePropertyPage::TranslateAccelerator(MSG* pMsg) {
    if (pMsg == nullptr) return E_POINTER;
    if (m_hWnd == nullptr) return S_FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg) ? S_OK : S_FALSE;
}
