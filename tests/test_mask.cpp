// Masking of card numbers and cryptograms by what they are.
#include <gtest/gtest.h>

#include <string>

#include "crypto/MPIMask.h"

namespace {

std::string Digits(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>('0' + (i + 1) % 10);
    return s;
}

}  // namespace

TEST(Mask, CardNumbersOfTwelveToNineteenDigitsKeepTheirLastFour) {
    EXPECT_EQ(MPIMaskSecrets(Digits(11)), Digits(11));
    EXPECT_EQ(MPIMaskSecrets(Digits(12)), "********" + Digits(12).substr(8));
    EXPECT_EQ(MPIMaskSecrets(Digits(19)), std::string(15, '*') + Digits(19).substr(15));
    EXPECT_EQ(MPIMaskSecrets(Digits(20)), Digits(20)) << "20 digits in a row are no card number";
    EXPECT_EQ(MPIMaskSecrets("pan=4111222233334444&x=1"), "pan=************4444&x=1");
    EXPECT_EQ(MPIMaskSecrets("'4111222233334444')"), "'************4444')");
}

TEST(Mask, BlanksAndDashesBetweenDigitsStay) {
    EXPECT_EQ(MPIMaskSecrets("card 4111 2222-3333 4444 ok"), "card **** ****-**** 4444 ok");
    EXPECT_EQ(MPIMaskSecrets("4111-2222-333"), "4111-2222-333") << "11 digits";
    EXPECT_EQ(MPIMaskSecrets("4111-2222-3333"), "****-****-3333");
    EXPECT_EQ(MPIMaskSecrets("2029-07 4111 2222 3333 4444"), "****-** **** **** **** 4444")
        << "a card number beside another number is still masked";
    EXPECT_EQ(MPIMaskSecrets("4111  2222  3333  4444"), "4111  2222  3333  4444") << "groups of four, not one number";
    EXPECT_EQ(MPIMaskSecrets("2026-12-08 23:16:31 amount 15000"), "2026-12-08 23:16:31 amount 15000");
}

TEST(Mask, CryptogramsAreMaskedWhole) {
    const std::string cavv = "AAABBJkZUQAAAAAAAAAAAAAAAAA=";  // 20 bytes
    EXPECT_EQ(MPIMaskSecrets("'" + cavv + "'"), "'" + std::string(28, '*') + "'");
    EXPECT_EQ(MPIMaskSecrets("cavv=" + cavv.substr(0, 27) + "&eci=05"), "cavv=" + std::string(27, '*') + "&eci=05");
    EXPECT_EQ(MPIMaskSecrets("x" + cavv), "x" + cavv) << "28 Base64 characters in a row are no 20-byte value";
    EXPECT_EQ(MPIMaskSecrets(cavv.substr(1)), cavv.substr(1)) << "26 characters";
    const std::string hex = "0123456789abcdef0123456789ABCDEF01234567";
    EXPECT_EQ(MPIMaskSecrets("v:" + hex + ";"), "v:" + std::string(40, '*') + ";");
    EXPECT_EQ(MPIMaskSecrets("v:" + hex + "8;"), "v:" + hex + "8;") << "41 hex digits";
    EXPECT_EQ(MPIMaskSecrets("[CAuthFlow] Result[2] Authenticated"), "[CAuthFlow] Result[2] Authenticated");
}

TEST(Mask, InPlaceKeepsTheLength) {
    char text[] = "Result[7] 4111222233334444";
    MPIMaskSecretsInPlace(text);
    EXPECT_STREQ(text, "Result[7] ************4444");
    MPIMaskSecretsInPlace(nullptr);
}
