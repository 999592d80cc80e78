// The stored-tree reader on arbitrary bytes: it must throw CArchiveError or read a tree, never
// crash, exhaust the stack or allocate beyond the input. A tree read back is stored again and
// must read back to the same shape.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/Archive.h"
#include "scan/TreeF.h"

namespace {

size_t CountRecords(const tv::CTreeF& node) {
    size_t n = node.files.size();
    for (const auto& child : node.subfolders) {
        n += 1 + CountRecords(*child);
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tv::CTreeF root;
    try {
        tv::CArchiveReader reader(std::span<const uint8_t>(data, size));
        root.Load(reader);
    } catch (const tv::CArchiveError&) {
        return 0;
    }
    tv::CArchiveWriter writer;
    root.Store(writer);
    tv::CTreeF again;
    tv::CArchiveReader reader(writer.View());
    again.Load(reader);
    if (CountRecords(again) != CountRecords(root) || !reader.AtEnd()) {
        std::abort();
    }
    return 0;
}
