#pragma once
// The application's one document: its own modified flag, the page exchange between the
// chapters' streams and the editors, and the file commands (open, save, save as, close).

#include "book/BookStorage.h"
#include "book/PageEditors.h"

#include <functional>
#include <string>
#include <string_view>

namespace pgw::book {

class CPGWDoc {
public:
    CPGWDoc(BookStorage& storage, PageEditors& editors);

    bool isModified() const { return modified_; }
    void setModified(bool modified);
    // Told whenever the modified flag changes: the window marks its title.
    void setModifiedListener(std::function<void(bool)> listener) { modifiedListener_ = std::move(listener); }
    const std::string& pathName() const { return pathName_; }
    void setPathName(const std::string& path) { pathName_ = path; }

    // Moves a page between its stream and its editor: stores the editor's content when
    // the page was changed, loads the stream otherwise. False only when the store failed:
    // the content stays in the editor and the page stays marked changed.
    bool exchangePage(const std::string& name);
    // The page whose content the editors hold (a directory's selection leaves it on show),
    // while it is still in the tree under its record's name.
    NodeInfoRecord* shownPage() const;
    // Stores the shown page when the author changed it, without touching the views. False
    // when the store failed (told unless `tell` is false; content and mark are kept).
    bool storeShownPage(bool tell = true);
    // The shown page's stream was changed behind the editors (a book-wide replace): they
    // show it again.
    void reloadShownPage();
    // A chapter was renamed: the editors keep following the page they show.
    void chapterRenamed(NodeId item, const std::string& newName);

    // The open handler (Open, recent files, the command line, dropped files).
    bool onOpenDocument(const std::string& path);
    // The save entry: appends ".pgw" when missing and saves when there is something to save.
    bool onSaveDocument(std::string path);
    // A path from the save dialog, ".pgw" appended; empty when cancelled.
    std::string askSavePath();

    void onFileSave();
    void onFileSaveAs();
    // When the main window closes: asks to save, then releases the book and its files.
    // False when the author cancelled or the save failed: the book stays open.
    bool onCloseDocument();

    // New asks to save the book it replaces; false when New must not go on.
    bool saveBeforeNewBook();

    // True when the last save went wrong (and was reported); the book stays modified.
    bool lastSaveFailed() const { return lastSaveFailed_; }

private:
    struct SaveQuestions {
        const char* save;
        const char* overwrite;
        ui::Icon overwriteIcon;
        ui::Buttons buttons;
    };
    bool saveBeforeLeaving(const SaveQuestions& questions);
    bool storePage(NodeInfoRecord& record, bool tell);
    void loadPage(NodeInfoRecord& record);

    BookStorage& storage_;
    PageEditors& editors_;
    bool modified_ = false;
    std::function<void(bool)> modifiedListener_;
    bool lastSaveFailed_ = false;
    NodeId shownItem_ = kNoNode;
    std::string pathName_;
};

}  // namespace pgw::book
