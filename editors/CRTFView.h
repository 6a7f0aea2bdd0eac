#pragma once
// The editor of text pages: one rich-text editor for the whole book, with its formatting
// toolbar on top. The document streams a page's RTF in when the page is opened and out
// when it has to be stored; the view keeps the two change marks (the book's and the
// page's) up to date after every edit.
//
// The view's commands are its own command map: the window routes its menus, buttons and
// keys to it while the view is active; the view's toolbar and context menu send theirs
// to it directly.

#include "book/BookSession.h"
#include "book/CPGWDoc.h"
#include "editors/CaretPosition.h"
#include "editors/LayoutPacer.h"
#include "editors/ClipboardForms.h"
#include "editors/PageLoader.h"
#include "editors/ShownFormat.h"
#include "editors/TextFormatting.h"
#include "platform/framework/CommandTarget.h"
#include "platform/ui/UserInterface.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QMenu;
class QTextDocument;
class QTextEdit;

namespace pgw::editors {

class CAppToolBar;
class FindReplaceDialog;

class CRTFView : public QWidget {
    Q_OBJECT

public:
    using CommandId = framework::CommandId;
    // Shows the font dialog on `initial`; nothing when cancelled.
    using FontDialogHook = std::function<std::optional<FontChoice>(const FontChoice& initial, QWidget* parent)>;
    // Shows the context menu at a screen position; the chosen item or nullptr.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPosition)>;
    using TextSink = std::function<void(const QString&)>;

    static constexpr int32_t kIndentStep = 640;  // twips

    explicit CRTFView(QWidget* parent = nullptr);
    ~CRTFView() override;

    // Set once by the window: the document whose flag edits raise and the session whose
    // index finds the page's record and whose book-open flag enables the context menu.
    void setDocument(book::CPGWDoc* document, book::BookSession* session);
    // Where the find dialog's messages go; without one they show in a message box.
    void setUserInterface(ui::UserInterface* ui) { ui_ = ui; }
    // The document's share of the commands the view's own menu and toolbar send.
    void setDocumentTarget(framework::CommandTarget* target) { documentTarget_ = target; }
    void setFontDialogHook(FontDialogHook hook) { fontDialog_ = std::move(hook); }
    // Asks which of the clipboard's forms Paste Special inserts; none to cancel.
    using PasteFormChooser = std::function<std::optional<PasteForm>(const std::vector<PasteForm>& forms, QWidget* parent)>;
    void setPasteFormChooser(PasteFormChooser chooser) { pasteFormChooser_ = std::move(chooser); }
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    // Receives "第 %d 行 第 %d 列" when the author releases the left button in the text.
    void setCaretReporter(TextSink reporter) { caretReporter_ = std::move(reporter); }

    // The whole content as RTF in the rich edit dialect, and its replacement by a page's
    // RTF. Loading is not an edit. A big page is loaded while the window goes on: until it
    // is complete the editor shows an empty page, or the opening of a page of very many
    // paragraphs, and whatever needs the page (storing it, a key, a click, a drop, a
    // command) completes the load first.
    std::string saveText();
    void loadText(std::string_view rtf);
    bool isLoading() const { return loader_.isLoading(); }
    // Nothing changed the text since the page was loaded or its RTF last saved.
    bool unchangedSinceExchange() const { return unchanged_; }
    void finishLoading() { loader_.finish(); }
    // How loads are divided; tests make every page a big one.
    void setLoadPacing(PageLoader::Pacing pacing) { loader_.setPacing(pacing); }

    // The page now in the editor; its record gets the page's change mark from now on.
    void bindCurrentPage(book::NodeId item, const std::string& gbkName);
    book::NodeId currentItem() const { return currentItem_; }
    book::NodeInfoRecord* currentRecord() const;

    // The book and the page were changed by the author.
    void markEdited();

    void selectAll();
    QTextEdit* editor() const { return edit_; }
    CAppToolBar* toolBar() const { return toolBar_; }
    framework::CommandMap& commands() { return commands_; }
    // A command from the view's own toolbar or context menu: the view, then its document.
    bool runCommand(CommandId id);
    // The indent the next indent or outdent starts from; it belongs to the view, not to a page.
    int32_t indentTwips() const { return indentTwips_; }
    // The find and replace dialog, once it was asked for.
    FindReplaceDialog* findDialog() const { return findDialog_; }

signals:
    // After every change the author makes to the page (never for a page being loaded).
    void edited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void registerCommands();
    void registerFormatCommands();
    void onPageCommand(CommandId id, std::function<void()> handler);
    void finishEdit(bool takeFocus);
    void toggleEffect(CharEffect effect);
    void toggleBullets();
    void align(Qt::Alignment alignment);
    void indent();
    void outdent();
    void chooseFont();
    void pasteSpecial();
    void applyFace();
    void applySize();
    void applyColour(const QColor& colour);
    void showFindDialog(bool replacing);
    void showMessage(const QString& text);
    void showCaretPosition();
    void followCaretOnToolBar();
    void followSoon();
    void showFormatOnToolBar();
    void continueFormatScan();
    void showContextMenu(const QPoint& globalPosition);
    void showLoadedPage(std::unique_ptr<QTextDocument> page, const std::string& problem);
    void showDocument(std::unique_ptr<QTextDocument> document);
    void reportUnreadPart();
    void watchEdits();

    QTextEdit* edit_;
    CAppToolBar* toolBar_;
    FindReplaceDialog* findDialog_ = nullptr;
    framework::CommandMap commands_;
    framework::CommandTarget* documentTarget_ = nullptr;
    book::CPGWDoc* document_ = nullptr;
    book::BookSession* session_ = nullptr;
    ui::UserInterface* ui_ = nullptr;
    FontDialogHook fontDialog_;
    MenuRunner menuRunner_;
    PasteFormChooser pasteFormChooser_;
    TextSink caretReporter_;
    CaretLineCounter caretLines_;
    QTimer caretReport_;  // one report for all the moves an event brought
    QTimer toolBarFollow_;  // the toolbar shows the format at the caret once per event
    ShownFormatScan formatScan_;
    QTimer formatScanStep_;  // a big selection is read between the window's events
    book::NodeId currentItem_ = book::kNoNode;
    std::string currentName_;
    int32_t indentTwips_ = 0;
    PageLoader loader_;
    LayoutPacer layoutPacer_;
    bool unchanged_ = false;
    bool showingOpening_ = false;  // the editor shows the opening of the page being loaded
};

}  // namespace pgw::editors
