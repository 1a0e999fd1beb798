// The SEED cipher and the envelope: published block vectors, every mode
// against OpenSSL's SEED, padding, status codes, and random ciphertext.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstring>
#include <random>
#include <vector>

#include "crypto/MPIEnvelope.h"
#include "crypto/MPISeed.h"
#include "crypto/MPIUtil.h"

namespace {

std::vector<uint8_t> Hex(const char* hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

// OpenSSL keeps SEED in its legacy provider.
class OpenSslSeed {
public:
    OpenSslSeed() {
        legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
        default_ = OSSL_PROVIDER_load(nullptr, "default");
    }
    ~OpenSslSeed() {
        if (legacy_) OSSL_PROVIDER_unload(legacy_);
        if (default_) OSSL_PROVIDER_unload(default_);
    }
    bool available() const { return legacy_ != nullptr; }

    // Enciphers with the named SEED cipher, padding on or off.
    std::vector<uint8_t> Encrypt(const char* name, const uint8_t* key, const uint8_t* iv, const std::vector<uint8_t>& in,
                                 bool pad) {
        EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
        EXPECT_NE(cipher, nullptr) << name;
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(ctx, cipher, nullptr, key, iv);
        EVP_CIPHER_CTX_set_padding(ctx, pad ? 1 : 0);
        std::vector<uint8_t> out(in.size() + 32);
        int n1 = 0, n2 = 0;
        EVP_EncryptUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size()));
        EVP_EncryptFinal_ex(ctx, out.data() + n1, &n2);
        out.resize(static_cast<size_t>(n1 + n2));
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
        return out;
    }

private:
    OSSL_PROVIDER* legacy_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
};

struct SeedResult {
    int32_t status = 0;
    std::vector<uint8_t> out;
};

// Runs one message through CMPISeed, fed in pieces of `chunk` bytes.
SeedResult SeedRun(int32_t mode, int32_t padding, const uint8_t* key, const uint8_t* iv, const std::vector<uint8_t>& in,
            bool decrypt, size_t chunk) {
    CMPISeed seed;
    SEED_CONTEXT ctx;
    seed.SeedInit(mode, padding, iv, &ctx);
    SeedResult r;
    r.status = seed.SeedKeySchedule(key, 16, &ctx);
    if (r.status) return r;
    seed.SeedReset(&ctx);
    std::vector<uint8_t> out(in.size() + 64);
    uint32_t total = 0;
    for (size_t off = 0; off < in.size() || (off == 0 && in.empty()); off += chunk) {
        size_t n = std::min(chunk, in.size() - off);
        uint32_t got = 0;
        r.status = decrypt ? seed.SeedDecryptUpdate(&ctx, in.data() + off, static_cast<uint32_t>(n), out.data() + total, &got)
                           : seed.SeedEncryptUpdate(&ctx, in.data() + off, static_cast<uint32_t>(n), out.data() + total, &got);
        if (r.status) return r;
        total += got;
        if (in.empty()) break;
    }
    uint32_t got = 0;
    r.status = decrypt ? seed.SeedDecryptFinal(&ctx, out.data() + total, &got) : seed.SeedEncryptFinal(&ctx, out.data() + total, &got);
    total += got;
    out.resize(total);
    r.out = out;
    return r;
}

const uint8_t kKey[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87, 0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};
const uint8_t kIv[16] = {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87, 0x78, 0x69, 0x5A, 0x4B, 0x3C, 0x2D, 0x1E, 0x0F};

std::vector<uint8_t> Message(size_t n) {
    std::vector<uint8_t> m(n);
    for (size_t i = 0; i < n; ++i) m[i] = static_cast<uint8_t>(i * 37 + 11);
    return m;
}

}  // namespace

