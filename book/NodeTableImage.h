#pragma once
// The node table as the "NodeInfo" stream holds it, kept in memory so that the write
// after a change costs what changed: each record is compared field by field with the
// bytes at its place, and only a record that differs is turned into bytes again. The
// ranges that changed come back, neighbours joined, to be written in one go each.
//
// The image never shrinks: the stream is never shortened, so the bytes past a shorter
// table are still the stream's.

#include "book/NodeTable.h"
#include "platform/storage/CompoundFile.h"

#include <vector>

namespace pgw::book {

class NodeTableImage {
public:
    struct Run {
        size_t at;      // in the table
        size_t length;
        const uint8_t* bytes;  // the new bytes, valid until accept() or the next update
    };

    // Works out the table of `header`, then `records` in order, then `kept` as they are;
    // returns the ranges that differ from the image. The image itself is unchanged.
    std::vector<Run> update(const NodeTableHeader& header, const std::vector<const NodeInfoRecord*>& records,
                            const std::vector<RawRecord>& kept);
    // The ranges of the last update reached the stream: the image takes them.
    void accept();
    // Puts back into `stream` what the image holds where the last update's ranges lie.
    bool restore(storage::Stream& stream) const;
    // Nothing is known of the stream: the next update changes every byte.
    void clear();
    // The stream holds `bytes`, as just read.
    void seed(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    // A range of the table that changed: new bytes in fresh_, or bytes the image holds
    // elsewhere (records shifted by an insertion or a removal), which are not copied.
    struct Change {
        size_t at, length;
        size_t from;  // in fresh_, or in the image when `moved`
        bool moved;
    };
    void change(size_t at, const uint8_t* fresh, size_t length);
    void moveIn(size_t at, size_t from, size_t length);
    long movedRecord(const NodeInfoRecord& record, size_t at);
    const uint8_t* source(const Change& c) const { return (c.moved ? bytes_.data() : fresh_.data()) + c.from; }
    void applyMoves();

    std::vector<uint8_t> bytes_;
    std::vector<Change> changes_;
    std::vector<uint8_t> fresh_;  // the changed ranges' new bytes, one after the other
    long shift_ = 0;              // records: where the last moved record was found
};

}  // namespace pgw::book
