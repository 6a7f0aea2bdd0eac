#pragma once
// The storage side of the open book: the book file and its working copy, the node table,
// the elements of every chapter, and the operations that open, make, save and close a
// book. All editing goes to the working copy beside the book ("~title.bak"); saving
// copies the working copy into the book file.

#include "book/BookSession.h"
#include "book/ElementCopy.h"
#include "book/NodeTableImage.h"
#include "book/SalvageReport.h"
#include "platform/storage/CompoundFile.h"
#include "platform/storage/FileDevice.h"
#include "platform/ui/UserInterface.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pgw::book {

class CPGWDoc;
class ElementBinder;

// A chapter taken out of the book, kept whole so that it can go back where it was: its
// nodes with their ids and records, and what its element held.
struct TakenChapter {
    std::unique_ptr<DetachedChapter> nodes;
    ElementCopy element;     // empty when the chapter had no element
    bool restorable = false;  // its element was kept (or it had none)
    NodeId parent = kNoNode;
    size_t row = 0;
};

// The open book's files. Paths are the host's (UTF-8 here).
struct BookStore {
    std::shared_ptr<storage::Storage> bookFile;
    std::shared_ptr<storage::Storage> workingCopy;
    std::string bookPath;
    std::string workingCopyPath;
    bool isUntitledNew = false;
};

class BookStorage {
public:
    // Every book file and working copy is opened and created through `files`.
    BookStorage(BookSession& session, ui::UserInterface& ui, storage::FileDeviceFactory& files = storage::diskFiles());
    void setDocument(CPGWDoc* document) { document_ = document; }

    const BookStore& store() const { return store_; }
    BookSession& session() { return session_; }
    ChapterModel& chapters() { return chapters_; }
    ui::UserInterface& ui() { return ui_; }
    // A book is open: records indexed and both files open.
    bool isOpen() const;
    // A write into the working copy failed since the book was last saved whole: the next
    // save writes everything again and reports success only when all of it is written.
    bool hasFailedWrite() const { return failedWrite_; }
    // Tells the author that `what` could not be written, and why; remembers the failure.
    void reportWriteFailure(const std::string& what, storage::StgResult why, bool tell = true);
    // The book's title as its records know it (GBK): the root's name.
    std::string title() const;

    // Opening. `openBook` checks the file first and refuses one that cannot become the
    // open book, leaving the current book as it was.
    bool openBook(const std::string& path);
    void closeCurrentBook();
    // The open book stays untitled: Save asks where, and closing removes its file. For an
    // untitled book a crash left, opened again to recover its work.
    void keepUntitled() { store_.isUntitledNew = true; }
    // An untitled book a crash left with its working copy, which no running program holds
    // and which is not the open book; empty when there is none.
    std::string leftUntitledBook() const;
    // Where New makes the untitled book; empty (the default): the user's untitled books'
    // folder. A tool that names the book at once makes it beside the named place instead.
    void setUntitledFolder(std::string folder) { untitledFolder_ = std::move(folder); }
    // Releases the book when the program closes: the working copy goes, and so does an
    // untitled book's file.
    void closeBook();
    // Opens the book file itself for a caller that makes its changes and then saves once
    // (pgw): no working copy is made and none is looked for (the caller did both, and
    // checked the file). Commits are held: until saveInPlace the file keeps the state it
    // was opened in, so a process that stops before, or a book closed without saving,
    // leaves the book as it was. Such a book is saved only to its own path. When the file
    // cannot be opened as a book, `refusal` says why (nothing is shown).
    bool openBookInPlace(const std::string& path, std::string* refusal);
    bool saveInPlace();
    bool isOpenInPlace() const { return inPlace_; }
    // The file that holds the book as edited: the working copy, or the book itself.
    const std::string& editedFilePath() const { return inPlace_ ? store_.bookPath : store_.workingCopyPath; }

    // New books and saving.
    bool newBook();
    bool createBookFile(const std::string& path);
    bool commitBook(const std::string& path);
    // False (after telling the author) when the table could not be written; the stream
    // then holds the table as it was, and the next write writes it whole.
    bool writeNodeInfo(bool tell = true);
    // Replaces a page's stream with `content`, whole or not at all: the content goes into
    // a new element, which takes the old one's place only once it is complete.
    storage::StgResult replacePageContent(NodeInfoRecord& page, std::string_view content);
    // Many chapters made in a row (an import): the table is written and the working copy
    // synced once, by endBatch, instead of at every chapter. endBatch answers false (the
    // author told) when the table could not be written; the chapters are in the tree then,
    // and the next table write puts them in.
    void beginBatch() { batch_ = true; }
    bool endBatch();
    // Stores the page on show in the editors when the author changed it (through the
    // document); false when that failed.
    bool storeShownPage(bool tell = true);