TEST(SeedBlock, PublishedVectors) {
    struct Vector {
        const char *key, *plain, *cipher;
    } vectors[] = {
        {"00000000000000000000000000000000", "000102030405060708090A0B0C0D0E0F", "5EBAC6E0054E166819AFF1CC6D346CDB"},
        {"000102030405060708090A0B0C0D0E0F", "00000000000000000000000000000000", "C11F22F20140505084483597E4370F43"},
        {"4706480851E61BE85D74BFB3FD956185", "83A2F8A288641FB9A4E9A5CC2F131C7D", "EE54D13EBCAE706D226BC3142CD40D4A"},
        {"28DBC3BC49FFD87DCFA509B11D422BE7", "B41E6BE2EBA84A148E2EED84593C5EC7", "9B9B7BFCD1813CB95D0B3618F40F5122"},
    };
    for (const auto& v : vectors) {
        auto key = Hex(v.key), plain = Hex(v.plain), cipher = Hex(v.cipher);
        CMPISeed seed;
        SEED_CONTEXT ctx;
        seed.SeedInit(SEED_MODE_ECB, SEED_PADDING_NONE, nullptr, &ctx);
        ASSERT_EQ(seed.SeedKeySchedule(key.data(), 16, &ctx), SEED_OK);
        std::vector<uint8_t> block = plain;
        CMPISeed::SeedEncryptBlock(ctx.roundKeys, block.data());
        EXPECT_EQ(block, cipher) << v.key;
        CMPISeed::SeedDecryptBlock(ctx.roundKeys, block.data());
        EXPECT_EQ(block, plain) << v.key;
    }
}

TEST(SeedModes, AgreeWithOpenSslForEveryLengthUpTo300) {
    OpenSslSeed ossl;
    ASSERT_TRUE(ossl.available()) << "OpenSSL's legacy provider (SEED) could not be loaded";
    struct Mode {
        int32_t mode;
        const char* name;
        bool blockMode;
    } modes[] = {{SEED_MODE_ECB, "SEED-ECB", true},
                 {SEED_MODE_CBC, "SEED-CBC", true},
                 {SEED_MODE_OFB, "SEED-OFB", false},
                 {SEED_MODE_CFB, "SEED-CFB", false}};
    for (const auto& m : modes) {
        for (size_t n = 0; n <= 300; ++n) {
            auto msg = Message(n);
            auto expected = ossl.Encrypt(m.name, kKey, kIv, msg, m.blockMode);
            // Pieces of 1, 7 and 300 bytes exercise the partial-block buffering.
            for (size_t chunk : {size_t{1}, size_t{7}, size_t{300}}) {
                SeedResult enc = SeedRun(m.mode, SEED_PADDING_PKCS7, kKey, kIv, msg, false, chunk);
                ASSERT_EQ(enc.status, SEED_OK) << m.name << " n=" << n;
                ASSERT_EQ(enc.out, expected) << m.name << " n=" << n << " chunk=" << chunk;
                SeedResult dec = SeedRun(m.mode, SEED_PADDING_PKCS7, kKey, kIv, enc.out, true, chunk);
                ASSERT_EQ(dec.status, SEED_OK) << m.name << " n=" << n;
                ASSERT_EQ(dec.out, msg) << m.name << " n=" << n << " chunk=" << chunk;
            }
        }
    }
}

TEST(SeedModes, CbcPaddingSizes) {
    for (size_t n : {size_t{0}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{32}}) {
        SeedResult enc = SeedRun(SEED_MODE_CBC, SEED_PADDING_PKCS7, kKey, kIv, Message(n), false, 64);
        ASSERT_EQ(enc.status, SEED_OK);
        EXPECT_EQ(enc.out.size(), 16 * (n / 16 + 1)) << n;
    }
    // Without padding, whole blocks pass through unchanged in length.
    SeedResult none = SeedRun(SEED_MODE_CBC, SEED_PADDING_NONE, kKey, kIv, Message(32), false, 64);
    ASSERT_EQ(none.status, SEED_OK);
    EXPECT_EQ(none.out.size(), 32u);
    SeedResult back = SeedRun(SEED_MODE_CBC, SEED_PADDING_NONE, kKey, kIv, none.out, true, 64);
    EXPECT_EQ(back.out, Message(32));
}

