// What a change of selection stores and loads, and page up and down.

#include "ChapterFixture.h"

namespace pgw::tree::testing {
namespace {

// root → 新建文本, A (a1, a2), B (b1)
class Pages : public ChapterFixture {
protected:
    void SetUp() override {
        ChapterFixture::SetUp();
        addDirectoryUnder(root, "A");
        addTextUnder("A", "a1");
        addTextUnder("A", "a2");
        addDirectoryUnder(root, "B");
        addTextUnder("B", "b1");
        parts.ui.clearMessages();
    }
    // What the rich-text view does when the author types.
    void type(const std::string& utf8Name, const std::string& rtf) {
        record(utf8Name)->storePending = true;
        parts.editors.text = rtf;
    }
};

TEST_F(Pages, PageDownAndUpFollowThePageOrder) {
    struct Step {
        const char* from;
        bool down;
        const char* to;
    };
    const std::vector<Step> steps{
        {"a1", true, "a2"}, {"a2", true, "a2"}, {"a2", false, "a1"}, {"b1", false, "新建文本"},  // never into A
        {"A", true, "a1"},  {"a1", false, "新建文本"},
    };
    for (const Step& step : steps) {
        select(step.from);
        step.down ? navigation.pageDown() : navigation.pageUp();
        EXPECT_EQ(selectedName(), step.to) << step.from << (step.down ? " down" : " up");
    }
    select(root);
    navigation.pageDown();
    EXPECT_EQ(selectedName(), "新建文本");
    parts.tree.selectItem(kNoItem);
    navigation.pageDown();
    navigation.pageUp();
    EXPECT_EQ(parts.tree.selectedItem(), kNoItem);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Pages, LeavingAnEditedPageStoresItAndLoadsTheNext) {
    select("a2");
    type("a2", "{\\rtf1 second}");
    select("a1");
    type("a1", "{\\rtf1 first}");
    select("a2");
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 first}");
    EXPECT_EQ(parts.editors.text, "{\\rtf1 second}");
    EXPECT_EQ(utf8(parts.editors.textName), "a2");
    EXPECT_FALSE(record("a1")->storePending);
    EXPECT_FALSE(record("a2")->storePending);
    EXPECT_EQ(parts.editors.view, book::PaneView::RichText);
}

TEST_F(Pages, LeavingAnUneditedPageWritesNothing) {
    select("a1");
    type("a1", "{\\rtf1 kept}");
    select("a2");
    parts.editors.text = "{\\rtf1 scribble}";  // not marked as edited
    select("a1");
    EXPECT_EQ(storedContent("a2"), "");
    EXPECT_EQ(parts.editors.text, "{\\rtf1 kept}");
}

// Reading a big page takes long: a page is read when it is arrived at, never when it is left.
TEST_F(Pages, APageIsReadWhenArrivedAtAndNeverWhenLeft) {
    select("a1");
    type("a1", "{\\rtf1 one}");
    select("a2");
    type("a2", "{\\rtf1 two}");
    select("a1");
    const int loads = parts.editors.textLoads;
    for (const char* name : {"a2", "B", "a1", "A", "a2"}) select(name);
    EXPECT_EQ(parts.editors.textLoads - loads, 3);  // a2, a1, a2
    EXPECT_EQ(parts.editors.text, "{\\rtf1 two}");
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 one}");
    EXPECT_EQ(storedContent("a2"), "{\\rtf1 two}");
}

// A directory leaves the last page in the editor, where the author can go on typing;
// the page is stored when the selection moves on, not lost.
TEST_F(Pages, APageEditedWhileADirectoryIsSelectedIsStored) {
    select("a1");
    select("B");
    EXPECT_EQ(parts.editors.view, book::PaneView::RichText);
    EXPECT_EQ(utf8(parts.editors.textName), "a1");
    type("a1", "{\\rtf1 typed later}");
    select("b1");
    EXPECT_EQ(storedContent("a1"), "{\\rtf1 typed later}");
    EXPECT_FALSE(record("a1")->storePending);
    select("a1");
    EXPECT_EQ(parts.editors.text, "{\\rtf1 typed later}");
}

TEST_F(Pages, EachPageShowsItsOwnView) {
    addPictureUnder("B", "pic");
    select("a1");
    EXPECT_EQ(parts.editors.view, book::PaneView::RichText);
    select("pic");
    EXPECT_EQ(parts.editors.view, book::PaneView::Picture);
    record("pic")->storePending = true;
    parts.editors.pictures = "two pictures";
    select("A");  // a directory keeps the view
    EXPECT_EQ(parts.editors.view, book::PaneView::Picture);
    select("a2");
    EXPECT_EQ(parts.editors.view, book::PaneView::RichText);
    EXPECT_EQ(storedContent("pic"), "two pictures");
}

TEST_F(Pages, NothingMovesWhileThePublishFormIsShown) {
    select("a1");
    type("a1", "{\\rtf1 draft}");
    parts.editors.view = book::PaneView::PublishForm;
    select("a2");
    EXPECT_EQ(storedContent("a1"), "");
    EXPECT_EQ(parts.editors.view, book::PaneView::PublishForm);
    EXPECT_EQ(utf8(parts.editors.textName), "a1");
}

}  // namespace
}  // namespace pgw::tree::testing
