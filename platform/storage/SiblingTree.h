#pragma once
// One storage's children as the file keeps them: a red-black tree over their names, in
// the entries' left/right/colour fields and the storage's child field. Elements are put
// in and taken out one at a time, so a commit after adding one element to a storage of
// thousands writes the few entries whose links or colour changed, not the whole storage.
//
// The tree has no parent links; a node's parent is found by a search from the root,
// which the names' order makes O(log n).

#include "Engine.h"

#include <functional>
#include <vector>

namespace pgw::storage {

class SiblingTree {
public:
    // `touched` hears of every entry whose tree fields changed (the storage's too).
    SiblingTree(std::vector<DirEntry>& entries, uint32_t storage, std::function<void(uint32_t)> touched);

    // `node` is a sibling with a name no other sibling has, not yet in the tree.
    void insert(uint32_t node);
    // `node` is in the tree; its own links are cleared.
    void remove(uint32_t node);
    // Whether the fields form a red-black tree whose in-order walk is exactly `children`.
    bool isSound() const;

private:
    static constexpr uint32_t kNil = 0xFFFFFFFF;

    bool less(uint32_t a, uint32_t b) const;
    uint32_t root() const { return entries_[storage_].child; }
    uint32_t left(uint32_t n) const { return entries_[n].left; }
    uint32_t right(uint32_t n) const { return entries_[n].right; }
    bool isRed(uint32_t n) const;
    uint32_t parentOf(uint32_t n) const;
    void setRoot(uint32_t n);
    void setLeft(uint32_t n, uint32_t child);
    void setRight(uint32_t n, uint32_t child);
    void setRed(uint32_t n, bool red);
    void replaceChild(uint32_t parent, uint32_t old, uint32_t fresh);
    void rotateLeft(uint32_t n);
    void rotateRight(uint32_t n);
    void insertFixup(uint32_t n);
    void removeFixup(uint32_t n, uint32_t parent);

    std::vector<DirEntry>& entries_;
    uint32_t storage_;
    std::function<void(uint32_t)> touched_;
};

}  // namespace pgw::storage
