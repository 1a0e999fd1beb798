// The host's bridge requests, as page script (or a page pretending to be
// the injected script) sends them: the parser, and a whole request through
// a bridge whose container has no registry to find classes in; and the
// page's console messages as the host reads them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/Bridge.h"
#include "host/Container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    host::BridgeRequest req;
    std::string error;
    if (host::ParseBridgeRequest(text, &req, &error)) {
        for (const auto& a : req.args) (void)host::ReplyValue(a);
        (void)host::OriginOf(req.href);
    }
    std::string line;
    (void)host::ConsoleLine(text, &line);
    host::Container container;
    host::Bridge bridge(container, "http://127.0.0.1:8080");
    (void)bridge.Handle(text);
    return 0;
}
