#include "book/ElementCopy.h"

#include <memory>

namespace pgw::book {

using storage::StgResult;
namespace mode = storage::mode;

namespace {
// Elements inside a file open exclusively; reading needs no more.
constexpr uint32_t kReadOnly = mode::kShareExclusive | mode::kRead;
}  // namespace

StgResult ElementCopy::read(storage::Storage& parent, const std::string& name, bool isStorage, ElementCopy* out) {
    ElementCopy copy;
    if (!isStorage) {
        std::unique_ptr<storage::Stream> stream;
        copy.entries_.push_back({0, name, false, {}});
        StgResult result = parent.openStream(name, kReadOnly, &stream);
        if (result == StgResult::Ok) result = stream->readAll(&copy.entries_.back().bytes);
        if (result == StgResult::Ok) *out = std::move(copy);
        return result;
    }
    std::unique_ptr<storage::Storage> top;
    StgResult result = parent.openStorage(name, kReadOnly, &top);
    if (result != StgResult::Ok) return result;
    copy.entries_.push_back({0, name, true, {}});
    struct Open {
        std::unique_ptr<storage::Storage> storage;
        size_t entry;
    };
    std::vector<Open> pending;
    pending.push_back({std::move(top), 0});
    while (!pending.empty() && result == StgResult::Ok) {
        Open at = std::move(pending.back());
        pending.pop_back();
        std::vector<storage::ElementStat> children;
        result = at.storage->enumElements(&children);
        for (size_t i = 0; i < children.size() && result == StgResult::Ok; ++i) {
            const storage::ElementStat& child = children[i];
            const bool childIsStorage = child.kind == storage::ElementKind::Storage;
            copy.entries_.push_back({at.entry, child.name, childIsStorage, {}});
            const size_t entry = copy.entries_.size() - 1;
            if (childIsStorage) {
                std::unique_ptr<storage::Storage> inner;
                result = at.storage->openStorage(child.name, kReadOnly, &inner);
                if (result == StgResult::Ok) pending.push_back({std::move(inner), entry});
            } else {
                std::unique_ptr<storage::Stream> inner;
                result = at.storage->openStream(child.name, kReadOnly, &inner);
                if (result == StgResult::Ok) result = inner->readAll(&copy.entries_[entry].bytes);
            }
        }
    }
    if (result == StgResult::Ok) *out = std::move(copy);
    return result;
}

StgResult ElementCopy::fill(storage::Stream& stream) const {
    if (isStorage() || empty()) return StgResult::InvalidArgument;
    const std::vector<uint8_t>& bytes = entries_.front().bytes;
    StgResult result = stream.setSize(0);
    if (result == StgResult::Ok && !bytes.empty()) result = stream.write(bytes.data(), bytes.size());
    if (result == StgResult::Ok) result = stream.commit();
    return result;
}

StgResult ElementCopy::fill(storage::Storage& storage) const {
    if (!isStorage()) return StgResult::InvalidArgument;
    // The storage each entry made, by entry; the first is the one given.
    std::vector<std::shared_ptr<storage::Storage>> made(entries_.size());
    made[0] = std::shared_ptr<storage::Storage>(&storage, [](storage::Storage*) {});
    StgResult result = StgResult::Ok;
    for (size_t i = 1; i < entries_.size() && result == StgResult::Ok; ++i) {
        const Entry& entry = entries_[i];
        storage::Storage& in = *made[entry.parent];
        if (entry.storage) {
            std::unique_ptr<storage::Storage> created;
            result = in.createStorage(entry.name, mode::kCreateExclusive, &created);
            made[i] = std::move(created);
        } else {
            std::unique_ptr<storage::Stream> created;
            result = in.createStream(entry.name, mode::kCreateExclusive, &created);
            if (result == StgResult::Ok && !entry.bytes.empty())
                result = created->write(entry.bytes.data(), entry.bytes.size());
            if (result == StgResult::Ok) result = created->commit();
        }
    }
    // Inner storages commit before the ones that hold them.
    for (size_t i = entries_.size(); i-- > 1 && result == StgResult::Ok;)
        if (made[i]) result = made[i]->commit();
    return result;
}

}  // namespace pgw::book
