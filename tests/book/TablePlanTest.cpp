// The plan of a hand-made table: the directory a record lands in when names repeat, and
// a message that stays readable with thousands of repairs.

#include "book/TablePlan.h"

#include <gtest/gtest.h>

namespace pgw::book {
namespace {

// One record a pair of parent and name: a directory, or a page when the name starts "p".
TablePlan plan(const std::vector<std::pair<std::string, std::string>>& records, std::optional<std::string> title = {}) {
    std::string bytes = {char(records.size()), char(records.size() >> 8), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const auto& [parent, name] : records) {
        NodeInfoRecord record;
        record.parentName = parent, record.itemName = name, record.objName = "x";
        record.objKind = name.starts_with("p") ? 2 : 1;
        const auto raw = record.toBytes();
        bytes.append(raw.begin(), raw.end());
    }
    return planTable(bytes, title);
}

// "name<parent" for every chapter after the root.
std::string placed(const TablePlan& plan) {
    std::string out;
    for (size_t i = 1; i < plan.entries.size(); ++i)
        out += (i > 1 ? " " : "") + plan.entries[i].record->itemName + "<" +
               plan.entries[plan.entries[i].parent].record->itemName;
    return out;
}

TEST(TablePlan, RecordsLandInTheNearestDirectoryOfTheirParentsName) {
    // A directory name taken twice, a nested namesake, one called NULL, and a record out
    // of order: each page stays with the directory it was written under. A fresh name
    // avoids one stored further on (A1), which keeps it.
    EXPECT_EQ(placed(plan({{"NULL", "R"}, {"R", "A"}, {"A", "p1"}, {"A", "A"}, {"A", "p2"}, {"R", "B"}, {"B", "A"},
                           {"A", "p3"}, {"R", "NULL"}, {"NULL", "p4"}, {"R", "p5"}, {"NULL", "p6"}, {"R", "A1"}})),
              "A<R p1<A A2<A p2<A2 B<R A3<B p3<A3 NULL1<R p4<NULL1 p5<R p6<NULL1 A1<R");
}

TEST(TablePlan, ThousandsOfRepairsMakeAReadableMessage) {
    std::vector<std::pair<std::string, std::string>> records{{"NULL", "R"}};
    records.resize(201, {"R", "same"});
    const TablePlan many = plan(records, std::string(99, 't'));
    ASSERT_EQ(many.findings.size(), 199u);
    EXPECT_EQ(many.entries.back().record->itemName, "same199");
    EXPECT_EQ(many.entries[0].record->objName, std::string(19, 't'));
    const std::vector<std::string> lines = findingLines(many.findings);
    ASSERT_EQ(lines.size(), kShownRepairs + 1);
    EXPECT_EQ(lines.back(), "……另有 179 处修复");
    EXPECT_EQ(salvageMessage("b.pgw", many.findings)
                  .rfind("电子书“b.pgw”已损坏，已尽量打开。已修复：\n章节“same”与其他章节重名：已改名为“same1”\n", 0),
              0u);
}

}  // namespace
}  // namespace pgw::book
