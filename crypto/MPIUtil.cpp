#include "crypto/MPIUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "crypto/MPIEnvelope.h"
#include "crypto/MPIMask.h"
#include "crypto/MPISeed.h"
#include "platform/win/win.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kBlank = 0xE0;
constexpr uint8_t kLineFeed = 0xF0;
constexpr uint8_t kReturn = 0xF1;
constexpr uint8_t kDash = 0xF2;
constexpr uint8_t kInvalid = 0xFF;

// Classes of the 128 seven-bit values: alphabet index, "=" as zero bits,
// blanks, line ends, "-", invalid.
constexpr struct DecodeTable {
    uint8_t cls[128];
    constexpr DecodeTable() : cls() {
        for (int i = 0; i < 128; ++i) cls[i] = kInvalid;
        for (int i = 0; i < 64; ++i) cls[static_cast<unsigned char>(kAlphabet[i])] = static_cast<uint8_t>(i);
        cls[static_cast<unsigned char>('=')] = 0;
        cls[static_cast<unsigned char>('\t')] = kBlank;
        cls[static_cast<unsigned char>(' ')] = kBlank;
        cls[static_cast<unsigned char>('\n')] = kLineFeed;
        cls[static_cast<unsigned char>('\r')] = kReturn;
        cls[static_cast<unsigned char>('-')] = kDash;
    }
} kDecode;

inline uint8_t ClassOf(char c) { return kDecode.cls[static_cast<unsigned char>(c) & 0x7F]; }

// Two output characters per 12 input bits, so that a group of three bytes
// takes two lookups.
constexpr struct PairTable {
    char pair[4096][2];
    constexpr PairTable() : pair() {
        for (int i = 0; i < 4096; ++i) {
            pair[i][0] = kAlphabet[i >> 6];
            pair[i][1] = kAlphabet[i & 63];
        }
    }
} kPairs;

// URL encoding: for each byte, 0 when it stays, 1 when it becomes "+", 2
// when it is escaped (the C locale's alphanumeric and white-space classes).
constexpr struct UrlClassTable {
    uint8_t cls[256];
    constexpr UrlClassTable() : cls() {
        for (int c = 0; c < 256; ++c) {
            bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            bool space = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
            cls[c] = alnum ? 0 : space ? 1 : 2;
        }
    }
} kUrlClass;

constexpr char kHexUpper[] = "0123456789ABCDEF";

}  // namespace

// The envelope's fixed key and initialisation vector.
const uint8_t g_MPIEnvelopeUserKey[16] = {0x3C, 0x9A, 0x51, 0xE7, 0x08, 0xD2, 0x6F, 0xB4,
                                          0xA1, 0x19, 0x7E, 0xC5, 0x2D, 0x80, 0xF3, 0x46};
const uint32_t g_MPIEnvelopeUserKeyLen = 16;
const uint8_t g_MPIEnvelopeIV[16] = {0xB7, 0x0E, 0x64, 0x2A, 0xD9, 0x53, 0xC1, 0x88,
                                     0x1F, 0x7A, 0xE2, 0x35, 0x90, 0x4B, 0x6D, 0xFC};

CMPIUtil::~CMPIUtil() = default;

int CMPIUtil::EncodeBase64(char* pszOut, const unsigned char* pIn, int nInLen, size_t nOutSize) {
    if (pszOut == nullptr || nOutSize == 0) return 0;
    if (nInLen <= 0 || pIn == nullptr) {
        pszOut[0] = '\0';
        return 0;
    }
    size_t n = static_cast<size_t>(nInLen);
    size_t need = (n + 2) / 3 * 4;
    if (need + 1 > nOutSize) {
        pszOut[0] = '\0';
        return 0;
    }
    char* o = pszOut;
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        uint32_t v = (static_cast<uint32_t>(pIn[i]) << 16) | (static_cast<uint32_t>(pIn[i + 1]) << 8) | pIn[i + 2];
        std::memcpy(o, kPairs.pair[v >> 12], 2);
        std::memcpy(o + 2, kPairs.pair[v & 0xFFF], 2);
        o += 4;
    }
    if (n - i == 2) {
        uint32_t v = (static_cast<uint32_t>(pIn[i]) << 16) | (static_cast<uint32_t>(pIn[i + 1]) << 8);
        std::memcpy(o, kPairs.pair[v >> 12], 2);
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = '=';
        o += 4;
    } else if (n - i == 1) {
        uint32_t v = static_cast<uint32_t>(pIn[i]) << 16;
        std::memcpy(o, kPairs.pair[v >> 12], 2);
        o[2] = '=';
        o[3] = '=';
        o += 4;
    }
    *o = '\0';
    return static_cast<int>(need);
}

int CMPIUtil::DecodeBase64(unsigned char* pOut, const char* pszIn, int nInLen, size_t nOutSize) {
    if (pszIn == nullptr || nInLen <= 0) return 0;
    const char* p = pszIn;
    int n = nInLen;
    while (n > 0 && ClassOf(*p) == kBlank) ++p, --n;
    while (n > 3) {
        uint8_t c = ClassOf(p[n - 1]);
        if (c != kBlank && c != kLineFeed && c != kReturn && c != kDash) break;
        --n;
    }
    if (n == 0) return 0;
    if (n % 4 != 0) return -1;
    size_t need = static_cast<size_t>(n) / 4 * 3;
    if (pOut == nullptr || need > nOutSize) return -1;
    int count = 0;
    unsigned char* o = pOut;
    for (int i = 0; i < n; i += 4) {
        uint8_t a = ClassOf(p[i]), b = ClassOf(p[i + 1]), c = ClassOf(p[i + 2]), d = ClassOf(p[i + 3]);
        if ((a | b | c | d) & 0x80) return -1;
        uint32_t v = (static_cast<uint32_t>(a) << 18) | (static_cast<uint32_t>(b) << 12) | (static_cast<uint32_t>(c) << 6) | d;
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
        o += 3;
        count += 3;
    }
    if (p[n - 1] == '=') {
        --count;
        if (p[n - 2] == '=') --count;
    }
    return count;
}

