#include "book/NodeTableImage.h"

#include <algorithm>
#include <cstring>

namespace pgw::book {

namespace {

constexpr size_t kKeptFresh = 1 << 20;  // more than this is let go after each write

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

std::vector<NodeTableImage::Run> NodeTableImage::update(const NodeTableHeader& header,
                                                        const std::vector<const NodeInfoRecord*>& records,
                                                        const std::vector<RawRecord>& kept) {
    changes_.clear();
    fresh_.clear();
    shift_ = 0;
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
    std::vector<Run> runs;
    for (const Change& c : changes_) runs.push_back({c.at, c.length, source(c)});
    return runs;
}

// Shifted records move within the image. In one direction, each range goes in the order
// that never overwrites a source before it is read: those moving up from the top down,
// those moving down from the bottom up; new bytes come after them all. Ranges moving both
// ways (several changes between two writes) are taken from a copy of the old image.
void NodeTableImage::applyMoves() {
    const auto up = [](const Change& c) { return c.moved && c.from < c.at; };
    const auto down = [](const Change& c) { return c.moved && c.from > c.at; };
    if (std::any_of(changes_.begin(), changes_.end(), up) && std::any_of(changes_.begin(), changes_.end(), down)) {
        const std::vector<uint8_t> old = bytes_;
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
    fresh_.clear();
    if (fresh_.capacity() > kKeptFresh) fresh_.shrink_to_fit();  // after the whole table: megabytes
}

// What grew past the image is left in the stream: the header's count ignores it.
bool NodeTableImage::restore(storage::Stream& stream) const {
    bool restored = true;
    for (const Change& c : changes_) {
        if (c.at >= bytes_.size()) continue;
        const size_t known = std::min(c.length, bytes_.size() - c.at);
        restored = restored && stream.seek(int64_t(c.at), storage::SeekOrigin::Set) == storage::StgResult::Ok &&
                   stream.write(bytes_.data() + c.at, known) == storage::StgResult::Ok;
    }
    return restored;
}

void NodeTableImage::seed(std::vector<uint8_t> bytes) {
    clear();
    bytes_ = std::move(bytes);
}

void NodeTableImage::clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    changes_.clear();
    fresh_.clear();
    fresh_.shrink_to_fit();
}

}  // namespace pgw::book
