#include "platform/framework/DocumentTemplate.h"
#include "platform/framework/RecentFileList.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pgw::framework {
namespace {

using Paths = std::vector<std::string>;

TEST(RecentFileListTest, LatestFirstWithoutRepeatsAndAtMostEight) {
    RecentFileList list;
    for (int i = 1; i <= 10; ++i) list.add("/books/" + std::to_string(i) + ".pgw");
    ASSERT_EQ(list.entries().size(), 8u);
    EXPECT_EQ(list.entries().front(), "/books/10.pgw");
    EXPECT_EQ(list.entries().back(), "/books/3.pgw");
    list.add("/books/5.pgw");
    EXPECT_EQ(list.entries().size(), 8u);
    EXPECT_EQ(list.entries()[0], "/books/5.pgw");
    EXPECT_EQ(std::ranges::count(list.entries(), "/books/5.pgw"), 1);
    list.remove("/books/5.pgw");
    list.add("");
    EXPECT_EQ(list.entries().size(), 7u);
}

TEST(RecentFileListTest, StoredEntriesAreCleanedOnLoad) {
    RecentFileList list;
    list.assign({"a", "", "b", "a", "c", "d", "e", "f", "g", "h", "i"});
    EXPECT_EQ(list.entries(), (Paths{"a", "b", "c", "d", "e", "f", "g", "h"}));
}

TEST(RecentFileListTest, CommandIdsMapToListedPathsOnly) {
    RecentFileList list;
    list.assign({"/x/one.pgw", "/x/two.pgw"});
    EXPECT_EQ(list.pathFor(RecentFileList::commandId(1)), "/x/two.pgw");
    EXPECT_EQ(list.pathFor(cmd::kRecentFirst + 2), std::nullopt);  // in range, not listed
    EXPECT_EQ(list.pathFor(cmd::kRecentLast + 1), std::nullopt);
    EXPECT_EQ(list.pathFor(cmd::kRecentFirst - 1), std::nullopt);
    EXPECT_EQ(RecentFileList::commandId(RecentFileList::kCapacity - 1), cmd::kRecentLast);
}

TEST(RecentFileListTest, MenuTextNumbersAndEscapesMnemonics) {
    RecentFileList list;
    list.assign({"/书/R&D.pgw", "/b.pgw"});
    EXPECT_EQ(list.menuText(0), "&1 /书/R&&D.pgw");
    EXPECT_EQ(list.menuText(1), "&2 /b.pgw");
    EXPECT_EQ(list.menuText(2), "");
}

TEST(DocumentTemplateTest, FieldsOfTheTemplateString) {
    EXPECT_EQ(templateField(kDocumentTemplate, TemplateField::WindowTitle), "Pagewright");
    EXPECT_EQ(templateField(kDocumentTemplate, TemplateField::DocumentName), "");
    EXPECT_EQ(templateField(kDocumentTemplate, TemplateField::FilterName), "Pagewright 文件 (*.pgw)");
    EXPECT_EQ(templateField(kDocumentTemplate, TemplateField::RegistryName), "PGW Document");
    EXPECT_EQ(templateField("only\ntwo", TemplateField::FilterName), "");
    const auto filters = openDialogFilters();
    ASSERT_FALSE(filters.empty());
    EXPECT_EQ(filters[0].description, "Pagewright 文件 (*.pgw)");
    EXPECT_EQ(filters[0].pattern, "*.pgw");
}

}  // namespace
}  // namespace pgw::framework
