// Start-up as the program starts: the settings' organisation, the untitled book in the
// current folder, and the recent files kept between runs.

#include "../book/BookFixture.h"
#include "app/CPagewrightApp.h"
#include "app/InstanceChannel.h"
#include "app/RecentlyUsed.h"
#include "app/WindowPlacement.h"
#include "preview/CPreviewWindow.h"
#include "tests/preview/PreviewBooks.h"
#include "tests/stub/CompiledBookMaker.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"

#include <QAbstractButton>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSettings>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

namespace pgw::app {
namespace {

CPagewrightApp& application() { return *static_cast<CPagewrightApp*>(QCoreApplication::instance()); }

TEST(CPagewrightApp, StartsWithTheUntitledBookAndKeepsRecentFilesBetweenRuns) {
    EXPECT_EQ(QCoreApplication::organizationName().toStdString(), "pagewright");
    book::testing::ScratchFolder folder;
    {
        QSettings settings;
        settings.remove(QString());
        settings.setValue(QStringLiteral("Recent File List/File1"), QStringLiteral("/books/甲.pgw"));
        settings.setValue(QStringLiteral("Recent File List/File2"), QStringLiteral("/books/乙.pgw"));
    }
    ASSERT_TRUE(application().initInstance());
    shell::CMainFrame* frame = application().mainFrame();
    EXPECT_TRUE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    EXPECT_EQ(frame->recentFiles().entries(), (std::vector<std::string>{"/books/甲.pgw", "/books/乙.pgw"}));

    frame->recentFiles().add("/books/丙.pgw");
    application().saveRecentFiles();
    QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString().toStdString(), "/books/丙.pgw");
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File3")).toString().toStdString(), "/books/乙.pgw");
    frame->close();
}

// The window comes back where it was left, with the chapter pane as wide; the first run, with
// nothing kept, says so (and the program maximises the window).
TEST(CPagewrightApp, TheWindowAndTheChapterPaneKeepTheirPlaceBetweenRuns) {
    book::testing::ScratchFolder folder;
    QSettings settings(QString::fromStdString(folder.file("settings.ini")), QSettings::IniFormat);
    book::BookSession session;
    shell::CMainFrame left(session);
    EXPECT_FALSE(restoreWindowPlacement(left, settings));
    left.setGeometry(40, 50, 900, 600);
    left.show();
    left.splitter()->SetSplitPosition(310);
    saveWindowPlacement(left, settings);

    book::BookSession next;
    shell::CMainFrame restored(next);
    ASSERT_TRUE(restoreWindowPlacement(restored, settings));
    restored.show();
    EXPECT_EQ(restored.size(), QSize(900, 600));
    EXPECT_EQ(restored.splitter()->splitPosition(), 310);
}

// A second start hands its book to the running program; only one program listens; with none
// running, the start goes on by itself.
TEST(InstanceChannel, ASecondStartHandsItsBookToTheRunningProgram) {
    const QString name = QStringLiteral("pgw-test-%1").arg(QCoreApplication::applicationPid());
    InstanceChannel running(name);
    std::vector<QString> requests;
    ASSERT_TRUE(running.listen([&](const QString& path) { requests.push_back(path); }));
    EXPECT_FALSE(InstanceChannel(name).listen({}));
    for (const QString& book : {QStringLiteral("/books/甲.pgw"), QString()}) {
        auto handed = std::async(std::launch::async, [&] { return InstanceChannel(name).handToRunning(book); });
        while (handed.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::processEvents();
        EXPECT_TRUE(handed.get());
    }
    EXPECT_EQ(requests, (std::vector<QString>{QStringLiteral("/books/甲.pgw"), QString()}));
    EXPECT_FALSE(InstanceChannel(name + QStringLiteral("-none")).handToRunning(QStringLiteral("/books/乙.pgw")));
}

// --preview opens the compiled book alone, whether or not a program runs: the running one
// is not asked, and no main window or untitled book is made.
TEST(CPagewrightApp, PreviewOpensTheCompiledBookOnItsOwn) {
    book::testing::ScratchFolder folder;
    const std::string path = stub::testing::writeFile("书.exe", preview::testing::previewBook());
    InstanceChannel running(QStringLiteral("pgw-app-test-%1").arg(QCoreApplication::applicationPid()));
    std::vector<QString> requests;
    ASSERT_TRUE(running.listen([&](const QString& book) { requests.push_back(book); }));
    ASSERT_TRUE(application().initInstance({QStringLiteral("pagewright"), QStringLiteral("--preview"),
                                            QString::fromStdString(path)}));
    QCoreApplication::processEvents();
    EXPECT_EQ(application().mainFrame(), nullptr);
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    preview::CPreviewWindow* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<preview::CPreviewWindow*>(widget); window && window->isVisible()) shown = window;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("测试之书 - 预览"));
    shown->close();
}

// Books are entered in the desktop's recently used list: a new list is made, an entry is
// brought up to date rather than doubled, others' entries stay, and a list that is no XBEL
// is left alone.
TEST(RecentlyUsed, BooksAreEnteredInTheDesktopsListWithoutHarmingIt) {
    book::testing::ScratchFolder folder;
    const QString list = QString::fromStdString(folder.file("share/recently-used.xbel"));
    ASSERT_TRUE(enterRecentlyUsed(QStringLiteral("/books/甲 1.pgw"), list));
    ASSERT_TRUE(enterRecentlyUsed(QStringLiteral("/books/乙.pgw"), list));
    ASSERT_TRUE(enterRecentlyUsed(QStringLiteral("/books/甲 1.pgw"), list));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    EXPECT_EQ(text.count(QStringLiteral("<bookmark ")), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("href=\"file:///books/%E7%94%B2%201.pgw\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("count=\"2\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("application/x-pagewright-book")));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<xbel><bookmark href=\"file:///other\"/></xbel>");
    file.close();
    EXPECT_TRUE(enterRecentlyUsed(QStringLiteral("/books/丙.pgw"), list));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("file:///other")) << "others' entries stay";
    file.close();

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not <xml");
    file.close();
    EXPECT_FALSE(enterRecentlyUsed(QStringLiteral("/books/丁.pgw"), list));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not <xml"));
}

}  // namespace
}  // namespace pgw::app

TEST(CPagewrightApp, QtsOwnButtonsSpeakChinese) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm")))
        GTEST_SKIP() << "Qt's Chinese translation is not installed";
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
}
