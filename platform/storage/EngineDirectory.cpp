// Directory entries: creating, finding, destroying, renaming and copying elements, and
// the sibling trees the file keeps them in.

#include "ElementName.h"
#include "Engine.h"
#include "FileFormat.h"
#include "SiblingTree.h"

#include <algorithm>
#include <cstring>

namespace pgw::storage {

using namespace format;

namespace {

constexpr size_t kCopyChunk = 1 << 20;

}  // namespace

void Engine::markEntryDirty(uint32_t index) {
    dirtyDirSectors_[index / (sectorSize_ / kDirEntrySize)] = true;
    pending_ = true;
}

StgResult Engine::newEntry(uint32_t* index) {
    for (uint32_t i = freeEntryHint_; i < entries_.size(); ++i) {
        if (entries_[i].type == kUnused && !entries_[i].orphan) {
            freeEntryHint_ = i + 1;
            *index = i;
            return StgResult::Ok;
        }
    }
    *index = uint32_t(entries_.size());
    if (const StgResult r = growDirectory(); r != StgResult::Ok) return r;
    freeEntryHint_ = *index + 1;
    return StgResult::Ok;
}

// By a run of sectors (tableGrowthRun): a file written in one go would otherwise have one
// directory sector between every few streams, and be opened one sector per read. The
// unused entries are free for the elements made later.
StgResult Engine::growDirectory() {
    const uint32_t perSector = sectorSize_ / kDirEntrySize;
    const size_t room = entries_.size() < kMaxDirEntries ? (kMaxDirEntries - entries_.size()) / perSector : 0;
    if (room == 0) return StgResult::DiskFull;
    return growTableChain(dirChain_, std::min(tableGrowthRun(dirChain_.size()), room), [&] {
        dirtyDirSectors_.push_back(true);
        for (uint32_t i = 0; i < perSector; ++i) {
            DirEntry unused;
            unused.colour = kRed;
            entries_.push_back(std::move(unused));
        }
    });
}

StgResult Engine::findChild(uint32_t storage, std::u16string_view name, uint32_t* found) const {
    const DirEntry& parent = entries_[storage];
    const auto& children = parent.children;
    const uint32_t guess = parent.nextGuess;
    if (guess < children.size() && compareElementNames(entries_[children[guess]].name, name) == 0) {
        *found = children[guess];
        parent.nextGuess = guess + 1;
        return StgResult::Ok;
    }
    const auto it = std::lower_bound(children.begin(), children.end(), name, [&](uint32_t child, auto key) {
        return compareElementNames(entries_[child].name, key) < 0;
    });
    if (it != children.end() && compareElementNames(entries_[*it].name, name) == 0) {
        *found = *it;
        parent.nextGuess = uint32_t(it - children.begin()) + 1;
        return StgResult::Ok;
    }
    // A name another writer stored with a lone surrogate is listed with U+FFFD in its
    // place; that listed name opens it too.
    if (name.find(u'\uFFFD') != std::u16string_view::npos) {
        const std::string listed = toUtf8(name);
        for (const uint32_t child : children) {
            if (toUtf8(entries_[child].name) == listed) {
                *found = child;
                return StgResult::Ok;
            }
        }
    }
    return StgResult::ElementNotFound;
}

void Engine::insertChild(uint32_t storage, uint32_t child) {
    auto& children = entries_[storage].children;
    const auto it = std::lower_bound(children.begin(), children.end(), child, [&](uint32_t a, uint32_t b) {
        return compareElementNames(entries_[a].name, entries_[b].name) < 0;
    });
    children.insert(it, child);
    entries_[child].parent = storage;
    if (hasSoundTree(storage)) siblingTree(storage).insert(child);
    else markTreeDirty(storage);
}

void Engine::removeChild(uint32_t storage, uint32_t child) {
    auto& children = entries_[storage].children;
    children.erase(std::find(children.begin(), children.end(), child));
    if (hasSoundTree(storage)) siblingTree(storage).remove(child);
    else markTreeDirty(storage);
}

bool Engine::hasSoundTree(uint32_t storage) const {
    return entries_[storage].treeSound && !entries_[storage].treeDirty;
}

SiblingTree Engine::siblingTree(uint32_t storage) {
    return SiblingTree(entries_, storage, [this](uint32_t index) { markEntryDirty(index); });
}

// A tree another writer left unbalanced or out of order is rebuilt whole at the commit.
void Engine::markTreeDirty(uint32_t storage) {
    entries_[storage].treeDirty = true;
    dirtyStorages_.push_back(storage);
}

void Engine::checkSiblingTrees() {
    for (uint32_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].isStorage() && !entries_[i].orphan) entries_[i].treeSound = siblingTree(i).isSound();
}

