#pragma once
// Finds each chapter's element by its storage path: in its parent's storage, under the
// record's element name. Chapters are bound one by one, parents before children.
//
// Element names are meant to be unique in the whole book. When one is not (older books
// have this), the first chapter keeps it and a later one in another storage has its
// element renamed to a free name before it is opened; a later one in the same storage
// has no element of its own. A chapter whose element is missing or of the wrong kind
// gets a new, empty one. Without repair the binder only looks and says what it would do.

#include "platform/storage/CompoundFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace pgw::book {

class ElementBinder {
public:
    // `openMode` opens the elements; `repair` lets the binder rename and create them.
    // The counters are where fresh element numbers start.
    ElementBinder(uint32_t openMode, bool repair, int32_t storageCount, int32_t streamCount);

    // Every element name the book's records use: fresh names avoid them all. They are
    // asked for only when a fresh name is first needed, which is rare; `count` says how
    // many there are.
    using NameList = std::function<std::vector<std::string>()>;
    void reserveAll(NameList names, size_t count);

    enum class Outcome { Found, Made, Missing };
    struct Bound {
        Outcome outcome = Outcome::Missing;
        std::string objName;  // the element's name now (a fresh one when renamed or made)
        std::unique_ptr<storage::Storage> storage;
        std::unique_ptr<storage::Stream> stream;
    };
    // Binds a chapter whose parent's storage is `parent`; `parentKey` tells parents apart
    // (the same key for the same storage), `parentIsRoot` whether it is the file's root,
    // where the special streams live.
    Bound bind(storage::Storage& parent, uint64_t parentKey, bool parentIsRoot, const std::string& objName,
               bool directory);

private:
    using Claims = std::unordered_map<std::string, uint64_t>;
    bool usable(Claims::const_iterator first, uint64_t parentKey, bool parentIsRoot, const std::string& folded) const;
    bool claimedIn(Claims::const_iterator first, uint64_t parentKey, const std::string& folded) const;
    bool isReserved(const std::string& folded);
    std::string freshName(bool directory);
    bool renameToFresh(storage::Storage& parent, std::string* objName, bool directory);
    storage::StgResult open(storage::Storage& parent, const std::string& name, bool directory, Bound* out) const;
    void make(storage::Storage& parent, const std::string& wanted, bool directory, Bound* out);
    void claim(uint64_t parentKey, const std::string& name);

    uint32_t openMode_;
    bool repair_;
    int64_t nextStorage_, nextStream_;
    NameList reservedNames_;  // the records' names, until the first fresh name asks for them
    size_t reservedCount_ = 0;
    // ASCII-folded from here on: storages compare names without case.
    std::unordered_set<std::string> reserved_;
    // Each claimed name with the parent that claimed it first; a claim of the same name in
    // further parents (possible only when looking) goes beside it.
    Claims claimed_;
    std::set<std::pair<uint64_t, std::string>> claimedAgain_;
};

}  // namespace pgw::book
