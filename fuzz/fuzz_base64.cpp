// Base64 of CMPIUtil: decoding any text into an output of any size, and the
// encode/decode round trip of any bytes. The outputs are exact-size heap
// buffers, so that a write one byte past them is reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/MPIUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    CMPIUtil util;
    // The first byte sizes the decoding output: exactly what the text needs
    // give or take a little, or a small fixed size.
    uint8_t choice = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    int n = static_cast<int>(size - 1);
    long sized = static_cast<long>(n) / 4 * 3 + (choice & 7) - 4;
    size_t outSize = (choice & 0x80) ? (choice & 0x3F) : static_cast<size_t>(sized > 0 ? sized : 0);
    std::vector<unsigned char> out(outSize);
    int got = util.DecodeBase64(outSize != 0 ? out.data() : nullptr, text, n, outSize);
    if (got < -1 || (got >= 0 && static_cast<size_t>(got) > outSize)) std::abort();

    // Encoding any bytes fits 4 * ceil(n / 3) + 1 and decodes back to them.
    const unsigned char* bytes = data + 1;
    if (n == 0) return 0;
    size_t encSize = 4 * ((static_cast<size_t>(n) + 2) / 3) + 1;
    std::vector<char> enc(encSize);
    int len = util.EncodeBase64(enc.data(), bytes, n, encSize);
    if (len != static_cast<int>(encSize - 1) || enc[encSize - 1] != '\0' || std::strlen(enc.data()) != encSize - 1)
        std::abort();
    // One byte less is too small and leaves nothing written past it.
    std::vector<char> small(encSize - 1);
    if (util.EncodeBase64(small.data(), bytes, n, small.size()) != 0) std::abort();
    // The decoder writes whole groups of three: it needs room for the
    // padding's bytes too.
    std::vector<unsigned char> back((static_cast<size_t>(n) + 2) / 3 * 3);
    if (util.DecodeBase64(back.data(), enc.data(), len, back.size()) != n) std::abort();
    if (std::memcmp(back.data(), bytes, static_cast<size_t>(n)) != 0) std::abort();
    return 0;
}
