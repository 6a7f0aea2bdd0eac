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
    void setModified(bool modified) { modified_ = modified; }
    const std::string& pathName() const { return pathName_; }
    void setPathName(const std::string& path) { pathName_ = path; }

    // Moves a page between its stream and its editor: stores the editor's content when
    // the page was changed, loads the stream otherwise. Returns whether it did either.
    bool exchangePage(const std::string& name);
    // The page whose content the editors hold (a directory's selection leaves it on show),
    // while it is still in the tree under its record's name.
    NodeInfoRecord* shownPage() const;
    // Stores the shown page when the author changed it.
    void storeShownPage();

    // The open handler (Open, recent files, the command line, dropped files).
    bool onOpenDocument(const std::string& path);
    // The save entry: appends ".pgw" when missing and saves when there is something to save.
    bool onSaveDocument(std::string path);
    // A path from the save dialog, ".pgw" appended; empty when cancelled.
    std::string askSavePath();

    void onFileSave();
    void onFileSaveAs();
    // When the main window closes: asks to save, then releases the book and its files.
    void onCloseDocument();

    // New asks to save the book it replaces.
    void saveBeforeNewBook();

    // True when the last save went wrong (and was reported); the book stays modified.
    bool lastSaveFailed() const { return lastSaveFailed_; }

private:
    struct SaveQuestions {
        const char* save;
        const char* overwrite;
        ui::Icon overwriteIcon;
        bool goOnWhenNotOverwriting;
    };
    bool saveBeforeLeaving(const SaveQuestions& questions);
    void exchangeStream(NodeInfoRecord& record, const std::function<std::string()>& save,
                        const std::function<void(std::string_view)>& load);

    BookStorage& storage_;
    PageEditors& editors_;
    bool modified_ = false;
    bool lastSaveFailed_ = false;
    tree::ItemId shownItem_ = tree::kNoItem;
    std::string pathName_;
};

}  // namespace pgw::book
