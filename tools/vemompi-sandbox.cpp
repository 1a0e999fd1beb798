// vemompi-sandbox: the remote parties of an authentication on 127.0.0.1,
// with the test cards: the MPI service (wait page "/VemoMPI/Wait.html",
// enrollment "/mpi/enroll", result page "/MPI/VerifyPARes"), the issuer's
// ACS "/acs/auth" and a report server "/report".
//
//   vemompi-sandbox [--port N] [--pages DIR]
//
// With --pages, the files of DIR are a merchant's site at "/shop/<file>"
// (a checkout page opened from there has an http address of its own).
//
// Prints its base address on the first line, then one line for every
// request it serves (card numbers and cryptograms masked), and stops on
// SIGINT or SIGTERM. Exit codes: 0 stopped by a signal; 2 usage error or a
// port that cannot be had.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/win/win.h"
#include "sandbox/MpiSandbox.h"
#include "sandbox/ShopPages.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: vemompi-sandbox [--port N] [--pages DIR]\n");
    return 2;
}

bool ParsePort(const char* text, unsigned short* port) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 65535) return false;
    *port = static_cast<unsigned short>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    VemoDisableCoreDumps();  // it opens sealed requests: card data stays out of core dumps
    unsigned short port = 0;
    std::string pages;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            if (!ParsePort(argv[++i], &port)) return Usage();
        } else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) {
            pages = argv[++i];
        } else {
            return Usage();
        }
    }
    // The signals wait for the main thread alone: the server's threads,
    // started below, inherit the blocked set.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    std::mutex out;
    sandbox::MpiSandbox mpi(port);
    if (mpi.Server().Port() == 0) {
        std::fprintf(stderr, "vemompi-sandbox: cannot listen on 127.0.0.1:%u\n", static_cast<unsigned>(port));
        return 2;
    }
    mpi.UseTestCards(true);
    if (!pages.empty()) sandbox::ServeShopPages(mpi.Server(), pages);
    mpi.SetRequestLog([&out](const std::string& line) {
        std::lock_guard<std::mutex> guard(out);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    });
    {
        std::lock_guard<std::mutex> guard(out);
        std::printf("%s\n", mpi.Server().Url("/").c_str());
        std::fflush(stdout);
    }
    int sig = 0;
    sigwait(&stop, &sig);
    mpi.SetRequestLog(nullptr);
    mpi.Server().Stop();
    std::fprintf(stderr, "vemompi-sandbox: stopped (%s)\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}
