// Opening a sealed parameter (MPIOpenSealedParam). The first byte picks what
// the rest is: a sealed parameter as a server receives it; a text that is
// sealed and must open to itself again; or the bytes of a frame that are
// enciphered and encoded as a sealer would, so that the frame checks behind
// the cipher are reached as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/MPISeal.h"
#include "crypto/MPIUtil.h"

namespace {

void OpenAndCheck(const std::string& sealed) {
    std::string text, error;
    bool opened = MPIOpenSealedParam(sealed.data(), sealed.size(), &text, &error);
    if (!opened && error.empty()) std::abort();  // a failure always says why
    if (!opened) return;
    // What opened seals again and opens to the same text.
    CMPIUtil util;
    std::vector<char> again(MPI_SEALED_MAX_SIZE);
    int n = MPISealParam(util, text.data(), text.size(), again.data(), again.size());
    if (n <= 0 || again[static_cast<size_t>(n)] != '\0') std::abort();
    std::string reopened, why;
    if (!MPIOpenSealedParam(again.data(), static_cast<size_t>(n), &reopened, &why) || reopened != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    CMPIUtil util;
    switch (data[0] % 3) {
        case 0:
            OpenAndCheck(rest);
            break;
        case 1: {
            if (rest.size() > MPI_SEAL_MAX_TEXT) return 0;
            std::vector<char> sealed(MPI_SEALED_MAX_SIZE);
            int n = MPISealParam(util, rest.data(), rest.size(), sealed.data(), sealed.size());
            if (n <= 0 || sealed[static_cast<size_t>(n)] != '\0') std::abort();
            std::string text, error;
            if (!MPIOpenSealedParam(sealed.data(), static_cast<size_t>(n), &text, &error) || text != rest) std::abort();
            break;
        }
        default: {
            if (rest.empty() || rest.size() > MPI_SEED_MAX_INPUT) return 0;
            std::vector<unsigned char> cipher(4096);
            int c = util.Seed_Enc(reinterpret_cast<const unsigned char*>(rest.data()), static_cast<int>(rest.size()),
                                  cipher.data(), cipher.size());
            if (c <= 0) std::abort();
            std::vector<char> b64(4 * ((static_cast<size_t>(c) + 2) / 3) + 1);
            int len = util.EncodeBase64(b64.data(), cipher.data(), c, b64.size());
            if (len <= 0) std::abort();
            std::vector<char> url(static_cast<size_t>(len) * 3 + 1);
            if (util.URLEncoding(b64.data(), url.data(), url.size()) != 1) std::abort();
            OpenAndCheck(url.data());
            break;
        }
    }
    return 0;
}
