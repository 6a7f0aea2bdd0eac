// compile, info and extract: a book made into a standalone reader, and read back.

#include "JsonWriter.h"
#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "platform/install/InstallLayout.h"
#include "publish/BookCompiler.h"
#include "publish/BookGuid.h"
#include "publish/OutputFile.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pgw::cli {
namespace {

namespace fs = std::filesystem;
using publish::AppendedBook;
using publish::AppendedBookError;

struct TextField {
    const char* option;
    std::string PublishTexts::*typed;
    std::string publish::BookInfo::*stored;
    size_t limit;  // GBK bytes: the form's limit, or the record's field for the book ID
};

const TextField kTextFields[] = {
    {"--id", &PublishTexts::bookId, &publish::BookInfo::bookId, 260},
    {"--author", &PublishTexts::author, &publish::BookInfo::author, 50},
    {"--homepage", &PublishTexts::homepage, &publish::BookInfo::homepage, 200},
    {"--email", &PublishTexts::email, &publish::BookInfo::email, 200},
    {"--copyright", &PublishTexts::copyright, &publish::BookInfo::copyright, 50},
    {"--date", &PublishTexts::date, &publish::BookInfo::date, 50},
    {"--other", &PublishTexts::other, &publish::BookInfo::other, 300},
};

// The typed texts as the book stores them, or the refusal of the first that cannot be.
std::optional<Outcome> convertTexts(const PublishTexts& typed, publish::BookInfo* info) {
    for (const TextField& field : kTextFields) {
        const std::string& utf8 = typed.*field.typed;
        std::string gbk, error;
        if (const int code = bookName(utf8, &gbk, &error); code != kExitOk)
            return failed(code, std::string(field.option) + ": " + error);
        if (gbk.size() > field.limit)
            return failed(kExitRefused, std::string(field.option) + ": at most " + std::to_string(field.limit) +
                                            " GBK bytes, this is " + std::to_string(gbk.size()));
        info->*field.stored = std::move(gbk);
    }
    return std::nullopt;
}

// The reader stub shipped with pgw, found as the program finds it.
std::string defaultStub() { return install::readerStub(install::runningProgramFolder()).string(); }

struct QuietProgress : publish::CompileProgress {
    void begin(int32_t) override {}
    void step() override {}
    void end() override {}
};

// A GUID generator that remembers whether it made one, so a new GUID gets saved.
struct NoticingGenerator {
    bool made = false;
    std::optional<publish::BookGuidBytes> operator()() {
        auto guid = publish::randomGuid();
        made = guid.has_value();
        return guid;
    }
};

std::string fileSizeText(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? std::string("?") : std::to_string(size);
}

// The compiled book in `path`, or the outcome that says why there is none.
class CompiledFile {
public:
    explicit CompiledFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~CompiledFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    CompiledFile(const CompiledFile&) = delete;
    CompiledFile& operator=(const CompiledFile&) = delete;

    std::optional<Outcome> locate(const std::string& shownPath, AppendedBook* book) {
        struct stat status {};
        if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))
            return failed(kExitBadInput, shownPath + ": cannot be read");
        const AppendedBookError error = publish::locateAppendedBook(reader(), uint64_t(status.st_size), book);
        if (error != AppendedBookError::None)
            return failed(kExitBadInput, shownPath + ": no compiled book in this file (" + publish::describe(error) + ")");
        return std::nullopt;
    }

    publish::ReadAt reader() const {
        return [fd = fd_](uint64_t offset, void* buffer, size_t count) -> size_t {
            size_t done = 0;
            while (done < count) {
                const ssize_t got = ::pread(fd, static_cast<char*>(buffer) + done, count - done, off_t(offset + done));
                if (got <= 0) break;
                done += size_t(got);
            }
            return done;
        };
    }

private:
    int fd_;
};