StgResult Engine::createElement(uint32_t storage, std::u16string_view name, uint8_t type, bool replace, bool open,
                                uint32_t* created) {
    uint32_t existing;
    if (findChild(storage, name, &existing) == StgResult::Ok) {
        if (!replace) return StgResult::AlreadyExists;
        removeChild(storage, existing);
        freeSubtree(existing);
    }
    uint32_t index;
    if (const StgResult r = newEntry(&index); r != StgResult::Ok) return r;
    DirEntry& e = entries_[index];
    const uint32_t generation = e.generation;
    e = DirEntry{};
    e.generation = generation;
    e.name = name;
    e.type = type;
    e.open = open;
    e.colour = kRed;  // differs from any colour written, so the entry is written at commit
    insertChild(storage, index);
    markEntryDirty(index);
    *created = index;
    return StgResult::Ok;
}

StgResult Engine::openElement(uint32_t storage, std::u16string_view name, uint8_t type, uint32_t* opened) {
    uint32_t index;
    if (findChild(storage, name, &index) != StgResult::Ok || entries_[index].type != type)
        return StgResult::ElementNotFound;
    if (entries_[index].open) return StgResult::AccessDenied;
    if (type == kStreamType)
        if (const StgResult r = followChain(index); r != StgResult::Ok) return r;
    entries_[index].open = true;
    *opened = index;
    return StgResult::Ok;
}

// Frees the chains of an entry and everything below it; handles on them revert.
void Engine::freeSubtree(uint32_t index) {
    std::vector<uint32_t> pending{index};
    while (!pending.empty()) {
        const uint32_t i = pending.back();
        pending.pop_back();
        DirEntry& e = entries_[i];
        pending.insert(pending.end(), e.children.begin(), e.children.end());
        if (e.isStream()) shrinkChain(e.chain, isMini(e.size), 0);
        const uint32_t generation = e.generation + 1;
        e = DirEntry{};
        e.generation = generation;
        markEntryDirty(i);
        freeEntryHint_ = std::min(freeEntryHint_, i);
    }
}

StgResult Engine::destroyElement(uint32_t storage, std::u16string_view name) {
    uint32_t index;
    if (const StgResult r = findChild(storage, name, &index); r != StgResult::Ok) return r;
    removeChild(storage, index);
    freeSubtree(index);
    return StgResult::Ok;
}

StgResult Engine::renameElement(uint32_t storage, std::u16string_view oldName, std::u16string_view newName) {
    uint32_t index, clash;
    if (const StgResult r = findChild(storage, oldName, &index); r != StgResult::Ok) return r;
    if (findChild(storage, newName, &clash) == StgResult::Ok && clash != index) return StgResult::AlreadyExists;
    if (entries_[index].open) return StgResult::AccessDenied;
    removeChild(storage, index);
    entries_[index].name = newName;
    insertChild(storage, index);
    markEntryDirty(index);
    return StgResult::Ok;
}

