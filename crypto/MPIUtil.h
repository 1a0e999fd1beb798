// CMPIUtil: the system's stateless utility object. It carries the byte
// encodings of the request and reply formats (Base64, form URL encoding,
// post data for the browser), the SEED envelope, the two environment probes
// and the log sink through which every trace line passes.
//
// Every operation that writes into a caller's buffer is told the buffer's
// size and never writes past it; an output that would not fit is reported
// as the operation's failure value instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/com.h"

// The descriptions of the export-grade SSL providers (40-bit keys), which
// the authentication warns about.
#define MPI_SSL_EXPORT_PROVIDER_TLS "TLS / SSL Security Provider (Export Version)"
#define MPI_SSL_EXPORT_PROVIDER_PCT "PCT / SSL Security Provider (Export Version)"

// Largest input of Seed_Enc: its frame buffer and its copy of the
// ciphertext hold 4096 bytes each.
#define MPI_SEED_MAX_INPUT 4095

class CMPIUtil {
public:
    CMPIUtil() = default;
    virtual ~CMPIUtil();

    // Base64 of n bytes with "=" padding and no line breaks. Returns the
    // number of characters written (the NUL follows them), 0 for n <= 0 and
    // when 4 * ceil(n / 3) + 1 bytes do not fit the output.
    int EncodeBase64(char* pszOut, const unsigned char* pIn, int nInLen, size_t nOutSize);

    // Decodes n characters of Base64 text (blanks around the text and line
    // ends, CRs and "-" after it are ignored). Returns the number of bytes,
    // or -1 for a bad length, a character outside the alphabet inside the
    // text, or an output too small for the decoded bytes. The output is not
    // NUL-terminated.
    int DecodeBase64(unsigned char* pOut, const char* pszIn, int nInLen, size_t nOutSize);

    // Form URL encoding: letters and digits stay, white space becomes "+",
    // every other byte "%XX" (upper-case hex). Returns 1; returns 0 and
    // leaves an empty string when the encoded text and its NUL do not fit
    // the output.
    int URLEncoding(const char* pszIn, char* pszOut, size_t nOutSize);

    // The hexadecimal digit ("0"-"9", "A"-"F") of the value 0-15 at p.
    char HexDigit(const unsigned char* p);

    // A VT_ARRAY | VT_UI1 variant holding the bytes of the text (no NUL).
    HRESULT MakePostData(const char* pszText, VARIANT* pVar);

    // The log sink: receives one preformatted line and discards it.
    void WriteLog(const char* pszLine);

    // The SEED envelope: CBC with PKCS #7 padding under the fixed key and IV,
    // followed by a self-check that deciphers the result again. Returns the
    // ciphertext length, or 0 on any failure (including an input longer than
    // MPI_SEED_MAX_INPUT bytes or an output smaller than the ciphertext).
    int Seed_Enc(const unsigned char* pIn, int nInLen, unsigned char* pOut, size_t nOutSize);

    // The SSL provider probe: the description ("FileDescription") in the
    // version information of the file, under the first of the pairs U.S.
    // English/Unicode, U.S. English/Latin-1, Korean/Unicode, Korean/Latin-1
    // that has one. Returns 1 with at most nOutSize - 1 characters of it in
    // the output (always terminated), or 0 when the file has no such
    // description or nOutSize is below 1.
    int GetSSLVersion(const char* pszFilePath, char* pszOut, int nOutSize);

    // The proxy probe: 1 when the user's Internet settings send traffic
    // through a proxy (an automatic configuration script, or an enabled
    // proxy server) or cannot be opened with full access, otherwise 0.
    int IsProxyEnv();
};

// Formats a trace line into the caller's buffer and hands it to the log
// sink (bounded by the buffer; an over-long line is cut).
void MPITrace(CMPIUtil& util, char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
