#pragma once
// The chapter pane on a real book: the pane's tree control is the tree the book builds,
// with the scripted user interface, the held editors and the document, in a scratch
// folder.

#include "../../book/BookFixture.h"
#include "tree/TreeItems.h"
#include "tree/widgets/CManageView.h"
#include "tree/widgets/ChapterImages.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace pgw::tree::widgets::testing {

using book::testing::gbk;
using book::testing::utf8;

struct PaneParts {
    book::testing::ScratchFolder folder;
    book::BookSession session;
    CManageView pane;
    CChapterTreeCtrl& tree = *pane.tree();
    book::ChapterModel& chapters = session.chapters;
    ui::ScriptedUserInterface ui;
    book::HeldPageEditors editors;
    book::BookStorage storage{session, ui};
    book::CPGWDoc document{storage, editors};
    ChapterCommands commands{storage, document};

    PaneParts() { pane.attachBook(commands); }
    ~PaneParts() { tree.detachBook(); }
};

class PaneFixture : public ::testing::Test {
protected:
    void SetUp() override;

    ItemId item(const std::string& utf8Name) const;
    book::NodeInfoRecord* record(const std::string& utf8Name) const { return p.session.index.find(gbk(utf8Name)); }
    void select(const std::string& utf8Name) { p.chapters.selectItem(item(utf8Name)); }
    std::string selectedName() const { return utf8(p.chapters.label(p.chapters.selectedItem())); }
    QModelIndex index(const std::string& utf8Name) const { return p.tree.indexOf(item(utf8Name)); }
    // The middle of an item's label, in the tree's viewport.
    QPoint labelPoint(const std::string& utf8Name) const;
    std::vector<std::string> messages() const { return p.ui.messageTexts(); }
    // A page's stream in the working copy, read from the file.
    std::string storedContent(const std::string& utf8Name) const;
    // Shown the way the main window shows the pane, so clicks and keys reach it.
    void showPane();

    // root → 新建文本, A (a1, a2), B (b1)
    void buildChapters();
    ItemId addUnder(const std::string& parent, const std::string& name, book::NodeType type);

    PaneParts p;
    std::string root;  // UTF-8
};

// Runs the queued work of the label editor and deletes a closed editor.
void settle();

// The texts and enabled states of a menu's items (separators as "-").
std::vector<std::pair<std::string, bool>> menuItems(const QMenu& menu);

}  // namespace pgw::tree::widgets::testing
