// The registry file: parsing any file text, and the write/read round trip.
// Whatever parses is written, read back and must give the same keys and
// values (names, types and bytes); writing that again gives the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/posix/regfile.h"

namespace {

// The keys that hold something: a predefined key without values is the
// same as no entry for it.
bool SameTree(const reg_layer::RegTree& a, const reg_layer::RegTree& b) {
    auto next = [](auto it, auto end) {
        while (it != end && it->second.path.find('\\') == std::string::npos && it->second.values.empty()) ++it;
        return it;
    };
    auto i = next(a.Keys().begin(), a.Keys().end());
    auto j = next(b.Keys().begin(), b.Keys().end());
    for (; i != a.Keys().end() && j != b.Keys().end(); i = next(++i, a.Keys().end()), j = next(++j, b.Keys().end())) {
        const reg_layer::RegKey& x = i->second;
        const reg_layer::RegKey& y = j->second;
        if (i->first != j->first || x.path != y.path || x.values.size() != y.values.size()) return false;
        for (const reg_layer::RegValue& v : x.values) {
            const reg_layer::RegValue* w = y.Find(v.name);
            if (w == nullptr || w->name != v.name || w->type != v.type || w->data != v.data) return false;
        }
    }
    return i == a.Keys().end() && j == b.Keys().end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string file(reinterpret_cast<const char*>(data), size);
    reg_layer::RegTree tree;
    int badLine = 0;
    if (!reg_layer::ParseRegText(file, &tree, &badLine)) {
        if (badLine <= 0) std::abort();  // a refusal names its line
        return 0;
    }
    std::string text = reg_layer::FormatRegText(tree);
    reg_layer::RegTree again;
    if (!reg_layer::ParseRegText(text, &again, &badLine)) std::abort();
    if (!SameTree(tree, again)) std::abort();
    if (reg_layer::FormatRegText(again) != text) std::abort();
    return 0;
}
