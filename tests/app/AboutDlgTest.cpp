// The About box: its texts, its two links opening through the desktop, OK, and the
// application's About command showing it over the main window.

#include "../book/BookFixture.h"
#include "app/CAboutDlg.h"
#include "app/CPagewrightApp.h"
#include "platform/framework/CommandIds.h"
#include "platform/ui/DesktopServices.h"
#include "shell/CMainFrame.h"
#include "widgets/CStaticLink.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace pgw::app {
namespace {

CPagewrightApp& application() { return *static_cast<CPagewrightApp*>(QCoreApplication::instance()); }

std::vector<QString> labelTexts(const QDialog& dialog) {
    std::vector<QString> texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty() && !dynamic_cast<const CStaticLink*>(label)) texts.push_back(label->text());
    return texts;
}

bool contains(const std::vector<QString>& texts, const QString& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(CAboutDlg, ShowsTheProgramsTextsInItsFont) {
    ui::RecordingDesktopServices desktop;
    CAboutDlg about(desktop);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Pagewright"));
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.font().family(), QStringLiteral("新宋体"));
    EXPECT_EQ(about.font().pointSize(), 10);
    const auto texts = labelTexts(about);
    for (const char* expected : {"Pagewright 1.0 版", "欢迎你访问页工坊!", "E书发布空间"})
        EXPECT_TRUE(contains(texts, QString::fromUtf8(expected))) << expected;
    EXPECT_EQ(about.okButton()->text(), QStringLiteral("确定"));
    EXPECT_EQ(about.notice()->text(), CAboutDlg::noticeText());
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("applicationIcon"))->pixmap().isNull());
}

TEST(CAboutDlg, NoticeShowsInFull) {
    ui::RecordingDesktopServices desktop;
    CAboutDlg about(desktop);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QLabel& notice = *about.notice();
    EXPECT_GE(notice.contentsRect().height(), notice.heightForWidth(notice.width()) - 2 * notice.frameWidth());
    EXPECT_TRUE(notice.wordWrap());
}

TEST(CAboutDlg, LinksShowTheirAddressesAndOpenThemThroughTheDesktop) {
    ui::RecordingDesktopServices desktop;
    CAboutDlg about(desktop);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const struct {
        CStaticLink* link;
        int id;
        const char* address;
    } links[] = {{about.productLink(), 1056, "https://pagewright.example.org/"},
                 {about.publishingLink(), 1057, "https://pagewright.example.org/publish/"}};
    for (const auto& l : links) {
        EXPECT_EQ(l.link->text(), QString::fromLatin1(l.address));
        EXPECT_EQ(l.link->controlId(), l.id);
        QTest::mouseClick(l.link, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(desktop.urls.back(), l.address);
        EXPECT_EQ(l.link->colour(), CStaticLink::kVisitedColour);
    }
    EXPECT_EQ(desktop.urls.size(), 2u);
}

TEST(CAboutDlg, OkClosesTheBox) {
    ui::RecordingDesktopServices desktop;
    CAboutDlg about(desktop);
    about.show();
    QTest::mouseClick(about.okButton(), Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST(CPagewrightAppAbout, AboutCommandShowsTheBoxOverTheWindowWithItsDesktop) {
    book::testing::ScratchFolder folder;
    ASSERT_TRUE(application().initInstance());
    shell::CMainFrame* frame = application().mainFrame();
    ui::RecordingDesktopServices desktop;
    frame->setDesktop(desktop);
    int shown = 0;
    application().setDialogRunner([&](QDialog& dialog) {
        ++shown;
        auto* about = dynamic_cast<CAboutDlg*>(&dialog);
        EXPECT_NE(about, nullptr);
        if (!about) return int(QDialog::Rejected);
        EXPECT_EQ(about->parentWidget(), frame);
        QTest::mouseClick(about->productLink(), Qt::LeftButton, {}, QPoint(3, 3));
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(frame->commandState(framework::cmd::kAbout).enabled);
    for (QAction* action : frame->actions(framework::cmd::kAbout)) EXPECT_TRUE(action->isEnabled());
    EXPECT_TRUE(frame->runCommand(framework::cmd::kAbout));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(desktop.urls, std::vector<std::string>{"https://pagewright.example.org/"});
    frame->close();
}

}  // namespace
}  // namespace pgw::app
