#include "editors/pictures/CPictureView.h"

#include "commands/CommandTable.h"
#include "commands/MenuDescriptions.h"
#include "editors/CAppToolBar.h"
#include "editors/pictures/PictureDragRule.h"
#include "editors/pictures/PictureDrawing.h"
#include "editors/pictures/PngDecoding.h"
#include "widgets/CMenuEx.h"
#include "widgets/ToolbarStrip.h"

#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pgw::editors {

namespace cmd = framework::cmd;
using pictures::CPictureObj;
using pictures::PictureRect;

namespace {

constexpr int kInvalidateMargin = 8;

std::optional<std::string> askPictureFile(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QString(), QStringLiteral("Image.jpg"),
        QStringLiteral("JPEG (*.jpg);;Windows Bitmap (*.bmp);;GIF Images (*.gif);;Windows Icon (*.ico);;"
                       "PNG (*.png)"));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

QAction* runMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

QRect toQRect(const PictureRect& rect) {
    const PictureRect n = rect.normalized();
    return QRect(QPoint(n.left, n.top), QPoint(n.right - 1, n.bottom - 1));
}

pictures::PicturePoint toPoint(QPoint point) { return {point.x(), point.y()}; }

}  // namespace

// The drawn page. It is the device the pictures move on: the scroll area moves the whole
// page, so its coordinates are the page's logical units.
class PicturePage : public QWidget, public pictures::PictureSurface {
public:
    PicturePage(CPictureView& view, const pictures::CPictureObjList& list)
        : QWidget(&view), view_(view), list_(list) {
        setFixedSize(CPictureView::kPageWidth, CPictureView::kPageHeight);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Qt::white);
        setPalette(palette);
    }

    pictures::DeviceContext deviceContext() const override {
        pictures::DeviceContext dc;
        dc.clipBox = {0, 0, CPictureView::kPageWidth, CPictureView::kPageHeight};
        return dc;
    }
    void invalidate(const PictureRect& device) override { update(toQRect(device)); }
    void updateNow() override { repaint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        pictures::drawAllPictures(painter, list_, deviceContext());
        painter.end();
        view_.pageDrawn();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) view_.pressAt(event->position().toPoint());
        if (event->button() == Qt::RightButton) view_.showContextMenu(event->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const bool leftOnly = event->buttons() == Qt::LeftButton && event->modifiers() == Qt::NoModifier;
        view_.dragTo(event->position().toPoint(), leftOnly);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) view_.releaseAt();
    }

private:
    CPictureView& view_;
    const pictures::CPictureObjList& list_;
};

CPictureView::CPictureView(QWidget* parent)
    : QWidget(parent),
      toolBar_(new CAppToolBar(this)),
      scroll_(new QScrollArea(this)),
      page_(new PicturePage(*this, pictures_)),
      fileDialog_(askPictureFile),
      menuRunner_(runMenu) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(scroll_);
    scroll_->setWidget(page_);
    page_->setMouseTracking(true);
    buildToolBar();
    registerCommands();
}

CPictureView::~CPictureView() = default;

QWidget* CPictureView::page() const { return page_; }

void CPictureView::buildToolBar() {
    toolBar_->loadToolBar(commands::toolbars::kPicture);
    toolBar_->LoadToolbarImages(16, 221, 221, 222);
    toolBar_->setCommandSink([this](CommandId id) { runCommand(id); });
}

void CPictureView::registerCommands() {
    commands_.onCommand(cmd::kZoomIn, [this] { zoomSelected(true); });
    commands_.onCommand(cmd::kZoomOut, [this] { zoomSelected(false); });
    commands_.onCommand(cmd::kInsertPicture, [this] { insertPicture(); });
    commands_.onCommand(cmd::kDeletePicture, [this] { deleteCurrentPicture(); });
}

void CPictureView::setDocument(book::CPGWDoc* document, book::BookSession* session) {
    document_ = document;
    session_ = session;
}

void CPictureView::loadPictures(std::string_view stored) {
    // The current picture belonged to the list being replaced.
    current_ = nullptr;
    dragging_ = false;
    pictures_.deleteAll();
    pictures_.load(stored);
    pictures_.deselectAll();
    page_->update();
}

