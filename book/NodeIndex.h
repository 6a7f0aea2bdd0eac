#pragma once
// The open book's records by name: every chapter under its name (through the chapter
// model, which holds them), and "NodeInfo" and "AboutInfo" for the book's two special
// streams, which are never chapters and are held here. Through the records the index
// holds every open storage and stream of the book.

#include "book/ByNodeId.h"
#include "book/ChapterModel.h"
#include "book/NodeInfoRecord.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pgw::book {

class NodeIndex : private ChapterModelObserver {
public:
    explicit NodeIndex(ChapterModel& chapters);
    ~NodeIndex() override;
    NodeIndex(const NodeIndex&) = delete;
    NodeIndex& operator=(const NodeIndex&) = delete;

    NodeInfoRecord* find(const std::string& name) const;
    // A record whose element name is `objName`. Chapters are looked up by element name
    // in an index that follows the chapter model's changes, built once a few look-ups
    // have walked the chapters without it; element names changed in place without one
    // (records bound at open, the root retitled) must be announced.
    NodeInfoRecord* findByObjName(const std::string& objName) const;
    void elementNamesChanged() const { objNamesKnown_ = false; }
    // One chapter's element name was set in place.
    void elementNameChanged(NodeId node) const {
        if (objNamesKnown_) indexNode(node, true);
    }
    // The special streams' records: stores the record under `name`, replacing any there.
    // Chapters come and go through the chapter model.
    NodeInfoRecord* add(const std::string& name, std::unique_ptr<NodeInfoRecord> record);
    bool remove(const std::string& name);
    void forEach(const std::function<void(const std::string& key, NodeInfoRecord& record)>& visit) const;
    // Frees every record, which releases every storage and stream they hold.
    void removeAll();
    bool empty() const { return specials_.empty() && chapters_.empty(); }
    size_t size() const { return specials_.size() + chapters_.size(); }

private:
    void aboutToReset() override { objNamesKnown_ = false; }
    void resetDone() override { objNamesKnown_ = false; }  // a rebuild adds nodes without a word
    void inserted(NodeId node) override { indexSubtree(node, true); }
    void aboutToRemove(NodeId node) override { indexSubtree(node, false); }
    void moved(NodeId node) override;  // a chapter moved to another directory has a new element
    void changed(NodeId node) override;
    void indexSubtree(NodeId top, bool add) const;
    void indexNode(NodeId node, bool add) const;
    void buildObjNames() const;
    NodeInfoRecord* findChapterByWalking(const std::string& objName) const;
    NodeInfoRecord* findSpecial(const std::string& objName) const;

    ChapterModel& chapters_;
    std::unordered_map<std::string, std::unique_ptr<NodeInfoRecord>> specials_;
    // Chapters by a hash of their element name, built at the first look-up and kept up to
    // date from then on. A look-up compares the names themselves, so hashes that collide
    // cost a comparison, never a wrong answer; the index holds no copy of any name.
    static size_t hashOf(const std::string& objName) { return std::hash<std::string>{}(objName); }
    mutable std::unordered_multimap<size_t, NodeId> byObjName_;
    mutable ByNodeId<std::optional<size_t>> objNameOf_;  // the hash each chapter is indexed under
    mutable bool objNamesKnown_ = false;
    static constexpr int kLookupsBeforeIndex = 4;
    mutable int lookupsWithoutIndex_ = 0;
};

// The book counters. The first three are stored in the "NodeInfo" header and name new
// elements; the page counts name new pages and only ever grow with loads and additions.
struct BookCounters {
    uint32_t recordCount = 0;
    int32_t storageCount = 0;
    int32_t streamCount = 0;
    int32_t textPageCount = 0;
    int32_t picturePageCount = 0;

    void resetStored() { recordCount = 0, storageCount = 0, streamCount = 0; }
};

}  // namespace pgw::book
