#include "DamagedBooks.h"

#include "tree/TreeItems.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pthread.h>

namespace pgw::book::testing {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

size_t NodeTableBytes::indexOf(const std::string& nameUtf8) const {
    for (size_t i = 0; 12 + (i + 1) * kRecordSize <= bytes.size(); ++i)
        if (record(i).itemName == gbk(nameUtf8)) return i;
    ADD_FAILURE() << "no record " << nameUtf8;
    return 0;
}

NodeInfoRecord NodeTableBytes::record(size_t index) const {
    return NodeInfoRecord::fromBytes(&bytes[12 + index * kRecordSize]);
}

void NodeTableBytes::put(size_t index, const NodeInfoRecord& record) {
    const auto raw = record.toBytes();
    std::copy(raw.begin(), raw.end(), bytes.begin() + 12 + index * kRecordSize);
}

void NodeTableBytes::putCount(uint32_t count) {
    for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(count >> (8 * i));
}

namespace {

using Spoil = std::function<void(storage::Storage&, NodeTableBytes&)>;

Spoil editRecord(const std::string& name, std::function<void(NodeInfoRecord&)> edit) {
    return [=](storage::Storage&, NodeTableBytes& table) {
        const size_t at = table.indexOf(name);
        NodeInfoRecord record = table.record(at);
        edit(record);
        table.put(at, record);
    };
}

// Runs `edit` on the storage at `path` below the root ("stg1").
Spoil editStorage(std::vector<std::string> path, std::function<void(storage::Storage&)> edit) {
    return [=](storage::Storage& root, NodeTableBytes&) {
        std::vector<std::unique_ptr<storage::Storage>> opened;
        storage::Storage* at = &root;
        for (const std::string& name : path) {
            opened.emplace_back();
            ASSERT_EQ(at->openStorage(name, mode::kOpenExclusive, &opened.back()), StgResult::Ok) << name;
            at = opened.back().get();
        }
        edit(*at);
        ASSERT_EQ(at->commit(), StgResult::Ok);
    };
}

Spoil destroy(std::vector<std::string> path, std::string element) {
    return editStorage(std::move(path), [=](storage::Storage& at) {
        ASSERT_EQ(at.destroyElement(element), StgResult::Ok) << element;
    });
}

const std::string kTree = "书(新建文本 第一章(正文 插图) 后记)";
const std::string kPages = "新建文本= 正文={\\rtf1 Z} 插图=P 后记={\\rtf1 H}";

std::string missingPage(const std::string& name) { return "页面“" + name + "”的内容丢失或无法读取：已换成空白页面"; }

}  // namespace

const std::vector<Damage>& damages() {
    static const std::vector<Damage> all = {
        {"a record without a name", "书.pgw", editRecord("后记", [](auto& r) { r.itemName.clear(); }),
         {"一个章节没有名称：已命名为“未命名章节1”"}, "书(新建文本 第一章(正文 插图) 未命名章节1)",
         "新建文本= 正文={\\rtf1 Z} 插图=P 未命名章节1={\\rtf1 H}"},
        {"a record without an element name", "书.pgw", editRecord("正文", [](auto& r) { r.objName.clear(); }),
         {missingPage("正文")}, kTree, "新建文本= 正文= 插图=P 后记={\\rtf1 H}"},
        {"a record of unknown kind", "书.pgw", editRecord("后记", [](auto& r) { r.objKind = 7; }), {},
         "书(新建文本 第一章(正文 插图))", "新建文本= 正文={\\rtf1 Z} 插图=P"},
        {"a table shorter than its count", "书.pgw", [](auto&, auto& table) { table.putCount(9); },
         {"章节目录记录了 9 个章节，实际只有 6 个：已读出这 6 个"}, kTree, kPages},
        {"two chapters of one name", "书.pgw", editRecord("后记", [](auto& r) { r.itemName = gbk("正文"); }),
         {"章节“正文”与其他章节重名：已改名为“正文1”"}, "书(新建文本 第一章(正文 插图) 正文1)",
         "新建文本= 正文={\\rtf1 Z} 插图=P 正文1={\\rtf1 H}"},
        {"a chapter named like a special stream", "书.pgw",
         editRecord("后记", [](auto& r) { r.itemName = "AboutInfo"; }),
         {"章节“AboutInfo”的名称由系统使用：已改名为“AboutInfo1”"}, "书(新建文本 第一章(正文 插图) AboutInfo1)",
         "新建文本= 正文={\\rtf1 Z} 插图=P AboutInfo1={\\rtf1 H}"},
        {"a chapter whose parent is missing", "书.pgw",
         editRecord("后记", [](auto& r) { r.parentName = gbk("不存在"); }),
         {"章节“后记”找不到上级目录“不存在”：已放到根目录下"}, kTree, kPages},
        {"a page whose stream is missing", "书.pgw", destroy({"stg1"}, "stm04"), {missingPage("正文")}, kTree,
         "新建文本= 正文= 插图=P 后记={\\rtf1 H}"},
        {"a page whose stream is a storage", "书.pgw",
         editStorage({}, [](storage::Storage& root) {
             std::unique_ptr<storage::Storage> made;
             ASSERT_EQ(root.destroyElement("stm06"), StgResult::Ok);
             ASSERT_EQ(root.createStorage("stm06", mode::kCreateExclusive, &made), StgResult::Ok);
         }),
         {missingPage("后记")}, kTree, "新建文本= 正文={\\rtf1 Z} 插图=P 后记="},
        {"a directory whose storage is missing", "书.pgw", destroy({}, "stg1"),
         {"目录“第一章”的内容丢失或无法读取：已换成空目录", missingPage("正文"), missingPage("插图")}, kTree,
         "新建文本= 正文= 插图= 后记={\\rtf1 H}"},
        {"two pages whose elements share a name in two storages", "书.pgw",
         [](storage::Storage& root, NodeTableBytes& table) {
             ASSERT_EQ(root.renameElement("stm06", "stm04"), StgResult::Ok);
             editRecord("后记", [](auto& r) { r.objName = "stm04"; })(root, table);
         },
         {}, kTree, kPages},
        {"the file named like a chapter", "第一章.pgw", [](auto&, auto&) {},
         {"章节“第一章”与书名重名：已改名为“第一章1”"}, "第一章(新建文本 第一章1(正文 插图) 后记)", kPages},
        {"the file named like a special stream", "NodeInfo.pgw", [](auto&, auto&) {},
         {"书名“NodeInfo”由系统使用，不能做根目录的名称：根目录仍叫“书”"}, kTree, kPages, true},
        {"no root record", "书.pgw", editRecord("书", [](auto& r) { r.objKind = 2; }),
         {"章节目录已损坏，无法打开："}, "", "", false, true},
    };
    return all;
}

namespace {

// Saved by the program, opened and saved once more under its name, so its root is 书.
void makeGoodBook(const ScratchFolder& folder) {
    const std::string path = folder.file("书.pgw");
    {
        ProgramParts parts;
        ASSERT_TRUE(parts.storage.newBook());
        const std::string root = parts.storage.title();
        parts.addDirectory(root, gbk("第一章"));
        parts.addPage(gbk("第一章"), gbk("正文"));
        parts.addPage(gbk("第一章"), gbk("插图"), NodeType::Picture);
        parts.addPage(root, gbk("后记"));
        for (const auto& [name, content] : {std::pair{"正文", "{\\rtf1 Z}"}, {"插图", "P"}, {"后记", "{\\rtf1 H}"}}) {
            NodeInfoRecord* record = parts.session.index.find(gbk(name));
            ASSERT_TRUE(record && record->stream);
            ASSERT_EQ(record->stream->write(content, std::char_traits<char>::length(content)), StgResult::Ok);
            ASSERT_EQ(record->stream->commit(), StgResult::Ok);
        }
        parts.ui.queueSavePath(path);
        parts.document.setModified(true);
        parts.document.onFileSave();
        parts.document.onCloseDocument();
    }
    ProgramParts parts;
    ASSERT_TRUE(parts.document.onOpenDocument(path));
    parts.document.setModified(true);
    parts.document.onFileSave();
    parts.document.onCloseDocument();
    ASSERT_TRUE(parts.ui.messages().empty());
}

}  // namespace

std::string makeDamagedBook(const ScratchFolder& folder, const Damage& damage) {
    const std::string good = folder.file("书.pgw");
    if (!fs::exists(good)) makeGoodBook(folder);
    const std::string path = folder.file("damaged");
    fs::create_directories(path);
    const std::string book = (fs::path(path) / damage.file).string();
    fs::copy_file(good, book, fs::copy_options::overwrite_existing);
    std::unique_ptr<storage::Storage> root;
    EXPECT_EQ(storage::openCompoundFile(book, mode::kOpenExclusive, &root), StgResult::Ok);
    if (!root) return book;
    std::unique_ptr<storage::Stream> stream;
    NodeTableBytes table;
    EXPECT_EQ(root->openStream("NodeInfo", mode::kOpenExclusive, &stream), StgResult::Ok);
    EXPECT_EQ(stream->readAll(&table.bytes), StgResult::Ok);
    damage.spoil(*root, table);
    EXPECT_EQ(stream->seek(0, storage::SeekOrigin::Set), StgResult::Ok);
    EXPECT_EQ(stream->write(table.bytes.data(), table.bytes.size()), StgResult::Ok);
    stream.reset();
    EXPECT_EQ(root->commit(), StgResult::Ok);
    return book;
}

std::string compactTree(const tree::ChapterTree& tree) {
    const std::function<std::string(tree::ItemId)> text = [&](tree::ItemId item) {
        std::string out = utf8(tree.label(item));
        const tree::ItemId first = tree.firstChild(item);
        for (tree::ItemId child = first; child != tree::kNoItem; child = tree.nextSibling(child))
            out += (child == first ? "(" : " ") + text(child);
        return first == tree::kNoItem ? out : out + ")";
    };
    return tree.rootItem() == tree::kNoItem ? std::string() : text(tree.rootItem());
}

std::string pageContents(const ProgramParts& parts) {
    std::string out;
    for (const tree::ItemId item : tree::subtreeInPreOrder(parts.tree, parts.tree.rootItem())) {
        const NodeInfoRecord* record = parts.session.index.find(parts.tree.label(item));
        if (!record || !record->isPage()) continue;
        std::vector<uint8_t> bytes;
        if (!record->stream || record->stream->readAll(&bytes) != StgResult::Ok) bytes = {'?'};
        out += (out.empty() ? "" : " ") + utf8(record->itemName) + "=" + std::string(bytes.begin(), bytes.end());
    }
    return out;
}

void writeDeepBook(const std::string& path, int depth, const std::string& bottomText) {
    std::unique_ptr<storage::Storage> root;
    ASSERT_EQ(storage::createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    std::vector<uint8_t> table(12);
    const auto add = [&](const std::string& parent, const std::string& name, const std::string& element, int kind) {
        NodeInfoRecord record;
        record.parentName = parent, record.itemName = name, record.objName = element, record.objKind = kind;
        record.nodeType = kind == 2 ? 1 : 0;
        const auto raw = record.toBytes();
        table.insert(table.end(), raw.begin(), raw.end());
    };
    add("NULL", "deep", "deep", 1);
    std::vector<std::unique_ptr<storage::Storage>> chain;
    storage::Storage* at = root.get();
    for (int i = 1; i <= depth; ++i) {
        add(i == 1 ? "deep" : "d" + std::to_string(i - 1), "d" + std::to_string(i), "stg" + std::to_string(i), 1);
        chain.emplace_back();
        ASSERT_EQ(at->createStorage("stg" + std::to_string(i), mode::kCreateExclusive, &chain.back()), StgResult::Ok);
        at = chain.back().get();
    }
    if (!bottomText.empty()) {
        add("d" + std::to_string(depth), "page", "stm03", 2);
        std::unique_ptr<storage::Stream> page;
        ASSERT_EQ(at->createStream("stm03", mode::kCreateExclusive, &page), StgResult::Ok);
        ASSERT_EQ(page->write(bottomText.data(), bottomText.size()), StgResult::Ok);
    }
    const uint32_t count = uint32_t((table.size() - 12) / kRecordSize), next = uint32_t(depth + 1);
    for (int i = 0; i < 4; ++i) table[i] = uint8_t(count >> (8 * i)), table[4 + i] = uint8_t(next >> (8 * i));
    table[8] = 4;
    chain.clear();
    for (const char* name : {"NodeInfo", "AboutInfo"}) {
        std::unique_ptr<storage::Stream> stream;
        ASSERT_EQ(root->createStream(name, mode::kCreateExclusive, &stream), StgResult::Ok);
        if (name == std::string("NodeInfo")) ASSERT_EQ(stream->write(table.data(), table.size()), StgResult::Ok);
    }
    ASSERT_EQ(root->commit(), StgResult::Ok);
}

void onSmallStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    pthread_t thread;
    auto* job = new std::function<void()>(work);
    const auto run = [](void* arg) -> void* {
        std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(arg));
        (*owned)();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

}  // namespace pgw::book::testing
