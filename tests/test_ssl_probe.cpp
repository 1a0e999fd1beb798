// The SSL provider probe: the description of a provider file under the four
// language/code-page pairs in their order, cut to the output, and the
// system directory in which the authentication looks for schannel.dll.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "crypto/MPIUtil.h"
#include "tests/support/pe_image.h"
#include "tests/support/tempdir.h"

namespace {

pe::StringTable Table(const char16_t* key, const char16_t* description) {
    return pe::StringTable{key, {{u"CompanyName", u"Example"}, {u"FileDescription", description}}};
}

class SslProbe : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    void TearDown() override { unsetenv("VEMOMPI_SYSTEM_DIR"); }

    std::string Provider(const std::vector<pe::StringTable>& tables, bool plus = false, const char* name = "schannel.dll") {
        pe::VersionInfo info;
        info.tables = tables;
        std::string path = dir / name;
        pe::WriteFile(path, pe::Image(plus, pe::Resources::Version, pe::VersionResource(info)));
        return path;
    }
    // The probe's result and output.
    std::pair<int, std::string> Probe(const std::string& path, int size = 1024) {
        std::string out(static_cast<size_t>(size > 0 ? size : 0) + 16, 'Q');
        int rc = util.GetSSLVersion(path.c_str(), out.data(), size);
        EXPECT_EQ(out.substr(out.size() - 16), std::string(16, 'Q')) << "written past the output";
        return {rc, std::string(out.c_str())};
    }

    TempDir dir;
    CMPIUtil util;
};

}  // namespace

TEST_F(SslProbe, EachPairIsFoundWhenItIsTheOnlyOne) {
    struct Case {
        const char16_t* key;
        const char* description;
    } cases[] = {
        {u"040904B0", "English Unicode"},
        {u"040904e4", "English Latin-1"},
        {u"041204B0", "Korean Unicode"},
        {u"041204E4", "Korean Latin-1"},
    };
    for (bool plus : {false, true}) {
        for (const Case& c : cases) {
            std::u16string desc(c.description, c.description + std::strlen(c.description));
            std::string file = Provider({Table(c.key, desc.c_str())}, plus);
            EXPECT_EQ(Probe(file), std::make_pair(1, std::string(c.description)));
        }
    }
}

TEST_F(SslProbe, PairsAreTriedInOrder) {
    // A Korean Unicode description is found only after both English pairs fail.
    std::string file = Provider({Table(u"041204B0", u"third"), Table(u"041204E4", u"fourth"), Table(u"040904E4", u"second")});
    EXPECT_EQ(Probe(file).second, "second");
    file = Provider({Table(u"041204E4", u"fourth"), Table(u"041204B0", u"third")});
    EXPECT_EQ(Probe(file).second, "third");
    file = Provider({Table(u"041204E4", u"fourth"), Table(u"040904B0", u"first"), Table(u"040904E4", u"second")});
    EXPECT_EQ(Probe(file).second, "first");
}

TEST_F(SslProbe, NoDescriptionUnderThePairs) {
    EXPECT_EQ(Probe(Provider({Table(u"040704B0", u"German")})), std::make_pair(0, std::string(1040, 'Q')));
    pe::StringTable noDescription{u"040904B0", {{u"CompanyName", u"Example"}}};
    EXPECT_EQ(Probe(Provider({noDescription})).first, 0);

    pe::WriteFile(dir / "plain.dll", pe::Image(true, pe::Resources::OtherTypeOnly));
    EXPECT_EQ(Probe(dir / "plain.dll").first, 0) << "no version resource";
    std::string image = pe::Image(false, pe::Resources::Version,
                                  pe::VersionResource(pe::VersionInfo{0, 0, {Table(u"040904B0", u"cut")}, {}}));
    pe::WriteFile(dir / "cut.dll", image.substr(0, image.size() / 2 + 0x100));
    EXPECT_EQ(Probe(dir / "cut.dll").first, 0) << "truncated";
    EXPECT_EQ(Probe(dir / "missing.dll").first, 0);
}

