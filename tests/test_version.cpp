// The version-information layer: version resources of PE32 and PE32+ files,
// lookups in the block, ANSI texts, and clean refusal of damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/version/version.h"
#include "tests/support/pe_image.h"
#include "tests/support/tempdir.h"

namespace {

pe::VersionInfo SchannelLike() {
    pe::VersionInfo info;
    info.tables.push_back({u"040904b0",
                           {{u"CompanyName", u"Example Corporation"},
                            {u"FileDescription", u"TLS / SSL Security Provider"},
                            {u"FileVersion", u"6.1.7601.23451"}}});
    info.translations = {0x04B00409};
    return info;
}

std::string Query(const std::vector<unsigned char>& block, const char* path, UINT* len = nullptr) {
    LPVOID value = nullptr;
    UINT n = 0;
    if (!VerQueryValueA(block.data(), path, &value, &n)) return "<absent>";
    if (len != nullptr) *len = n;
    return static_cast<const char*>(value);
}

std::vector<unsigned char> ReadBlock(const std::string& file) {
    DWORD handle = 7;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, block.data())) block.clear();
    return block;
}

class Version : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    void TearDown() override { setenv("LANG", "en_US.UTF-8", 1); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir / name;
        pe::WriteFile(path, bytes);
        return path;
    }
    TempDir dir;
};

}  // namespace

TEST_F(Version, ReadsPe32AndPe32Plus) {
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        std::string file = Write("schannel.dll", pe::Image(plus, pe::Resources::Version, pe::VersionResource(SchannelLike())));
        std::vector<unsigned char> block = ReadBlock(file);
        ASSERT_FALSE(block.empty());

        LPVOID value = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &len));
        ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, value, sizeof(fixed));
        EXPECT_EQ(fixed.dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00060001u);

        ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &len));
        ASSERT_EQ(len, 4u);
        EXPECT_EQ(static_cast<unsigned char*>(value)[0], 0x09);

        // The table is keyed "040904b0" in the file; lookups ignore case.
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileDescription", &len), "TLS / SSL Security Provider");
        EXPECT_EQ(len, std::strlen("TLS / SSL Security Provider") + 1) << "bytes with the NUL";
        EXPECT_EQ(Query(block, "\\stringfileinfo\\040904b0\\fileversion"), "6.1.7601.23451");
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\ProductName"), "<absent>");
        EXPECT_EQ(Query(block, "\\StringFileInfo\\041204B0\\FileDescription"), "<absent>");
        EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileDescription\\More"), "<absent>");
    }
}

TEST_F(Version, TextsComeBackInTheAnsiCodePage) {
    pe::VersionInfo info;
    info.tables.push_back({u"041204B0", {{u"FileDescription", u"보안 공급자"}, {u"Comments", u"Café €5"}}});
    std::string file = Write("ko.dll", pe::Image(false, pe::Resources::Version, pe::VersionResource(info)));

    setenv("LANG", "ko_KR.UTF-8", 1);
    std::vector<unsigned char> block = ReadBlock(file);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(Query(block, "\\StringFileInfo\\041204B0\\FileDescription"), "\xBA\xB8\xBE\xC8 \xB0\xF8\xB1\xDE\xC0\xDA");

    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(Query(block, "\\StringFileInfo\\041204B0\\Comments"), "Caf\xE9 \x80" "5");
    EXPECT_EQ(Query(block, "\\StringFileInfo\\041204B0\\FileDescription"), "?? ???") << "no Korean in code page 1252";
}

TEST_F(Version, TextLengthCountedInBytesStillEndsAtItsNul) {
    pe::VersionInfo info;
    info.tables.push_back({u"040904B0", {{u"FileDescription", u"Provider", true}, {u"FileVersion", u"1.0", true}}});
    std::vector<unsigned char> block =
        ReadBlock(Write("bytes.dll", pe::Image(true, pe::Resources::Version, pe::VersionResource(info))));
    EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileDescription"), "Provider");
    EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileVersion"), "1.0");
}

