// CMPISeed: the SEED block cipher (16 rounds, 128-bit key and block) with
// ECB, CBC, OFB and CFB-128 modes and optional PKCS #7 padding. The cipher
// object holds nothing; all state is in a SEED_CONTEXT owned by the caller.
#pragma once

#include <cstdint>

#define SEED_MODE_ECB 1
#define SEED_MODE_CBC 2
#define SEED_MODE_OFB 3
#define SEED_MODE_CFB 4

#define SEED_PADDING_NONE 1
#define SEED_PADDING_PKCS7 2

#define SEED_BLOCK_SIZE 16
#define SEED_USER_KEY_LEN 16

#define SEED_OK 0
#define SEED_ERR_MODE 0x1001             // unknown mode or padding, or input and output are one buffer
#define SEED_ERR_KEY_LENGTH 0x1002       // user key length is not 16
#define SEED_ERR_BAD_PADDING 0x1003      // invalid padding found when deciphering
#define SEED_ERR_NOT_BLOCK_MULTIPLE 0x1004  // no padding and a partial block remains when enciphering
#define SEED_ERR_FINAL_BLOCK 0x1005      // deciphering ends on a partial block

struct SEED_CONTEXT {
    int32_t mode;
    int32_t padding;
    uint8_t iv[SEED_BLOCK_SIZE];
    uint8_t chain[SEED_BLOCK_SIZE];
    uint8_t partial[SEED_BLOCK_SIZE];
    uint32_t count;
    uint32_t roundKeys[32];
};

class CMPISeed {
public:
    CMPISeed() = default;
    virtual ~CMPISeed();

    void SeedInit(int32_t mode, int32_t padding, const uint8_t* iv, SEED_CONTEXT* ctx);
    int32_t SeedKeySchedule(const uint8_t* userKey, uint32_t keyLen, SEED_CONTEXT* ctx);
    int32_t SeedReset(SEED_CONTEXT* ctx);

    // Output buffers must hold input length + count bytes, rounded up to a
    // whole block (updates), or one block (finals).
    int32_t SeedEncryptUpdate(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen);
    int32_t SeedEncryptFinal(SEED_CONTEXT* ctx, uint8_t* out, uint32_t* outLen);
    int32_t SeedDecryptUpdate(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen);
    int32_t SeedDecryptFinal(SEED_CONTEXT* ctx, uint8_t* out, uint32_t* outLen);

    // CBC with PKCS #7 padding over a whole message in one call, each
    // ciphertext block deciphered again as soon as it exists (a self-check
    // of the result), the two interleaved so that they run side by side.
    // The context must be set for CBC with padding 2 and reset. out and
    // check each receive 16 * (inLen / 16 + 1) bytes; *checkLen is the length
    // after the padding is stripped again. Returns 0x1001 for another mode,
    // padding or one buffer for input and output, and 0x1003 when the
    // deciphered padding is not valid.
    int32_t SeedCbcEncryptWithCheck(SEED_CONTEXT* ctx, const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t* outLen,
                                    uint8_t* check, uint32_t* checkLen);

    static void SeedEncryptBlock(const uint32_t* roundKeys, uint8_t* block);
    static void SeedDecryptBlock(const uint32_t* roundKeys, uint8_t* block);
};
