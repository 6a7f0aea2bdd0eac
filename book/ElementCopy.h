#pragma once
// A chapter's element held in memory with everything inside it: a page's stream, or a
// directory's storage with its whole subtree. A deleted chapter keeps one, so that undo
// can give it back byte for byte after its element has left the file.

#include "platform/storage/CompoundFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pgw::book {

class ElementCopy {
public:
    // Reads the storage or stream `name` of `parent`. Walks without recursion: directories
    // may nest thousands deep.
    static storage::StgResult read(storage::Storage& parent, const std::string& name, bool isStorage,
                                   ElementCopy* out);

    bool empty() const { return entries_.empty(); }
    bool isStorage() const { return !entries_.empty() && entries_.front().storage; }
    // Fills a freshly made element of the same kind with the copy: a stream's bytes, or a
    // storage's subtree. The caller commits.
    storage::StgResult fill(storage::Stream& stream) const;
    storage::StgResult fill(storage::Storage& storage) const;

private:
    struct Entry {
        size_t parent = 0;  // index of the storage it lies in; the first entry is the element
        std::string name;
        bool storage = false;
        std::vector<uint8_t> bytes;
    };
    std::vector<Entry> entries_;  // parents before their children
};

}  // namespace pgw::book
