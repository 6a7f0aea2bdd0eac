#pragma once
// The main window on a new book in a scratch folder, its message boxes answered OK and
// recorded, and the chapters reached by their names.

#include "../book/BookFixture.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QMessageBox>

#include <gtest/gtest.h>

namespace pgw::shell::testing {

class FrameFixture : public ::testing::Test {
protected:
    FrameFixture() : frame(session) {
        frame.resize(1000, 700);
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            seen.push_back({box.windowTitle().toStdString(), box.text().toStdString()});
            return int(QMessageBox::Ok);
        });
    }
    ~FrameFixture() override {
        frame.ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
        frame.close();
    }
    tree::widgets::CChapterTreeCtrl& tree() { return *frame.chapterPane()->tree(); }
    book::ChapterModel& chapters() { return session.chapters; }
    tree::ItemId item(const std::string& utf8) {
        const book::NodeInfoRecord* record = session.index.find(book::testing::gbk(utf8));
        return record ? record->item : tree::kNoItem;
    }
    void select(const std::string& utf8) { chapters().selectItem(item(utf8)); }
    // Adds under the named directory (empty: the root) through the window's chapter commands.
    std::string addChapter(const std::string& parent, bool directory, const std::string& utf8) {
        chapters().selectItem(parent.empty() ? chapters().rootItem() : item(parent));
        tree::ChapterOperations& operations = tree().commands()->operations;
        const std::string name = book::testing::gbk(utf8);
        return directory ? operations.addDirectory(name) : operations.addTextPage(name);
    }

    book::testing::ScratchFolder folder;
    book::BookSession session;
    CMainFrame frame;
    std::vector<std::pair<std::string, std::string>> seen;  // caption, text
};

}  // namespace pgw::shell::testing