int CMPIUtil::URLEncoding(const char* pszIn, char* pszOut, size_t nOutSize) {
    if (pszOut == nullptr || nOutSize == 0) return 0;
    if (pszIn == nullptr) {
        pszOut[0] = '\0';
        return 1;
    }
    // Measure first, so that an output that does not fit is left empty.
    size_t need = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(pszIn);
    for (const unsigned char* q = s; *q; ++q) need += kUrlClass.cls[*q] == 2 ? 3 : 1;
    if (need + 1 > nOutSize) {
        pszOut[0] = '\0';
        return 0;
    }
    char* o = pszOut;
    for (; *s; ++s) {
        switch (kUrlClass.cls[*s]) {
            case 0:
                *o++ = static_cast<char>(*s);
                break;
            case 1:
                *o++ = '+';
                break;
            default: {
                unsigned char hi = static_cast<unsigned char>(*s >> 4), lo = static_cast<unsigned char>(*s & 0x0F);
                o[0] = '%';
                o[1] = HexDigit(&hi);
                o[2] = HexDigit(&lo);
                o += 3;
            }
        }
    }
    *o = '\0';
    return 1;
}

char CMPIUtil::HexDigit(const unsigned char* p) { return kHexUpper[*p & 0x0F]; }

HRESULT CMPIUtil::MakePostData(const char* pszText, VARIANT* pVar) {
    if (pVar == nullptr) return E_POINTER;
    VariantInit(pVar);
    ULONG n = static_cast<ULONG>(lstrlenA(pszText));
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, n);
    if (psa == nullptr) return E_OUTOFMEMORY;
    void* data = nullptr;
    SafeArrayAccessData(psa, &data);
    if (n > 0) std::memcpy(data, pszText, n);
    SafeArrayUnaccessData(psa);
    pVar->vt = VT_ARRAY | VT_UI1;
    pVar->parray = psa;
    return S_OK;
}

void CMPIUtil::WriteLog(const char* pszLine) { MPITraceSink(pszLine); }

int CMPIUtil::Seed_Enc(const unsigned char* pIn, int nInLen, unsigned char* pOut, size_t nOutSize) {
    WriteLog("[CMPIUtil::Seed_Enc] Start");
    if (pOut == nullptr || nOutSize < 4 || nInLen < 0 || nInLen > MPI_SEED_MAX_INPUT || (pIn == nullptr && nInLen > 0))
        return 0;
    std::memset(pOut, 0, 4);
    uint32_t n = static_cast<uint32_t>(nInLen);
    uint32_t cipherLen = (n / SEED_BLOCK_SIZE + 1) * SEED_BLOCK_SIZE;
    if (cipherLen > nOutSize) return 0;

    // The working copies hold the text in clear (the input and the
    // deciphered check) and are wiped on every way out.
    struct Work {
        unsigned char input[MPI_SEED_MAX_INPUT + 1];
        unsigned char cipher[MPI_SEED_MAX_INPUT + 1 + SEED_BLOCK_SIZE];
        unsigned char check[MPI_SEED_MAX_INPUT + 1 + SEED_BLOCK_SIZE];
        SEED_CONTEXT ctx;
        size_t used;  // bytes of each buffer that may have been written
        ~Work() {
            SecureZeroMemory(input, used);
            SecureZeroMemory(cipher, used);
            SecureZeroMemory(check, used);
            SecureZeroMemory(&ctx, sizeof(ctx));
        }
    } w;
    w.used = cipherLen;
    if (n > 0) std::memcpy(w.input, pIn, n);

    CMPISeed seed;
    seed.SeedInit(SEED_MODE_CBC, SEED_PADDING_PKCS7, g_MPIEnvelopeIV, &w.ctx);
    if (seed.SeedKeySchedule(g_MPIEnvelopeUserKey, g_MPIEnvelopeUserKeyLen, &w.ctx) != SEED_OK) return 0;

    // Encryption and the self-check in one pass: each ciphertext block is
    // deciphered again while the next one is enciphered, and the padding of
    // the deciphered message must be valid.
    uint32_t total = 0, checked = 0;
    seed.SeedReset(&w.ctx);
    int32_t status = seed.SeedCbcEncryptWithCheck(&w.ctx, w.input, n, w.cipher, &total, w.check, &checked);
    if (total == 0) return 0;
    WriteLog("[CMPIUtil::Seed_Enc] ENC OK");
    if (status != SEED_OK || checked != n) return 0;

    std::memcpy(pOut, w.cipher, total);
    WriteLog("[CMPIUtil::Seed_Enc] DEC OK");
    WriteLog("[CMPIUtil::Seed_Enc] End");
    return static_cast<int>(total);
}

void MPITrace(CMPIUtil& util, char* buf, size_t size, const char* fmt, ...) {
    if (buf == nullptr || size == 0) return;
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, size, fmt, args);
    va_end(args);
    util.WriteLog(buf);
}
