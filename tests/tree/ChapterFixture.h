#pragma once
// A new untitled book in a scratch folder, with every chapter command attached to it the
// way the chapter pane attaches them.

#include "../book/BookFixture.h"
#include "tree/ChapterOperations.h"
#include "tree/TreeItems.h"

#include <gtest/gtest.h>

namespace pgw::tree::testing {

using book::testing::gbk;
using book::testing::utf8;

class ChapterFixture : public ::testing::Test {
protected:
    void SetUp() override;

    ItemId item(const std::string& utf8Name) const { return parts.itemOf(gbk(utf8Name)); }
    book::NodeInfoRecord* record(const std::string& utf8Name) const { return parts.session.index.find(gbk(utf8Name)); }
    void select(const std::string& utf8Name) { parts.tree.selectItem(item(utf8Name)); }
    std::string selectedName() const { return utf8(parts.tree.label(parts.tree.selectedItem())); }
    ItemImages imagesOf(const std::string& utf8Name) const { return parts.tree.images(item(utf8Name)); }
    const std::string& workingCopy() const { return parts.storage.store().workingCopyPath; }
    // Names of the records in the working copy's node table, in order (UTF-8).
    std::vector<std::string> storedNames() const;
    // A page's stream in the working copy, read from the file.
    std::string storedContent(const std::string& utf8Name) const;
    std::vector<std::string> messages() const { return parts.ui.messageTexts(); }

    // root → 新建文本, A (a1, a2), B (b1, C (c1)), pic; each page holds text of its own
    // ("{\rtf1 text of a1}"), the picture page bytes, all stored; the root selected.
    void buildSampleChapters();
    // Content typed into a page and stored by leaving it for the root.
    void typeAndLeave(const std::string& utf8Name, const std::string& content);
    // Adds under the named directory; returns the new chapter's name (UTF-8).
    std::string addDirectoryUnder(const std::string& parent, const std::string& name = {});
    std::string addTextUnder(const std::string& parent, const std::string& name = {});
    std::string addPictureUnder(const std::string& parent, const std::string& name = {});

    book::testing::ScratchFolder folder;
    book::testing::ProgramParts parts;
    ChapterEditing editing{parts.storage, parts.document};
    ChapterOperations operations{parts.storage, parts.document};
    Bookmarks bookmarks{parts.storage};
    MoveMark moveMark{parts.storage};
    Navigation& navigation = parts.navigation;
    std::string root;  // the root's name (UTF-8)
};

}  // namespace pgw::tree::testing
