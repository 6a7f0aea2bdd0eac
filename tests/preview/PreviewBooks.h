#pragma once
// Compiled books for the preview tests: a book made by the book code with a page of every
// kind, wrapped as the program wraps it.

#include <string>

namespace pgw::preview::testing {

// The chapters, in the tree's pre-order:
//   新建文档 (root)
//     新建文本      text, empty
//     第一章        directory
//       正文        text
//       坏页        text that is no RTF
//     插图          picture: a red bitmap at (10, 20)-(50, 60)
//     网页          web
std::string previewBook();
// The same book with the web page's record naming a parent the table does not have.
std::string previewBookWithDamagedTable();

}  // namespace pgw::preview::testing
