#include "crypto/MPISeal.h"

#include <cstring>
#include <vector>

#include "crypto/MPIEnvelope.h"
#include "crypto/MPISeed.h"
#include "platform/win/win.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int MPISealParam(CMPIUtil& util, const char* text, size_t len, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    out[0] = '\0';
    if (len > MPI_SEAL_MAX_TEXT || (text == nullptr && len > 0)) return 0;

    // The frame holds the text in clear, the other two the sealed text on
    // its way; all three are wiped on every way out.
    struct Work {
        unsigned char frame[MPI_SEED_MAX_INPUT];
        unsigned char cipher[MPI_SEED_MAX_INPUT + 1];
        char base64[(MPI_SEED_MAX_INPUT + 1) / 3 * 4 + 8];
        ~Work() { SecureZeroMemory(this, sizeof(*this)); }
    } w;

    // Frame: 16-bit big-endian length, the text, the XOR of its bytes.
    unsigned char check = 0;
    w.frame[0] = static_cast<unsigned char>(len >> 8);
    w.frame[1] = static_cast<unsigned char>(len & 0xFF);
    for (size_t i = 0; i < len; ++i) {
        w.frame[2 + i] = static_cast<unsigned char>(text[i]);
        check = static_cast<unsigned char>(check ^ w.frame[2 + i]);
    }
    w.frame[len + 2] = check;

    int c = util.Seed_Enc(w.frame, static_cast<int>(len + 3), w.cipher, sizeof(w.cipher));
    if (c < 1) return 0;
    if (util.EncodeBase64(w.base64, w.cipher, c, sizeof(w.base64)) < 1) return 0;
    if (util.URLEncoding(w.base64, out, outSize) < 1) return 0;
    return static_cast<int>(std::strlen(out));
}

bool MPIOpenSealedParam(const char* sealed, size_t len, std::string* text, std::string* error) {
    auto fail = [&](const char* why) {
        if (error != nullptr) *error = why;
        return false;
    };
    // URL decoding: "%XX" and "+".
    std::string base64;
    base64.reserve(len);
    for (size_t i = 0; i < len; ++i) {
        char ch = sealed[i];
        if (ch == '%') {
            int hi = i + 2 < len ? HexValue(sealed[i + 1]) : -1;
            int lo = i + 2 < len ? HexValue(sealed[i + 2]) : -1;
            if (hi < 0 || lo < 0) return fail("URL decoding failed: a \"%\" is not followed by two hexadecimal digits");
            base64.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (ch == '+') {
            base64.push_back(' ');
        } else {
            base64.push_back(ch);
        }
    }

    CMPIUtil util;
    std::vector<unsigned char> cipher(base64.size() / 4 * 3 + 3);
    int c = util.DecodeBase64(cipher.data(), base64.data(), static_cast<int>(base64.size()), cipher.size());
    if (c < 0) return fail("Base64 decoding failed: bad length or a character outside the alphabet");
    if (c == 0 || c % SEED_BLOCK_SIZE != 0) return fail("cipher check failed: the ciphertext is not a whole number of blocks");

    // The deciphered frame and the context hold the text in clear; they are
    // wiped on every way out, so is the ciphertext.
    struct Work {
        std::vector<unsigned char>& cipher;
        std::vector<unsigned char> plain;
        SEED_CONTEXT ctx;
        ~Work() {
            SecureZeroMemory(cipher.data(), cipher.size());
            SecureZeroMemory(plain.data(), plain.size());
            SecureZeroMemory(&ctx, sizeof(ctx));
        }
    } w{cipher, std::vector<unsigned char>(static_cast<size_t>(c) + SEED_BLOCK_SIZE), {}};
    std::vector<unsigned char>& plain = w.plain;
    SEED_CONTEXT& ctx = w.ctx;
    CMPISeed seed;
    seed.SeedInit(SEED_MODE_CBC, SEED_PADDING_PKCS7, g_MPIEnvelopeIV, &ctx);
    seed.SeedKeySchedule(g_MPIEnvelopeUserKey, g_MPIEnvelopeUserKeyLen, &ctx);
    seed.SeedReset(&ctx);
    uint32_t n1 = 0, n2 = 0;
    if (seed.SeedDecryptUpdate(&ctx, cipher.data(), static_cast<uint32_t>(c), plain.data(), &n1) != SEED_OK ||
        seed.SeedDecryptFinal(&ctx, plain.data() + n1, &n2) != SEED_OK)
        return fail("cipher check failed: the padding of the last block is invalid");
    size_t n = n1 + n2;
    if (n < 3) return fail("frame check failed: shorter than its length and checksum");
    size_t l = (static_cast<size_t>(plain[0]) << 8) | plain[1];
    if (l + 3 != n) return fail("frame check failed: the length field does not match the data");
    unsigned char x = 0;
    for (size_t i = 0; i < l; ++i) x = static_cast<unsigned char>(x ^ plain[2 + i]);
    if (x != plain[l + 2]) return fail("checksum check failed: the XOR byte does not match the text");
    if (text != nullptr) text->assign(reinterpret_cast<const char*>(plain.data() + 2), l);
    return true;
}
