// Pictures loaded from files and http(s) addresses (being built: loading
// fails for now).
#include "platform/com/olectl.h"

const IID IID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

HRESULT OleLoadPicturePath(LPOLESTR, IUnknown*, DWORD, OLE_COLOR, REFIID, LPVOID* ppvRet) {
    if (ppvRet != nullptr) *ppvRet = nullptr;
    return E_NOTIMPL;
}
