#include "tests/support/proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <thread>

#include "tests/support/loopback.h"

extern char** environ;

namespace proxytest {

namespace {

bool Accepting(unsigned short port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

Tinyproxy::Tinyproxy() {
    const char* binary = nullptr;
    for (const char* candidate : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy"}) {
        if (::access(candidate, X_OK) == 0) binary = candidate;
    }
    if (binary == nullptr) {
        error_ = "tinyproxy is not installed (scripts/install-deps.sh installs it)";
        return;
    }
    char dir[] = "/tmp/vemompi-proxy-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        error_ = "no temporary directory";
        return;
    }
    dir_ = dir;
    unsigned short port = loopback::UnusedPort();
    std::string conf = dir_ + "/tinyproxy.conf";
    FILE* f = std::fopen(conf.c_str(), "w");
    if (f == nullptr) {
        error_ = "cannot write the configuration";
        return;
    }
    std::fprintf(f,
                 "Port %u\nListen 127.0.0.1\nTimeout 20\nMaxClients 10\nAllow 127.0.0.1\n"
                 "LogFile \"%s/tinyproxy.log\"\nLogLevel Info\nPidFile \"%s/tinyproxy.pid\"\n",
                 port, dir_.c_str(), dir_.c_str());
    std::fclose(f);

    std::string out = dir_ + "/output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addclose(&actions, 0);
    char* argv[] = {const_cast<char*>("tinyproxy"), const_cast<char*>("-d"), const_cast<char*>("-c"),
                    const_cast<char*>(conf.c_str()), nullptr};
    pid_t pid = -1;
    int rc = posix_spawn(&pid, binary, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error_ = "cannot start tinyproxy";
        return;
    }
    pid_ = pid;
    // Ready once it accepts connections; give up after five seconds.
    for (int k = 0; k < 100; ++k) {
        if (Accepting(port)) {
            port_ = port;
            return;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "tinyproxy ended at once (see " + out + ")";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error_ = "tinyproxy did not start listening";
}

Tinyproxy::~Tinyproxy() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int k = 0; k < 100 && !ended; ++k) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }
}

std::string Tinyproxy::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

}  // namespace proxytest
