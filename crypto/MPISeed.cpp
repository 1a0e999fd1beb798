#include "crypto/MPISeed.h"

#include <array>
#include <cstring>

#include "platform/win/win.h"

namespace {

// The two 8-bit S-boxes of SEED.
constexpr uint8_t kS1[256] = {
    0xA9, 0x85, 0xD6, 0xD3, 0x54, 0x1D, 0xAC, 0x25, 0x5D, 0x43, 0x18, 0x1E, 0x51, 0xFC, 0xCA, 0x63,
    0x28, 0x44, 0x20, 0x9D, 0xE0, 0xE2, 0xC8, 0x17, 0xA5, 0x8F, 0x03, 0x7B, 0xBB, 0x13, 0xD2, 0xEE,
    0x70, 0x8C, 0x3F, 0xA8, 0x32, 0xDD, 0xF6, 0x74, 0xEC, 0x95, 0x0B, 0x57, 0x5C, 0x5B, 0xBD, 0x01,
    0x24, 0x1C, 0x73, 0x98, 0x10, 0xCC, 0xF2, 0xD9, 0x2C, 0xE7, 0x72, 0x83, 0x9B, 0xD1, 0x86, 0xC9,
    0x60, 0x50, 0xA3, 0xEB, 0x0D, 0xB6, 0x9E, 0x4F, 0xB7, 0x5A, 0xC6, 0x78, 0xA6, 0x12, 0xAF, 0xD5,
    0x61, 0xC3, 0xB4, 0x41, 0x52, 0x7D, 0x8D, 0x08, 0x1F, 0x99, 0x00, 0x19, 0x04, 0x53, 0xF7, 0xE1,
    0xFD, 0x76, 0x2F, 0x27, 0xB0, 0x8B, 0x0E, 0xAB, 0xA2, 0x6E, 0x93, 0x4D, 0x69, 0x7C, 0x09, 0x0A,
    0xBF, 0xEF, 0xF3, 0xC5, 0x87, 0x14, 0xFE, 0x64, 0xDE, 0x2E, 0x4B, 0x1A, 0x06, 0x21, 0x6B, 0x66,
    0x02, 0xF5, 0x92, 0x8A, 0x0C, 0xB3, 0x7E, 0xD0, 0x7A, 0x47, 0x96, 0xE5, 0x26, 0x80, 0xAD, 0xDF,
    0xA1, 0x30, 0x37, 0xAE, 0x36, 0x15, 0x22, 0x38, 0xF4, 0xA7, 0x45, 0x4C, 0x81, 0xE9, 0x84, 0x97,
    0x35, 0xCB, 0xCE, 0x3C, 0x71, 0x11, 0xC7, 0x89, 0x75, 0xFB, 0xDA, 0xF8, 0x94, 0x59, 0x82, 0xC4,
    0xFF, 0x49, 0x39, 0x67, 0xC0, 0xCF, 0xD7, 0xB8, 0x0F, 0x8E, 0x42, 0x23, 0x91, 0x6C, 0xDB, 0xA4,
    0x34, 0xF1, 0x48, 0xC2, 0x6F, 0x3D, 0x2D, 0x40, 0xBE, 0x3E, 0xBC, 0xC1, 0xAA, 0xBA, 0x4E, 0x55,
    0x3B, 0xDC, 0x68, 0x7F, 0x9C, 0xD8, 0x4A, 0x56, 0x77, 0xA0, 0xED, 0x46, 0xB5, 0x2B, 0x65, 0xFA,
    0xE3, 0xB9, 0xB1, 0x9F, 0x5E, 0xF9, 0xE6, 0xB2, 0x31, 0xEA, 0x6D, 0x5F, 0xE4, 0xF0, 0xCD, 0x88,
    0x16, 0x3A, 0x58, 0xD4, 0x62, 0x29, 0x07, 0x33, 0xE8, 0x1B, 0x05, 0x79, 0x90, 0x6A, 0x2A, 0x9A};

constexpr uint8_t kS2[256] = {
    0x38, 0xE8, 0x2D, 0xA6, 0xCF, 0xDE, 0xB3, 0xB8, 0xAF, 0x60, 0x55, 0xC7, 0x44, 0x6F, 0x6B, 0x5B,
    0xC3, 0x62, 0x33, 0xB5, 0x29, 0xA0, 0xE2, 0xA7, 0xD3, 0x91, 0x11, 0x06, 0x1C, 0xBC, 0x36, 0x4B,
    0xEF, 0x88, 0x6C, 0xA8, 0x17, 0xC4, 0x16, 0xF4, 0xC2, 0x45, 0xE1, 0xD6, 0x3F, 0x3D, 0x8E, 0x98,
    0x28, 0x4E, 0xF6, 0x3E, 0xA5, 0xF9, 0x0D, 0xDF, 0xD8, 0x2B, 0x66, 0x7A, 0x27, 0x2F, 0xF1, 0x72,
    0x42, 0xD4, 0x41, 0xC0, 0x73, 0x67, 0xAC, 0x8B, 0xF7, 0xAD, 0x80, 0x1F, 0xCA, 0x2C, 0xAA, 0x34,
    0xD2, 0x0B, 0xEE, 0xE9, 0x5D, 0x94, 0x18, 0xF8, 0x57, 0xAE, 0x08, 0xC5, 0x13, 0xCD, 0x86, 0xB9,
    0xFF, 0x7D, 0xC1, 0x31, 0xF5, 0x8A, 0x6A, 0xB1, 0xD1, 0x20, 0xD7, 0x02, 0x22, 0x04, 0x68, 0x71,
    0x07, 0xDB, 0x9D, 0x99, 0x61, 0xBE, 0xE6, 0x59, 0xDD, 0x51, 0x90, 0xDC, 0x9A, 0xA3, 0xAB, 0xD0,
    0x81, 0x0F, 0x47, 0x1A, 0xE3, 0xEC, 0x8D, 0xBF, 0x96, 0x7B, 0x5C, 0xA2, 0xA1, 0x63, 0x23, 0x4D,
    0xC8, 0x9E, 0x9C, 0x3A, 0x0C, 0x2E, 0xBA, 0x6E, 0x9F, 0x5A, 0xF2, 0x92, 0xF3, 0x49, 0x78, 0xCC,
    0x15, 0xFB, 0x70, 0x75, 0x7F, 0x35, 0x10, 0x03, 0x64, 0x6D, 0xC6, 0x74, 0xD5, 0xB4, 0xEA, 0x09,
    0x76, 0x19, 0xFE, 0x40, 0x12, 0xE0, 0xBD, 0x05, 0xFA, 0x01, 0xF0, 0x2A, 0x5E, 0xA9, 0x56, 0x43,
    0x85, 0x14, 0x89, 0x9B, 0xB0, 0xE5, 0x48, 0x79, 0x97, 0xFC, 0x1E, 0x82, 0x21, 0x8C, 0x1B, 0x5F,
    0x77, 0x54, 0xB2, 0x1D, 0x25, 0x4F, 0x00, 0x46, 0xED, 0x58, 0x52, 0xEB, 0x7E, 0xDA, 0xC9, 0xFD,
    0x30, 0x95, 0x65, 0x3C, 0xB6, 0xE4, 0xBB, 0x7C, 0x0E, 0x50, 0x39, 0x26, 0x32, 0x84, 0x69, 0x93,
    0x37, 0xE7, 0x24, 0xA4, 0xCB, 0x53, 0x0A, 0x87, 0xD9, 0x4C, 0x83, 0x8F, 0xCE, 0x3B, 0x4A, 0xB7};

// The extended tables SS0..SS3: the G function's S-box output already
// spread through its masks, so that G is four lookups and three XORs.
// SSk[x] holds the masked copies of S(x) (S1 for k even, S2 for k odd) in the
// byte order that byte k of the input word takes through G.
constexpr std::array<std::array<uint32_t, 256>, 4> MakeExtendedTables() {
    constexpr uint8_t m0 = 0xFC, m1 = 0xF3, m2 = 0xCF, m3 = 0x3F;
    std::array<std::array<uint32_t, 256>, 4> ss{};
    for (int x = 0; x < 256; ++x) {
        uint32_t a = kS1[x], b = kS2[x];
        ss[0][x] = ((a & m3) << 24) | ((a & m2) << 16) | ((a & m1) << 8) | (a & m0);
        ss[1][x] = ((b & m0) << 24) | ((b & m3) << 16) | ((b & m2) << 8) | (b & m1);
        ss[2][x] = ((a & m1) << 24) | ((a & m0) << 16) | ((a & m3) << 8) | (a & m2);
        ss[3][x] = ((b & m2) << 24) | ((b & m1) << 16) | ((b & m0) << 8) | (b & m3);
    }
    return ss;
}

alignas(64) constexpr std::array<std::array<uint32_t, 256>, 4> kSS = MakeExtendedTables();

// Key schedule constants: the golden-ratio word rotated left by the round index.
constexpr uint32_t kKC[16] = {0x9E3779B9, 0x3C6EF373, 0x78DDE6E6, 0xF1BBCDCC, 0xE3779B99, 0xC6EF3733,
                              0x8DDE6E67, 0x1BBCDCCF, 0x3779B99E, 0x6EF3733C, 0xDDE6E678, 0xBBCDCCF1,
                              0x779B99E3, 0xEF3733C6, 0xDE6E678D, 0xBCDCCF1B};

inline uint32_t G(uint32_t x) {
    return kSS[0][x & 0xFF] ^ kSS[1][(x >> 8) & 0xFF] ^ kSS[2][(x >> 16) & 0xFF] ^ kSS[3][x >> 24];
}

inline uint32_t Load32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void Store32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// One round: the F function of the right half, XORed into the left half.
#define SEED_ROUND(L0, L1, R0, R1, K)    \
    do {                                 \
        uint32_t t0 = (R0) ^ (K)[0];     \
        uint32_t t1 = (R1) ^ (K)[1];     \
        t1 ^= t0;                        \
        t1 = G(t1);                      \
        t0 += t1;                        \
        t0 = G(t0);                      \
        t1 += t0;                        \
        t1 = G(t1);                      \
        t0 += t1;                        \
        (L0) ^= t0;                      \
        (L1) ^= t1;                      \
    } while (0)

inline void Crypt(const uint32_t* k, uint8_t* block, bool decrypt) {
    uint32_t l0 = Load32(block), l1 = Load32(block + 4), r0 = Load32(block + 8), r1 = Load32(block + 12);
    if (!decrypt) {
        SEED_ROUND(l0, l1, r0, r1, k + 0);
        SEED_ROUND(r0, r1, l0, l1, k + 2);
        SEED_ROUND(l0, l1, r0, r1, k + 4);
        SEED_ROUND(r0, r1, l0, l1, k + 6);
        SEED_ROUND(l0, l1, r0, r1, k + 8);
        SEED_ROUND(r0, r1, l0, l1, k + 10);
        SEED_ROUND(l0, l1, r0, r1, k + 12);
        SEED_ROUND(r0, r1, l0, l1, k + 14);
        SEED_ROUND(l0, l1, r0, r1, k + 16);
        SEED_ROUND(r0, r1, l0, l1, k + 18);
        SEED_ROUND(l0, l1, r0, r1, k + 20);
        SEED_ROUND(r0, r1, l0, l1, k + 22);
        SEED_ROUND(l0, l1, r0, r1, k + 24);
        SEED_ROUND(r0, r1, l0, l1, k + 26);
        SEED_ROUND(l0, l1, r0, r1, k + 28);
        SEED_ROUND(r0, r1, l0, l1, k + 30);
    } else {
        SEED_ROUND(l0, l1, r0, r1, k + 30);
        SEED_ROUND(r0, r1, l0, l1, k + 28);
        SEED_ROUND(l0, l1, r0, r1, k + 26);
        SEED_ROUND(r0, r1, l0, l1, k + 24);
        SEED_ROUND(l0, l1, r0, r1, k + 22);
        SEED_ROUND(r0, r1, l0, l1, k + 20);
        SEED_ROUND(l0, l1, r0, r1, k + 18);
        SEED_ROUND(r0, r1, l0, l1, k + 16);
        SEED_ROUND(l0, l1, r0, r1, k + 14);
        SEED_ROUND(r0, r1, l0, l1, k + 12);
        SEED_ROUND(l0, l1, r0, r1, k + 10);
        SEED_ROUND(r0, r1, l0, l1, k + 8);
        SEED_ROUND(l0, l1, r0, r1, k + 6);
        SEED_ROUND(r0, r1, l0, l1, k + 4);
        SEED_ROUND(l0, l1, r0, r1, k + 2);
        SEED_ROUND(r0, r1, l0, l1, k + 0);
    }
    // The halves leave without the last swap.
    Store32(block, r0);
    Store32(block + 4, r1);
    Store32(block + 8, l0);
    Store32(block + 12, l1);
}

inline void Xor16(uint8_t* dst, const uint8_t* a, const uint8_t* b) {
    for (int i = 0; i < SEED_BLOCK_SIZE; ++i) dst[i] = static_cast<uint8_t>(a[i] ^ b[i]);
}

// The number of PKCS #7 padding bytes at the end of a deciphered block, or
// -1 when the padding is not valid (last byte 0 or above 16, or the padding
// bytes differ).
int PaddingLength(const uint8_t* block) {
    uint8_t v = block[SEED_BLOCK_SIZE - 1];
    if (v == 0 || v > SEED_BLOCK_SIZE) return -1;
    for (uint32_t i = SEED_BLOCK_SIZE - v; i < SEED_BLOCK_SIZE; ++i)
        if (block[i] != v) return -1;
    return v;
}

bool ModeKnown(int32_t mode) { return mode >= SEED_MODE_ECB && mode <= SEED_MODE_CFB; }

// Processes one whole block of `in` into `out` (16 bytes each, may alias).
void ProcessBlock(SEED_CONTEXT* ctx, const uint8_t* in, uint8_t* out, bool decrypt) {
    uint8_t tmp[SEED_BLOCK_SIZE];
    switch (ctx->mode) {
        case SEED_MODE_ECB:
            std::memcpy(tmp, in, SEED_BLOCK_SIZE);
            Crypt(ctx->roundKeys, tmp, decrypt);
            std::memcpy(out, tmp, SEED_BLOCK_SIZE);
            break;
        case SEED_MODE_CBC:
            if (!decrypt) {
                Xor16(tmp, in, ctx->chain);
                Crypt(ctx->roundKeys, tmp, false);
                std::memcpy(ctx->chain, tmp, SEED_BLOCK_SIZE);
                std::memcpy(out, tmp, SEED_BLOCK_SIZE);
            } else {
                uint8_t c[SEED_BLOCK_SIZE];
                std::memcpy(c, in, SEED_BLOCK_SIZE);
                std::memcpy(tmp, in, SEED_BLOCK_SIZE);
                Crypt(ctx->roundKeys, tmp, true);
                Xor16(out, tmp, ctx->chain);
                std::memcpy(ctx->chain, c, SEED_BLOCK_SIZE);
            }
            break;
        case SEED_MODE_OFB:
            Crypt(ctx->roundKeys, ctx->chain, false);
            Xor16(out, in, ctx->chain);
            break;
        case SEED_MODE_CFB: {
            uint8_t c[SEED_BLOCK_SIZE];
            std::memcpy(tmp, ctx->chain, SEED_BLOCK_SIZE);
            Crypt(ctx->roundKeys, tmp, false);
            if (!decrypt) {
                Xor16(c, tmp, in);
                std::memcpy(out, c, SEED_BLOCK_SIZE);
            } else {
                std::memcpy(c, in, SEED_BLOCK_SIZE);
                Xor16(out, tmp, c);
            }
            std::memcpy(ctx->chain, c, SEED_BLOCK_SIZE);
            break;
        }
        default:
            break;
    }
    SecureZeroMemory(tmp, sizeof(tmp));  // may be plaintext
}

// CBC deciphering of n whole blocks, four at a time where it can: the
// blocks do not depend on one another, so their rounds overlap in the core.
void DecryptCbcBlocks(SEED_CONTEXT* ctx, const uint8_t* in, uint8_t* out, uint32_t n) {
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        uint8_t t[4][SEED_BLOCK_SIZE];
        std::memcpy(t, in + i * SEED_BLOCK_SIZE, sizeof(t));
        const uint32_t* k = ctx->roundKeys;
        uint32_t a0 = Load32(t[0]), a1 = Load32(t[0] + 4), a2 = Load32(t[0] + 8), a3 = Load32(t[0] + 12);
        uint32_t b0 = Load32(t[1]), b1 = Load32(t[1] + 4), b2 = Load32(t[1] + 8), b3 = Load32(t[1] + 12);
        uint32_t c0 = Load32(t[2]), c1 = Load32(t[2] + 4), c2 = Load32(t[2] + 8), c3 = Load32(t[2] + 12);
        uint32_t d0 = Load32(t[3]), d1 = Load32(t[3] + 4), d2 = Load32(t[3] + 8), d3 = Load32(t[3] + 12);
        for (int r = 30; r >= 0; r -= 4) {
            SEED_ROUND(a0, a1, a2, a3, k + r);
            SEED_ROUND(b0, b1, b2, b3, k + r);
            SEED_ROUND(c0, c1, c2, c3, k + r);
            SEED_ROUND(d0, d1, d2, d3, k + r);
            SEED_ROUND(a2, a3, a0, a1, k + r - 2);
            SEED_ROUND(b2, b3, b0, b1, k + r - 2);
            SEED_ROUND(c2, c3, c0, c1, k + r - 2);
            SEED_ROUND(d2, d3, d0, d1, k + r - 2);
        }
        uint8_t p[4][SEED_BLOCK_SIZE];
        Store32(p[0], a2), Store32(p[0] + 4, a3), Store32(p[0] + 8, a0), Store32(p[0] + 12, a1);
        Store32(p[1], b2), Store32(p[1] + 4, b3), Store32(p[1] + 8, b0), Store32(p[1] + 12, b1);
        Store32(p[2], c2), Store32(p[2] + 4, c3), Store32(p[2] + 8, c0), Store32(p[2] + 12, c1);
        Store32(p[3], d2), Store32(p[3] + 4, d3), Store32(p[3] + 8, d0), Store32(p[3] + 12, d1);
        Xor16(p[0], p[0], ctx->chain);
        Xor16(p[1], p[1], t[0]);
        Xor16(p[2], p[2], t[1]);
        Xor16(p[3], p[3], t[2]);
        std::memcpy(ctx->chain, t[3], SEED_BLOCK_SIZE);
        std::memcpy(out + i * SEED_BLOCK_SIZE, p, sizeof(p));
    }
    for (; i < n; ++i) ProcessBlock(ctx, in + i * SEED_BLOCK_SIZE, out + i * SEED_BLOCK_SIZE, true);
}

