// The cabinet for deployment, build/windows/VemoMPIOCX.cab (made by
// scripts/make-cab.sh): signed, holding exactly the signed x86 module and
// its .inf, the .inf naming the control's class id and the module's own
// version; a changed byte breaks each signature. And the example page's
// <object> asks for that cabinet at that version. The cabinet's checks
// skip, with the reason, until scripts/build-windows.sh has made it, or
// without osslsigncode and cabextract.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/version/version.h"
#include "resources/VemoMPIOCX_tlb.h"
#include "resources/VemoMPIOCX_version.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

fs::path WindowsBuild() {
    const char* env = std::getenv("VEMOMPI_WINDOWS_BUILD");
    return env != nullptr ? fs::path(env) : fs::path(VEMOMPI_WINDOWS_BUILD);
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

struct Outcome {
    int status = -1;
    std::string out;  // standard output and error
};

Outcome Command(const std::string& command) {
    Outcome r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    r.status = pclose(p);
    return r;
}

bool Have(const char* tool) { return Command(std::string("command -v ") + tool).status == 0; }

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Braced(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// An .inf as section -> key -> value (section and key names in lower case,
// as Windows compares them without case).
using Inf = std::map<std::string, std::map<std::string, std::string>>;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Inf ParseInf(const std::string& text) {
    Inf inf;
    std::string section;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = Lower(line.substr(1, line.size() - 2));
            inf[section];
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos) inf[section][Lower(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return inf;
}

// The version resource of a module, read with the Linux build's version
// layer: the fixed part as "a,b,c,d" and the string table's FileVersion.
struct ModuleVersion {
    std::string fixed, text;
};

ModuleVersion ReadVersion(const fs::path& module) {
    ModuleVersion v;
    DWORD size = GetFileVersionInfoSizeA(module.c_str(), nullptr);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoA(module.c_str(), 0, size, block.data())) return v;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        v.fixed = std::to_string(fixed->dwFileVersionMS >> 16) + "," + std::to_string(fixed->dwFileVersionMS & 0xFFFF) +
                  "," + std::to_string(fixed->dwFileVersionLS >> 16) + "," +
                  std::to_string(fixed->dwFileVersionLS & 0xFFFF);
    }
    if (VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", &value, &length) && length > 0) {
        v.text = std::string(static_cast<const char*>(value), length - 1);
    }
    return v;
}

// The machine and optional-header magic of a PE file ("" when it is none).
std::string PeKind(const std::string& image) {
    auto u16 = [&](size_t at) {
        return image.size() < at + 2 ? 0u : unsigned(uint8_t(image[at]) | uint8_t(image[at + 1]) << 8);
    };
    auto u32 = [&](size_t at) { return image.size() < at + 4 ? 0u : u16(at) | u16(at + 2) << 16; };
    if (image.compare(0, 2, "MZ") != 0) return "";
    size_t pe = u32(0x3C);
    if (image.size() < pe + 26 || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "machine=%04X magic=%03X", u16(pe + 4), u16(pe + 24));
    return text;
}

class Cabinet : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(cab)) GTEST_SKIP() << "no " << cab << " (scripts/build-windows.sh makes it)";
        for (const char* tool : {"osslsigncode", "cabextract"}) {
            if (!Have(tool)) GTEST_SKIP() << "no " << tool << " (scripts/build-windows.sh installs it)";
        }
        if (!fs::exists(root)) {
            GTEST_SKIP() << "no " << root << ": the cabinet was signed with a certificate of one's own "
                         << "(VEMOMPI_SIGN_CERT), whose root these checks do not know";
        }
        Outcome x = Command("cabextract -q -d " + Quote(dir.path()) + " " + Quote(cab));
        ASSERT_EQ(x.status, 0) << x.out;
    }

    Outcome Verify(const fs::path& file) const {
        return Command("osslsigncode verify -CAfile " + Quote(root) + " -in " + Quote(file));
    }

    // A copy of file with the byte at the middle changed: inside the
    // signed content (the signature sits at the end of both formats).
    fs::path Tampered(const fs::path& file, const std::string& name) const {
        std::string bytes = ReadFile(file);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
        fs::path copy = fs::path(dir.path()) / name;
        std::ofstream(copy, std::ios::binary) << bytes;
        return copy;
    }

    const fs::path cab = WindowsBuild() / "VemoMPIOCX.cab";
    const fs::path signedModule = WindowsBuild() / "cab" / "VemoMPIOCX.ocx";
    const fs::path root = WindowsBuild() / "signing" / "root.pem";
    TempDir dir;
};

