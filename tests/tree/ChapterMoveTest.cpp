// Moving chapters on real books: the marked page behind the selected chapter, pages and
// directories moved with their elements, refusals, and the book as saved and reopened.

#include "ChapterFixture.h"

#include <set>

namespace pgw::tree::testing {
namespace {

using book::testing::elementPaths;
using book::testing::ProgramParts;
using book::testing::readTable;

const ItemImages kTextImages{image::kText, image::kTextSelected};
const ItemImages kBookmarkImages{image::kBookmark, image::kBookmark};

// root → 新建文本, A (a1, a2), B (b1, C (c1)), pic
class Moves : public ChapterFixture {
protected:
    void SetUp() override {
        ChapterFixture::SetUp();
        buildSampleChapters();
        parts.ui.clearMessages();
        parts.document.setModified(false);
    }
    void markAndMoveBehind(const std::string& source, const std::string& target) {
        select(source);
        moveMark.setSource();
        select(target);
        move.moveSourceBehindSelected();
    }
    // A tree as "name(child,child)", from `item`.
    static std::string outline(const book::ChapterModel& tree, ItemId item) {
        std::string text = utf8(tree.label(item));
        if (tree.firstChild(item) == kNoItem) return text;
        text += "(";
        for (ItemId child = tree.firstChild(item); child != kNoItem; child = tree.nextSibling(child))
            text += outline(tree, child) + (tree.nextSibling(child) != kNoItem ? "," : "");
        return text + ")";
    }
    std::string outline() const { return outline(parts.tree, parts.tree.rootItem()); }
    std::string parentOf(const std::string& name) const { return utf8(record(name)->parentName); }

    ChapterMove move{parts.storage, parts.document, moveMark};
};

TEST_F(Moves, TheMarkedPageGoesBehindTheSelectedChapterWithItsContentAndBookmark) {
    select("a1");
    bookmarks.toggle();
    const std::string before = storedContent("a1");
    markAndMoveBehind("a1", "b1");

    EXPECT_EQ(outline(), root + "(新建文本,A(a2),B(b1,a1,C(c1)),pic)");
    EXPECT_EQ(parentOf("a1"), "B");
    EXPECT_EQ(storedContent("a1"), before);
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 text of a1}");
    // The bookmark stays, in the record, the image and the list; the move mark is gone.
    EXPECT_TRUE(record("a1")->bookmark);
    EXPECT_EQ(imagesOf("a1"), kBookmarkImages);
    EXPECT_EQ(moveMark.sourceItem(), kNoItem);
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_TRUE(messages().empty());
    // The node table follows the tree, and the stream lives in B's storage only.
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, "新建文本", "A", "a2", "B", "b1", "a1", "C", "c1", "pic"}));
    const std::string inB = record("B")->objName + "/" + record("a1")->objName;
    const auto paths = elementPaths(workingCopy());
    EXPECT_EQ(std::count(paths.begin(), paths.end(), inB), 1);
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                            [&](const std::string& p) { return p.starts_with(record("A")->objName + "/"); }),
              1);  // a2 alone
}

TEST_F(Moves, WithTheRootSelectedThePageBecomesItsFirstChild) {
    markAndMoveBehind("c1", root);
    EXPECT_EQ(outline(), root + "(c1,新建文本,A(a1,a2),B(b1,C),pic)");
    EXPECT_EQ(parentOf("c1"), root);
    EXPECT_EQ(storedContent("c1"), "{\\rtf1 text of c1}");
    EXPECT_EQ(imagesOf("c1"), kTextImages);
}

TEST_F(Moves, ThePagesPictureBytesAndTheShownPagesUnsavedTextMoveAlong) {
    markAndMoveBehind("pic", "a1");
    EXPECT_EQ(storedContent("pic"), std::string("\x01\x00picture\xFF", 10));

    // a2 is shown and typed into, not yet stored: the move stores it firs
    select("a2");
    record("a2")->storePending = true;
    parts.editors.text = "{\\rtf1 typed again}";
    ASSERT_TRUE(move.moveChapter(item("a2"), item("B"), kNoItem));
    EXPECT_EQ(storedContent("a2"), "{\\rtf1 typed again}");
    EXPECT_FALSE(record("a2")->storePending);
    // Typing on and leaving the page writes into the moved stream.
    record("a2")->storePending = true;
    parts.editors.text = "{\\rtf1 after the move}";
    select(root);
    EXPECT_EQ(storedContent("a2"), "{\\rtf1 after the move}");
}

