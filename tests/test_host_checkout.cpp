// The example merchant page, examples/checkout.html, served as a merchant's
// site beside the sandbox and paid for in vemompi-host by the demonstration's
// driver: the attempts card succeeds and nothing is reported; the password
// card succeeds with the demonstration's cardholder typing the password at
// the issuer; a card that is not enrolled and a result page without a
// record fail on the page and send a sealed report. Every run leaves a
// picture of each page the dialog showed and one of its end.
#include <gtest/gtest.h>

#include <cstdio>
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
    Outcome Pay(const std::string& card, const std::string& shots, bool cardholder = false) {
        std::vector<std::string> args = {mpi.Server().Url("/shop/checkout.html#" + card), "--driver",
                                         VEMOMPI_DEMO_DRIVER, "--screenshots", shots, "--timeout", "60"};
        if (cardholder) args.insert(args.end(), {"--cardholder", VEMOMPI_DEMO_CARDHOLDER});
        return host.Start(args);
    }
    // The dialog's pictures the run named, in order, as their files' bytes.
    std::vector<std::string> DialogPictures(const Outcome& r, const std::string& shots) {
        std::vector<std::string> out;
        for (int n = 1; n < 100; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "/dialog-%02d.png", n);
            if (!Has(r.out, "screenshot " + shots + name + "\n")) break;
            std::string bytes;
            EXPECT_TRUE(hosttest::ReadFile(shots + name, &bytes)) << name;
            out.push_back(bytes);
        }
        return out;
    }
    Host host;
    sandbox::MpiSandbox mpi;
};

}  // namespace

TEST_F(HostCheckout, TheAttemptsCardIsAuthenticated) {
    Outcome r = Pay("4000000000000028", host.Dir() / "shots");
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
    // The wait page, the issuer's page and the end, each as it was shown.
    std::vector<std::string> pictures = DialogPictures(r, host.Dir() / "shots");
    ASSERT_GE(pictures.size(), 3u) << r.out;
    for (size_t i = 1; i < pictures.size(); ++i)
        EXPECT_TRUE(pictures[i] != pictures[i - 1]) << "dialog pictures " << i << " and " << i + 1 << " are the same";
    EXPECT_FALSE(Has(r.out, "screenshot " + host.Dir() / "shots" + "/dialog-05.png")) << r.out;
}

TEST_F(HostCheckout, ThePasswordCardIsAuthenticatedWithTheCardholdersPassword) {
    Outcome r = Pay("4000000000000010", host.Dir() / "shots", true);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "cardholder: password typed at Issuer Authentication\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "cardholder: submitted\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "outcome: success - Payment authenticated (Authenticated, ECI 05).")) << r.out;
    std::vector<std::string> pictures = DialogPictures(r, host.Dir() / "shots");
    ASSERT_EQ(pictures.size(), 3u) << "the wait page, the password page, the end: " << r.out;
    EXPECT_TRUE(pictures[0] != pictures[1]) << "the wait page and the password page";
    ASSERT_EQ(mpi.TermPosts().size(), 1u);
    EXPECT_EQ(sandbox::FormValue(mpi.TermPosts()[0], "pw"), "1234") << "typed into the issuer's page";
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
        std::string shots = host.Dir() / c.card;
        Outcome r = Pay(c.card, shots);
        EXPECT_EQ(r.code, 1) << c.card << r.out << r.err;
        EXPECT_TRUE(Has(r.out, std::string("outcome: failure - ") + c.shown)) << r.out;
        std::vector<sandbox::Report> got = mpi.Reports();
        ASSERT_EQ(got.size(), ++reports) << c.card;
        EXPECT_TRUE(got.back().sealed[0] && got.back().sealed[1] && got.back().sealed[2]);
        EXPECT_EQ(got.back().data[0], std::string("shop=SHOP01&rc=") + c.rc);
        EXPECT_EQ(got.back().data[1], c.codes);
        EXPECT_GE(DialogPictures(r, shots).size(), 1u) << "a failing card's dialog leaves its pictures: " << r.out;
    }
}