TEST_F(SslProbe, LongDescriptionIsCutToTheOutput) {
    std::string file = Provider({Table(u"040904B0", u"TLS / SSL Security Provider")});
    EXPECT_EQ(Probe(file, 16), std::make_pair(1, std::string("TLS / SSL Secur")));
    EXPECT_EQ(Probe(file, 28), std::make_pair(1, std::string("TLS / SSL Security Provider")));
    EXPECT_EQ(Probe(file, 27), std::make_pair(1, std::string("TLS / SSL Security Provide")));
    EXPECT_EQ(Probe(file, 1), std::make_pair(1, std::string()));
    EXPECT_EQ(Probe(file, 0).first, 0) << "no room even for the NUL";
}

TEST_F(SslProbe, ExportGradeProviderIsRecognisedByItsDescription) {
    // The probe hands back the whole description, byte for byte, so that a
    // comparison with the two export descriptions tells those providers
    // from every other one.
    for (const char* exported : {MPI_SSL_EXPORT_PROVIDER_TLS, MPI_SSL_EXPORT_PROVIDER_PCT}) {
        std::u16string desc(exported, exported + std::strlen(exported));
        EXPECT_EQ(Probe(Provider({Table(u"040904B0", desc.c_str())})), std::make_pair(1, std::string(exported)));
    }
    for (const char16_t* other : {u"TLS / SSL Security Provider", u"TLS / SSL Security Provider (Export Version) Update"}) {
        auto [rc, description] = Probe(Provider({Table(u"040904B0", other)}));
        EXPECT_EQ(rc, 1);
        EXPECT_NE(description, MPI_SSL_EXPORT_PROVIDER_TLS);
        EXPECT_NE(description, MPI_SSL_EXPORT_PROVIDER_PCT);
    }
}

TEST_F(SslProbe, SchannelIsLookedForInTheSystemDirectory) {
    setenv("VEMOMPI_SYSTEM_DIR", (dir.path() + "/").c_str(), 1);
    char system[MAX_PATH];
    UINT len = GetSystemDirectoryA(system, sizeof(system));
    EXPECT_EQ(std::string(system), dir.path()) << "no trailing separator";
    EXPECT_EQ(len, dir.path().size());

    Provider({Table(u"040904B0", u"PCT / SSL Security Provider (Export Version)")});
    std::string path = std::string(system) + "\\schannel.dll";  // the way the authentication builds it
    EXPECT_EQ(Probe(path), std::make_pair(1, std::string(MPI_SSL_EXPORT_PROVIDER_PCT)));

    // An ordinary Linux machine has no such file in the default directory.
    unsetenv("VEMOMPI_SYSTEM_DIR");
    len = GetSystemDirectoryA(system, sizeof(system));
    EXPECT_STREQ(system, "/usr/lib/vemompi/system32");
    EXPECT_EQ(len, std::strlen(system));
    EXPECT_EQ(Probe(std::string(system) + "\\schannel.dll").first, 0);
}

TEST_F(SslProbe, SystemDirectoryFollowsWindowsBufferRules) {
    std::string longDir = "/" + std::string(258, 'd');  // 259 characters: fits MAX_PATH with its NUL
    setenv("VEMOMPI_SYSTEM_DIR", longDir.c_str(), 1);
    char buf[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buf, sizeof(buf)), 259u);
    EXPECT_EQ(std::string(buf), longDir);

    setenv("VEMOMPI_SYSTEM_DIR", (longDir + "d").c_str(), 1);
    std::memset(buf, 'Q', sizeof(buf));
    EXPECT_EQ(GetSystemDirectoryA(buf, sizeof(buf)), 261u) << "the size needed, NUL included";
    EXPECT_EQ(buf[0], 'Q') << "the buffer is left alone";
    EXPECT_EQ(GetSystemDirectoryA(nullptr, 0), 261u);
}
