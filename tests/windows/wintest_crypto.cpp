// The Windows build's cipher and sealed parameters give the bytes the Linux
// build gives: SEED's published block vectors, and a sealed text pinned from
// the Linux build's seal tool (the peers open what either build sends).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/MPISeal.h"
#include "crypto/MPISeed.h"
#include "crypto/MPIUtil.h"

namespace {

std::vector<uint8_t> Hex(const char* hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

std::string Seal(const std::string& text) {
    CMPIUtil util;
    static char out[MPI_SEALED_MAX_SIZE];
    int n = MPISealParam(util, text.data(), text.size(), out, sizeof(out));
    return n > 0 ? std::string(out, static_cast<size_t>(n)) : std::string();
}

}  // namespace

TEST(WindowsSeed, PublishedVectors) {
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

TEST(WindowsSeal, SameBytesAsTheLinuxBuildAndBack) {
    // `printf 'mall_id|SHOP01 \351' | vemompi-seal seal` on Linux.
    const std::string text = "mall_id|SHOP01 \xE9";
    const std::string pinned = "x3yN21kab9VZbRVteMGShBXUuxV36fB7G%2BCkPOb39Gs%3D";
    std::string sealed = Seal(text);
    EXPECT_EQ(sealed, pinned);
    std::string opened, error;
    ASSERT_TRUE(MPIOpenSealedParam(sealed.data(), sealed.size(), &opened, &error)) << error;
    EXPECT_EQ(opened, text);

    // The longest text is sealed and comes back; one byte more is refused.
    std::string longest(MPI_SEAL_MAX_TEXT, 'x');
    sealed = Seal(longest);
    ASSERT_FALSE(sealed.empty());
    ASSERT_TRUE(MPIOpenSealedParam(sealed.data(), sealed.size(), &opened, &error)) << error;
    EXPECT_EQ(opened, longest);
    EXPECT_TRUE(Seal(longest + "x").empty());
}
