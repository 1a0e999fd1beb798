#include "tests/support/tls.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>

#include "tests/support/http.h"

namespace tlstest {

namespace {

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Issued {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test PKI: ") + what);
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// A certificate for `name`, valid from now + fromDays to now + toDays,
// signed by the issuer (self-signed when it is null).
Issued Issue(const char* commonName, const char* altNames, long fromDays, long toDays, const Issued* issuer, bool ca) {
    static long serial = 1;
    Issued out;
    out.key = EVP_EC_gen("P-256");
    Check(out.key != nullptr, "key");
    out.cert = X509_new();
    X509_set_version(out.cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(out.cert), serial++);
    X509_gmtime_adj(X509_getm_notBefore(out.cert), fromDays * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(out.cert), toDays * 86400L);
    X509_set_pubkey(out.cert, out.key);
    X509_NAME* name = X509_get_subject_name(out.cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("VemoMPI tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509* issuerCert = issuer != nullptr ? issuer->cert : out.cert;
    X509_set_issuer_name(out.cert, X509_get_subject_name(issuerCert));
    if (ca) {
        AddExtension(out.cert, issuerCert, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(out.cert, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(out.cert, issuerCert, NID_basic_constraints, "CA:FALSE");
        AddExtension(out.cert, issuerCert, NID_subject_alt_name, altNames);
        AddExtension(out.cert, issuerCert, NID_ext_key_usage, "serverAuth");
    }
    Check(X509_sign(out.cert, issuer != nullptr ? issuer->key : out.key, EVP_sha256()) > 0, "sign");
    return out;
}

std::string CertPem(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string out(data, static_cast<size_t>(n));
    BIO_free(bio);
    return out;
}

std::string KeyPem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string out(data, static_cast<size_t>(n));
    BIO_free(bio);
    return out;
}

Credentials Export(const Issued& i) { return Credentials{CertPem(i.cert), KeyPem(i.key)}; }

void Free(Issued& i) {
    X509_free(i.cert);
    EVP_PKEY_free(i.key);
}

Pki MakePki() {
    Pki pki;
    Issued ca = Issue("VemoMPI Test Authority", nullptr, -1, 30, nullptr, true);
    Issued other = Issue("Untrusted Authority", nullptr, -1, 30, nullptr, true);
    Issued good = Issue("127.0.0.1", "IP:127.0.0.1,DNS:localhost", -1, 30, &ca, false);
    Issued expired = Issue("127.0.0.1", "IP:127.0.0.1,DNS:localhost", -30, -1, &ca, false);
    Issued wrong = Issue("wrong-name.test", "DNS:wrong-name.test", -1, 30, &ca, false);
    Issued foreign = Issue("127.0.0.1", "IP:127.0.0.1,DNS:localhost", -1, 30, &other, false);
    pki.good = Export(good);
    pki.expired = Export(expired);
    pki.wrongName = Export(wrong);
    pki.otherAuthority = Export(foreign);

    char dir[] = "/tmp/vemompi-pki-XXXXXX";
    Check(mkdtemp(dir) != nullptr, "temporary directory");
    pki.caFile = std::string(dir) + "/ca.pem";
    FILE* f = std::fopen(pki.caFile.c_str(), "w");
    Check(f != nullptr, "CA file");
    std::string pem = CertPem(ca.cert);
    std::fwrite(pem.data(), 1, pem.size(), f);
    std::fclose(f);
    for (Issued* i : {&ca, &other, &good, &expired, &wrong, &foreign}) Free(*i);
    return pki;
}

bool LoadCredentials(SSL_CTX* ctx, const Credentials& c) {
    BIO* cb = BIO_new_mem_buf(c.certPem.data(), static_cast<int>(c.certPem.size()));
    X509* cert = PEM_read_bio_X509(cb, nullptr, nullptr, nullptr);
    BIO_free(cb);
    BIO* kb = BIO_new_mem_buf(c.keyPem.data(), static_cast<int>(c.keyPem.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(kb, nullptr, nullptr, nullptr);
    BIO_free(kb);
    bool ok = cert != nullptr && key != nullptr && SSL_CTX_use_certificate(ctx, cert) == 1 &&
              SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    return ok;
}

}  // namespace

const Pki& TestPki() {
    static const Pki pki = MakePki();
    return pki;
}

TlsServer::TlsServer(const Credentials& credentials, std::string reply, int maxConnections, unsigned short port)
    : credentials_(credentials), reply_(std::move(reply)) {
    // OpenSSL writes with write(): a client that gave up must not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    bool bound = ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    // A fixed port may be held for a moment by another test run.
    for (int k = 0; !bound && port != 0 && k < 100; ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bound = ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    if (bound && ::listen(listenFd_, 16) == 0) {
        socklen_t len = sizeof(addr);
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    thread_ = std::thread(&TlsServer::Run, this, maxConnections);
}

TlsServer::~TlsServer() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
}

std::vector<std::string> TlsServer::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

std::vector<std::string> TlsServer::ClearRequests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return clear_;
}

bool TlsServer::WaitFinished(int n, int timeoutMs) const {
    int64_t deadline = NowMs() + timeoutMs;
    while (finished_.load() < n) {
        if (NowMs() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void TlsServer::Run(int maxConnections) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr || !LoadCredentials(ctx, credentials_)) {
        SSL_CTX_free(ctx);
        return;
    }
    int64_t deadline = NowMs() + 120000;  // never outlives two minutes
    while (!stop_.load() && accepted_.load() < maxConnections && NowMs() < deadline) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        timeval tv{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
        // A handshake begins with a record of type 22; anything else is a
        // client speaking in clear text.
        char first = 0;
        pollfd in{fd, POLLIN, 0};
        if (::poll(&in, 1, 5000) > 0 && ::recv(fd, &first, 1, MSG_PEEK) == 1 && first != 0x16) {
            std::string clear;
            char buf[4096];
            for (int k = 0; k < 1000 && !httptest::RequestComplete(clear); ++k) {
                ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
                if (n <= 0) break;
                clear.append(buf, static_cast<size_t>(n));
            }
            ::close(fd);
            {
                std::lock_guard<std::mutex> guard(lock_);
                clear_.push_back(clear);
                received_.push_back(std::string());
            }
            ++finished_;
            continue;
        }
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        std::string got;
        if (SSL_accept(ssl) == 1) {
            ++handshakes_;
            char buf[4096];
            for (int k = 0; k < 1000 && !httptest::RequestComplete(got); ++k) {
                int n = SSL_read(ssl, buf, sizeof(buf));
                if (n <= 0) break;
                got.append(buf, static_cast<size_t>(n));
            }
            SSL_write(ssl, reply_.data(), static_cast<int>(reply_.size()));
            SSL_shutdown(ssl);
        }
        ERR_clear_error();
        SSL_free(ssl);
        ::close(fd);
        {
            std::lock_guard<std::mutex> guard(lock_);
            received_.push_back(got);
        }
        ++finished_;
    }
    SSL_CTX_free(ctx);
}

}  // namespace tlstest
