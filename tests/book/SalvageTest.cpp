// Damaged books open as far as they can be read, with one message, without touching the
// book file; one save makes them sound. And a table nested 60,000 deep is no danger.

#include "DamagedBooks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

namespace pgw::book::testing {
namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What one save leaves: every element name a chapter's own, every record of unknown kind
// as it was.
void expectSound(const StoredTable& damaged, const StoredTable& saved) {
    std::set<std::string> elements;
    std::set<std::array<uint8_t, kRecordSize>> kept;
    for (const NodeInfoRecord& record : saved.records) {
        if (record.isStorage() || record.isPage()) {
            EXPECT_TRUE(elements.insert(record.objName).second) << record.objName;
        }
        kept.insert(record.toBytes());
    }
    for (const NodeInfoRecord& record : damaged.records) {
        if (!record.isStorage() && !record.isPage()) {
            EXPECT_TRUE(kept.count(record.toBytes())) << "a record was lost";
        }
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
            EXPECT_EQ(parts.storage.store().bookPath, folder.untitled("新建文档.pgw")) << "the book before stays open";
            continue;
        }
        if (!texts.empty()) {
            EXPECT_NE(texts[0].find(book), std::string::npos) << "names the book";
        }
        EXPECT_EQ(compactTree(parts.tree), damage.tree);
        EXPECT_EQ(pageContents(parts), damage.pages);

        const StoredTable damaged = readTable(book);
        parts.document.onFileSave();
        parts.document.onCloseDocument();
        expectSound(damaged, readTable(book));
        ProgramParts again;
        ASSERT_TRUE(again.document.onOpenDocument(book));
        EXPECT_EQ(again.ui.messageTexts().size(), damage.toldAtEveryOpen ? 1u : 0u);
        EXPECT_EQ(compactTree(again.tree), damage.tree);
        EXPECT_EQ(pageContents(again), damage.pages);
        again.document.onCloseDocument();
    }
}

TEST(Salvage, ATableSixtyThousandDeepOpensSavesAndCloses) {
    ScratchFolder folder;
    const std::string book = folder.file("deep.pgw");
    writeDeepBook(book, 60000);
    onSmallStack([&] {
        ProgramParts parts;
        ASSERT_TRUE(parts.document.onOpenDocument(book));
        parts.addPage("d60000", "page");
        ASSERT_EQ(parts.session.index.find("page")->stream->write("{\\rtf1 bottom}", 14), storage::StgResult::Ok);
        parts.document.setModified(true);
        parts.document.onFileSave();
        parts.document.onCloseDocument();

        ProgramParts again;
        ASSERT_TRUE(again.document.onOpenDocument(book));
        EXPECT_EQ(again.tree.label(again.tree.parent(again.itemOf("page"))), "d60000");
        EXPECT_EQ(pageContents(again), "page={\\rtf1 bottom}");
        // Deleting the chain takes every element and record with it.
        again.tree.selectItem(again.itemOf("d1"));
        again.ui.queueAnswer(ui::Answer::Ok);
        ASSERT_TRUE(tree::ChapterEditing(again.storage, again.document).deleteSelected());
        again.document.onFileSave();
        again.document.onCloseDocument();
        EXPECT_TRUE(parts.ui.messages().empty());
        EXPECT_EQ(again.ui.messageTexts(), std::vector<std::string>{"确定删除该目录吗?"});
    });
    EXPECT_EQ(readTable(book).recordCount, 1u);
    EXPECT_EQ(elementPaths(book), (std::vector<std::string>{"AboutInfo", "NodeInfo"}));
}

}  // namespace
}  // namespace pgw::book::testing