void Engine::statEntry(uint32_t index, ElementStat* out) const {
    const DirEntry& e = entries_[index];
    out->name = index == 0 ? path_ : toUtf8(e.name);
    out->kind = index == 0 ? ElementKind::Root : e.isStorage() ? ElementKind::Storage : ElementKind::Stream;
    out->size = e.isStream() ? e.size : 0;
    out->clsid = e.clsid;
    out->stateBits = e.stateBits;
    out->creationTime = e.creationTime;
    out->modifiedTime = e.modifiedTime;
}

void Engine::setClass(uint32_t storage, const Clsid& clsid) {
    entries_[storage].clsid = clsid;
    markEntryDirty(storage);
}

bool Engine::isSameOrAncestor(uint32_t ancestor, uint32_t entry) const {
    for (uint32_t i = entry;; i = entries_[i].parent) {
        if (i == ancestor) return true;
        if (i == 0) return false;
    }
}

// A stream in whole sectors goes file to file, run by run.
StgResult Engine::copySectors(uint32_t source, Engine& target, uint32_t targetStream) {
    const uint64_t size = entries_[source].size;
    std::vector<Segment> from, to;
    fileSegments(entries_[source].chain, 0, size_t(size), &from);
    target.fileSegments(target.entries_[targetStream].chain, 0, size_t(size), &to);
    if (!to.empty()) {
        if (const StgResult r = target.padToSector(to.back().offset + to.back().size); r != StgResult::Ok) return r;
    }
    size_t i = 0, j = 0;
    uint64_t doneFrom = 0, doneTo = 0;  // bytes used of segment i and of segment j
    while (i < from.size() && j < to.size()) {
        const size_t n = size_t(std::min(from[i].size - doneFrom, to[j].size - doneTo));
        const StgResult r = target.device_->copyFrom(*device_, from[i].offset + doneFrom, to[j].offset + doneTo, n);
        if (r != StgResult::Ok) return r;
        doneFrom += n, doneTo += n;
        if (doneFrom == from[i].size) ++i, doneFrom = 0;
        if (doneTo == to[j].size) ++j, doneTo = 0;
    }
    target.pending_ = true;
    return target.zeroTail(targetStream);
}

StgResult Engine::copyStream(uint32_t source, Engine& target, uint32_t targetStream) {
    if (const StgResult r = followChain(source); r != StgResult::Ok) return r;
    const uint64_t size = entries_[source].size;
    if (const StgResult r = target.resizeRaw(targetStream, size); r != StgResult::Ok) return r;
    if (!isMini(size) && &target != this) return copySectors(source, target, targetStream);
    std::vector<uint8_t> buffer(size_t(std::min<uint64_t>(size, kCopyChunk)));
    for (uint64_t offset = 0; offset < size;) {
        size_t got = 0;
        StgResult r = readStream(source, offset, buffer.data(), buffer.size(), &got);
        if (r == StgResult::Ok) r = target.writeStream(targetStream, offset, buffer.data(), got);
        if (r != StgResult::Ok) return r;
        offset += got;
    }
    return StgResult::Ok;
}

// Copies a storage's elements into another, merging storages and replacing streams.
// Works from a list instead of recursing, so a deep tree cannot exhaust the stack.
StgResult Engine::copyStorage(uint32_t source, Engine& target, uint32_t targetStorage) {
    std::vector<std::pair<uint32_t, uint32_t>> jobs{{source, targetStorage}};
    while (!jobs.empty()) {
        const auto [from, to] = jobs.back();
        jobs.pop_back();
        target.entries_[to].clsid = entries_[from].clsid;
        target.entries_[to].stateBits = entries_[from].stateBits;
        target.markEntryDirty(to);
        const std::vector<uint32_t> children = entries_[from].children;
        for (const uint32_t child : children) {
            // Copied out: creating elements in the same file may move the entries.
            const DirEntry& c = entries_[child];
            const std::u16string name = c.name;
            const uint8_t type = c.type;
            const uint64_t created = c.creationTime, modified = c.modifiedTime;
            uint32_t made;
            if (type != kStreamType && target.findChild(to, name, &made) == StgResult::Ok &&
                target.entries_[made].isStorage()) {
                jobs.emplace_back(child, made);
                continue;
            }
            const StgResult r = target.createElement(to, name, type, true, false, &made);
            if (r != StgResult::Ok) return r;
            target.entries_[made].creationTime = created;
            target.entries_[made].modifiedTime = modified;
            if (type != kStreamType) {
                jobs.emplace_back(child, made);
            } else if (const StgResult copied = copyStream(child, target, made); copied != StgResult::Ok) {
                return copied;
            }
        }
    }
    return StgResult::Ok;
}

