// The page-address reduction (CVemoMPIOCXCtrl::GetIWebPointer_Url): any
// address the container's moniker can name, reduced to the scheme and host
// into an output of the input's size. The output always ends in its NUL
// inside its buffer, and what is written is a lower-case scheme and a host.
// The default wait page made from the same text as an MPI address
// (MakeDefaultWaitUrl) likewise.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "control/VemoMPIOCXAuth.h"
#include "control/VemoMPIOCXCtrl.h"

namespace {

// The container's site: names the page with a URL moniker.
class PageSite final : public IOleClientSite {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++ref; }
    ULONG Release() override { return --ref; }  // static: lives for the whole run
    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT GetMoniker(DWORD, DWORD, IMoniker** ppmk) override { return CreateURLMoniker(nullptr, page.c_str(), ppmk); }
    HRESULT GetContainer(IOleContainer** pp) override {
        *pp = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    std::u16string page;
    std::atomic<ULONG> ref{1};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static PageSite site;
    static CVemoMPIOCXCtrl* ctrl = [] {
        setenv("LANG", "en_US.UTF-8", 1);
        auto* c = new CVemoMPIOCXCtrl();
        c->SetClientSite(&site);
        return c;
    }();
    // A byte for the output's size (0: the default), then the address as
    // UTF-16LE (or, with the size byte's top bit, as 8-bit characters).
    if (size < 1) return 0;
    size_t outSize = (data[0] & 0x7F) == 0 ? LOCAL_URL_SIZE : (data[0] & 0x7F);
    site.page.clear();
    if (data[0] & 0x80) {
        for (size_t i = 1; i < size; ++i) site.page.push_back(static_cast<char16_t>(data[i]));
    } else {
        for (size_t i = 1; i + 1 < size; i += 2) site.page.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    std::unique_ptr<char[]> out(new char[outSize]);
    int rc = ctrl->GetIWebPointer_Url(out.get(), outSize);
    size_t len = strnlen(out.get(), outSize);
    if (len >= outSize) std::abort();
    if (rc == 0 && std::strncmp(out.get(), "http://", 7) != 0 && std::strncmp(out.get(), "https://", 8) != 0 &&
        std::strcmp(out.get(), LOCAL_FILE_SITE_URL) != 0)
        std::abort();

    // The default wait page made from the same address taken as an MPI
    // address (8-bit), into an output of the same size: it ends inside its
    // buffer and is the empty page, nothing, or http(s), a host and the
    // wait page's path.
    if (data[0] & 0x80) {
        std::string mpi(reinterpret_cast<const char*>(data + 1), size - 1);
        mpi.resize(std::strlen(mpi.c_str()));
        std::vector<char> text(mpi.begin(), mpi.end());
        text.push_back('\0');
        std::unique_ptr<char[]> wait(new char[outSize]);
        BOOL made = MakeDefaultWaitUrl(text.data(), wait.get(), outSize);
        size_t n = strnlen(wait.get(), outSize);
        if (n >= outSize) std::abort();
        const size_t nPath = sizeof(DEFAULT_WAIT_PATH) - 1;
        if (made && (n < nPath || std::strcmp(wait.get() + n - nPath, DEFAULT_WAIT_PATH) != 0 ||
                     (std::strncmp(wait.get(), "http://", 7) != 0 && std::strncmp(wait.get(), "https://", 8) != 0)))
            std::abort();
        if (!made && n != 0 && std::strcmp(wait.get(), NO_WAIT_URL) != 0) std::abort();
    }
    return 0;
}
