#include "platform/version/version.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/win/posix/winfile.h"

namespace {

// The mark between the resource and the room for ANSI texts in a block.
const char kAnsiMark[4] = {'F', 'E', '2', 'X'};

// The root of a version resource: header, "VS_VERSION_INFO" and its NUL.
const char16_t kRootKey[] = u"VS_VERSION_INFO";
constexpr size_t kRootHeader = 6 + sizeof(kRootKey);

constexpr size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// ---------------------------------------------------------------- the PE file

class ImageFile {
public:
    ~ImageFile() {
        if (fd_ >= 0) close(fd_);
    }
    DWORD Open(const std::string& path) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            if (errno == ENOTDIR) return ERROR_PATH_NOT_FOUND;
            if (errno == EACCES) return ERROR_ACCESS_DENIED;
            return ERROR_FILE_NOT_FOUND;
        }
        struct stat st;
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
        size_ = static_cast<uint64_t>(st.st_size);
        return ERROR_SUCCESS;
    }
    // Exactly n bytes at the offset, or false.
    bool Read(uint64_t offset, void* out, size_t n) const {
        if (offset > size_ || n > size_ - offset) return false;
        size_t done = 0;
        while (done < n) {
            ssize_t got = pread(fd_, static_cast<char*>(out) + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<size_t>(got);
        }
        return true;
    }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

struct Section {
    uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

class Image {
public:
    explicit Image(const ImageFile& file) : file_(file) {}

    DWORD LoadHeaders(uint32_t* rsrcRva, uint32_t* rsrcSize) {
        unsigned char dos[64];
        if (!file_.Read(0, dos, sizeof(dos)) || dos[0] != 'M' || dos[1] != 'Z') return ERROR_BAD_EXE_FORMAT;
        uint64_t pe = Le32(dos + 0x3C);
        unsigned char head[24];
        if (!file_.Read(pe, head, sizeof(head)) || std::memcmp(head, "PE\0\0", 4) != 0) return ERROR_BAD_EXE_FORMAT;
        uint16_t sectionCount = Le16(head + 4 + 2);
        uint16_t optionalSize = Le16(head + 4 + 16);
        if (sectionCount > 96) return ERROR_BAD_EXE_FORMAT;  // the loader's limit
        std::vector<unsigned char> opt(optionalSize);
        if (optionalSize < 2 || !file_.Read(pe + 24, opt.data(), opt.size())) return ERROR_BAD_EXE_FORMAT;
        size_t countAt = 0, dirsAt = 0;
        switch (Le16(opt.data())) {
            case 0x10B:  // PE32
                countAt = 92, dirsAt = 96;
                break;
            case 0x20B:  // PE32+
                countAt = 108, dirsAt = 112;
                break;
            default:
                return ERROR_BAD_EXE_FORMAT;
        }
        if (optionalSize < dirsAt) return ERROR_BAD_EXE_FORMAT;
        uint32_t dirCount = Le32(opt.data() + countAt);
        size_t rsrcAt = dirsAt + 2 * 8;  // the third data directory: resources
        if (dirCount < 3 || optionalSize < rsrcAt + 8) return ERROR_RESOURCE_DATA_NOT_FOUND;
        *rsrcRva = Le32(opt.data() + rsrcAt);
        *rsrcSize = Le32(opt.data() + rsrcAt + 4);

        std::vector<unsigned char> table(static_cast<size_t>(sectionCount) * 40);
        if (!table.empty() && !file_.Read(pe + 24 + optionalSize, table.data(), table.size())) return ERROR_BAD_EXE_FORMAT;
        for (size_t i = 0; i < sectionCount; ++i) {
            const unsigned char* s = table.data() + i * 40;
            sections_.push_back(Section{Le32(s + 12), Le32(s + 8), Le32(s + 16), Le32(s + 20)});
        }
        if (*rsrcRva == 0 || *rsrcSize == 0) return ERROR_RESOURCE_DATA_NOT_FOUND;
        return ERROR_SUCCESS;
    }

    // n bytes at a relative virtual address, when a section holds all of
    // them in the file.
    bool ReadRva(uint64_t rva, void* out, size_t n) const {
        for (const Section& s : sections_) {
            if (rva < s.virtualAddress) continue;
            uint64_t delta = rva - s.virtualAddress;
            if (delta > s.rawSize || n > s.rawSize - delta) continue;
            return file_.Read(static_cast<uint64_t>(s.rawOffset) + delta, out, n);
        }
        return false;
    }

private:
    const ImageFile& file_;
    std::vector<Section> sections_;
};

struct DirEntry {
    uint32_t name;    // an id, or (high bit set) the offset of a name
    uint32_t target;  // high bit set: a subdirectory; otherwise a data entry
};

// The entries of the resource directory at `offset` in the resource section.
bool ReadDirectory(const Image& image, uint32_t rsrcRva, uint32_t offset, std::vector<DirEntry>* entries) {
    unsigned char head[16];
    if (!image.ReadRva(static_cast<uint64_t>(rsrcRva) + offset, head, sizeof(head))) return false;
    size_t count = static_cast<size_t>(Le16(head + 12)) + Le16(head + 14);
    std::vector<unsigned char> raw(count * 8);
    if (count > 0 && !image.ReadRva(static_cast<uint64_t>(rsrcRva) + offset + 16, raw.data(), raw.size())) return false;
    entries->clear();
    for (size_t i = 0; i < count; ++i) entries->push_back(DirEntry{Le32(&raw[i * 8]), Le32(&raw[i * 8 + 4])});
    return true;
}

// The version resource of the file, checked to be a VS_VERSIONINFO whose
// length lies within the resource data, cut to that length.
DWORD LoadVersionResource(LPCSTR filename, std::string* resource) {
    if (filename == nullptr) return ERROR_INVALID_PARAMETER;
    ImageFile file;
    DWORD rc = file.Open(win_layer::NativePath(filename));
    if (rc != ERROR_SUCCESS) return rc;
    Image image(file);
    uint32_t rsrcRva = 0, rsrcSize = 0;
    rc = image.LoadHeaders(&rsrcRva, &rsrcSize);
    if (rc != ERROR_SUCCESS) return rc;

    constexpr uint32_t kSubdirectory = 0x80000000u;
    std::vector<DirEntry> entries;
    if (!ReadDirectory(image, rsrcRva, 0, &entries)) return ERROR_BAD_EXE_FORMAT;
    const DirEntry* type = nullptr;
    for (const DirEntry& e : entries)
        if (e.name == RT_VERSION && (e.target & kSubdirectory) != 0) type = &e;
    if (type == nullptr) return ERROR_RESOURCE_TYPE_NOT_FOUND;

    if (!ReadDirectory(image, rsrcRva, type->target & ~kSubdirectory, &entries)) return ERROR_BAD_EXE_FORMAT;
    const DirEntry* name = nullptr;
    for (const DirEntry& e : entries)
        if (e.name == VS_VERSION_INFO && (e.target & kSubdirectory) != 0) name = &e;
    if (name == nullptr) return ERROR_RESOURCE_NAME_NOT_FOUND;

    // The first language that has data.
    if (!ReadDirectory(image, rsrcRva, name->target & ~kSubdirectory, &entries)) return ERROR_BAD_EXE_FORMAT;
    const DirEntry* language = nullptr;
    for (const DirEntry& e : entries) {
        if ((e.target & kSubdirectory) == 0) {
            language = &e;
            break;
        }
    }
    if (language == nullptr) return ERROR_RESOURCE_NAME_NOT_FOUND;

    unsigned char data[16];
    if (!image.ReadRva(static_cast<uint64_t>(rsrcRva) + language->target, data, sizeof(data))) return ERROR_BAD_EXE_FORMAT;
    uint32_t dataRva = Le32(data), dataSize = Le32(data + 4);
    if (dataSize < kRootHeader) return ERROR_INVALID_DATA;
    unsigned char head[kRootHeader];
    if (!image.ReadRva(dataRva, head, sizeof(head))) return ERROR_BAD_EXE_FORMAT;
    size_t length = Le16(head);
    if (length < kRootHeader || length > dataSize) return ERROR_INVALID_DATA;
    for (size_t i = 0; i < sizeof(kRootKey) / 2; ++i)
        if (Le16(head + 6 + 2 * i) != kRootKey[i]) return ERROR_INVALID_DATA;
    resource->resize(length);
    if (!image.ReadRva(dataRva, resource->data(), length)) return ERROR_BAD_EXE_FORMAT;
    return ERROR_SUCCESS;
}

// Block size for a resource of n bytes: the resource, the mark, the room for
// texts (a text of k UTF-16 units takes at most 2k bytes in the ANSI code
// page, and lies at the same offset in the room as in the resource).
size_t BlockSize(size_t n) { return Align4(n) + sizeof(kAnsiMark) + n + 4; }

// ---------------------------------------------------------------- the block

struct Node {
    size_t end = 0;        // one past the node
    size_t keyAt = 0;      // the key's first unit
    size_t keyUnits = 0;   // without the NUL
    size_t valueAt = 0;
    size_t valueBytes = 0;
    uint16_t type = 0;     // 1 text, 0 binary
    size_t childrenAt = 0;
};

// The node at `start`, which must end by `limit`.
bool ParseNode(const unsigned char* b, size_t start, size_t limit, Node* n) {
    if (start > limit || limit - start < 6) return false;
    size_t length = Le16(b + start);
    if (length < 6 || length > limit - start) return false;
    n->end = start + length;
    size_t valueLength = Le16(b + start + 2);
    n->type = Le16(b + start + 4);
    n->keyAt = start + 6;
    size_t p = n->keyAt;
    while (p + 2 <= n->end && Le16(b + p) != 0) p += 2;
    if (p + 2 > n->end) return false;  // the key has no end
    n->keyUnits = (p - n->keyAt) / 2;
    n->valueAt = Align4(p + 2) < n->end ? Align4(p + 2) : n->end;
    n->valueBytes = n->type == 1 ? valueLength * 2 : valueLength;
    if (n->valueBytes > n->end - n->valueAt) {
        // Some writers count a text's length in bytes; a text ends at the
        // node's end at the latest. Binary data must fit.
        if (n->type != 1) return false;
        n->valueBytes = (n->end - n->valueAt) & ~static_cast<size_t>(1);
    }
    size_t children = Align4(n->valueAt + n->valueBytes);
    n->childrenAt = children < n->end ? children : n->end;
    return true;
}

bool KeyIs(const unsigned char* b, const Node& n, const std::u16string& name) {
    if (n.keyUnits != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t a = Le16(b + n.keyAt + 2 * i), c = name[i];
        if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a - u'A' + u'a');
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (a != c) return false;
    }
    return true;
}

bool FindChild(const unsigned char* b, const Node& parent, const std::u16string& name, Node* child) {
    size_t pos = parent.childrenAt;
    while (pos < parent.end) {
        Node c;
        if (!ParseNode(b, pos, parent.end, &c)) return false;
        if (KeyIs(b, c, name)) {
            *child = c;
            return true;
        }
        pos = Align4(c.end);
    }
    return false;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle != nullptr) *lpdwHandle = 0;
    std::string resource;
    DWORD rc = LoadVersionResource(lptstrFilename, &resource);
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        return 0;
    }
    return static_cast<DWORD>(BlockSize(resource.size()));
}

BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) {
    if (lpData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string resource;
    DWORD rc = LoadVersionResource(lptstrFilename, &resource);
    if (rc != ERROR_SUCCESS) {
        SetLastError(rc);
        return FALSE;
    }
    size_t kept = resource.size();
    if (BlockSize(kept) > dwLen) {
        // As much of the resource as fits with its room: 2n + 8 <= dwLen.
        kept = dwLen < 8 ? 0 : ((static_cast<size_t>(dwLen) - 8) / 2) & ~static_cast<size_t>(3);
        if (kept < kRootHeader) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
    }
    auto* block = static_cast<unsigned char*>(lpData);
    std::memcpy(block, resource.data(), kept);
    block[0] = static_cast<unsigned char>(kept & 0xFF);  // the root now ends where the block's copy ends
    block[1] = static_cast<unsigned char>(kept >> 8);
    std::memset(block + kept, 0, Align4(kept) - kept);
    std::memcpy(block + Align4(kept), kAnsiMark, sizeof(kAnsiMark));
    std::memset(block + Align4(kept) + sizeof(kAnsiMark), 0, kept + 4);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen) {
    if (lplpBuffer != nullptr) *lplpBuffer = nullptr;
    if (puLen != nullptr) *puLen = 0;
    if (pBlock == nullptr || lpSubBlock == nullptr || lplpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* b = static_cast<unsigned char*>(const_cast<void*>(pBlock));
    size_t length = Le16(b);
    if (length < kRootHeader || std::memcmp(b + Align4(length), kAnsiMark, sizeof(kAnsiMark)) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);  // not a block of GetFileVersionInfoA
        return FALSE;
    }
    unsigned char* room = b + Align4(length) + sizeof(kAnsiMark);
    size_t roomSize = length + 4;

    Node node;
    if (!ParseNode(b, 0, length, &node)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    std::string path = lpSubBlock;
    size_t start = 0;
    bool isRoot = true;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            std::string part = path.substr(start, end - start);
            std::string utf8 = win_layer::AnsiToUtf8(part);
            Node child;
            if (!FindChild(b, node, win_layer::Utf8ToWide(utf8), &child)) {
                SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
                return FALSE;
            }
            node = child;
            isRoot = false;
        }
        start = end + 1;
    }

    if (node.type == 1 && !isRoot) {
        std::u16string text;
        for (size_t p = node.valueAt; p + 2 <= node.valueAt + node.valueBytes; p += 2) {
            char16_t c = Le16(b + p);
            if (c == 0) break;
            text.push_back(c);
        }
        std::string ansi = win_layer::WideToAnsi(text.data(), text.size());
        if (node.valueAt + ansi.size() + 1 > roomSize) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        char* out = reinterpret_cast<char*>(room + node.valueAt);
        std::memcpy(out, ansi.c_str(), ansi.size() + 1);
        *lplpBuffer = out;
        if (puLen != nullptr) *puLen = static_cast<UINT>(ansi.size() + 1);
        return TRUE;
    }
    if (node.valueBytes == 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *lplpBuffer = b + node.valueAt;
    if (puLen != nullptr) *puLen = static_cast<UINT>(node.valueBytes);
    return TRUE;
}
