// The result capture (CAuthFlow::CaptureResult): any text of the result page
// as the capture cuts it (at most 8095 bytes, up to the first NUL), read for
// its record and JSON object into the control's properties.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_auth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAuthFlow& flow = fuzzauth::Flow();
    std::string page(reinterpret_cast<const char*>(data), size);
    if (page.size() > AUTH_PAGE_TEXT_SIZE - 1) page.resize(AUTH_PAGE_TEXT_SIZE - 1);
    page.resize(std::strlen(page.c_str()));
    int rc = flow.CaptureResult(page);
    if (rc != -1 && rc != AUTH_RESULT_SUCCESS && rc != AUTH_ERROR_PAGE_TOO_SHORT && rc != AUTH_ERROR_NO_RECORD &&
        rc != AUTH_ERROR_RECORD_FIELDS)
        std::abort();
    fuzzauth::CheckTerminated(flow.m_szLogMsg);
    if (rc == AUTH_RESULT_SUCCESS) {
        // Every slot is a piece of the page, no longer than a slot.
        CVemoMPIOCXCtrl* c = flow.m_pVemoMPIOCXCtrl;
        for (const CString* s : {&c->m_Code2, &c->m_Msg2, &c->m_Cavv, &c->m_Md, &c->m_Eci, &c->m_CavvAlg, &c->m_realPan,
                                 &c->m_json}) {
            std::string v = static_cast<const char*>(*s);
            if (v.size() > AUTH_SLOT_SIZE || (!v.empty() && page.find(v) == std::string::npos)) std::abort();
        }
    }
    return 0;
}
