// The flat owner-drawn look of the program's menus: tinted image column, framed highlight,
// a "√" cell for checked items, thin separators.
#pragma once

#include "widgets/MenuStyleBase.h"

namespace pgw {

class CMenuExStyle : public MenuStyleBase {
protected:
    int itemHeightPadding() const override { return 2; }
    void drawMenuItem(const QStyleOptionMenuItem& item, QPainter& painter) const override;

private:
    void drawCheckCell(const QStyleOptionMenuItem& item, QPainter& painter) const;
    void drawImage(const QStyleOptionMenuItem& item, QPainter& painter) const;
};

}  // namespace pgw
