#include "editors/CRTFView.h"

#include "commands/CommandTable.h"
#include "commands/MenuDescriptions.h"
#include "editors/CAppToolBar.h"
#include "editors/CaretPosition.h"
#include "editors/FontCombos.h"
#include "editors/RichTextBridge.h"
#include "platform/framework/CommandRouter.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "widgets/CMenuEx.h"
#include "widgets/ToolbarStrip.h"

#include <QFontDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextEdit>
#include <QVBoxLayout>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;

constexpr int32_t kDefaultHeightTwips = 200;
const QColor kContextMenuBackground(0xFF, 0xFF, 0xFF);

// Qt's dialog offers no text colour, so its choice leaves the colour as it is.
std::optional<FontChoice> askFontDialog(const FontChoice& initial, QWidget* parent) {
    // It works in points; the logical font's height is in pixels (3/4 pt each).
    QFont font = initial.font;
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0) font.setPointSizeF(font.pixelSize() * 0.75);
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, font, parent, QStringLiteral("字体"));
    if (!accepted) return std::nullopt;
    return FontChoice{chosen, QColor()};
}

QAction* runMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

}  // namespace

CRTFView::CRTFView(QWidget* parent)
    : QWidget(parent),
      edit_(new QTextEdit(this)),
      toolBar_(new CAppToolBar(this)),
      fontDialog_(askFontDialog),
      menuRunner_(runMenu) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(edit_);
    buildToolBar();
    edit_->setAcceptRichText(true);
    setFocusProxy(edit_);  // the view given the focus means the author types into the page
    // Dropping data into the editor is refused.
    edit_->setAcceptDrops(false);
    edit_->viewport()->setAcceptDrops(false);
    edit_->setContextMenuPolicy(Qt::PreventContextMenu);
    edit_->viewport()->installEventFilter(this);
    applyPageDefaults(*edit_->document());
    setHeightTwips(*edit_, kDefaultHeightTwips);
    setFace(*edit_, QString::fromUtf8(richtext::kDefaultFace.data(), qsizetype(richtext::kDefaultFace.size())));
    setEffect(*edit_, CharEffect::Bold, false);
    connect(edit_->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!loading_ && (removed != 0 || added != 0)) markEdited();
    });
    registerCommands();
}

CRTFView::~CRTFView() = default;

void CRTFView::buildToolBar() {
    toolBar_->loadToolBar(commands::toolbars::kRichText);
    toolBar_->LoadToolbarImages(16, 229, 229, 228);
    toolBar_->createFontControls();
    for (const CommandId id : {cmd::kBold, cmd::kItalic, cmd::kUnderline, cmd::kStrikeOut, cmd::kBullets})
        if (QAction* button = toolBar_->button(id)) button->setCheckable(true);
    toolBar_->setCommandSink([this](CommandId id) { runCommand(id); });
    toolBar_->setColourSink([this](const QColor& colour) { applyColour(colour); });
}

void CRTFView::setDocument(book::CPGWDoc* document, book::BookSession* session) {
    document_ = document;
    session_ = session;
}

std::string CRTFView::saveText() const { return richtext::writeRtf(documentContent(*edit_->document())); }

void CRTFView::loadText(std::string_view rtf) {
    loading_ = true;
    // A page never edited has an empty stream: it shows as an empty page.
    const richtext::RichDocument page = rtf.empty() ? richtext::RichDocument{} : richtext::readRtf(rtf).document;
    setDocumentContent(*edit_->document(), page);
    edit_->moveCursor(QTextCursor::Start);
    loading_ = false;
}

void CRTFView::bindCurrentPage(book::NodeId item, const std::string& gbkName) {
    currentItem_ = item;
    currentName_ = gbkName;
}

book::NodeInfoRecord* CRTFView::currentRecord() const {
    return session_ && !currentName_.empty() ? session_->index.find(currentName_) : nullptr;
}

void CRTFView::markEdited() {
    if (document_) document_->setModified(true);
    if (book::NodeInfoRecord* record = currentRecord()) record->storePending = true;
    emit edited();
}

void CRTFView::selectAll() { edit_->selectAll(); }

bool CRTFView::runCommand(CommandId id) {
    return framework::CommandRouter::route(framework::CommandChain::window(&commands_, documentTarget_), id);
}

void CRTFView::showMessage(const QString& text) {
    if (ui_) {
        ui_->showMessage(ui::Message{text.toStdString(), {}, ui::Buttons::Ok, ui::Icon::Information});
        return;
    }
    QMessageBox::information(this, QString(), text);
}

void CRTFView::showCaretPosition() {
    if (caretReporter_) caretReporter_(caretPositionText(caretPosition(*edit_)));
}

// Menu 204, built afresh for each click; its command comes back to the view.
void CRTFView::showContextMenu(const QPoint& globalPosition) {
    std::vector<MenuItemDesc> popups;
    for (const commands::MenuItem& popup : commands::menuResource(commands::menus::kRichText)->popups)
        popups.push_back(commands::describeMenuItem(popup));
    CMenuEx menu;
    if (!menu.LoadMenu(popups) || menu.menu()->actions().isEmpty()) return;
    menu.SetImageList(widgets::loadToolbarImages(QStringLiteral(":/bitmaps/157.bmp"), 16));
    std::vector<int> imageIds;
    for (const CommandId id : commands::toolbarResource(commands::toolbars::kChapterPane)->buttons) imageIds.push_back(int(id));
    menu.SetImageIndices(imageIds);
    menu.SetBackgroundColor(kContextMenuBackground);
    QMenu* popup = menu.menu()->actions().front()->menu();
    if (!popup) return;
    const QAction* chosen = menuRunner_ ? menuRunner_(*popup, globalPosition) : nullptr;
    if (chosen && CMenuEx::commandId(chosen) > 0) runCommand(CommandId(CMenuEx::commandId(chosen)));
}

bool CRTFView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton || !session_ || !session_->bookOpen) break;
        if (edit_->viewport()->rect().contains(mouse->position().toPoint()))
            showContextMenu(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) showCaretPosition();
        break;
    case QEvent::Paint:
        // Once a book is open the text is editable and the toolbar shows.
        if (session_ && session_->bookOpen) {
            if (edit_->isReadOnly()) edit_->setReadOnly(false);
            if (toolBar_->isHidden()) toolBar_->show();
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pgw::editors
