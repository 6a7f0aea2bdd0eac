#include "BookFixture.h"

#include "platform/text/CodePage.h"
#include "tree/TreeItems.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pgw::book::testing {

namespace fs = std::filesystem;
using storage::StgResult;

std::string gbk(const std::string& utf8Text) {
    std::string out;
    EXPECT_TRUE(text::utf8ToGbk(utf8Text, &out).ok()) << utf8Text;
    return out;
}

std::string utf8(const std::string& gbkText) {
    std::string out;
    EXPECT_TRUE(text::gbkToUtf8(gbkText, &out).ok());
    return out;
}

ScratchFolder::ScratchFolder() {
    char templ[] = "/tmp/pgw-book-XXXXXX";
    path_ = ::mkdtemp(templ);
    previous_ = fs::current_path();
    fs::current_path(path_);
    if (const char* data = std::getenv("XDG_DATA_HOME")) {
        hadDataHome_ = true;
        previousDataHome_ = data;
    }
    ::setenv("XDG_DATA_HOME", (path_ / "data").c_str(), 1);
}

std::string ScratchFolder::untitled(const std::string& name) const {
    return (path_ / "data" / "pagewright" / "untitled" / name).string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (hadDataHome_)
        ::setenv("XDG_DATA_HOME", previousDataHome_.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
}

tree::ItemId ProgramParts::itemOf(const std::string& nameGbk) const {
    const NodeInfoRecord* record = session.index.find(nameGbk);
    return record ? record->item : tree::kNoItem;
}

tree::ItemId ProgramParts::addPage(const std::string& parentGbk, const std::string& nameGbk, NodeType type) {
    return storage.createPage(itemOf(parentGbk), nameGbk, type);
}

tree::ItemId ProgramParts::addDirectory(const std::string& parentGbk, const std::string& nameGbk) {
    return storage.createDirectory(itemOf(parentGbk), nameGbk);
}

StoredTable readTable(const std::string& bookPath) {
    StoredTable table;
    std::unique_ptr<storage::Storage> root;
    EXPECT_EQ(storage::openCompoundFile(bookPath, storage::mode::kRead | storage::mode::kShareDenyNone, &root), StgResult::Ok) << bookPath;
    if (!root) return table;
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(root->openStream("NodeInfo", storage::mode::kShareExclusive, &stream), StgResult::Ok);
    if (!stream || stream->readAll(&bytes) != StgResult::Ok || bytes.size() < 12) return table;
    const auto word = [&](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    table.recordCount = word(0);
    table.storageCount = int32_t(word(4));
    table.streamCount = int32_t(word(8));
    table.streamSize = bytes.size();
    for (uint32_t i = 0; i < table.recordCount && 12 + (i + 1) * kRecordSize <= bytes.size(); ++i)
        table.records.push_back(NodeInfoRecord::fromBytes(&bytes[12 + i * kRecordSize]));
    return table;
}

std::vector<std::string> elementPaths(const std::string& path) {
    std::vector<std::string> paths;
    std::unique_ptr<storage::Storage> root;
    EXPECT_EQ(storage::openCompoundFile(path, storage::mode::kRead | storage::mode::kShareDenyNone, &root), StgResult::Ok) << path;
    if (!root) return paths;
    std::function<void(storage::Storage&, const std::string&)> walk = [&](storage::Storage& at,
                                                                            const std::string& prefix) {
        std::vector<storage::ElementStat> elements;
        EXPECT_EQ(at.enumElements(&elements), pgw::storage::StgResult::Ok);
        for (const auto& element : elements) {
            paths.push_back(prefix + element.name);
            if (element.kind != storage::ElementKind::Storage) continue;
            std::unique_ptr<storage::Storage> child;
            if (at.openStorage(element.name, storage::mode::kShareExclusive, &child) == StgResult::Ok)
                walk(*child, prefix + element.name + "/");
        }
    };
    walk(*root, "");
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string streamText(const std::string& path, const std::vector<std::string>& elementPath) {
    std::unique_ptr<storage::Storage> root;
    if (storage::openCompoundFile(path, storage::mode::kRead | storage::mode::kShareDenyNone, &root) != StgResult::Ok) return "<no file>";
    std::vector<std::unique_ptr<storage::Storage>> chain;
    storage::Storage* at = root.get();
    for (size_t i = 0; i + 1 < elementPath.size(); ++i) {
        chain.emplace_back();
        if (at->openStorage(elementPath[i], storage::mode::kShareExclusive, &chain.back()) != StgResult::Ok)
            return "<no storage>";
        at = chain.back().get();
    }
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    if (at->openStream(elementPath.back(), storage::mode::kShareExclusive, &stream) != StgResult::Ok)
        return "<no stream>";
    EXPECT_EQ(stream->readAll(&bytes), pgw::storage::StgResult::Ok);
    return std::string(bytes.begin(), bytes.end());
}

std::map<std::string, std::string> streamsOf(const std::string& path) {
    std::map<std::string, std::string> streams;
    std::unique_ptr<storage::Storage> root;
    EXPECT_EQ(storage::openCompoundFile(path, storage::mode::kRead | storage::mode::kShareDenyNone, &root), StgResult::Ok);
    if (!root) return streams;
    std::function<void(storage::Storage&, const std::string&)> walk = [&](storage::Storage& at,
                                                                            const std::string& prefix) {
        std::vector<storage::ElementStat> elements;
        EXPECT_EQ(at.enumElements(&elements), StgResult::Ok);
        for (const auto& element : elements) {
            if (element.kind == storage::ElementKind::Storage) {
                std::unique_ptr<storage::Storage> child;
                EXPECT_EQ(at.openStorage(element.name, storage::mode::kShareExclusive, &child), StgResult::Ok);
                streams[prefix + element.name + "/"] = "<storage>";
                if (child) walk(*child, prefix + element.name + "/");
                continue;
            }
            std::unique_ptr<storage::Stream> stream;
            std::vector<uint8_t> bytes;
            EXPECT_EQ(at.openStream(element.name, storage::mode::kShareExclusive, &stream), StgResult::Ok);
            if (stream) {
                EXPECT_EQ(stream->readAll(&bytes), StgResult::Ok);
            }
            streams[prefix + element.name].assign(bytes.begin(), bytes.end());
        }
    };
    walk(*root, "");
    if (auto table = streams.find("NodeInfo"); table != streams.end() && table->second.size() >= 12) {
        const uint32_t count = uint8_t(table->second[0]) | uint8_t(table->second[1]) << 8 |
                               uint8_t(table->second[2]) << 16 | uint32_t(uint8_t(table->second[3])) << 24;
        table->second.resize(std::min<size_t>(table->second.size(), 12 + size_t(count) * 512));
    }
    return streams;
}

}  // namespace pgw::book::testing