// One block enciphered (e, after the chain was XORed in) and another
// deciphered (d), round by round side by side.
inline void CryptPair(const uint32_t* k, uint32_t e[4], uint32_t d[4]) {
    uint32_t el0 = e[0], el1 = e[1], er0 = e[2], er1 = e[3];
    uint32_t dl0 = d[0], dl1 = d[1], dr0 = d[2], dr1 = d[3];
#pragma GCC unroll 8
    for (int r = 0; r < 32; r += 4) {
        SEED_ROUND(el0, el1, er0, er1, k + r);
        SEED_ROUND(dl0, dl1, dr0, dr1, k + 30 - r);
        SEED_ROUND(er0, er1, el0, el1, k + r + 2);
        SEED_ROUND(dr0, dr1, dl0, dl1, k + 28 - r);
    }
    e[0] = er0, e[1] = er1, e[2] = el0, e[3] = el1;
    d[0] = dr0, d[1] = dr1, d[2] = dl0, d[3] = dl1;
}

inline void LoadWords(const uint8_t* p, uint32_t w[4]) {
    for (int i = 0; i < 4; ++i) w[i] = Load32(p + 4 * i);
}

inline void StoreWords(uint8_t* p, const uint32_t w[4]) {
    for (int i = 0; i < 4; ++i) Store32(p + 4 * i, w[i]);
}

