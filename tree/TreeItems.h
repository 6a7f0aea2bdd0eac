#pragma once
// The chapter commands' names for the book's chapter nodes: an item is a node of the
// chapter model, with its images and its place in the page order.

#include "book/ChapterModel.h"
#include "book/PageOrder.h"

namespace pgw::tree {

using ItemId = book::NodeId;
inline constexpr ItemId kNoItem = book::kNoNode;
using ItemImages = book::NodeImages;
namespace image = book::image;
using book::findNextPageItem;
using book::findPreviousPageItem;
using book::imagesFor;
using book::isPageItem;
using book::selectFirstPage;

}  // namespace pgw::tree
