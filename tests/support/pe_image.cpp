#include "tests/support/pe_image.h"

#include <cstdio>
#include <stdexcept>

namespace pe {

namespace {

void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

void Pad4(std::string& s) {
    while (s.size() % 4 != 0) s.push_back('\0');
}

std::string Utf16(const std::u16string& text, bool withNul = true) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    if (withNul) out.append(2, '\0');
    return out;
}

// One node: header, key, value, children, each start on a 4-byte boundary.
std::string Node(const std::u16string& key, uint16_t type, const std::string& value, uint16_t valueLength,
                 const std::vector<std::string>& children) {
    std::string out(6, '\0');
    out += Utf16(key);
    Pad4(out);
    out += value;
    for (const std::string& child : children) {
        Pad4(out);
        out += child;
    }
    Put16(out, 0, static_cast<uint32_t>(out.size()));
    Put16(out, 2, valueLength);
    Put16(out, 4, type);
    return out;
}

}  // namespace

std::string VersionResource(const VersionInfo& info) {
    std::string fixed(52, '\0');
    Put32(fixed, 0, 0xFEEF04BD);
    Put32(fixed, 4, 0x00010000);
    Put32(fixed, 8, info.fileVersionMS);
    Put32(fixed, 12, info.fileVersionLS);
    Put32(fixed, 16, info.fileVersionMS);
    Put32(fixed, 20, info.fileVersionLS);
    Put32(fixed, 24, 0x3F);
    Put32(fixed, 32, 0x40004);  // VOS_NT_WINDOWS32
    Put32(fixed, 36, 2);        // VFT_DLL

    std::vector<std::string> children;
    if (!info.tables.empty()) {
        std::vector<std::string> tables;
        for (const StringTable& table : info.tables) {
            std::vector<std::string> strings;
            for (const VersionString& s : table.strings) {
                std::string value = Utf16(s.value);
                uint16_t length = static_cast<uint16_t>(s.lengthInBytes ? value.size() : s.value.size() + 1);
                strings.push_back(Node(s.key, 1, value, length, {}));
            }
            tables.push_back(Node(table.key, 1, "", 0, strings));
        }
        children.push_back(Node(u"StringFileInfo", 1, "", 0, tables));
    }
    if (!info.translations.empty()) {
        std::string pairs;
        for (uint32_t t : info.translations) {
            pairs.append(4, '\0');
            Put32(pairs, pairs.size() - 4, t);
        }
        std::string var = Node(u"Translation", 0, pairs, static_cast<uint16_t>(pairs.size()), {});
        children.push_back(Node(u"VarFileInfo", 1, "", 0, {var}));
    }
    return Node(u"VS_VERSION_INFO", 0, fixed, 52, children);
}

std::string Image(bool pe32plus, Resources kind, const std::string& resource, Layout* layout) {
    const size_t peAt = 0x40;
    const size_t optionalSize = pe32plus ? 240 : 224;
    const size_t sectionAt = peAt + 24 + optionalSize;
    const size_t rawAt = 0x200;
    const uint32_t rva = 0x1000;

    // The resource section: type, name and language directories, one data entry.
    std::string rsrc;
    if (kind != Resources::None) {
        rsrc.assign(0x58, '\0');
        uint32_t type = kind == Resources::Version ? 16 : 6;  // RT_VERSION, or RT_STRING
        Put16(rsrc, 0x0E, 1);
        Put32(rsrc, 0x10, type);
        Put32(rsrc, 0x14, 0x80000000u | 0x18);
        Put16(rsrc, 0x18 + 0x0E, 1);
        Put32(rsrc, 0x28, 1);
        Put32(rsrc, 0x2C, 0x80000000u | 0x30);
        Put16(rsrc, 0x30 + 0x0E, 1);
        Put32(rsrc, 0x40, 0x0409);
        Put32(rsrc, 0x44, 0x48);
        std::string data = kind == Resources::Version ? resource : std::string(16, 'x');
        Put32(rsrc, 0x48, rva + 0x58);
        Put32(rsrc, 0x4C, static_cast<uint32_t>(data.size()));
        rsrc += data;
        if (layout != nullptr) {
            layout->resourceDataOffset = rawAt + 0x58;
            layout->resourceDataEnd = rawAt + 0x58 + data.size();
        }
    }
    size_t rawSize = (rsrc.size() + 0x1FF) & ~static_cast<size_t>(0x1FF);

    std::string image(rawAt + rawSize, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, peAt);
    image.replace(peAt, 4, std::string("PE\0\0", 4));
    Put16(image, peAt + 4, pe32plus ? 0x8664 : 0x014C);
    Put16(image, peAt + 6, kind == Resources::None ? 0 : 1);
    Put16(image, peAt + 20, static_cast<uint32_t>(optionalSize));
    Put16(image, peAt + 22, pe32plus ? 0x2022 : 0x2102);
    size_t opt = peAt + 24;
    Put16(image, opt, pe32plus ? 0x20B : 0x10B);
    Put32(image, opt + 32, 0x1000);  // section alignment
    Put32(image, opt + 36, 0x200);   // file alignment
    Put32(image, opt + 56, rva + 0x1000);
    Put32(image, opt + 60, rawAt);
    Put16(image, opt + 68, 2);
    size_t dirs = opt + (pe32plus ? 112 : 96);
    Put32(image, dirs - 4, 16);
    if (kind != Resources::None) {
        Put32(image, dirs + 16, rva);
        Put32(image, dirs + 20, static_cast<uint32_t>(rsrc.size()));
        image.replace(sectionAt, 8, std::string(".rsrc\0\0\0", 8));
        Put32(image, sectionAt + 8, static_cast<uint32_t>(rsrc.size()));
        Put32(image, sectionAt + 12, rva);
        Put32(image, sectionAt + 16, static_cast<uint32_t>(rawSize));
        Put32(image, sectionAt + 20, rawAt);
        Put32(image, sectionAt + 36, 0x40000040);
        image.replace(rawAt, rsrc.size(), rsrc);
    }
    return image;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace pe