int32_t Update(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen, bool decrypt) {
    uint32_t b = ctx->count;
    uint32_t c = inLen + b;
    *outLen = c;
    // Enciphering holds back up to 15 bytes, deciphering up to a whole block.
    if (c <= (decrypt ? 16u : 15u)) {
        if (inLen > 0) std::memcpy(ctx->partial + b, in, inLen);
        ctx->count += inLen;
        *outLen = 0;
        return SEED_OK;
    }
    if (in == out) return SEED_ERR_MODE;
    if (!ModeKnown(ctx->mode)) return SEED_ERR_MODE;

    uint32_t take = SEED_BLOCK_SIZE - b;
    std::memcpy(ctx->partial + b, in, take);
    ProcessBlock(ctx, ctx->partial, out, decrypt);
    in += take;
    out += SEED_BLOCK_SIZE;
    uint32_t remaining = inLen - take;
    // Deciphering keeps the last block, even a whole one, for the final step.
    uint32_t blocks = decrypt ? (remaining > 0 ? (remaining - 1) / SEED_BLOCK_SIZE : 0) : remaining / SEED_BLOCK_SIZE;
    if (decrypt && ctx->mode == SEED_MODE_CBC) {
        DecryptCbcBlocks(ctx, in, out, blocks);
    } else {
        for (uint32_t i = 0; i < blocks; ++i) ProcessBlock(ctx, in + i * SEED_BLOCK_SIZE, out + i * SEED_BLOCK_SIZE, decrypt);
    }
    in += blocks * SEED_BLOCK_SIZE;
    remaining -= blocks * SEED_BLOCK_SIZE;
    if (remaining > 0) std::memcpy(ctx->partial, in, remaining);
    ctx->count = remaining;
    *outLen -= remaining;
    return SEED_OK;
}

