// Base64, form URL encoding and post data of the utility object.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypto/MPIUtil.h"

namespace {

std::string Encode(const std::string& bytes) {
    CMPIUtil util;
    std::vector<char> out(bytes.size() / 3 * 4 + 8, 'X');
    int n = util.EncodeBase64(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()),
                              out.size());
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(out.data()));
    return std::string(out.data(), static_cast<size_t>(n));
}

// Decodes into a buffer of exactly the documented bound; -1 and partial
// output come back as the count.
int Decode(const std::string& text, std::string* bytes) {
    CMPIUtil util;
    std::vector<unsigned char> out(text.size() / 4 * 3 + 1);
    int n = util.DecodeBase64(out.data(), text.data(), static_cast<int>(text.size()), out.size());
    if (n >= 0 && bytes != nullptr) bytes->assign(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n));
    return n;
}

std::string Url(const std::string& text) {
    CMPIUtil util;
    std::vector<char> out(text.size() * 3 + 1, 'X');
    EXPECT_EQ(util.URLEncoding(text.c_str(), out.data(), out.size()), 1);
    return out.data();
}

}  // namespace

TEST(Base64, EncodeGroupsAndPadding) {
    EXPECT_EQ(Encode("M"), "TQ==");
    EXPECT_EQ(Encode("Ma"), "TWE=");
    EXPECT_EQ(Encode("Man"), "TWFu");
    EXPECT_EQ(Encode("md1"), "bWQx");
    EXPECT_EQ(Encode(std::string("\xFF\xFE\x00", 3)), "//4A");

    CMPIUtil util;
    char out[8] = "XXXXXXX";
    EXPECT_EQ(util.EncodeBase64(out, reinterpret_cast<const unsigned char*>("x"), 0, sizeof(out)), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(util.EncodeBase64(out, reinterpret_cast<const unsigned char*>("x"), -5, sizeof(out)), 0);
}

TEST(Base64, EncodeNeverWritesPastTheOutput) {
    CMPIUtil util;
    const unsigned char six[6] = {1, 2, 3, 4, 5, 6};
    char out[10];
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(util.EncodeBase64(out, six, 6, 8), 0) << "8 characters and a NUL need 9 bytes";
    EXPECT_EQ(out[8], '#');
    EXPECT_EQ(util.EncodeBase64(out, six, 6, 9), 8);
    EXPECT_EQ(out[9], '#');
}

TEST(Base64, EncodeAgreesWithOpenSslOnRandomInput) {
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(rng() % 700 + 1, '\0');
        for (auto& c : bytes) c = static_cast<char>(rng());
        std::vector<unsigned char> expected(bytes.size() / 3 * 4 + 8);
        int n = EVP_EncodeBlock(expected.data(), reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        ASSERT_EQ(Encode(bytes), std::string(reinterpret_cast<char*>(expected.data()), static_cast<size_t>(n)));
        std::string back;
        ASSERT_EQ(Decode(Encode(bytes), &back), static_cast<int>(bytes.size()));
        ASSERT_EQ(back, bytes);
    }
}

TEST(Base64, DecodeTrimsBlanksAndLineEnds) {
    std::string out;
    EXPECT_EQ(Decode(" \t TWFu", &out), 3);
    EXPECT_EQ(out, "Man");
    EXPECT_EQ(Decode("TWFu \t\r\n-", &out), 3);
    EXPECT_EQ(out, "Man");
    EXPECT_EQ(Decode("   ", &out), 0);
    EXPECT_EQ(Decode("", &out), 0);
    // Trimming stops at three characters, which are then not a whole group.
    EXPECT_EQ(Decode("TQ=\n", nullptr), -1);
}

TEST(Base64, DecodeRefusesBrokenText) {
    EXPECT_EQ(Decode("TW\nFu", nullptr), -1) << "a line break inside the text";
    EXPECT_EQ(Decode("TWF", nullptr), -1) << "not a multiple of four";
    EXPECT_EQ(Decode("TW-u", nullptr), -1) << "a dash inside the text";
    EXPECT_EQ(Decode("TW u", nullptr), -1) << "a blank inside the text";
    EXPECT_EQ(Decode("TW*u", nullptr), -1) << "a character outside the alphabet";
    // Bytes already written for earlier groups stay.
    CMPIUtil util;
    unsigned char out[6] = {0};
    EXPECT_EQ(util.DecodeBase64(out, "TWFu*AAA", 8, sizeof(out)), -1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "Man");
}

TEST(Base64, DecodePaddingAndOddCharacters) {
    std::string out;
    EXPECT_EQ(Decode("TQ==", &out), 1);
    EXPECT_EQ(out, "M");
    EXPECT_EQ(Decode("TWE=", &out), 2);
    EXPECT_EQ(out, "Ma");
    // "=" inside the text decodes as zero bits.
    EXPECT_EQ(Decode("T=Fu", &out), 3);
    EXPECT_EQ(out[0], 'L');
    // A byte with its top bit set is looked up by its low seven bits.
    EXPECT_EQ(Decode("\xD4WFu", &out), 3);
    EXPECT_EQ(out, "Man");
}

TEST(Base64, DecodeRefusesAnOutputTooSmall) {
    CMPIUtil util;
    unsigned char out[4];
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(util.DecodeBase64(out, "TWFuTWFu", 8, 5), -1);
    EXPECT_EQ(out[0], '#');
    EXPECT_EQ(util.DecodeBase64(out, "TWFu", 4, 3), 3);
}

TEST(Base64, DecodeSurvivesRandomInput) {
    std::mt19937 rng(99);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/= \t\r\n-*\x80\xFF";
    CMPIUtil util;
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 64, '\0');
        for (auto& c : text) c = (rng() % 4 == 0) ? static_cast<char>(rng()) : alphabet[rng() % (sizeof(alphabet) - 1)];
        std::vector<unsigned char> out(text.size() / 4 * 3);
        int n = util.DecodeBase64(out.data(), text.data(), static_cast<int>(text.size()), out.size());
        ASSERT_GE(n, -1);
        ASSERT_LE(n, static_cast<int>(out.size()));
    }
}

