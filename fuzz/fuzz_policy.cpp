// The administrators' policy as read from the registry: the StrictTransport
// switch and the AllowedSites list, of any value type and bytes, and the
// origin of any address. Every entry of a list is an origin that reads back
// as itself; an origin is allowed by a list holding it and by no list
// without it; https addresses have https origins.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "transport/MPIPolicy.h"

namespace {

const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A type byte, then the value's bytes, in a buffer of their exact size.
    if (size < 1) return 0;
    DWORD type = kTypes[data[0] % (sizeof(kTypes) / sizeof(kTypes[0]))];
    std::vector<BYTE> value(data + 1, data + size);
    const BYTE* bytes = value.empty() ? nullptr : value.data();
    DWORD count = static_cast<DWORD>(value.size());

    bool on = MPIPolicyFlagOn(type, bytes, count);
    if (type != REG_DWORD && type != REG_QWORD && type != REG_SZ && type != REG_EXPAND_SZ && !on) std::abort();

    std::vector<std::string> sites = MPIPolicySiteList(type, bytes, count);
    for (const std::string& site : sites) {
        std::string again;
        if (!MPIUrlOrigin(site.c_str(), &again) || again != site) std::abort();
        if (!MPIPolicyEntryOrigin(site.data(), site.size(), &again) || again != site) std::abort();
    }

    // The bytes as an address: its origin is the only one of its lists.
    std::string url(reinterpret_cast<const char*>(data + 1), size - 1);
    url.resize(std::strlen(url.c_str()));
    std::string origin;
    bool hasOrigin = MPIUrlOrigin(url.c_str(), &origin);
    if (MPIIsHttpsUrl(url.c_str()) != (hasOrigin && origin.rfind("https://", 0) == 0)) std::abort();
    MPI_POLICY policy;
    if (!MPIPolicySiteAllowed(policy, url.c_str())) std::abort();
    policy.siteLists = {sites};
    bool listed = false;
    for (const std::string& site : sites) listed = listed || (hasOrigin && site == origin);
    if (MPIPolicySiteAllowed(policy, url.c_str()) != listed) std::abort();
    if (hasOrigin) {
        policy.siteLists = {{origin}};
        if (!MPIPolicySiteAllowed(policy, url.c_str())) std::abort();
        policy.siteLists.push_back({});
        if (MPIPolicySiteAllowed(policy, url.c_str())) std::abort();
    }
    return 0;
}
