#include "stub/reader/BookStatus.h"

#include "platform/text/CodePage.h"

namespace pgw::stub {

std::string_view sentenceFor(BookError error) {
    switch (error) {
        case BookError::None: return "";
        case BookError::CannotOpenFile: return "无法打开电子书文件。";
        case BookError::NoAppendedBook: return "这是电子书的阅读程序，其中没有附带电子书。";
        case BookError::DamagedTrailer: return "这不是一本完整的电子书：文件末尾的书籍位置已损坏。";
        case BookError::DamagedBlock: return "这不是一本完整的电子书：书籍信息已损坏。";
        case BookError::SizeMismatch: return "这不是一本完整的电子书：文件长度与书籍信息不符，可能没有下载或复制完整。";
        case BookError::ReadFailed: return "读取电子书时出错。";
        case BookError::DamagedBook: return "这不是一本完整的电子书：书籍内容已损坏。";
        case BookError::NoNodeTable: return "这不是一本完整的电子书：缺少章节目录。";
        case BookError::DamagedNodeTable: return "这不是一本完整的电子书：章节目录已损坏。";
        case BookError::NoSuchChapter: return "没有这个章节。";
        case BookError::NotAPage: return "这个章节是目录，没有页面内容。";
        case BookError::MissingPageContent: return "页面内容缺失：";
        case BookError::DamagedPicturePage: return "图片页面已损坏：";
        case BookError::DamagedTextPage: return "文本页面已损坏：";
    }
    return "未知错误。";
}

BookStatus BookStatus::failure(BookError error, std::string_view detail) {
    BookStatus status{error, std::string(sentenceFor(error))};
    if (!detail.empty()) {
        const bool joined = !status.message.empty() && status.message.ends_with("：");
        status.message += joined ? std::string(detail) : "（" + std::string(detail) + "）";
    }
    return status;
}

std::string nameForMessage(std::string_view gbk) {
    std::string utf8;
    std::string out;
    size_t at = 0;
    while (at < gbk.size()) {
        const text::ConvResult result = text::gbkToUtf8(gbk.substr(at), &utf8);
        out += utf8;
        if (result.ok()) break;
        out += "?";
        at += result.offset + 1;
    }
    return out;
}

}  // namespace pgw::stub
