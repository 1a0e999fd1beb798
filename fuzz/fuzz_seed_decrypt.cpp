// The SEED decrypt path of CMPISeed: any ciphertext, in any mode and
// padding, under a key and IV taken from the input, fed in pieces of the
// input's choosing. Each output buffer is exactly as large as the cipher
// asks for, and what deciphers enciphers back to the ciphertext.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/MPISeed.h"

namespace {

// Runs the updates over `in` in pieces of `piece` bytes, then the final step.
bool RunCipher(CMPISeed& seed, SEED_CONTEXT* ctx, bool decrypt, const uint8_t* in, size_t n, size_t piece,
               std::vector<uint8_t>* result) {
    result->clear();
    for (size_t at = 0; at < n || (at == 0 && n == 0);) {
        uint32_t take = static_cast<uint32_t>(n - at < piece ? n - at : piece);
        std::vector<uint8_t> out((take + ctx->count + SEED_BLOCK_SIZE - 1) / SEED_BLOCK_SIZE * SEED_BLOCK_SIZE);
        uint32_t got = 0;
        int32_t rc = decrypt ? seed.SeedDecryptUpdate(ctx, in + at, take, out.data(), &got)
                             : seed.SeedEncryptUpdate(ctx, in + at, take, out.data(), &got);
        if (rc != SEED_OK) return false;
        if (got > out.size()) std::abort();
        result->insert(result->end(), out.begin(), out.begin() + got);
        at += take;
        if (n == 0) break;
    }
    std::vector<uint8_t> last(SEED_BLOCK_SIZE);
    uint32_t got = 0;
    int32_t rc = decrypt ? seed.SeedDecryptFinal(ctx, last.data(), &got) : seed.SeedEncryptFinal(ctx, last.data(), &got);
    if (rc != SEED_OK) return false;
    if (got > last.size()) std::abort();
    result->insert(result->end(), last.begin(), last.begin() + got);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // mode, padding, piece size, key (16), IV (16), then the ciphertext
    if (size < 3 + 2 * SEED_BLOCK_SIZE) return 0;
    int32_t mode = SEED_MODE_ECB + data[0] % 4;
    int32_t padding = (data[1] & 1) ? SEED_PADDING_PKCS7 : SEED_PADDING_NONE;
    size_t piece = 1 + data[2] % 64;
    const uint8_t* key = data + 3;
    const uint8_t* iv = key + SEED_USER_KEY_LEN;
    const uint8_t* in = iv + SEED_BLOCK_SIZE;
    size_t n = size - (3 + 2 * SEED_BLOCK_SIZE);

    CMPISeed seed;
    SEED_CONTEXT ctx;
    seed.SeedInit(mode, padding, iv, &ctx);
    if (seed.SeedKeySchedule(key, SEED_USER_KEY_LEN, &ctx) != SEED_OK) std::abort();
    seed.SeedReset(&ctx);
    std::vector<uint8_t> plain;
    if (!RunCipher(seed, &ctx, true, in, n, piece, &plain)) return 0;
    bool blockMode = mode == SEED_MODE_ECB || mode == SEED_MODE_CBC;
    if (blockMode && padding == SEED_PADDING_PKCS7 && n == 0) return 0;  // nothing deciphers to nothing

    // The way back gives the ciphertext again.
    seed.SeedInit(mode, padding, iv, &ctx);
    seed.SeedKeySchedule(key, SEED_USER_KEY_LEN, &ctx);
    seed.SeedReset(&ctx);
    std::vector<uint8_t> cipher;
    if (!RunCipher(seed, &ctx, false, plain.data(), plain.size(), piece, &cipher)) std::abort();
    if (cipher.size() != n || (n > 0 && std::memcmp(cipher.data(), in, n) != 0)) std::abort();
    return 0;
}
