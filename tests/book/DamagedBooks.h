#pragma once
// Damaged books for the salvage tests: a good book made and saved by the program, then
// one record or element spoiled with the storage library, as a crash, an older program
// or a foreign tool might leave it. The program, pgw and the reader meet the same books.

#include "BookFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace pgw::book::testing {

// Spoils the book file: its root storage ("stg1" holds 正文 stm04 and 插图 stm05; 后记
// is stm06), its node table's records and count.
using Spoil = std::function<void(storage::Storage& root, std::vector<NodeInfoRecord>& records, uint32_t& count)>;

struct Damage {
    const char* what;
    std::string file;  // the damaged book's file name
    Spoil spoil;
    std::vector<std::string> lines;  // the message's lines (UTF-8); none: opens without one
    std::string tree;                // after opening: "root(child child(grandchild))"
    std::string pages;               // every page's stored bytes after opening, in tree order
    bool toldAtEveryOpen = false;    // what is told is nothing a save repairs
    bool refused = false;            // nothing can be salvaged
};

// The good book is 书(新建文本 第一章(正文 插图) 后记), its pages as the first case lists.
const std::vector<Damage>& damages();
// Makes the good book in `folder` and a damaged copy of it; returns the copy's path.
std::string makeDamagedBook(const ScratchFolder& folder, const Damage& damage);

// The tree as Damage::tree writes it; the pages as Damage::pages lists them.
std::string compactTree(const ChapterModel& tree);
std::string pageContents(const ProgramParts& parts);

// A book of `depth` directories, each inside the one before ("d1" in "deep", "d2" in
// "d1", ...); with a text, a text page "page" at the bottom holds it.
void writeDeepBook(const std::string& path, int depth, const std::string& bottomText = {});
// Runs `work` on a thread whose stack is far too small for a walk that recurses once a
// level of such a book.
void onSmallStack(const std::function<void()>& work);

}  // namespace pgw::book::testing