TEST(UrlEncoding, EscapesEverythingButLettersAndDigits) {
    EXPECT_EQ(Url("abcXYZ019"), "abcXYZ019");
    EXPECT_EQ(Url("a b"), "a+b");
    EXPECT_EQ(Url("\r\n"), "++");
    EXPECT_EQ(Url("\t\v\f"), "+++");
    EXPECT_EQ(Url("-"), "%2D");
    EXPECT_EQ(Url("_.~*"), "%5F%2E%7E%2A");
    EXPECT_EQ(Url("a=1&b=2"), "a%3D1%26b%3D2");
    EXPECT_EQ(Url("+/="), "%2B%2F%3D");
    EXPECT_EQ(Url("\xB0"), "%B0");
    EXPECT_EQ(Url("\x7F\x80\xFF"), "%7F%80%FF");
    EXPECT_EQ(Url(""), "");
}

TEST(UrlEncoding, OutputThatDoesNotFitIsRefused) {
    CMPIUtil util;
    char out[8];
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(util.URLEncoding("a-b", out, 6), 1);  // five characters and the NUL
    EXPECT_STREQ(out, "a%2Db");
    std::memset(out, '#', sizeof(out));
    EXPECT_EQ(util.URLEncoding("a-b", out, 5), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(out[1], '#');
    // An empty text needs only its NUL.
    EXPECT_EQ(util.URLEncoding("", out, 1), 1);
}

TEST(UrlEncoding, HexDigit) {
    CMPIUtil util;
    const char expected[] = "0123456789ABCDEF";
    for (unsigned char v = 0; v < 16; ++v) EXPECT_EQ(util.HexDigit(&v), expected[v]);
}

TEST(PostData, ByteArrayOfTheText) {
    CMPIUtil util;
    VARIANT v;
    ASSERT_EQ(util.MakePostData("PaReq=a%2Bb&MD=\xB0", &v), S_OK);
    ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
    LONG lo = -1, hi = -1;
    SafeArrayGetLBound(v.parray, 1, &lo);
    SafeArrayGetUBound(v.parray, 1, &hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 15);
    void* data = nullptr;
    SafeArrayAccessData(v.parray, &data);
    EXPECT_EQ(std::memcmp(data, "PaReq=a%2Bb&MD=\xB0", 16), 0);
    SafeArrayUnaccessData(v.parray);
    VariantClear(&v);

    ASSERT_EQ(util.MakePostData("", &v), S_OK);
    SafeArrayGetUBound(v.parray, 1, &hi);
    EXPECT_EQ(hi, -1) << "zero elements";
    VariantClear(&v);
}

TEST(PostData, Failures) {
    CMPIUtil util;
    EXPECT_EQ(util.MakePostData("x", nullptr), E_POINTER);
    VARIANT v;
    v.vt = VT_I4;
    SafeArrayFailNextCreate();
    EXPECT_EQ(util.MakePostData("x", &v), E_OUTOFMEMORY);
    EXPECT_EQ(v.vt, VT_EMPTY);
}
