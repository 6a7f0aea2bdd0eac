#include "DamagedBooks.h"

#include "tree/TreeItems.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <pthread.h>

namespace pgw::book::testing {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

namespace {

Spoil editRecord(const std::string& nameUtf8, std::function<void(NodeInfoRecord&)> edit) {
    return [=](storage::Storage&, std::vector<NodeInfoRecord>& records, uint32_t&) {
        for (NodeInfoRecord& record : records)
            if (record.itemName == gbk(nameUtf8)) return edit(record);
        ADD_FAILURE() << "no record " << nameUtf8;
    };
}

// Runs `edit` on the storage "stg1" or, with no name, on the root.
Spoil editStorage(const std::string& name, std::function<void(storage::Storage&)> edit) {
    return [=](storage::Storage& root, std::vector<NodeInfoRecord>&, uint32_t&) {
        std::unique_ptr<storage::Storage> opened;
        if (!name.empty()) {
            ASSERT_EQ(root.openStorage(name, mode::kOpenExclusive, &opened), StgResult::Ok);
        }
        edit(opened ? *opened : root);
        ASSERT_EQ((opened ? *opened : root).commit(), StgResult::Ok);
    };
}

Spoil destroy(const std::string& storage, const std::string& element) {
    return editStorage(storage, [=](storage::Storage& at) { ASSERT_EQ(at.destroyElement(element), StgResult::Ok); });
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
        {"a table shorter than its count", "书.pgw", [](auto&, auto&, uint32_t& count) { count = 9; },
         {"章节目录记录了 9 个章节，实际只有 6 个：已读出这 6 个"}, kTree, kPages},
        {"two chapters of one name", "书.pgw", editRecord("后记", [](auto& r) { r.itemName = gbk("正文"); }),
         {"章节“正文”与其他章节重名：已改名为“正文1”"}, "书(新建文本 第一章(正文 插图) 正文1)",
         "新建文本= 正文={\\rtf1 Z} 插图=P 正文1={\\rtf1 H}"},
        {"a chapter named like a special stream", "书.pgw", editRecord("后记", [](auto& r) { r.itemName = "AboutInfo"; }),
         {"章节“AboutInfo”的名称由系统使用：已改名为“AboutInfo1”"}, "书(新建文本 第一章(正文 插图) AboutInfo1)",
         "新建文本= 正文={\\rtf1 Z} 插图=P AboutInfo1={\\rtf1 H}"},
        {"a chapter whose parent is missing", "书.pgw", editRecord("后记", [](auto& r) { r.parentName = gbk("无"); }),
         {"章节“后记”找不到上级目录“无”：已放到根目录下"}, kTree, kPages},
        {"a page whose stream is missing", "书.pgw", destroy("stg1", "stm04"), {missingPage("正文")}, kTree,
         "新建文本= 正文= 插图=P 后记={\\rtf1 H}"},
        {"a page whose stream is a storage", "书.pgw",
         editStorage("", [](storage::Storage& root) {
             std::unique_ptr<storage::Storage> made;
             ASSERT_EQ(root.destroyElement("stm06"), StgResult::Ok);
             ASSERT_EQ(root.createStorage("stm06", mode::kCreateExclusive, &made), StgResult::Ok);
         }),
         {missingPage("后记")}, kTree, "新建文本= 正文={\\rtf1 Z} 插图=P 后记="},
        {"a directory whose storage is missing", "书.pgw", destroy("", "stg1"),
         {"目录“第一章”的内容丢失或无法读取：已换成空目录", missingPage("正文"), missingPage("插图")}, kTree,
         "新建文本= 正文= 插图= 后记={\\rtf1 H}"},
        {"two pages whose elements share a name in two storages", "书.pgw",
         [](storage::Storage& root, std::vector<NodeInfoRecord>& records, uint32_t& count) {
             ASSERT_EQ(root.renameElement("stm06", "stm04"), StgResult::Ok);
             editRecord("后记", [](auto& r) { r.objName = "stm04"; })(root, records, count);
         },
         {}, kTree, kPages},
        {"the file named like a chapter", "第一章.pgw", [](auto&, auto&, auto&) {},
         {"章节“第一章”与书名重名：已改名为“第一章1”"}, "第一章(新建文本 第一章1(正文 插图) 后记)", kPages},
        {"the file named like a special stream", "NodeInfo.pgw", [](auto&, auto&, auto&) {},
         {"书名“NodeInfo”由系统使用，不能做根目录的名称：根目录仍叫“书”"}, kTree, kPages, true},
        {"no root record", "书.pgw", editRecord("书", [](auto& r) { r.objKind = 2; }), {"章节目录已损坏，无法打开："},
         "", "", false, true},
    };
    return all;
}

namespace {

// Saved by the program, then opened and saved under its name, so that its root is 书.
void makeGoodBook(const ScratchFolder& folder) {
    for (const bool reopen : {false, true}) {
        ProgramParts parts;
        if (reopen) {
            ASSERT_TRUE(parts.document.onOpenDocument(folder.file("书.pgw")));
        } else {
            ASSERT_TRUE(parts.storage.newBook());
            parts.addDirectory(parts.storage.title(), gbk("第一章"));
            parts.addPage(gbk("第一章"), gbk("正文"));
            parts.addPage(gbk("第一章"), gbk("插图"), NodeType::Picture);
            parts.addPage(parts.storage.title(), gbk("后记"));
            for (const auto& [name, content] : {std::pair{"正文", "{\\rtf1 Z}"}, {"插图", "P"}, {"后记", "{\\rtf1 H}"}})
                ASSERT_EQ(parts.session.index.find(gbk(name))->stream->write(content, std::strlen(content)), StgResult::Ok);
            parts.ui.queueSavePath(folder.file("书.pgw"));
        }
        parts.document.setModified(true);
        parts.document.onFileSave();
        parts.document.onCloseDocument();
        EXPECT_TRUE(parts.ui.messages().empty());
    }
}

}  // namespace

std::string makeDamagedBook(const ScratchFolder& folder, const Damage& damage) {
    if (!fs::exists(folder.file("书.pgw"))) makeGoodBook(folder);
    fs::create_directories(folder.file("damaged"));
    const std::string book = folder.file("damaged/" + damage.file);
    fs::copy_file(folder.file("书.pgw"), book, fs::copy_options::overwrite_existing);
    StoredTable table = readTable(book);
    std::unique_ptr<storage::Storage> root;
    std::unique_ptr<storage::Stream> stream;
    EXPECT_EQ(storage::openCompoundFile(book, mode::kOpenExclusive, &root), StgResult::Ok);
    EXPECT_EQ(root->openStream("NodeInfo", mode::kOpenExclusive, &stream), StgResult::Ok);
    damage.spoil(*root, table.records, table.recordCount);
    std::vector<uint8_t> bytes(12);
    for (int i = 0; i < 4; ++i)
        for (const auto& [at, word] : {std::pair{0, table.recordCount}, {4, uint32_t(table.storageCount)},
                                       {8, uint32_t(table.streamCount)}})
            bytes[at + i] = uint8_t(word >> (8 * i));
    for (const NodeInfoRecord& record : table.records) {
        const auto raw = record.toBytes();
        bytes.insert(bytes.end(), raw.begin(), raw.end());
    }
    EXPECT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok);
    stream.reset();
    EXPECT_EQ(root->commit(), StgResult::Ok);
    return book;
}

