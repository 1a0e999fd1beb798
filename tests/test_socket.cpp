// The Winsock helper against loopback peers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "tests/support/loopback.h"
#include "transport/MPISocket.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::atomic<int> g_lookups{0};

int FailingResolver(const char*, uint32_t*, int) {
    ++g_lookups;
    return -WSAHOST_NOT_FOUND;
}

class SocketHelper : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(helper.SocketInit(), 0); }
    void TearDown() override {
        WSASetResolverForTesting(nullptr);
        helper.SocketClose(0);
    }
    CMPISocket helper;
};

}  // namespace

TEST_F(SocketHelper, ReceiveReturnsWhatCameBeforeTheClose) {
    loopback::Server server([](loopback::Connection& c) { c.Send("abcd"); });
    INT_PTR s = helper.SocketConnect("127.0.0.1", server.Port(), 5);
    ASSERT_GT(s, 0);
    char buf[10] = {0};
    EXPECT_EQ(helper.SocketRecv(static_cast<SOCKET>(s), buf, 10), 4);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(helper.SocketRecv(static_cast<SOCKET>(s), buf, 0), 0);
    EXPECT_EQ(helper.SocketRecv(static_cast<SOCKET>(s), buf, -3), 0);
    closesocket(static_cast<SOCKET>(s));
}

TEST_F(SocketHelper, SilentPeerGivesMinusOneAfterTheReceiveTimeOut) {
    loopback::Server server([](loopback::Connection& c) { c.WaitForClose(10000); });
    INT_PTR s = helper.SocketConnect("127.0.0.1", server.Port(), 1);
    ASSERT_GT(s, 0);
    char buf[4];
    auto start = Clock::now();
    EXPECT_EQ(helper.SocketRecv(static_cast<SOCKET>(s), buf, 4), -1);
    EXPECT_GE(MsSince(start), 900);
    EXPECT_LT(MsSince(start), 10000);
    closesocket(static_cast<SOCKET>(s));
}

TEST_F(SocketHelper, CloseFromAnotherThreadEndsABlockedReceivePromptly) {
    loopback::Server server([](loopback::Connection& c) { c.WaitForClose(10000); });
    INT_PTR s = helper.SocketConnect("127.0.0.1", server.Port(), 0);
    ASSERT_GT(s, 0);
    int before = WSAOpenDescriptorsForTesting();
    std::atomic<long long> returnedAt{0};
    auto origin = Clock::now();
    auto result = std::async(std::launch::async, [&] {
        char buf[16];
        int r = helper.SocketRecv(static_cast<SOCKET>(s), buf, sizeof(buf));
        returnedAt = MsSince(origin);
        return r;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    long long closedAt = MsSince(origin);
    EXPECT_EQ(closesocket(static_cast<SOCKET>(s)), 0);
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(result.get(), -WSAENOTSOCK) << "the interrupted receive, then the handle is gone";
    EXPECT_LT(returnedAt.load() - closedAt, 100);
    EXPECT_EQ(WSAOpenDescriptorsForTesting(), before - 1);
}

TEST_F(SocketHelper, SendDeliversEverything) {
    std::string payload(1 << 20, 'x');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>('a' + i % 26);
    std::string got;
    loopback::Server server([&](loopback::Connection& c) { got = c.ReadExactly(payload.size(), 20000); });
    INT_PTR s = helper.SocketConnect("127.0.0.1", server.Port(), 0);
    ASSERT_GT(s, 0);
    EXPECT_EQ(helper.SocketSend(static_cast<SOCKET>(s), payload.data(), static_cast<int>(payload.size())),
              static_cast<int>(payload.size()));
    ASSERT_TRUE(server.WaitFinished(1, 20000));
    EXPECT_EQ(got, payload);
    closesocket(static_cast<SOCKET>(s));
    // A send on a closed socket reports the negated error.
    EXPECT_EQ(helper.SocketSend(static_cast<SOCKET>(s), "x", 1), -WSAENOTSOCK);
}

TEST_F(SocketHelper, ConnectFailuresAreMinusOne) {
    EXPECT_EQ(helper.SocketConnect("127.0.0.1", loopback::UnusedPort(), 0), -1);
}

TEST_F(SocketHelper, DottedAddressIsNotLookedUpAndUnknownNamesUseTheFallback) {
    WSASetResolverForTesting(FailingResolver);
    g_lookups = 0;
    loopback::Server server([](loopback::Connection& c) { c.Send("hi"); }, 2);
    INT_PTR a = helper.SocketConnect("127.0.0.1", server.Port(), 5);
    ASSERT_GT(a, 0);
    EXPECT_EQ(g_lookups.load(), 0);
    closesocket(static_cast<SOCKET>(a));

    // The name fails to resolve; the connection goes to the fallback address,
    // the local machine, where the server listens.
    INT_PTR b = helper.SocketConnect("mpi.example.invalid", server.Port(), 5);
    ASSERT_GT(b, 0);
    EXPECT_EQ(g_lookups.load(), 1);
    char buf[4] = {0};
    EXPECT_EQ(helper.SocketRecv(static_cast<SOCKET>(b), buf, 2), 2);
    EXPECT_STREQ(buf, "hi");
    closesocket(static_cast<SOCKET>(b));
}

TEST(SocketLibrary, StartUpAndCleanUp) {
    CMPISocket helper;
    int base = WSAStartupCountForTesting();
    ASSERT_EQ(helper.SocketInit(), 0);
    EXPECT_EQ(WSAStartupCountForTesting(), base + 1);
    helper.SocketClose(0);
    EXPECT_EQ(WSAStartupCountForTesting(), base);

    // A library that offers only version 1.1 is refused and left shut down.
    WSASetOfferedVersionForTesting(MAKEWORD(1, 1));
    EXPECT_EQ(helper.SocketInit(), -1);
    EXPECT_EQ(WSAStartupCountForTesting(), base);
    WSASetOfferedVersionForTesting(MAKEWORD(2, 2));

    // A failing start-up returns its error unchanged.
    WSASetStartupErrorForTesting(WSASYSNOTREADY);
    EXPECT_EQ(helper.SocketInit(), WSASYSNOTREADY);
    WSASetStartupErrorForTesting(0);
    EXPECT_EQ(WSAStartupCountForTesting(), base);
}
