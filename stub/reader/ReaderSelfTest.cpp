#include "stub/reader/ReaderSelfTest.h"

#include "stub/reader/PageText.h"
#include "stub/reader/ReaderState.h"

namespace pgw::stub {

SelfTestReport readerSelfTest(const CompiledBook& book) {
    SelfTestReport report = book.selfTest();
    for (const size_t page : book.pages()) {
        const book::NodeType type = book.chapters()[page].type;
        if (type != book::NodeType::Text && type != book::NodeType::Web) continue;
        richtext::RichDocument document;
        if (const BookStatus status = pageDocument(book, page, &document); !status.ok())
            report.problems.push_back(status.message);
    }
    ReaderState state;
    state.zoomPercent = 130;
    state.dark = true;
    state.window = WindowPlace{10, 20, 810, 620, true};
    if (const auto first = book.firstPage()) {
        state.lastPage = book.pages().back();
        state.addBookmark(*first, "书签");
    }
    if (readState(writeState(state), book.chapters()) != state)
        report.problems.push_back("阅读记录写出后读回不一致");
    report.whole = report.problems.empty();
    return report;
}

}  // namespace pgw::stub
