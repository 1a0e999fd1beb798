// An in-process peer on 127.0.0.1 for the transport's fuzz target: for each
// connection it writes the bytes given, shuts its side down and reads until
// the other side closes. POSIX only; the target includes this header
// without seeing the system's socket declarations.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzpeer {

// Starts the peer (once); its port.
unsigned short Port();
// The reply for the next connection.
void SetReply(const uint8_t* data, size_t size);
// Waits (bounded) until the next connection has been served and closed;
// false when none came in the time.
bool WaitServed(int timeoutMs);

}  // namespace fuzzpeer
