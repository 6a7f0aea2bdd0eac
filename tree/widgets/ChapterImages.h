#pragma once
// The chapter tree's image strip and the chapter pane's button icons, drawn in code:
// ten 16x16 images side by side, indexed as the tree items use them (tree/TreeItems.h).

#include "platform/framework/CommandIds.h"
#include "tree/ChapterTree.h"

#include <QIcon>
#include <QPixmap>

namespace pgw::tree::widgets {

inline constexpr int kImageSize = 16;
inline constexpr int kImageCount = 10;

// The whole strip, 160x16, transparent where nothing is drawn.
QPixmap chapterImageStrip();
// One image of the strip; an index outside it gives an empty (transparent) image.
QPixmap chapterImage(int index);
// An item's icon: its normal image, and its selected image for the selected state.
QIcon chapterItemIcon(ItemImages images);

// The icon of a chapter pane button (add, rename, delete, hide); a null icon for other ids.
QIcon paneButtonIcon(framework::CommandId command);

}  // namespace pgw::tree::widgets
