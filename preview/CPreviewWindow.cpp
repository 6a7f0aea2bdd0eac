#include "preview/CPreviewWindow.h"

#include "book/ChapterModel.h"
#include "editors/CWebBrowerView.h"
#include "preview/CBookInfoDialog.h"
#include "preview/PreviewPages.h"
#include "stub/reader/CompiledBook.h"
#include "widgets/MenuImages.h"
#include "widgets/ToolbarStrip.h"

#include <QKeyEvent>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>

namespace pgw::preview {

namespace {

// The chapter tree's image strip, cut as the chapter pane cuts it.
const QString kTreeStrip = QStringLiteral(":/bitmaps/173.bmp");
constexpr int kTreeImageSize = 16;
constexpr int kChapterRole = Qt::UserRole;

QIcon chapterIcon(const std::vector<QPixmap>& strip, const stub::Chapter& chapter) {
    const book::ObjKind kind = chapter.directory ? book::ObjKind::Storage : book::ObjKind::Stream;
    const book::NodeImages images = book::imagesFor(uint32_t(kind), int32_t(chapter.type));
    QIcon icon;
    for (const auto& [index, mode] : {std::pair{images.normal, QIcon::Normal}, std::pair{images.selected, QIcon::Selected}})
        if (index >= 0 && size_t(index) < strip.size()) addCrispPixmap(icon, strip[size_t(index)], mode);
    return icon;
}

bool isPageKey(const QKeyEvent& key) {
    const bool pageKey = key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown;
    return pageKey && (key.modifiers() == Qt::NoModifier || key.modifiers() == Qt::ControlModifier);
}

}  // namespace

CPreviewWindow::CPreviewWindow(std::unique_ptr<stub::CompiledBook> book, const QString& fileName, QWidget* parent)
    : QMainWindow(parent, Qt::Window), book_(std::move(book)), tree_(new QTreeWidget), pages_(new PreviewPages(*book_)) {
    const QString title = QString::fromStdString(stub::nameForMessage(book_->fields().title));
    setWindowTitle((title.isEmpty() ? fileName : title) + QStringLiteral(" - 预览"));
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(kTreeImageSize, kTreeImageSize));
    auto* splitter = new QSplitter(this);
    splitter->addWidget(tree_);
    splitter->addWidget(pages_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 680});
    setCentralWidget(splitter);
    buildToolBar();
    buildTree();
    // The reader's own keys: page up and page down turn pages wherever the focus is.
    for (QWidget* watched : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(pages_->textPage()),
                             static_cast<QWidget*>(pages_->webPage()), pages_->picturePage()})
        watched->installEventFilter(this);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { chapterSelected(); });
    resize(900, 640);
    if (const auto first = book_->firstPage()) selectChapter(*first);
    else selectChapter(0);
}

CPreviewWindow::~CPreviewWindow() = default;

void CPreviewWindow::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("预览"));
    bar->setMovable(false);
    bar->addAction(QStringLiteral("上一页"), this, [this] { pageUp(); })->setToolTip(QStringLiteral("上一页 (PgUp)"));
    bar->addAction(QStringLiteral("下一页"), this, [this] { pageDown(); })->setToolTip(QStringLiteral("下一页 (PgDn)"));
    bar->addSeparator();
    bar->addAction(QStringLiteral("书籍信息"), this, [this] { showBookInfo(); });
}

// Items are made in the table's pre-order, each under its directory's item.
void CPreviewWindow::buildTree() {
    const std::vector<QPixmap> strip = widgets::loadToolbarImages(kTreeStrip, kTreeImageSize);
    const auto& chapters = book_->chapters();
    items_.assign(chapters.size(), nullptr);
    for (size_t at = 0; at < chapters.size(); ++at) {
        const stub::Chapter& chapter = chapters[at];
        QTreeWidgetItem* parent = chapter.parent < at ? items_[chapter.parent] : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(0, QString::fromStdString(stub::nameForMessage(chapter.name)));
        item->setIcon(0, chapterIcon(strip, chapter));
        item->setData(0, kChapterRole, qulonglong(at));
        items_[at] = item;
    }
    tree_->expandAll();
    order_.assign(chapters.size(), 0);
    size_t position = 0;
    for (QTreeWidgetItemIterator item(tree_); *item; ++item)
        order_[size_t((*item)->data(0, kChapterRole).toULongLong())] = position++;
}

size_t CPreviewWindow::currentChapter() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    return item ? size_t(item->data(0, kChapterRole).toULongLong()) : stub::kNoChapter;
}

void CPreviewWindow::selectChapter(size_t chapter) {
    if (chapter < items_.size() && items_[chapter]) tree_->setCurrentItem(items_[chapter]);
}

void CPreviewWindow::chapterSelected() { pages_->showChapter(currentChapter()); }

void CPreviewWindow::pageUp() { turnPage(false); }
void CPreviewWindow::pageDown() { turnPage(true); }

// The next or previous page in the tree's order, from a page or from a directory; nothing
// past either end.
void CPreviewWindow::turnPage(bool forward) {
    const size_t current = currentChapter();
    if (current >= order_.size()) {
        if (const auto first = book_->firstPage(); forward && first) selectChapter(*first);
        return;
    }
    const std::vector<size_t>& pages = book_->pages();
    const auto after = [&](size_t page) { return order_[page] > order_[current]; };
    if (forward) {
        const auto next = std::find_if(pages.begin(), pages.end(), after);
        if (next != pages.end()) selectChapter(*next);
    } else {
        const auto before = [&](size_t page) { return order_[page] < order_[current]; };
        const auto previous = std::find_if(pages.rbegin(), pages.rend(), before);
        if (previous != pages.rend()) selectChapter(*previous);
    }
}

CBookInfoDialog* CPreviewWindow::showBookInfo() {
    auto* dialog = new CBookInfoDialog(book_->fields(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

bool CPreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isPageKey(*static_cast<QKeyEvent*>(event))) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_PageUp)
            pageUp();
        else
            pageDown();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pgw::preview
