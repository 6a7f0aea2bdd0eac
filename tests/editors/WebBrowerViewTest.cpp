// The web page view: its layout figures, its return button, the page shown from stored
// bytes (with HTML, empty, damaged), and that nothing outside the page is ever loaded.

#include "editors/CWebBrowerView.h"
#include "widgets/CHoverButton.h"
#include "tests/support/LogicalGrab.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace pgw::editors {
namespace {

using namespace std::string_literals;

struct LayoutCase {
    QSize client;
    QRect button;
    QRect page;
};

class WebViewLayoutFigures : public testing::TestWithParam<LayoutCase> {};

TEST_P(WebViewLayoutFigures, ButtonTopRightPageBelow) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(WebViewLayout::button(c.client, 15), c.button);
    EXPECT_EQ(WebViewLayout::page(c.client), c.page);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WebViewLayoutFigures,
                         testing::Values(LayoutCase{{400, 300}, {270, 15, 110, 25}, {5, 45, 390, 245}},
                                         LayoutCase{{800, 600}, {670, 15, 110, 25}, {5, 45, 790, 545}},
                                         LayoutCase{{11, 56}, {-119, 15, 110, 25}, {5, 45, 1, 1}},
                                         LayoutCase{{10, 55}, {-120, 15, 110, 25}, {5, 45, 0, 0}},
                                         LayoutCase{{0, 0}, {-130, 15, 110, 25}, {5, 45, 0, 0}}));

class WebBrowerViewTest : public testing::Test {
protected:
    void SetUp() override { view = std::make_unique<CWebBrowerView>(); }

