// The Winsock layer itself: start-up rules, handles, errors, time-outs and
// interruption by another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "platform/winsock/winsock.h"
#include "tests/support/loopback.h"

namespace {

SOCKET ConnectTo(unsigned short port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = static_cast<uint32_t>(inet_addr("127.0.0.1"));
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        int err = WSAGetLastError();
        closesocket(s);
        WSASetLastError(err);
        return INVALID_SOCKET;
    }
    return s;
}

int ThreeAddresses(const char*, uint32_t* addrs, int max) {
    const char* dotted[] = {"10.1.2.3", "192.0.2.7", "127.0.0.1"};
    int n = 0;
    for (const char* d : dotted)
        if (n < max) addrs[n++] = static_cast<uint32_t>(inet_addr(d));
    return n;
}

class Winsock : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override {
        WSASetResolverForTesting(nullptr);
        WSACleanup();
    }
};

}  // namespace

TEST(WinsockStartup, VersionNegotiation) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    EXPECT_EQ(WSACleanup(), 0);
    ASSERT_EQ(WSAStartup(MAKEWORD(3, 0), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2)) << "a higher request gets the highest version offered";
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSAStartup(MAKEWORD(0, 9), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
}

TEST(WinsockStartup, NothingWorksBeforeStartUp) {
    ASSERT_EQ(WSAStartupCountForTesting(), 0);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(gethostbyname("localhost"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST_F(Winsock, HandlesAreNeverReused) {
    SOCKET a = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(a, INVALID_SOCKET);
    EXPECT_EQ(closesocket(a), 0);
    SOCKET b = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(a, b);
    char c;
    EXPECT_EQ(recv(a, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send(12345, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    closesocket(b);
}

TEST_F(Winsock, RefusedConnectionAndUnsupportedOptions) {
    EXPECT_EQ(ConnectTo(loopback::UnusedPort()), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    int v = 1;
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, 0x7777, reinterpret_cast<const char*>(&v), sizeof(v)), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    DWORD ms = 100;
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), 2), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    closesocket(s);
}

TEST_F(Winsock, ReceiveTimeOutIsTimedOut) {
    loopback::Server server([](loopback::Connection& c) { c.WaitForClose(10000); });
    SOCKET s = ConnectTo(server.Port());
    ASSERT_NE(s, INVALID_SOCKET);
    DWORD ms = 300;
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof(ms)), 0);
    linger l{1, 3};
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof(l)), 0);
    char c;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(recv(s, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    closesocket(s);
}

TEST_F(Winsock, DescriptorIsReleasedOnlyAfterTheBlockedCallLeaves) {
    loopback::Server server([](loopback::Connection& c) { c.WaitForClose(10000); });
    SOCKET s = ConnectTo(server.Port());
    ASSERT_NE(s, INVALID_SOCKET);
    int open = WSAOpenDescriptorsForTesting();
    std::promise<void> entered;
    auto blocked = std::async(std::launch::async, [&] {
        char c;
        entered.set_value();
        int r = recv(s, &c, 1, 0);
        return std::make_pair(r, WSAGetLastError());
    });
    entered.get_future().wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(closesocket(s), 0);
    auto [r, err] = blocked.get();
    EXPECT_EQ(r, SOCKET_ERROR);
    EXPECT_EQ(err, WSAEINTR);
    EXPECT_EQ(WSAOpenDescriptorsForTesting(), open - 1);
}

TEST_F(Winsock, LastCleanUpResetsOpenSockets) {
    loopback::Server server([](loopback::Connection& c) { c.WaitForClose(10000); });
    SOCKET s = ConnectTo(server.Port());
    ASSERT_NE(s, INVALID_SOCKET);
    auto blocked = std::async(std::launch::async, [&] {
        char c;
        return recv(s, &c, 1, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(WSACleanup(), 0);
    ASSERT_EQ(blocked.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(blocked.get(), SOCKET_ERROR);
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);  // for TearDown
}

TEST_F(Winsock, AddressTextAndNames) {
    EXPECT_EQ(inet_addr("1.2.3.4"), htonl(0x01020304));
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(0x7F000001));
    EXPECT_EQ(inet_addr(""), INADDR_NONE);
    EXPECT_EQ(inet_addr("mpi.example"), INADDR_NONE);
    EXPECT_EQ(htons(0x1234), 0x3412);

    hostent* h = gethostbyname("localhost");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_length, 4);
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(h->h_addr_list[0]), inet_addr("127.0.0.1"));

    // The resolver's order is kept.
    WSASetResolverForTesting(ThreeAddresses);
    h = gethostbyname("");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(h->h_addr_list[0]), inet_addr("10.1.2.3"));
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(h->h_addr_list[2]), inet_addr("127.0.0.1"));
    EXPECT_EQ(h->h_addr_list[3], nullptr);
}