// The streaming modes' last step: keystream over the bytes held back.
void StreamFinal(SEED_CONTEXT* ctx, uint8_t* out, uint32_t* outLen) {
    uint32_t n = ctx->count;
    if (ctx->mode == SEED_MODE_OFB) {
        Crypt(ctx->roundKeys, ctx->chain, false);
        for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(ctx->partial[i] ^ ctx->chain[i]);
    } else {
        Crypt(ctx->roundKeys, ctx->chain, false);
        for (uint32_t i = 0; i < SEED_BLOCK_SIZE; ++i) ctx->chain[i] = static_cast<uint8_t>(ctx->chain[i] ^ ctx->partial[i]);
        std::memcpy(out, ctx->chain, n);
    }
    *outLen = n;
    ctx->count = 0;
}

}  // namespace

CMPISeed::~CMPISeed() = default;

void CMPISeed::SeedInit(int32_t mode, int32_t padding, const uint8_t* iv, SEED_CONTEXT* ctx) {
    ctx->mode = mode;
    ctx->padding = padding;
    if (iv != nullptr) std::memcpy(ctx->iv, iv, SEED_BLOCK_SIZE);
    else std::memset(ctx->iv, 0, SEED_BLOCK_SIZE);
}

int32_t CMPISeed::SeedKeySchedule(const uint8_t* userKey, uint32_t keyLen, SEED_CONTEXT* ctx) {
    if (keyLen != SEED_USER_KEY_LEN || userKey == nullptr) return SEED_ERR_KEY_LENGTH;
    uint32_t a = Load32(userKey), b = Load32(userKey + 4), c = Load32(userKey + 8), d = Load32(userKey + 12);
    for (int i = 0; i < 16; ++i) {
        ctx->roundKeys[2 * i] = G(a + c - kKC[i]);
        ctx->roundKeys[2 * i + 1] = G(b - d + kKC[i]);
        if ((i & 1) == 0) {  // rounds 1, 3, ...: A||B rotates right by 8 bits
            uint32_t t = a;
            a = (a >> 8) | (b << 24);
            b = (b >> 8) | (t << 24);
        } else {  // rounds 2, 4, ...: C||D rotates left by 8 bits
            uint32_t t = c;
            c = (c << 8) | (d >> 24);
            d = (d << 8) | (t >> 24);
        }
    }
    return SEED_OK;
}

