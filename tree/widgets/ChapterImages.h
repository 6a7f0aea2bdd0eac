#pragma once
// The chapter tree's images and the chapter pane's button icons, cut from the program's
// bitmap strips (the resources must be linked into the executable; without them the
// images are empty, never a crash).

#include "platform/framework/CommandIds.h"
#include "tree/TreeItems.h"

#include <QIcon>
#include <QPixmap>

#include <vector>

namespace pgw::tree::widgets {

inline constexpr int kImageSize = 16;
inline constexpr int kImageCount = 10;

using ChapterImages = std::vector<QPixmap>;

// The tree's images, indexed as the tree items use them (tree/TreeItems.h), with the
// strip's magenta see-through.
ChapterImages loadChapterImages();
// One image; an index the list does not have gives an empty (transparent) image.
QPixmap chapterImage(const ChapterImages& images, int index);
// An item's icon: its normal image, and its selected image for the selected state.
QIcon chapterItemIcon(const ChapterImages& images, ItemImages pair);

// The icon of a chapter pane button (add, rename, delete, hide): the button's image in the
// pane toolbar's strips, normal and disabled; a null icon for other ids.
QIcon paneButtonIcon(framework::CommandId command);

}  // namespace pgw::tree::widgets
