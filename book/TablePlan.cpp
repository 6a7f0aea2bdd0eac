#include "book/TablePlan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace pgw::book {

namespace {

const std::string kNamelessBase = "\xCE\xB4\xC3\xFC\xC3\xFB\xD5\xC2\xBD\xDA";  // 未命名章节
const std::string kRootBase = "\xB8\xF9\xC4\xBF\xC2\xBC";                      // 根目录

// The longest prefix of `text` of at most `limit` bytes that ends on a character
// boundary: a GBK lead byte takes its trail byte with it.
size_t fittingLength(const std::string& text, size_t limit) {
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t width = (uint8_t(text[i]) >= 0x81 && i + 1 < text.size()) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
        end = i;
    }
    return end;
}

// Chapter names: the stored ones, and the fresh ones given to chapters that cannot keep
// theirs. A fresh name is its base with the next number that no chapter of the table
// uses, so a renamed chapter never pushes an innocent one out of its name.
class NameChooser {
public:
    explicit NameChooser(size_t expected) { used_.reserve(expected); }
    void noteStored(const std::string& name) { stored_.insert(name); }
    void storedNoted() { storedKnown_ = true; }
    bool knowsStored() const { return storedKnown_; }
    bool isFree(const std::string& name) const { return !used_.count(name) && !isReservedName(name); }
    void use(const std::string& name) { used_.insert(name); }
    // Takes the name when it is free, in one look-up: every chapter's name passes here.
    bool useIfFree(const std::string& name) { return !isReservedName(name) && used_.insert(name).second; }

    std::string fresh(const std::string& base) {
        for (uint64_t& number = next_.try_emplace(base, 1).first->second;; ++number) {
            const std::string suffix = std::to_string(number);
            std::string name = base.substr(0, fittingLength(base, kMaxNameBytes - suffix.size())) + suffix;
            if (isFree(name) && !stored_.count(name)) {
                use(name);
                return name;
            }
        }
    }

private:
    std::unordered_set<std::string> stored_, used_;
    bool storedKnown_ = false;
    std::unordered_map<std::string, uint64_t> next_;
};

// The directories from the root down to the last one read. Records come in pre-order,
// so a record's parent is the nearest directory of that name on this path; the ones
// below it are done with. Finding a name is constant time however deep the path.
class DirectoryPath {
public:
    void push(const std::string& name, size_t entry) {
        levels_.push_back({name, entry});
        depths_[name].push_back(levels_.size() - 1);
    }
    std::optional<size_t> enter(const std::string& name) {
        // Most records are pages of the directory read last: no look-up for them.
        if (!levels_.empty() && levels_.back().name == name) return levels_.back().entry;
        const auto found = depths_.find(name);
        if (found == depths_.end() || found->second.empty()) return std::nullopt;
        const size_t depth = found->second.back();
        while (levels_.size() > depth + 1) {
            depths_[levels_.back().name].pop_back();
            levels_.pop_back();
        }
        return levels_.back().entry;
    }

private:
    struct Level {
        std::string name;
        size_t entry;
    };
    std::vector<Level> levels_;
    std::unordered_map<std::string, std::vector<size_t>> depths_;
};

// Places the records of a table read with the root first and the records of unknown
// kind set aside.
class Planner {
public:
    Planner(std::vector<TableRecord>& records, TablePlan& plan)
        : records_(records), plan_(plan), names_(records.size()) {}

    void run(const std::optional<std::string>& title) {
        placeRoot(title);
        for (placing_ = 1; placing_ < records_.size(); ++placing_) placeRecord(std::move(records_[placing_].record));
    }

private:
    // A fresh name avoids every stored one. Only a table that needs repairs comes here, so
    // the stored names are gathered then: from the records placed, and those still to come.
    // The record being placed is the one that needs it: its own stored name is taken,
    // reserved or empty.
    std::string fresh(const std::string& base) {
        if (!names_.knowsStored()) {
            names_.noteStored(rootStored_);
            for (size_t i = 1; i < plan_.entries.size(); ++i) names_.noteStored(plan_.entries[i].storedName);
            for (size_t i = placing_ + 1; i < records_.size(); ++i)
                names_.noteStored(records_[i].record->itemName);
            names_.storedNoted();
        }
        return names_.fresh(base);
    }