void writeInfo(const AppendedBook& book, JsonWriter* json) {
    const publish::PublishInfoBlock& block = book.block;
    const auto decoded = publish::decodeBookInfoRecord(block.bookInfo.data());
    json->beginObject();
    json->key("blockOffset"), json->value(block.blockOffset);
    json->key("bookOffset"), json->value(book.bookOffset);
    json->key("bookLength"), json->value(book.bookLength);
    json->key("title"), json->value(shownName(block.title));
    json->key("bookCode"), json->value(shownName(block.bookCode));
    json->key("iconFlag"), json->value(block.iconFlag);
    json->key("guid"), json->value(publish::BookGuid{decoded.guid}.text());
    json->key("bookId"), json->value(shownName(decoded.info.bookId));
    json->key("author"), json->value(shownName(decoded.info.author));
    json->key("homepage"), json->value(shownName(decoded.info.homepage));
    json->key("email"), json->value(shownName(decoded.info.email));
    json->key("copyright"), json->value(shownName(decoded.info.copyright));
    json->key("date"), json->value(shownName(decoded.info.date));
    json->key("other"), json->value(shownName(decoded.info.other));
    json->endObject();
}

}  // namespace

Outcome compileCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    publish::CompileRequest request;
    if (auto refusal = convertTexts(options.publish, &request.info)) return *refusal;
    // Absolute now: the book is worked on from a private folder.
    request.outputPath = absolutePath(options.first);
    request.stubPath = absolutePath(options.stub.empty() ? defaultStub() : options.stub);
    publish::CIconFileReader icons;
    if (!options.icon.empty()) {
        request.iconChosen = true;
        request.iconPath = absolutePath(options.icon);
        // Checked before the book is touched; the compile reads it again from memory.
        if (!icons.ReadIconFile(request.iconPath, ui)) return failed(kExitRefused, "the icon was not used");
    }
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface& terminal) -> Outcome {
        NoticingGenerator generator;
        bool guidFailed = false;
        request.guid = publish::loadBookGuid(book.storage, {}, &guidFailed, std::ref(generator));
        if (generator.made) book.document.setModified(true);  // the new GUID is saved with the book
        request.bookPath = book.storage.editedFilePath();
        QuietProgress progress;
        publish::BookCompiler compiler(book.storage, terminal);
        if (!compiler.compileBook(request, icons, progress))
            return failed(kExitRefused, "nothing was written to " + options.first);
        return printed(options.first + ": " + fileSizeText(request.outputPath) + " bytes, book " +
                       fileSizeText(request.bookPath) + " bytes, code " +
                       (request.guid.held() ? request.guid.text() : std::string("(none)")) + "\n");
    });
}

Outcome infoCommand(const PgwOptions& options, TerminalUserInterface&) {
    CompiledFile file(options.book);
    AppendedBook book;
    if (auto failure = file.locate(options.book, &book)) return *failure;
    JsonWriter json;
    writeInfo(book, &json);
    return printed(json.text());
}

Outcome extractCommand(const PgwOptions& options, TerminalUserInterface&) {
    CompiledFile file(options.book);
    AppendedBook book;
    if (auto failure = file.locate(options.book, &book)) return *failure;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(options.first, ec))) return failed(kExitRefused, options.first + ": exists already");

    publish::OutputFile out(options.first);
    if (!out.open()) return failed(kExitRefused, out.error());
    const publish::ReadAt readAt = file.reader();
    std::vector<uint8_t> piece(1 << 16);
    for (uint64_t done = 0; done < book.bookLength;) {
        const size_t wanted = size_t(std::min<uint64_t>(piece.size(), book.bookLength - done));
        if (readAt(book.bookOffset + done, piece.data(), wanted) != wanted)
            return failed(kExitBadInput, options.book + ": the file ended early");
        if (!out.write(piece.data(), wanted)) return failed(kExitRefused, out.error());
        done += wanted;
    }
    if (!out.commit()) return failed(kExitRefused, out.error());
    return {};
}

}  // namespace pgw::cli
