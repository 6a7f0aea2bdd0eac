#include "publish/BookCompiler.h"

#include "platform/pe/PeResources.h"
#include "publish/OutputFile.h"
#include "publish/PieceCopy.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <sys/stat.h>

namespace pgw::publish {

namespace {

namespace fs = std::filesystem;

// No reader stub comes near this; a bigger "core" is not one.
constexpr uint64_t kMaxStubSize = 256u * 1024 * 1024;
// S and S + 1544 are 32-bit fields, and so is the book's length in practice.
constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max();

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string reason() { return std::strerror(errno); }

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path left = fs::weakly_canonical(a, ec), right = fs::weakly_canonical(b, ec);
    return !left.empty() && left == right;
}

}  // namespace

BookCompiler::BookCompiler(book::BookStorage& storage, ui::UserInterface& ui) : storage_(storage), ui_(ui) {}

ui::Message replaceOutputQuestion(const std::string& outputPath) {
    return ui::Message{"“" + outputPath + "”已经存在。\n要替换它吗？", {}, ui::Buttons::YesNo, ui::Icon::Question};
}

void BookCompiler::show(const std::string& text) { ui_.showMessage(ui::plainMessage(text)); }

// What stops a compile before anything changes.
std::optional<std::string> BookCompiler::refusal(const CompileRequest& request) const {
    if (request.outputPath.empty() || request.bookPath.empty() || request.stubPath.empty()) return "请检查输入路径";
    if (request.outputPath.size() > kMaxOutputPathBytes) return "输出文件路径太长";
    if (!storage_.isOpen()) return "没有打开的电子书";
    // Replacing the book, its working copy or the stub would destroy what is compiled.
    for (const std::string& source : {request.bookPath, request.stubPath, storage_.store().bookPath,
                                      storage_.editedFilePath()}) {
        if (!source.empty() && sameFile(request.outputPath, source))
            return "输出文件不能是电子书或阅读器文件本身：" + request.outputPath;
    }
    return std::nullopt;
}

bool BookCompiler::mayReplaceOutput(const CompileRequest& request) {
    std::error_code ec;
    if (!request.askBeforeReplacing || !fs::exists(request.outputPath, ec)) return true;
    return ui_.showMessage(replaceOutputQuestion(request.outputPath)) == ui::Answer::Yes;
}

// The node table from the tree; the element counters stay as they are, so that elements
// made later never take the name of one that exists.
bool BookCompiler::rewriteNodeTable() {
    storage_.chapters().forEachRecord([](book::NodeInfoRecord& record) { record.storePending = false; });
    return storage_.writeNodeInfo();
}

PublishInfoBlock BookCompiler::startBlock(const CompileRequest& request) const {
    PublishInfoBlock block;
    block.title = storage_.title();
    block.bookCode = request.guid.held() ? request.guid.text() : std::string();
    block.bookInfo = encodeBookInfoRecord(request.info, request.guid.bytes);
    block.iconFlag = request.iconChosen ? 1 : 0;
    return block;
}

bool BookCompiler::compileBook(const CompileRequest& request, CIconFileReader& icons, CompileProgress& progress) {
    if (const auto refused = refusal(request)) {
        show(*refused);
        return false;
    }
    if (!mayReplaceOutput(request)) return false;
    // The page being edited goes into the working copy first: the compiled book is made
    // from it. Neither a page nor a table that cannot be written is left behind.
    if (!storage_.storeShownPage() || !rewriteNodeTable()) return false;
    const PublishInfoBlock block = startBlock(request);
    bool done = false;
    if (storage_.closeForCompile(book::BookStorage::ReadAs::PlainBytes))
        done = assemble(request, block, icons, progress);
    // The book comes back whatever happened above.
    storage_.reopenAfterCompile();
    return done;
}

bool BookCompiler::readStub(const std::string& path, std::vector<uint8_t>* stub) {
    std::error_code ec;
    const uint64_t size = fs::file_size(path, ec);
    if (ec || !fs::is_regular_file(path, ec)) {
        show("找不到阅读器文件：" + path);
        return false;
    }
    if (size > kMaxStubSize) {
        show("阅读器文件太大，不是有效的阅读器：" + path);
        return false;
    }
    FilePtr file(std::fopen(path.c_str(), "rb"));
    stub->resize(size_t(size));
    if (!file || std::fread(stub->data(), 1, stub->size(), file.get()) != stub->size()) {
        show("无法读取阅读器文件：" + path + "\n" + reason());
        return false;
    }
    return true;
}

// The author's icon replaces the stub's. The icon file is read again when the reader no
// longer holds it; data from a failed read is never used. The reader is reset afterwards.
bool BookCompiler::replaceStubIcons(const CompileRequest& request, CIconFileReader& icons,
                                    std::vector<uint8_t>* stub) {
    if (!icons.loaded() && !icons.ReadIconFile(request.iconPath, ui_)) return false;
    const std::vector<uint8_t> ico = icons.iconFileBytes();
    icons.ResetIconFile();
    std::vector<uint8_t> rewritten;
    std::string error;
    if (!pe::replaceIcons(*stub, ico, rewritten, error)) {
        show("无法替换阅读器的图标：" + request.stubPath + "\n" + error);
        return false;
    }
    *stub = std::move(rewritten);
    return true;
}

bool BookCompiler::assemble(const CompileRequest& request, PublishInfoBlock block, CIconFileReader& icons,
                            CompileProgress& progress) {
    std::vector<uint8_t> stub;
    if (!readStub(request.stubPath, &stub)) return false;
    if (request.iconChosen && !replaceStubIcons(request, icons, &stub)) return false;
    if (stub.size() + kPublishInfoBlockSize > kMaxOffset) {
        show("阅读器文件太大：" + request.stubPath);
        return false;
    }

    struct stat status {};
    if (::stat(request.bookPath.c_str(), &status) != 0) {
        show("获取文件属性失败!");
        return false;
    }
    const uint64_t length = uint64_t(status.st_size);
    if (length > kMaxOffset) {
        show("电子书太大，无法合成：" + request.bookPath);
        return false;
    }
    FilePtr book(std::fopen(request.bookPath.c_str(), "rb"));
    if (!book) {
        show("无法打开文件 " + request.bookPath + "：" + reason());
        return false;
    }

    OutputFile out(request.outputPath);
    block.blockOffset = uint32_t(stub.size());
    block.bookOffset = uint32_t(stub.size() + kPublishInfoBlockSize);
    block.bookLength = length;
    if (!out.open() || !out.write(stub.data(), stub.size()) ||
        !out.write(encodePublishInfoBlock(block).data(), kPublishInfoBlockSize)) {
        show(out.error());
        return false;
    }

    progress.begin(int32_t(length / kCopyPieceSize));
    std::string error;
    const auto copied = copyInPieces(book.get(), length, out, progress, &error);
    progress.end();
    if (!copied) {
        show(error);
        return false;
    }

    // The block records what was really copied; the trailer names the block.
    block.bookLength = *copied;
    const auto finalBlock = encodePublishInfoBlock(block);
    uint64_t end = 0;
    const uint8_t* trailer = finalBlock.data();  // S, little-endian, as at block offset 0
    if (!out.seek(block.blockOffset) || !out.write(finalBlock.data(), finalBlock.size()) || !out.seekEnd(&end) ||
        !out.write(trailer, kTrailerSize) || !out.commit()) {
        show(out.error());
        return false;
    }
    return true;
}

}  // namespace pgw::publish
