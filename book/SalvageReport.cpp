#include "book/SalvageReport.h"

#include "platform/text/CodePage.h"

#include <algorithm>

namespace pgw::book {

std::string gbkForMessage(const std::string& gbk) {
    std::string out, utf8;
    for (size_t at = 0; at < gbk.size();) {
        const text::ConvResult result = text::gbkToUtf8(std::string_view(gbk).substr(at), &utf8);
        out += utf8;
        if (result.ok()) break;
        out += "?";
        at += result.offset + 1;
    }
    return out;
}

namespace {

std::string quoted(const std::string& gbk) { return "“" + gbkForMessage(gbk) + "”"; }

}  // namespace

std::string findingLine(const Finding& f) {
    switch (f.repair) {
    case Repair::ShortTable:
        return "章节目录记录了 " + std::to_string(f.count) + " 个章节，实际只有 " + std::to_string(f.held) +
               " 个：已读出这 " + std::to_string(f.held) + " 个";
    case Repair::NamelessChapter: return "一个章节没有名称：已命名为" + quoted(f.newName);
    case Repair::ReservedName: return "章节" + quoted(f.name) + "的名称由系统使用：已改名为" + quoted(f.newName);
    case Repair::DuplicateName: return "章节" + quoted(f.name) + "与其他章节重名：已改名为" + quoted(f.newName);
    case Repair::TitleTaken: return "章节" + quoted(f.name) + "与书名重名：已改名为" + quoted(f.newName);
    case Repair::TitleReserved:
        return "书名" + quoted(f.name) + "由系统使用，不能做根目录的名称：根目录仍叫" + quoted(f.newName);
    case Repair::Orphan: return "章节" + quoted(f.name) + "找不到上级目录" + quoted(f.newName) + "：已放到根目录下";
    case Repair::MissingPage: return "页面" + quoted(f.name) + "的内容丢失或无法读取：已换成空白页面";
    case Repair::MissingDirectory: return "目录" + quoted(f.name) + "的内容丢失或无法读取：已换成空目录";
    }
    return {};
}

std::vector<std::string> findingLines(const std::vector<Finding>& findings, size_t shownLines) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < findings.size() && i < shownLines; ++i) lines.push_back(findingLine(findings[i]));
    if (findings.size() > shownLines) lines.push_back("……另有 " + std::to_string(findings.size() - shownLines) + " 处修复");
    return lines;
}

std::string salvageMessage(const std::string& bookName, const std::vector<Finding>& findings) {
    // A reserved title is no damage: the root just keeps its name.
    const bool damaged = std::any_of(findings.begin(), findings.end(),
                                     [](const Finding& f) { return f.repair != Repair::TitleReserved; });
    std::string text = "电子书“" + bookName + (damaged ? "”已损坏，已尽量打开。已修复：" : "”：");
    for (const std::string& line : findingLines(findings)) text += "\n" + line;
    // Opening writes only the working copy: the damaged file stays as it was.
    if (damaged) text += "\n保存后，修复的结果才会写入电子书文件。";
    return text;
}

}  // namespace pgw::book
