// Runs the Windows tools under Wine for the tests of the Windows module: a
// prefix of the test's own (or the one that scripts/test-windows.sh made,
// named by VEMOMPI_WINEPREFIX), wine64 found where Debian puts it, Unix
// paths turned into Wine's, and `reg query` output read back into keys.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/host_run.h"
#include "tests/support/tempdir.h"

namespace winetest {

inline bool IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

inline bool IsDir(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The first executable of that name on PATH, or "".
inline std::string OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    return "";
}

// wine64: VEMOMPI_WINE64, Debian's loader, or the one on PATH; "" when none.
inline std::string Wine64() {
    const char* given = std::getenv("VEMOMPI_WINE64");
    if (given != nullptr && *given != '\0') return IsFile(given) ? given : "";
    if (IsFile("/usr/lib/wine/wine64")) return "/usr/lib/wine/wine64";
    return OnPath("wine64");
}

inline std::string WineServer() {
    if (IsFile("/usr/lib/wine/wineserver")) return "/usr/lib/wine/wineserver";
    return OnPath("wineserver");
}

// "/tmp/a b/x.js" -> "Z:\tmp\a b\x.js" (Wine maps Z: to the root).
inline std::string WinePath(const std::string& unixPath) {
    std::string out = "Z:";
    for (char c : unixPath) out.push_back(c == '/' ? '\\' : c);
    return out;
}

// Output with the CRs of Windows' line ends taken out.
inline std::string Lines(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out.push_back(c);
    return out;
}

// Runs a Wine program with its output in files rather than pipes: the
// processes that Wine starts beside it (wineserver, services.exe, the
// desktop) inherit its standard handles and outlive it by seconds, and a
// pipe would stay open until they end. Killed after limitSeconds (code -1).
inline hosttest::Outcome RunWine(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                                 int limitSeconds) {
    static int serial = 0;
    static TempDir outputs;
    std::string out = outputs / ("out" + std::to_string(++serial)), err = outputs / ("err" + std::to_string(serial));
    hosttest::Outcome r;
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        if (o < 0 || e < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(o, 1);
        dup2(e, 2);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "LC_ALL", "LC_MESSAGES"})
            unsetenv(v);
        for (const auto& v : extraEnv) putenv(const_cast<char*>(v.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) return r;
    int status = 0;
    bool ended = false;
    // Bounded: 20 ms steps up to the limit, then the kill.
    for (long step = 0; step < limitSeconds * 50L && !ended; ++step) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) usleep(20000);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    r.code = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    hosttest::ReadFile(out, &r.out);
    hosttest::ReadFile(err, &r.err);
    remove(out.c_str());
    remove(err.c_str());
    return r;
}

// One Wine prefix for the whole test program: made on first use (about ten
// seconds), its wineserver stopped and its folder removed at the end. A
// prefix named by VEMOMPI_WINEPREFIX is used as it is and left in place.
class Prefix {
public:
    static Prefix& Get() {
        static Prefix prefix;
        return prefix;
    }
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Env() const {
        return {"WINEPREFIX=" + path_, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "LANG=en_US.UTF-8"};
    }
    // wine64 with these arguments, killed after limitSeconds. When Wine's
    // loader could not start the program at all (it then hands the name to
    // start.exe, which says "ShellExecuteEx failed"), which was seen once on
    // a loaded machine while the prefix's services were starting, the
    // command is tried again, at most twice, with the reason printed.
    hosttest::Outcome Run(std::vector<std::string> args, int limitSeconds = 60) const {
        args.insert(args.begin(), Wine64());
        hosttest::Outcome r = RunWine(args, Env(), limitSeconds);
        for (int again = 0; again < 2 && r.code != 0 && NotStarted(r); ++again) {
            std::fprintf(stderr, "under Wine: %s did not start (%s), tried again\n", args[1].c_str(),
                         "ShellExecuteEx failed");
            sleep(2);
            r = RunWine(args, Env(), limitSeconds);
        }
        return r;
    }
    ~Prefix() {
        if (!path_.empty() && !WineServer().empty()) RunWine({WineServer(), "-k"}, Env(), 30);
    }

private:
    static bool NotStarted(const hosttest::Outcome& r) {
        return (r.out + r.err).find("ShellExecuteEx failed") != std::string::npos;
    }
    Prefix() {
        const char* given = std::getenv("VEMOMPI_WINEPREFIX");
        if (given != nullptr && *given != '\0') {
            path_ = given;
            ready_ = IsDir(path_);
            if (!ready_) error_ = "VEMOMPI_WINEPREFIX " + path_ + " is not a folder";
            return;
        }
        dir_ = std::make_unique<TempDir>();
        path_ = *dir_ / "prefix";
        // Made without the display: with one, Wine's first processes in
        // the new prefix wait for its desktop window, ten seconds and more.
        std::vector<std::string> env = Env();
        env.push_back("DISPLAY=");
        hosttest::Outcome r = RunWine({Wine64(), "wineboot", "-i"}, env, 180);
        // The registry reaches its files when the server ends.
        if (r.code == 0 && !WineServer().empty()) RunWine({WineServer(), "-w"}, Env(), 60);
        ready_ = r.code == 0 && IsFile(path_ + "/system.reg");
        // One server for all the commands of the run, rather than one that
        // ends three seconds after each command and a new one that starts
        // with the next (it ends by itself ten minutes after the last one,
        // should the kill at the end never come).
        if (ready_ && !WineServer().empty()) RunWine({WineServer(), "-p600"}, Env(), 30);
        if (!ready_) error_ = "wineboot -i failed (" + std::to_string(r.code) + "): " + r.err;
    }
    std::unique_ptr<TempDir> dir_;
    std::string path_;
    bool ready_ = false;
    std::string error_;
};

// Registry names compare without regard to case, as the registry's do
// ("ProgID" finds a key written as "ProgId").
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i) {
            int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

inline std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// `reg query KEY /s` read back: key path -> value name -> data, the default
// value under "(Default)". Key paths are as reg prints them
// (HKEY_CLASSES_ROOT\...).
using Values = std::map<std::string, std::string, NoCase>;
using Keys = std::map<std::string, Values, NoCase>;

inline Keys ParseRegQuery(const std::string& output) {
    Keys keys;
    std::stringstream in(Lines(output));
    std::string line, key;
    while (std::getline(in, line)) {
        if (line.rfind("HKEY_", 0) == 0) {
            key = line;
            keys[key];
        } else if (!key.empty() && line.rfind("    ", 0) == 0) {
            std::string rest = line.substr(4);
            size_t a = rest.find("    ");
            if (a == std::string::npos) continue;
            std::string name = rest.substr(0, a);
            std::string typeAndData = rest.substr(a + 4);
            size_t b = typeAndData.find("    ");
            keys[key][name] = b == std::string::npos ? "" : typeAndData.substr(b + 4);
        }
    }
    return keys;
}

}  // namespace winetest
