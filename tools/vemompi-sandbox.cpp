// vemompi-sandbox: the remote parties of an authentication on 127.0.0.1,
// with the test cards: the MPI service (wait page "/VemoMPI/Wait.html",
// enrollment "/mpi/enroll", result page "/MPI/VerifyPARes"), the issuer's
// ACS "/acs/auth" and a report server "/report".
//
//   vemompi-sandbox [--port N] [--pages DIR]
//   vemompi-sandbox --help | --version
//
// With --pages, the files of DIR are a merchant's site at "/shop/<file>"
// (a checkout page opened from there has an http address of its own); a
// DIR that is not a folder is refused.
//
// Prints its base address on the first line, then one line for every
// request it serves, the merchant's pages too, on standard output: a
// report's line shows its three parameters as opened (unsealed). Card
// numbers and cryptograms are masked in every line. Stops on SIGINT or
// SIGTERM. Exit codes: 0 stopped by a signal (and --help, --version); 2 a
// usage error or unknown option (the usage goes to standard error), a
// --pages DIR that is not a folder, or a port that cannot be had.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>

#include "platform/win/win.h"
#include "sandbox/MpiSandbox.h"
#include "sandbox/ShopPages.h"
#include "tools/ToolOptions.h"

namespace {

const char kTool[] = "vemompi-sandbox";
const char kUsage[] =
    "usage: vemompi-sandbox [--port N] [--pages DIR]\n"
    "       vemompi-sandbox --help | --version\n"
    "Serves the MPI service, the issuer's ACS and a report server with the test cards\n"
    "on 127.0.0.1 (port N, or a free one), and with --pages the files of DIR at\n"
    "/shop/<file>. Prints its base address, then one line per request (card numbers\n"
    "and cryptograms masked); stops on SIGINT or SIGTERM.\n"
    "Exit codes: 0 stopped by a signal, 2 a usage error, a DIR that is not a folder,\n"
    "or a port that cannot be had.\n";

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
    bool havePages = false;
    for (int i = 1; i < argc; ++i) {
        int answered = tooloptions::AnswerCommon(argv[i], kTool, kUsage);
        if (answered >= 0) return answered;
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            if (!ParsePort(argv[++i], &port)) return tooloptions::Refuse(kTool, kUsage, argv[i], 2);
        } else if (std::strcmp(argv[i], "--pages") == 0 && i + 1 < argc) {
            pages = argv[++i];
            havePages = true;
        } else {
            return tooloptions::Refuse(kTool, kUsage, argv[i], 2);
        }
    }
    if (havePages) {
        struct stat st;
        if (pages.empty() || stat(pages.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(stderr, "vemompi-sandbox: --pages %s: no such folder\n", pages.c_str());
            return 2;
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
    auto print = [&out](const std::string& line) {
        std::lock_guard<std::mutex> guard(out);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    sandbox::MpiSandbox mpi(port);
    if (mpi.Server().Port() == 0) {
        std::fprintf(stderr, "vemompi-sandbox: cannot listen on 127.0.0.1:%u\n", static_cast<unsigned>(port));
        return 2;
    }
    mpi.UseTestCards(true);
    if (havePages) sandbox::ServeShopPages(mpi.Server(), pages, print);
    mpi.SetRequestLog(print);
    print(mpi.Server().Url("/"));
    int sig = 0;
    sigwait(&stop, &sig);
    mpi.SetRequestLog(nullptr);
    mpi.Server().Stop();
    std::fprintf(stderr, "vemompi-sandbox: stopped (%s)\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}
