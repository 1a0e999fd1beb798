// Sealed parameters: a text framed with its length and a checksum byte,
// enciphered by the SEED envelope, Base64-encoded and URL-encoded. Sealing
// is what the enrollment request and the report post put into their form
// bodies; opening is the inverse, for the servers' side and for operators.
#pragma once

#include <cstddef>
#include <string>

#include "crypto/MPIUtil.h"

// Longest text that can be sealed: its frame (text + 3 bytes) must fit the
// envelope's 4095-byte input.
#define MPI_SEAL_MAX_TEXT (MPI_SEED_MAX_INPUT - 3)
// Room for the longest sealed parameter and its NUL: 4096 ciphertext bytes
// give 5464 Base64 characters, each of which may be escaped to three.
#define MPI_SEALED_MAX_SIZE (5464 * 3 + 1)

// Seals len bytes of text into out (NUL-terminated). Returns the length of
// the sealed parameter, or 0 when the text is longer than MPI_SEAL_MAX_TEXT,
// a step fails or the result does not fit outSize bytes.
int MPISealParam(CMPIUtil& util, const char* text, size_t len, char* out, size_t outSize);

// Opens a sealed parameter. On success returns true with the text; on
// failure returns false with a one-line reason: the URL decoding, the Base64
// text, the cipher padding, the frame length or the checksum is wrong.
bool MPIOpenSealedParam(const char* sealed, size_t len, std::string* text, std::string* error);
