#pragma once
// The editor of picture pages: a scrolling 800 x 600 page that draws the page's picture
// list, with its toolbar on top and its context menu. The mouse selects and drags a
// picture; the commands insert one from a file, delete the current one and zoom the
// selected one. Every change marks the page and the book edited.
//
// The view's commands are its own command map: the window routes to it while the view is
// shown and active; the toolbar and the context menu send theirs to it directly.

#include "book/BookSession.h"
#include "book/CPGWDoc.h"
#include "editors/pictures/CPictureObjList.h"
#include "platform/framework/CommandTarget.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QMenu;
class QScrollArea;

namespace pgw::editors {

class CAppToolBar;
class PicturePage;

class CPictureView : public QWidget {
    Q_OBJECT

public:
    using CommandId = framework::CommandId;
    // Asks for a picture file; nothing when cancelled.
    using FileDialogHook = std::function<std::optional<std::string>(QWidget* parent)>;
    // Shows the context menu at a screen position; the chosen item or nullptr.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPosition)>;
    // Text for a status bar pane.
    using StatusSink = std::function<void(int pane, const QString& text)>;

    static constexpr int kPageWidth = 800;
    static constexpr int kPageHeight = 600;
    static constexpr int kInsertLeft = 5;
    static constexpr int kInsertTop = 30;

    explicit CPictureView(QWidget* parent = nullptr);
    ~CPictureView() override;

    // Set once by the window: the document whose flag changes raise, the session whose
    // chapters find the page's record (the selected one, when no page is on show).
    void setDocument(book::CPGWDoc* document, book::BookSession* session);
    void setFileDialogHook(FileDialogHook hook) { fileDialog_ = std::move(hook); }
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    void setStatusSink(StatusSink sink) { statusSink_ = std::move(sink); }

    // The page's pictures in their stored form, and their replacement by a page's. Loading
    // is not an edit; it leaves nothing selected and no current picture.
    std::string savePictures() const { return pictures_.save(); }
    void loadPictures(std::string_view stored);

    const pictures::CPictureObjList& pictures() const { return pictures_; }
    pictures::CPictureObj* currentPicture() const { return current_; }
    framework::CommandMap& commands() { return commands_; }
    CAppToolBar* toolBar() const { return toolBar_; }
    // The drawn page: mouse positions on it are page coordinates.
    QWidget* page() const;
    bool runCommand(CommandId id) { return commands_.handleCommand(id); }

    void insertPicture();
    void deleteCurrentPicture();
    void zoomSelected(bool in);
    // The page on show and the book were changed by the author. The page is the one the
    // document shows, which stays on show while a directory is selected.
    void markEdited();

    // The page's mouse, in page coordinates.
    void pressAt(QPoint point);
    void dragTo(QPoint point, bool leftButtonOnly);
    void releaseAt();
    void showContextMenu(const QPoint& globalPosition);
    void pageDrawn();

signals:
    // After every change the author makes to the page's pictures.
    void edited();
    // The view is to become the window's active view.
    void activationRequested();

private:
    book::NodeInfoRecord* editedRecord() const;
    void buildToolBar();
    void registerCommands();
    void redraw();
    void requestActivation();

    CAppToolBar* toolBar_;
    QScrollArea* scroll_;
    PicturePage* page_;
    pictures::CPictureObjList pictures_;
    pictures::CPictureObj* current_ = nullptr;
    framework::CommandMap commands_;
    book::CPGWDoc* document_ = nullptr;
    book::BookSession* session_ = nullptr;
    FileDialogHook fileDialog_;
    MenuRunner menuRunner_;
    StatusSink statusSink_;
    QPoint lastPoint_;
    bool dragging_ = false;
};

}  // namespace pgw::editors
