// The PE version-resource reader: any file, read with GetFileVersionInfoA
// into a block of the size asked for or smaller, and looked up with
// VerQueryValueA as the SSL provider probe does (which runs over it too).
// Every value found lies inside the block; every text ends in its NUL.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "crypto/MPIUtil.h"
#include "platform/version/version.h"

namespace {

const std::string& FilePath() {
    // In memory where the system offers it: the file is written for every input.
    static const std::string path =
        ((std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                     : std::filesystem::temp_directory_path()) /
         ("fuzz_version_" + std::to_string(getpid()) + ".dll"))
            .string();
    return path;
}

void CheckValue(const unsigned char* block, size_t size, const char* query, bool text) {
    LPVOID value = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block, query, &value, &len)) return;
    const auto* p = static_cast<const unsigned char*>(value);
    if (p < block || p + len > block + size) std::abort();
    // A text comes in the room after the resource, in the ANSI code page
    // with its NUL; a value the resource marks as binary comes as its bytes.
    size_t resourceLength = static_cast<size_t>(block[0] | (block[1] << 8));
    if (static_cast<size_t>(p - block) < resourceLength) text = false;
    if (text && (len == 0 || p[len - 1] != '\0' || std::strlen(reinterpret_cast<const char*>(p)) != len - 1)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A byte choosing the block's size and the probe's output size, then the file.
    if (size < 1) return 0;
    uint8_t choice = data[0];
    {
        std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    const char* file = FilePath().c_str();
    DWORD handle = 1;
    DWORD need = GetFileVersionInfoSizeA(file, &handle);
    if (handle != 0) std::abort();
    if (need != 0) {
        size_t blockSize = (choice & 0x80) ? need * (choice & 0x7F) / 128 : need;
        std::unique_ptr<unsigned char[]> block(new unsigned char[blockSize]);
        if (GetFileVersionInfoA(file, 0, static_cast<DWORD>(blockSize), block.get())) {
            CheckValue(block.get(), blockSize, "\\", false);
            CheckValue(block.get(), blockSize, "\\VarFileInfo\\Translation", false);
            LPVOID pairs = nullptr;
            UINT bytes = 0;
            if (VerQueryValueA(block.get(), "\\VarFileInfo\\Translation", &pairs, &bytes)) {
                for (UINT k = 0; k + 4 <= bytes && k < 16; k += 4) {
                    const auto* t = static_cast<const unsigned char*>(pairs) + k;
                    char query[64];
                    std::snprintf(query, sizeof(query), "\\StringFileInfo\\%02x%02x%02x%02x\\FileDescription", t[1], t[0],
                                  t[3], t[2]);
                    CheckValue(block.get(), blockSize, query, true);
                }
            }
            CheckValue(block.get(), blockSize, "\\StringFileInfo\\040904B0\\FileDescription", true);
            CheckValue(block.get(), blockSize, "\\StringFileInfo\\041204b0\\ProductName", true);
        }
    }
    // The probe, into an output of exactly the size it is told.
    int outSize = 1 + (choice & 0x3F);
    std::unique_ptr<char[]> out(new char[static_cast<size_t>(outSize)]);
    CMPIUtil util;
    size_t room = static_cast<size_t>(outSize);
    if (util.GetSSLVersion(file, out.get(), outSize) == 1 && strnlen(out.get(), room) >= room) std::abort();
    std::remove(file);  // the fuzzer may end without running exit handlers
    return 0;
}
