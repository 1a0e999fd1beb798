// vemompi-seal: seals a text as the control puts it into a form body, or
// opens a sealed parameter that the control sent.
//
//   vemompi-seal seal < text      prints the sealed parameter and a newline
//   vemompi-seal open < sealed    prints the text, byte for byte
//   vemompi-seal --help           the usage, on standard output
//   vemompi-seal --version        the tool's name and the module's version
//
// Exit codes: 0 done (and --help, --version); 1 standard output could not
// be written; 2 refused (text too long, sealed parameter that fails a
// check), with one line on standard error, or a usage error or unknown
// option, with the usage on standard error.

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "crypto/MPISeal.h"
#include "tools/ToolOptions.h"
#include "platform/win/win.h"

namespace {

const char kTool[] = "vemompi-seal";
const char kUsage[] =
    "usage: vemompi-seal seal|open  (reads standard input)\n"
    "       vemompi-seal --help | --version\n"
    "seal: prints the sealed parameter of the text on standard input (at most 4092\n"
    "bytes, taken as given) and a newline. open: prints the text of the sealed\n"
    "parameter on standard input, byte for byte.\n"
    "Exit codes: 0 done, 1 output failed, 2 refused or a usage error.\n";

// Reads standard input, at most `limit` bytes plus one (so that an input
// over the limit can be told apart). Returns false on a read error.
bool ReadInput(size_t limit, std::string* out) {
    out->clear();
    char buf[4096];
    while (out->size() <= limit) {
        ssize_t n = ::read(STDIN_FILENO, buf, sizeof(buf));
        if (n < 0) return false;
        if (n == 0) break;
        out->append(buf, static_cast<size_t>(n));
    }
    if (out->size() > limit + 1) out->resize(limit + 1);
    return true;
}

int Refuse(const char* message) {
    std::fprintf(stderr, "vemompi-seal: %s\n", message);
    return 2;
}

bool WriteAll(const char* data, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(STDOUT_FILENO, data, n);
        if (w <= 0) return false;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

int Seal() {
    std::string text;
    if (!ReadInput(MPI_SEAL_MAX_TEXT, &text)) return Refuse("cannot read standard input");
    if (text.size() > MPI_SEAL_MAX_TEXT) return Refuse("the text is longer than the 4092 bytes that sealing accepts");
    static char sealed[MPI_SEALED_MAX_SIZE];
    CMPIUtil util;
    int n = MPISealParam(util, text.data(), text.size(), sealed, sizeof(sealed));
    SecureZeroMemory(text.data(), text.size());
    if (n < 1) return Refuse("sealing failed");
    sealed[n] = '\n';
    bool written = WriteAll(sealed, static_cast<size_t>(n) + 1);
    SecureZeroMemory(sealed, sizeof(sealed));
    return written ? 0 : 1;
}

int Open() {
    std::string sealed;
    if (!ReadInput(MPI_SEALED_MAX_SIZE, &sealed)) return Refuse("cannot read standard input");
    if (sealed.size() > MPI_SEALED_MAX_SIZE) return Refuse("the input is longer than any sealed parameter");
    while (!sealed.empty() && (sealed.back() == '\n' || sealed.back() == '\r')) sealed.pop_back();
    std::string text, error;
    bool opened = MPIOpenSealedParam(sealed.data(), sealed.size(), &text, &error);
    SecureZeroMemory(sealed.data(), sealed.size());
    if (!opened) return Refuse(error.c_str());
    bool written = WriteAll(text.data(), text.size());
    SecureZeroMemory(text.data(), text.size());
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        int answered = tooloptions::AnswerCommon(argv[i], kTool, kUsage);
        if (answered >= 0) return answered;
    }
    // The texts it handles may be card data: never in a core dump.
    VemoDisableCoreDumps();
    // Sealed parameters and texts pass byte for byte.
    VemoSetBinaryStdio();
    if (argc == 2 && std::strcmp(argv[1], "seal") == 0) return Seal();
    if (argc == 2 && std::strcmp(argv[1], "open") == 0) return Open();
    const char* wrong = nullptr;
    for (int i = 1; i < argc && wrong == nullptr; ++i)
        if (std::strcmp(argv[i], "seal") != 0 && std::strcmp(argv[i], "open") != 0) wrong = argv[i];
    return tooloptions::Refuse(kTool, kUsage, wrong, 2);
}