int32_t CMPISeed::SeedReset(SEED_CONTEXT* ctx) {
    ctx->count = 0;
    if (ctx->mode != SEED_MODE_ECB) std::memcpy(ctx->chain, ctx->iv, SEED_BLOCK_SIZE);
    return SEED_OK;
}

int32_t CMPISeed::SeedEncryptUpdate(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen) {
    return Update(ctx, in, inLen, out, outLen, false);
}

int32_t CMPISeed::SeedDecryptUpdate(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen) {
    return Update(ctx, in, inLen, out, outLen, true);
}

int32_t CMPISeed::SeedEncryptFinal(SEED_CONTEXT* ctx, uint8_t* out, uint32_t* outLen) {
    *outLen = 0;
    switch (ctx->mode) {
        case SEED_MODE_ECB:
        case SEED_MODE_CBC:
            if (ctx->padding == SEED_PADDING_NONE) {
                if (ctx->count > 0) return SEED_ERR_NOT_BLOCK_MULTIPLE;
                return SEED_OK;
            }
            if (ctx->padding != SEED_PADDING_PKCS7) return SEED_ERR_MODE;
            {
                uint8_t pad = static_cast<uint8_t>(SEED_BLOCK_SIZE - ctx->count);
                std::memset(ctx->partial + ctx->count, pad, pad);
                ProcessBlock(ctx, ctx->partial, out, false);
                ctx->count = 0;
                *outLen = SEED_BLOCK_SIZE;
            }
            return SEED_OK;
        case SEED_MODE_OFB:
        case SEED_MODE_CFB:
            StreamFinal(ctx, out, outLen);
            return SEED_OK;
        default:
            return SEED_ERR_MODE;
    }
}