    void tell(Repair repair, std::string name, std::string newName) {
        plan_.findings.push_back({repair, std::move(name), std::move(newName)});
    }

    // The root carries the book's title; a reserved title leaves it its stored name.
    void placeRoot(const std::optional<std::string>& title) {
        plan_.entries.reserve(records_.size());
        std::unique_ptr<NodeInfoRecord> root = std::move(records_.front().record);
        const std::string stored = root->itemName;
        rootStored_ = stored;
        std::string name = title && !isReservedName(*title) ? *title : stored;
        if (!names_.isFree(name) || name.empty()) name = fresh(name.empty() ? kRootBase : name);
        names_.use(name);
        if (title && isReservedName(*title)) tell(Repair::TitleReserved, *title, name);
        root->itemName = name;
        root->objName = rootElementName(name);
        plan_.entries.push_back({std::move(root), stored, kNoEntry});
        path_.push(stored, 0);
    }

    void placeRecord(std::unique_ptr<NodeInfoRecord> record) {
        const std::string stored = record->itemName;
        const size_t parent = parentOf(*record);
        record->itemName = nameFor(stored);
        record->parentName = plan_.entries[parent].record->itemName;
        const bool directory = record->isStorage();
        plan_.entries.push_back({std::move(record), stored, parent});
        if (directory) {
            path_.push(stored, plan_.entries.size() - 1);
            latestDirectory_[stored] = plan_.entries.size() - 1;
        }
    }

    // A table out of pre-order still finds a directory read earlier; a parent that is no
    // directory, or none at all, leaves the chapter under the root. The root is found by
    // its stored name only: "NULL" names the parent of a directory called so, if any.
    size_t parentOf(const NodeInfoRecord& record) {
        if (const auto onPath = path_.enter(record.parentName)) return *onPath;
        if (const auto found = latestDirectory_.find(record.parentName); found != latestDirectory_.end())
            return found->second;
        tell(Repair::Orphan, record.itemName, record.parentName);
        return 0;
    }

    std::string nameFor(const std::string& stored) {
        if (stored.empty()) {
            std::string name = fresh(kNamelessBase);
            tell(Repair::NamelessChapter, stored, name);
            return name;
        }
        if (names_.useIfFree(stored)) return stored;
        const TableEntry& root = plan_.entries.front();
        const Repair why = isReservedName(stored)                                          ? Repair::ReservedName
                           : stored == root.record->itemName && stored != root.storedName ? Repair::TitleTaken
                                                                                           : Repair::DuplicateName;
        std::string name = fresh(stored);
        tell(why, stored, name);
        return name;
    }

    std::vector<TableRecord>& records_;
    TablePlan& plan_;
    NameChooser names_;
    size_t placing_ = 0;  // the record being placed
    std::string rootStored_;
    DirectoryPath path_;
    std::unordered_map<std::string, size_t> latestDirectory_;
};

}  // namespace

bool isReservedName(std::string_view name) { return name == "NULL" || name == "NodeInfo" || name == "AboutInfo"; }

std::string rootElementName(const std::string& title) {
    const size_t end = fittingLength(title, kMaxObjNameBytes);
    return end == 0 ? std::string("root") : title.substr(0, end);
}

TablePlan planTable(std::string_view table, const std::optional<std::string>& title, const TablePolicy& policy) {
    TablePlan plan;
    NodeTableRead read = readNodeTable(table, policy);
    plan.fault = read.fault;
    plan.recordCount = read.header.recordCount;
    plan.storageCount = read.header.storageCount;
    plan.streamCount = read.header.streamCount;
    plan.recordsHeld = uint32_t(std::min<uint64_t>(plan.recordCount, read.recordsInStream));
    if (!read.readable() || read.records.empty()) return plan;
    plan.readable = true;
    plan.kept = std::move(read.setAside);
    if (read.countExceedsStream())
        plan.findings.push_back({Repair::ShortTable, {}, {}, plan.recordCount, plan.recordsHeld});
    Planner(read.records, plan).run(title);
    return plan;
}

}  // namespace pgw::book
