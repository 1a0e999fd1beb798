// The envelope's fixed key and initialisation vector, shared by the sealing
// code and the operators' opener. Nothing outside crypto/ includes this.
#pragma once

#include <cstdint>

extern const uint8_t g_MPIEnvelopeUserKey[16];
extern const uint32_t g_MPIEnvelopeUserKeyLen;
extern const uint8_t g_MPIEnvelopeIV[16];
