// The text view's commands: formatting, editing, find and replace.

#include "editors/CAppToolBar.h"
#include "editors/CRTFView.h"
#include "editors/FindReplaceDialog.h"
#include "editors/FontCombos.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextEdit>

#include <limits>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;
using framework::CommandState;

// Far beyond any page width, and small enough that start + offset stays in range.
constexpr int32_t kMaxIndentTwips = std::numeric_limits<int32_t>::max() / 4;
// A millisecond or two of reading a selection for the toolbar.
constexpr int kParagraphsPerScanStep = 2000;

CommandState enabledIf(bool enabled) { return {enabled, false}; }

}  // namespace

void CRTFView::registerCommands() {
    registerFormatCommands();
    onPageCommand(cmd::kCut, [this] {
        edit_->cut();
        finishEdit(false);
    });
    onPageCommand(cmd::kPaste, [this] {
        edit_->paste();
        finishEdit(false);
    });
    onPageCommand(cmd::kPasteSpecial, [this] { pasteSpecial(); });
    onPageCommand(cmd::kCopy, [this] { edit_->copy(); });
    onPageCommand(cmd::kUndo, [this] { edit_->undo(); });
    onPageCommand(cmd::kRedo, [this] { edit_->redo(); });
    onPageCommand(cmd::kDeleteSelection, [this] {
        edit_->textCursor().removeSelectedText();
        finishEdit(true);
    });
    commands_.onUpdate(cmd::kPaste, [this] { return enabledIf(edit_->canPaste()); });
    commands_.onUpdate(cmd::kPasteSpecial, [this] { return enabledIf(edit_->canPaste()); });
    commands_.onUpdate(cmd::kUndo, [this] { return enabledIf(edit_->document()->isUndoAvailable()); });
    commands_.onUpdate(cmd::kRedo, [this] { return enabledIf(edit_->document()->isRedoAvailable()); });
    commands_.onUpdate(cmd::kCopy, [this] { return enabledIf(edit_->textCursor().hasSelection()); });
    commands_.onUpdate(cmd::kCut, [this] { return enabledIf(edit_->textCursor().hasSelection()); });
    onPageCommand(cmd::kFind, [this] { showFindDialog(false); });
    onPageCommand(cmd::kReplace, [this] { showFindDialog(true); });
    // The colour control's own click, and the program prints nothing.
    for (const CommandId id : {cmd::kColourPicker, cmd::kRichTextSwallowed, cmd::kPrint, cmd::kPrintPreview})
        commands_.onCommandNoOp(id);
}

void CRTFView::registerFormatCommands() {
    onPageCommand(cmd::kFontDialog, [this] { chooseFont(); });
    onPageCommand(cmd::kFaceList, [this] { applyFace(); });
    onPageCommand(cmd::kSizeList, [this] { applySize(); });
    onPageCommand(cmd::kBold, [this] { toggleEffect(CharEffect::Bold); });
    onPageCommand(cmd::kItalic, [this] { toggleEffect(CharEffect::Italic); });
    onPageCommand(cmd::kUnderline, [this] { toggleEffect(CharEffect::Underline); });
    onPageCommand(cmd::kStrikeOut, [this] { toggleEffect(CharEffect::StrikeOut); });
    onPageCommand(cmd::kAlignLeft, [this] { align(Qt::AlignLeft); });
    onPageCommand(cmd::kAlignCentre, [this] { align(Qt::AlignHCenter); });
    onPageCommand(cmd::kAlignRight, [this] { align(Qt::AlignRight); });
    onPageCommand(cmd::kIndent, [this] { indent(); });
    onPageCommand(cmd::kOutdent, [this] { outdent(); });
    onPageCommand(cmd::kBullets, [this] { toggleBullets(); });
}

// Every command meets the whole page, also one given while a big page is still loading.
void CRTFView::onPageCommand(CommandId id, std::function<void()> handler) {
    commands_.onCommand(id, [this, handler = std::move(handler)] {
        finishLoading();
        handler();
        showFormatOnToolBar();
    });
}

// The toolbar shows the format at the caret: after the caret or the selection moved and
// after the text or its format changed, once for all that an event brought.
void CRTFView::followCaretOnToolBar() {
    toolBarFollow_.setSingleShot(true);
    connect(&toolBarFollow_, &QTimer::timeout, this, [this] { showFormatOnToolBar(); });
    formatScanStep_.setSingleShot(true);
    connect(&formatScanStep_, &QTimer::timeout, this, [this] { continueFormatScan(); });
    const auto follow = [this] { followSoon(); };
    connect(edit_, &QTextEdit::cursorPositionChanged, this, follow);
    connect(edit_, &QTextEdit::selectionChanged, this, follow);
    connect(edit_, &QTextEdit::currentCharFormatChanged, this, follow);
    showFormatOnToolBar();
}

