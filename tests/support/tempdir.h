// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <ftw.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vemompi-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempDir() {
        // Write permission may have been taken away by the test; give it back first.
        nftw(path_.c_str(), [](const char* p, const struct stat*, int type, struct FTW*) {
            if (type == FTW_D || type == FTW_DP) chmod(p, 0700);
            return 0;
        }, 16, FTW_PHYS);
        nftw(path_.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 16,
             FTW_DEPTH | FTW_PHYS);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