int32_t CMPISeed::SeedDecryptFinal(SEED_CONTEXT* ctx, uint8_t* out, uint32_t* outLen) {
    *outLen = 0;
    switch (ctx->mode) {
        case SEED_MODE_ECB:
        case SEED_MODE_CBC: {
            if (ctx->count == 0) return SEED_OK;
            *outLen = SEED_BLOCK_SIZE;
            if (ctx->count != SEED_BLOCK_SIZE) return SEED_ERR_FINAL_BLOCK;
            if (ctx->padding != SEED_PADDING_NONE && ctx->padding != SEED_PADDING_PKCS7) return SEED_ERR_MODE;
            uint8_t block[SEED_BLOCK_SIZE];
            ProcessBlock(ctx, ctx->partial, block, true);
            ctx->count = 0;
            uint32_t keep = SEED_BLOCK_SIZE;
            if (ctx->padding == SEED_PADDING_PKCS7) {
                int pad = PaddingLength(block);
                if (pad < 0) {
                    SecureZeroMemory(block, sizeof(block));
                    return SEED_ERR_BAD_PADDING;
                }
                keep = SEED_BLOCK_SIZE - static_cast<uint32_t>(pad);
            }
            std::memcpy(out, block, keep);
            SecureZeroMemory(block, sizeof(block));  // plaintext
            *outLen = keep;
            return SEED_OK;
        }
        case SEED_MODE_OFB:
        case SEED_MODE_CFB:
            StreamFinal(ctx, out, outLen);
            return SEED_OK;
        default:
            return SEED_ERR_MODE;
    }
}