// Rebuilds a storage's children as a balanced search tree: the median of each range is
// its root. Levels above the last are then full, so colouring the last level red (when
// it is incomplete) and the rest black gives a valid red-black tree.
void Engine::rebuildSiblingTree(uint32_t storage) {
    DirEntry& parent = entries_[storage];
    parent.treeDirty = false;
    parent.treeSound = true;
    const std::vector<uint32_t>& kids = parent.children;
    uint32_t fullLevels = 0;
    while ((size_t(2) << fullLevels) - 1 <= kids.size()) ++fullLevels;

    struct Range {
        size_t begin, end;
        uint32_t depth;
    };
    const auto build = [&](auto&& self, Range range) -> uint32_t {
        if (range.begin >= range.end) return kNoStream;
        const size_t mid = range.begin + (range.end - range.begin - 1) / 2;
        const uint32_t left = self(self, Range{range.begin, mid, range.depth + 1});
        const uint32_t right = self(self, Range{mid + 1, range.end, range.depth + 1});
        DirEntry& node = entries_[kids[mid]];
        const uint8_t colour = range.depth >= fullLevels ? kRed : kBlack;
        if (node.left != left || node.right != right || node.colour != colour) {
            node.left = left, node.right = right, node.colour = colour;
            markEntryDirty(kids[mid]);
        }
        return kids[mid];
    };
    const uint32_t root = build(build, Range{0, kids.size(), 0});
    if (entries_[storage].child != root) {
        entries_[storage].child = root;
        markEntryDirty(storage);
    }
}

void Engine::serialiseEntry(uint32_t index, uint8_t* out) const { serialiseEntry(entries_[index], index == 0, out); }

void Engine::serialiseEntry(const DirEntry& e, bool root, uint8_t* out) {
    if (e.orphan) {
        std::memcpy(out, e.orphan->data(), kDirEntrySize);
        return;
    }
    std::memset(out, 0, kDirEntrySize);
    put32(out + dir::kLeft, kNoStream);
    put32(out + dir::kRight, kNoStream);
    put32(out + dir::kChild, kNoStream);
    if (e.type == kUnused) return;
    for (size_t i = 0; i < e.name.size(); ++i) put16(out + dir::kName + 2 * i, e.name[i]);
    put16(out + dir::kNameLength, uint16_t((e.name.size() + 1) * 2));
    out[dir::kType] = e.type;
    out[dir::kColour] = root ? uint8_t(kBlack) : e.colour;
    if (!root) {
        put32(out + dir::kLeft, e.left);
        put32(out + dir::kRight, e.right);
    }
    if (e.isStorage()) {
        put32(out + dir::kChild, e.child);
        std::memcpy(out + dir::kClsid, e.clsid.data(), 16);
        put32(out + dir::kStateBits, e.stateBits);
        if (!root) put64(out + dir::kCreated, e.creationTime);
        put64(out + dir::kModified, e.modifiedTime);
    }
    if (e.isStream() || root) {
        put32(out + dir::kStart, e.chain.empty() ? kEndOfChain : e.chain.front());
        put64(out + dir::kSize, e.size);
    }
}

}  // namespace pgw::storage
