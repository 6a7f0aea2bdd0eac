// The text view's side of the page exchange: what it loads is not an edit, what the author
// types marks the book and the page, and what it stores reads back as what was shown.

#include "ViewFixture.h"

#include "platform/framework/CommandIds.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>
#include <QThreadPool>

#include <functional>

namespace pgw::editors {
namespace {

using testing::ViewParts;

const std::string kPage = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                          "\\f0\\fs20 \\'c4\\'e3\\'ba\\'c3\\par}";

std::string shownText(ViewParts& parts) {
    return richtext::plainText(richtext::readRtf(parts.view.saveText()).document);
}

TEST(CRTFView, LoadingIsNoEditButTypingMarksTheBookAndThePage) {
    ViewParts parts(kPage);
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_FALSE(parts.record->storePending);
    EXPECT_EQ(shownText(parts), "你好");

    EXPECT_TRUE(parts.view.unchangedSinceExchange());

    QTest::keyClicks(parts.view.editor(), "ab");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_TRUE(parts.record->storePending);
    EXPECT_FALSE(parts.view.unchangedSinceExchange());
    EXPECT_EQ(shownText(parts), "ab你好");
    EXPECT_TRUE(parts.view.unchangedSinceExchange());  // what was saved is what it holds
    parts.edit().clear();  // a change that is no edit of the author's still counts
    EXPECT_FALSE(parts.view.unchangedSinceExchange());
}

TEST(CRTFView, AnEmptyStreamIsAnEmptyPageAndAnUnknownPageMarksOnlyTheBook) {
    ViewParts parts(kPage);
    parts.view.loadText("");
    EXPECT_EQ(shownText(parts), "");
    parts.view.bindCurrentPage(3, "not in the index");
    QTest::keyClicks(parts.view.editor(), "x");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_FALSE(parts.record->storePending);
    EXPECT_EQ(parts.view.currentRecord(), nullptr);
}

// Every page read and built on a worker thread, and shown by its opening first, as a huge page is.
constexpr PageLoader::Pacing kEveryPageBig{0, 0};

// Read inline or on the worker, a damaged page shows what could be read and says so; a
// sound page after it says nothing.
TEST(CRTFView, ADamagedPageShowsWhatCouldBeReadAndSaysSo) {
    for (const bool big : {false, true}) {
        ViewParts parts;
        if (big) parts.view.setLoadPacing(kEveryPageBig);
        parts.view.loadText("{\\rtf1 before the damage\\par{\\b cut");
        parts.view.finishLoading();
        EXPECT_EQ(shownText(parts), "before the damage\ncut");
        EXPECT_NE(parts.ui.status().find("无法读出"), std::string::npos) << big;
        parts.ui.showStatus("");
        parts.view.loadText(kPage);
        parts.view.finishLoading();
        EXPECT_EQ(parts.ui.status(), "");
    }
}

std::string numberedPage(int paragraphs) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs20 ";
    for (int i = 0; i < paragraphs; ++i) rtf += (i % 7 == 0 ? "{\\b bold " : "{line ") + std::to_string(i) + "}\\par ";
    return rtf + "end}";
}

bool loadedWithin(CRTFView& view, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (view.isLoading() && clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return !view.isLoading();
}

struct WhileLoading {
    const char* what;
    std::function<void(ViewParts&)> act;
    const char* typed;  // what the author's action added before the page
    bool marks;         // whether it is an edit
};

// Whatever meets the page while it is still being built meets all of it: nothing the
// author types or stores is cut short, and only the author's own action marks the page.
TEST(CRTFView, APageStillLoadingIsWholeForWhateverNeedsIt) {
    const std::string page = numberedPage(2000);
    ViewParts reference(page);
    const std::string whole = shownText(reference);
    const std::vector<WhileLoading> actions{
        {"the event loop", [](ViewParts& p) { ASSERT_TRUE(loadedWithin(p.view, 10000)); }, "", false},
        {"a store", [](ViewParts& p) { (void)p.view.saveText(); }, "", false},
        {"a key", [](ViewParts& p) { QTest::keyClick(p.view.editor(), 'z'); }, "z", true},
        {"a click", [](ViewParts& p) { QTest::mouseClick(p.view.editor()->viewport(), Qt::LeftButton); }, "", false},
        {"a command", [](ViewParts& p) { p.view.runCommand(framework::cmd::kBold); }, "", true},
    };
    for (const WhileLoading& action : actions) {
        SCOPED_TRACE(action.what);
        ViewParts parts;
        parts.view.setLoadPacing(kEveryPageBig);
        parts.view.loadText(page);
        ASSERT_TRUE(parts.view.isLoading());
        EXPECT_TRUE(parts.edit().document()->isEmpty());  // nothing of the page that was left
        action.act(parts);
        EXPECT_FALSE(parts.view.isLoading());
        EXPECT_EQ(shownText(parts), action.typed + whole);
        EXPECT_EQ(parts.edited(), action.marks);
        EXPECT_EQ(parts.edit().document()->isUndoAvailable(), *action.typed != 0);
    }
}

// The editor lays a big page out in slices after it shows: the slices must reach its end,
// also when the width changes on the way.
TEST(CRTFView, ABigPageIsLaidOutToItsEndAfterItShows) {
    ViewParts parts;
    parts.view.setLoadPacing(kEveryPageBig);
    parts.view.show();
    parts.view.loadText(numberedPage(20000));
    ASSERT_TRUE(loadedWithin(parts.view, 60000));
    const QTextBlock last = parts.edit().document()->lastBlock();
    QElapsedTimer clock;
    clock.start();
    bool resized = false;
    while (last.layout()->lineCount() == 0 && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!resized && clock.elapsed() > 20) {
            parts.view.resize(500, 600);
            resized = true;
        }
    }
    EXPECT_GT(last.layout()->lineCount(), 0);
    EXPECT_FALSE(parts.edited());
}

// A page of very many paragraphs shows its opening while the rest is built; where the
// author scrolled the opening, the whole page is shown from.
TEST(CRTFView, AHugePageShowsItsOpeningFirstAndKeepsWhereItWasScrolled) {
    ViewParts parts;
    parts.view.setLoadPacing({0, 1000});
    parts.view.show();
    parts.view.loadText(numberedPage(100000));
    QTextDocument& shown = *parts.edit().document();
    while (parts.view.isLoading() && parts.edit().document()->isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(parts.view.isLoading()) << "the page was complete before its opening showed";
    const QTextDocument& opening = *parts.edit().document();
    EXPECT_NE(&opening, &shown);
    EXPECT_GT(opening.blockCount(), 100);
    EXPECT_LE(opening.blockCount(), 300);
    EXPECT_EQ(opening.firstBlock().text(), "bold 0");
    while (opening.lastBlock().layout()->lineCount() == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QScrollBar& scroll = *parts.edit().verticalScrollBar();
    scroll.setValue(scroll.maximum() / 2);
    const int scrolled = scroll.value();
    ASSERT_GT(scrolled, 0);

    ASSERT_TRUE(loadedWithin(parts.view, 60000));
    EXPECT_EQ(parts.edit().document()->blockCount(), 100001);
    EXPECT_EQ(scroll.value(), scrolled);
    EXPECT_FALSE(parts.edited());
}

TEST(CRTFView, ALoadGivenUpNeverShowsAndOutlivesItsView) {
    ViewParts parts;
    parts.view.setLoadPacing(kEveryPageBig);
    parts.view.loadText(numberedPage(3000));
    parts.view.setLoadPacing({});
    parts.view.loadText(kPage);  // the author went on to a small page
    EXPECT_FALSE(parts.view.isLoading());
    QTest::qWait(50);
    EXPECT_EQ(shownText(parts), "你好");
    EXPECT_FALSE(parts.edited());

    auto gone = std::make_unique<CRTFView>();
    gone->setLoadPacing(kEveryPageBig);
    gone->loadText(numberedPage(3000));
    gone.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace pgw::editors
