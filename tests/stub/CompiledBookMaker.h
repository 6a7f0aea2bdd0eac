#pragma once
// Compiled books for the reader's tests: a real book made by the book code, its pages
// filled, wrapped as the authoring program wraps it (a reader prefix, the information
// block, the book, the trailer).

#include "BookFixture.h"
#include "publish/PublishLayout.h"

#include <string>
#include <vector>

namespace pgw::stub::testing {

// The sample book's chapters, in the tree's pre-order:
//   新建文档 (root)
//     新建文本      text, empty (the page every new book starts with)
//     第一章        directory
//       正文        text
//       小节        directory
//         深页      text
//     插图          picture: a visible bitmap at (10, 20)-(50, 60) and a hidden one
class SampleBook {
public:
    SampleBook();
    // The working copy's bytes, committed: what the program appends.
    std::string bytes();
    // Removes a page's stream (given by chapter name) from the book.
    void removePageStream(const std::string& nameUtf8);
    void writePage(const std::string& nameUtf8, const std::string& content);
    // Appends a web page holding `stored` under the root (after 插图).
    void addWebPage(const std::string& nameUtf8, const std::string& stored);

    static const std::string kText;        // 正文's RTF
    static const std::string kStaleTail;   // older bytes left after it
    static const std::string kBitmap;      // the visible picture's file bytes

private:
    book::testing::ScratchFolder folder_;
    book::testing::ProgramParts parts_;
};

// The picture page's stream as the sample book holds it.
std::string samplePicturePage();

// The smallest PE image the reader takes for itself: headers and one section, 0x400 bytes.
std::string readerPrefix();

struct CompileInput {
    std::string title;
    publish::BookInfo info;
    std::string bookCode;
};
// The compiled layout: prefix, block at S = prefix size, book, trailer S.
std::string compiled(const std::string& prefix, const std::string& book, const CompileInput& input);
CompileInput sampleInput();

// A file in the test's scratch folder holding `bytes`; returns its path.
std::string writeFile(const std::string& name, const std::string& bytes);

}  // namespace pgw::stub::testing
