// Adding directories and pages: where they may go, their default names and counters,
// and what they leave in the working copy.

#include "ChapterFixture.h"

#include <algorithm>

namespace pgw::tree::testing {
namespace {

bool hasElement(const std::vector<std::string>& paths, const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

TEST_F(ChapterFixture, AddingATextPageMakesItsRecordStreamAndSelection) {
    EXPECT_EQ(addTextUnder(root), "新建文本1");
    const book::NodeInfoRecord* added = record("新建文本1");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->objName, "stm04");
    EXPECT_EQ(added->parentName, gbk(root));
    EXPECT_EQ(added->type(), book::NodeType::Text);
    EXPECT_EQ(added->item, parts.tree.selectedItem());
    EXPECT_EQ(parts.tree.images(added->item), (ItemImages{image::kText, image::kTextSelected}));
    EXPECT_TRUE(parts.tree.isExpanded(parts.tree.rootItem()));
    EXPECT_EQ(parts.editors.view, book::PaneView::RichText);
    EXPECT_EQ(parts.session.counters.textPageCount, 2);
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, "新建文本", "新建文本1"}));
    EXPECT_TRUE(hasElement(book::testing::elementPaths(workingCopy()), "stm04"));
}

TEST_F(ChapterFixture, AddingAPicturePageUnderANewDirectoryNestsItsElements) {
    EXPECT_EQ(addDirectoryUnder(root), "新建目录1");
    EXPECT_EQ(parts.tree.images(item("新建目录1")), (ItemImages{image::kDirectory, image::kDirectory}));
    EXPECT_EQ(selectedName(), "新建目录1");
    EXPECT_EQ(addPictureUnder("新建目录1"), "新建图片");
    EXPECT_EQ(parts.editors.view, book::PaneView::Picture);
    EXPECT_EQ(parts.tree.images(item("新建图片")), (ItemImages{image::kPicture, image::kPictureSelected}));
    EXPECT_TRUE(parts.tree.isExpanded(item("新建目录1")));
    EXPECT_EQ(addDirectoryUnder("新建目录1"), "新建目录2");
    EXPECT_EQ(addPictureUnder("新建目录1"), "新建图片1");
    EXPECT_EQ(record("新建目录2")->parentName, gbk("新建目录1"));
    const auto paths = book::testing::elementPaths(workingCopy());
    EXPECT_TRUE(hasElement(paths, "stg1/stm04"));
    EXPECT_TRUE(hasElement(paths, "stg1/stg2"));
    EXPECT_TRUE(hasElement(paths, "stg1/stm05"));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, "新建文本", "新建目录1", "新建图片", "新建目录2", "新建图片1"}));
}

class AddTwice : public ChapterFixture, public ::testing::WithParamInterface<bool> {};

// The pane's drop-down menu raises the counter once more than the tree's menu.
TEST_P(AddTwice, FromThePaneMenuSkipsANumber) {
    const bool fromPane = GetParam();
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        select(root);
        names.push_back(utf8(fromPane ? operations.addPageFromPaneMenu(book::NodeType::Text) : operations.addTextPage()));
    }
    EXPECT_EQ(names, fromPane ? (std::vector<std::string>{"新建文本1", "新建文本3"})
                              : (std::vector<std::string>{"新建文本1", "新建文本2"}));
    EXPECT_EQ(parts.session.counters.textPageCount, fromPane ? 5 : 3);
}

INSTANTIATE_TEST_SUITE_P(Menus, AddTwice, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "Pane" : "Tree"; });

TEST_F(ChapterFixture, ThePaneMenuAddsDirectoriesWithoutTouchingPageCounts) {
    select(root);
    EXPECT_EQ(utf8(operations.addPageFromPaneMenu(book::NodeType::Directory)), "新建目录1");
    EXPECT_EQ(parts.session.counters.storageCount, 2);
    EXPECT_EQ(parts.session.counters.textPageCount, 1);
    select(root);
    EXPECT_EQ(operations.addPageFromPaneMenu(book::NodeType::Web), "");
}

