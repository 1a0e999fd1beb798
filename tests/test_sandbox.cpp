// The sandbox's web server and MPI service, spoken to over loopback.
#include <gtest/gtest.h>

#include <string>

#include "crypto/MPISeal.h"
#include "sandbox/MpiSandbox.h"
#include "tests/support/loopback.h"

namespace {

// Sends one raw request and returns the whole response.
std::string Exchange(unsigned short port, const std::string& request);

}  // namespace

TEST(SandboxForms, DecodingAndEscaping) {
    auto form = sandbox::DecodeForm("a=1&b=x+y%26z&empty=&flag&c=%B0%ZZ");
    ASSERT_EQ(form.size(), 5u);
    EXPECT_EQ(sandbox::FormValue(form, "b"), "x y&z");
    EXPECT_EQ(sandbox::FormValue(form, "empty"), "");
    EXPECT_EQ(form[3].first, "flag");
    EXPECT_EQ(sandbox::FormValue(form, "c"), "\xB0%ZZ");
    EXPECT_EQ(sandbox::HtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(SandboxMpi, ReadsBothRequestFormsAndAnswersSixFields) {
    sandbox::MpiSandbox mpi;
    CMPIUtil util;
    std::string list = "SHOP|Name|http://shop|4111222233334444|2029|07|00|1000|KRW|desc|";
    char sealed[MPI_SEALED_MAX_SIZE];
    ASSERT_GT(MPISealParam(util, list.data(), list.size(), sealed, sizeof(sealed)), 0);
    std::string body = std::string("data=") + sealed;
    std::string response = Exchange(mpi.Server().Port(), "POST /mpi/enroll HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                                                             std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(response.find("<body>0|Enrolled|"), std::string::npos);
    EXPECT_NE(response.find("|" + mpi.TermUrl() + "</body>"), std::string::npos);

    std::string plain = "mall_id=SHOP&mall_name=A & B&cardnum=1234";
    Exchange(mpi.Server().Port(), "POST /mpi/enroll HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(plain.size()) +
                                      "\r\n\r\n" + plain);
    auto seen = mpi.Enrollments();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].sealed);
    EXPECT_EQ(seen[0].fieldCount, 11u);
    EXPECT_EQ(sandbox::FormValue(seen[0].fields, "cardnum"), "4111222233334444");
    EXPECT_EQ(sandbox::FormValue(seen[0].fields, "installment"), "00");
    EXPECT_FALSE(seen[1].sealed);
    EXPECT_EQ(sandbox::FormValue(seen[1].fields, "mall_name"), "A ") << "an unescaped & splits the field";

    std::string missing = Exchange(mpi.Server().Port(), "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(missing.rfind("HTTP/1.1 404", 0), 0u);
}

namespace {

std::string Exchange(unsigned short port, const std::string& request) {
    return loopback::Request(port, request, 10000);
}

}  // namespace
