#pragma once
// What an import will make, worked out before anything in the book changes: files become
// pages (text, RTF and HTML as text pages, pictures as picture pages), folders become
// directories with their files in natural order (第2章 before 第10章), and a long text can
// be cut into pages at its chapter headings, its volumes becoming directories. Every page's
// content is ready, so that the book changes only when all of it could be read.

#include "import/ChapterHeadings.h"

#include <string>
#include <vector>

namespace pgw::import {

enum class EntryKind { Directory, TextPage, PicturePage };

struct ImportEntry {
    EntryKind kind = EntryKind::TextPage;
    std::string name;     // UTF-8, as the source or its heading gives it
    std::string content;  // a text page's RTF, a picture page's stored pictures
    std::vector<ImportEntry> children;
};

struct ImportProblem {
    enum class Kind { NoSuchFile, Unreadable, TooLarge, NotText, Undecodable, DamagedRtf, NotAPicture, TooDeep };
    Kind kind;
    std::string path;
    std::string detail;  // what a reader said, when it said something
};

struct ImportPlan {
    std::vector<ImportEntry> entries;
    std::vector<ImportProblem> problems;  // any of these stops the import
    std::vector<std::string> skipped;     // files in folders that are no page (their paths)
    bool ok() const { return problems.empty(); }
    size_t chapterCount() const;
};

ImportPlan planImport(const std::vector<std::string>& paths, const HeadingMatcher& headings);

// Natural order of names: runs of digits compare by their value.
bool naturallyBefore(const std::string& a, const std::string& b);

// The problem for the author, in Chinese for the window or in English for pgw.
std::string describe(const ImportProblem& problem, bool chinese);

}  // namespace pgw::import