TEST_F(ChapterFixture, NothingIsAddedUnderAPageOrWithoutASelection) {
    const book::BookCounters before = parts.session.counters;
    const size_t records = parts.session.index.size();
    for (ItemId where : {item("新建文本"), kNoItem}) {
        parts.tree.selectItem(where);
        EXPECT_EQ(operations.addDirectory(), "");
        EXPECT_EQ(operations.addTextPage(), "");
        EXPECT_EQ(operations.addPicturePage(), "");
        EXPECT_EQ(operations.addPageFromPaneMenu(book::NodeType::Text), "");
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(parts.session.index.size(), records);
    EXPECT_EQ(parts.session.counters.textPageCount, before.textPageCount);
    EXPECT_EQ(parts.session.counters.storageCount, before.storageCount);
    EXPECT_EQ(parts.tree.firstChild(item("新建文本")), kNoItem);
    EXPECT_FALSE(parts.document.isModified());
}

TEST_F(ChapterFixture, WithoutABookPagesAskForARootAndDirectoriesForABook) {
    parts.storage.closeBook();
    EXPECT_EQ(operations.addTextPage(), "");
    EXPECT_EQ(operations.addPicturePage(), "");
    EXPECT_EQ(operations.addDirectory(), "");
    EXPECT_EQ(messages(), (std::vector<std::string>{"请先创建根目录", "请先创建根目录", "请先新建或打开一个文档!"}));
    EXPECT_EQ(parts.tree.rootItem(), kNoItem);
}

// Default names never collide: a rename or a deletion that lowered a counter can take
// the first choice, and the next free number follows.
TEST_F(ChapterFixture, DefaultNamesPassOverNamesInUse) {
    ASSERT_TRUE(editing.renameItem(item("新建文本"), gbk("新建文本1")));
    EXPECT_EQ(addTextUnder(root), "新建文本2");

    ASSERT_TRUE(editing.renameItem(item("新建文本2"), gbk("新建图片")));
    EXPECT_EQ(addPictureUnder(root), "新建图片1");  // the plain name is taken

    EXPECT_EQ(addDirectoryUnder(root), "新建目录1");
    EXPECT_EQ(addDirectoryUnder(root), "新建目录2");
    select("新建目录1");
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());  // storageCount falls back to 2
    EXPECT_EQ(addDirectoryUnder(root), "新建目录3");
}

TEST_F(ChapterFixture, TheFirstChoiceStaysWhenFree) {
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());  // the only text page: the count is 0 again
    EXPECT_EQ(addTextUnder(root), "新建文本");
    EXPECT_EQ(addTextUnder(root), "新建文本1");
}

TEST_F(ChapterFixture, GivenNamesMustPassTheNameRules) {
    EXPECT_EQ(addTextUnder(root, "序言"), "序言");
    EXPECT_EQ(addDirectoryUnder(root, "第一卷"), "第一卷");
    EXPECT_EQ(addPictureUnder("第一卷", "封面"), "封面");
    EXPECT_EQ(parts.session.counters.picturePageCount, 1);  // the page counts whatever its name
    EXPECT_TRUE(messages().empty());

    const size_t records = parts.session.index.size();
    EXPECT_EQ(addTextUnder(root, "序言"), "");
    EXPECT_EQ(addDirectoryUnder(root, std::string(100, 'x')), "");
    EXPECT_EQ(messages(), (std::vector<std::string>{"名称不允许重复", "名称太长,汉字不能超过50个,字母和数字不能超过100个!"}));
    EXPECT_EQ(parts.session.index.size(), records);
}

TEST_F(ChapterFixture, ExpandRootExpandsOnlyTheRoot) {
    addDirectoryUnder(root, "A");
    operations.expandRoot();
    EXPECT_TRUE(parts.tree.isExpanded(parts.tree.rootItem()));
    EXPECT_FALSE(parts.tree.isExpanded(item("A")));
    parts.storage.closeBook();
    operations.expandRoot();  // no root: nothing to do
    EXPECT_EQ(parts.tree.rootItem(), kNoItem);
}

}  // namespace
}  // namespace pgw::tree::testing
