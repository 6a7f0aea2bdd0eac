#pragma once
// Compiling the open book into a standalone executable: the reader stub "core" (its icons
// replaced by the author's), the information block, the book's working copy byte for
// byte, and the block's offset as the trailer.

#include "book/BookStorage.h"
#include "publish/BookGuid.h"
#include "publish/CIconFileReader.h"
#include "publish/PublishLayout.h"
#include "platform/ui/UserInterface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pgw::publish {

struct CompileRequest {
    std::string bookPath;    // the working copy's path (what is compiled)
    std::string outputPath;  // the .exe to write
    std::string stubPath;    // "core" beside the program
    BookInfo info;           // GBK, as taken from the form
    BookGuid guid;
    bool iconChosen = false;
    std::string iconPath;
    bool askBeforeReplacing = false;  // an existing output is replaced only when the author says so
};

// The question before an existing output is replaced; any answer but Yes keeps it.
ui::Message replaceOutputQuestion(const std::string& outputPath);

class CompileProgress {  // the form's progress bar behind an adapter; pgw prints
public:
    virtual ~CompileProgress() = default;
    virtual void begin(int32_t upper) = 0;  // range 0..upper, step 1
    virtual void step() = 0;
    virtual void end() = 0;  // position 0
};

// Pieces the book is copied in; the progress bar steps once per piece.
inline constexpr size_t kCopyPieceSize = 4096;
// The path buffer of the original holds 260 bytes, ",tmp" and its terminator included.
inline constexpr size_t kMaxOutputPathBytes = 255;

class BookCompiler {
public:
    BookCompiler(book::BookStorage& storage, ui::UserInterface& ui);
    // Rewrites the node table, closes the book, assembles the output beside its name and
    // renames it into place, and opens the book again. Returns true when the output is
    // complete. Every failure shows its message, reopens the book and leaves the output
    // name as it was; so does a No to replacing an existing output.
    bool compileBook(const CompileRequest& request, CIconFileReader& icons, CompileProgress& progress);

private:
    std::optional<std::string> refusal(const CompileRequest& request) const;
    bool mayReplaceOutput(const CompileRequest& request);
    bool rewriteNodeTable();
    PublishInfoBlock startBlock(const CompileRequest& request) const;
    bool assemble(const CompileRequest& request, PublishInfoBlock block, CIconFileReader& icons,
                  CompileProgress& progress);
    bool readStub(const std::string& path, std::vector<uint8_t>* stub);
    bool replaceStubIcons(const CompileRequest& request, CIconFileReader& icons, std::vector<uint8_t>* stub);
    void show(const std::string& text);

    book::BookStorage& storage_;
    ui::UserInterface& ui_;
};

}  // namespace pgw::publish