TEST_F(Moves, ADirectoryMovesWithItsWholeSubtree) {
    ASSERT_TRUE(move.moveChapter(item("B"), item("A"), item("a1")));
    EXPECT_EQ(outline(), root + "(新建文本,A(a1,B(b1,C(c1)),a2),pic)");
    EXPECT_EQ(parentOf("B"), "A");
    EXPECT_EQ(parentOf("b1"), "B");
    EXPECT_EQ(parentOf("C"), "B");
    for (const char* page : {"a1", "a2", "b1", "c1"})
        EXPECT_EQ(storedContent(page), std::string("{\\rtf1 text of ") + page + "}") << page;
    const std::string deepest =
        record("A")->objName + "/" + record("B")->objName + "/" + record("C")->objName + "/" + record("c1")->objName;
    const auto paths = elementPaths(workingCopy());
    EXPECT_NE(std::find(paths.begin(), paths.end(), deepest), paths.end());
    // Later changes below the moved directory go to the moved elements.
    EXPECT_EQ(addTextUnder("C", "c2"), "c2");
    typeAndLeave("c2", "{\\rtf1 new}");
    EXPECT_EQ(storedContent("c2"), "{\\rtf1 new}");
    // Deleting the moved directory removes the moved elements.
    const std::string movedB = record("A")->objName + "/" + record("B")->objName;
    select("B");
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    for (const std::string& path : elementPaths(workingCopy())) EXPECT_FALSE(path.starts_with(movedB)) << path;
}

TEST_F(Moves, ElementNamesStayUniqueThroughManyMovesAndAdditions) {
    for (int round = 0; round < 3; ++round) {
        markAndMoveBehind("a1", "b1");
        ASSERT_TRUE(move.moveChapter(item("C"), item(root), kNoItem));
        addTextUnder("A");
        markAndMoveBehind("a1", "a2");
        ASSERT_TRUE(move.moveChapter(item("C"), item("B"), item("b1")));
        addDirectoryUnder("C");
    }
    std::set<std::string> objNames;
    size_t records = 0;
    parts.session.index.forEach([&](const std::string& key, book::NodeInfoRecord& r) {
        if (!parts.tree.contains(r.item) || parts.tree.label(r.item) != key) return;  // the special streams
        ++records;
        objNames.insert(r.objName);
    });
    EXPECT_EQ(objNames.size(), records);
    // Every element of the working copy belongs to a record: nothing was left behind.
    size_t elements = 0;
    for (const std::string& path : elementPaths(workingCopy()))
        if (path != "NodeInfo" && path != "AboutInfo") ++elements;
    EXPECT_EQ(elements, records - 1);  // the root is the file itself
    for (const char* page : {"a1", "a2", "b1", "c1"})
        EXPECT_EQ(storedContent(page), std::string("{\\rtf1 text of ") + page + "}") << page;
}

TEST_F(Moves, RefusalsExplainAndChangeNothing) {
    struct Case {
        const char* what;
        std::function<bool()> attempt;
        const char* message;
    };
    const std::vector<Case> cases{
        {"no source", [this] { return move.moveSourceBehindSelected(); }, "请先将要移动的页面置为移动源!"},
        {"source behind itself",
         [this] {
             select("a1");
             moveMark.setSource();
             return move.moveSourceBehindSelected();
         },
         "不能把章节移动到它自己的后面!"},
        {"root", [this] { return move.moveChapter(item(root), item("A"), kNoItem); }, "根节点不能移动!"},
        {"into itself", [this] { return move.moveChapter(item("B"), item("B"), kNoItem); },
         "不能把目录移动到它自己或它的子目录中!"},
        {"into its subtree", [this] { return move.moveChapter(item("B"), item("C"), item("c1")); },
         "不能把目录移动到它自己或它的子目录中!"},
        {"under a page", [this] { return move.moveChapter(item("a1"), item("b1"), kNoItem); },
         "章节只能移动到目录中!"},
        {"behind a stranger", [this] { return move.moveChapter(item("a1"), item("B"), item("a2")); },
         "章节只能移动到目录中!"},
    };
    for (const Case& c : cases) {
        const std::string tree = outline();
        const auto paths = elementPaths(workingCopy());
        parts.ui.clearMessages();
        EXPECT_FALSE(c.attempt()) << c.what;
        ASSERT_EQ(messages().size(), 1u) << c.what;
        EXPECT_EQ(messages()[0], c.message) << c.what;
        EXPECT_EQ(parts.ui.messages()[0].caption, "系统提示");
        EXPECT_EQ(parts.ui.messages()[0].icon, ui::Icon::Exclamation);
        EXPECT_EQ(outline(), tree) << c.what;
        EXPECT_EQ(elementPaths(workingCopy()), paths) << c.what;
        EXPECT_FALSE(parts.document.isModified()) << c.what;
        moveMark.cancel();
    }
}

