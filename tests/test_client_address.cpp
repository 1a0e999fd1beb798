// GetClientIPAddress through the scripting interface, with name resolution
// answered by the test (no name server is asked).
#include <gtest/gtest.h>

#include <string>

#include "control/VemoMPIOCXCtrl.h"
#include "platform/winsock/winsock.h"
#include "tests/support/dispatch.h"

namespace {

int SeveralAddresses(const char*, uint32_t* addrs, int max) {
    const char* dotted[] = {"203.0.113.250", "10.0.0.1", "127.0.0.1"};
    int n = 0;
    for (const char* d : dotted)
        if (n < max) addrs[n++] = static_cast<uint32_t>(inet_addr(d));
    return n;
}

int OneAddress(const char*, uint32_t* addrs, int) {
    addrs[0] = static_cast<uint32_t>(inet_addr("192.168.255.128"));
    return 1;
}

int NoAddress(const char*, uint32_t*, int) { return -WSAHOST_NOT_FOUND; }

class ClientAddress : public ::testing::Test {
protected:
    void TearDown() override {
        WSASetResolverForTesting(nullptr);
        WSASetStartupErrorForTesting(0);
    }
    std::u16string Ask(WSAResolverForTesting resolver) {
        WSASetResolverForTesting(resolver);
        CVemoMPIOCXCtrl* ctrl = new CVemoMPIOCXCtrl();
        script::Result r = script::Call(ctrl, u"GetClientIPAddress");
        EXPECT_EQ(r.hr, S_OK);
        ctrl->Release();
        return r.Text();
    }
};

}  // namespace

TEST_F(ClientAddress, FirstAddressTheResolverLists) {
    EXPECT_EQ(Ask(SeveralAddresses), u"203.0.113.250");
    EXPECT_EQ(Ask(OneAddress), u"192.168.255.128") << "bytes above 127 are unsigned";
}

TEST_F(ClientAddress, NoAddressGivesZeros) {
    EXPECT_EQ(Ask(NoAddress), u"0.0.0.0");
}

TEST_F(ClientAddress, WinsockNotStartedGivesZeros) {
    ASSERT_EQ(WSAStartupCountForTesting(), 0);
    WSASetStartupErrorForTesting(WSASYSNOTREADY);
    WSASetResolverForTesting(SeveralAddresses);
    CVemoMPIOCXCtrl* ctrl = new CVemoMPIOCXCtrl();
    EXPECT_NE(ctrl->m_nSocketInitError, 0);
    script::Result r = script::Call(ctrl, u"GetClientIPAddress");
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.Text(), u"0.0.0.0");
    ctrl->Release();
}
