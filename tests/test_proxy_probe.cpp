// The proxy probe, directly and through the control's GetClientProxySetting,
// over registry files that take every branch of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "control/VemoMPIOCXCtrl.h"
#include "tests/support/dispatch.h"
#include "tests/support/tempdir.h"

namespace {

const char kKey[] = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\n";

class ProxyProbe : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir / "registry.reg";
        setenv("VEMOMPI_REGISTRY", file.c_str(), 1);
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"}) unsetenv(name);
    }
    void TearDown() override {
        unsetenv("VEMOMPI_REGISTRY");
        unsetenv("http_proxy");
    }
    // The Internet settings key with these value lines.
    void Settings(const std::string& values) {
        std::ofstream out(file, std::ios::trunc);
        out << "Windows Registry Editor Version 5.00\n\n" << kKey << values;
    }
    // The probe, and the control's answer through its scripting interface.
    int Probe() {
        int direct = util.IsProxyEnv();
        CVemoMPIOCXCtrl* ctrl = new CVemoMPIOCXCtrl();
        script::Result r = script::Call(ctrl, u"GetClientProxySetting");
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.value.vt, VT_I2);
        EXPECT_EQ(r.Long(), direct) << "the control answers what the probe finds";
        ctrl->Release();
        return direct;
    }

    TempDir dir;
    std::string file;
    CMPIUtil util;
};

}  // namespace

TEST_F(ProxyProbe, AutomaticConfigurationScriptCountsAsAProxy) {
    Settings("\"AutoConfigURL\"=\"http://wpad.example/proxy.pac\"\n\"ProxyEnable\"=dword:00000000\n");
    EXPECT_EQ(Probe(), 1);
    Settings("\"AutoConfigURL\"=\"\"\n\"ProxyEnable\"=dword:00000000\n\"ProxyServer\"=\"proxy:8080\"\n");
    EXPECT_EQ(Probe(), 0) << "an empty script address says nothing";
}

TEST_F(ProxyProbe, EnabledProxyNeedsAServer) {
    Settings("\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"proxy.example:8080\"\n");
    EXPECT_EQ(Probe(), 1);
    Settings("\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"\"\n");
    EXPECT_EQ(Probe(), 0);
    Settings("\"ProxyEnable\"=dword:00000001\n");
    EXPECT_EQ(Probe(), 0);
    Settings("\"ProxyEnable\"=dword:00000000\n\"ProxyServer\"=\"proxy.example:8080\"\n");
    EXPECT_EQ(Probe(), 0) << "a server that is not enabled";
    Settings("\"ProxyEnable\"=dword:ffffffff\n\"ProxyServer\"=\"p:1\"\n");
    EXPECT_EQ(Probe(), 1) << "any value but 0 enables";
    Settings("\"ProxyEnable\"=hex:01,00,00,00\n\"ProxyServer\"=\"p:1\"\n");
    EXPECT_EQ(Probe(), 1) << "the four bytes written as binary data";
}

TEST_F(ProxyProbe, ValuesOfTheWrongKindOrSizeCountAsAbsent) {
    Settings("\"ProxyEnable\"=\"1\"\n\"ProxyServer\"=\"proxy:8080\"\n");
    EXPECT_EQ(Probe(), 0) << "ProxyEnable as text";
    Settings("\"AutoConfigURL\"=dword:00000001\n");
    EXPECT_EQ(Probe(), 0) << "AutoConfigURL as a number";

    // Texts are read into 1024 bytes: 1023 characters and the NUL.
    Settings("\"AutoConfigURL\"=\"" + std::string(1023, 'a') + "\"\n");
    EXPECT_EQ(Probe(), 1);
    Settings("\"AutoConfigURL\"=\"" + std::string(1024, 'a') + "\"\n");
    EXPECT_EQ(Probe(), 0);
    Settings("\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"" + std::string(1023, 's') + "\"\n");
    EXPECT_EQ(Probe(), 1);
    Settings("\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"" + std::string(1024, 's') + "\"\n");
    EXPECT_EQ(Probe(), 0);
}

TEST_F(ProxyProbe, SettingsThatCannotBeOpenedWithFullAccessCountAsAProxy) {
    Settings("\"ProxyEnable\"=dword:00000000\n");
    EXPECT_EQ(Probe(), 0);
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);  // a registry the process may not change
    EXPECT_EQ(Probe(), 1);

    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    std::ofstream(file, std::ios::trunc) << "this is not a registry file\n";
    EXPECT_EQ(Probe(), 1);
}

TEST_F(ProxyProbe, WithoutARegistryFileTheEnvironmentSpeaks) {
    EXPECT_EQ(Probe(), 0) << "an ordinary machine: no proxy";
    setenv("http_proxy", "http://proxy.example:3128/", 1);
    EXPECT_EQ(Probe(), 1);
    Settings("\"ProxyEnable\"=dword:00000000\n");
    EXPECT_EQ(Probe(), 0) << "the file's own setting wins";
}
