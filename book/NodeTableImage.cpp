#include "book/NodeTableImage.h"

#include <algorithm>
#include <cstring>

using pgw::storage::StgResult;

namespace pgw::book {

namespace {

constexpr size_t kKeptFresh = 1 << 20;  // more than this is let go after each write
// Below this, writing the shifted records costs about what splicing the stream does.
constexpr size_t kSplicedShift = 32 * kRecordSize;

}  // namespace

void NodeTableImage::change(size_t at, const uint8_t* fresh, size_t length) {
    const bool joins = !changes_.empty() && !changes_.back().moved && changes_.back().at + changes_.back().length == at;
    if (joins) changes_.back().length += length;
    else changes_.push_back({at, length, fresh_.size(), false});
    fresh_.insert(fresh_.end(), fresh, fresh + length);
}

void NodeTableImage::moveIn(size_t at, size_t from, size_t length) {
    const bool joins = !changes_.empty() && changes_.back().moved && changes_.back().at + changes_.back().length == at &&
                       changes_.back().from + changes_.back().length == from;
    if (joins) changes_.back().length += length;
    else changes_.push_back({at, length, from, true});
}

// A record moved by an insertion or a removal before it is the same bytes one place (or
// as many places as the last one) off: taken from there, not built again. Where, or -1.
long NodeTableImage::movedRecord(const NodeInfoRecord& record, size_t at) {
    for (const long shift : {shift_, -1L, 1L}) {
        const long from = long(at) + shift * long(kRecordSize);
        if (shift == 0 || from < long(kTableHeaderSize) || size_t(from) + kRecordSize > bytes_.size()) continue;
        if (!record.matches(bytes_.data() + from)) continue;
        shift_ = shift;
        return from;
    }
    return -1;
}

void NodeTableImage::update(const NodeTableHeader& header, const std::vector<const NodeInfoRecord*>& records,
                            const std::vector<RawRecord>& kept) {
    changes_.clear();
    fresh_.clear();
    shift_ = 0;
    forgetSplices();
    std::vector<uint8_t> head;
    putNodeTableHeader(head, header);
    if (bytes_.size() < kTableHeaderSize || !std::equal(head.begin(), head.end(), bytes_.begin()))
        change(0, head.data(), head.size());
    size_t at = kTableHeaderSize;
    for (const NodeInfoRecord* record : records) {
        if (at + kRecordSize > bytes_.size() || !record->matches(bytes_.data() + at)) {
            if (const long from = movedRecord(*record, at); from >= 0) moveIn(at, size_t(from), kRecordSize);
            else change(at, record->toBytes().data(), kRecordSize);
        }
        at += kRecordSize;
    }
    for (const RawRecord& raw : kept) {
        if (at + kRecordSize > bytes_.size() || !std::equal(raw.begin(), raw.end(), bytes_.begin() + long(at)))
            change(at, raw.data(), kRecordSize);
        at += kRecordSize;
    }
}

// One insertion or removal shifts one long range by one record, which may hold records
// changed besides (a renamed book's directories name their parent anew): the range is
// spliced, and the changed records are written over it. Shifts both ways, or by more
// than a record, between two writes are written as bytes.
std::optional<NodeTableImage::Change> NodeTableImage::shiftWorthSplicing() const {
    const auto moved = [](const Change& c) { return c.moved; };
    const auto first = std::find_if(changes_.begin(), changes_.end(), moved);
    if (first == changes_.end()) return std::nullopt;
    const long shift = long(first->from) - long(first->at);
    if (shift != long(kRecordSize) && shift != -long(kRecordSize)) return std::nullopt;
    auto last = first;
    for (auto c = first; c != changes_.end(); ++c) {
        if (!c->moved) continue;
        if (long(c->from) - long(c->at) != shift) return std::nullopt;
        last = c;
    }
    for (auto c = first; c != last; ++c)  // no record in between is left as it was
        if (c->at + c->length != std::next(c)->at) return std::nullopt;
    const Change span{first->at, last->at + last->length - first->at, first->from, true};
    return span.length >= kSplicedShift ? std::optional(span) : std::nullopt;
}

bool NodeTableImage::inSplicedSpan(const Change& c) const {
    return spliced_ && c.at >= spliced_->at && c.at + c.length <= spliced_->at + spliced_->length;
}

StgResult NodeTableImage::splice(storage::Stream& stream, const Splice& splice) {
    const StgResult result = stream.splice(splice.at, splice.removed, splice.insert, splice.inserted);
    if (result == StgResult::Ok) splices_.push_back(splice);
    return result;
}

// Shifted up, the records make room by an insertion before them, and the bytes they now
// cover after them leave; shifted down, they close up over a removal, and the bytes they
// left at their end come back. Every byte put in or taken out is in the image.
StgResult NodeTableImage::spliceShift(storage::Stream& stream, const Change& shift) {
    const size_t size = bytes_.size();
    const size_t end = shift.at + shift.length;
    const uint8_t* image = bytes_.data();
    if (shift.from < shift.at) {
        if (const StgResult r = splice(stream, {shift.from, 0, image + shift.from, kRecordSize, nullptr});
            r != StgResult::Ok)
            return r;
        const size_t past = std::min(kRecordSize, size + kRecordSize - end);
        return splice(stream, {end, past, nullptr, 0, image + end - kRecordSize});
    }
    if (const StgResult r = splice(stream, {shift.at, kRecordSize, nullptr, 0, image + shift.at}); r != StgResult::Ok)
        return r;
    return splice(stream, {end, 0, image + end, kRecordSize, nullptr});
}

StgResult NodeTableImage::write(storage::Stream& stream) {
    forgetSplices();
    spliced_ = shiftWorthSplicing();
    // A stream longer than the image (a write that failed left it so) is written as bytes.
    uint64_t size = 0;
    if (spliced_ && (stream.size(&size) != StgResult::Ok || size != bytes_.size())) spliced_.reset();
    if (spliced_)
        if (const StgResult r = spliceShift(stream, *spliced_); r != StgResult::Ok) return r;
    for (const Change& c : changes_) {
        if (c.moved && spliced_) continue;  // the splice put them in place
        StgResult r = stream.seek(int64_t(c.at), storage::SeekOrigin::Set);
        if (r == StgResult::Ok) r = stream.write(source(c), c.length);
        if (r != StgResult::Ok) return r;
    }
    return StgResult::Ok;
}

bool NodeTableImage::undoSplices(storage::Stream& stream) {
    bool undone = true;
    for (auto s = splices_.rbegin(); s != splices_.rend(); ++s)
        undone = undone && stream.splice(s->at, s->inserted, s->removedBytes, s->removed) == StgResult::Ok;
    splices_.clear();
    return undone;
}

// The splices belong to the changes of the last update: they go with them.
void NodeTableImage::forgetSplices() {
    spliced_.reset();
    splices_.clear();
}

// Shifted records move within the image. In one direction, each range goes in the order
// that never overwrites a source before it is read: those moving up from the top down,
// those moving down from the bottom up; new bytes come after them all. Ranges moving both
// ways (several changes between two writes) are taken from a copy of the old image.
void NodeTableImage::applyMoves() {
    const auto up = [](const Change& c) { return c.moved && c.from < c.at; };
    const auto down = [](const Change& c) { return c.moved && c.from > c.at; };
    if (std::any_of(changes_.begin(), changes_.end(), up) && std::any_of(changes_.begin(), changes_.end(), down)) {
        const storage::ByteImage old = bytes_;
        for (const Change& c : changes_)
            if (c.moved) std::memcpy(bytes_.data() + c.at, old.data() + c.from, c.length);
        return;
    }
    for (auto c = changes_.rbegin(); c != changes_.rend(); ++c)
        if (up(*c)) std::memmove(bytes_.data() + c->at, bytes_.data() + c->from, c->length);
    for (const Change& c : changes_)
        if (down(c)) std::memmove(bytes_.data() + c.at, bytes_.data() + c.from, c.length);
}

void NodeTableImage::accept() {
    // The first table written is new from end to end: it becomes the image as it is.
    if (bytes_.empty() && changes_.size() == 1 && changes_.front().at == 0 && !changes_.front().moved) {
        bytes_.swap(fresh_);
        changes_.clear();
        fresh_.clear();
        return;
    }
    if (!changes_.empty() && bytes_.size() < changes_.back().at + changes_.back().length)
        bytes_.resize(changes_.back().at + changes_.back().length);
    applyMoves();
    for (const Change& c : changes_)
        if (!c.moved) std::memcpy(bytes_.data() + c.at, fresh_.data() + c.from, c.length);
    changes_.clear();
    forgetSplices();
    fresh_.clear();
    if (fresh_.capacity() > kKeptFresh) fresh_.shrink_to_fit();  // after the whole table: megabytes
}

// What grew past the image is left in the stream: the header's count ignores it. Records
// written over a spliced range first get back what the splice put there, so that undoing
// the splice brings back the bytes they covered.
bool NodeTableImage::restore(storage::Stream& stream) {
    bool restored = true;
    const bool splicedWhole = spliced_ && splices_.size() == 2;
    for (const Change& c : changes_) {
        if (!splicedWhole || c.moved || !inSplicedSpan(c)) continue;
        const size_t under = c.at + spliced_->from - spliced_->at;
        restored = restored && stream.seek(int64_t(c.at), storage::SeekOrigin::Set) == storage::StgResult::Ok &&
                   stream.write(bytes_.data() + under, c.length) == storage::StgResult::Ok;
    }
    restored = undoSplices(stream) && restored;
    for (const Change& c : changes_) {
        if (c.at >= bytes_.size() || (c.moved && spliced_)) continue;
        const size_t known = std::min(c.length, bytes_.size() - c.at);
        restored = restored && stream.seek(int64_t(c.at), storage::SeekOrigin::Set) == storage::StgResult::Ok &&
                   stream.write(bytes_.data() + c.at, known) == storage::StgResult::Ok;
    }
    return restored;
}

void NodeTableImage::seed(storage::ByteImage bytes) {
    clear();
    bytes_ = std::move(bytes);
}

void NodeTableImage::clear() {
    forgetSplices();
    bytes_.clear();
    bytes_.shrink_to_fit();
    changes_.clear();
    fresh_.clear();
    fresh_.shrink_to_fit();
}

}  // namespace pgw::book
