#include "editors/CRTFView.h"

#include "commands/CommandTable.h"
#include "commands/MenuDescriptions.h"
#include "editors/CAppToolBar.h"
#include "editors/FontCombos.h"
#include "editors/PageFontDialog.h"
#include "editors/PageTextEdit.h"
#include "editors/RichTextBridge.h"
#include "platform/framework/CommandRouter.h"
#include "platform/richtext/RtfWriter.h"
#include "widgets/CMenuEx.h"
#include "widgets/ToolbarStrip.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextEdit>
#include <QVBoxLayout>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;

constexpr int32_t kDefaultHeightTwips = 200;
constexpr int kCaretReportRetryMs = 100;
const QColor kContextMenuBackground(0xFF, 0xFF, 0xFF);

std::optional<FontChoice> askFontDialog(const FontChoice& initial, QWidget* parent) {
    return PageFontDialog(initial, parent).exec();
}

QAction* runMenu(QMenu& menu, const QPoint& globalPosition) { return menu.exec(globalPosition); }

// The forms of the clipboard's data, the best one chosen.
std::optional<PasteForm> askPasteForm(const std::vector<PasteForm>& forms, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("选择性粘贴"));
    auto* list = new QListWidget(&dialog);
    for (const PasteForm form : forms) list->addItem(pasteFormName(form));
    list->setCurrentRow(0);
    auto* label = new QLabel(QStringLiteral("粘贴为(&A):"), &dialog);
    label->setBuddy(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
    return forms.at(size_t(list->currentRow()));
}

// What the author does to the text itself, which must meet the whole page.
bool wantsThePage(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::DragEnter:
    case QEvent::Drop: return true;
    default: return false;
    }
}

// Qt lays a document out from its start, so its last paragraph is laid out last.
bool isLaidOut(const QTextDocument& document) {
    const QTextBlock last = document.lastBlock();
    return last.isValid() && last.layout() && last.layout()->lineCount() > 0;
}

}  // namespace

CRTFView::CRTFView(QWidget* parent)
    : QWidget(parent),
      edit_(new PageTextEdit(this)),
      toolBar_(new CAppToolBar(this)),
      fontDialog_(askFontDialog),
      menuRunner_(runMenu),
      pasteFormChooser_(askPasteForm),
      loader_([this](std::unique_ptr<QTextDocument> page,
                     const std::string& problem) { showLoadedPage(std::move(page), problem); },
              [this](std::unique_ptr<QTextDocument> opening) {
                  showDocument(std::move(opening));
                  showingOpening_ = true;
              }) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(edit_);
    buildToolBar();
    edit_->setAcceptRichText(true);
    setFocusProxy(edit_);  // the view given the focus means the author types into the page
    // Only pictures may be dropped into the editor (PageTextEdit refuses other data).
    edit_->setAcceptDrops(true);
    edit_->viewport()->setAcceptDrops(true);
    edit_->setContextMenuPolicy(Qt::PreventContextMenu);
    edit_->viewport()->installEventFilter(this);
    edit_->installEventFilter(this);
    applyPageDefaults(*edit_->document());
    setHeightTwips(*edit_, kDefaultHeightTwips);
    setFace(*edit_, QString::fromUtf8(richtext::kDefaultFace.data(), qsizetype(richtext::kDefaultFace.size())));
    setEffect(*edit_, CharEffect::Bold, false);
    watchEdits();
    registerCommands();
    // The status bar follows the caret as the author types and moves it, not only on clicks.
    caretReport_.setSingleShot(true);
    connect(&caretReport_, &QTimer::timeout, this, [this] {
        // Counting the lines would lay out at once the rest of a page still being laid out.
        if (!isLaidOut(*edit_->document())) return caretReport_.start(kCaretReportRetryMs);
        showCaretPosition();
    });
    connect(edit_, &QTextEdit::cursorPositionChanged, this, [this] { caretReport_.start(0); });
    followCaretOnToolBar();
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

std::string CRTFView::saveText() {
    finishLoading();
    std::string rtf = richtext::writeRtf(documentContent(*edit_->document()));
    unchanged_ = true;
    return rtf;
}

void CRTFView::loadText(std::string_view rtf) {
    loader_.start(std::string(rtf));
    // Until the page is complete the editor holds nothing of any page: what it showed
    // before belongs to the page that was left.
    if (!loader_.isLoading()) return;
    auto empty = std::make_unique<QTextDocument>();
    applyPageDefaults(*empty);  // what the toolbar shows meanwhile
    showDocument(std::move(empty));
}

void CRTFView::showLoadedPage(std::unique_ptr<QTextDocument> page, const std::string& problem) {
    showWholePage(*edit_, showingOpening_, [&] { showDocument(std::move(page)); });
    if (!problem.empty()) reportUnreadPart();
}

// The page's document takes the place of the one shown; the editor lays it out as it is
// looked at, so a page of any size shows at once.
void CRTFView::showDocument(std::unique_ptr<QTextDocument> document) {
    // The editor deletes the document it made itself; the pages' documents are ours.
    std::unique_ptr<QTextDocument> previous(edit_->document()->parent() == this ? edit_->document() : nullptr);
    document->setParent(this);
    edit_->setDocument(document.release());
    watchEdits();
    edit_->moveCursor(QTextCursor::Start);
    showFormatOnToolBar();
    layoutPacer_.pace(*edit_->document());
    unchanged_ = true;
    showingOpening_ = false;
}

// What the reader could not read (damage, a picture it cannot keep) is not shown; the author
// should know before editing, since the page is stored as shown.
void CRTFView::reportUnreadPart() {
    if (ui_) ui_->showStatus("此页有部分内容无法读出（数据损坏或格式不支持），现在显示的是能读出的部分。");
}

void CRTFView::watchEdits() {
    caretLines_.attach(edit_->document());
    connect(edit_->document(), &QTextDocument::contentsChange, &toolBarFollow_, [this] { followSoon(); });
    connect(edit_->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (removed == 0 && added == 0) return;
        unchanged_ = false;
        markEdited();
    });
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

void CRTFView::selectAll() {
    finishLoading();
    edit_->selectAll();
}

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
    if (caretReporter_) caretReporter_(caretPositionText(caretPosition(*edit_, caretLines_)));
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
    if (loader_.isLoading() && wantsThePage(event->type())) finishLoading();
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
    case QEvent::Resize:
        caretLines_.forgetAll();  // the paragraphs wrap anew
        // A new width lays the whole page out anew, from its start.
        if (layoutPacer_.isPacing()) layoutPacer_.pace(*edit_->document());
        break;
    case QEvent::Paint:
        // Once a book is open the text is editable and the toolbar shows.
        if (session_ && session_->bookOpen) {
            if (edit_->isReadOnly()) edit_->setReadOnly(false);
            if (toolBar_->isHidden()) toolBar_->show();
        }
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pgw::editors