// The edit belongs to the page on show, whatever the tree's selection: a directory
// selected after it leaves the page in the editor.
void CPictureView::markEdited() {
    book::NodeInfoRecord* record = editedRecord();
    if (!record) return;
    record->storePending = true;
    if (document_) document_->setModified(true);
    emit edited();
}

// The selected chapter is the page only while a page is selected: marking a selected
// directory instead would lose the pictures when the author moves on to another page.
book::NodeInfoRecord* CPictureView::editedRecord() const {
    if (document_) {
        book::NodeInfoRecord* shown = document_->shownPage();
        if (shown && shown->type() == book::NodeType::Picture) return shown;
    }
    return session_ ? session_->chapters.record(session_->chapters.selectedItem()) : nullptr;
}

void CPictureView::redraw() { page_->repaint(); }

void CPictureView::requestActivation() {
    emit activationRequested();
}

void CPictureView::insertPicture() {
    requestActivation();
    const std::optional<std::string> path = fileDialog_ ? fileDialog_(this) : std::nullopt;
    if (!path) return;
    auto picture = std::make_unique<CPictureObj>();
    if (picture->loadFromFile(*path, pictures::pngDecoder()) != pictures::LoadFileResult::Loaded) return;
    picture->placeAtNaturalSize(kInsertLeft, kInsertTop);
    picture->m_bSelected = 1;
    picture->m_bVisible = 1;
    current_ = &pictures_.addHead(std::move(picture));
    redraw();
    markEdited();
}

void CPictureView::deleteCurrentPicture() {
    if (!current_) return;
    const PictureRect kept = current_->m_rcPos;
    pictures_.remove(current_);
    current_ = nullptr;
    dragging_ = false;
    page_->update(toQRect(kept.inflated(kInvalidateMargin, kInvalidateMargin)));
    markEdited();
}

void CPictureView::zoomSelected(bool in) {
    current_ = pictures_.firstSelected();
    if (!current_) return;
    if (in)
        current_->zoomIn();
    else
        current_->zoomOut();
    redraw();
    markEdited();
}

void CPictureView::pressAt(QPoint point) {
    requestActivation();
    CPictureObj* previous = current_;
    pictures_.deselectAll();
    current_ = pictures_.hitTest(toPoint(point), page_->deviceContext());
    if (current_) {
        // While the button is held only the tracker frame shows.
        current_->m_bSelected = 1;
        current_->m_bVisible = 0;
    }
    if (previous != current_ || current_) redraw();
    if (current_ && current_ != previous && document_) document_->setModified(true);
    dragging_ = true;
    lastPoint_ = point;
}

void CPictureView::dragTo(QPoint point, bool leftButtonOnly) {
    if (statusSink_) statusSink_(2, QString());
    if (!leftButtonOnly || !current_ || !dragging_) return;
    if (!pictures::dragStepAllowed(current_->m_rcPos, toPoint(lastPoint_), toPoint(point))) return;
    const QPoint step = point - lastPoint_;
    const PictureRect moved = current_->m_rcPos.offset(step.x(), step.y());
    current_->moveTo(moved, *page_);
    // Zooming after a drag starts again from the dragged size.
    current_->m_rcBase = moved;
    lastPoint_ = point;
    markEdited();
}

void CPictureView::releaseAt() {
    dragging_ = false;
    if (current_) {
        current_->m_bVisible = 1;
        if (document_) document_->setModified(true);
    }
    page_->update();
}

void CPictureView::showContextMenu(const QPoint& globalPosition) {
    const commands::MenuResource* resource = commands::menuResource(commands::menus::kPicture);
    if (!resource) return;
    std::vector<MenuItemDesc> popups;
    for (const commands::MenuItem& popup : resource->popups) popups.push_back(commands::describeMenuItem(popup));
    CMenuEx menu;
    if (!menu.LoadMenu(popups) || menu.menu()->actions().isEmpty()) return;
    menu.SetBackgroundColor(Qt::white);
    QMenu* popup = menu.menu()->actions().front()->menu();
    if (!popup) return;
    const QAction* chosen = menuRunner_ ? menuRunner_(*popup, globalPosition) : nullptr;
    if (chosen && CMenuEx::commandId(chosen) > 0) runCommand(CommandId(CMenuEx::commandId(chosen)));
}

void CPictureView::pageDrawn() {
    if (!statusSink_) return;
    statusSink_(0, QString());
    statusSink_(1, QString());
    statusSink_(2, QString());
}

}  // namespace pgw::editors
