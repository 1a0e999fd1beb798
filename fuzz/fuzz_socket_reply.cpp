// The socket transport's reply reception: the plain dialog's worker posts to
// an in-process peer on 127.0.0.1 that answers with the input and closes.
// The exchange's texts end in their NULs inside their buffers, and a reply
// taken as a success is the peer's bytes as sent.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/support/peer.h"
#include "transport/HTTPTransport.h"
#include "transport/MPISocket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string url = [] {
        CMPISocket library;
        if (library.SocketInit() != 0) std::abort();  // kept started for the whole run
        return "http://127.0.0.1:" + std::to_string(fuzzpeer::Port()) + "/mpi/ve.jsp";
    }();
    fuzzpeer::SetReply(data, size);
    auto exchange = std::make_shared<CHTTPExchange>();
    auto* start = new HTTP_THREAD_START;
    std::memset(&start->param, 0, sizeof(start->param));
    std::snprintf(start->param.szUrl, sizeof(start->param.szUrl), "%s", url.c_str());
    std::snprintf(start->param.szPostData, sizeof(start->param.szPostData), "data=fuzz");
    start->param.bPostRequest = 1;
    start->exchange = exchange;
    HTTPThreadFunction_Socket_Normal(start);  // on this thread; it owns and deletes the block
    if (!fuzzpeer::WaitServed(10000)) std::abort();

    const CHTTPExchange& x = *exchange;
    if (x.m_bThreadEnd.load() != 1) std::abort();
    if (strnlen(x.m_szHTTPRecvData, sizeof(x.m_szHTTPRecvData)) >= sizeof(x.m_szHTTPRecvData)) std::abort();
    if (strnlen(x.m_szHTTPLastErrorMessage, sizeof(x.m_szHTTPLastErrorMessage)) >= sizeof(x.m_szHTTPLastErrorMessage))
        std::abort();
    if (x.m_strClientHTTPData1.GetLength() > 10240) std::abort();
    if (x.m_szHTTPLastErrorMessage[0] == '\0') {
        size_t n = std::strlen(x.m_szHTTPRecvData);
        if (n > size || std::memcmp(x.m_szHTTPRecvData, data, n) != 0) std::abort();
    }
    return 0;
}
