// The options every command-line tool answers alike: --help prints the
// tool's usage on standard output and exits 0; --version prints one line,
// the tool's name and the module's version. An option the tool does not know
// prints the usage on standard error, and the tool exits with its usage
// error code.
#pragma once

#include <cstdio>
#include <cstring>

#include "resources/VemoMPIOCX_version.h"

namespace tooloptions {

// -1 when `arg` is neither --help nor --version (the tool goes on);
// otherwise the exit code, after answering.
inline int AnswerCommon(const char* arg, const char* tool, const char* usage) {
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (std::strcmp(arg, "--version") == 0) {
        std::printf("%s %s\n", tool, VEMOMPI_VERSION_TEXT);
        return 0;
    }
    return -1;
}

// An option the tool does not know (or a usage error): the usage on
// standard error, with the offending argument named when there is one.
inline int Refuse(const char* tool, const char* usage, const char* arg, int code) {
    if (arg != nullptr) std::fprintf(stderr, "%s: unknown option or argument \"%s\"\n", tool, arg);
    std::fputs(usage, stderr);
    return code;
}

}  // namespace tooloptions
