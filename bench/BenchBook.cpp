#include "BenchBook.h"

#include "book/NodeTable.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace pgw::bench {

namespace {

namespace mode = storage::mode;

}  // namespace

void require(storage::StgResult result, const char* what) {
    if (result == storage::StgResult::Ok) return;
    std::fprintf(stderr, "bench: %s failed: %s\n", what, std::string(storage::describe(result)).c_str());
    std::exit(1);
}

void writeBook(const std::string& path, int directories, int pages,
               const std::function<std::string(int, int)>& content) {
    writeBook(path, std::vector<int>(size_t(directories), pages), content);
}

void writeBook(const std::string& path, const std::vector<int>& pagesPerDirectory,
               const std::function<std::string(int, int)>& content) {
    const int directories = int(pagesPerDirectory.size());
    using book::NodeInfoRecord;
    std::unique_ptr<storage::Storage> root;
    require(storage::createCompoundFile(path, mode::kCreateExclusive, &root), "creating the book");
    const std::string title = std::filesystem::path(path).stem().string();
    std::vector<NodeInfoRecord> records(1);
    records[0].itemName = records[0].objName = title;
    records[0].parentName = "NULL";
    records[0].objKind = 1;
    int streamNumber = 3;
    for (int d = 0; d < directories; ++d) {
        std::unique_ptr<storage::Storage> directory;
        const std::string element = "stg" + std::to_string(d + 1);
        require(root->createStorage(element, mode::kCreateExclusive, &directory), "a directory");
        const std::string dirName = "dir" + std::to_string(d);
        NodeInfoRecord& dir = records.emplace_back();
        dir.itemName = dirName;
        dir.parentName = title;
        dir.objName = element;
        dir.objKind = 1;
        for (int p = 0; p < pagesPerDirectory[size_t(d)]; ++p) {
            NodeInfoRecord page;
            page.itemName = "page" + std::to_string(d) + "_" + std::to_string(p);
            page.parentName = dirName;
            page.objName = "stm" + book::twoDigits(streamNumber++);
            page.objKind = 2;
            page.nodeType = 1;
            const std::string bytes = content(d, p);
            std::unique_ptr<storage::Stream> stream;
            require(directory->createStream(page.objName, mode::kCreateExclusive, &stream), "a page");
            require(stream->write(bytes.data(), bytes.size()), "a page's text");
            records.push_back(std::move(page));
        }
    }
    std::vector<uint8_t> table = book::startNodeTable();
    for (const auto& record : records) book::appendNodeRecord(table, record.toBytes());
    book::putNodeTableHeader(table, {uint32_t(records.size()), directories + 1, streamNumber});
    std::unique_ptr<storage::Stream> nodeInfo, aboutInfo;
    require(root->createStream("NodeInfo", mode::kCreateExclusive, &nodeInfo), "the node table");
    require(nodeInfo->write(table.data(), table.size()), "the node table");
    require(root->createStream("AboutInfo", mode::kCreateExclusive, &aboutInfo), "AboutInfo");
    require(root->commit(), "committing the book");
}

}  // namespace pgw::bench
