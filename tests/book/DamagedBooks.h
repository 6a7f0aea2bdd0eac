#pragma once
// Damaged books for the salvage tests: a good book made and saved by the program, then
// one record or element spoiled with the storage library, as a crash, an older program
// or a foreign tool might leave it. The program, pgw and the reader are tried on the
// same books.

#include "BookFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace pgw::book::testing {

// The "NodeInfo" stream of a book file, to spoil.
struct NodeTableBytes {
    std::vector<uint8_t> bytes;
    size_t indexOf(const std::string& nameUtf8) const;  // the record of that name
    NodeInfoRecord record(size_t index) const;
    void put(size_t index, const NodeInfoRecord& record);
    void putCount(uint32_t count);
};

struct Damage {
    const char* what;
    std::string file;  // the damaged book's file name
    std::function<void(storage::Storage& root, NodeTableBytes& table)> spoil;
    std::vector<std::string> lines;  // the message's lines (UTF-8); none: opens without one
    std::string tree;                // the tree after opening: "root(child child(grandchild))"
    std::string pages;               // every page's stored bytes after opening, in tree order
    bool toldAtEveryOpen = false;    // what is told is no damage a save repairs
    bool refused = false;            // nothing can be salvaged
};

// The good book, as the program made it (contents in pages()):
//   书(新建文本 第一章(正文 插图) 后记)
const std::vector<Damage>& damages();

// Makes the good book in `folder` and a damaged copy of it; returns the copy's path.
std::string makeDamagedBook(const ScratchFolder& folder, const Damage& damage);

// The tree as Damage::tree writes it; the pages as Damage::pages lists them.
std::string compactTree(const tree::ChapterTree& tree);
std::string pageContents(const ProgramParts& parts);

// A book of `depth` directories, each inside the one before ("d1" in "deep", "d2" in
// "d1", ...), written with the storage library; with a text, a text page "page" holds it
// at the bottom.
void writeDeepBook(const std::string& path, int depth, const std::string& bottomText = {});
// Runs `work` on a thread whose stack is far too small for a walk that recurses once a
// level of such a book.
void onSmallStack(const std::function<void()>& work);

}  // namespace pgw::book::testing