    // Compiling reads the working copy as a file: closeForCompile commits it and
    // releases every storage and stream (the chapters stay, the book file stays open);
    // reopenAfterCompile opens it again and binds every chapter to its element. False (after a message) when the working copy could not
    // be committed, or opened again. A book open in place that is read as plain bytes
    // is only committed: the file on disk is whole then, and nothing needs opening again.
    enum class ReadAs { CompoundFile, PlainBytes };
    bool closeForCompile(ReadAs readAs = ReadAs::CompoundFile);
    bool reopenAfterCompile();
    bool isClosedForCompile() const { return closedForCompile_; }

    // Chapters with their elements. A new chapter is the last child of `parent`; the
    // caller checked its name. A creation that fails makes no chapter, tells the author and
    // answers kNoNode.
    NodeId createDirectory(NodeId parent, const std::string& name);
    NodeId createPage(NodeId parent, const std::string& name, NodeType type);
    // Takes a chapter with its subtree out of the book: out of the tree, out of the
    // table (which is written), and its element goes once the table no longer names it.
    // With `keepElement` what the element held is read first, for putBackChapter.
    // Nothing (the author told) when the table could not be written: then nothing has
    // changed. The root stays.
    std::unique_ptr<TakenChapter> takeChapter(NodeId node, bool keepElement = false);
    bool destroyChapter(NodeId node);
    // Puts a taken chapter back where it was, with its ids, records and element (under
    // its old element name while that is free). False, the author told and `chapter`
    // kept, when its place is gone, a name is taken or a write failed: then nothing
    // has changed.
    bool putBackChapter(std::unique_ptr<TakenChapter>& chapter);
    // Renames a record and the parent links of its children (the caller checked the name).
    void renameNode(const std::string& newName, const std::string& oldName);
    // Moves a chapter with its subtree under the directory `parent`, behind its child
    // `after` (kNoNode: first). Into another directory its element (a page's stream, or a
    // directory's storage with everything in it) goes too, under a new free element name.
    // The copy is made and committed first, so a failure leaves the chapter where it was;
    // the old element goes once the table names the copy. The caller checked that the
    // target is not the chapter or inside it, and rewrites the table. `objName`, when
    // given and free, names the moved element (undo gives a chapter its old name back).
    bool moveChapter(NodeId node, NodeId parent, NodeId after, const std::string& objName = {});

    // The book title that goes with a book path (GBK), or nothing when GBK cannot hold it
    // or it is too long for a record.
    static std::optional<std::string> titleOfPath(const std::string& path);
    static std::string workingCopyPathFor(const std::string& bookPath);
    // The root's element name: the title, cut to its field on a character boundary.
    static std::string rootObjName(const std::string& title);
    // Where a working copy that could not be brought back is kept: beside the book, as a
    // book of its own that the author can open.
    static std::string keptAsidePath(const std::string& bookPath);
    // Where a save writes the new book before renaming it into place.
    static std::string saveFilePathFor(const std::string& bookPath);

private:
    friend class BookOpenCheck;

    // Opening.
    void startOpening(const std::string& path);
    void finishOpening(const std::string& path);
    bool loadTree();
    bool readNodeInfo(storage::ByteImage* bytes);
    bool loadTreeFrom(storage::ByteImage&& bytes);
    void releaseBook();
    // Commits the file being edited and syncs it; with held commits, the one moment the
    // book file changes.
    storage::StgResult commitEditedFile();
    std::shared_ptr<storage::Storage> openInPlace(const std::string& path, storage::StgResult* result);

