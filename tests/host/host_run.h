// Runs vemompi-host as a child process, as a user or a script would: with a
// registry file of the test's own in which the module is registered by the
// regsvr tool, its output collected, and a bound after which it is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"

namespace hosttest {

struct Outcome {
    int code = -1;  // exit code; -1 when killed
    std::string out;
    std::string err;
};

// argv[0] is the program; extraEnv entries are "NAME=value".
inline Outcome RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                      int limitSeconds = 90) {
    Outcome r;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "LC_ALL", "LC_MESSAGES"})
            unsetenv(v);
        for (const auto& e : extraEnv) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline && !killed) {
            kill(pid, SIGKILL);
            killed = true;
        }
        if (poll(fds, 2, 200) < 0) break;
        for (auto& f : fds) {
            if (f.fd < 0 || (f.revents & (POLLIN | POLLHUP)) == 0) continue;
            char buf[4096];
            ssize_t n = read(f.fd, buf, sizeof buf);
            if (n <= 0) {
                close(f.fd);
                f.fd = -1;
                --open;
            } else {
                (f.fd == outPipe[0] ? r.out : r.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline bool ReadFile(const std::string& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

inline void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

inline bool HaveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d != nullptr && *d != '\0';
}

inline std::string Fixture(const std::string& name) { return std::string(VEMOMPI_HOST_FIXTURES) + "/" + name; }

// A registry of the test's own with the control's module registered in it.
class Host {
public:
    Host() {
        env_ = {"VEMOMPI_REGISTRY=" + dir_ / "registry.reg", "VEMOMPI_HOST_DEBUG=1", "NO_AT_BRIDGE=1",
                "LANG=en_US.UTF-8"};
        registered_ = RunProcess({VEMOMPI_REGSVR, VEMOMPI_MODULE}, env_, 30).code == 0;
    }
    bool Registered() const { return registered_; }
    // Registers another module in the same registry.
    bool Register(const std::string& module) { return RunProcess({VEMOMPI_REGSVR, module}, env_, 30).code == 0; }
    // With a display, a sanitizer build leaves the leak check out for the
    // child: the toolkit's GL stack (Mesa's, loaded with the display) keeps
    // allocations for the life of the process whose stacks cannot be named
    // or suppressed. Every other check stays on, and without a display the
    // leak check runs too.
    // moreEnv: "NAME=value" entries over the registry's and the rest.
    Outcome Start(std::vector<std::string> args, int limitSeconds = 90,
                  const std::vector<std::string>& moreEnv = {}) const {
        args.insert(args.begin(), VEMOMPI_HOST);
        std::vector<std::string> env = env_;
        env.insert(env.end(), moreEnv.begin(), moreEnv.end());
        const char* asan = std::getenv("ASAN_OPTIONS");
        if (HaveDisplay() && asan != nullptr) env.push_back(std::string("ASAN_OPTIONS=") + asan + ":detect_leaks=0");
        return RunProcess(args, env, limitSeconds);
    }
    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
    std::vector<std::string> env_;
    bool registered_ = false;
};

}  // namespace hosttest
