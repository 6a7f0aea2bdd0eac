#include "app/CPagewrightApp.h"

#include "app/CAboutDlg.h"
#include "app/RecentlyUsed.h"
#include "app/WindowPlacement.h"
#include "platform/framework/CommandIds.h"
#include "platform/ui/QtUserInterface.h"
#include "preview/PreviewOpening.h"
#include "shell/CMainFrame.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace pgw::app {

namespace {
// Where the recent files live, as the original program's settings keep them.
constexpr char kRecentGroup[] = "Recent File List";
// Where earlier versions kept the settings: read once, when ours have no recent files yet.
constexpr char kEarlierOrganisation[] = "Local AppWizard-Generated Applications";
constexpr char kEarlierApplication[] = "Pagewright";

std::vector<std::string> recentPaths(QSettings& settings) {
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    std::vector<std::string> paths;
    for (size_t i = 1; i <= framework::RecentFileList::kCapacity; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) paths.push_back(path.toStdString());
    }
    settings.endGroup();
    return paths;
}
}  // namespace

CPagewrightApp::CPagewrightApp(int& argc, char** argv)
    : QApplication(argc, argv), runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
    // Settings land in ~/.config/pagewright/; the desktop file names the running window.
    setOrganizationName(QStringLiteral("pagewright"));
    setApplicationName(QStringLiteral("pagewright"));
    setApplicationVersion(QStringLiteral(PGW_VERSION));
    // The desktop entry and the installed icons share one id. The theme's icon is the one the
    // desktop shows beside ours; a build tree has none installed and uses the bundled one.
    const QString desktopId = QStringLiteral("org.pagewright.Pagewright");
    setDesktopFileName(desktopId);
    setWindowIcon(QIcon::fromTheme(desktopId, QIcon(QStringLiteral(":/icons/128.ico"))));
    loadChineseQtTexts();
}

// The program speaks Chinese whatever the desktop's language, so Qt's own texts (the
// buttons of message boxes, the file dialogs) must too. Without the translation files
// they stay English; nothing else depends on them.
void CPagewrightApp::loadChineseQtTexts() {
    auto* translator = new QTranslator(this);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        delete translator;
}

CPagewrightApp::~CPagewrightApp() {
    if (frame_) saveSettings();
    frame_.reset();
}

bool CPagewrightApp::initInstance() { return initInstance(arguments()); }

bool CPagewrightApp::initInstance(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("页工坊: 制作电子书"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("book"), QStringLiteral("a book (.pgw) to open"));
    const QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("preview a compiled book (.exe)"),
                                     QStringLiteral("book.exe"));
    parser.addOption(preview);
    parser.process(arguments);
    if (parser.isSet(preview)) return startPreview(parser.value(preview));

    const QString book = parser.positionalArguments().isEmpty()
                             ? QString()
                             : QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    channel_ = std::make_unique<InstanceChannel>(channelName_);
    if (channel_->handToRunning(book)) {
        handedOver_ = true;
        return false;
    }
    frame_ = std::make_unique<shell::CMainFrame>(session_);
    frame_->applicationCommands().onCommand(framework::cmd::kAbout, [this] { onAppAbout(); });
    loadRecentFiles();
    frame_->recentFiles().setAddedListener(
        [](const std::string& path) { enterRecentlyUsed(QString::fromStdString(path)); });
    frame_->rebuildMenuBar();
    if (!book.isEmpty()) {
        frame_->openBook(book.toStdString());
    } else {
        frame_->reopenLeftUntitledBook();
    }
    connect(this, &QApplication::aboutToQuit, this, [this] { saveSettings(); });
    channel_->listen([this](const QString& path) { takeRequest(path); });
    if (restoreWindowPlacement(*frame_, QSettings()))
        frame_->show();
    else
        frame_->showMaximized();
    return true;
}

// A preview only reads its book, so it takes nothing from a running program: that one keeps
// its book and its channel, and this process ends when the preview closes.
bool CPagewrightApp::startPreview(const QString& path) {
    previewUi_ = std::make_unique<ui::QtUserInterface>();
    return preview::openPreview(QFileInfo(path).absoluteFilePath().toStdString(), *previewUi_) != nullptr;
}

void CPagewrightApp::takeRequest(const QString& path) {
    if (!frame_) return;
    if (!path.isEmpty() && path.toStdString() != frame_->storage().store().bookPath) frame_->openBook(path.toStdString());
    frame_->setWindowState(frame_->windowState() & ~Qt::WindowMinimized);
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

void CPagewrightApp::onAppAbout() {
    CAboutDlg about(frame_->desktop(), frame_.get());
    runDialog_(about);
}

void CPagewrightApp::loadRecentFiles() {
    QSettings settings;
    std::vector<std::string> paths = recentPaths(settings);
    if (paths.empty()) {
        QSettings earlier(QString::fromLatin1(kEarlierOrganisation), QString::fromLatin1(kEarlierApplication));
        paths = recentPaths(earlier);
    }
    frame_->recentFiles().assign(paths);
}

void CPagewrightApp::saveSettings() const {
    saveRecentFiles();
    QSettings settings;
    saveWindowPlacement(*frame_, settings);
}

void CPagewrightApp::saveRecentFiles() const {
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    settings.remove(QString());
    const auto& entries = frame_->recentFiles().entries();
    for (size_t i = 0; i < entries.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), QString::fromStdString(entries[i]));
}

}  // namespace pgw::app
