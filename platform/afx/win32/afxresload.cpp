#include "platform/afx/win32/afxresload.h"

#include <vector>

namespace {

constexpr WORD kLangKorean = 0x12;  // primary language id
constexpr UINT kCodePageKorean = 949;
constexpr UINT kCodePageWestern = 1252;

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR param) {
    reinterpret_cast<std::vector<LANGID>*>(param)->push_back(lang);
    return TRUE;
}

// Entry index of block in language lang, if that block has it non-empty.
bool FindInLanguage(HMODULE module, WORD block, unsigned index, LANGID lang, const WCHAR** text, size_t* length) {
    HRSRC res = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), lang);  // RT_STRING
    if (res == nullptr) return false;
    HGLOBAL loaded = LoadResource(module, res);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr && AfxStringInBlock(data, SizeofResource(module, res), index, text, length) &&
           *length > 0;
}

}  // namespace

HMODULE AfxResourceModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&AfxResourceModule), &module)) {
        return GetModuleHandleW(nullptr);
    }
    return module;
}

bool AfxStringInBlock(const void* block, size_t size, unsigned index, const WCHAR** text, size_t* length) {
    const WCHAR* p = static_cast<const WCHAR*>(block);
    size_t units = size / sizeof(WCHAR);
    size_t at = 0;
    if (p == nullptr || index > 15) return false;
    for (unsigned i = 0;; ++i) {
        if (at >= units) return false;
        size_t n = p[at];
        if (n > units - at - 1) return false;
        if (i == index) {
            *text = p + at + 1;
            *length = n;
            return true;
        }
        at += 1 + n;
    }
}

UINT AfxCodePageOfLanguage(LANGID lang) {
    return PRIMARYLANGID(lang) == kLangKorean ? kCodePageKorean : kCodePageWestern;
}

bool AfxLoadResourceString(HMODULE module, UINT nID, std::string* text, LANGID* foundLang) {
    if (nID > 0xFFFF) return false;
    WORD block = static_cast<WORD>(nID / 16 + 1);
    unsigned index = nID % 16;
    std::vector<LANGID> langs = {GetSystemDefaultLangID(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), OnLanguage,
                           reinterpret_cast<LONG_PTR>(&langs));
    for (LANGID lang : langs) {
        const WCHAR* wide = nullptr;
        size_t length = 0;
        if (!FindInLanguage(module, block, index, lang, &wide, &length)) continue;
        UINT codePage = AfxCodePageOfLanguage(lang);
        int n = WideCharToMultiByte(codePage, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (n <= 0) {  // that code page is not installed: the system's own
            codePage = CP_ACP;
            n = WideCharToMultiByte(codePage, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        }
        if (n <= 0) return false;
        text->assign(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(codePage, 0, wide, static_cast<int>(length), text->data(), n, nullptr, nullptr);
        if (foundLang != nullptr) *foundLang = lang;
        return true;
    }
    return false;
}
