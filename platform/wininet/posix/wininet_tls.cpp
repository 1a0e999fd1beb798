// WinINet on libcurl: the TLS checks of a request and the mapping of curl's
// failures to WinINet's error numbers. The peer is verified against the
// trusted authorities; the verify callback lets through exactly the
// failures that the request's security flags relax (unknown authority,
// validity dates, revocation, usage) and remembers the first one it
// refused, which becomes WinINet's error number.

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include "platform/wininet/posix/wininet_layer.h"

namespace wininet_layer {
namespace {

// The index under which an SSL context holds its request's TlsCheck.
int g_sslTransferIndex = -1;

int VerifyCallback(int ok, X509_STORE_CTX* store) {
    if (ok != 0) return 1;
    SSL* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    TlsCheck* t = ssl != nullptr ? static_cast<TlsCheck*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), g_sslTransferIndex))
                                 : nullptr;
    if (t == nullptr) return 0;
    DWORD relaxedBy = 0;
    DWORD failure = ERROR_INTERNET_SEC_INVALID_CERT;
    switch (X509_STORE_CTX_get_error(store)) {
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED:
        case X509_V_ERR_INVALID_CA:
            relaxedBy = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            failure = ERROR_INTERNET_INVALID_CA;
            break;
        case X509_V_ERR_CERT_NOT_YET_VALID:
        case X509_V_ERR_CERT_HAS_EXPIRED:
            relaxedBy = SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
            failure = ERROR_INTERNET_SEC_CERT_DATE_INVALID;
            break;
        case X509_V_ERR_CERT_REVOKED:
        case X509_V_ERR_UNABLE_TO_GET_CRL:
        case X509_V_ERR_CRL_HAS_EXPIRED:
        case X509_V_ERR_CRL_NOT_YET_VALID:
            relaxedBy = SECURITY_FLAG_IGNORE_REVOCATION;
            failure = ERROR_INTERNET_SEC_CERT_REVOKED;
            break;
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            relaxedBy = SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
            failure = ERROR_INTERNET_SEC_CERT_CN_INVALID;
            break;
        case X509_V_ERR_INVALID_PURPOSE:
            relaxedBy = SECURITY_FLAG_IGNORE_WRONG_USAGE;
            break;
        default:
            break;
    }
    if (relaxedBy != 0 && (t->securityFlags & relaxedBy) != 0) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    if (t->failure == 0) t->failure = failure;
    return 0;
}

}  // namespace

void InitTls() { g_sslTransferIndex = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr); }

CURLcode SslContextCallback(CURL*, void* sslctx, void* userptr) {
    auto* ctx = static_cast<SSL_CTX*>(sslctx);
    SSL_CTX_set_ex_data(ctx, g_sslTransferIndex, userptr);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, VerifyCallback);
    return CURLE_OK;
}

DWORD MapCurlError(CURLcode rc, DWORD tlsFailure) {
    switch (rc) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_INTERNET_TIMEOUT;
        case CURLE_PEER_FAILED_VERIFICATION:
            // The chain passed the callback, so it was the host name.
            return tlsFailure != 0 ? tlsFailure : ERROR_INTERNET_SEC_CERT_CN_INVALID;
        case CURLE_SSL_CONNECT_ERROR:
            return tlsFailure != 0 ? tlsFailure : ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
            return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_TOO_MANY_REDIRECTS:
            return ERROR_HTTP_REDIRECT_FAILED;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            return ERROR_INTERNET_CONNECTION_RESET;
        case CURLE_PARTIAL_FILE:
            return ERROR_INTERNET_CONNECTION_ABORTED;
        case CURLE_URL_MALFORMAT:
            return ERROR_INTERNET_INVALID_URL;
        case CURLE_OUT_OF_MEMORY:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

}  // namespace wininet_layer
