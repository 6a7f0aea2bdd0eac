#include "SiblingTree.h"

#include "ElementName.h"
#include "FileFormat.h"

namespace pgw::storage {

using format::kBlack;
using format::kRed;

SiblingTree::SiblingTree(std::vector<DirEntry>& entries, uint32_t storage, std::function<void(uint32_t)> touched)
    : entries_(entries), storage_(storage), touched_(std::move(touched)) {}

bool SiblingTree::less(uint32_t a, uint32_t b) const {
    return compareElementNames(entries_[a].name, entries_[b].name) < 0;
}

bool SiblingTree::isRed(uint32_t n) const { return n != kNil && entries_[n].colour == kRed; }

uint32_t SiblingTree::parentOf(uint32_t n) const {
    uint32_t parent = kNil;
    for (uint32_t at = root(); at != n && at != kNil; at = less(n, at) ? left(at) : right(at)) parent = at;
    return parent;
}

void SiblingTree::setRoot(uint32_t n) {
    if (entries_[storage_].child == n) return;
    entries_[storage_].child = n;
    touched_(storage_);
}

void SiblingTree::setLeft(uint32_t n, uint32_t child) {
    if (entries_[n].left == child) return;
    entries_[n].left = child;
    touched_(n);
}

void SiblingTree::setRight(uint32_t n, uint32_t child) {
    if (entries_[n].right == child) return;
    entries_[n].right = child;
    touched_(n);
}

void SiblingTree::setRed(uint32_t n, bool red) {
    const uint8_t colour = red ? kRed : kBlack;
    if (n == kNil || entries_[n].colour == colour) return;
    entries_[n].colour = colour;
    touched_(n);
}

void SiblingTree::replaceChild(uint32_t parent, uint32_t old, uint32_t fresh) {
    if (parent == kNil) setRoot(fresh);
    else if (left(parent) == old) setLeft(parent, fresh);
    else setRight(parent, fresh);
}

void SiblingTree::rotateLeft(uint32_t n) {
    const uint32_t up = right(n);
    const uint32_t parent = parentOf(n);
    setRight(n, left(up));
    setLeft(up, n);
    replaceChild(parent, n, up);
}

void SiblingTree::rotateRight(uint32_t n) {
    const uint32_t up = left(n);
    const uint32_t parent = parentOf(n);
    setLeft(n, right(up));
    setRight(up, n);
    replaceChild(parent, n, up);
}

void SiblingTree::insert(uint32_t node) {
    setLeft(node, kNil);
    setRight(node, kNil);
    setRed(node, true);
    uint32_t parent = kNil;
    for (uint32_t at = root(); at != kNil; at = less(node, at) ? left(at) : right(at)) parent = at;
    if (parent == kNil) setRoot(node);
    else if (less(node, parent)) setLeft(parent, node);
    else setRight(parent, node);
    insertFixup(node);
}

void SiblingTree::insertFixup(uint32_t n) {
    while (n != root()) {
        const uint32_t parent = parentOf(n);
        if (!isRed(parent)) break;
        const uint32_t grand = parentOf(parent);  // a red node is never the root
        const bool onLeft = left(grand) == parent;
        const uint32_t uncle = onLeft ? right(grand) : left(grand);
        if (isRed(uncle)) {
            setRed(parent, false);
            setRed(uncle, false);
            setRed(grand, true);
            n = grand;
            continue;
        }
        uint32_t top = parent;
        if (onLeft && n == right(parent)) {
            rotateLeft(parent);
            top = n;
        } else if (!onLeft && n == left(parent)) {
            rotateRight(parent);
            top = n;
        }
        setRed(top, false);
        setRed(grand, true);
        if (onLeft) rotateRight(grand);
        else rotateLeft(grand);
        break;
    }
    setRed(root(), false);
}

void SiblingTree::remove(uint32_t node) {
    const uint32_t nodeParent = parentOf(node);
    uint32_t child, childParent;
    bool removedBlack = !isRed(node);
    if (left(node) == kNil || right(node) == kNil) {
        child = left(node) == kNil ? right(node) : left(node);
        childParent = nodeParent;
        replaceChild(nodeParent, node, child);
    } else {
        // The next name takes the node's place and colour.
        uint32_t next = right(node), nextParent = node;
        while (left(next) != kNil) nextParent = next, next = left(next);
        removedBlack = !isRed(next);
        child = right(next);
        if (nextParent == node) {
            childParent = next;
        } else {
            childParent = nextParent;
            setLeft(nextParent, child);
            setRight(next, right(node));
        }
        setLeft(next, left(node));
        setRed(next, isRed(node));
        replaceChild(nodeParent, node, next);
    }
    setLeft(node, kNil);
    setRight(node, kNil);
    if (removedBlack) removeFixup(child, childParent);
}

void SiblingTree::removeFixup(uint32_t n, uint32_t parent) {
    while (n != root() && !isRed(n)) {
        const bool onLeft = left(parent) == n;
        uint32_t sibling = onLeft ? right(parent) : left(parent);
        if (isRed(sibling)) {
            setRed(sibling, false);
            setRed(parent, true);
            if (onLeft) rotateLeft(parent);
            else rotateRight(parent);
            sibling = onLeft ? right(parent) : left(parent);
        }
        const uint32_t nearChild = onLeft ? left(sibling) : right(sibling);
        const uint32_t farChild = onLeft ? right(sibling) : left(sibling);
        if (!isRed(nearChild) && !isRed(farChild)) {
            setRed(sibling, true);
            n = parent;
            parent = parentOf(n);
            continue;
        }
        if (!isRed(farChild)) {
            setRed(nearChild, false);
            setRed(sibling, true);
            if (onLeft) rotateRight(sibling);
            else rotateLeft(sibling);
            sibling = onLeft ? right(parent) : left(parent);
        }
        setRed(sibling, isRed(parent));
        setRed(parent, false);
        setRed(onLeft ? right(sibling) : left(sibling), false);
        if (onLeft) rotateLeft(parent);
        else rotateRight(parent);
        n = root();
        break;
    }
    setRed(n, false);
}

bool SiblingTree::isSound() const {
    const std::vector<uint32_t>& children = entries_[storage_].children;
    if (isRed(root())) return false;
    struct Visit {
        uint32_t node;
        int blacks;  // black nodes above, this one left out
    };
    std::vector<Visit> pending;
    size_t next = 0;  // in-order position
    int leafBlacks = -1;
    uint32_t at = root();
    int blacks = 0;
    // An iterative in-order walk; a loop or a link out of the directory stops it.
    while (at != kNil || !pending.empty()) {
        while (at != kNil) {
            if (at >= entries_.size() || pending.size() > children.size()) return false;
            if (entries_[at].colour != kRed && entries_[at].colour != kBlack) return false;
            if (isRed(at) && (isRed(left(at)) || isRed(right(at)))) return false;
            const int below = blacks + (isRed(at) ? 0 : 1);
            if ((left(at) == kNil || right(at) == kNil) && leafBlacks != -1 && leafBlacks != below) return false;
            if (left(at) == kNil || right(at) == kNil) leafBlacks = below;
            pending.push_back({at, blacks});
            blacks = below;
            at = left(at);
        }
        const Visit visit = pending.back();
        pending.pop_back();
        if (next >= children.size() || children[next] != visit.node) return false;
        ++next;
        blacks = visit.blacks + (isRed(visit.node) ? 0 : 1);
        at = right(visit.node);
    }
    return next == children.size();
}

}  // namespace pgw::storage
