// Lookups in a type library description (typedesc.h), and the ASCII name
// helper, for the Windows build (the SDK answers for type information
// itself).
#include "platform/com/typeinfo.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool NameEqualsAscii(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return *a == *b;
}

}  // namespace

BSTR AsciiToBstr(const char* text) {
    if (text == nullptr) return nullptr;
    UINT n = 0;
    while (text[n] != '\0') ++n;
    BSTR b = SysAllocStringLen(nullptr, n);
    if (b == nullptr) return nullptr;
    for (UINT i = 0; i < n; ++i) b[i] = static_cast<OLECHAR>(static_cast<unsigned char>(text[i]));
    return b;
}

const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, DISPID dispid) {
    for (int i = 0; i < itf.cMembers; ++i)
        if (itf.members[i].dispid == dispid) return &itf.members[i];
    return nullptr;
}

const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < itf.cMembers; ++i)
        if (NameEqualsAscii(itf.members[i].name, name)) return &itf.members[i];
    return nullptr;
}
