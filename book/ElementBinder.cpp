#include "book/ElementBinder.h"

#include <algorithm>
#include <cstdio>

namespace pgw::book {

using storage::StgResult;

namespace {

std::string folded(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return name;
}

bool isSpecialStream(const std::string& foldedName) { return foldedName == "nodeinfo" || foldedName == "aboutinfo"; }

// "stg%d" for a directory, "stm%.2d" for a page.
std::string elementName(bool directory, int64_t number) {
    char text[32];
    std::snprintf(text, sizeof text, directory ? "stg%lld" : "stm%.2lld", static_cast<long long>(number));
    return text;
}

}  // namespace

ElementBinder::ElementBinder(uint32_t openMode, bool repair, int32_t storageCount, int32_t streamCount)
    : openMode_(openMode), repair_(repair), nextStorage_(std::max(storageCount, 0)),
      nextStream_(std::max(streamCount, 0)) {
    reserved_.insert({"nodeinfo", "aboutinfo"});
}

void ElementBinder::reserveAll(NameList names, size_t count) {
    reservedNames_ = std::move(names);
    reservedCount_ = count;
}

bool ElementBinder::isReserved(const std::string& foldedName) {
    if (reservedNames_) {
        for (const std::string& name : reservedNames_()) reserved_.insert(folded(name));
        reservedNames_ = nullptr;
    }
    return reserved_.count(foldedName) != 0;
}

bool ElementBinder::claimedIn(Claims::const_iterator first, uint64_t parentKey, const std::string& foldedName) const {
    return first != claimed_.end() &&
           (first->second == parentKey || claimedAgain_.count({parentKey, foldedName}) != 0);
}

// A name can lead to the chapter's own element unless it is empty, names one of the
// root's special streams, or a sibling chapter bound that element already.
bool ElementBinder::usable(Claims::const_iterator first, uint64_t parentKey, bool parentIsRoot,
                           const std::string& foldedName) const {
    return !foldedName.empty() && !(parentIsRoot && isSpecialStream(foldedName)) &&
           !claimedIn(first, parentKey, foldedName);
}

std::string ElementBinder::freshName(bool directory) {
    for (int64_t& next = directory ? nextStorage_ : nextStream_;; ++next) {
        std::string name = elementName(directory, next);
        const std::string key = folded(name);
        if (isReserved(key) || claimed_.count(key)) continue;
        reserved_.insert(key);
        ++next;
        return name;
    }
}

// The element is renamed before it is opened: an open element cannot be renamed.
bool ElementBinder::renameToFresh(storage::Storage& parent, std::string* objName, bool directory) {
    for (;;) {
        const std::string fresh = freshName(directory);
        const StgResult result = parent.renameElement(*objName, fresh);
        if (result == StgResult::AlreadyExists) continue;
        if (result != StgResult::Ok) return false;
        *objName = fresh;
        return true;
    }
}

StgResult ElementBinder::open(storage::Storage& parent, const std::string& name, bool directory, Bound* out) const {
    return directory ? parent.openStorage(name, openMode_, &out->storage)
                     : parent.openStream(name, openMode_, &out->stream);
}

// A new, empty element: under the wanted name when it is free, else under a fresh one.
void ElementBinder::make(storage::Storage& parent, const std::string& wanted, bool directory, Bound* out) {
    const auto create = [&](const std::string& name) {
        return directory ? parent.createStorage(name, openMode_, &out->storage)
                         : parent.createStream(name, openMode_, &out->stream);
    };
    std::string name = wanted;
    StgResult result = name.empty() ? StgResult::InvalidName : create(name);
    while (result == StgResult::AlreadyExists || (result != StgResult::Ok && name == wanted)) {
        name = freshName(directory);
        result = create(name);
    }
    out->outcome = result == StgResult::Ok ? Outcome::Made : Outcome::Missing;
    out->objName = result == StgResult::Ok ? name : wanted;
}

void ElementBinder::claim(uint64_t parentKey, const std::string& name) {
    std::string key = folded(name);
    const auto [first, added] = claimed_.try_emplace(key, parentKey);
    if (!added && first->second != parentKey) claimedAgain_.emplace(parentKey, std::move(key));
}

ElementBinder::Bound ElementBinder::bind(storage::Storage& parent, uint64_t parentKey, bool parentIsRoot,
                                         const std::string& objName, bool directory) {
    Bound out;
    // Every record's name was reserved: that many claims are coming.
    if (claimed_.empty()) claimed_.reserve(reservedCount_ + reserved_.size());
    std::string name = objName;
    const std::string key = folded(name);
    // The usual chapter: a name nobody claimed before, and its element there. It claims
    // the name at once, in one look-up; any other case takes the long way below.
    if (!key.empty() && !(parentIsRoot && isSpecialStream(key))) {
        const auto [claim, added] = claimed_.try_emplace(key, parentKey);
        if (added && open(parent, name, directory, &out) == StgResult::Ok) {
            out.outcome = Outcome::Found;
            out.objName = name;
            return out;
        }
        if (added) claimed_.erase(claim);
    }
    const auto first = claimed_.find(key);
    bool canUse = usable(first, parentKey, parentIsRoot, key);
    // Another chapter, in another storage, has this name already: this one's element
    // takes a fresh name. Only looking, the element is still this chapter's own.
    if (canUse && first != claimed_.end() && repair_) canUse = renameToFresh(parent, &name, directory);
    if (canUse && open(parent, name, directory, &out) == StgResult::Ok) {
        out.outcome = Outcome::Found;
        out.objName = name;
        claim(parentKey, name);
        return out;
    }
    if (!repair_) {
        out.objName = name;
        if (canUse) claim(parentKey, name);
        return out;
    }
    make(parent, canUse ? name : std::string(), directory, &out);
    if (out.outcome == Outcome::Made) claim(parentKey, out.objName);
    return out;
}

}  // namespace pgw::book