// What a scan under way reads may be gone: it is not continued.
void CRTFView::followSoon() {
    formatScanStep_.stop();
    toolBarFollow_.start(0);
}

void CRTFView::showFormatOnToolBar() {
    toolBarFollow_.stop();
    formatScan_.start(*edit_);
    continueFormatScan();
}

// Widening the selection of a huge page by a key reads a slice of it, not all of it; the
// toolbar shows what the slices read so far share, which only narrows.
void CRTFView::continueFormatScan() {
    if (!formatScan_.step(*edit_, kParagraphsPerScanStep)) formatScanStep_.start(0);
    toolBar_->showFormat(formatScan_.format());
}

// The clipboard's data is copied first: it may change while the author chooses.
void CRTFView::pasteSpecial() {
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    if (!clipboard) return;
    QMimeData copy;
    for (const QString& format : clipboard->formats()) copy.setData(format, clipboard->data(format));
    if (clipboard->hasImage()) copy.setImageData(clipboard->imageData());
    const std::vector<PasteForm> forms = pasteFormsIn(copy);
    if (forms.empty()) return;
    const std::optional<PasteForm> form = pasteFormChooser_(forms, this);
    if (!form) return;
    QTextCursor cursor = edit_->textCursor();
    if (!pasteAs(cursor, copy, *form)) return;
    edit_->setTextCursor(cursor);
    finishEdit(true);
}

void CRTFView::finishEdit(bool takeFocus) {
    if (takeFocus) edit_->setFocus();
    markEdited();
}

// The opposite of what the button shows: off only where all the selected text (or the
// typing format) has the effect, so a mixed selection gets it throughout. Read from the
// text itself, the button may not have caught up with the caret yet.
void CRTFView::toggleEffect(CharEffect effect) {
    setEffect(*edit_, effect, !shownFormat(*edit_).has(effect));
    finishEdit(true);
}

void CRTFView::toggleBullets() {
    setBullets(*edit_, !bulletsShown(*edit_));
    finishEdit(true);
}

void CRTFView::align(Qt::Alignment alignment) {
    setParagraphAlignment(*edit_, alignment);
    finishEdit(true);
}

// The running indent grows from the view's own value, whatever the paragraph holds.
void CRTFView::indent() {
    const int32_t current = startIndentAtCaret(*edit_);
    indentTwips_ = std::min(indentTwips_ + kIndentStep, kMaxIndentTwips);
    if (indentTwips_ != current) setStartIndentAndOffset(*edit_, indentTwips_, indentTwips_);
    finishEdit(true);
}

void CRTFView::outdent() {
    indentTwips_ -= kIndentStep;
    if (indentTwips_ < 0) {
        indentTwips_ = 0;
        return;
    }
    setStartIndentAndOffset(*edit_, indentTwips_, indentTwips_);
    finishEdit(true);
}

// A cancelled dialog still counts as an edit.
void CRTFView::chooseFont() {
    if (const std::optional<FontChoice> chosen = fontDialog_ ? fontDialog_(fontChoiceAt(*edit_), this) : std::nullopt)
        applyFontChoice(*edit_, *chosen);
    finishEdit(true);
}

void CRTFView::applyFace() {
    const QString face = toolBar_->faceList() ? toolBar_->faceList()->currentText() : QString();
    if (!face.isEmpty()) setFace(*edit_, face);
    markEdited();
}

void CRTFView::applySize() {
    if (toolBar_->sizeList()) setHeightTwips(*edit_, toolBar_->sizeList()->heightTwips());
    markEdited();
}

void CRTFView::applyColour(const QColor& colour) {
    setTextColour(*edit_, colour);
    markEdited();
    showFormatOnToolBar();
}

void CRTFView::showFindDialog(bool replacing) {
    if (!findDialog_) {
        findDialog_ = new FindReplaceDialog(*edit_, this);
        connect(findDialog_, &FindReplaceDialog::notFound, this, [this](const QString& text) { showMessage(text); });
        connect(findDialog_, &FindReplaceDialog::edited, this, [this] { markEdited(); });
    }
    if (replacing) findDialog_->showReplace();
    else findDialog_->showFind();
}

}  // namespace pgw::editors
