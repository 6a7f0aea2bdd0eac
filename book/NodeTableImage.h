#pragma once
// The node table as the "NodeInfo" stream holds it, kept in memory so that the write
// after a change costs what changed: each record is compared field by field with the
// bytes at its place, and only a record that differs is turned into bytes again. The
// ranges that changed are written, neighbours joined, in one go each. Records shifted
// one place by an insertion or a removal in the middle of a large table are not written
// again: the stream is spliced, which relinks its sectors, as a record is one sector long.
//
// The image never shrinks: the stream is never shortened, so the bytes past a shorter
// table are still the stream's.

#include "book/NodeTable.h"
#include "platform/storage/CompoundFile.h"

#include <optional>
#include <vector>

namespace pgw::book {

class NodeTableImage {
public:
    // Works out the table of `header`, then `records` in order, then `kept` as they are,
    // and where it differs from the image. The image itself is unchanged.
    void update(const NodeTableHeader& header, const std::vector<const NodeInfoRecord*>& records,
                const std::vector<RawRecord>& kept);
    // Writes what the last update found changed into `stream`, which holds the image.
    storage::StgResult write(storage::Stream& stream);
    // The last update reached the stream: the image takes it.
    void accept();
    // After a failed write: puts back into `stream` what the image holds, undoing a splice.
    bool restore(storage::Stream& stream);
    // Nothing is known of the stream: the next update changes every byte.
    void clear();
    // The stream holds `bytes`, as just read.
    void seed(storage::ByteImage bytes);
    const storage::ByteImage& bytes() const { return bytes_; }

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
    std::optional<Change> shiftWorthSplicing() const;
    bool inSplicedSpan(const Change& c) const;
    // A splice of the stream, kept by the write that made it for an undo should the write
    // fail after it; the bytes it takes out are in the image at `removedBytes`.
    struct Splice {
        size_t at, removed;
        const uint8_t* insert;
        size_t inserted;
        const uint8_t* removedBytes;
    };
    storage::StgResult splice(storage::Stream& stream, const Splice& splice);
    storage::StgResult spliceShift(storage::Stream& stream, const Change& shift);
    bool undoSplices(storage::Stream& stream);
    void forgetSplices();

    storage::ByteImage bytes_;
    std::vector<Change> changes_;
    storage::ByteImage fresh_;  // the changed ranges' new bytes, one after the other
    long shift_ = 0;              // records: where the last moved record was found
    std::optional<Change> spliced_;    // the range the last write shifted by splicing
    std::vector<Splice> splices_;
};

}  // namespace pgw::book
