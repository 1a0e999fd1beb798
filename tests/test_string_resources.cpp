// The module's string table: the lookup in the system language, and the
// copy into a caller's buffer as Windows makes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/afx/afxresstr.h"
#include "resources/VemoMPIOCX_rc.h"
#include "resources/VemoMPIOCX_str.h"

namespace {

class StringResources : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    void TearDown() override { setenv("LANG", "en_US.UTF-8", 1); }
};

}  // namespace

TEST_F(StringResources, SslWarningInBothLanguages) {
    CString text;
    ASSERT_TRUE(AfxLoadString(IDS_SSL_WARNING, text));
    EXPECT_STREQ(text, "Warning : Your Browser can not support 128BIT SSL. Please update your browser's SSL level. ");
    setenv("LANG", "ko_KR.UTF-8", 1);
    ASSERT_TRUE(AfxLoadString(IDS_SSL_WARNING, text));
    EXPECT_STREQ(text, IDS_SSL_WARNING_TEXT_KO);
    // Code page 949: "브라우저가" opens it.
    EXPECT_EQ(std::string(text).rfind("\xBA\xEA\xB6\xF3\xBF\xEC\xC0\xFA\xB0\xA1 128", 0), 0u);
    // Any other language gets the English text.
    setenv("LANG", "de_DE.UTF-8", 1);
    ASSERT_TRUE(AfxLoadString(IDS_SSL_WARNING, text));
    EXPECT_EQ(text.GetLength(), static_cast<int>(sizeof(IDS_SSL_WARNING_TEXT_EN) - 1));
}

TEST_F(StringResources, LoadStringCutsToTheBuffer) {
    const int whole = static_cast<int>(sizeof(IDS_SSL_WARNING_TEXT_EN) - 1);
    char buf[256];
    for (int size : {whole + 1, whole, 2, 1}) {
        std::memset(buf, 'Q', sizeof(buf));
        int n = LoadString(AfxGetResourceHandle(), IDS_SSL_WARNING, buf, size);
        int expected = size - 1 < whole ? size - 1 : whole;
        EXPECT_EQ(n, expected) << size;
        EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), std::string(IDS_SSL_WARNING_TEXT_EN, static_cast<size_t>(n)));
        EXPECT_EQ(buf[n], '\0');
        EXPECT_EQ(buf[size], 'Q') << "nothing past the buffer";
    }
    std::memset(buf, 'Q', sizeof(buf));
    EXPECT_EQ(LoadString(AfxGetResourceHandle(), IDS_SSL_WARNING, buf, 0), 0);
    EXPECT_EQ(buf[0], 'Q');
    EXPECT_EQ(LoadString(AfxGetResourceHandle(), IDS_SSL_WARNING, nullptr, 10), 0);
}

TEST_F(StringResources, MissingStrings) {
    char buf[16] = "unchanged";
    EXPECT_EQ(LoadString(AfxGetResourceHandle(), 4321, buf, sizeof(buf)), 0);
    EXPECT_STREQ(buf, "unchanged");
    EXPECT_EQ(LoadString(AfxGetResourceHandle(), 0x10000 + IDS_SSL_WARNING, buf, sizeof(buf)), 0) << "ids are 16 bits";
    CString text("kept");
    EXPECT_FALSE(AfxLoadString(4321, text));
    EXPECT_STREQ(text, "kept");
}