std::string compactTree(const ChapterModel& tree) {
    const std::function<std::string(tree::ItemId)> text = [&](tree::ItemId item) {
        std::string out = utf8(tree.label(item));
        for (tree::ItemId child = tree.firstChild(item); child != tree::kNoItem; child = tree.nextSibling(child))
            out += (child == tree.firstChild(item) ? "(" : " ") + text(child);
        return tree.firstChild(item) == tree::kNoItem ? out : out + ")";
    };
    return tree.rootItem() == tree::kNoItem ? std::string() : text(tree.rootItem());
}

std::string pageContents(const ProgramParts& parts) {
    std::string out;
    for (const tree::ItemId item : parts.tree.subtreeInPreOrder(parts.tree.rootItem())) {
        const NodeInfoRecord* record = parts.session.index.find(parts.tree.label(item));
        if (!record || !record->isPage()) continue;
        std::vector<uint8_t> bytes{'?'};
        if (record->stream && record->stream->readAll(&bytes) != storage::StgResult::Ok) bytes = {'!'};
        out += (out.empty() ? "" : " ") + utf8(record->itemName) + "=" + std::string(bytes.begin(), bytes.end());
    }
    return out;
}

void writeDeepBook(const std::string& path, int depth, const std::string& bottomText) {
    std::unique_ptr<storage::Storage> root;
    ASSERT_EQ(storage::createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    std::vector<uint8_t> table(12);
    const auto add = [&](const std::string& parent, const std::string& name, const std::string& element) {
        NodeInfoRecord record;
        record.parentName = parent, record.itemName = name, record.objName = element;
        record.objKind = element.starts_with("stm") ? 2 : 1, record.nodeType = element.starts_with("stm") ? 1 : 0;
        const auto raw = record.toBytes();
        table.insert(table.end(), raw.begin(), raw.end());
    };
    add("NULL", "deep", "deep");
    std::vector<std::unique_ptr<storage::Storage>> chain(1);
    for (int i = 1; i <= depth; ++i) {
        add(i == 1 ? "deep" : "d" + std::to_string(i - 1), "d" + std::to_string(i), "stg" + std::to_string(i));
        storage::Storage& at = chain.back() ? *chain.back() : *root;
        chain.emplace_back();
        ASSERT_EQ(at.createStorage("stg" + std::to_string(i), mode::kCreateExclusive, &chain.back()), StgResult::Ok);
    }
    std::unique_ptr<storage::Stream> stream;
    if (!bottomText.empty()) {
        add("d" + std::to_string(depth), "page", "stm03");
        ASSERT_EQ(chain.back()->createStream("stm03", mode::kCreateExclusive, &stream), StgResult::Ok);
        ASSERT_EQ(stream->write(bottomText.data(), bottomText.size()), StgResult::Ok);
    }
    const uint32_t count = uint32_t((table.size() - 12) / kRecordSize);
    for (int i = 0; i < 4; ++i) table[i] = uint8_t(count >> (8 * i)), table[4 + i] = uint8_t(count >> (8 * i));
    table[8] = 4;
    chain.clear();
    ASSERT_EQ(root->createStream("AboutInfo", mode::kCreateExclusive, &stream), StgResult::Ok);
    ASSERT_EQ(root->createStream("NodeInfo", mode::kCreateExclusive, &stream), StgResult::Ok);
    ASSERT_EQ(stream->write(table.data(), table.size()), StgResult::Ok);
    ASSERT_EQ(root->commit(), StgResult::Ok);
}

void onSmallStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    const auto run = [](void* job) -> void* {
        (*static_cast<const std::function<void()>*>(job))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

}  // namespace pgw::book::testing
