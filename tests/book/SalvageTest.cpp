// Damaged books open as far as they can be read, with one message, without touching the
// book file; one save makes them sound. And a table nested 60,000 deep is no danger.

#include "DamagedBooks.h"

#include "tree/ChapterOperations.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

namespace pgw::book::testing {
namespace {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> rawRecords(const std::string& path) {
    std::unique_ptr<storage::Storage> root;
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    if (storage::openCompoundFile(path, mode::kOpenReadOnly, &root) != StgResult::Ok ||
        root->openStream("NodeInfo", mode::kShareExclusive, &stream) != StgResult::Ok || stream->readAll(&bytes) != StgResult::Ok)
        return {};
    const uint32_t count = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24;
    std::vector<std::string> records;
    for (size_t i = 0; i < count && 12 + (i + 1) * kRecordSize <= bytes.size(); ++i)
        records.emplace_back(bytes.begin() + 12 + i * kRecordSize, bytes.begin() + 12 + (i + 1) * kRecordSize);
    return records;
}

// The sound book a save leaves: every record of unknown kind kept byte for byte, every
// element name the book's own.
void expectSoundAfterSave(const std::string& damaged, const std::string& saved) {
    const auto before = rawRecords(damaged), after = rawRecords(saved);
    std::set<std::string> elements;
    for (const std::string& raw : after) {
        const NodeInfoRecord record = NodeInfoRecord::fromBytes(reinterpret_cast<const uint8_t*>(raw.data()));
        if (record.isStorage() || record.isPage()) EXPECT_TRUE(elements.insert(record.objName).second) << record.objName;
    }
    for (const std::string& raw : before) {
        const NodeInfoRecord record = NodeInfoRecord::fromBytes(reinterpret_cast<const uint8_t*>(raw.data()));
        if (!record.isStorage() && !record.isPage())
            EXPECT_NE(std::find(after.begin(), after.end(), raw), after.end()) << "a record of unknown kind was lost";
    }
}

TEST(Salvage, DamagedBooksOpenWithOneMessageAndOneSaveMakesThemSound) {
    for (const Damage& damage : damages()) {
        SCOPED_TRACE(damage.what);
        ScratchFolder folder;
        const std::string book = makeDamagedBook(folder, damage);
        const std::string stored = fileBytes(book);
        ProgramParts parts;
        ASSERT_TRUE(parts.storage.newBook());
        EXPECT_EQ(parts.document.onOpenDocument(book), !damage.refused);
        const auto texts = parts.ui.messageTexts();
        ASSERT_EQ(texts.size(), damage.lines.empty() ? 0u : 1u) << (texts.empty() ? "" : texts[0]);
        for (const std::string& line : damage.lines) EXPECT_NE(texts[0].find(line), std::string::npos) << texts[0];
        EXPECT_EQ(fileBytes(book), stored) << "opening wrote the book file";
        if (damage.refused) {
            EXPECT_EQ(parts.storage.store().bookPath, folder.file("新建文档.pgw")) << "the book before stays open";
            continue;
        }
        if (!damage.lines.empty()) EXPECT_NE(texts[0].find(book), std::string::npos) << "names the book";
        EXPECT_EQ(compactTree(parts.tree), damage.tree);
        EXPECT_EQ(pageContents(parts), damage.pages);

        std::ofstream(book + ".was", std::ios::binary) << stored;
        parts.document.onFileSave();
        parts.document.onCloseDocument();
        expectSoundAfterSave(book + ".was", book);
        ProgramParts again;
        ASSERT_TRUE(again.document.onOpenDocument(book));
        EXPECT_EQ(again.ui.messageTexts().size(), damage.toldAtEveryOpen ? 1u : 0u);
        EXPECT_EQ(compactTree(again.tree), damage.tree);
        EXPECT_EQ(pageContents(again), damage.pages);
        again.document.onCloseDocument();
    }
}

TEST(Salvage, ATableSixtyThousandDeepOpensSavesAndCloses) {
    constexpr int kDepth = 60000;
    ScratchFolder folder;
    const std::string book = folder.file("deep.pgw");
    writeDeepBook(book, kDepth);
    const std::string bottom = "d" + std::to_string(kDepth);
    // A stack far too small for a walk that recurses once a level.
    onSmallStack([&] {
    {
        ProgramParts parts;
        ASSERT_TRUE(parts.document.onOpenDocument(book));
        EXPECT_TRUE(parts.ui.messages().empty());
        parts.addPage(bottom, "page");
        NodeInfoRecord* page = parts.session.index.find("page");
        ASSERT_TRUE(page && page->stream);
        ASSERT_EQ(page->stream->write("{\\rtf1 bottom}", 14), StgResult::Ok);
        parts.document.setModified(true);
        parts.document.onFileSave();
        parts.document.onCloseDocument();
    }
    ProgramParts again;
    ASSERT_TRUE(again.document.onOpenDocument(book));
    EXPECT_TRUE(again.ui.messages().empty());
    const tree::ItemId page = again.itemOf("page");
    ASSERT_NE(page, tree::kNoItem);
    EXPECT_EQ(again.tree.label(again.tree.parent(page)), bottom);
    EXPECT_EQ(pageContents(again), "page={\\rtf1 bottom}");
    // Deleting the chain takes every element and record with it.
    again.tree.selectItem(again.itemOf("d1"));
    again.ui.queueAnswer(ui::Answer::Ok);
    tree::ChapterEditing editing(again.storage, again.document);
    ASSERT_TRUE(editing.deleteSelected());
    again.document.onFileSave();
    again.document.onCloseDocument();
    });
    EXPECT_EQ(readTable(book).recordCount, 1u);
    EXPECT_EQ(elementPaths(book), (std::vector<std::string>{"AboutInfo", "NodeInfo"}));
}

}  // namespace
}  // namespace pgw::book::testing
