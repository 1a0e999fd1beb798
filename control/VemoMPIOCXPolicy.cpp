// The administrators' policy at the door of the network methods (GetPAReq2
// and SendHTTPPost): the site lock and the https rule of StrictTransport,
// checked before anything is sent. The rules themselves are in
// transport/MPIPolicy.h.
//
// The page's origin is taken from the container (the moniker of the control's
// client site), at each call, never from what the page said through
// SetForcedLocalUrl: the page cannot choose it. A control without a client
// site, or whose container names no page, has no origin and is refused
// whenever AllowedSites is present.
#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "transport/MPIPolicy.h"

int CVemoMPIOCXCtrl::CheckNetworkPolicy(LPCTSTR pszUrl, bool* pbStrict) {
    MPI_POLICY policy = MPIReadPolicy();
    if (pbStrict != nullptr) *pbStrict = policy.bStrictTransport;

    if (policy.SiteLock()) {
        std::string strPage;
        bool bPage = GetClientPageAddress(&strPage);
        if (!MPIPolicySiteAllowed(policy, bPage ? strPage.c_str() : nullptr)) {
            std::string strOrigin;
            if (!bPage || !MPIUrlOrigin(strPage.c_str(), &strOrigin)) strOrigin = "(none)";
            MPITrace(m_Util, m_szLogMsg, sizeof(m_szLogMsg),
                     "[CVemoMPIOCXCtrl::CheckNetworkPolicy] AllowedSites refuses the page's origin %s", strOrigin.c_str());
            return POLICY_SITE_REFUSED;
        }
    }

    if (policy.bStrictTransport && !MPIIsHttpsUrl(pszUrl)) {
        m_Util.WriteLog("[CVemoMPIOCXCtrl::CheckNetworkPolicy] StrictTransport refuses an address that is not https");
        return POLICY_HTTPS_REFUSED;
    }
    return POLICY_ALLOWED;
}
