// The .reg file's round trip: whatever a file holds, writing it and reading
// it back gives every value again, type and bytes, and ordinary texts keep
// the form the registry editor reads.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry/posix/regfile.h"
#include "platform/registry/registry.h"

namespace {

using reg_layer::FormatRegText;
using reg_layer::ParseRegText;
using reg_layer::RegTree;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n";

RegTree Parse(const std::string& text) {
    RegTree tree;
    int badLine = -1;
    EXPECT_TRUE(ParseRegText(text, &tree, &badLine)) << "line " << badLine;
    return tree;
}

// The default value of HKEY_CLASSES_ROOT after a write and a read.
const reg_layer::RegValue* DefaultAfterRoundTrip(const std::string& file, RegTree* again) {
    *again = Parse(FormatRegText(Parse(file)));
    const reg_layer::RegKey* key = again->Find("HKEY_CLASSES_ROOT");
    return key != nullptr ? key->Find("") : nullptr;
}

TEST(RegistryFile, TextWithNulAndLineBreakSurvives) {
    // A hand-edited file: a NUL after a CR inside the quotes.
    std::string file = kHeader + "\r\n[HKEY_CLASSES_ROOT]\r\n@=\"\r" + std::string(1, '\0') + "\"\r\n";
    RegTree again;
    const reg_layer::RegValue* v = DefaultAfterRoundTrip(file, &again);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v->data, std::string("\r\0", 2));

    std::string text = std::string("a\nb\0c\0\0", 7);
    file = kHeader + "[HKEY_CLASSES_ROOT]\r\n@=hex(1):" + "61,00,0a,00,62,00,00,00,63,00,00,00,00,00,00,00\r\n";
    v = DefaultAfterRoundTrip(file, &again);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data, text) << "only the terminating NUL goes";
}

TEST(RegistryFile, InvalidUtf8NextToLineBreakSurvives) {
    for (const std::string& text : {std::string("\xFF\r"), std::string("\n\x80\xC3"), std::string("\xED\xA0\x80\r"),
                                    std::string("a\r\n\xF4\x90\x80\x80z")}) {
        std::string file = kHeader + "[HKEY_CLASSES_ROOT]\r\n@=\"" + text + "\"\r\n";
        if (text.find('\n') != std::string::npos) {
            // A quoted text cannot hold a line feed: the value comes from a
            // write of what an earlier read made of a hex(1) value.
            RegTree tree = Parse(kHeader);
            tree.Ensure("HKEY_CLASSES_ROOT").Set({"", REG_SZ, text});
            file = FormatRegText(tree);
        }
        RegTree again;
        const reg_layer::RegValue* v = DefaultAfterRoundTrip(file, &again);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->data, text);
    }
}

TEST(RegistryFile, OrdinaryTextsKeepTheEditorsForm) {
    RegTree tree;
    reg_layer::RegKey& key = tree.Ensure("HKEY_CURRENT_USER\\Software\\App");
    key.Set({"Lines", REG_SZ, "\xC3\xA9\r\n\xF0\x9F\x98\x80"});
    key.Set({"Plain", REG_SZ, "x\xC3\xA9"});
    std::string text = FormatRegText(tree);
    EXPECT_NE(text.find("\"Lines\"=hex(1):e9,00,0d,00,0a,00,3d,d8,00,de,00,00\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Plain\"=\"x\xC3\xA9\"\r\n"), std::string::npos) << text;
    RegTree again = Parse(text);
    EXPECT_EQ(again.Find("HKEY_CURRENT_USER\\Software\\App")->Find("Lines")->data, key.Find("Lines")->data);
}

}  // namespace
