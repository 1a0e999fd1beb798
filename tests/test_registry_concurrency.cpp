// The registry file under concurrent use: readers never see a half-written
// file, and writers in several threads and several processes never lose
// each other's changes, and leave no lock file behind.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

namespace {

constexpr size_t kBigSize = 40000;  // large enough that writing the file takes several system calls

LONG SetText(HKEY key, const std::string& name, const std::string& text) {
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

// One writer: sets its own counter value `rounds` times and, each time, the
// shared large value to a text of one letter.
bool Write(int writer, int rounds) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Load", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (int i = 1; i <= rounds && ok; ++i) {
        ok = SetText(key, "w" + std::to_string(writer), std::to_string(i)) == ERROR_SUCCESS;
        char letter = static_cast<char>('a' + (writer * 7 + i) % 26);
        ok = ok && SetText(key, "big", std::string(kBigSize, letter)) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

// One reading pass: the key opens, and the large value, when it is there,
// is whole and of one letter. Returns an empty text or what went wrong.
std::string ReadOnce(std::vector<char>& buf) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Load", 0, KEY_READ, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return "";  // before the first write
    if (rc != ERROR_SUCCESS) return "open failed with " + std::to_string(rc);
    DWORD size = static_cast<DWORD>(buf.size());
    rc = RegQueryValueExA(key, "big", nullptr, nullptr, reinterpret_cast<LPBYTE>(buf.data()), &size);
    RegCloseKey(key);
    if (rc == ERROR_FILE_NOT_FOUND) return "";
    if (rc != ERROR_SUCCESS) return "query failed with " + std::to_string(rc);
    if (size != kBigSize + 1) return "size " + std::to_string(size);
    for (size_t i = 1; i < kBigSize; ++i)
        if (buf[i] != buf[0]) return "mixed value";
    return "";
}

std::string Counter(HKEY key, int writer) {
    char buf[32];
    DWORD size = sizeof(buf);
    std::string name = "w" + std::to_string(writer);
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<LPBYTE>(buf), &size) != ERROR_SUCCESS)
        return "<missing>";
    return buf;
}

class RegistryConcurrency : public ::testing::Test {
protected:
    void SetUp() override { setenv("VEMOMPI_REGISTRY", (dir / "registry.reg").c_str(), 1); }
    void TearDown() override { unsetenv("VEMOMPI_REGISTRY"); }

    // Once the writers are done, only the registry file is left in its
    // folder: no lock file, no temporary file.
    void ExpectOnlyTheFile() {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.path().c_str())) {
            while (struct dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            closedir(d);
        }
        EXPECT_EQ(names, std::vector<std::string>{"registry.reg"});
    }
    void ExpectAllCounters(int writers, int rounds) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Load", 0, KEY_READ, &key), ERROR_SUCCESS);
        for (int w = 0; w < writers; ++w) EXPECT_EQ(Counter(key, w), std::to_string(rounds)) << "writer " << w;
        RegCloseKey(key);
    }
    TempDir dir;
};

}  // namespace

TEST_F(RegistryConcurrency, WriterThreadsAndReaderThreads) {
    const int kWriters = 4, kRounds = 25;
    std::atomic<int> writersLeft{kWriters};
    std::atomic<int> failedWriters{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            if (!Write(w, kRounds)) ++failedWriters;
            --writersLeft;
        });
    }
    std::vector<std::string> readerFaults(2);
    std::atomic<int> reads{0};
    for (int r = 0; r < 2; ++r) {
        threads.emplace_back([&, r] {
            std::vector<char> buf(kBigSize + 16);
            while (writersLeft.load() > 0 && readerFaults[r].empty()) {
                readerFaults[r] = ReadOnce(buf);
                ++reads;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failedWriters.load(), 0);
    for (const std::string& fault : readerFaults) EXPECT_EQ(fault, "");
    EXPECT_GT(reads.load(), 0);
    ExpectAllCounters(kWriters, kRounds);
    ExpectOnlyTheFile();
}

TEST_F(RegistryConcurrency, WriterProcessesAndAReader) {
    const int kWriters = 3, kRounds = 20;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(Write(w, kRounds) ? 0 : 1);
        children.push_back(pid);
    }
    std::vector<char> buf(kBigSize + 16);
    std::string fault;
    std::vector<bool> done(children.size(), false);
    size_t finished = 0;
    while (finished < children.size()) {
        if (fault.empty()) fault = ReadOnce(buf);
        for (size_t i = 0; i < children.size(); ++i) {
            int status = 0;
            if (done[i] || waitpid(children[i], &status, fault.empty() ? WNOHANG : 0) == 0) continue;
            done[i] = true;
            ++finished;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << i << " failed";
        }
    }
    EXPECT_EQ(fault, "");
    ExpectAllCounters(kWriters, kRounds);
    ExpectOnlyTheFile();
}
