// Sealed parameters: frame, envelope, Base64 and URL encoding, and opening.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypto/MPISeal.h"

namespace {

std::string Seal(const std::string& text) {
    CMPIUtil util;
    static char out[MPI_SEALED_MAX_SIZE];
    int n = MPISealParam(util, text.data(), text.size(), out, sizeof(out));
    return n > 0 ? std::string(out, static_cast<size_t>(n)) : std::string();
}

std::string UrlDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace

TEST(Seal, SizesOfEachStage) {
    std::string sealed = Seal("0123456789abc");  // 13 bytes: a 16-byte frame
    std::string base64 = UrlDecode(sealed);
    EXPECT_EQ(base64.size(), 44u) << "32 ciphertext bytes";
    EXPECT_GE(sealed.size(), 44u);
    for (char c : sealed) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '%') << c;

    EXPECT_EQ(UrlDecode(Seal("")).size(), 24u) << "a 3-byte frame is one block";
    EXPECT_EQ(Seal("same text"), Seal("same text"));
    EXPECT_NE(Seal("same text"), Seal("same texT"));
}

TEST(Seal, RoundTripsEveryByteValueAndTheLongestText) {
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    for (const std::string& text : {std::string(), std::string("a"), all, std::string(MPI_SEAL_MAX_TEXT, '\x7F')}) {
        std::string sealed = Seal(text);
        ASSERT_FALSE(sealed.empty()) << text.size();
        std::string opened, error;
        ASSERT_TRUE(MPIOpenSealedParam(sealed.data(), sealed.size(), &opened, &error)) << error;
        EXPECT_EQ(opened, text);
    }
}

TEST(Seal, RefusesWhatDoesNotFit) {
    CMPIUtil util;
    std::string tooLong(MPI_SEAL_MAX_TEXT + 1, 'x');
    char out[MPI_SEALED_MAX_SIZE];
    EXPECT_EQ(MPISealParam(util, tooLong.data(), tooLong.size(), out, sizeof(out)), 0);
    EXPECT_STREQ(out, "");
    // The sealed form of a 13-byte text is at least 44 characters.
    char small[40];
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(MPISealParam(util, "0123456789abc", 13, small, sizeof(small)), 0);
    EXPECT_EQ(small[1], '#');
}

TEST(Seal, OpenNamesEachBrokenCheck) {
    std::string good = Seal("mall_id|name");
    std::string text, error;
    auto fails = [&](const std::string& sealed, const char* word) {
        error.clear();
        EXPECT_FALSE(MPIOpenSealedParam(sealed.data(), sealed.size(), &text, &error));
        EXPECT_NE(error.find(word), std::string::npos) << error;
    };
    fails(good + "%4", "URL decoding");
    fails(good + "%zz", "URL decoding");
    fails("AAAAAAA", "Base64");
    fails("AA%2AA", "Base64");
    fails("AAAA", "cipher");  // three bytes: not a whole block

    // Bit flips in the last block break the padding; a tampered frame is
    // found by its length or its checksum.
    CMPIUtil util;
    auto sealBytes = [&](const std::vector<unsigned char>& frame) {
        unsigned char cipher[64];
        int c = util.Seed_Enc(frame.data(), static_cast<int>(frame.size()), cipher, sizeof(cipher));
        char b64[128], url[400];
        util.EncodeBase64(b64, cipher, c, sizeof(b64));
        util.URLEncoding(b64, url, sizeof(url));
        return std::string(url);
    };
    fails(sealBytes({0x00, 0x05, 'a', 'b', 'c', 0x00}), "frame");
    fails(sealBytes({0x00, 0x03, 'a', 'b', 'c', 0x00}), "checksum");
    EXPECT_FALSE(MPIOpenSealedParam("", 0, nullptr, nullptr));
    std::string ok = sealBytes({0x00, 0x03, 'a', 'b', 'c', 'a' ^ 'b' ^ 'c'});
    ASSERT_TRUE(MPIOpenSealedParam(ok.data(), ok.size(), &text, &error)) << error;
    EXPECT_EQ(text, "abc");
}

TEST(Seal, OpenSurvivesRandomInput) {
    std::mt19937 rng(4242);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789%+=/";
    for (int round = 0; round < 5000; ++round) {
        std::string s(rng() % 120, '\0');
        for (auto& c : s) c = (rng() % 8 == 0) ? static_cast<char>(rng()) : alphabet[rng() % (sizeof(alphabet) - 1)];
        std::string text, error;
        if (!MPIOpenSealedParam(s.data(), s.size(), &text, &error)) {
            EXPECT_FALSE(error.empty());
        }
    }
    // Well-formed Base64 of random ciphertext reaches the cipher and frame checks.
    CMPIUtil util;
    for (int round = 0; round < 2000; ++round) {
        unsigned char cipher[64];
        size_t n = 16 * (1 + rng() % 4);
        for (size_t i = 0; i < n; ++i) cipher[i] = static_cast<unsigned char>(rng());
        char b64[128], url[400];
        util.EncodeBase64(b64, cipher, static_cast<int>(n), sizeof(b64));
        util.URLEncoding(b64, url, sizeof(url));
        std::string text, error;
        MPIOpenSealedParam(url, std::strlen(url), &text, &error);
    }
}
