#pragma once
// Values kept side by side by node id. Ids are handed out in order and never reused, so
// a value's place is its id less the first id held: no hashing and no allocation per
// node, which a book of many thousand chapters feels at every open.

#include "book/NodeInfoRecord.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace pgw::book {

template <typename T>
class ByNodeId {
public:
    // The value of `id`; nullptr where none was ever made.
    const T* find(NodeId id) const {
        if (id == kNoNode || values_.empty() || id < first_ || id - first_ >= values_.size()) return nullptr;
        return &values_[id - first_];
    }
    T* find(NodeId id) { return const_cast<T*>(std::as_const(*this).find(id)); }

    // The value of `id`, made (empty) if there was none; `id` is not kNoNode.
    T& operator[](NodeId id) {
        if (values_.empty()) first_ = id;
        if (id < first_) {  // an id older than any held: rare, and the ids between get room
            std::vector<T> grown(first_ - id + values_.size());
            std::move(values_.begin(), values_.end(), grown.begin() + std::ptrdiff_t(first_ - id));
            values_.swap(grown);
            first_ = id;
        }
        if (id - first_ >= values_.size()) values_.resize(id - first_ + 1);
        return values_[id - first_];
    }

    void clear() { values_.clear(); }
    void reserve(size_t more) { values_.reserve(values_.size() + more); }

    // Every value made, empty ones too, in id order.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (const T& value : values_) visit(value);
    }

private:
    std::vector<T> values_;
    NodeId first_ = kNoNode;
};

}  // namespace pgw::book