TEST_F(Moves, AStorageThatCannotTakeTheElementLeavesEverythingWhereItWas) {
    const auto paths = elementPaths(workingCopy());
    record("B")->storage.reset();  // as when the directory's storage could not be made
    EXPECT_FALSE(move.moveChapter(item("a1"), item("B"), kNoItem));
    EXPECT_EQ(messages(), (std::vector<std::string>{"移动章节失败,章节仍在原来的位置!"}));
    EXPECT_EQ(outline(), root + "(新建文本,A(a1,a2),B(b1,C(c1)),pic)");
    EXPECT_EQ(parentOf("a1"), "A");
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 text of a1}");
    EXPECT_EQ(elementPaths(workingCopy()), paths);
    EXPECT_FALSE(parts.document.isModified());
}

// The tree refuses these first; the book must not copy a storage into itself either.
TEST_F(Moves, TheBookNeverCopiesADirectoryIntoItsOwnSubtree) {
    const auto paths = elementPaths(workingCopy());
    EXPECT_FALSE(parts.storage.moveChapter(item("B"), item("C"), kNoItem));
    EXPECT_FALSE(parts.storage.moveChapter(item("B"), item("B"), kNoItem));
    EXPECT_FALSE(parts.storage.moveChapter(item("a1"), item("b1"), kNoItem));  // a page is no directory
    EXPECT_EQ(elementPaths(workingCopy()), paths);
    EXPECT_EQ(parentOf("B"), root);
}

TEST_F(Moves, AMarkedPageDeletedSinceIsNoSource) {
    select("a2");
    moveMark.setSource();
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    EXPECT_EQ(addTextUnder("A", "a2"), "a2");  // the same name on a new page
    parts.ui.clearMessages();
    select("b1");
    EXPECT_FALSE(move.moveSourceBehindSelected());
    EXPECT_EQ(messages(), (std::vector<std::string>{"请先将要移动的页面置为移动源!"}));
    EXPECT_EQ(parentOf("a2"), "A");
}

TEST_F(Moves, MovingToWhereItAlreadyIsChangesNothing) {
    ASSERT_TRUE(move.moveChapter(item("a2"), item("A"), item("a1")));
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_EQ(outline(), root + "(新建文本,A(a1,a2),B(b1,C(c1)),pic)");
}

TEST_F(Moves, TheSavedBookReopensWithTheNewOrderAndParents) {
    select("c1");
    bookmarks.toggle();
    markAndMoveBehind("c1", "a1");
    ASSERT_TRUE(move.moveChapter(item("B"), item(root), kNoItem));
    const std::string path = folder.file("moved.pgw");
    ASSERT_TRUE(parts.storage.commitBook(path));
    parts.storage.closeCurrentBook();  // the book file is held while it is open
    const std::string expected = "(B(b1,C),新建文本,A(a1,c1,a2),pic)";

    ProgramParts again;
    ASSERT_TRUE(again.storage.newBook());
    ASSERT_TRUE(again.document.onOpenDocument(path)) << again.ui.messageTexts().front();
    EXPECT_EQ(outline(again.tree, again.tree.rootItem()), "moved" + expected);
    EXPECT_EQ(utf8(again.session.index.find(gbk("c1"))->parentName), "A");
    EXPECT_EQ(utf8(again.session.index.find(gbk("C"))->parentName), "B");
    const book::NodeInfoRecord* c1 = again.session.index.find(gbk("c1"));
    ASSERT_TRUE(c1->stream);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(c1->stream->readAll(&bytes), pgw::storage::StgResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "{\\rtf1 text of c1}");
    const book::NodeInfoRecord* b1 = again.session.index.find(gbk("b1"));
    ASSERT_TRUE(b1->stream);
    EXPECT_EQ(b1->stream->readAll(&bytes), pgw::storage::StgResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "{\\rtf1 text of b1}");
    EXPECT_TRUE(again.ui.messages().empty());
}

}  // namespace
}  // namespace pgw::tree::testing