    void showAt(QSize size) {
        view->resize(size);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    QString shownText() const { return view->browser()->document()->toPlainText(); }

    std::unique_ptr<CWebBrowerView> view;
};

TEST_F(WebBrowerViewTest, ButtonStartsAt400By15AndFollowsTheRightEdge) {
    EXPECT_EQ(view->returnButton()->pos(), QPoint(400, 15));
    EXPECT_EQ(view->returnButton()->text(), QStringLiteral("返回上一界面"));
    EXPECT_EQ(view->returnButton()->property("controlId").toInt(), 1000);
    EXPECT_EQ(view->browser()->property("controlId").toInt(), 59648);
    showAt({400, 300});
    EXPECT_EQ(view->returnButton()->geometry(), QRect(270, 15, 110, 25));
    EXPECT_EQ(view->browser()->geometry(), QRect(5, 45, 390, 245));
    view->resize(640, 480);
    EXPECT_EQ(view->returnButton()->geometry(), QRect(510, 15, 110, 25));
    EXPECT_EQ(view->browser()->geometry(), QRect(5, 45, 630, 425));
}

TEST_F(WebBrowerViewTest, ButtonHasTheViewsColoursAndBorder) {
    const CHoverButton& button = *view->returnButton();
    EXPECT_EQ(button.colourAt(CHoverButton::BackgroundHot), 0xFBE5DAu);
    EXPECT_EQ(button.colourAt(CHoverButton::BackgroundNormal), 0xFAFAFAu);
    EXPECT_EQ(button.colourAt(CHoverButton::BackgroundFocused), 0xFAFAFAu);
    EXPECT_TRUE(button.drawsBorder());
    EXPECT_TRUE(button.isFlatLook());
    EXPECT_FALSE(button.checkBoxMode());
    EXPECT_TRUE(button.address().isEmpty());
}

TEST_F(WebBrowerViewTest, ClickingTheReturnButtonChangesNothing) {
    showAt({400, 300});
    view->loadPage("<p>第一页</p>");
    const QString before = view->browser()->toHtml();
    QTest::mouseClick(view->returnButton(), Qt::LeftButton);
    EXPECT_EQ(view->browser()->toHtml(), before);
    EXPECT_EQ(view->returnButton()->geometry(), QRect(270, 15, 110, 25));
    EXPECT_TRUE(view->isVisible());
}

TEST_F(WebBrowerViewTest, ShowsThePagesHtmlReadOnly) {
    view->loadPage("<html><body><h1>标题</h1><p>正文 <b>粗体</b></p></body></html>");
    EXPECT_EQ(shownText(), QStringLiteral("标题\n正文 粗体"));
    EXPECT_TRUE(view->browser()->isReadOnly());
    showAt({400, 300});
    view->browser()->setFocus();
    QTest::keyClicks(view->browser(), QStringLiteral("xyz"));
    QTest::keyClick(view->browser(), Qt::Key_Delete);
    EXPECT_EQ(shownText(), QStringLiteral("标题\n正文 粗体"));
}

TEST_F(WebBrowerViewTest, EmptyContentShowsAnEmptyPageAfterAFullOne) {
    view->loadPage("<p>旧的一页</p>");
    view->loadPage("");
    EXPECT_TRUE(shownText().isEmpty());
}

TEST_F(WebBrowerViewTest, DamagedBytesShowWithoutFailing) {
    const std::string damaged[] = {"\xFF\xFE\x00"s, "<p\x00\x01\x02<<<>>>&#xFFFFFFFF;&#0;<table><tr><td>"s,
                                   std::string(3000, '<') + "\xD6", "<b><i><u>" + std::string(2000, '\x80'),
                                   "\xEF\xBB\xBF<img src=\"data:image/png;base64,@@@\">"s};
    for (const std::string& bytes : damaged) {
        view->loadPage(bytes);
        EXPECT_NO_FATAL_FAILURE(view->browser()->document()->toPlainText());
    }
    view->loadPage("\xD6\xD0\xFF"s);
    EXPECT_EQ(shownText(), QStringLiteral("中") + QChar::ReplacementCharacter);
}

// Nested tables cost about twice as much per level to lay out: thirty would take hours.
TEST_F(WebBrowerViewTest, TooDeeplyNestedPagesShowTheirSourceWithANotice) {
    std::string page;
    for (int i = 0; i < 30; ++i) page += "<table><tr><td>";
    page += "深处";
    QElapsedTimer timer;
    timer.start();
    view->loadPage(page);
    showAt({400, 300});
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(shownText().startsWith(QStringLiteral("这个网页的结构嵌套太深，无法显示，下面是它的原文。")));
    EXPECT_TRUE(shownText().endsWith(QStringLiteral("<table><tr><td>深处")));
    view->loadPage("<table><tr><td><table><tr><td>浅的</td></tr></table></td></tr></table>");
    EXPECT_EQ(shownText().trimmed(), QStringLiteral("浅的"));
}

TEST_F(WebBrowerViewTest, NothingOutsideThePageIsLoaded) {
    const std::string page = "<html><head><link rel=stylesheet href=\"http://example.invalid/a.css\"></head>"
                             "<body><img src=\"http://example.invalid/remote.png\">"
                             "<img src=\"file:///etc/hostname\"><img src=\"local.png\">"
                             "<a href=\"https://example.invalid/\">link</a></body></html>";
    view->loadPage(page);
    showAt({400, 300});
    std::vector<QString> refused;
    for (const QUrl& url : view->browser()->refusedResources()) refused.push_back(url.toString());
    const auto refusedUrl = [&](const char* url) {
        return std::find(refused.begin(), refused.end(), QString::fromLatin1(url)) != refused.end();
    };
    EXPECT_TRUE(refusedUrl("http://example.invalid/remote.png"));
    EXPECT_TRUE(refusedUrl("file:///etc/hostname"));
    EXPECT_TRUE(refusedUrl("local.png"));
    for (const QString& url : refused) EXPECT_NE(url, QStringLiteral("https://example.invalid/")) << "links load nothing";
    EXPECT_TRUE(view->browser()->source().isEmpty());
}

TEST_F(WebBrowerViewTest, ImagesEmbeddedInThePageShow) {
    QImage green(4, 3, QImage::Format_RGB32);
    green.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    green.save(&buffer, "PNG");
    const std::string page = "<img src=\"data:image/png;base64," + png.toBase64().toStdString() + "\">";
    view->loadPage(page);
    showAt({400, 300});
    EXPECT_TRUE(view->browser()->refusedResources().empty());
    const QImage shown = pgw::test::grabLogical(*view->browser()->viewport());
    int greenPixels = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) greenPixels += shown.pixelColor(x, y) == QColor(Qt::green);
    EXPECT_EQ(greenPixels, 12);
}

}  // namespace
}  // namespace pgw::editors
