// The administrators' policy of the control, kept under
//   HKEY_LOCAL_MACHINE\SOFTWARE\VemoMPI\Policy
// and read afresh by each GetPAReq2 and SendHTTPPost (never cached beyond
// the call). Only the machine's key counts: nothing under
// HKEY_CURRENT_USER is read, so a user cannot loosen what the administrator
// set. Without the key, or with both values absent, the control behaves as
// it always has.
//
// StrictTransport (DWORD). 0 or absent: the transports work as they always
// have (the socket transport when no proxy is configured, relaxed
// certificate checks, redirects followed). Any other value: the enrollment
// request and the report go only to https addresses, only through WinINet,
// with every certificate check on against the system's trusted
// authorities, no retry on an unknown authority and no automatic redirect
// (a 3xx reply is a failure); the ACS address and the term address of the
// enrollment reply, and the result page, must be https too. A value that is
// there but cannot be read as a number (another type, a text that is not a
// number) counts as on: an administrator who set it meant something.
//
// AllowedSites (REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ). Absent: any page may
// use the control. Present: only a page whose origin (scheme, host and
// port) is on the list may use GetPAReq2 and SendHTTPPost. The list holds
// origins such as "https://shop.example.com" or
// "https://pay.example.com:8443", separated by ';', ',', white space or (in
// a REG_MULTI_SZ) the NULs between its strings. A scheme is http or https
// in any letter case, a host is compared without regard to letter case,
// and a missing port is the scheme's default (so "https://a.example" and
// "https://a.example:443" are one origin). An entry with a path other than
// "/", a query, a fragment or anything that is not an origin is ignored; a
// list with no valid entry (an empty text, say) lets no page in.
//
// A key or value that exists but cannot be read (no right to read it, a
// registry that cannot be parsed) closes both: StrictTransport on, and no
// site allowed. So does an AllowedSites value longer than
// MPI_POLICY_SITES_MAX bytes.
//
// Windows keeps a 64-bit and a 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE.
// Both are read: StrictTransport is on when either view says so, and a page
// must be on the list of every view that holds AllowedSites.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/win/win.h"

#define MPI_POLICY_KEY "SOFTWARE\\VemoMPI\\Policy"
#define MPI_POLICY_STRICT_TRANSPORT "StrictTransport"
#define MPI_POLICY_ALLOWED_SITES "AllowedSites"
// The longest AllowedSites value read, in bytes.
#define MPI_POLICY_SITES_MAX 65536

// What GetPAReq2 puts into Msg1 when the policy refuses a call (it then
// returns 11002), in English and in Korean (code page 949). The Korean texts
// say the same: "StrictTransport policy: the MPI address must be an https
// address" and "AllowedSites policy: this page's site may not use the
// control".
#define MPI_POLICY_MSG_MPI_HTTPS_EN "StrictTransport policy: the MPI address must be https"
#define MPI_POLICY_MSG_MPI_HTTPS_KO \
    "StrictTransport \xC1\xA4\xC3\xA5: MPI \xC1\xD6\xBC\xD2\xB4\xC2 https \xC1\xD6\xBC\xD2\xBF\xA9\xBE\xDF " \
    "\xC7\xD5\xB4\xCF\xB4\xD9"
#define MPI_POLICY_MSG_SITE_EN "AllowedSites policy: this page's site may not use the control"
#define MPI_POLICY_MSG_SITE_KO \
    "AllowedSites \xC1\xA4\xC3\xA5: \xC0\xCC \xC6\xE4\xC0\xCC\xC1\xF6\xC0\xC7 \xBB\xE7\xC0\xCC\xC6\xAE\xB4\xC2 " \
    "\xC0\xCC \xC4\xC1\xC6\xAE\xB7\xD1\xC0\xBB \xBB\xE7\xBF\xEB\xC7\xD2 \xBC\xF6 \xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9"
// ... and when the enrollment reply names an ACS or term address that is not
// https (the dialog then ends with 11002, see AuthFlow.cpp).
#define MPI_POLICY_MSG_ACS_HTTPS_EN "StrictTransport policy: the ACS address must be https"
#define MPI_POLICY_MSG_ACS_HTTPS_KO \
    "StrictTransport \xC1\xA4\xC3\xA5: ACS \xC1\xD6\xBC\xD2\xB4\xC2 https \xC1\xD6\xBC\xD2\xBF\xA9\xBE\xDF " \
    "\xC7\xD5\xB4\xCF\xB4\xD9"
#define MPI_POLICY_MSG_TERM_HTTPS_EN "StrictTransport policy: the result page address must be https"
#define MPI_POLICY_MSG_TERM_HTTPS_KO \
    "StrictTransport \xC1\xA4\xC3\xA5: \xB0\xE1\xB0\xFA \xC6\xE4\xC0\xCC\xC1\xF6 \xC1\xD6\xBC\xD2\xB4\xC2 " \
    "https \xC1\xD6\xBC\xD2\xBF\xA9\xBE\xDF \xC7\xD5\xB4\xCF\xB4\xD9"
// The transports' own error text when they are asked to break the policy
// (the control refuses such calls before; this is the transports' guard).
#define MPI_POLICY_MSG_TRANSPORT "StrictTransport policy: refused (https through WinINet only)"

struct MPI_POLICY {
    bool bStrictTransport = false;
    // The AllowedSites lists, one per registry view that holds the value,
    // each as normalised origins; empty when no view holds one.
    std::vector<std::vector<std::string>> siteLists;

    bool SiteLock() const { return !siteLists.empty(); }
};

// Reads the policy from HKEY_LOCAL_MACHINE (both registry views).
MPI_POLICY MPIReadPolicy();

// Whether a StrictTransport value of this type and these bytes switches
// the policy on (see above).
bool MPIPolicyFlagOn(DWORD dwType, const BYTE* pData, DWORD cbData);

// The valid origins of an AllowedSites value of this type and these bytes,
// normalised, in their order (duplicates kept). Texts end at the end of the
// data; a REG_MULTI_SZ's NULs separate entries, as for a REG_SZ only the
// first NUL ends the text.
std::vector<std::string> MPIPolicySiteList(DWORD dwType, const BYTE* pData, DWORD cbData);

// The origin of an http or https address, normalised as
// "scheme://host:port" (scheme and host in lower case, the port always
// written). User name and password before the host are not part of it;
// the path, query and fragment are left out. False for anything else: other
// schemes, no "//", an empty host, a host with characters other than
// letters, digits, '-', '.' and '_' (or a bracketed IPv6 address), a port
// that is not 1 to 65535, a '\\' in the authority.
bool MPIUrlOrigin(const char* pszUrl, std::string* pOrigin);

// Whether an entry of AllowedSites is an origin, and which: MPIUrlOrigin,
// and no more than a "/" after the authority.
bool MPIPolicyEntryOrigin(const char* pszEntry, size_t nLength, std::string* pOrigin);

// Whether the address is an https address with a valid origin.
bool MPIIsHttpsUrl(const char* pszUrl);

// Whether a page at pszPageUrl (null when the control has no client site or
// the page's address is not known) may use the network methods.
bool MPIPolicySiteAllowed(const MPI_POLICY& policy, const char* pszPageUrl);
