#include "tree/widgets/ChapterImages.h"

#include "commands/CommandTable.h"
#include "widgets/MenuImages.h"
#include "widgets/ToolbarStrip.h"

namespace pgw::tree::widgets {

namespace {

const QString kTreeStrip = QStringLiteral(":/bitmaps/173.bmp");
const QString kPaneStrip = QStringLiteral(":/bitmaps/209.bmp");
const QString kPaneDisabledStrip = QStringLiteral(":/bitmaps/211.bmp");

QPixmap emptyImage() {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The button's image is the one of its place among the toolbar's buttons, separators
// not counted.
int paneButtonImage(framework::CommandId command) {
    const commands::ToolbarResource* toolbar = commands::toolbarResource(commands::toolbars::kChapterPane);
    if (!toolbar || command == 0) return -1;
    int image = 0;
    for (const framework::CommandId button : toolbar->buttons) {
        if (button == command) return image;
        if (button != 0) ++image;
    }
    return -1;
}

}  // namespace

ChapterImages loadChapterImages() { return pgw::widgets::loadToolbarImages(kTreeStrip, kImageSize); }

QPixmap chapterImage(const ChapterImages& images, int index) {
    if (index < 0 || size_t(index) >= images.size()) return emptyImage();
    return images[size_t(index)];
}

QIcon chapterItemIcon(const ChapterImages& images, ItemImages pair) {
    QIcon icon;
    addCrispPixmap(icon, chapterImage(images, pair.normal), QIcon::Normal);
    addCrispPixmap(icon, chapterImage(images, pair.selected), QIcon::Selected);
    return icon;
}

QIcon paneButtonIcon(framework::CommandId command) {
    const int image = paneButtonImage(command);
    if (image < 0) return QIcon();
    return pgw::widgets::stripIcon(pgw::widgets::loadToolbarImages(kPaneStrip, kImageSize),
                                   pgw::widgets::loadToolbarImages(kPaneDisabledStrip, kImageSize), size_t(image));
}

}  // namespace pgw::tree::widgets
