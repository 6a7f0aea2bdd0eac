// Undo and redo of structural edits on real books: random edits undone to the start give
// back the book byte for byte, and redone give back the edited one; a deleted chapter
// comes back with what was typed into it, its pictures and its bookmarks.

#include "ChapterFixture.h"

#include "tree/ChapterEdits.h"

#include <random>

namespace pgw::tree::testing {
namespace {

using book::testing::ListHistory;
using book::testing::streamsOf;

// The sample chapters, with c1 and a1 bookmarked.
class Undo : public ChapterFixture {
protected:
    void SetUp() override {
        ChapterFixture::SetUp();
        buildSampleChapters();
        for (const char* page : {"c1", "a1"}) {
            select(page);
            bookmarks.toggle();
        }
        select(root);
        // Bookmarks reach the table with its next write; the book starts as it stands.
        ASSERT_TRUE(parts.storage.writeNodeInfo());
        editing.recordInto(&history);
        move.recordInto(&history);
        operations.recordInto(&history);
        parts.ui.setDefaultAnswer(ui::Answer::Ok);
        parts.ui.clearMessages();
    }

    // Everything undo must give back: the streams, the tree with its images, the bookmarks.
    struct State {
        std::map<std::string, std::string> streams;
        std::vector<std::string> tree;
        std::vector<std::string> bookmarks;
    };
    // What differs between two states, for the failure message; empty when they agree.
    static std::string difference(const State& now, const State& expected) {
        std::string text;
        for (const auto& [path, bytes] : expected.streams)
            if (!now.streams.count(path) || now.streams.at(path) != bytes) {
                text += " stream " + path;
                const std::string& other = now.streams.count(path) ? now.streams.at(path) : std::string();
                const auto differs = std::mismatch(other.begin(), other.end(), bytes.begin(), bytes.end());
                text += " at " + std::to_string(differs.first - other.begin());
            }
        for (const auto& [path, bytes] : now.streams)
            if (!expected.streams.count(path)) text += " extra " + path;
        if (now.tree != expected.tree) text += " tree";
        if (now.bookmarks != expected.bookmarks) text += " bookmarks";
        return text;
    }
    State state() const {
        State now{streamsOf(workingCopy()), {}, parts.session.bookmarks};
        for (const ItemId at : parts.tree.subtreeInPreOrder(parts.tree.rootItem())) {
            const ItemImages images = parts.tree.images(at);
            now.tree.push_back(utf8(parts.tree.label(at)) + "@" + std::to_string(parts.tree.depth(at)) + "#" +
                               std::to_string(images.normal) + std::to_string(images.selected));
        }
        return now;
    }

    // One random edit of the kinds the author makes: add, rename, delete, move.
    void randomEdit(std::mt19937& random, int step) {
        const auto pick = [&](const std::vector<ItemId>& items) {
            return items[std::uniform_int_distribution<size_t>(0, items.size() - 1)(random)];
        };
        std::vector<ItemId> chapters, directories;
        for (const ItemId at : parts.tree.subtreeInPreOrder(parts.tree.rootItem())) {
            if (at != parts.tree.rootItem()) chapters.push_back(at);
            if (parts.tree.record(at)->isStorage()) directories.push_back(at);
        }
        switch (std::uniform_int_distribution<int>(0, chapters.empty() ? 2 : 5)(random)) {
        case 0: parts.tree.selectItem(pick(directories)), operations.addDirectory(); break;
        case 1: parts.tree.selectItem(pick(directories)), operations.addTextPage(); break;
        case 2: parts.tree.selectItem(pick(directories)), operations.addPicturePage(); break;
        case 3: editing.renameItem(pick(chapters), gbk("改名" + std::to_string(step))); break;
        case 4: parts.tree.selectItem(pick(chapters)), editing.deleteSelected(); break;
        default: {
            const ItemId chapter = pick(chapters);
            const ItemId parent = pick(directories);
            std::vector<ItemId> places{kNoItem};
            for (ItemId child = parts.tree.firstChild(parent); child != kNoItem; child = parts.tree.nextSibling(child))
                if (child != chapter) places.push_back(child);
            const ItemId after = pick(places);
            if (!move.refusal(chapter, parent, after)) move.moveChapter(chapter, parent, after);
        }
        }
    }

    // What the author was told, the delete question aside.
    std::vector<std::string> complaints() const {
        std::vector<std::string> told = messages();
        std::erase(told, "确定删除该目录吗?");
        return told;
    }

    ListHistory history;
    ChapterMove move{parts.storage, parts.document, moveMark};
};

TEST_F(Undo, RandomEditsUndoneToTheStartGiveBackTheBookAndRedoneTheEditedOne) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        history.forget();
        const State start = state();
        for (int step = 0; step < 30; ++step) randomEdit(random, step);
        ASSERT_TRUE(complaints().empty()) << complaints().front();
        const State edited = state();
        const size_t edits = history.next;
        while (history.next > 0) ASSERT_TRUE(history.undo()) << history.edits[history.next - 1]->text();
        EXPECT_EQ(difference(state(), start), "");
        while (history.next < edits) ASSERT_TRUE(history.redo()) << history.edits[history.next]->text();
        EXPECT_EQ(difference(state(), edited), "");
        while (history.next > 0) ASSERT_TRUE(history.undo());
        ASSERT_EQ(difference(state(), start), "");
        EXPECT_TRUE(complaints().empty());
    }
}

TEST_F(Undo, ADeletedDirectoryComesBackWithTypingPicturesAndBookmarksAndDefaultNamesFollow) {
    addPictureUnder("B", "p2");
    typeAndLeave("p2", "picture bytes");
    select("c1");
    parts.editors.text = "{typed, never stored}";
    record("c1")->storePending = true;
    select("B");
    ASSERT_TRUE(editing.deleteSelected());
    ASSERT_EQ(record("c1"), nullptr);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(storedContent("c1"), "{typed, never stored}");
    EXPECT_EQ(storedContent("p2"), "picture bytes");
    EXPECT_EQ(parts.session.bookmarks, (std::vector<std::string>{gbk("c1"), gbk("a1")}));
    EXPECT_TRUE(record("c1")->bookmark);
    EXPECT_EQ(selectedName(), "B");
    // An added page taken back gives its default name back.
    select(root);
    const std::string added = addTextUnder(root);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(addTextUnder(root), added);
    EXPECT_TRUE(complaints().empty());
}

TEST_F(Undo, AStepThatCannotBeMadeChangesNothingAndStaysToBeTriedAgain) {
    select("a2");
    ASSERT_TRUE(editing.deleteSelected());
    // Made outside the history, a chapter takes the deleted one's name.
    operations.recordInto(nullptr);
    addTextUnder("B", "a2");
    const State before = state();
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(complaints().size(), 1u);
    EXPECT_EQ(difference(state(), before), "");
    EXPECT_EQ(history.next, 1u);
    editing.recordInto(nullptr);
    ASSERT_TRUE(editing.renameItem(item("a2"), gbk("other")));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(storedContent("a2"), "{\\rtf1 text of a2}");
}

}  // namespace
}  // namespace pgw::tree::testing
