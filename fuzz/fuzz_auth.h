// What the authentication targets share: a control and a flow as the tests
// make them, with a stand-in dialog that records nothing and has no window.
#pragma once

#include <cstdlib>
#include <cstring>

#include "auth/AuthFlow.h"

namespace fuzzauth {

class QuietSite : public IAuthDialogSite {
public:
    void AuthEndDialog(int) override {}
    void AuthKillTimer(UINT) override {}
    void AuthNavigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {}
    bool AuthGetDocumentHTML(BSTR*) override { return false; }
};

inline HTTP_THREAD_PARAM g_param;
inline const AUTH_DIALOG_KIND kKind = {"CFuzzAuthDialog", &g_param, nullptr, nullptr};

// One control and flow for the whole run, ready for an authentication.
inline CAuthFlow& Flow() {
    static QuietSite site;
    static CAuthFlow* flow = [] {
        setenv("LANG", "en_US.UTF-8", 1);
        auto* f = new CAuthFlow(kKind, &site);
        f->m_pVemoMPIOCXCtrl = new CVemoMPIOCXCtrl();
        return f;
    }();
    flow->m_pVemoMPIOCXCtrl->m_iAuthState = STATE_VEREQ;
    return *flow;
}

// A text buffer must hold its NUL inside it.
template <size_t N>
void CheckTerminated(const char (&buf)[N]) {
    if (strnlen(buf, N) >= N) std::abort();
}

}  // namespace fuzzauth