TEST(SeedStatus, EveryCodeIsReached) {
    CMPISeed seed;
    SEED_CONTEXT ctx;
    uint8_t in[48] = {0}, out[80];
    uint32_t n = 0;

    // 0x1002: a user key of any length but 16.
    seed.SeedInit(SEED_MODE_CBC, SEED_PADDING_PKCS7, kIv, &ctx);
    EXPECT_EQ(seed.SeedKeySchedule(kKey, 15, &ctx), SEED_ERR_KEY_LENGTH);
    EXPECT_EQ(seed.SeedKeySchedule(kKey, 17, &ctx), SEED_ERR_KEY_LENGTH);
    ASSERT_EQ(seed.SeedKeySchedule(kKey, 16, &ctx), SEED_OK);

    // 0x1001: one buffer for input and output, unless the update only buffers.
    seed.SeedReset(&ctx);
    EXPECT_EQ(seed.SeedEncryptUpdate(&ctx, in, 15, in, &n), SEED_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(ctx.count, 15u);
    SEED_CONTEXT before = ctx;
    EXPECT_EQ(seed.SeedEncryptUpdate(&ctx, in, 16, in, &n), SEED_ERR_MODE);
    EXPECT_EQ(std::memcmp(&before, &ctx, sizeof(ctx)), 0) << "a failed update must leave the context as it was";

    // 0x1001: an unknown mode, and an unknown padding at the final step.
    SEED_CONTEXT bad = ctx;
    bad.mode = 9;
    bad.count = 0;
    EXPECT_EQ(seed.SeedEncryptUpdate(&bad, in, 32, out, &n), SEED_ERR_MODE);
    EXPECT_EQ(seed.SeedEncryptFinal(&bad, out, &n), SEED_ERR_MODE);
    EXPECT_EQ(seed.SeedDecryptFinal(&bad, out, &n), SEED_ERR_MODE);
    bad.mode = SEED_MODE_CBC;
    bad.padding = 7;
    EXPECT_EQ(seed.SeedEncryptFinal(&bad, out, &n), SEED_ERR_MODE);

    // 0x1004: no padding and a partial block left when enciphering.
    seed.SeedInit(SEED_MODE_ECB, SEED_PADDING_NONE, nullptr, &ctx);
    seed.SeedKeySchedule(kKey, 16, &ctx);
    seed.SeedReset(&ctx);
    seed.SeedEncryptUpdate(&ctx, in, 20, out, &n);
    EXPECT_EQ(n, 16u);
    EXPECT_EQ(seed.SeedEncryptFinal(&ctx, out, &n), SEED_ERR_NOT_BLOCK_MULTIPLE);

    // 0x1005: deciphering ends on a partial block (ECB and CBC).
    for (int32_t mode : {SEED_MODE_ECB, SEED_MODE_CBC}) {
        seed.SeedInit(mode, SEED_PADDING_PKCS7, kIv, &ctx);
        seed.SeedKeySchedule(kKey, 16, &ctx);
        seed.SeedReset(&ctx);
        ASSERT_EQ(seed.SeedDecryptUpdate(&ctx, in, 40, out, &n), SEED_OK);
        EXPECT_EQ(n, 32u);
        EXPECT_EQ(seed.SeedDecryptFinal(&ctx, out, &n), SEED_ERR_FINAL_BLOCK);
    }
}

TEST(SeedStatus, InvalidPaddingIsRefused) {
    // Enciphers one chosen block without padding, then deciphers it as padded.
    auto padded = [](uint8_t last, uint8_t fill) {
        std::vector<uint8_t> block(16, fill);
        block[15] = last;
        SeedResult enc = SeedRun(SEED_MODE_CBC, SEED_PADDING_NONE, kKey, kIv, block, false, 16);
        return SeedRun(SEED_MODE_CBC, SEED_PADDING_PKCS7, kKey, kIv, enc.out, true, 16);
    };
    EXPECT_EQ(padded(0x00, 0x00).status, SEED_ERR_BAD_PADDING);
    EXPECT_EQ(padded(0x11, 0x11).status, SEED_ERR_BAD_PADDING);
    EXPECT_EQ(padded(0x03, 0x00).status, SEED_ERR_BAD_PADDING);  // "03" preceded by bytes other than 03
    SeedResult good = padded(0x10, 0x10);
    EXPECT_EQ(good.status, SEED_OK);
    EXPECT_TRUE(good.out.empty());
    SeedResult one = padded(0x01, 0x42);
    EXPECT_EQ(one.status, SEED_OK);
    EXPECT_EQ(one.out, std::vector<uint8_t>(15, 0x42));
}

TEST(SeedEnvelope, LengthsAndDeterminism) {
    CMPIUtil util;
    unsigned char in[4096], out[4112];
    std::memset(in, 'a', sizeof(in));
    EXPECT_EQ(util.Seed_Enc(in, 0, out, sizeof(out)), 16);
    EXPECT_EQ(util.Seed_Enc(in, 15, out, sizeof(out)), 16);
    EXPECT_EQ(util.Seed_Enc(in, 16, out, sizeof(out)), 32);
    EXPECT_EQ(util.Seed_Enc(in, 4095, out, sizeof(out)), 4096);
    // Longer than the envelope's input buffer, negative, or an output too small.
    EXPECT_EQ(util.Seed_Enc(in, 4096, out, sizeof(out)), 0);
    EXPECT_EQ(util.Seed_Enc(in, -1, out, sizeof(out)), 0);
    EXPECT_EQ(util.Seed_Enc(in, 16, out, 31), 0);

    unsigned char a[64], b[64];
    ASSERT_EQ(util.Seed_Enc(in, 40, a, sizeof(a)), 48);
    ASSERT_EQ(util.Seed_Enc(in, 40, b, sizeof(b)), 48);
    EXPECT_EQ(std::memcmp(a, b, 48), 0);
}

TEST(SeedEnvelope, MatchesOpenSslUnderTheFixedKey) {
    OpenSslSeed ossl;
    ASSERT_TRUE(ossl.available());
    CMPIUtil util;
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
    for (size_t n : {size_t{4000}, size_t{4079}, size_t{4080}, size_t{4095}}) lengths.push_back(n);
    for (size_t n : lengths) {
        auto msg = Message(n);
        std::vector<unsigned char> out(n + 16);
        int c = util.Seed_Enc(msg.data(), static_cast<int>(n), out.data(), out.size());
        out.resize(static_cast<size_t>(c));
        EXPECT_EQ(out, ossl.Encrypt("SEED-CBC", g_MPIEnvelopeUserKey, g_MPIEnvelopeIV, msg, true)) << n;
    }
}

TEST(SeedEnvelope, OnePassEncryptionRefusesOtherModes) {
    CMPISeed seed;
    SEED_CONTEXT ctx;
    uint8_t in[32] = {0}, out[48], check[48];
    uint32_t n = 0, c = 0;
    seed.SeedInit(SEED_MODE_ECB, SEED_PADDING_PKCS7, kIv, &ctx);
    seed.SeedKeySchedule(kKey, 16, &ctx);
    seed.SeedReset(&ctx);
    EXPECT_EQ(seed.SeedCbcEncryptWithCheck(&ctx, in, 32, out, &n, check, &c), SEED_ERR_MODE);
    seed.SeedInit(SEED_MODE_CBC, SEED_PADDING_NONE, kIv, &ctx);
    EXPECT_EQ(seed.SeedCbcEncryptWithCheck(&ctx, in, 32, out, &n, check, &c), SEED_ERR_MODE);
    seed.SeedInit(SEED_MODE_CBC, SEED_PADDING_PKCS7, kIv, &ctx);
    seed.SeedReset(&ctx);
    EXPECT_EQ(seed.SeedCbcEncryptWithCheck(&ctx, in, 32, in, &n, check, &c), SEED_ERR_MODE);
    ASSERT_EQ(seed.SeedCbcEncryptWithCheck(&ctx, in, 32, out, &n, check, &c), SEED_OK);
    EXPECT_EQ(n, 48u);
    EXPECT_EQ(c, 32u);
    EXPECT_EQ(std::memcmp(check, in, 32), 0) << "the self-check deciphers the message again";
}

TEST(SeedRobustness, RandomCiphertextNeverOverrunsOrCrashes) {
    std::mt19937 rng(12345);
    CMPISeed seed;
    for (int round = 0; round < 3000; ++round) {
        size_t n = rng() % 200;
        std::vector<uint8_t> in(n);
        for (auto& b : in) b = static_cast<uint8_t>(rng());
        int32_t mode = 1 + static_cast<int32_t>(rng() % 4);
        int32_t padding = 1 + static_cast<int32_t>(rng() % 2);
        SEED_CONTEXT ctx;
        seed.SeedInit(mode, padding, kIv, &ctx);
        seed.SeedKeySchedule(kKey, 16, &ctx);
        seed.SeedReset(&ctx);
        // The output buffer is exactly as large as the documented bound.
        std::vector<uint8_t> out((n + 15) / 16 * 16 + 16);
        uint32_t got = 0, fin = 0;
        int32_t st = seed.SeedDecryptUpdate(&ctx, in.data(), static_cast<uint32_t>(n), out.data(), &got);
        ASSERT_EQ(st, SEED_OK);
        ASSERT_LE(got, n);
        st = seed.SeedDecryptFinal(&ctx, out.data() + got, &fin);
        EXPECT_TRUE(st == SEED_OK || st == SEED_ERR_BAD_PADDING || st == SEED_ERR_FINAL_BLOCK) << st;
        if (st == SEED_OK) {
            EXPECT_LE(got + fin, n);
        }
    }
}
