// Bookmarks and the move-source mark: the list, the records' marks and the item images.

#include "ChapterFixture.h"

namespace pgw::tree::testing {
namespace {

const ItemImages kTextImages{image::kText, image::kTextSelected};
const ItemImages kPictureImages{image::kPicture, image::kPictureSelected};
const ItemImages kBookmarkImages{image::kBookmark, image::kBookmark};
const ItemImages kMoveImages{image::kMoveSource, image::kMoveSource};

const ui::Message kDirectoryNoBookmark{"目录节点不能做为标签!", "系统提示", ui::Buttons::Ok, ui::Icon::Exclamation};

class Marks : public ChapterFixture {
protected:
    void SetUp() override {
        ChapterFixture::SetUp();
        addTextUnder(root, "A");
        addTextUnder(root, "B");
        addTextUnder(root, "C");
        addPictureUnder(root, "P");
        addDirectoryUnder(root, "D");
        parts.ui.clearMessages();
        parts.document.setModified(false);
    }
    void toggle(const std::string& name) {
        select(name);
        bookmarks.toggle();
    }
    std::vector<std::string> list() const {
        std::vector<std::string> names;
        for (const auto& name : parts.session.bookmarks) names.push_back(utf8(name));
        return names;
    }
};

TEST_F(Marks, NextAndPreviousFollowTheOrderOfMarking) {
    for (const char* name : {"C", "A", "B"}) toggle(name);
    EXPECT_EQ(list(), (std::vector<std::string>{"C", "A", "B"}));
    for (const char* name : {"C", "A", "B"}) {
        EXPECT_EQ(imagesOf(name), kBookmarkImages);
        EXPECT_TRUE(record(name)->bookmark);
    }
    select("C");
    bookmarks.next();
    EXPECT_EQ(selectedName(), "A");
    bookmarks.next();
    EXPECT_EQ(selectedName(), "B");
    bookmarks.next();  // the last entry: no wrap-around
    EXPECT_EQ(selectedName(), "B");
    select("A");
    bookmarks.previous();
    EXPECT_EQ(selectedName(), "C");
    bookmarks.previous();
    EXPECT_EQ(selectedName(), "C");
    select("P");  // not bookmarked: nothing to step from
    bookmarks.next();
    EXPECT_EQ(selectedName(), "P");
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(parts.document.isModified());
}

TEST_F(Marks, ToggleTwiceRestoresThePageTypesImages) {
    toggle("A");
    toggle("P");
    EXPECT_EQ(imagesOf("P"), kBookmarkImages);
    toggle("A");
    toggle("P");
    EXPECT_EQ(imagesOf("A"), kTextImages);
    EXPECT_EQ(imagesOf("P"), kPictureImages);
    EXPECT_FALSE(record("A")->bookmark);
    EXPECT_TRUE(list().empty());
}

TEST_F(Marks, DirectoriesAndTheRootCannotBeBookmarked) {
    toggle("D");
    toggle(root);
    EXPECT_EQ(parts.ui.messages(), (std::vector<ui::Message>{kDirectoryNoBookmark, kDirectoryNoBookmark}));
    EXPECT_TRUE(list().empty());
    EXPECT_EQ(imagesOf("D"), (ItemImages{image::kDirectory, image::kDirectory}));
    parts.tree.selectItem(kNoItem);
    bookmarks.toggle();
    bookmarks.next();
    EXPECT_EQ(parts.ui.messages().size(), 2u);
}

TEST_F(Marks, ClearAllRestoresEveryMarkedPage) {
    for (const char* name : {"A", "P", "B"}) toggle(name);
    parts.session.bookmarks.erase(parts.session.bookmarks.begin());  // A no longer reachable
    bookmarks.clearAll();
    EXPECT_EQ(imagesOf("A"), kTextImages);
    EXPECT_EQ(imagesOf("B"), kTextImages);
    EXPECT_EQ(imagesOf("P"), kPictureImages);
    EXPECT_FALSE(record("A")->bookmark);
    EXPECT_TRUE(list().empty());
}

TEST_F(Marks, TheListFollowsRenamesAndDeletions) {
    for (const char* name : {"A", "B", "C"}) toggle(name);
    ASSERT_TRUE(editing.renameItem(item("B"), gbk("乙")));
    EXPECT_EQ(list(), (std::vector<std::string>{"A", "乙", "C"}));
    EXPECT_EQ(imagesOf("乙"), kBookmarkImages);
    select("A");
    bookmarks.next();
    EXPECT_EQ(selectedName(), "乙");

    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    EXPECT_EQ(list(), (std::vector<std::string>{"A", "C"}));
    select("A");
    bookmarks.next();
    EXPECT_EQ(selectedName(), "C");
}

// Names that mark no page (a page since deleted, a page of an earlier book) are never
// followed: next and previous pass over them, and toggle treats the page as unmarked.
TEST_F(Marks, NamesWithoutAMarkedPageArePassedOver) {
    for (const char* name : {"A", "C"}) toggle(name);
    auto& names = parts.session.bookmarks;
    names.insert(names.begin() + 1, {"gone", gbk("B")});  // B exists but carries no mark
    select("A");
    bookmarks.next();
    EXPECT_EQ(selectedName(), "C");
    bookmarks.previous();
    EXPECT_EQ(selectedName(), "A");
    toggle("B");
    EXPECT_TRUE(record("B")->bookmark);
    EXPECT_EQ(list(), (std::vector<std::string>{"A", "gone", "C", "B"}));
}

TEST_F(Marks, ABookmarkOfAnEarlierBookDoesNotUnmarkTheNewBooksPage) {
    toggle("新建文本");
    ASSERT_TRUE(parts.storage.newBook());
    EXPECT_EQ(list(), std::vector<std::string>{"新建文本"});  // the list belongs to the session
    toggle("新建文本");
    EXPECT_TRUE(record("新建文本")->bookmark);
    EXPECT_EQ(imagesOf("新建文本"), kBookmarkImages);
    EXPECT_EQ(list(), std::vector<std::string>{"新建文本"});
}

TEST_F(Marks, MarkingAndCancellingTheMoveSource) {
    select("A");
    moveMark.setSource();
    EXPECT_EQ(imagesOf("A"), kMoveImages);
    EXPECT_EQ(moveMark.sourceItem(), item("A"));
    EXPECT_EQ(utf8(moveMark.sourceName()), "A");
    EXPECT_FALSE(parts.document.isModified());
    moveMark.cancel();
    EXPECT_EQ(imagesOf("A"), kTextImages);
    EXPECT_EQ(moveMark.sourceItem(), kNoItem);
    EXPECT_TRUE(moveMark.sourceName().empty());
    moveMark.cancel();  // twice: nothing to do
    EXPECT_EQ(imagesOf("A"), kTextImages);
}

TEST_F(Marks, ANewMoveSourceReplacesTheEarlierMark) {
    select("P");
    moveMark.setSource();
    select("A");
    moveMark.setSource();
    EXPECT_EQ(imagesOf("P"), kPictureImages);
    EXPECT_EQ(imagesOf("A"), kMoveImages);
    moveMark.cancel();
    EXPECT_EQ(imagesOf("A"), kTextImages);
}

TEST_F(Marks, RootAndDirectoriesAreRefusedAndKeepTheEarlierSource) {
    select("A");
    moveMark.setSource();
    select(root);
    moveMark.setSource();
    select("D");
    moveMark.setSource();
    const auto refusal = [](const char* text) {
        return ui::Message{text, "系统提示", ui::Buttons::Ok, ui::Icon::Exclamation};
    };
    EXPECT_EQ(parts.ui.messages(), (std::vector<ui::Message>{refusal("根节点不能设置为移动源!，请您选择其它节点!"),
                                                             refusal("只有文本、图片、网页可设为移动源!")}));
    EXPECT_EQ(moveMark.sourceItem(), item("A"));
    moveMark.cancel();
    EXPECT_EQ(imagesOf("A"), kTextImages);
    EXPECT_EQ(imagesOf("D"), (ItemImages{image::kDirectory, image::kDirectory}));
}

TEST_F(Marks, CancellingAfterTheSourceWasDeletedTouchesNothing) {
    select("B");
    moveMark.setSource();
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    moveMark.cancel();
    EXPECT_EQ(moveMark.sourceItem(), kNoItem);
    EXPECT_EQ(imagesOf("A"), kTextImages);  // the page the selection moved to
}

TEST_F(Marks, CancellingTheMoveSourceKeepsABookmark) {
    toggle("A");
    moveMark.setSource();
    EXPECT_EQ(imagesOf("A"), kMoveImages);
    moveMark.cancel();
    EXPECT_EQ(imagesOf("A"), kBookmarkImages);
}

}  // namespace
}  // namespace pgw::tree::testing
