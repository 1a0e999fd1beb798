// The size in pixels of a dialog template's client area, as the dialog
// manager maps it.
#include "platform/afx/win32/afxdlgsize.h"

#include <cstring>
#include <vector>

namespace {

// Reads a string of a dialog template (0xFFFF and an ordinal, or a
// terminated UTF-16 string) and answers the WORD after it; null when the
// template ends first.
const WORD* SkipTemplateString(const WORD* p, const WORD* end) {
    if (p >= end) return nullptr;
    if (*p == 0xFFFF) return p + 2 <= end ? p + 2 : nullptr;
    while (p < end && *p != 0) ++p;
    return p < end ? p + 1 : nullptr;
}

}  // namespace

bool AfxDialogTemplatePixelSize(const BYTE* data, DWORD size, SIZE* out) {
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

