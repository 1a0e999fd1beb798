#include "platform/com/ole.h"

#include <atomic>
#include <cstring>
#include <string>

const IID IID_IOleClientSite = {0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IOleObject = {0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IMoniker = {0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

class CUrlMoniker final : public IMoniker {
public:
    explicit CUrlMoniker(std::u16string url) : url_(std::move(url)) {}

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMoniker) {
            *ppvObject = static_cast<IMoniker*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++ref_; }
    ULONG Release() override {
        ULONG n = --ref_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* ppszDisplayName) override {
        if (ppszDisplayName == nullptr) return E_POINTER;
        size_t bytes = (url_.size() + 1) * sizeof(OLECHAR);
        auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (name == nullptr) {
            *ppszDisplayName = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(name, url_.c_str(), bytes);
        *ppszDisplayName = name;
        return S_OK;
    }

private:
    ~CUrlMoniker() = default;
    std::u16string url_;
    std::atomic<ULONG> ref_{1};
};

}  // namespace

HRESULT CreateURLMoniker(IMoniker* pmkContext, LPCWSTR szURL, IMoniker** ppmk) {
    if (ppmk == nullptr) return E_POINTER;
    *ppmk = nullptr;
    if (szURL == nullptr || pmkContext != nullptr) return E_INVALIDARG;
    *ppmk = new CUrlMoniker(std::u16string(szURL));
    return S_OK;
}