    // Working copy.
    bool prepareWorkingCopy(const std::string& bookPath);
    bool openBookFile(const std::string& bookPath);
    bool copyBookIntoWorkingCopy(const std::string& copyPath);
    bool restoreFromWorkingCopy(const std::string& bookPath, const std::string& copyPath);
    // What to do with a working copy found on disk: nothing to ask when it holds the
    // book as saved; set aside when it is damaged.
    enum class FoundCopy { Ask, SameAsBook, Damaged, InUse };
    FoundCopy judgeFoundCopy(const std::string& bookPath, const std::string& copyPath);
    bool keepAside(const std::string& bookPath, const std::string& copyPath);
    void removeStaleSaveFile(const std::string& bookPath);
    std::shared_ptr<storage::Storage> openFile(const std::string& path, storage::StgResult* result = nullptr);
    std::shared_ptr<storage::Storage> createFile(const std::string& path, storage::StgResult* result = nullptr);
    void bindElements(storage::Storage& storage);
    void checkIndex();

    // Saving.
    bool saveWorkingCopyAs(const std::string& target, std::string* failure);
    bool reopenBookFile();
    bool followSavedPath(const std::string& path);
    bool retitleRoot(const std::string& newTitle);
    bool moveWorkingCopyTo(const std::string& copyPath);
    std::string chooseNewBookPath() const;
    bool makeFirstPage();
    bool startNewBook(const std::string& path, bool lastTry);
    bool makeWorkingCopyOfNewBook(const std::string& path);

    // Elements.
    template <typename Element>
    std::string createFreeElement(storage::Storage* parent, const char* prefix, int32_t number,
                                  std::unique_ptr<Element>* out);
    // Makes an element under `wanted` when no record uses that name and `parent` has no
    // element of it, else under the next free name of its kind; `made` tells which.
    template <typename Element>
    storage::StgResult createElementPreferring(storage::Storage& parent, const std::string& wanted,
                                               std::unique_ptr<Element>* out, std::string* made);
    // Opens the elements of `node` (in its parent's storage) and of everything below it
    // that has one, for a chapter that came back into the tree.
    void bindChapterElements(NodeId node);
    storage::StgResult restoreElement(storage::Storage& parent, const ElementCopy& element, std::string* objName);
    void raiseCounters(const NodeInfoRecord& record);
    storage::StgResult commitEdit();
    NodeId enterChapter(NodeId parent, std::unique_ptr<NodeInfoRecord> record);
    NodeId dropFailedElement(storage::Storage& parent, const std::string& objName, const std::string& name,
                           storage::StgResult why);
    bool copyPageElement(NodeInfoRecord& record, storage::Storage& target, const std::string& objName);
    bool copyDirectoryElement(NodeInfoRecord& record, storage::Storage& target, const std::string& objName);
    void lowerCounters(const NodeInfoRecord& record);
    void message(const std::string& text);

    BookSession& session_;
    ChapterModel& chapters_;
    ui::UserInterface& ui_;
    storage::FileDeviceFactory& files_;
    CPGWDoc* document_ = nullptr;
    bool failedWrite_ = false;
    storage::StgResult lastCreation_ = storage::StgResult::Ok;  // of the element createFreeElement made
    storage::StgResult lastFailure_ = storage::StgResult::Ok;  // the cause of the last failed write
    BookStore store_;
    NodeTableImage writtenTable_;  // the node table as last written to the stream
    // Elements the table no longer names (a deleted chapter, a moved chapter's old place):
    // destroyed once a table without them is written, so that no moment on disk has a
    // table naming an element that is gone.
    struct Leftover {
        std::shared_ptr<storage::Storage> parent;
        std::string objName;
    };
    std::vector<Leftover> leftovers_;
    void dropLeftovers();
    bool closedForCompile_ = false;
    bool inPlace_ = false;
    bool batch_ = false;
    bool tableHeld_ = false;         // in place: the table waits for the commit
    bool writingHeldTable_ = false;
    bool writeHeldTable();
    void releaseElements();

    // Salvage. A damaged book opens as far as it can be read; what was repaired is told
    // in one message once the book is open. Records of a kind the program does not know
    // are no chapters: they are written back as stored at every table write.
    void bindSpecialStreams(storage::Storage& root);
    bool bindRecord(ElementBinder& binder, storage::Storage& parent, NodeId parentItem,
                    NodeInfoRecord& record);
    void tellSalvage();
    std::vector<Finding> salvage_;
    std::vector<std::array<uint8_t, kRecordSize>> keptRecords_;
    std::string untitledFolder_;
};

// "stm%.2d": at least two digits.
std::string twoDigits(int32_t number);

// GBK bytes shown to the author (names in messages).
std::string displayText(const std::string& gbk);

}  // namespace pgw::book
