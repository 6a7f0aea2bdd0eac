// A small menu like the program's, and solid-colour image lists.
#pragma once

#include "widgets/MenuDescription.h"
#include "widgets/MenuImages.h"

#include <QPixmap>

namespace pgw::test {

inline std::vector<MenuItemDesc> sampleMenu() {
    using D = MenuItemDesc;
    return {
        D::popupItem("&File", {D::command("&New\tCtrl+N", 57600), D::command("&Open...", 57601),
                               D::separatorItem(),
                               D::popupItem("Recent", {D::command("New again", 57600),
                                                       D::command("Make", 32950)}),
                               D::command("E&xit", 57665)}),
        D::popupItem("&Edit", {D::command("Cu&t", 57635, true), D::command("Paste", 57637, false, true)}),
        D::command("Help", 57670),
    };
}

inline ImageList solidImages(int count, QSize size, QColor colour) {
    QPixmap image(size);
    image.fill(colour);
    return ImageList(count, image);
}

}  // namespace pgw::test
