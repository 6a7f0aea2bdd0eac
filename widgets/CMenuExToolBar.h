// The owner-drawn menu variant whose images come from a toolbar's bitmap strip, with its own
// look: light item fill, etched separators, embossed marks when disabled.
#pragma once

#include "widgets/CMenuEx.h"
#include "widgets/MenuStyleBase.h"

#include <QPixmap>

namespace pgw {

class CMenuExToolBarStyle : public MenuStyleBase {
public:
    CMenuExToolBarStyle();

    QColor itemFill{239, 243, 255};
    QColor selectedFill{193, 210, 238};
    QColor etchDark{64, 0, 128};

protected:
    int itemHeightPadding() const override { return 4; }
    void drawMenuItem(const QStyleOptionMenuItem& item, QPainter& painter) const override;

private:
    void drawMark(const QStyleOptionMenuItem& item, QPainter& painter, const QRect& cell) const;
};

class CMenuEx_ToolBar : public CMenuEx {
public:
    explicit CMenuEx_ToolBar(bool popup = true);

    // `buttons` are the toolbar's commands in order, 0 for a separator; `bitmap` holds one
    // image per other button. The item of button i's command gets that button's image.
    // False when the toolbar has no buttons or the bitmap is empty.
    bool LoadToolBar(const QPixmap& bitmap, const std::vector<int>& buttons);
};

}  // namespace pgw
