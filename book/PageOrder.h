#pragma once
// The page order that navigation, deletion and the first-page selection follow. A page
// node is one whose record is a stream; directories are passed over.

#include "book/ChapterModel.h"

namespace pgw::book {

bool isPageItem(const ChapterModel& chapters, NodeId node);
// The next page: first child, else next sibling, descending further; never climbing.
NodeId findNextPageItem(const ChapterModel& chapters, NodeId node);
// The previous page: previous sibling, else parent, going further up; never descending.
NodeId findPreviousPageItem(const ChapterModel& chapters, NodeId node);
// Selects the first page below the root, when there is one.
void selectFirstPage(ChapterModel& chapters);

}  // namespace pgw::book
