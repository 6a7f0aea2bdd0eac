// The plan of a damaged table, on hand-made tables: which directory a record lands in
// when names repeat, and how the repairs are told.

#include "book/TablePlan.h"

#include <gtest/gtest.h>

namespace pgw::book {
namespace {

struct Rec {
    std::string parent, name;
    uint32_t kind = 1;
};

std::string table(const std::vector<Rec>& records) {
    std::string bytes(12, '\0');
    bytes[0] = char(records.size());
    for (const Rec& r : records) {
        NodeInfoRecord record;
        record.parentName = r.parent, record.itemName = r.name, record.objName = "x", record.objKind = r.kind;
        const auto raw = record.toBytes();
        bytes.append(raw.begin(), raw.end());
    }
    return bytes;
}

// "name<parent" for every entry after the root, as the plan places it.
std::string placed(const TablePlan& plan) {
    std::string out;
    for (size_t i = 1; i < plan.entries.size(); ++i)
        out += (i > 1 ? " " : "") + plan.entries[i].record.itemName + "<" +
               plan.entries[plan.entries[i].parent].record.itemName;
    return out;
}

TEST(TablePlan, RecordsLandInTheNearestDirectoryOfTheirParentsName) {
    const struct {
        const char* what;
        std::vector<Rec> records;
        std::string placed;
        size_t findings;
    } cases[] = {
        {"a directory name taken twice, each with its pages",
         {{"NULL", "R"}, {"R", "A"}, {"A", "a1", 2}, {"A", "A"}, {"A", "a2", 2}, {"A", "a3", 2}},
         "A<R a1<A A1<A a2<A1 a3<A1", 1},
        {"back up the path after a nested namesake",
         {{"NULL", "R"}, {"R", "A"}, {"A", "A"}, {"A", "deep", 2}, {"R", "B"}, {"A", "late", 2}},
         "A<R A1<A deep<A1 B<R late<A1", 1},
        {"a directory called NULL keeps its children",
         {{"NULL", "R"}, {"R", "NULL"}, {"NULL", "n1", 2}, {"R", "p", 2}, {"NULL", "lost", 2}},
         "NULL1<R n1<NULL1 p<R lost<NULL1", 1},
        {"a page is no parent, a missing parent none either",
         {{"NULL", "R"}, {"R", "p", 2}, {"p", "q", 2}, {"gone", "r", 2}}, "p<R q<R r<R", 2},
        {"records of unknown kind are kept, not placed",
         {{"NULL", "R"}, {"R", "odd", 9}, {"odd", "child", 2}}, "child<R", 1},
        {"nameless records get fresh names past every stored one",
         {{"NULL", "R"}, {"R", "", 2}, {"R", "\xCE\xB4\xC3\xFC\xC3\xFB\xD5\xC2\xBD\xDA" "1", 2}, {"R", "", 2}},
         "\xCE\xB4\xC3\xFC\xC3\xFB\xD5\xC2\xBD\xDA" "2<R \xCE\xB4\xC3\xFC\xC3\xFB\xD5\xC2\xBD\xDA" "1<R "
         "\xCE\xB4\xC3\xFC\xC3\xFB\xD5\xC2\xBD\xDA" "3<R",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TablePlan plan = planTable(table(c.records), std::nullopt);
        ASSERT_TRUE(plan.readable);
        EXPECT_EQ(placed(plan), c.placed);
        EXPECT_EQ(plan.findings.size(), c.findings);
    }
}

TEST(TablePlan, ThousandsOfRepairsMakeAReadableMessage) {
    std::vector<Rec> records{{"NULL", "R"}};
    for (int i = 0; i < 200; ++i) records.push_back({"R", "same", 2});
    std::string bytes = table(records);
    bytes[0] = char(201 & 0xFF), bytes[1] = char(201 >> 8);
    const TablePlan plan = planTable(bytes, std::string(99, 't'));
    ASSERT_EQ(plan.findings.size(), 199u);
    const std::vector<std::string> lines = findingLines(plan.findings);
    ASSERT_EQ(lines.size(), kShownRepairs + 1);
    EXPECT_EQ(lines.back(), "……另有 179 处修复");
    EXPECT_EQ(plan.entries.back().record.itemName, "same199");
    EXPECT_EQ(plan.entries[0].record.itemName, std::string(99, 't'));
    EXPECT_EQ(plan.entries[0].record.objName, std::string(19, 't'));
    const std::string message = salvageMessage("b.pgw", plan.findings);
    EXPECT_EQ(message.rfind("电子书“b.pgw”已损坏，已尽量打开。已修复：\n章节“same”与其他章节重名：已改名为“same1”\n", 0), 0u);
}

}  // namespace
}  // namespace pgw::book