TEST_F(Version, FilesWithoutVersionInformation) {
    struct Case {
        const char* name;
        std::string bytes;
        DWORD error;
    } cases[] = {
        {"no-resources.dll", pe::Image(false, pe::Resources::None), ERROR_RESOURCE_DATA_NOT_FOUND},
        {"other-resources.dll", pe::Image(true, pe::Resources::OtherTypeOnly), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"text.dll", "this is not an image", ERROR_BAD_EXE_FORMAT},
        {"empty.dll", "", ERROR_BAD_EXE_FORMAT},
        {"not-a-version.dll", pe::Image(false, pe::Resources::Version, std::string(64, '\x10')), ERROR_INVALID_DATA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = Write(c.name, c.bytes);
        SetLastError(0);
        EXPECT_EQ(GetFileVersionInfoSizeA(file.c_str(), nullptr), 0u);
        EXPECT_EQ(GetLastError(), c.error);
        std::vector<unsigned char> block(8192);
        EXPECT_FALSE(GetFileVersionInfoA(file.c_str(), 0, 8192, block.data()));
    }
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA((dir / "missing.dll").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileVersionInfoSizeA(dir.path().c_str(), nullptr), 0u) << "a directory";
}

TEST_F(Version, WindowsSeparatorsInFileNames) {
    std::string file = Write("sep.dll", pe::Image(false, pe::Resources::Version, pe::VersionResource(SchannelLike())));
    std::string windowsName = dir.path() + "\\sep.dll";
    EXPECT_GT(GetFileVersionInfoSizeA(windowsName.c_str(), nullptr), 0u);
}

TEST_F(Version, EveryTruncationIsRefusedCleanly) {
    for (bool plus : {false, true}) {
        pe::Layout layout;
        std::string image = pe::Image(plus, pe::Resources::Version, pe::VersionResource(SchannelLike()), &layout);
        for (size_t cut = 0; cut < image.size(); ++cut) {
            std::string file = Write("cut.dll", image.substr(0, cut));
            DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
            if (cut < layout.resourceDataEnd) {
                ASSERT_EQ(size, 0u) << "cut at " << cut;
                continue;
            }
            // Only section padding is missing: the resource itself is whole.
            std::vector<unsigned char> block(size);
            ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
            EXPECT_EQ(Query(block, "\\StringFileInfo\\040904B0\\FileDescription"), "TLS / SSL Security Provider");
        }
    }
}

TEST_F(Version, SmallBlocksKeepWhatFitsAndNeverOverrun) {
    pe::VersionInfo info = SchannelLike();
    info.tables[0].strings.push_back({u"Comments", std::u16string(300, u'c')});
    std::string file = Write("big.dll", pe::Image(false, pe::Resources::Version, pe::VersionResource(info)));
    DWORD full = GetFileVersionInfoSizeA(file.c_str(), nullptr);
    ASSERT_GT(full, 0u);

    const unsigned char kGuard = 0xA5;
    bool sawCut = false, sawWhole = false;
    for (DWORD len = 0; len <= full; ++len) {
        std::vector<unsigned char> buffer(len + 64, kGuard);
        BOOL ok = GetFileVersionInfoA(file.c_str(), 0, len, buffer.data());
        for (size_t i = len; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kGuard) << "written past " << len;
        if (!ok) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
            continue;
        }
        // Every text is either whole or absent, never cut.
        std::string comments = Query(buffer, "\\StringFileInfo\\040904B0\\Comments");
        EXPECT_TRUE(comments == "<absent>" || comments == std::string(300, 'c')) << len;
        for (size_t i = len; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kGuard) << "query wrote past " << len;
        sawCut = sawCut || comments == "<absent>";
        sawWhole = sawWhole || comments != "<absent>";
    }
    EXPECT_TRUE(sawCut);
    EXPECT_TRUE(sawWhole);
}

TEST_F(Version, RandomDamageIsRefusedOrReadWithinBounds) {
    pe::VersionInfo info = SchannelLike();
    info.tables.push_back({u"041204E4", {{u"FileDescription", u"Other"}}});
    std::mt19937 rng(20240611);
    int answered = 0;  // damaged files that still gave a value: the checks below were reached
    for (bool plus : {false, true}) {
        pe::Layout layout;
        const std::string image = pe::Image(plus, pe::Resources::Version, pe::VersionResource(info), &layout);
        const char* queries[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\FileDescription",
                                 "\\StringFileInfo\\041204E4\\FileDescription", "\\StringFileInfo\\040904B0\\CompanyName"};
        for (int round = 0; round < 1500; ++round) {
            std::string damaged = image;
            int changes = 1 + static_cast<int>(rng() % 6);
            for (int k = 0; k < changes; ++k) {
                // Mostly the headers and the resource, where the offsets and lengths are.
                size_t at = (rng() % 3 == 0) ? rng() % 0x200
                                             : layout.resourceDataOffset - 0x58 + rng() % (layout.resourceDataEnd - layout.resourceDataOffset + 0x58);
                damaged[at] = static_cast<char>(rng() % 4 == 0 ? 0xFF : rng() & 0xFF);
            }
            std::string file = Write("fuzz.dll", damaged);
            DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
            if (size == 0) continue;
            ASSERT_LE(size, 2u * 65536u + 16u);
            std::vector<unsigned char> block(size);
            if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) continue;
            for (const char* q : queries) {
                LPVOID value = nullptr;
                UINT len = 0;
                if (VerQueryValueA(block.data(), q, &value, &len)) {
                    ++answered;
                    auto* p = static_cast<unsigned char*>(value);
                    ASSERT_GE(p, block.data());
                    ASSERT_LE(p + len, block.data() + block.size());
                }
            }
        }
    }
    EXPECT_GT(answered, 1000);
}