int32_t CMPISeed::SeedCbcEncryptWithCheck(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out,
                                          uint32_t* outLen, uint8_t* check, uint32_t* checkLen) {
    *outLen = 0;
    *checkLen = 0;
    if (ctx->mode != SEED_MODE_CBC || ctx->padding != SEED_PADDING_PKCS7) return SEED_ERR_MODE;
    if (in == out || in == check || out == check) return SEED_ERR_MODE;
    const uint32_t* k = ctx->roundKeys;
    uint32_t blocks = inLen / SEED_BLOCK_SIZE + 1;

    // Plaintext block i, the last one padded.
    auto plain = [&](uint32_t i, uint32_t w[4]) {
        uint8_t b[SEED_BLOCK_SIZE];
        uint32_t off = i * SEED_BLOCK_SIZE;
        uint32_t have = inLen - off < SEED_BLOCK_SIZE ? inLen - off : SEED_BLOCK_SIZE;
        if (i + 1 < blocks) {
            LoadWords(in + off, w);
            return;
        }
        std::memcpy(b, in + off, have);
        std::memset(b + have, static_cast<int>(SEED_BLOCK_SIZE - have), SEED_BLOCK_SIZE - have);
        LoadWords(b, w);
        SecureZeroMemory(b, sizeof(b));  // plaintext
    };

    uint32_t chain[4], prev[4];  // chain: last ciphertext; prev: the one before the block being checked
    LoadWords(ctx->chain, chain);
    std::memcpy(prev, chain, sizeof(prev));
    uint32_t e[4], d[4], c[4];
    plain(0, e);
    for (int j = 0; j < 4; ++j) e[j] ^= chain[j];
    uint8_t eb[SEED_BLOCK_SIZE];
    StoreWords(eb, e);
    Crypt(k, eb, false);
    LoadWords(eb, chain);
    StoreWords(out, chain);
    for (uint32_t i = 1; i < blocks; ++i) {
        plain(i, e);
        for (int j = 0; j < 4; ++j) e[j] ^= chain[j], d[j] = chain[j], c[j] = chain[j];
        CryptPair(k, e, d);
        for (int j = 0; j < 4; ++j) d[j] ^= prev[j];
        StoreWords(check + (i - 1) * SEED_BLOCK_SIZE, d);
        std::memcpy(prev, c, sizeof(prev));
        std::memcpy(chain, e, sizeof(chain));
        StoreWords(out + i * SEED_BLOCK_SIZE, chain);
    }
    uint8_t last[SEED_BLOCK_SIZE];
    StoreWords(last, chain);
    Crypt(k, last, true);
    for (int j = 0; j < SEED_BLOCK_SIZE; ++j) last[j] = static_cast<uint8_t>(last[j] ^ (prev[j / 4] >> (24 - 8 * (j % 4))));
    std::memcpy(check + (blocks - 1) * SEED_BLOCK_SIZE, last, SEED_BLOCK_SIZE);
    StoreWords(ctx->chain, chain);
    ctx->count = 0;
    *outLen = blocks * SEED_BLOCK_SIZE;

    int pad = PaddingLength(last);
    // The deciphered words and the last block are plaintext.
    SecureZeroMemory(d, sizeof(d));
    SecureZeroMemory(last, sizeof(last));
    if (pad < 0) return SEED_ERR_BAD_PADDING;
    *checkLen = blocks * SEED_BLOCK_SIZE - static_cast<uint32_t>(pad);
    return SEED_OK;
}

void CMPISeed::SeedEncryptBlock(const uint32_t* roundKeys, uint8_t* block) { Crypt(roundKeys, block, false); }

void CMPISeed::SeedDecryptBlock(const uint32_t* roundKeys, uint8_t* block) { Crypt(roundKeys, block, true); }
