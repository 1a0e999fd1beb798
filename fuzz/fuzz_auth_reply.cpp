// The parse step of the authentication (CAuthFlow::AuthThreadProcessParse):
// any reply text the MPI server can send, as the transport leaves it in the
// exchange, checked and split into the result properties and the hand-off.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_auth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAuthFlow& flow = fuzzauth::Flow();
    auto exchange = std::make_shared<CHTTPExchange>();
    size_t n = size < sizeof(exchange->m_szHTTPRecvData) - 1 ? size : sizeof(exchange->m_szHTTPRecvData) - 1;
    std::memcpy(exchange->m_szHTTPRecvData, data, n);
    exchange->m_bThreadEnd = 1;
    flow.m_pExchange = exchange;
    int rc = flow.AuthThreadProcessParse();
    if (rc < 0) std::abort();
    fuzzauth::CheckTerminated(flow.m_szLogMsg);
    fuzzauth::CheckTerminated(flow.m_pVemoMPIOCXCtrl->m_szLogMsg);
    flow.m_pExchange.reset();
    return 0;
}
