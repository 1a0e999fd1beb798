// The example merchant page, examples/checkout.html, served as a merchant's
// site beside the sandbox and paid for in vemompi-host by the demonstration's
// driver: the attempts card succeeds and nothing is reported; a card that is
// not enrolled and a result page without a record fail on the page and send
// a sealed report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sandbox/MpiSandbox.h"
#include "sandbox/ShopPages.h"
#include "tests/host/host_run.h"

using hosttest::Host;
using hosttest::Outcome;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class HostCheckout : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hosttest::HaveDisplay()) GTEST_SKIP() << "no display";
        ASSERT_TRUE(host.Registered());
        mpi.UseTestCards(true);
        sandbox::ServeShopPages(mpi.Server(), VEMOMPI_EXAMPLES);
    }
    Outcome Pay(const std::string& card) {
        return host.Start({mpi.Server().Url("/shop/checkout.html#" + card), "--driver", VEMOMPI_DEMO_DRIVER,
                           "--screenshots", host.Dir() / "shots", "--timeout", "60"});
    }
    Host host;
    sandbox::MpiSandbox mpi;
};

}  // namespace

TEST_F(HostCheckout, TheAttemptsCardIsAuthenticated) {
    Outcome r = Pay("4000000000000028");
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "outcome: success - Payment authenticated (Attempted, ECI 06).")) << r.out;
    EXPECT_TRUE(Has(r.out, "Code2 = A\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "realPan = ************0028\n")) << r.out;
    EXPECT_FALSE(Has(r.out, "AAABBJAgdQAAAAAAAAAAAAAAAAA=")) << "the cryptogram is printed masked";
    EXPECT_TRUE(Has(r.out, "screenshot " + host.Dir() / "shots" + "/checkout.png\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "screenshot " + host.Dir() / "shots" + "/result.png\n")) << r.out;
    ASSERT_EQ(mpi.Enrollments().size(), 1u);
    EXPECT_EQ(sandbox::FormValue(mpi.Enrollments()[0].fields, "mall_url"), "http://127.0.0.1") << "the shop's site";
    EXPECT_TRUE(mpi.Reports().empty());
}

TEST_F(HostCheckout, FailuresAreShownAndReported) {
    struct Case {
        const char* card;
        const char* shown;
        const char* rc;
        const char* codes;
    } cases[] = {
        {"4000000000000044", "The card could not be authenticated: Card not enrolled.", "31", "code1=31&code2="},
        {"4000000000000093", "The card could not be authenticated: ", "12004", "code1=0&code2="},
    };
    size_t reports = 0;
    for (const auto& c : cases) {
        Outcome r = Pay(c.card);
        EXPECT_EQ(r.code, 1) << c.card << r.out << r.err;
        EXPECT_TRUE(Has(r.out, std::string("outcome: failure - ") + c.shown)) << r.out;
        std::vector<sandbox::Report> got = mpi.Reports();
        ASSERT_EQ(got.size(), ++reports) << c.card;
        EXPECT_TRUE(got.back().sealed[0] && got.back().sealed[1] && got.back().sealed[2]);
        EXPECT_EQ(got.back().data[0], std::string("shop=SHOP01&rc=") + c.rc);
        EXPECT_EQ(got.back().data[1], c.codes);
    }
}