TEST_F(Cabinet, IsSignedAndHoldsExactlyTheSignedX86ModuleAndItsInf) {
    Outcome cabVerify = Verify(cab);
    EXPECT_EQ(cabVerify.status, 0) << cabVerify.out;
    Outcome moduleVerify = Verify(signedModule);
    EXPECT_EQ(moduleVerify.status, 0) << moduleVerify.out;

    std::set<std::string> listed;
    std::istringstream list(Command("cabextract -l " + Quote(cab)).out);
    for (std::string line; std::getline(list, line);) {
        // "   1969520 | 09.12.2026 16:32:32 | VemoMPIOCX.ocx": a size first.
        size_t bar = line.rfind(" | ");
        size_t digit = line.find_first_not_of(' ');
        if (bar != std::string::npos && digit != std::string::npos &&
            std::isdigit(static_cast<unsigned char>(line[digit]))) {
            listed.insert(line.substr(bar + 3));
        }
    }
    EXPECT_EQ(listed, (std::set<std::string>{"VemoMPIOCX.ocx", "VemoMPIOCX.inf"}));
    std::set<std::string> extracted;
    for (const auto& e : fs::directory_iterator(dir.path())) extracted.insert(e.path().filename().string());
    EXPECT_EQ(extracted, (std::set<std::string>{"VemoMPIOCX.ocx", "VemoMPIOCX.inf"}));

    const fs::path module = fs::path(dir.path()) / "VemoMPIOCX.ocx";
    const std::string image = ReadFile(module);
    EXPECT_EQ(image, ReadFile(signedModule)) << "the cabinet's module is the signed one";
    Outcome extractedVerify = Verify(module);
    EXPECT_EQ(extractedVerify.status, 0) << extractedVerify.out;
    EXPECT_EQ(PeKind(image), "machine=014C magic=10B") << "PE32, x86";
}

TEST_F(Cabinet, InfNamesTheControlAndTheModulesOwnVersion) {
    const Inf inf = ParseInf(ReadFile(fs::path(dir.path()) / "VemoMPIOCX.inf"));
    ASSERT_TRUE(inf.count("version") && inf.count("add.code") && inf.count("vemompiocx.ocx"));
    EXPECT_EQ(inf.at("version").count("signature") ? inf.at("version").at("signature") : "", "\"$CHICAGO$\"");
    EXPECT_EQ(inf.at("add.code"), (std::map<std::string, std::string>{{"vemompiocx.ocx", "VemoMPIOCX.ocx"}}));

    const auto& section = inf.at("vemompiocx.ocx");
    auto value = [&](const char* key) { return section.count(key) ? section.at(key) : std::string("(none)"); };
    EXPECT_EQ(value("file-win32-x86"), "thiscab");
    EXPECT_EQ(value("clsid"), Braced(CLSID_VemoMPIOCX));
    EXPECT_EQ(value("registerserver"), "yes");

    const ModuleVersion version = ReadVersion(fs::path(dir.path()) / "VemoMPIOCX.ocx");
    EXPECT_EQ(value("fileversion"), version.fixed) << "the module's version resource";
    EXPECT_EQ(version.fixed, VEMOMPI_FILE_VERSION_COMMAS) << "the build's version";
    EXPECT_EQ(version.text, VEMOMPI_FILE_VERSION_TEXT) << "the string table's FileVersion";
}

TEST_F(Cabinet, OneChangedByteBreaksEachSignature) {
    for (const fs::path& file : {cab, signedModule}) {
        SCOPED_TRACE(file.string());
        // The untouched copy verifies: what fails below is the changed byte.
        const fs::path same = fs::path(dir.path()) / ("same-" + file.filename().string());
        fs::copy_file(file, same);
        Outcome good = Verify(same);
        EXPECT_EQ(good.status, 0) << good.out;
        Outcome bad = Verify(Tampered(file, "changed-" + file.filename().string()));
        EXPECT_NE(bad.status, 0) << bad.out;
        EXPECT_NE(bad.out.find("MISMATCH"), std::string::npos) << bad.out;
    }
}

// The example page names the control by its class id and its cabinet at
// the build's version, so that a browser without the control, or with an
// older one, installs this one.
TEST(ExamplePage, ObjectNamesTheCabinetAtTheBuildsVersion) {
    const std::string page = ReadFile(fs::path(VEMOMPI_SOURCE_DIR) / "examples" / "checkout.html");
    size_t start = page.find("<object ");
    ASSERT_NE(start, std::string::npos);
    const std::string tag = page.substr(start, page.find('>', start) - start);
    std::string clsid = Braced(CLSID_VemoMPIOCX);
    clsid = clsid.substr(1, clsid.size() - 2);
    EXPECT_NE(tag.find("classid=\"clsid:" + clsid + "\""), std::string::npos) << tag;
    EXPECT_NE(tag.find("codebase=\"VemoMPIOCX.cab#version=" VEMOMPI_FILE_VERSION_COMMAS "\""), std::string::npos)
        << tag;
}

}  // namespace
